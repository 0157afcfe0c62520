// The barcode control: property access, the Text write path, range checks,
// events, persistence and the paint sequence.
#include "control/interface/barcodectrl.h"

#include "control/engine/renderer.h"

namespace {

constexpr const char* kCaption = "Tessaline";

// Persisted defaults of a new control.
constexpr int32_t kDefaultType = 1;
constexpr const char* kDefaultTypeName = "EAN13";
constexpr const char* kDefaultText = "123456789012";
constexpr int16_t kDefaultBorderwidth = 3;
constexpr int16_t kDefaultBorderheight = 4;
constexpr int16_t kDefaultNotch = 25;

bool IsRightAngle(int16_t rotate) { return rotate == 0 || rotate == 90 || rotate == 180 || rotate == 270; }

} // namespace

CBarcodeCtrl::CBarcodeCtrl() : m_slot(static_cast<ISymbolHost&>(*this)), m_font(DefaultFont())
{
    SetInitialSize(250, 150);
}

CBarcodeCtrl::~CBarcodeCtrl() = default;

FontObject CBarcodeCtrl::DefaultFont()
{
    FontObject f;
    f.name = "Arial";
    f.size = 18;
    f.weight = FW_BOLD;
    f.charset = ANSI_CHARSET;
    return f;
}

std::vector<std::string> CBarcodeCtrl::GetPropertyPages() const
{
    // The general page, the framework's stock font and colour pages, the
    // layout page.
    return {"BARCODE.BarcodePropPage.1", "StockFontPage", "StockColorPage", "barcode.CBarcodePropPageLayout"};
}

// --- ISymbolHost ---------------------------------------------------------------

void CBarcodeCtrl::ThrowError(int32_t status, const std::string& description, uint32_t helpContext)
{
    COleControl::ThrowError(status, description, helpContext);
}

void CBarcodeCtrl::FireTypeChange(int32_t type) { FireEvent(eventidTypeChange, {type}); }

// --- helpers -------------------------------------------------------------------

void CBarcodeCtrl::Changed()
{
    COleControl::InvalidateControl();
    COleControl::SetModifiedFlag(true);
}

void CBarcodeCtrl::Warn(const std::string& text)
{
    if (Site().HasWindow())
        Site().MessageBox(text, kCaption, MB_OK | MB_ICONEXCLAMATION);
}

// --- properties ------------------------------------------------------------------

void CBarcodeCtrl::SetAutoType(BOOL autoType)
{
    m_slot.m_autoType = autoType ? TRUE : FALSE;
    FireEvent(eventidAutoTypeChange, {autoType != FALSE});
    if (m_slot.m_autoType)
        m_slot.DetectType();
    Changed();
}

std::string CBarcodeCtrl::GetTypeName() { return Cp1252ToUtf8(m_slot.GetTypeName()); }

void CBarcodeCtrl::SetTypeName(const std::string& name) { m_slot.ParseTypeName(Utf8ToCp1252(name)); }

BOOL CBarcodeCtrl::GetIsValid() const
{
    const CGenericBarcode* symbol = m_slot.Symbol();
    return symbol ? symbol->IsValid() : FALSE;
}

int32_t CBarcodeCtrl::GetChecksum() const
{
    const CGenericBarcode* symbol = m_slot.Symbol();
    return symbol ? symbol->GetChecksum() : -1;
}

void CBarcodeCtrl::SetFont(const FontObject* font)
{
    m_font = font ? *font : DefaultFont();
    Changed();
}

BOOL CBarcodeCtrl::GetShowText() const
{
    const CGenericBarcode* symbol = m_slot.Symbol();
    return symbol ? symbol->GetShowText() : m_slot.m_showText;
}

void CBarcodeCtrl::SetShowText(BOOL showText)
{
    m_slot.m_showText = showText ? TRUE : FALSE;
    if (CGenericBarcode* symbol = m_slot.Symbol())
        symbol->SetShowText(m_slot.m_showText);
    FireEvent(eventidShowTextChange, {showText != FALSE});
    Changed();
}

int16_t CBarcodeCtrl::GetMaxBorderwidth() const { return int16_t(GetAreaSize().cx / 2 + 5); }

int16_t CBarcodeCtrl::GetMaxBorderheight() const { return int16_t(GetAreaSize().cy / 2 + 5); }

void CBarcodeCtrl::SetBorderwidth(int16_t width)
{
    const int16_t max = GetMaxBorderwidth();
    if (!Site().HasWindow() || (width >= 0 && width <= max)) {
        m_borderwidth = width;
        Changed();
        return;
    }
    Warn("Valid Borderwidth range: 0 - " + std::to_string(max));
}

void CBarcodeCtrl::SetBorderheight(int16_t height)
{
    const int16_t max = GetMaxBorderheight();
    if (!Site().HasWindow() || (height >= 0 && height <= max)) {
        m_borderheight = height;
        Changed();
        return;
    }
    Warn("Valid Borderheight range: 0 - " + std::to_string(max));
}

void CBarcodeCtrl::SetNotchHeightInPercent(int16_t percent)
{
    if (percent < 0 || percent > 100) {
        Warn("Valid NotchHeightInPercent: 0 - 100");
        return;
    }
    m_slot.m_notchHeightInPercent = percent;
    if (CGenericBarcode* symbol = m_slot.Symbol())
        symbol->SetNotchHeightInPercent(percent);
    Changed();
}

BOOL CBarcodeCtrl::GetIsSizeOk() const
{
    const CGenericBarcode* symbol = m_slot.Symbol();
    return symbol ? symbol->IsSizeOk() : FALSE;
}

void CBarcodeCtrl::SetRotate(int16_t rotate)
{
    if (!IsRightAngle(rotate)) {
        Warn("Valid Rotate values: 0, 90, 180, 270");
        return;
    }
    m_slot.m_rotate = rotate;
    if (CGenericBarcode* symbol = m_slot.Symbol())
        symbol->SetRotate(rotate);
    Changed();
}

std::string CBarcodeCtrl::GetText()
{
    if (const CGenericBarcode* symbol = m_slot.Symbol())
        m_slot.m_text = symbol->GetText();
    return Cp1252ToUtf8(m_slot.m_text);
}

void CBarcodeCtrl::SetText(const std::string& text) { WriteText(Utf8ToCp1252(text)); }

void CBarcodeCtrl::WriteText(const std::string& text)
{
    if (text == m_slot.m_text)
        return;
    m_slot.m_text = text;
    if (CGenericBarcode* symbol = m_slot.Symbol())
        symbol->SetText(text);
    if (m_slot.m_autoType)
        m_slot.DetectType();
    // Detection may have replaced the symbol object: ask the current one.
    const CGenericBarcode* symbol = m_slot.Symbol();
    FireEvent(eventidTextChange, {Cp1252ToUtf8(symbol ? symbol->GetText() : m_slot.m_text)});
    COleControl::SetModifiedFlag(true);
    COleControl::InvalidateControl();
    COleControl::BoundPropertyChanged(DISPID_TEXT);
}

// --- methods ---------------------------------------------------------------------

void CBarcodeCtrl::SetDemoText()
{
    const CGenericBarcode* symbol = m_slot.Symbol();
    WriteText(symbol ? symbol->GetDemoText() : std::string());
}

void CBarcodeCtrl::AboutBox()
{
    AboutInfo about;
    about.title = "Tessaline";
    about.product = std::string("Tessaline Control v") + kBarcodeVersion;
    about.slogan = "Linear and postal barcodes for every document.";
    about.links = {{"Home page", "https://tessaline.org/"}, {"Support", "https://tessaline.org/support/"}};
    Site().ShowAboutBox(about);
}

// --- drawing -----------------------------------------------------------------------

void CBarcodeCtrl::DrawBarcode(CDC* dc, const RECT& bounds, const RECT& invalid)
{
    (void)invalid; // the whole symbol is always drawn
    CGenericBarcode* symbol = m_slot.Symbol();
    PaintState state;
    state.foreColor = TranslateColor(GetForeColor());
    state.backColor = TranslateColor(GetBackColor());
    state.font = ToLogFont(m_font, 96);
    state.rotate = m_slot.m_rotate;
    state.showText = m_slot.m_showText;
    state.borderWidth = m_borderwidth;
    state.borderHeight = m_borderheight;
    state.notchHeightInPercent = m_slot.m_notchHeightInPercent;
    if (!symbol) {
        dc->FillRect(bounds, CBrush{BS_SOLID, state.backColor});
        return;
    }
    ::DrawBarcode(dc, bounds, *symbol, state);
}

void CBarcodeCtrl::OnDraw(CDC* dc, const RECT& bounds, const RECT& invalid)
{
    DrawBarcode(dc, bounds, invalid);
    // After every paint the Picture property holds what was just painted.
    CreatePictureBySize(bounds.Width(), bounds.Height());
}

void CBarcodeCtrl::OnClick(POINT point) { FireEvent(eventidClickIn, {point.x, point.y}); }

// --- persistence ---------------------------------------------------------------------

void CBarcodeCtrl::DoPropExchange(CPropExchange* px)
{
    COleControl::DoPropExchange(px);

    PX_Long(px, "Type", m_slot.m_type, kDefaultType);
    std::string typeName = Cp1252ToUtf8(m_slot.m_typeName);
    PX_String(px, "TypeName", typeName, kDefaultTypeName);
    std::string text = Cp1252ToUtf8(m_slot.m_text);
    PX_String(px, "Text", text, kDefaultText);
    PX_Bool(px, "AutoType", m_slot.m_autoType, FALSE);
    PX_Font(px, "Font", m_font, DefaultFont());
    PX_Bool(px, "ShowText", m_slot.m_showText, TRUE);
    PX_Short(px, "Borderwidth", m_borderwidth, kDefaultBorderwidth);
    PX_Short(px, "Borderheight", m_borderheight, kDefaultBorderheight);
    PX_Short(px, "NotchHeightInPercent", m_slot.m_notchHeightInPercent, kDefaultNotch);
    PX_Short(px, "Rotate", m_slot.m_rotate, 0);
    if (!px->IsLoading())
        return;

    m_slot.m_typeName = Utf8ToCp1252(typeName);
    m_slot.m_text = Utf8ToCp1252(text);
    // Drawing is defined for the four right angles only.
    if (!IsRightAngle(m_slot.m_rotate))
        m_slot.m_rotate = 0;
    // The stored number decides the type; the stored name is not parsed.
    try {
        m_slot.SetType(m_slot.m_type);
    } catch (const DispatchError& e) {
        // A stored type that is no symbology would leave the control
        // without a symbol object: it starts as the default type instead,
        // and the load reports the refusal.
        SetLoadStatus(e.Status());
        m_slot.SetType(kDefaultType);
    }
}

void CBarcodeCtrl::OnResetState()
{
    COleControl::OnResetState();
    m_picture.reset();
}

// --- dispatch --------------------------------------------------------------------------

Variant CBarcodeCtrl::InvokeGet(const MemberDesc& member)
{
    switch (member.id) {
    case dispidAutoType: return GetAutoType() != FALSE;
    case dispidType: return GetType();
    case dispidTypeName: return GetTypeName();
    case dispidIsValid: return GetIsValid() != FALSE;
    case dispidChecksum: return GetChecksum();
    case dispidFont: return GetFont();
    case dispidShowText: return GetShowText() != FALSE;
    case dispidPicture: return GetPicture();
    case dispidBorderwidth: return GetBorderwidth();
    case dispidBorderheight: return GetBorderheight();
    case dispidNotchHeightInPercent: return GetNotchHeightInPercent();
    case dispidMaxBorderwidth: return GetMaxBorderwidth();
    case dispidMaxBorderheight: return GetMaxBorderheight();
    case dispidIsSizeOk: return GetIsSizeOk() != FALSE;
    case dispidRotate: return GetRotate();
    case dispidCountTypesSupported: return GetCountTypesSupported();
    case dispidVersion: return GetVersion();
    case DISPID_VALUE:
    case DISPID_TEXT: return GetText();
    default: return COleControl::InvokeGet(member);
    }
}

void CBarcodeCtrl::InvokePut(const MemberDesc& member, const Variant& value)
{
    switch (member.id) {
    case dispidAutoType: SetAutoType(value.ToBool()); break;
    case dispidType: SetType(value.ToLong()); break;
    case dispidTypeName: SetTypeName(value.ToString()); break;
    case dispidFont: SetFont(value.IsEmpty() ? nullptr : &value.ToFont()); break;
    case dispidShowText: SetShowText(value.ToBool()); break;
    case dispidPicture: SetPicture(value.ToPicture()); break;
    case dispidBorderwidth: SetBorderwidth(value.ToShort()); break;
    case dispidBorderheight: SetBorderheight(value.ToShort()); break;
    case dispidNotchHeightInPercent: SetNotchHeightInPercent(value.ToShort()); break;
    case dispidRotate: SetRotate(value.ToShort()); break;
    case DISPID_VALUE:
    case DISPID_TEXT: SetText(value.ToString()); break;
    default: COleControl::InvokePut(member, value);
    }
}

Variant CBarcodeCtrl::InvokeMethod(const MemberDesc& member, const std::vector<Variant>& args)
{
    auto arg = [&](size_t i) -> const Variant& { return args.at(i); };
    switch (member.id) {
    case dispidCopyToClipboard: return CopyToClipboard() != FALSE;
    case dispidCreatePictureBySize: return CreatePictureBySize(arg(0).ToLong(), arg(1).ToLong()) != FALSE;
    case dispidCopyToClipboardBySize: return CopyToClipboardBySize(arg(0).ToLong(), arg(1).ToLong()) != FALSE;
    case dispidSetDemoText: SetDemoText(); return Variant();
    case dispidSaveAsPNG: return SaveAsPNG(arg(0).ToString());
    case dispidSaveAsPNGBySize: return SaveAsPNGBySize(arg(0).ToString(), arg(1).ToLong(), arg(2).ToLong());
    case dispidBinaryWriteAsPNGBySize: return BinaryWriteAsPNGBySize(arg(0).ToLong(), arg(1).ToLong());
    case dispidBinaryWriteAsPNG: return BinaryWriteAsPNG();
    case DISPID_ABOUTBOX: AboutBox(); return Variant();
    default: return COleControl::InvokeMethod(member, args);
    }
}

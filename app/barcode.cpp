#include "app/barcode.h"

#include <cmath>

#include "control/interface/barcodelib.h"
#include "platform/com/olecontrol.h"

namespace {

std::string Utf8(const QString& text) { return text.toUtf8().toStdString(); }
QString FromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

// The state the main window's definition gives its control: the control's
// defaults, with the foreground in the system's window-text colour and an
// extent of 624 x 337 pixels (16510 x 8916 in 0.01 mm).
CPropertyBag InitialState()
{
    CPropertyBag bag;
    bag.Write("_Version", int32_t(0x00010000));
    bag.Write("_ExtentX", int32_t(16510));
    bag.Write("_ExtentY", int32_t(8916));
    bag.Write("ForeColor", int32_t(0x80000008));
    bag.Write("BackColor", int32_t(0xFFFFFF));
    bag.Write("Type", int32_t(1));
    bag.Write("TypeName", std::string("EAN 13"));
    bag.Write("Text", std::string("123456789012"));
    bag.Write("AutoType", false);
    bag.Write("ShowText", true);
    bag.Write("Borderwidth", int16_t(3));
    bag.Write("Borderheight", int16_t(4));
    bag.Write("NotchHeightInPercent", int16_t(25));
    bag.Write("Rotate", int16_t(0));
    return bag;
}

} // namespace

int TFont::Height() const { return -int(std::lround(Size * 96.0 / 72.0)); }

void TFont::SetHeight(int height) { Size = int(std::lround(std::abs(height) * 72.0 / 96.0)); }

TBarcode::TBarcode(QWidget* parent) : CBarcodeHost(parent)
{
    const CPropertyBag state = InitialState();
    QString error;
    if (!CreateControl(QString::fromLatin1(ProgId), &state, &error))
        throw EOleSysError(REGDB_E_CLASSNOTREG, error.toStdString());
    const SIZE extent = Control()->GetExtent();
    resize(extent.cx, extent.cy);
}

// --- dispatch ------------------------------------------------------------------

Variant TBarcode::Get(DISPID id) { return Dispatch()->Invoke(id, DISPATCH_PROPERTYGET); }

void TBarcode::Put(DISPID id, const Variant& value) { Dispatch()->Invoke(id, DISPATCH_PROPERTYPUT, {value}); }

Variant TBarcode::Call(DISPID id, const std::vector<Variant>& args)
{
    return Dispatch()->Invoke(id, DISPATCH_METHOD, args);
}

// --- properties ----------------------------------------------------------------

QString TBarcode::Text() { return FromUtf8(Get(DISPID_TEXT).ToString()); }
void TBarcode::SetText(const QString& text) { Put(DISPID_TEXT, Utf8(text)); }
int TBarcode::Type() { return Get(dispidType).ToLong(); }
void TBarcode::SetType(int type) { Put(dispidType, int32_t(type)); }
QString TBarcode::TypeName() { return FromUtf8(Get(dispidTypeName).ToString()); }
void TBarcode::SetTypeName(const QString& name) { Put(dispidTypeName, Utf8(name)); }
bool TBarcode::AutoType() { return Get(dispidAutoType).ToBool(); }
void TBarcode::SetAutoType(bool autoType) { Put(dispidAutoType, autoType); }
bool TBarcode::ShowText() { return Get(dispidShowText).ToBool(); }
void TBarcode::SetShowText(bool showText) { Put(dispidShowText, showText); }
int TBarcode::Rotate() { return Get(dispidRotate).ToShort(); }
void TBarcode::SetRotate(int rotate) { Put(dispidRotate, int32_t(rotate)); }
int TBarcode::NotchHeightInPercent() { return Get(dispidNotchHeightInPercent).ToShort(); }
void TBarcode::SetNotchHeightInPercent(int percent) { Put(dispidNotchHeightInPercent, int32_t(percent)); }
int TBarcode::Borderwidth() { return Get(dispidBorderwidth).ToShort(); }
void TBarcode::SetBorderwidth(int width) { Put(dispidBorderwidth, int32_t(width)); }
int TBarcode::Borderheight() { return Get(dispidBorderheight).ToShort(); }
void TBarcode::SetBorderheight(int height) { Put(dispidBorderheight, int32_t(height)); }
int TBarcode::MaxBorderwidth() { return Get(dispidMaxBorderwidth).ToShort(); }
int TBarcode::MaxBorderheight() { return Get(dispidMaxBorderheight).ToShort(); }
uint32_t TBarcode::ForeColor() { return uint32_t(Get(DISPID_FORECOLOR).ToLong()); }
void TBarcode::SetForeColor(uint32_t color) { Put(DISPID_FORECOLOR, int32_t(color)); }
uint32_t TBarcode::BackColor() { return uint32_t(Get(DISPID_BACKCOLOR).ToLong()); }
void TBarcode::SetBackColor(uint32_t color) { Put(DISPID_BACKCOLOR, int32_t(color)); }
bool TBarcode::IsValid() { return Get(dispidIsValid).ToBool(); }
bool TBarcode::IsSizeOk() { return Get(dispidIsSizeOk).ToBool(); }
int TBarcode::Checksum() { return Get(dispidChecksum).ToLong(); }
int TBarcode::CountTypesSupported() { return Get(dispidCountTypesSupported).ToLong(); }
QString TBarcode::Version() { return FromUtf8(Get(dispidVersion).ToString()); }

TFont TBarcode::Font()
{
    const Variant value = Get(dispidFont);
    const FontObject object = value.Type() == ValueType::Font ? value.ToFont() : FontObject();
    TFont font;
    font.Name = FromUtf8(object.name);
    font.Size = int(std::lround(object.size));
    font.Charset = object.charset;
    font.Style = (object.Bold() ? TFont::fsBold : 0) | (object.italic ? TFont::fsItalic : 0) |
                 (object.underline ? TFont::fsUnderline : 0) | (object.strikethrough ? TFont::fsStrikeOut : 0);
    font.Color = m_fontColor;
    font.Pitch = m_fontPitch;
    return font;
}

void TBarcode::SetFont(const TFont& font)
{
    FontObject object;
    object.name = Utf8(font.Name);
    object.size = font.Size;
    object.charset = int16_t(font.Charset);
    object.weight = (font.Style & TFont::fsBold) ? FW_BOLD : FW_NORMAL;
    object.italic = font.Style & TFont::fsItalic;
    object.underline = font.Style & TFont::fsUnderline;
    object.strikethrough = font.Style & TFont::fsStrikeOut;
    m_fontColor = font.Color;
    m_fontPitch = font.Pitch;
    Put(dispidFont, object);
}

QImage TBarcode::Picture()
{
    const PicturePtr picture = Get(dispidPicture).ToPicture();
    if (!picture || picture->width <= 0 || picture->height <= 0 ||
        picture->pixels.size() < size_t(picture->width) * size_t(picture->height))
        return QImage();
    QImage image(picture->width, picture->height, QImage::Format_RGB32);
    for (int y = 0; y < picture->height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
        const uint32_t* source = picture->pixels.data() + size_t(y) * size_t(picture->width);
        for (int x = 0; x < picture->width; ++x)
            row[x] = 0xFF000000u | source[x];
    }
    return image;
}

// --- methods -------------------------------------------------------------------

bool TBarcode::CopyToClipboard() { return Call(dispidCopyToClipboard).ToBool(); }

bool TBarcode::CreatePictureBySize(int width, int height)
{
    return Call(dispidCreatePictureBySize, {int32_t(width), int32_t(height)}).ToBool();
}

void TBarcode::SetDemoText() { Call(dispidSetDemoText); }

int TBarcode::SaveAsPNGBySize(const QString& fileName, int width, int height)
{
    return Call(dispidSaveAsPNGBySize, {Utf8(fileName), int32_t(width), int32_t(height)}).ToShort();
}

void TBarcode::DoPropertiesVerb() { DoVerb(OLEIVERB_PROPERTIES); }

QColor TBarcode::ToQColor(uint32_t oleColor)
{
    const COLORREF color = COleControl::TranslateColor(oleColor);
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

uint32_t TBarcode::ToOleColor(const QColor& color)
{
    return uint32_t(color.red()) | (uint32_t(color.green()) << 8) | (uint32_t(color.blue()) << 16);
}

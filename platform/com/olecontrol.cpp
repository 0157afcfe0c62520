// The control framework's own state and services.
#include "platform/com/olecontrol.h"

#include <cmath>

namespace {

// Pixels <-> hundredths of a millimetre at the display's 96 dots per inch:
// the unit in which containers store a control's extent.
int32_t PixelsToHimetric(int32_t px) { return int32_t(std::lround(px * 2540.0 / 96.0)); }
int32_t HimetricToPixels(int32_t hm) { return int32_t(std::lround(hm * 96.0 / 2540.0)); }

constexpr int32_t kFrameworkVersion = 0x00010000; // 1.0

} // namespace

COLORREF SystemColor(int index)
{
    // Window text, window and button colours of a default desktop.
    static constexpr COLORREF kColors[] = {
        RGB(200, 200, 200), RGB(0, 0, 0),       RGB(153, 180, 209), RGB(191, 205, 219), // 0-3
        RGB(240, 240, 240), RGB(255, 255, 255), RGB(100, 100, 100), RGB(0, 0, 0),       // 4-7
        RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(180, 180, 180), RGB(244, 247, 252), // 8-11
        RGB(171, 171, 171), RGB(0, 120, 215),   RGB(255, 255, 255), RGB(240, 240, 240), // 12-15
        RGB(160, 160, 160), RGB(109, 109, 109), RGB(0, 0, 0),       RGB(0, 0, 0),       // 16-19
        RGB(255, 255, 255), RGB(105, 105, 105), RGB(227, 227, 227), RGB(0, 0, 0),       // 20-23
        RGB(255, 255, 225),                                                             // 24
    };
    if (index < 0 || index >= int(std::size(kColors)))
        return RGB(0, 0, 0);
    return kColors[index];
}

COleControl::COleControl() = default;

COLORREF COleControl::TranslateColor(OLE_COLOR color)
{
    switch (color >> 24) {
    case 0x80: return SystemColor(int(color & 0xFFFF));
    case 0x00: return color;
    default: return color & 0x00FFFFFF; // palette forms: the colour itself
    }
}

IControlSite& COleControl::Site() const
{
    static CHeadlessSite headless;
    return m_site ? *m_site : headless;
}

void COleControl::InvalidateControl() { Site().InvalidateControl(nullptr); }

void COleControl::SetModifiedFlag(bool modified)
{
    m_modified = modified;
    if (modified)
        Site().OnModified();
}

void COleControl::FireEvent(DISPID id, const std::vector<Variant>& args)
{
    const auto keepAlive = weak_from_this().lock();
    m_events.Fire(id, args);
}

void COleControl::ThrowError(HRESULT status, const std::string& description, uint32_t helpContext)
{
    throw DispatchError(status, description, helpContext);
}

SIZE COleControl::GetAreaSize() const
{
    return Site().HasWindow() ? Site().GetClientSize() : m_extent;
}

bool COleControl::SetControlSize(int32_t cx, int32_t cy)
{
    if (!Site().RequestResize(SIZE{cx, cy}))
        return false;
    m_extent = {cx, cy};
    return true;
}

void COleControl::SetForeColor(OLE_COLOR color)
{
    m_foreColor = color;
    SetModifiedFlag();
    OnForeColorChanged();
}

void COleControl::SetBackColor(OLE_COLOR color)
{
    m_backColor = color;
    SetModifiedFlag();
    OnBackColorChanged();
}

void COleControl::DoPropExchange(CPropExchange* px)
{
    int32_t version = kFrameworkVersion;
    PX_Long(px, "_Version", version, kFrameworkVersion);
    if (px->GetMode() != CPropExchange::Reset) {
        int32_t cx = PixelsToHimetric(m_extent.cx), cy = PixelsToHimetric(m_extent.cy);
        PX_Long(px, "_ExtentX", cx, cx);
        PX_Long(px, "_ExtentY", cy, cy);
        if (px->IsLoading())
            m_extent = {HimetricToPixels(cx), HimetricToPixels(cy)};
    }
    PX_Color(px, "ForeColor", m_foreColor, 0x000000);
    PX_Color(px, "BackColor", m_backColor, 0xFFFFFF);
}

void COleControl::OnResetState()
{
    CPropExchange px(CPropExchange::Reset, nullptr);
    DoPropExchange(&px);
}

HRESULT COleControl::InitNew()
{
    const auto keepAlive = weak_from_this().lock();
    m_initialized = true;
    m_loadStatus = S_OK;
    OnResetState();
    m_modified = false;
    return m_loadStatus;
}

HRESULT COleControl::Load(const CPropertyBag& bag)
{
    const auto keepAlive = weak_from_this().lock();
    m_initialized = true;
    m_loadStatus = S_OK;
    CPropertyBag copy = bag; // the exchange reads and writes through one bag
    CPropExchange px(CPropExchange::Load, &copy);
    DoPropExchange(&px);
    m_modified = false;
    return m_loadStatus;
}

HRESULT COleControl::Save(CPropertyBag& bag, bool clearDirty)
{
    EnsureInitialized();
    CPropExchange px(CPropExchange::Save, &bag);
    DoPropExchange(&px);
    if (clearDirty)
        m_modified = false;
    return S_OK;
}

void COleControl::EnsureInitialized()
{
    if (!m_initialized)
        InitNew();
}

void COleControl::Draw(CDC* dc, const RECT& bounds)
{
    EnsureInitialized();
    if (dc)
        OnDraw(dc, bounds, bounds);
}

void COleControl::DrawMetafile(CDC* dc, const RECT& bounds)
{
    EnsureInitialized();
    if (dc)
        OnDrawMetafile(dc, bounds);
}

void COleControl::OnLButtonDown(POINT point)
{
    EnsureInitialized();
    OnClick(point);
}

void COleControl::DoPropertiesVerb() { Site().ShowPropertyFrame(); }

Variant COleControl::Invoke(DISPID id, uint16_t flags, const std::vector<Variant>& args)
{
    const auto keepAlive = weak_from_this().lock();
    EnsureInitialized();
    return CDispatchImpl::Invoke(id, flags, args);
}

Variant COleControl::InvokeGet(const MemberDesc& member)
{
    switch (member.id) {
    case DISPID_FORECOLOR: return int32_t(m_foreColor);
    case DISPID_BACKCOLOR: return int32_t(m_backColor);
    default: throw DispatchError(DISP_E_MEMBERNOTFOUND);
    }
}

void COleControl::InvokePut(const MemberDesc& member, const Variant& value)
{
    switch (member.id) {
    case DISPID_FORECOLOR: SetForeColor(OLE_COLOR(value.ToLong())); break;
    case DISPID_BACKCOLOR: SetBackColor(OLE_COLOR(value.ToLong())); break;
    default: throw DispatchError(DISP_E_MEMBERNOTFOUND);
    }
}

Variant COleControl::InvokeMethod(const MemberDesc& member, const std::vector<Variant>& args)
{
    (void)member;
    (void)args;
    throw DispatchError(DISP_E_MEMBERNOTFOUND);
}

// The embeddable-control framework: what every control offers its
// container (IOleControl, beside IDispatch and IEventSource), and the base
// class COleControl that carries the framework's own state (site, extent,
// stock colours, modified flag, events) and services.
//
// A container creates a control (CoCreateInstance), gives it its site,
// then either InitNew (a new control: every property at its default) or
// Load (from a property bag), and asks it to Draw into a device context of
// its own. A dispatch call on a control that was neither initialised nor
// loaded initialises it first.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/com/dispatch.h"
#include "platform/com/events.h"
#include "platform/com/propbag.h"
#include "platform/com/site.h"

class IOleControl : public virtual IUnknown {
public:
    virtual void SetClientSite(std::shared_ptr<IControlSite> site) = 0;
    virtual std::shared_ptr<IControlSite> GetClientSite() const = 0;

    // Persistence. Load reads every persisted property (values bypass the
    // property setters); its result is S_OK, or the error status of a
    // stored value the control refused (the control is then usable with
    // a sound value in its place).
    virtual HRESULT InitNew() = 0;
    virtual HRESULT Load(const CPropertyBag& bag) = 0;
    virtual HRESULT Save(CPropertyBag& bag, bool clearDirty = true) = 0;
    virtual bool IsDirty() const = 0;

    // The control's size in pixels, as the container sets it.
    virtual void SetExtent(SIZE size) = 0;
    virtual SIZE GetExtent() const = 0;

    // The view: draws the control into `bounds` of `dc`. DrawMetafile is
    // the same for a container that records a metafile.
    virtual void Draw(CDC* dc, const RECT& bounds) = 0;
    virtual void DrawMetafile(CDC* dc, const RECT& bounds) = 0;

    // Input forwarded by the container: a press of the left mouse button
    // at a point in client coordinates.
    virtual void OnLButtonDown(POINT point) = 0;
    // The Properties verb: opens the property frame through the site.
    virtual void DoPropertiesVerb() = 0;
    // Program ids of the control's property pages, in order.
    virtual std::vector<std::string> GetPropertyPages() const = 0;

    virtual const TypeLibDesc& GetTypeLib() const = 0;
};

// OLE colours: 0x00BBGGRR, or 0x80000000 | index for a system colour.
using OLE_COLOR = uint32_t;
// The colour a system colour index stands for on a default desktop.
COLORREF SystemColor(int index);

class COleControl : public CDispatchImpl,
                    public IEventSource,
                    public IOleControl,
                    public std::enable_shared_from_this<COleControl> {
public:
    COleControl();
    ~COleControl() override = default;

    // IOleControl
    void SetClientSite(std::shared_ptr<IControlSite> site) override { m_site = std::move(site); }
    std::shared_ptr<IControlSite> GetClientSite() const override { return m_site; }
    HRESULT InitNew() override;
    HRESULT Load(const CPropertyBag& bag) override;
    HRESULT Save(CPropertyBag& bag, bool clearDirty = true) override;
    bool IsDirty() const override { return m_modified; }
    void SetExtent(SIZE size) override { m_extent = size; }
    SIZE GetExtent() const override { return m_extent; }
    void Draw(CDC* dc, const RECT& bounds) override;
    void DrawMetafile(CDC* dc, const RECT& bounds) override;
    void OnLButtonDown(POINT point) override;
    void DoPropertiesVerb() override;
    std::vector<std::string> GetPropertyPages() const override { return {}; }

    // IEventSource
    const InterfaceDesc& GetEventInfo() const override { return *GetTypeLib().events; }
    uint32_t Advise(EventSink sink) override { return m_events.Advise(std::move(sink)); }
    bool Unadvise(uint32_t cookie) override { return m_events.Unadvise(cookie); }

    // IDispatch
    const InterfaceDesc& GetTypeInfo() const override { return *GetTypeLib().dispatch; }
    Variant Invoke(DISPID id, uint16_t flags, const std::vector<Variant>& args = {}) override;

    // Stock colours.
    OLE_COLOR GetForeColor() const { return m_foreColor; }
    OLE_COLOR GetBackColor() const { return m_backColor; }
    void SetForeColor(OLE_COLOR color);
    void SetBackColor(OLE_COLOR color);
    // An OLE colour as a colour of the drawing surface.
    static COLORREF TranslateColor(OLE_COLOR color);

    bool IsInitialized() const { return m_initialized; }

protected:
    // --- services for the derived control ---------------------------------
    IControlSite& Site() const; // the headless site when none was given
    void InvalidateControl();   // repaint, background erased
    void SetModifiedFlag(bool modified = true);
    bool AmbientUserMode() const { return Site().AmbientUserMode(); }
    void BoundPropertyChanged(DISPID dispid) { Site().OnPropertyChanged(dispid); }
    // Fires an event synchronously; the control stays alive while the
    // sinks run even when a host releases it from a handler.
    void FireEvent(DISPID id, const std::vector<Variant>& args);
    [[noreturn]] void ThrowError(HRESULT status, const std::string& description = {}, uint32_t helpContext = 0);
    [[noreturn]] void SetNotSupported() { ThrowError(CTL_E_SETNOTSUPPORTED); }
    // The client size with a window, else the extent (pixels).
    SIZE GetAreaSize() const;
    // Asks the container for a new size; the extent follows when granted.
    bool SetControlSize(int32_t cx, int32_t cy);
    void SetInitialSize(int32_t cx, int32_t cy) { m_extent = {cx, cy}; }

    // --- overridables --------------------------------------------------------
    // The framework's part: format version, extent and stock colours.
    virtual void DoPropExchange(CPropExchange* px);
    // A new control: every persisted property at its default.
    virtual void OnResetState();
    virtual void OnDraw(CDC* dc, const RECT& bounds, const RECT& invalid) = 0;
    virtual void OnDrawMetafile(CDC* dc, const RECT& bounds) { OnDraw(dc, bounds, bounds); }
    virtual void OnClick(POINT point) { (void)point; }
    virtual void OnForeColorChanged() { InvalidateControl(); }
    virtual void OnBackColorChanged() { InvalidateControl(); }
    // The status of a refused stored value found while loading.
    void SetLoadStatus(HRESULT status) { m_loadStatus = status; }

    // Stock members (ForeColor, BackColor); derived controls call these
    // for the ids they do not handle.
    Variant InvokeGet(const MemberDesc& member) override;
    void InvokePut(const MemberDesc& member, const Variant& value) override;
    Variant InvokeMethod(const MemberDesc& member, const std::vector<Variant>& args) override;

private:
    void EnsureInitialized();

    std::shared_ptr<IControlSite> m_site;
    CConnectionPoint m_events;
    OLE_COLOR m_foreColor = 0x000000;
    OLE_COLOR m_backColor = 0xFFFFFF;
    SIZE m_extent{100, 50};
    bool m_modified = false;
    bool m_initialized = false;
    HRESULT m_loadStatus = S_OK;
};

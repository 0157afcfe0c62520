// Test host of the barcode control: a site that records what the control
// asks of its container, and an event log. Tests reach the control through
// its dispatch interface.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "control/engine/catalogue.h"
#include "control/interface/barcodectrl.h"

class CTestSite : public IControlSite {
public:
    struct Box {
        std::string text, caption;
        UINT style;
    };

    bool window = false;
    SIZE client{250, 150};
    bool userMode = true;
    std::vector<Box> boxes;
    int invalidations = 0;
    int modifications = 0;
    std::vector<DISPID> boundChanges;
    std::vector<AboutInfo> abouts;
    int propertyFrames = 0;

    bool AmbientUserMode() const override { return userMode; }
    bool HasWindow() const override { return window; }
    SIZE GetClientSize() const override { return client; }
    void InvalidateControl(const RECT*) override { ++invalidations; }
    void OnModified() override { ++modifications; }
    void OnPropertyChanged(DISPID dispid) override { boundChanges.push_back(dispid); }
    int MessageBox(const std::string& text, const std::string& caption, UINT style) override
    {
        boxes.push_back({text, caption, style});
        return IDOK;
    }
    void ShowAboutBox(const AboutInfo& about) override { abouts.push_back(about); }
    void ShowPropertyFrame() override { ++propertyFrames; }
};

// "Name(arg, arg)" for an event, names from the control's event interface.
inline std::string FormatEvent(const InterfaceDesc& events, DISPID id, const std::vector<Variant>& args)
{
    const MemberDesc* m = events.Find(id);
    std::string s = m ? m->name : std::string("?");
    if (!m) s += std::to_string(id);
    s += '(';
    for (size_t i = 0; i < args.size(); ++i) {
        if (i) s += ',';
        s.append(args[i].ToString());
    }
    s += ')';
    return s;
}

struct CHost {
    std::shared_ptr<CTestSite> site = std::make_shared<CTestSite>();
    std::shared_ptr<CBarcodeCtrl> control = std::make_shared<CBarcodeCtrl>();
    std::shared_ptr<IDispatch> disp = control;
    std::vector<std::string> events;

    explicit CHost(bool window = false)
    {
        site->window = window;
        control->SetClientSite(site);
        control->InitNew();
        std::shared_ptr<IEventSource> source = control;
        const InterfaceDesc& info = source->GetEventInfo();
        source->Advise([this, &info](DISPID id, const std::vector<Variant>& args) {
            events.push_back(FormatEvent(info, id, args));
        });
    }

    Variant Get(const char* name) { return disp->GetProperty(name); }
    void Put(const char* name, const Variant& v) { disp->PutProperty(name, v); }
    // The status of the dispatch error a write raises; S_OK when none.
    HRESULT PutStatus(const char* name, const Variant& v)
    {
        try {
            Put(name, v);
            return S_OK;
        } catch (const DispatchError& e) {
            return e.Status();
        }
    }
};

// Tests that need a symbology class run once its family has landed.
#define REQUIRE_CLASS(type)                                                                                    \
    do {                                                                                                       \
        if (!CreateSymbol(type))                                                                               \
            GTEST_SKIP() << "the class of type " << (type) << " is not available yet";                         \
    } while (0)

#include "control_host.h"

#include "platform/gdi/metafile.h"

namespace {

using Log = std::vector<std::string>;

TEST(ControlEvents, AutoTypeDetectsBeforeTheTextChangeIsReported)
{
    REQUIRE_CLASS(4);
    CHost host;
    host.Put("AutoType", Variant(true));
    host.events.clear();
    host.Put("Text", Variant("12"));
    EXPECT_EQ(host.events, (Log{"TypeChange(4)", "TextChange(12)"}));
    EXPECT_EQ(host.Get("Type"), Variant(4));
    EXPECT_EQ(host.Get("TypeName"), Variant("EAN 2"));
}

TEST(ControlEvents, SameTextFiresNothingAndSameTypeFiresAgain)
{
    CHost host;
    host.Put("Text", Variant("4711"));
    host.Put("Text", Variant("4711"));
    EXPECT_EQ(host.events, (Log{"TextChange(4711)"}));
    host.events.clear();
    host.Put("Type", Variant(20));
    host.Put("Type", Variant(20));
    host.Put("TypeName", Variant("msi"));
    EXPECT_EQ(host.events, (Log{"TypeChange(20)", "TypeChange(20)", "TypeChange(20)"}));
    // The text survives every type change.
    EXPECT_EQ(host.Get("Text"), Variant("4711"));
}

TEST(ControlEvents, FlagWritesAlwaysFire)
{
    CHost host;
    host.Put("AutoType", Variant(false));
    host.Put("ShowText", Variant(false));
    host.Put("ShowText", Variant(false));
    host.Put("AutoType", Variant(true));
    ASSERT_GE(host.events.size(), 4u);
    EXPECT_EQ(host.events[0], "AutoTypeChange(False)");
    EXPECT_EQ(host.events[1], "ShowTextChange(False)");
    EXPECT_EQ(host.events[2], "ShowTextChange(False)");
    EXPECT_EQ(host.events[3], "AutoTypeChange(True)"); // before detection runs
}

TEST(ControlEvents, ClickFiresClickInWithThePoint)
{
    CHost host;
    host.control->OnLButtonDown({10, 20});
    EXPECT_EQ(host.events, (Log{"ClickIn(10,20)"}));
}

TEST(ControlEvents, SetDemoTextGoesThroughTheTextWritePath)
{
    CHost host;
    host.Put("Type", Variant(99));
    host.Put("Text", Variant("x"));
    host.events.clear();
    host.disp->Call("SetDemoText");
    EXPECT_EQ(host.Get("Text"), Variant(""));
    EXPECT_EQ(host.Get("IsValid"), Variant(true)); // type 99 accepts the empty text
    EXPECT_EQ(host.events, (Log{"TextChange()"}));
    host.disp->Call("SetDemoText");
    EXPECT_EQ(host.events.size(), 1u); // the same text again: nothing

    host.Put("Type", Variant(9));
    host.disp->Call(dispidSetDemoText);
    EXPECT_EQ(host.Get("Text"), Variant("12345"));
}

TEST(ControlEvents, TheSiteHearsOfRepaintsChangesAndBindings)
{
    CHost host;
    const int invalidations = host.site->invalidations;
    host.Put("Text", Variant("99"));
    EXPECT_GT(host.site->invalidations, invalidations);
    EXPECT_EQ(host.site->boundChanges, (std::vector<DISPID>{DISPID_TEXT}));

    host.site->boundChanges.clear();
    host.Put("Type", Variant(20)); // user mode: no binding notice for Type
    EXPECT_TRUE(host.site->boundChanges.empty());
    host.site->userMode = false;   // design mode
    host.Put("Type", Variant(9));
    EXPECT_EQ(host.site->boundChanges, (std::vector<DISPID>{dispidType}));
}

TEST(ControlEvents, AboutBoxAndPropertyPagesGoThroughTheSite)
{
    CHost host;
    host.disp->Call("AboutBox");
    ASSERT_EQ(host.site->abouts.size(), 1u);
    EXPECT_EQ(host.site->abouts[0].title, "Tessaline");
    EXPECT_EQ(host.site->abouts[0].product, "Tessaline Control v5.13");
    EXPECT_EQ(host.site->abouts[0].links.size(), 2u);
    host.control->DoPropertiesVerb();
    EXPECT_EQ(host.site->propertyFrames, 1);
    EXPECT_EQ(host.control->GetPropertyPages(),
              (std::vector<std::string>{"BARCODE.BarcodePropPage.1", "StockFontPage", "StockColorPage",
                                        "barcode.CBarcodePropPageLayout"}));
}

TEST(ControlEvents, AHostMayReenterTheControlFromAHandler)
{
    CHost host;
    std::shared_ptr<IEventSource> source = host.control;
    // On every text change the host switches to MSI and reads the state back.
    std::vector<std::string> seen;
    const uint32_t cookie = source->Advise([&](DISPID id, const std::vector<Variant>& args) {
        if (id != eventidTextChange)
            return;
        host.Put("Type", Variant(20));
        seen.push_back(host.Get("TypeName").ToString() + ":" + host.Get("Text").ToString() + ":" +
                       args[0].ToString());
    });
    host.Put("Text", Variant("4711"));
    EXPECT_EQ(host.Get("Type"), Variant(20));
    EXPECT_EQ(seen, (Log{"MSI:4711:4711"}));
    EXPECT_EQ(host.events, (Log{"TextChange(4711)", "TypeChange(20)"}));
    source->Unadvise(cookie);

    // A handler that writes the text again re-enters the Text write path.
    host.events.clear();
    source->Advise([&](DISPID id, const std::vector<Variant>& args) {
        if (id == eventidTextChange && args[0].ToString() == "1")
            host.Put("Text", Variant("2"));
    });
    host.Put("Text", Variant("1"));
    EXPECT_EQ(host.Get("Text"), Variant("2"));
    EXPECT_EQ(host.events, (Log{"TextChange(1)", "TextChange(2)"}));
}

TEST(ControlEvents, AHostMayReleaseTheControlFromAHandler)
{
    auto control = std::make_shared<CBarcodeCtrl>();
    control->InitNew();
    std::shared_ptr<IDispatch> disp = control;
    IDispatch* raw = disp.get();
    std::weak_ptr<CBarcodeCtrl> watch = control;
    control->Advise([&](DISPID, const std::vector<Variant>&) {
        // Every reference of the host, dropped inside the event.
        control.reset();
        disp.reset();
    });
    raw->PutProperty("Type", Variant(20)); // the control outlives its own call
    EXPECT_TRUE(watch.expired());
}

TEST(ControlEvents, ErrorsInsideHandlersStayWithTheHandler)
{
    CHost host;
    std::shared_ptr<IEventSource> source = host.control;
    HRESULT seen = S_OK;
    source->Advise([&](DISPID id, const std::vector<Variant>&) {
        if (id == eventidTextChange)
            seen = host.PutStatus("Type", Variant(50));
    });
    host.Put("Text", Variant("77"));
    EXPECT_EQ(seen, CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(host.Get("Text"), Variant("77"));
}

} // namespace

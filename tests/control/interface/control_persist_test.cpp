#include "control_host.h"

namespace {

std::vector<std::string> Names(const CPropertyBag& bag)
{
    std::vector<std::string> names;
    for (const auto& item : bag.Items())
        names.push_back(item.first);
    return names;
}

Variant Value(const CPropertyBag& bag, const char* name)
{
    Variant v;
    EXPECT_TRUE(bag.Read(name, v)) << name;
    return v;
}

TEST(ControlPersistence, SavesTheFrameworkStateThenTenPropertiesInOrder)
{
    CHost host;
    CPropertyBag bag;
    ASSERT_EQ(host.control->Save(bag), S_OK);
    EXPECT_EQ(Names(bag), (std::vector<std::string>{"_Version", "_ExtentX", "_ExtentY", "ForeColor", "BackColor",
                                                    "Type", "TypeName", "Text", "AutoType", "Font", "ShowText",
                                                    "Borderwidth", "Borderheight", "NotchHeightInPercent",
                                                    "Rotate"}));
    struct Case {
        const char* name;
        Variant value;
    };
    const Case cases[] = {
        {"_Version", Variant(0x10000)},
        {"_ExtentX", Variant(6615)}, // 250 pixels in hundredths of a millimetre
        {"_ExtentY", Variant(3969)},
        {"ForeColor", Variant(0)},
        {"BackColor", Variant(0xFFFFFF)},
        {"Type", Variant(1)},
        {"TypeName", Variant("EAN 13")}, // the name the symbol reported
        {"Text", Variant("123456789012")},
        {"AutoType", Variant(false)},
        {"Font", Variant(CBarcodeCtrl::DefaultFont())},
        {"ShowText", Variant(true)},
        {"Borderwidth", Variant(int16_t(3))},
        {"Borderheight", Variant(int16_t(4))},
        {"NotchHeightInPercent", Variant(int16_t(25))},
        {"Rotate", Variant(int16_t(0))},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Value(bag, c.name), c.value) << c.name;
}

TEST(ControlPersistence, RoundTripThroughThePropertyBag)
{
    CHost a;
    FontObject font;
    font.name = "DejaVu Serif";
    font.size = 11;
    font.underline = true;
    a.Put("Type", Variant(20));
    a.Put("Text", Variant("Grüße 4711"));
    a.Put("Font", Variant(font));
    a.Put("ShowText", Variant(false));
    a.Put("Borderwidth", Variant(12));
    a.Put("Borderheight", Variant(0));
    a.Put("NotchHeightInPercent", Variant(60));
    a.Put("Rotate", Variant(270));
    a.Put("ForeColor", Variant(0x0000FF));
    a.Put("BackColor", Variant(0x00FFFF));
    a.control->SetExtent({320, 90});
    ASSERT_TRUE(a.control->IsDirty());
    CPropertyBag bag;
    ASSERT_EQ(a.control->Save(bag, true), S_OK);
    EXPECT_FALSE(a.control->IsDirty());

    CHost b;
    ASSERT_EQ(b.control->Load(bag), S_OK);
    EXPECT_FALSE(b.control->IsDirty());
    for (const char* name : {"Type", "TypeName", "Text", "AutoType", "Font", "ShowText", "Borderwidth",
                             "Borderheight", "NotchHeightInPercent", "Rotate", "ForeColor", "BackColor"})
        EXPECT_EQ(b.Get(name), a.Get(name)) << name;
    EXPECT_EQ(b.control->GetExtent(), (SIZE{320, 90}));
    // The loaded state reached the symbol object.
    ASSERT_NE(b.control->GetSymbol(), nullptr);
    EXPECT_EQ(b.control->GetSymbol()->GetType(), 20);
    EXPECT_EQ(b.control->GetSymbol()->GetText(), "Gr\xFC\xDF" "e 4711");
    EXPECT_EQ(b.control->GetSymbol()->GetRotate(), 270);
    EXPECT_EQ(b.control->GetSymbol()->GetShowText(), FALSE);
    EXPECT_EQ(b.control->GetSymbol()->GetNotchHeightInPercent(), 60);
}

TEST(ControlPersistence, LoadedValuesBypassTheSetters)
{
    CHost host(true); // with a window the setters would refuse these
    CPropertyBag bag;
    bag.Write("Type", Variant(9));
    bag.Write("TypeName", Variant("nothing I know")); // not parsed: the number decides
    bag.Write("Text", Variant("12345"));
    bag.Write("Borderwidth", Variant(int16_t(1000)));
    bag.Write("Borderheight", Variant(int16_t(-4)));
    bag.Write("NotchHeightInPercent", Variant(int16_t(150)));
    bag.Write("AutoType", Variant(true));
    host.events.clear();
    ASSERT_EQ(host.control->Load(bag), S_OK);
    EXPECT_TRUE(host.site->boxes.empty());
    EXPECT_EQ(host.Get("Borderwidth"), Variant(int16_t(1000)));
    EXPECT_EQ(host.Get("Borderheight"), Variant(int16_t(-4)));
    EXPECT_EQ(host.Get("NotchHeightInPercent"), Variant(int16_t(150)));
    EXPECT_EQ(host.Get("Type"), Variant(9));
    EXPECT_EQ(host.Get("TypeName"), Variant("Code 25"));
    EXPECT_EQ(host.Get("AutoType"), Variant(true));
    // Loading ends in the type change, with its event.
    EXPECT_EQ(host.events, (std::vector<std::string>{"TypeChange(9)"}));
    // What was not stored takes its default.
    EXPECT_EQ(host.Get("ShowText"), Variant(true));
    EXPECT_EQ(host.Get("Rotate"), Variant(int16_t(0)));
    EXPECT_EQ(host.Get("Font").ToFont(), CBarcodeCtrl::DefaultFont());
    EXPECT_EQ(host.Get("ForeColor"), Variant(0));
}

TEST(ControlPersistence, StoredValuesThatCannotBeDrawnAreReplaced)
{
    struct Case {
        const char* name;
        Variant stored;
        const char* property;
        Variant loaded;
        HRESULT status;
    };
    const Case cases[] = {
        // Drawing knows only the four right angles.
        {"Rotate", Variant(int16_t(45)), "Rotate", Variant(int16_t(0)), S_OK},
        {"Rotate", Variant(int16_t(-90)), "Rotate", Variant(int16_t(0)), S_OK},
        {"Rotate", Variant(int16_t(180)), "Rotate", Variant(int16_t(180)), S_OK},
        // No symbology: the control starts as EAN 13 and says why.
        {"Type", Variant(50), "Type", Variant(1), CTL_E_INVALIDPROPERTYVALUE},
        {"Type", Variant(-1), "Type", Variant(1), CTL_E_INVALIDPROPERTYVALUE},
        // Unreadable values take their defaults.
        {"Borderwidth", Variant("wide"), "Borderwidth", Variant(int16_t(3)), S_OK},
        {"Type", Variant("x"), "Type", Variant(1), S_OK},
    };
    for (const auto& c : cases) {
        CHost host;
        CPropertyBag bag;
        bag.Write(c.name, c.stored);
        EXPECT_EQ(host.control->Load(bag), c.status) << c.name << " " << c.stored.ToString();
        EXPECT_EQ(host.Get(c.property), c.loaded) << c.name << " " << c.stored.ToString();
        ASSERT_NE(host.control->GetSymbol(), nullptr);
    }
}

TEST(ControlPersistence, ResetRestoresEveryDefault)
{
    CHost host;
    host.Put("Type", Variant(20));
    host.Put("Text", Variant("1"));
    host.Put("Borderwidth", Variant(0));
    host.Put("BackColor", Variant(0x010203));
    host.events.clear();
    ASSERT_EQ(host.control->InitNew(), S_OK);
    EXPECT_EQ(host.Get("Type"), Variant(1));
    EXPECT_EQ(host.Get("Text"), Variant("123456789012"));
    EXPECT_EQ(host.Get("Borderwidth"), Variant(int16_t(3)));
    EXPECT_EQ(host.Get("BackColor"), Variant(0xFFFFFF));
    EXPECT_EQ(host.events, (std::vector<std::string>{"TypeChange(1)"}));
    EXPECT_FALSE(host.control->IsDirty());
}

TEST(ControlPersistence, AControlUsedBeforeInitialisationStartsWithItsDefaults)
{
    auto control = std::make_shared<CBarcodeCtrl>();
    std::shared_ptr<IDispatch> disp = control;
    EXPECT_EQ(control->GetSymbol(), nullptr);
    EXPECT_EQ(disp->GetProperty("Type"), Variant(1));
    EXPECT_EQ(disp->GetProperty("Borderwidth"), Variant(int16_t(3)));
    ASSERT_NE(control->GetSymbol(), nullptr);
}

} // namespace

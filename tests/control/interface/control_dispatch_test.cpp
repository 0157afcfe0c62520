#include "control_host.h"

namespace {

TEST(ControlDispatch, NewControlValuesByNameAndById)
{
    CHost host;
    struct Case {
        const char* name;
        DISPID id;
        Variant expected;
    };
    FontObject font;
    font.name = "Arial";
    font.size = 18;
    font.weight = 700;
    const Case cases[] = {
        {"AutoType", 1, Variant(false)},
        {"Type", 2, Variant(1)},
        {"TypeName", 3, Variant("EAN 13")}, // the display name, not the stored "EAN13"
        {"Font", 6, Variant(font)},
        {"ShowText", 7, Variant(true)},
        {"Borderwidth", 9, Variant(int16_t(3))},
        {"Borderheight", 10, Variant(int16_t(4))},
        {"NotchHeightInPercent", 11, Variant(int16_t(25))},
        {"MaxBorderwidth", 12, Variant(int16_t(130))}, // 250 / 2 + 5
        {"MaxBorderheight", 13, Variant(int16_t(80))}, // 150 / 2 + 5
        {"Rotate", 15, Variant(int16_t(0))},
        {"CountTypesSupported", 16, Variant(32)},
        {"version", 17, Variant("5.13")},
        {"Text", DISPID_TEXT, Variant("123456789012")},
        {"ForeColor", DISPID_FORECOLOR, Variant(0x000000)},
        {"BackColor", DISPID_BACKCOLOR, Variant(0xFFFFFF)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(host.disp->GetIDOfName(c.name), c.id) << c.name;
        EXPECT_EQ(host.disp->GetProperty(c.name), c.expected) << c.name;
        EXPECT_EQ(host.disp->GetProperty(c.id), c.expected) << c.name;
    }
    EXPECT_EQ(host.disp->GetProperty(DISPID_VALUE), Variant("123456789012"));
    EXPECT_EQ(host.Get("IsSizeOk"), Variant(false)); // not painted yet
    EXPECT_EQ(host.control->GetExtent(), (SIZE{250, 150}));
    EXPECT_FALSE(host.control->IsDirty());
}

TEST(ControlDispatch, NewControlIsAValidEan13WithCheckDigit8)
{
    REQUIRE_CLASS(1);
    CHost host;
    EXPECT_EQ(host.Get("IsValid"), Variant(true));
    EXPECT_EQ(host.Get("Checksum"), Variant(8));
}

TEST(ControlDispatch, EveryWritablePropertyReadsBackWhatWasWritten)
{
    FontObject font;
    font.name = "DejaVu Sans";
    font.size = 10.5;
    font.italic = true;
    struct Case {
        const char* name;
        Variant written;
        Variant read;
    };
    const Case cases[] = {
        {"AutoType", Variant(true), Variant(true)},
        {"Type", Variant(20), Variant(20)},
        {"Type", Variant(int16_t(99)), Variant(99)},
        {"TypeName", Variant("msi"), Variant("MSI")},
        {"TypeName", Variant("Code 2 aus 5"), Variant("Code 25")},
        {"Font", Variant(font), Variant(font)},
        {"ShowText", Variant(false), Variant(false)},
        {"ShowText", Variant(7), Variant(true)},
        {"Borderwidth", Variant(10), Variant(int16_t(10))},
        {"Borderheight", Variant("7"), Variant(int16_t(7))},
        {"NotchHeightInPercent", Variant(0), Variant(int16_t(0))},
        {"NotchHeightInPercent", Variant(100), Variant(int16_t(100))},
        {"Rotate", Variant(90), Variant(int16_t(90))},
        {"Rotate", Variant(180), Variant(int16_t(180))},
        {"Rotate", Variant(270), Variant(int16_t(270))},
        {"Text", Variant("12345"), Variant("12345")},
        {"Text", Variant(""), Variant("")},
        {"ForeColor", Variant(0x123456), Variant(0x123456)},
        {"BackColor", Variant(int32_t(0x80000005)), Variant(int32_t(0x80000005))},
    };
    for (const auto& c : cases) {
        CHost host;
        const int modified = host.site->modifications;
        host.Put(c.name, c.written);
        EXPECT_EQ(host.Get(c.name), c.read) << c.name;
        EXPECT_GT(host.site->modifications, modified) << c.name << " did not mark the control modified";
        EXPECT_TRUE(host.control->IsDirty()) << c.name;
    }

    // The font set to nothing is the default font again.
    CHost host;
    host.Put("Font", Variant(font));
    host.Put("Font", Variant());
    EXPECT_EQ(host.Get("Font").ToFont(), CBarcodeCtrl::DefaultFont());
    // Writing Picture is accepted and changes nothing.
    host.Put("Picture", Variant(std::make_shared<const PictureObject>()));
    EXPECT_EQ(host.Get("Picture").ToPicture(), nullptr);
}

TEST(ControlDispatch, ReadOnlyPropertiesRaiseSetNotSupported)
{
    for (const char* name : {"IsValid", "Checksum", "MaxBorderwidth", "MaxBorderheight", "IsSizeOk",
                             "CountTypesSupported", "version"}) {
        CHost host;
        const Variant before = host.Get(name);
        const int modifications = host.site->modifications;
        EXPECT_EQ(host.PutStatus(name, Variant(1)), CTL_E_SETNOTSUPPORTED) << name;
        EXPECT_EQ(host.Get(name), before) << name;
        EXPECT_EQ(host.site->modifications, modifications) << name;
        EXPECT_FALSE(host.control->IsDirty()) << name;
    }
}

TEST(ControlDispatch, InvalidTypesRaiseInvalidPropertyValueAndChangeNothing)
{
    struct Case {
        const char* name;
        Variant value;
    };
    const Case cases[] = {
        {"Type", Variant(33)},        {"Type", Variant(-1)},       {"Type", Variant(34)},
        {"Type", Variant(100)},       {"TypeName", Variant("PDF417")}, {"TypeName", Variant("pdf-417")},
        {"TypeName", Variant("PDF 417")},
    };
    for (const auto& c : cases) {
        CHost host;
        host.Put("Type", Variant(20));
        host.Put("Text", Variant("4711"));
        host.events.clear();
        try {
            host.Put(c.name, c.value);
            ADD_FAILURE() << c.name << " " << c.value.ToString() << ": no error";
        } catch (const DispatchError& e) {
            EXPECT_EQ(e.Status(), int32_t(0x800A017C)) << c.value.ToString();
            EXPECT_EQ(e.Description(), "");
            EXPECT_EQ(e.HelpContext(), 0u);
        }
        EXPECT_EQ(host.Get("Type"), Variant(20)) << c.value.ToString();
        EXPECT_EQ(host.Get("TypeName"), Variant("MSI"));
        EXPECT_EQ(host.Get("Text"), Variant("4711"));
        EXPECT_TRUE(host.events.empty()) << c.value.ToString();
    }
}

TEST(ControlDispatch, TypeNamesAreParsedTolerantlyButWhole)
{
    struct Case {
        const char* written;
        int32_t type; // the type afterwards (the control starts as EAN 13)
        const char* name;
    };
    const Case cases[] = {
        {"ean 13", 1, "EAN 13"}, {"NO", 99, "None"},   {"leer", 99, "None"},
        {"EAN 13 ", 1, "EAN 13"}, {" MSI", 1, "EAN 13"}, {"unknown", 1, "EAN 13"},
        {"postnet", 18, "PostNet"}, {"Code 128", 14, "Code 128"},
    };
    for (const auto& c : cases) {
        CHost host;
        const int invalidations = host.site->invalidations;
        host.Put("TypeName", Variant(c.written));
        EXPECT_EQ(host.Get("Type"), Variant(c.type)) << c.written;
        EXPECT_EQ(host.Get("TypeName"), Variant(c.name)) << c.written;
        // Repainted and marked modified whether or not a name matched.
        EXPECT_GT(host.site->invalidations, invalidations) << c.written;
        EXPECT_TRUE(host.control->IsDirty()) << c.written;
    }
}

TEST(ControlDispatch, RangeChecksWithoutAWindowStoreOrIgnoreSilently)
{
    CHost host(false);
    host.Put("Borderwidth", Variant(1000)); // no window: stored
    host.Put("Borderheight", Variant(-3));
    host.Put("NotchHeightInPercent", Variant(-1));
    host.Put("NotchHeightInPercent", Variant(101));
    host.Put("Rotate", Variant(45));
    EXPECT_EQ(host.Get("Borderwidth"), Variant(int16_t(1000)));
    EXPECT_EQ(host.Get("Borderheight"), Variant(int16_t(-3)));
    EXPECT_EQ(host.Get("NotchHeightInPercent"), Variant(int16_t(25)));
    EXPECT_EQ(host.Get("Rotate"), Variant(int16_t(0)));
    EXPECT_TRUE(host.site->boxes.empty());
}

TEST(ControlDispatch, RangeChecksWithAWindowWarnAndKeepTheValue)
{
    struct Case {
        const char* name;
        int32_t value;
        const char* message; // nullptr: accepted
    };
    const Case cases[] = {
        {"Borderwidth", 1000, "Valid Borderwidth range: 0 - 130"},
        {"Borderwidth", -1, "Valid Borderwidth range: 0 - 130"},
        {"Borderwidth", 130, nullptr},
        {"Borderwidth", 0, nullptr},
        {"Borderheight", 81, "Valid Borderheight range: 0 - 80"},
        {"Borderheight", 80, nullptr},
        {"NotchHeightInPercent", -1, "Valid NotchHeightInPercent: 0 - 100"},
        {"NotchHeightInPercent", 101, "Valid NotchHeightInPercent: 0 - 100"},
        {"NotchHeightInPercent", 0, nullptr},
        {"NotchHeightInPercent", 100, nullptr},
        {"Rotate", 45, ""}, // warned, wording of its own
        {"Rotate", -90, ""},
        {"Rotate", 270, nullptr},
    };
    for (const auto& c : cases) {
        CHost host(true);
        const Variant before = host.Get(c.name);
        CPropertyBag saved;
        host.control->Save(saved, true); // clears the modified flag
        host.Put(c.name, Variant(c.value));
        if (c.message) {
            ASSERT_EQ(host.site->boxes.size(), 1u) << c.name << " " << c.value;
            if (*c.message) {
                EXPECT_EQ(host.site->boxes[0].text, c.message);
            }
            EXPECT_EQ(host.site->boxes[0].caption, "Tessaline");
            EXPECT_EQ(host.site->boxes[0].style & 0xF0, MB_ICONEXCLAMATION);
            EXPECT_EQ(host.Get(c.name), before) << c.name << " " << c.value;
            EXPECT_FALSE(host.control->IsDirty());
        } else {
            EXPECT_TRUE(host.site->boxes.empty()) << c.name << " " << c.value;
            EXPECT_EQ(host.Get(c.name).ToLong(), c.value);
        }
    }
}

TEST(ControlDispatch, BorderLimitsFollowTheWindowOrTheExtent)
{
    CHost host(true);
    host.site->client = {301, 99};
    EXPECT_EQ(host.Get("MaxBorderwidth"), Variant(int16_t(155)));
    EXPECT_EQ(host.Get("MaxBorderheight"), Variant(int16_t(54)));
    host.site->window = false;
    host.control->SetExtent({400, 60});
    EXPECT_EQ(host.Get("MaxBorderwidth"), Variant(int16_t(205)));
    EXPECT_EQ(host.Get("MaxBorderheight"), Variant(int16_t(35)));
}

TEST(ControlDispatch, BadValuesAreDispatchErrors)
{
    CHost host;
    EXPECT_EQ(host.PutStatus("Borderwidth", Variant("wide")), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(host.PutStatus("Rotate", Variant(70000)), DISP_E_OVERFLOW);
    EXPECT_EQ(host.PutStatus("Font", Variant(12)), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(host.PutStatus("Nonsense", Variant(1)), DISP_E_UNKNOWNNAME);
    try {
        host.disp->Call("SaveAsPNGBySize", {Variant("x.png"), Variant(10)});
        ADD_FAILURE();
    } catch (const DispatchError& e) {
        EXPECT_EQ(e.Status(), DISP_E_BADPARAMCOUNT);
    }
    EXPECT_EQ(host.Get("Borderwidth"), Variant(int16_t(3)));
}

TEST(ControlDispatch, TypeLibraryDescribesMembersEventsAndConstants)
{
    const TypeLibDesc& lib = BarcodeTypeLib();
    EXPECT_STREQ(lib.name, "BARCODELib");
    EXPECT_EQ(lib.majorVersion, 1);
    EXPECT_EQ(lib.minorVersion, 0);
    EXPECT_STREQ(lib.dispatch->description, "Dispatch interface for Tessaline");
    EXPECT_STREQ(lib.events->description, "Event interface for Tessaline");
    EXPECT_STREQ(lib.coclass, "Barcode");
    // 25 members with ids 1 to 25, the default value and four stock members.
    EXPECT_EQ(lib.dispatch->members.size(), 30u);
    for (DISPID id = 1; id <= 25; ++id)
        EXPECT_NE(lib.dispatch->Find(id), nullptr) << id;

    CHost host;
    std::vector<DISPID> ids;
    EXPECT_EQ(host.disp->GetIDsOfNames({"SaveAsPNGBySize", "path", "Width", "Height"}, ids), S_OK);
    EXPECT_EQ(ids, (std::vector<DISPID>{23, 0, 1, 2}));
    EXPECT_EQ(host.disp->GetIDsOfNames({"CreatePictureBySize", "Width", "Height"}, ids), S_OK);
    EXPECT_EQ(ids, (std::vector<DISPID>{19, 0, 1}));
    std::shared_ptr<IEventSource> source = host.control;
    const MemberDesc* typeChange = source->GetEventInfo().Find(eventidTypeChange);
    ASSERT_NE(typeChange, nullptr);
    EXPECT_STREQ(typeChange->params[0].name, "BarcodeType");
    const MemberDesc* clickIn = source->GetEventInfo().Find("ClickIn");
    ASSERT_NE(clickIn, nullptr);
    EXPECT_STREQ(clickIn->params[1].name, "y");

    ASSERT_EQ(lib.enums.size(), 1u);
    EXPECT_STREQ(lib.enums[0].name, "TypeConstants");
    EXPECT_EQ(lib.enums[0].constants.size(), 34u);
    for (const auto& c : lib.enums[0].constants) {
        // Every constant names a type of the catalogue.
        ASSERT_NE(FindTypeInfo(c.value), nullptr) << c.name;
    }
    EXPECT_STREQ(lib.enums[0].constants[16].description, "Code 128 A"); // the type browser's text
}

} // namespace

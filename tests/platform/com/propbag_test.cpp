#include <gtest/gtest.h>

#include "platform/com/propbag.h"

namespace {

TEST(PropertyBag, KeepsOrderAndReplacesInPlace)
{
    CPropertyBag bag;
    bag.Write("Type", Variant(1));
    bag.Write("Text", Variant("a"));
    bag.Write("TYPE", Variant(5));
    ASSERT_EQ(bag.Size(), 2u);
    EXPECT_EQ(bag.Items()[0].first, "Type");
    EXPECT_EQ(bag.Items()[0].second, Variant(5));
    Variant v;
    EXPECT_TRUE(bag.Read("text", v));
    EXPECT_EQ(v, Variant("a"));
    EXPECT_FALSE(bag.Read("Font", v));
    EXPECT_TRUE(bag.Remove("Text"));
    EXPECT_EQ(bag.Size(), 1u);
}

// One exchange routine serves saving, loading and resetting.
struct Settings {
    int32_t type = 0;
    int16_t border = 0;
    BOOL flag = FALSE;
    std::string text;
    FontObject font;
    uint32_t color = 0;

    void Exchange(CPropExchange* px)
    {
        PX_Long(px, "Type", type, 1);
        PX_Short(px, "Border", border, 3);
        PX_Bool(px, "Flag", flag, TRUE);
        PX_String(px, "Text", text, "dflt");
        FontObject big;
        big.size = 18;
        PX_Font(px, "Font", font, big);
        PX_Color(px, "Color", color, 0xFFFFFF);
    }
};

TEST(PropExchange, SavesLoadsAndResets)
{
    Settings s;
    s.type = 7;
    s.border = -2;
    s.text = "x";
    s.font.name = "DejaVu Sans";
    s.color = 0x80000005;
    CPropertyBag bag;
    CPropExchange save(CPropExchange::Save, &bag);
    s.Exchange(&save);
    ASSERT_EQ(bag.Size(), 6u);
    EXPECT_EQ(bag.Items()[3].first, "Text");

    Settings loaded;
    CPropExchange load(CPropExchange::Load, &bag);
    loaded.Exchange(&load);
    EXPECT_TRUE(load.AllFound());
    EXPECT_EQ(loaded.type, 7);
    EXPECT_EQ(loaded.border, -2);
    EXPECT_EQ(loaded.flag, FALSE);
    EXPECT_EQ(loaded.text, "x");
    EXPECT_EQ(loaded.font, s.font);
    EXPECT_EQ(loaded.color, 0x80000005u);

    Settings reset;
    CPropExchange px(CPropExchange::Reset, nullptr);
    reset.Exchange(&px);
    EXPECT_EQ(reset.type, 1);
    EXPECT_EQ(reset.border, 3);
    EXPECT_EQ(reset.flag, TRUE);
    EXPECT_EQ(reset.text, "dflt");
    EXPECT_EQ(reset.font.size, 18);
}

TEST(PropExchange, MissingOrUnreadableValuesTakeTheirDefault)
{
    CPropertyBag bag;
    bag.Write("Type", Variant("12"));     // converted
    bag.Write("Border", Variant(100000)); // out of range for a short
    bag.Write("Flag", Variant("maybe"));  // not a boolean
    bag.Write("Font", Variant(3));        // not a font
    Settings s;
    CPropExchange load(CPropExchange::Load, &bag);
    s.Exchange(&load);
    EXPECT_FALSE(load.AllFound());
    EXPECT_EQ(s.type, 12);
    EXPECT_EQ(s.border, 3);
    EXPECT_EQ(s.flag, TRUE);
    EXPECT_EQ(s.text, "dflt");
    EXPECT_EQ(s.font.size, 18);
    EXPECT_EQ(s.color, 0xFFFFFFu);
}

} // namespace

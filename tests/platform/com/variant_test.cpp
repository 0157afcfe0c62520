#include <gtest/gtest.h>

#include "platform/com/variant.h"

namespace {

// Conversions a host relies on when it passes a value of another type.
TEST(Variant, ConvertsLikeThePlatform)
{
    struct Case {
        Variant from;
        ValueType to;
        Variant expected;
    };
    const Case cases[] = {
        {Variant(true), ValueType::Long, Variant(-1)}, // the platform's true
        {Variant(false), ValueType::Short, Variant(int16_t(0))},
        {Variant(int16_t(-5)), ValueType::Long, Variant(-5)},
        {Variant(300), ValueType::Short, Variant(int16_t(300))},
        {Variant(0), ValueType::Bool, Variant(false)},
        {Variant(7), ValueType::Bool, Variant(true)},
        {Variant("TRUE"), ValueType::Bool, Variant(true)},
        {Variant("false"), ValueType::Bool, Variant(false)},
        {Variant(" 42 "), ValueType::Long, Variant(42)},
        {Variant("-90"), ValueType::Short, Variant(int16_t(-90))},
        {Variant("4294967295"), ValueType::Color, Variant(-1)}, // colours may be written unsigned
        {Variant(12), ValueType::String, Variant("12")},
        {Variant(true), ValueType::String, Variant("True")},
        {Variant(), ValueType::String, Variant("")},
        {Variant(), ValueType::Long, Variant(0)},
        {Variant(5), ValueType::Variant, Variant(5)},
    };
    for (const auto& c : cases) {
        const Variant got = c.from.ChangeType(c.to);
        EXPECT_EQ(got, c.expected) << ValueTypeName(c.to) << " from " << int(c.from.Type());
    }
}

TEST(Variant, RefusesWhatCannotBeConverted)
{
    struct Case {
        Variant from;
        ValueType to;
        HRESULT status;
    };
    const Case cases[] = {
        {Variant("12x"), ValueType::Long, DISP_E_TYPEMISMATCH},
        {Variant(""), ValueType::Long, DISP_E_TYPEMISMATCH},
        {Variant("yes"), ValueType::Bool, DISP_E_TYPEMISMATCH},
        {Variant(40000), ValueType::Short, DISP_E_OVERFLOW},
        {Variant("-32769"), ValueType::Short, DISP_E_OVERFLOW},
        {Variant("99999999999"), ValueType::Long, DISP_E_OVERFLOW},
        {Variant(FontObject{}), ValueType::Long, DISP_E_TYPEMISMATCH},
        {Variant(std::vector<uint8_t>{1}), ValueType::String, DISP_E_TYPEMISMATCH},
        {Variant(3), ValueType::Font, DISP_E_TYPEMISMATCH},
        {Variant("x"), ValueType::Picture, DISP_E_TYPEMISMATCH},
    };
    for (const auto& c : cases) {
        try {
            c.from.ChangeType(c.to);
            ADD_FAILURE() << "converted to " << ValueTypeName(c.to);
        } catch (const DispatchError& e) {
            EXPECT_EQ(e.Status(), c.status) << ValueTypeName(c.to);
        }
    }
}

TEST(Variant, ReportsThePlatformTypeNumbers)
{
    EXPECT_EQ(Variant().Vt(), VT_EMPTY);
    EXPECT_EQ(Variant(true).Vt(), VT_BOOL);
    EXPECT_EQ(Variant(int16_t(1)).Vt(), VT_I2);
    EXPECT_EQ(Variant(1).Vt(), VT_I4);
    EXPECT_EQ(Variant("s").Vt(), VT_BSTR);
    EXPECT_EQ(Variant(FontObject{}).Vt(), VT_DISPATCH);
    EXPECT_EQ(Variant(std::vector<uint8_t>{}).Vt(), 0x2011);
}

TEST(Variant, FontsMatchTheLogicalFont)
{
    FontObject f;
    f.name = "Arial";
    f.size = 18;
    f.weight = FW_BOLD;
    const LOGFONT lf = ToLogFont(f, 96);
    EXPECT_EQ(lf.lfHeight, -24); // 18 points on a 96 dpi surface
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_EQ(lf.lfFaceName, "Arial");
    EXPECT_EQ(FromLogFont(lf, 96), f);
}

TEST(Guid, TextFormRoundTrips)
{
    const GUID g = {0xCE9D1D38, 0x0357, 0x4FFF, {0x9B, 0xCD, 0x6C, 0x61, 0xC0, 0xE5, 0x5E, 0x56}};
    EXPECT_EQ(StringFromGUID(g), "{CE9D1D38-0357-4FFF-9BCD-6C61C0E55E56}");
    EXPECT_EQ(GUIDFromString("{ce9d1d38-0357-4fff-9bcd-6c61c0e55e56}"), g);
    EXPECT_EQ(GUIDFromString("CE9D1D38-0357-4FFF-9BCD-6C61C0E55E56"), g);
    for (const char* bad : {"", "{CE9D1D38-0357-4FFF-9BCD-6C61C0E55E5}", "{CE9D1D38+0357-4FFF-9BCD-6C61C0E55E56}",
                            "{CE9D1D38-0357-4FFF-9BCD-6C61C0E55EXY}"})
        EXPECT_FALSE(GUIDFromString(bad).has_value()) << bad;
}

} // namespace

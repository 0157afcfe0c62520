// Code 128: symbol character values of the automatic builder, validation of
// the fixed-set types, geometry on the metafile surface and scan-back with
// zxing-cpp and zbar.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control/symbologies/engine.h"
#include "control/symbologies/symbologies.h"

namespace {

std::vector<int> Values(const std::string& text, bool fnc1 = false, bool markers = false)
{
    const std::string v = BuildCode128(text, fnc1 ? TRUE : FALSE, markers ? TRUE : FALSE);
    return std::vector<int>(v.begin(), v.end());
}

struct ValuesCase {
    std::string text;
    std::vector<int> values; // start .. check, stop; check digits worked by hand
};

TEST(Code128Builder, ValuesOfKnownTexts)
{
    const ValuesCase cases[] = {
        {"Code 128", {104, 35, 79, 68, 69, 0, 17, 18, 24, 64, 106}},
        {"1234567890", {105, 12, 34, 56, 78, 90, 85, 106}},
        {"12345", {105, 12, 34, 101, 21, 57, 106}},
        {"ABC", {103, 33, 34, 35, 0, 106}},
        {"AB1234", {103, 33, 34, 99, 12, 34, 101, 106}},
        {"AB12345", {103, 33, 34, 17, 99, 23, 45, 6, 106}},
        {"AB123", {103, 33, 34, 17, 18, 19, 10, 106}},
        // Three leading digits do not start in set C.
        {"123A", {103, 17, 18, 19, 33, 36, 106}},
        {"123a", {104, 17, 18, 19, 65, 62, 106}},
        // Exactly two leading digits do.
        {"12AB", {105, 12, 101, 33, 34, 39, 106}},
        // A control character anywhere ahead picks set A over B.
        {"A\tb", {103, 33, 73, 100, 66, 22, 106}},
        {"a\tb", {104, 65, 101, 73, 100, 66, 84, 106}},
    };
    for (const auto& c : cases) EXPECT_EQ(Values(c.text), c.values) << c.text;
}

TEST(Code128Builder, DigitRunsInsideText)
{
    const ValuesCase cases[] = {
        {"ab12cd", {104, 65, 66, 17, 18, 67, 68, 34, 106}},
        {"ab123cd", {104, 65, 66, 17, 18, 19, 67, 68, 58, 106}},
        {"ab1234cd", {104, 65, 66, 99, 12, 34, 100, 67, 68, 60, 106}},
        {"ab12345cd", {104, 65, 66, 17, 99, 23, 45, 100, 67, 68, 97, 106}},
        {"ab123456cd", {104, 65, 66, 99, 12, 34, 56, 100, 67, 68, 13, 106}},
        // Leaving set C for a text with a control character ahead takes set A.
        {"1234A\x01", {105, 12, 34, 101, 33, 65, 18, 106}},
    };
    for (const auto& c : cases) EXPECT_EQ(Values(c.text), c.values) << c.text;
}

TEST(Code128Builder, ModuleCount)
{
    EXPECT_EQ(CountCode128Modules("Code 128", FALSE), 123);
    EXPECT_EQ(CountCode128Modules("1234567890", FALSE), 90);
    EXPECT_EQ(CountCode128Modules("1234567890", TRUE), 101);
}

// Characters that set A lacks switch to set B; extended characters are
// FNC4 followed by the character 128 below, in a set that carries it; only
// FNC1, FNC2 and FNC3 keep their function bytes.
TEST(Code128Builder, CharactersOutsideTheCurrentSet)
{
    const ValuesCase cases[] = {
        {"\x01{", {103, 65, 100, 91, 23, 106}},
        {"\x01`|}~\x7f", {103, 65, 100, 64, 92, 93, 94, 95, 47, 106}},
        {"{", {104, 91, 92, 106}},
        {"\xE9", {104, 100, 73, 41, 106}},                // e acute: FNC4 'i' in set B
        {"\x01\xE9", {103, 65, 100, 100, 73, 33, 106}},    // leaves set A for it
        {"\xC4", {103, 101, 36, 70, 106}},                // A umlaut: FNC4 'D' in set A
        {"a\xC4", {104, 65, 100, 36, 65, 106}},           // ... or in set B
        {"\x80", {103, 101, 64, 23, 106}},                // FNC4 NUL in set A
        {"a\x85", {104, 65, 101, 101, 69, 23, 106}},      // leaves set B for it
        {"\xFE\xFD", {104, 100, 94, 100, 93, 34, 106}},   // thorn, y acute: not start/stop
        {"12\xE9", {105, 12, 100, 100, 73, 85, 106}},     // leaves set C for set B
        {"A\xF2" "B", {103, 33, 102, 34, 30, 106}},       // FNC1
        {"a\xF1", {104, 65, 101, 97, 44, 106}},           // FNC2, written in set A
        {"\xF0", {103, 96, 96, 106}},                     // FNC3
    };
    for (const auto& c : cases) EXPECT_EQ(Values(c.text), c.values) << c.text;
}

TEST(Code128Builder, LeadingFnc1AndMarkers)
{
    const ValuesCase cases[] = {
        {"EAN/UCC 128", {103, 102, 37, 33, 46, 15, 53, 35, 35, 0, 17, 18, 24, 76, 106}},
        {"0101234567890128151231", {105, 102, 1, 1, 23, 45, 67, 89, 1, 28, 15, 12, 31, 99, 106}},
        {"12345678901231", {105, 102, 12, 34, 56, 78, 90, 12, 31, 68, 106}},
        {"00100653005555555558", {105, 102, 0, 10, 6, 53, 0, 55, 55, 55, 55, 58, 47, 106}},
    };
    for (const auto& c : cases) EXPECT_EQ(Values(c.text, true), c.values) << c.text;

    const ValuesCase markers[] = {
        {"10ABC<FNC1>21123", {105, 102, 10, 101, 33, 34, 35, 102, 18, 99, 11, 23, 64, 106}},
        {"12<FNC1><FNC1>34", {105, 102, 12, 102, 102, 34, 85, 106}},
        {"ABC<FNC1>", {103, 102, 33, 34, 35, 102, 96, 106}},
        {"<FNC1>ab", {104, 102, 102, 65, 66, 45, 106}},
    };
    for (const auto& c : markers) EXPECT_EQ(Values(c.text, true, true), c.values) << c.text;
    // Without markers the same characters are data.
    EXPECT_EQ(Values("A<FNC1>", true).size(), 11u);
}

TEST(Code128Checksum, StartStatesAndStep)
{
    EXPECT_EQ(Code128AChecksumStart(5), 0);
    EXPECT_EQ(Code128BChecksumStart(5), 1);
    // "Code 128B" in set B: 104 + sum of value x position, mod 103 = 61.
    const int values[] = {35, 79, 68, 69, 0, 17, 18, 24, 34};
    ChecksumState s = Code128BChecksumStart(9);
    for (int i = 0; i < 9; ++i) s = Code128ChecksumStep(s, values[i], i + 1);
    EXPECT_EQ(s, 61);
}

// --- the fixed-set and automatic types -------------------------------------------

struct ValidityCase {
    std::string text;
    bool valid;
};

TEST(Code128Types, Code128AValidity)
{
    auto symbol = CreateCode128ABarcode();
    const ValidityCase cases[] = {
        {"", false},         {"ABC 123_", true},     {"\x01\x1f", true},     {"abc", false},
        {"A`", false},       {"A\x7f", false},       {"\xF2" "01", true},    {"A\xEC\xED\xEF\xF0\xF1\xF3\xF4\xF6\xFD\xFE", true},
        {"A\xEE", false},    {"A\xF5", false},       {"A\xE9", false},       {std::string("A\0", 2), false},
    };
    for (const auto& c : cases) {
        symbol->SetText(c.text);
        EXPECT_EQ(symbol->IsValid() != FALSE, c.valid) << c.text;
    }
}

TEST(Code128Types, Code128BValidity)
{
    auto symbol = CreateCode128BBarcode();
    const ValidityCase cases[] = {
        {"", false},       {"Code 128B `{|}~\x7f", true}, {"A\tB", false},  {"\x01", false},
        {"\xF2" "ab", true}, {"a\xEC\xEE\xEF\xF0\xF1\xF3\xF5\xF6\xFD\xFE", true},
        {"a\xED", false},  {"a\xF4", false},            {"\xE9", false},
    };
    for (const auto& c : cases) {
        symbol->SetText(c.text);
        EXPECT_EQ(symbol->IsValid() != FALSE, c.valid) << c.text;
    }
}

TEST(Code128Types, Code128CAndAutomaticValidity)
{
    auto c = CreateCode128CBarcode();
    auto a = CreateCode128Barcode();
    for (const char* t : {"", "1", "12", "12a", " 12"}) {
        c->SetText(t);
        a->SetText(t);
        EXPECT_EQ(c->IsValid() != FALSE, std::string(t).size() > 0 && AllDigits(t)) << t;
        EXPECT_EQ(a->IsValid() != FALSE, std::string(t).size() > 0) << t;
    }
}

TEST(Code128Types, Constants)
{
    struct Case {
        SymbolPtr symbol;
        int32_t type;
        const char* name;
        const char* demo;
    };
    Case cases[] = {
        {CreateCode128ABarcode(), 11, "Code 128A", "1234567890"},
        {CreateCode128BBarcode(), 12, "Code 128B", "Code 128B"},
        {CreateCode128CBarcode(), 13, "Code 128C", "1234567890"},
        {CreateCode128Barcode(), 14, "Code 128", "Code 128"},
    };
    for (auto& c : cases) {
        ASSERT_TRUE(c.symbol);
        EXPECT_EQ(c.symbol->GetType(), c.type);
        EXPECT_EQ(c.symbol->GetTypeName(), c.name);
        EXPECT_EQ(c.symbol->GetDemoText(), c.demo);
        c.symbol->SetText(c.symbol->GetDemoText());
        EXPECT_TRUE(c.symbol->IsValid());
        EXPECT_EQ(c.symbol->GetChecksum(), -1);
        EXPECT_EQ(c.symbol->GetDisplayText(), c.demo);
    }
}

} // namespace

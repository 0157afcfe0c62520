// Code 128: symbol character values of the automatic builder, validation of
// the fixed-set types, geometry on the metafile surface and scan-back with
// zxing-cpp and zbar.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "control/symbologies/engine.h"
#include "control/symbologies/symbologies.h"
#include "tests/control/symbologies/code128_support.h"

namespace {

using namespace code128_test;

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
        {"010123456789012815051231", {105, 102, 1, 1, 23, 45, 67, 89, 1, 28, 15, 5, 12, 31, 94, 106}},
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

// --- bars on the metafile ------------------------------------------------------------

struct DrawnCase {
    SymbolPtr (*create)();
    std::string text;
    std::vector<int> values;
};

// Modules of a fixed-set symbol with k data characters: start, data, check
// and the stop with its trailing module.
int FixedSetModules(size_t k) { return int(11 * (k + 2) + 14); }

TEST(Code128Drawing, ValuesOfTheBarsAtEveryRotation)
{
    const DrawnCase cases[] = {
        {CreateCode128Barcode, "Code 128", {104, 35, 79, 68, 69, 0, 17, 18, 24, 64, 106}},
        {CreateCode128Barcode, "AB12345", {103, 33, 34, 17, 99, 23, 45, 6, 106}},
        {CreateCode128CBarcode, "1234567890", {105, 12, 34, 56, 78, 90, 85, 106}},
        {CreateCode128CBarcode, "12345", {105, 1, 23, 45, 81, 106}},
        {CreateCode128BBarcode, "Code 128B", {104, 35, 79, 68, 69, 0, 17, 18, 24, 34, 61, 106}},
        {CreateCode128ABarcode, "AB\x01_", {103, 33, 34, 65, 63, 33, 106}},
    };
    for (const auto& c : cases) {
        auto symbol = c.create();
        symbol->SetText(c.text);
        const int type = symbol->GetType();
        const int modules = type == 11 || type == 12 ? FixedSetModules(c.values.size() - 3)
                                                     : int(11 * c.values.size() + 2);
        for (int rotate : {0, 90, 180, 270})
            for (int m : {1, 3}) {
                int drawn = 0;
                EXPECT_EQ(PaintedValues(*symbol, modules, m, rotate, &drawn), c.values)
                    << c.text << " rotation " << rotate << " module " << m;
                EXPECT_EQ(drawn, m);
            }
    }
}

TEST(Code128Drawing, ModuleCountFitsExactly)
{
    const std::pair<SymbolPtr (*)(), std::string> cases[] = {
        {CreateCode128Barcode, "Code 128"}, {CreateCode128Barcode, "x\xE9 12345678"}, {CreateCode128CBarcode, "123"}};
    for (const auto& [create, text] : cases) {
        auto symbol = create();
        symbol->SetText(text);
        std::string prepared = text;
        if (symbol->GetType() == 13 && prepared.size() % 2) prepared.insert(0, "0");
        const int modules = CountCode128Modules(prepared, FALSE);
        CMetaFileDC dc;
        symbol->SetShowText(FALSE);
        symbol->SetTextHeight(0);
        symbol->Paint(&dc, RECT{0, 0, 2 * modules, 50});
        EXPECT_TRUE(symbol->IsSizeOk()) << text;
        // The last bar ends the module count; the stop leaves one module of
        // space after it.
        EXPECT_EQ(symbol->GetSymbolWidth(), 2 * (modules + 1)) << text;
        EXPECT_EQ(BarsAlongAxis(dc, RECT{0, 0, 2 * modules, 50}, 0).back().end, 2 * modules) << text;
        symbol->Paint(&dc, RECT{0, 0, modules - 1, 50});
        EXPECT_FALSE(symbol->IsSizeOk()) << text;
    }
}

// Code 128A and 128B draw their function bytes as the function characters.
TEST(Code128Drawing, FunctionBytesOfTheFixedSets)
{
    const DrawnCase cases[] = {
        {CreateCode128ABarcode, "AB\xF2" "C", {103, 33, 34, 102, 35, 32, 106}},
        {CreateCode128ABarcode, "\xF2" "01\xF1\xF0", {103, 102, 16, 17, 97, 96, 23, 106}},
        {CreateCode128ABarcode, "A\xF4" "B\xF3" "12", {103, 33, 100, 34, 99, 17, 18, 100, 106}},
        {CreateCode128ABarcode, "A\xEF\xF6", {103, 33, 101, 98, 14, 106}},
        {CreateCode128ABarcode, "A\xFE\xEC\xED", {103, 33, 103, 105, 104, 43, 106}},
        {CreateCode128BBarcode, "a\xF5" "B\xF2", {104, 65, 101, 34, 102, 57, 106}},
        {CreateCode128BBarcode, "a\xEF" "b\xEE\xFE", {104, 65, 100, 66, 103, 104, 57, 106}},
    };
    for (const auto& c : cases) {
        auto symbol = c.create();
        symbol->SetText(c.text);
        ASSERT_TRUE(symbol->IsValid()) << c.text;
        EXPECT_EQ(PaintedValues(*symbol, FixedSetModules(c.text.size()), 2), c.values) << c.text;
    }
}

TEST(Code128Drawing, HumanReadableText)
{
    struct Case {
        SymbolPtr (*create)();
        std::string text, shown;
    } const shown[] = {
        {CreateCode128Barcode, "Code 128", "Code 128"},
        {CreateCode128Barcode, "x\xE9", "x\xE9"},
        {CreateCode128ABarcode, "AB\xF2" "C", "AB\xF2" "C"},
        {CreateCode128BBarcode, "Code 128B", "Code 128B"},
        {CreateCode128CBarcode, "12345", "012345"},
        {CreateCode128CBarcode, "1234", "1234"},
    };
    for (const auto& c : shown) {
        auto symbol = c.create();
        symbol->SetText(c.text);
        symbol->SetShowText(TRUE);
        symbol->SetTextHeight(20);
        CMetaFileDC dc;
        symbol->Paint(&dc, RECT{0, 0, 600, 100});
        ASSERT_TRUE(symbol->IsSizeOk()) << c.text;
        EXPECT_EQ(WrittenText(dc), c.shown) << c.text;
    }
}

// --- scan-back -------------------------------------------------------------------------

TEST(Code128Scan, DecodersReadTheText)
{
    const std::pair<SymbolPtr (*)(), std::string> cases[] = {
        {CreateCode128Barcode, "Code 128"},
        {CreateCode128Barcode, "Hello, World! 2024-06-01 #42"},
        {CreateCode128Barcode, "ab12cd123ef1234gh12345ij123456"},
        {CreateCode128Barcode, "123456789"},
        {CreateCode128Barcode, "AB12345"},
        {CreateCode128Barcode, "x{|}~`y"},
        {CreateCode128Barcode, "TAB\there"},
        {CreateCode128Barcode, "$%&'()*+,-./:;<=>?@[\\]^_"},
        {CreateCode128CBarcode, "1234567890"},
        {CreateCode128CBarcode, "98765"},
        {CreateCode128ABarcode, "CODE 128A_01"},
        {CreateCode128BBarcode, "Code 128b {x}"},
    };
    for (const auto& [create, text] : cases) {
        auto symbol = create();
        symbol->SetText(text);
        std::string prepared = text;
        if (symbol->GetType() == 13 && prepared.size() % 2) prepared.insert(0, "0");
        const int type = symbol->GetType();
        const int modules = type == 11 || type == 12 ? FixedSetModules(text.size())
                                                     : CountCode128Modules(prepared, FALSE);
        for (int m : {1, 2, 3}) {
            for (int rotate : {0, 90, 180, 270}) {
                const GrayImage image = RenderAt(*symbol, modules, m, rotate);
                ASSERT_TRUE(symbol->IsSizeOk());
                const ScanResult zx = ScanZxing(image, "Code128");
                const ScanResult zb = ScanZbar(image);
                EXPECT_EQ(zx.text, prepared) << text << " module " << m << " rotation " << rotate;
                // zbar misses some symbols of one-pixel modules (the pixels
                // are exact), but must never misread one.
                if (m > 1 || !zb.text.empty()) {
                    EXPECT_EQ(zb.text, prepared) << text << " module " << m << " rotation " << rotate;
                    EXPECT_EQ(zb.format, "CODE-128");
                }
            }
        }
    }
}

// Characters 128 to 255 travel as FNC4 and the character 128 below, read
// as ISO 8859-1 (Code 128's own character set; zxing-cpp would otherwise
// guess one); zbar drops FNC4, so only zxing-cpp reads them back.
TEST(Code128Scan, LatinLettersThroughFnc4)
{
    for (const std::string text : {"Gr\xFC\xDF" "e aus K\xF6ln", "\xC9t\xE9 \xE0 l'h\xF4tel", "\xA9 2024 \xBD\xBC",
                                   "\x01\xE9", "12\xFF\xFE\xFD"}) {
        auto symbol = CreateCode128Barcode();
        symbol->SetText(text);
        const int modules = CountCode128Modules(text, FALSE);
        for (int m : {1, 2, 3})
            for (int rotate : {0, 90, 180, 270})
                EXPECT_EQ(ScanZxing(RenderAt(*symbol, modules, m, rotate), "Code128", false, "ISO-8859-1").text,
                          Utf8(text))
                    << text << " module " << m << " rotation " << rotate;
    }
}

// Texts drawn at random from every kind of character the automatic builder
// meets: digit runs of every length, both letter cases, control
// characters, the characters only set B holds, and Latin-1 letters.
TEST(Code128Scan, RandomTexts)
{
    std::mt19937 random(128);
    const std::string pieces[] = {"0123456789", "ABCXYZ _-/.", "abcxyz", "\x01\t\x1b\x1f", "`{|}~\x7f", "\xC4\xE9\xFF\xA3\xD7"};
    for (int n = 0; n < 120; ++n) {
        std::string text;
        const int length = 1 + int(random() % 16);
        while (int(text.size()) < length) {
            const std::string& piece = pieces[random() % 6];
            const int run = piece[0] == '0' ? 1 + int(random() % 7) : 1 + int(random() % 3);
            for (int k = 0; k < run; ++k) text += piece[random() % piece.size()];
        }
        auto symbol = CreateCode128Barcode();
        symbol->SetText(text);
        const int modules = CountCode128Modules(text, FALSE);
        const int rotate = 90 * int(random() % 4);
        const GrayImage image = RenderAt(*symbol, modules, 2, rotate);
        EXPECT_EQ(ScanZxing(image, "Code128", false, "ISO-8859-1").text, Utf8(text)) << n << " rotation " << rotate;
        bool latin = false;
        for (unsigned char c : text) latin = latin || c >= 0x80;
        if (!latin) {
            EXPECT_EQ(ScanZbar(image).text, text) << n << " rotation " << rotate;
        }
    }
}

} // namespace

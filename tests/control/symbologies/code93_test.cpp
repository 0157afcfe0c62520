#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "control/symbologies/engine.h"
#include "control/symbologies/symbologies.h"
#include "platform/gdi/metafile.h"
#include "tests/support/scan.h"

namespace {

// Shift characters as they stand in expansion strings.
const std::string kDollar = "\xFA", kPercent = "\xFB", kSlash = "\xFC", kPlus = "\xFD";

int ValueOf(int key) { return FindPatternIndex(kCode93Patterns, key); }

const char* ExpansionOf(unsigned char c) { return FindExpansionOf(kCode93Expansions, c); }

// The data symbol characters of a text, as the engine's loop picks them.
std::vector<int> SymbolValues(const std::string& text, bool extended)
{
    std::vector<int> values;
    for (char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        const char* expansion = extended ? ExpansionOf(c) : nullptr;
        const std::string drawn = expansion ? std::string(expansion) : std::string(1, ch);
        for (char d : drawn)
            if (const int v = ValueOf(static_cast<unsigned char>(d)); v >= 0) values.push_back(v);
    }
    return values;
}

// C and K through the packed state, the way the generic loop reads them.
std::pair<int, int> PackedCheck(const std::vector<int>& values)
{
    const int32_t n = int32_t(values.size());
    ChecksumState state = Code93ChecksumStart(n);
    for (int32_t i = 0; i < n; ++i) state = Code93ChecksumStep(state, values[size_t(i)], i + 1);
    const int c = int(state & 0xFF);
    state = Code93ChecksumStep(state, c, n + 1);
    return {c, int((state >> 8) & 0xFF)};
}

// The published definition: C weights 1..20 and K weights 1..15, counted
// from the right, K including C.
std::pair<int, int> DirectCheck(const std::vector<int>& values)
{
    const size_t n = values.size();
    long c = 0, k = 0;
    for (size_t i = 0; i < n; ++i) {
        const size_t fromRight = n - i; // 1 for the last data character
        c += values[i] * long((fromRight - 1) % 20 + 1);
        k += values[i] * long(fromRight % 15 + 1);
    }
    c %= 47;
    k = (k + c) % 47;
    return {int(c), int(k)};
}

TEST(Code93, ValuesAndCheckCharacters)
{
    struct Case {
        const char* text;
        bool extended;
        std::vector<int> values;
        int c, k;
    };
    const Case cases[] = {
        {"TEST93", false, {29, 14, 28, 29, 9, 3}, 41, 6},
        {"CODE93", false, {12, 24, 13, 14, 9, 3}, 25, 31},
        {"Code 39 Ext", true, {12, 46, 24, 46, 13, 46, 14, 38, 3, 9, 38, 14, 46, 33, 46, 29}, 36, 35},
        // Worked by hand: C = 1 x 1 + 10 x 2 = 21; K = 1 x 2 + 10 x 3 + 21 = 53 -> 6.
        {"A1", false, {10, 1}, 21, 6},
        // '$', '/', '+', '%' stand for themselves in Code 93 (39 to 42):
        // C = 42 + 41 x 2 + 40 x 3 + 39 x 4 = 400 -> 24; K = 42 x 2 + 41 x 3
        // + 40 x 4 + 39 x 5 + 24 = 586 -> 22.
        {"$/+%", false, {39, 40, 41, 42}, 24, 22},
        // ... and take two characters in Code 93 Extended: (/)D (/)K.
        // C = 20 + 45 x 2 + 13 x 3 + 45 x 4 = 329 = 7 x 47 -> 0;
        // K = 20 x 2 + 45 x 3 + 13 x 4 + 45 x 5 + 0 = 452 -> 29.
        {"$+", true, {45, 13, 45, 20}, 0, 29},
    };
    for (const auto& c : cases) {
        const auto values = SymbolValues(c.text, c.extended);
        EXPECT_EQ(values, c.values) << c.text;
        EXPECT_EQ(PackedCheck(values), std::make_pair(c.c, c.k)) << c.text;
    }
}

TEST(Code93, CheckCharactersStayRightBeyond256Characters)
{
    // 300 lowercase letters give 600 symbol characters; a count kept in 8
    // bits would shift every weight.
    std::string text;
    for (int i = 0; i < 300; ++i) text += char('a' + (i * 7) % 26);
    for (size_t n : {1u, 19u, 20u, 21u, 255u, 256u, 257u, 511u, 512u, 600u}) {
        const auto all = SymbolValues(text, true);
        const std::vector<int> values(all.begin(), all.begin() + long(n));
        EXPECT_EQ(PackedCheck(values), DirectCheck(values)) << n << " characters";
    }
}

TEST(Code93, ExtendedExpansionOfEachClass)
{
    const std::pair<std::string, std::string> cases[] = {
        {std::string(1, '\0'), kPercent + "U"},
        {"\x01", kDollar + "A"},
        {"\x1A", kDollar + "Z"},
        {"\x1B", kPercent + "A"},
        {"\x1F", kPercent + "E"},
        {"!", kSlash + "A"},
        {"$", kSlash + "D"},
        {"%", kSlash + "E"},
        {"+", kSlash + "K"},
        {",", kSlash + "L"},
        {"/", kSlash + "O"},
        {":", kSlash + "Z"},
        {";", kPercent + "F"},
        {"?", kPercent + "J"},
        {"@", kPercent + "V"},
        {"[", kPercent + "K"},
        {"_", kPercent + "O"},
        {"`", kPercent + "W"},
        {"a", kPlus + "A"},
        {"z", kPlus + "Z"},
        {"{", kPercent + "P"},
        {"~", kPercent + "S"},
        {"\x7F", kPercent + "T"},
    };
    for (const auto& [in, out] : cases) {
        const char* e = ExpansionOf(static_cast<unsigned char>(in[0]));
        ASSERT_NE(e, nullptr) << int(static_cast<unsigned char>(in[0]));
        EXPECT_EQ(std::string(e), out) << int(static_cast<unsigned char>(in[0]));
    }
    // Drawn as themselves.
    for (char c : std::string(" -.09AZ")) EXPECT_EQ(ExpansionOf(static_cast<unsigned char>(c)), nullptr) << c;
    // Every ASCII character has a way into the bars.
    for (int c = 0; c < 128; ++c) EXPECT_FALSE(SymbolValues(std::string(1, char(c)), true).empty()) << c;
}

struct AcceptanceCase {
    SymbolPtr (*factory)();
    std::string text;
    BOOL valid;
};

TEST(Code93, Acceptance)
{
    const AcceptanceCase cases[] = {
        {CreateCode93Barcode, "CODE93", TRUE},
        {CreateCode93Barcode, "0123456789 ABCXYZ-.$/+%", TRUE},
        {CreateCode93Barcode, std::string(50, 'A'), TRUE},
        {CreateCode93Barcode, std::string(51, 'A'), FALSE},
        {CreateCode93Barcode, "", FALSE},
        {CreateCode93Barcode, "Code93", FALSE},
        {CreateCode93Barcode, "A*B", FALSE}, // a scanner would stop at '*'
        {CreateCode93Barcode, "A!B", FALSE},
        {CreateCode93Barcode, "\xFA", FALSE},
        {CreateCode93ExtendedBarcode, "Code 39 Ext", TRUE},
        {CreateCode93ExtendedBarcode, std::string(300, 'x'), TRUE},
        {CreateCode93ExtendedBarcode, "*", TRUE},
        {CreateCode93ExtendedBarcode, "", FALSE},
        // Full ASCII ends at 127: a byte above it would be printed but not encoded.
        {CreateCode93ExtendedBarcode, "A\xE9" "B", FALSE},
        // The shift characters' own keys are no text characters.
        {CreateCode93ExtendedBarcode, "a\xFB" "b", FALSE},
    };
    for (const auto& c : cases) {
        auto s = c.factory();
        s->SetText(c.text);
        EXPECT_EQ(s->IsValid(), c.valid) << s->GetTypeName() << " '" << c.text << "'";
        EXPECT_EQ(s->GetChecksum(), -1);
    }
}

TEST(Code93, Names)
{
    auto plain = CreateCode93Barcode();
    auto extended = CreateCode93ExtendedBarcode();
    EXPECT_EQ(plain->GetType(), 21);
    EXPECT_EQ(plain->GetTypeName(), "Code 93");
    EXPECT_EQ(plain->GetDemoText(), "CODE93");
    EXPECT_EQ(extended->GetType(), 22);
    EXPECT_EQ(extended->GetTypeName(), "Code 93 Extended");
    EXPECT_EQ(extended->GetDemoText(), "Code 39 Ext");
    for (auto* s : {plain.get(), extended.get()}) {
        s->SetText(s->GetDemoText());
        EXPECT_TRUE(s->IsValid());
    }
}

// --- drawn symbols ------------------------------------------------------------

// Paints without text band into an axis of `length` units; true when it fitted.
bool PaintBare(CGenericBarcode& symbol, CMetaFileDC& dc, int length)
{
    symbol.SetShowText(FALSE);
    symbol.SetTextHeight(0);
    symbol.SetRotate(0);
    symbol.Paint(&dc, RECT{0, 0, length, 40});
    return symbol.IsSizeOk();
}

// The bars recorded at module width 1, as a string of '1' (bar) and '0'
// (space) modules, up to the symbol width.
std::string Modules(const CMetaFileDC& dc, int32_t width)
{
    std::string m(size_t(width), '0');
    for (const auto& r : dc.Records())
        if (r.kind == MetaRecord::Rectangle)
            for (int x = r.rect.left; x < r.rect.right && x < width; ++x) m[size_t(x)] = '1';
    return m;
}

// Element widths, bar first, to modules.
std::string Expand(const std::string& widths)
{
    std::string out;
    for (size_t i = 0; i < widths.size(); ++i) out += std::string(size_t(widths[i] - '0'), i % 2 ? '0' : '1');
    return out;
}

TEST(Code93Symbol, ModulesOfTest93)
{
    // Start, T E S T 9 3, C '+' (41), K '6', stop with its termination bar
    // and the closing module of space: the published widths.
    const std::string expected = Expand("111141" "211221" "221211" "211122" "211221" "141111" "111411"
                                        "113121" "121311" "1111411");
    auto symbol = CreateCode93Barcode();
    symbol->SetText("TEST93");
    CMetaFileDC dc;
    ASSERT_TRUE(PaintBare(*symbol, dc, 92));
    EXPECT_EQ(symbol->GetSymbolWidth(), 92);
    EXPECT_EQ(Modules(dc, 92), expected + "0");
}

TEST(Code93Symbol, ModuleCountIsNinePerCharacterPlus38)
{
    struct Case {
        SymbolPtr (*factory)();
        std::string text;
        int symbolCharacters;
    };
    std::string ascii;
    for (int c = 0; c < 128; ++c) ascii += char(c);
    const Case cases[] = {
        {CreateCode93Barcode, "TEST93", 6},
        {CreateCode93Barcode, "A", 1},
        {CreateCode93Barcode, std::string(50, '9'), 50},
        {CreateCode93ExtendedBarcode, "Code 39 Ext", 16},
        // 128 characters: 20 drawn directly (space - . 0-9 ...), the rest in pairs.
        {CreateCode93ExtendedBarcode, ascii, 128 + 128 - 39},
        {CreateCode93ExtendedBarcode, std::string(300, 'q'), 600},
    };
    for (const auto& c : cases) {
        const int n = 9 * c.symbolCharacters + 38;
        auto symbol = c.factory();
        symbol->SetText(c.text);
        CMetaFileDC fits, tooShort;
        EXPECT_TRUE(PaintBare(*symbol, fits, n)) << c.text.size() << " characters";
        EXPECT_EQ(symbol->GetSymbolWidth(), n);
        EXPECT_FALSE(PaintBare(*symbol, tooShort, n - 1)) << c.text.size() << " characters";
    }
}

TEST(Code93Symbol, PrintedTextIsTheTextAsEntered)
{
    auto symbol = CreateCode93ExtendedBarcode();
    symbol->SetText("a$b");
    symbol->SetShowText(TRUE);
    symbol->SetTextHeight(20);
    CMetaFileDC dc;
    symbol->Paint(&dc, RECT{0, 0, 9 * 6 + 38, 60});
    ASSERT_TRUE(symbol->IsSizeOk());
    std::string printed;
    for (const auto& r : dc.Records())
        if (r.kind == MetaRecord::TextOut) printed += r.text;
    EXPECT_EQ(printed, "a$b");
}

// --- scan-back ----------------------------------------------------------------

struct ScanCase {
    SymbolPtr (*factory)();
    std::string text;
};

// Renders with quiet zones of 12 modules and module width `unit`.
GrayImage Render(CGenericBarcode& symbol, int unit, int16_t rotate, bool showText)
{
    const int n = 9 * int(SymbolValues(symbol.GetText(), symbol.GetType() == 22).size()) + 38;
    PaintState state;
    state.rotate = rotate;
    state.showText = showText ? TRUE : FALSE;
    const bool vertical = rotate == 90 || rotate == 270;
    const int quiet = 12 * unit;
    const int across = 80;
    state.borderWidth = vertical ? 4 : quiet;
    state.borderHeight = vertical ? quiet : 4;
    const int along = n * unit + 2 * quiet;
    return vertical ? RenderGray(symbol, across, along, state) : RenderGray(symbol, along, across, state);
}

std::string AsciiPrintable()
{
    std::string s;
    for (int c = 32; c < 127; ++c) s += char(c);
    return s;
}

std::string LongExtended()
{
    // 200 characters, 311 symbol characters once expanded.
    std::string s;
    for (int i = 0; i < 200; ++i) s += "aZ9%b.q~ "[i % 9];
    return s;
}

TEST(Code93Scan, DecodesBackWithZxingAndZbar)
{
    const ScanCase cases[] = {
        {CreateCode93Barcode, "TEST93"},
        {CreateCode93Barcode, "CODE93"},
        {CreateCode93Barcode, "A"},
        {CreateCode93Barcode, "0123456789"},
        {CreateCode93Barcode, "ABCDEFGHIJKLMNOPQRSTUVWXYZ"},
        {CreateCode93Barcode, "HELLO WORLD - $12.50/+%"},
        {CreateCode93Barcode, "X$Y%Z+W/V-U.T S"},
        {CreateCode93Barcode, "9Z8Y7X6W5V4U3T2S1R0QPONMLKJIHGFEDCBA-. $/+%9876"},
        {CreateCode93ExtendedBarcode, "Code 39 Ext"},
        {CreateCode93ExtendedBarcode, "hello, world!"},
        {CreateCode93ExtendedBarcode, "a"},
        {CreateCode93ExtendedBarcode, "{|}~`@[\\]^_"},
        {CreateCode93ExtendedBarcode, "$%+/:;<=>?!\"#&'()*,"},
        {CreateCode93ExtendedBarcode, "Mixed Case 42 - price: $3.99 (50% off)"},
        {CreateCode93ExtendedBarcode, AsciiPrintable()},
    };
    for (const auto& c : cases) {
        for (int unit : {1, 2, 3}) {
            for (int16_t rotate : {0, 90, 180, 270}) {
                auto symbol = c.factory();
                symbol->SetText(c.text);
                const GrayImage image = Render(*symbol, unit, rotate, unit != 2);
                SCOPED_TRACE(testing::Message() << symbol->GetTypeName() << " '" << c.text << "' unit " << unit
                                                << " rotation " << rotate);
                ASSERT_TRUE(symbol->IsSizeOk());
                EXPECT_EQ(ScanZxing(image, "Code93").text, c.text);
                EXPECT_EQ(ScanZbar(image).text, c.text);
            }
        }
    }
}

TEST(Code93Scan, ExtendedBeyond256SymbolCharacters)
{
    // zxing checks C and K; zbar keeps at most 256 characters, check
    // characters included, so it reads the longest symbol it can instead.
    const std::string text = LongExtended();
    ASSERT_GT(SymbolValues(text, true).size(), 256u);
    const std::string zbarText = LongExtended().substr(0, 163);
    ASSERT_EQ(SymbolValues(zbarText, true).size(), 254u);
    for (int16_t rotate : {0, 90, 180, 270}) {
        auto symbol = CreateCode93ExtendedBarcode();
        symbol->SetText(text);
        const GrayImage image = Render(*symbol, 1, rotate, true);
        ASSERT_TRUE(symbol->IsSizeOk());
        EXPECT_EQ(ScanZxing(image, "Code93").text, text) << "rotation " << rotate;

        symbol->SetText(zbarText);
        const GrayImage shorter = Render(*symbol, 1, rotate, true);
        ASSERT_TRUE(symbol->IsSizeOk());
        EXPECT_EQ(ScanZbar(shorter).text, zbarText) << "rotation " << rotate;
        EXPECT_EQ(ScanZxing(shorter, "Code93").text, zbarText) << "rotation " << rotate;
    }
}

TEST(Code93Scan, ControlCharacters)
{
    std::string text = "A";
    for (int c = 0; c < 32; ++c) text += char(c);
    text += "\x7F" "Z";
    auto symbol = CreateCode93ExtendedBarcode();
    symbol->SetText(text);
    const GrayImage image = Render(*symbol, 2, 0, false);
    EXPECT_EQ(ScanZxing(image, "Code93").text, text);
    EXPECT_EQ(ScanZbar(image).text, text);
}

} // namespace

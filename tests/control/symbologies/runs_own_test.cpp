// Module runs of the own-drawing and pattern families: the runs a text
// encodes to, checked against the patterns the standards print, read back
// by two decoders from the runs alone, and drawn by a paint exactly where
// the paint says it laid them.
#include <gtest/gtest.h>

#include <algorithm>

#include "control/engine/catalogue.h"
#include "tests/control/symbologies/ean_geometry.h"
#include "tests/control/symbologies/own_draw_support.h"

namespace {

SymbolPtr Make(int32_t type, const std::string& text)
{
    SymbolPtr s = CreateSymbol(type);
    s->SetText(text);
    return s;
}

SymbolRuns EncodeOf(int32_t type, const std::string& text)
{
    SymbolRuns runs;
    EXPECT_TRUE(Make(type, text)->Encode(runs)) << type << " " << text;
    return runs;
}

// The runs one character a module: '0' light, 'd' a bar across the bar
// area, 'g' a guard bar reaching into the text band, '!' where two runs
// overlap; "outside" when a run leaves the symbol's modules.
std::string ModuleString(const SymbolRuns& runs)
{
    std::string s(size_t(std::max(runs.modules, 0)), '0');
    for (const BarRun& b : runs.bars) {
        if (b.width <= 0 || b.start < 0 || b.start + b.width > runs.modules) return "outside";
        for (int32_t i = b.start; i < b.start + b.width; ++i) {
            char& c = s[size_t(i)];
            c = c != '0' ? '!' : b.span == BarSpan::Guard ? 'g' : 'd';
        }
    }
    return s;
}

// Element widths (bar first, spaces between the groups ignored) as modules.
std::string FromWidths(const std::string& widths)
{
    std::string s;
    bool dark = true;
    for (char w : widths) {
        if (w == ' ') continue;
        s.append(size_t(w - '0'), dark ? 'd' : '0');
        dark = !dark;
    }
    return s;
}

// The own types with every sample text they are drawn with elsewhere.
const std::vector<std::pair<int32_t, std::string>>& Samples()
{
    static const std::vector<std::pair<int32_t, std::string>> samples = [] {
        std::vector<std::pair<int32_t, std::string>> v;
        for (int32_t t : {0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 16, 17, 23, 24, 25, 26, 27, 30})
            v.emplace_back(t, CreateSymbol(t)->GetDemoText());
        v.emplace_back(1, "400638133393");
        v.emplace_back(5, "03600029145");
        v.emplace_back(6, "HELLO-42 $/+%");
        v.emplace_back(17, "1234565");
        v.emplace_back(17, "120453");
        v.emplace_back(0, "978-1-234-56789-X");
        v.emplace_back(8, "c-$:/.+0d");
        v.emplace_back(10, "a!~ ");
        v.emplace_back(27, "Code 39!");
        return v;
    }();
    return samples;
}

TEST(OwnRuns, PublishedPatterns)
{
    using namespace ean_test;
    const struct {
        int32_t type;
        const char* text;
        std::string modules;
    } cases[] = {
        // ISO/IEC 15420 sets with the check digits 8, 7, 0, 2 and 5 / 4.
        {1, "123456789012", Ean13Modules("1234567890128").substr(8, 95)},
        {0, "123456789", Ean13Modules("9781234567897").substr(8, 95)},
        {2, "1234567", Ean8Modules("12345670")},
        {5, "12345678901", UpcAModules("123456789012").substr(9, 95)},
        {17, "123456", UpcEModules("123456", "EOOEEO")},
        {17, "120453", UpcEModules("120450", "EOEEOO")}, // the canonical form is drawn
        {3, "12345", AddOnModules("12345", "GLGLL", 47)},
        {4, "12", AddOnModules("12", "LL", 20)},
        // ISO/IEC 16388: *A*, each character followed by one narrow gap.
        {6, "A", FromWidths("131131311 1 311113113 1 131131311")},
        // Full ASCII '!' is "/A", check value 40 + 10 = 50 mod 43 = 7.
        {27, "!", FromWidths("131131311 1 131311131 1 311113113 1 111311313 1 131131311")},
        // ANSI/AIM BC3: A 1 2 3 4 A, the last character without its gap.
        {8, "A1234A", FromWidths("11221211 11112211 11121121 22111111 11211211 1122121")},
        // ISO/IEC 16390: start, the pair 1 (bars) / 2 (spaces), stop.
        {7, "12", FromWidths("1111 3113111133 311")},
    };
    for (const auto& c : cases) EXPECT_EQ(ModuleString(EncodeOf(c.type, c.text)), c.modules) << c.type << " " << c.text;
}

// Types that encode as another type's text: their check characters,
// expansions and prefixes.
TEST(OwnRuns, SameRunsAsTheirPlainForm)
{
    const struct {
        int32_t type;
        const char* text;
        int32_t plainType;
        const char* plain;
    } cases[] = {
        {26, "CODE 39", 6, "CODE 39R"},
        {23, "123456", 6, "-1234562"},
        {23, "1234562", 6, "-1234562"},
        {10, "Code", 6, "C+O+D+E"},
        {27, "!", 6, "/A7"},
        {30, "3071234500001", 7, "30712345000010"},
        {24, "56310243031", 7, "563102430313"},
        {25, "2134807501640", 7, "21348075016401"},
        {16, "993456789012", 1, "993456789012"},
        {0, "978123456789", 1, "978123456789"},
        {17, "1234565", 17, "123456"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ModuleString(EncodeOf(c.type, c.text)), ModuleString(EncodeOf(c.plainType, c.plain))) << c.type << " " << c.text;
}

TEST(OwnRuns, InvalidTextsEncodeNothing)
{
    const std::pair<int32_t, std::string> cases[] = {
        {1, "12345678901"}, {1, "1234567890127"}, {2, "123456"}, {5, "1234567890"}, {17, "12345"},
        {17, "1234560"}, {3, "1234"}, {4, "1x"}, {0, "12345678X"}, {6, "code"}, {26, ""},
        {10, std::string(51, 'a')}, {23, "500000"}, {8, "A12"}, {7, "01234"}, {30, "30712345000011"},
    };
    for (const auto& [type, text] : cases) {
        SymbolRuns runs;
        runs.Add(0, 1);
        EXPECT_FALSE(Make(type, text)->Encode(runs)) << type << " " << text;
        EXPECT_TRUE(runs.bars.empty() && runs.modules == 0) << type << " " << text;
    }
}

// A black-on-white picture of the runs alone, three pixels a module with
// ten modules of quiet zone: what the encoding says, without any drawing.
GrayImage PictureOf(const SymbolRuns& runs)
{
    constexpr int kModule = 3, kQuiet = 10, kHeight = 80;
    GrayImage image{(runs.modules + 2 * kQuiet) * kModule, kHeight, {}};
    image.pixels.assign(size_t(image.width) * kHeight, 255);
    for (const BarRun& b : runs.bars)
        for (int y = 10; y < kHeight - 10; ++y)
            for (int x = (kQuiet + b.start) * kModule; x < (kQuiet + b.start + b.width) * kModule; ++x)
                image.pixels[size_t(y) * size_t(image.width) + size_t(x)] = 0;
    return image;
}

TEST(OwnRuns, DecodedFromTheRunsAlone)
{
    const struct {
        int32_t type;
        const char* text;
        const char* zxingFormat;
        const char* zxing;
        const char* zbar;
    } cases[] = {
        {1, "123456789012", "EAN13", "1234567890128", "1234567890128"},
        {0, "123456789", "EAN13", "9781234567897", "9781234567897"},
        {2, "1234567", "EAN8", "12345670", "12345670"},
        {5, "12345678901", "UPCA", "123456789012", "123456789012"},
        {17, "123456", "UPCE", "01234565", "01234565"},
        {6, "HELLO-42 $/+%", "Code39", "HELLO-42 $/+%", "HELLO-42 $/+%"},
        {26, "CODE 39", "Code39", "CODE 39R", "CODE 39R"},
        {10, "Code", "Code39", "C+O+D+E", "C+O+D+E"},
        {23, "123456", "Code39", "-1234562", "-1234562"},
        {8, "A1234A", "Codabar", "1234", "A1234A"},
        {7, "012345", "ITF", "012345", "012345"},
        {30, "3071234500001", "ITF", "30712345000010", "30712345000010"},
        {25, "2134807501640", "ITF", "21348075016401", "21348075016401"},
    };
    for (const auto& c : cases) {
        const GrayImage image = PictureOf(EncodeOf(c.type, c.text));
        EXPECT_EQ(ScanZxing(image, c.zxingFormat).text, c.zxing) << c.type << " " << c.text;
        EXPECT_EQ(ScanZbar(image).text, c.zbar) << c.type << " " << c.text;
    }
}

// Every rectangle a paint records is a run of the last paint, in order, at
// the placement's origin + start * unit across its span's rectangle; and
// those runs are the encoding of the text.
TEST(OwnRuns, PaintDrawsExactlyTheRunsItReports)
{
    const struct {
        int axis;
        BOOL showText;
        int16_t notch;
    } areas[] = {{800, TRUE, 25}, {800, FALSE, 25}, {537, TRUE, 100}, {1111, TRUE, 0}};
    for (const auto& [type, text] : Samples()) {
        for (const auto& a : areas) {
            SymbolPtr s = Make(type, text);
            PaintState state;
            state.showText = a.showText;
            state.notchHeightInPercent = a.notch;
            state.borderWidth = 5;
            state.borderHeight = 3;
            CMetaFileDC dc(a.axis, 140);
            DrawBarcode(&dc, RECT{0, 0, a.axis, 140}, *s, state);
            const std::string what = std::to_string(type) + " " + text + " axis " + std::to_string(a.axis);
            ASSERT_TRUE(s->IsSizeOk()) << what;

            SymbolRuns fresh;
            ASSERT_TRUE(s->Encode(fresh)) << what;
            const SymbolRuns& drawn = s->GetDrawnRuns();
            EXPECT_EQ(ModuleString(drawn), ModuleString(fresh)) << what;
            // The symbol's modules run from its first bar to its last.
            const std::string modules = ModuleString(drawn);
            ASSERT_FALSE(modules.empty()) << what;
            EXPECT_TRUE(modules.front() != '0' && modules.back() != '0' && modules.find('!') == std::string::npos) << what;
            const RunPlacement& p = s->GetRunPlacement();
            EXPECT_GT(p.unit, 0) << what;

            std::vector<RECT> expected;
            for (const BarRun& b : drawn.bars) {
                const RECT& r = p.Span(b.span);
                const int32_t left = r.left + p.origin + b.start * p.unit;
                expected.push_back({left, r.top, left + b.width * p.unit - p.trim, r.bottom});
            }
            const std::vector<RECT> bars = owndraw::Bars(dc);
            ASSERT_EQ(bars.size(), expected.size()) << what;
            for (size_t i = 0; i < bars.size(); ++i) {
                EXPECT_TRUE(bars[i].left == expected[i].left && bars[i].right == expected[i].right &&
                            bars[i].top == expected[i].top && bars[i].bottom == expected[i].bottom)
                    << what << " run " << i;
            }
        }
    }
}

} // namespace

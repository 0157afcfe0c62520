#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control/symbologies/engine.h"
#include "control/symbologies/symbologies.h"
#include "platform/gdi/metafile.h"

namespace {

// Element runs (bar/space widths in modules, bar first) written out from
// the published character structure, independent of the stored tables.
struct Run {
    bool bar;
    int modules;
};

// Industrial 2 of 5: five bars (W = 3, N = 1) separated by narrow spaces,
// a narrow space between characters.
const char* const kCode25Bars[10] = {"NNWWN", "WNNNW", "NWNNW", "WWNNN", "NNWNW",
                                     "WNWNN", "NWWNN", "NNNWW", "WNNWN", "NWNWN"};

std::vector<Run> Code25Runs(const std::string& digits)
{
    std::vector<Run> runs;
    auto bars = [&](const std::string& wn) {
        for (char c : wn) {
            runs.push_back({true, c == 'W' ? 3 : 1});
            runs.push_back({false, 1});
        }
    };
    bars("WWN"); // start
    for (char d : digits) bars(kCode25Bars[d - '0']);
    bars("WNW"); // stop
    return runs;
}

// MSI: each bit a bar and a space, 1 = wide bar (2) narrow space, 0 =
// narrow bar wide space; start a wide bar and a narrow space; stop a narrow
// bar, wide space, narrow bar.
std::vector<Run> MsiRuns(const std::string& digits)
{
    std::vector<Run> runs = {{true, 2}, {false, 1}};
    for (char d : digits)
        for (int bit = 3; bit >= 0; --bit) {
            const bool one = ((d - '0') >> bit) & 1;
            runs.push_back({true, one ? 2 : 1});
            runs.push_back({false, one ? 1 : 2});
        }
    runs.push_back({true, 1});
    runs.push_back({false, 2});
    runs.push_back({true, 1});
    return runs;
}

int Modules(const std::vector<Run>& runs)
{
    int n = 0;
    for (const auto& r : runs) n += r.modules;
    return n;
}

// The rectangles of the runs' bars at rotation 0 in `area`, `unit` a module.
std::vector<RECT> ExpectedBars(const std::vector<Run>& runs, RECT area, int unit)
{
    std::vector<RECT> out;
    int x = area.left;
    for (const auto& r : runs) {
        if (r.bar) out.push_back({x, area.top, x + r.modules * unit, area.bottom});
        x += r.modules * unit;
    }
    return out;
}

std::vector<RECT> Bars(const CMetaFileDC& dc)
{
    std::vector<RECT> out;
    for (const auto& r : dc.Records())
        if (r.kind == MetaRecord::Rectangle) out.push_back(r.rect);
    return out;
}

struct Family {
    const char* name;
    SymbolPtr (*create)();
    std::vector<Run> (*runs)(const std::string&);
    int perDigit, extra;
};

const Family kFamilies[] = {
    {"Code 25", CreateCode25Barcode, Code25Runs, 14, 20},
    {"MSI", CreateMsiBarcode, MsiRuns, 12, 10},
};

const char* const kTexts[] = {"7", "12345", "0", "9876543210", "00000000000000000000", "314159"};

TEST(Code25Msi, Catalogue)
{
    SymbolPtr code25 = CreateCode25Barcode();
    SymbolPtr msi = CreateMsiBarcode();
    ASSERT_NE(code25, nullptr);
    ASSERT_NE(msi, nullptr);
    EXPECT_EQ(code25->GetType(), 9);
    EXPECT_EQ(code25->GetTypeName(), "Code 25");
    EXPECT_EQ(code25->GetDemoText(), "12345");
    EXPECT_EQ(msi->GetType(), 20);
    EXPECT_EQ(msi->GetTypeName(), "MSI");
    EXPECT_EQ(msi->GetDemoText(), "12345");
}

TEST(Code25Msi, Validity)
{
    const std::pair<const char*, bool> texts[] = {
        {"12345", true}, {"0", true}, {"0000000000000000000000000", true}, {"", false},
        {"12a45", false}, {" 12345", false}, {"12345 ", false}, {"-1", false}, {"\xB9", false},
    };
    for (const auto& f : kFamilies) {
        SymbolPtr s = f.create();
        for (auto [text, valid] : texts) {
            s->SetText(text);
            EXPECT_EQ(bool(s->IsValid()), valid) << f.name << " '" << text << "'";
            EXPECT_EQ(s->GetChecksum(), -1) << f.name << " " << text;
        }
    }
}

TEST(Code25Msi, BarSequencesAndModuleCounts)
{
    for (const auto& f : kFamilies)
        for (const char* text : kTexts) {
            const auto runs = f.runs(text);
            const int k = int(std::string(text).size());
            // The published structure, then quiet space up to the count.
            ASSERT_LE(Modules(runs), f.perDigit * k + f.extra) << f.name << " " << text;
            for (int unit : {1, 2, 3}) {
                const int modules = f.perDigit * k + f.extra;
                const RECT area{5, 7, 5 + modules * unit + unit - 1, 60};
                SymbolPtr s = f.create();
                s->SetText(text);
                s->SetShowText(FALSE);
                s->SetTextHeight(0);
                CMetaFileDC dc;
                s->Paint(&dc, area);
                ASSERT_TRUE(s->IsSizeOk()) << f.name << " " << text;
                EXPECT_EQ(s->GetSymbolWidth(), modules * unit) << f.name << " " << text;
                EXPECT_EQ(Bars(dc), ExpectedBars(runs, area, unit)) << f.name << " " << text << " unit " << unit;
            }
        }
}

TEST(Code25Msi, DemoInAHundredEightyUnitAxis)
{
    SymbolPtr s = CreateCode25Barcode();
    s->SetText("12345");
    s->SetShowText(FALSE);
    CMetaFileDC dc;
    s->Paint(&dc, RECT{0, 0, 180, 40});
    ASSERT_TRUE(s->IsSizeOk());
    EXPECT_EQ(s->GetSymbolWidth(), 180);
    const auto bars = Bars(dc);
    ASSERT_EQ(bars.size(), 3u + 5 * 5 + 3);
    EXPECT_EQ(bars[0].right - bars[0].left, 6); // wide
    EXPECT_EQ(bars[2].right - bars[2].left, 2); // narrow
}

TEST(Code25Msi, MsiDigitFive)
{
    // 0101: narrow bar, wide space, wide bar, narrow space, narrow bar,
    // wide space, wide bar, narrow space.
    SymbolPtr s = CreateMsiBarcode();
    s->SetText("5");
    s->SetShowText(FALSE);
    CMetaFileDC dc;
    s->Paint(&dc, RECT{0, 0, 22, 40});
    ASSERT_TRUE(s->IsSizeOk());
    const std::vector<RECT> expected = {
        {0, 0, 2, 40},                                                        // start
        {3, 0, 4, 40}, {6, 0, 8, 40}, {9, 0, 10, 40}, {12, 0, 14, 40},       // 0101
        {15, 0, 16, 40}, {18, 0, 19, 40},                                    // stop
    };
    EXPECT_EQ(Bars(dc), expected);
}

// The same symbol turned: every bar keeps its offset along the axis, with
// the one-unit shift towards the start at 180 and 270.
TEST(Code25Msi, FourRotations)
{
    for (const auto& f : kFamilies) {
        const std::string text = "4711";
        const int modules = f.perDigit * 4 + f.extra;
        const auto runs = f.runs(text);
        for (int16_t rotate : {int16_t(0), int16_t(90), int16_t(180), int16_t(270)}) {
            const bool vertical = rotate == 90 || rotate == 270;
            const RECT area = vertical ? RECT{20, 30, 80, 30 + 2 * modules} : RECT{20, 30, 20 + 2 * modules, 90};
            SymbolPtr s = f.create();
            s->SetText(text);
            s->SetShowText(FALSE);
            s->SetRotate(rotate);
            CMetaFileDC dc;
            s->Paint(&dc, area);
            ASSERT_TRUE(s->IsSizeOk()) << f.name << " " << rotate;
            std::vector<RECT> expected;
            int a = 0;
            for (const auto& r : runs) {
                const int w = 2 * r.modules;
                if (r.bar) {
                    switch (rotate) {
                    case 0: expected.push_back({area.left + a, area.top, area.left + a + w, area.bottom}); break;
                    case 90: expected.push_back({area.left, area.top + a, area.right, area.top + a + w}); break;
                    case 180:
                        expected.push_back({area.right - a - w - 1, area.top, area.right - a - 1, area.bottom});
                        break;
                    default:
                        expected.push_back({area.left, area.bottom - a - w - 1, area.right, area.bottom - a - 1});
                        break;
                    }
                }
                a += w;
            }
            EXPECT_EQ(Bars(dc), expected) << f.name << " " << rotate;
        }
    }
}

TEST(Code25Msi, TextAsEnteredSpreadOverTheSymbol)
{
    for (const auto& f : kFamilies) {
        SymbolPtr s = f.create();
        s->SetText("0042");
        s->SetShowText(TRUE);
        s->SetTextHeight(18);
        const int modules = f.perDigit * 4 + f.extra;
        CMetaFileDC dc;
        s->Paint(&dc, RECT{0, 0, 3 * modules, 80});
        ASSERT_TRUE(s->IsSizeOk());
        std::string printed;
        int i = 0;
        for (const auto& r : dc.Records())
            if (r.kind == MetaRecord::TextOut) {
                printed += r.text;
                EXPECT_EQ(r.pt, (POINT{i++ * (3 * modules / 4), 80 - 18})) << f.name;
            }
        EXPECT_EQ(printed, "0042") << f.name;
    }
}

TEST(Code25Msi, InvalidTextPaintsTextError)
{
    for (const auto& f : kFamilies) {
        SymbolPtr s = f.create();
        s->SetText("12-34");
        s->SetShowText(FALSE);
        CMetaFileDC dc;
        s->Paint(&dc, RECT{0, 0, 1000, 100});
        EXPECT_FALSE(s->IsSizeOk());
        ASSERT_EQ(dc.Records().size(), 1u);
        EXPECT_EQ(dc.Records()[0].text, "text error");
    }
}

} // namespace

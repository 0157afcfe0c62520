#include <gtest/gtest.h>

#include "control/engine/renderer.h"
#include "control/symbologies/ean_upc.h"
#include "control/symbologies/symbologies.h"
#include "platform/gdi/metafile.h"
#include "tests/control/symbologies/ean_geometry.h"

namespace {

using namespace ean_test;

SymbolPtr Make(int type)
{
    switch (type) {
    case 1: return CreateEan13Barcode();
    case 2: return CreateEan8Barcode();
    case 3: return CreateEan5Barcode();
    case 4: return CreateEan2Barcode();
    case 5: return CreateUpcABarcode();
    case 16: return CreateEan99Barcode();
    case 17: return CreateUpcEBarcode();
    default: return nullptr;
    }
}

struct AcceptCase {
    int type;
    const char* text;
    bool valid;
    int checksum;
};

// Check digits from the published examples or worked by hand.
TEST(EanUpc, AcceptanceAndCheckDigits)
{
    const AcceptCase cases[] = {
        {1, "123456789012", true, 8},
        {1, "1234567890128", true, 8},
        {1, "1234567890127", false, 8}, // the correct check digit is still reported
        {1, "400638133393", true, 1},
        {1, "4006381333931", true, 1},
        {1, "590123412345", true, 7},
        {1, "978030640615", true, 7},
        {1, "000000000000", true, 0},
        {1, "12345678901", false, -2},
        {1, "12345678901234", false, -2},
        {1, "12345678901a", false, -2},
        {1, " 123456789012", false, -2},
        {1, "", false, -2},
        {16, "123456789012", false, 8},
        {16, "993456789012", true, 9},
        {16, "9934567890129", true, 9},
        {16, "9934567890121", false, 9},
        {16, "9", false, -2},
        {2, "1234567", true, 0},
        {2, "12345670", true, 0},
        {2, "12345671", false, 0},
        {2, "9638507", true, 4},
        {2, "5512345", true, 7},
        {2, "123456", false, -2},
        {2, "123456789", false, -2},
        {2, "123456x", false, -2},
        {5, "12345678901", true, 2},
        {5, "123456789012", true, 2},
        {5, "123456789013", false, 2},
        {5, "03600029145", true, 2},
        {5, "01234567890", true, 5},
        {5, "1234567890", false, -2},
        {5, "1234567890123", false, -2},
        {17, "123456", true, 5},
        {17, "1234565", true, 5},
        {17, "1234560", false, 5},
        {17, "425261", true, 4},
        {17, "654321", true, 7},
        {17, "120453", true, 4},
        {17, "1204534", true, 4},
        {17, "12345", false, -2},
        {17, "123456a", false, -2},
        {17, "12345678", false, -2},
        {17, "12-456", false, -2},
        {3, "12345", true, -1},
        {3, "1234", false, -1},
        {3, "123456", false, -1},
        {3, "1234a", false, -1},
        {4, "12", true, -1},
        {4, "1", false, -1},
        {4, "123", false, -1},
        {4, "1a", false, -1},
    };
    for (const auto& c : cases) {
        SymbolPtr s = Make(c.type);
        s->SetText(c.text);
        EXPECT_EQ(bool(s->IsValid()), c.valid) << "type " << c.type << " text '" << c.text << "'";
        EXPECT_EQ(s->GetChecksum(), c.checksum) << "type " << c.type << " text '" << c.text << "'";
    }
}

struct UpcECase {
    const char* text;
    const char* canonical;
    int check;
};

// Expansion to UPC A and back, for every class of the last digit, worked
// by hand from the zero-suppression rules.
TEST(EanUpc, NormalizeUpcE)
{
    const UpcECase cases[] = {
        {"123450", "123450", 5}, // 0-2: manufacturer d0 d1 d5 00, item 00 d2 d3 d4
        {"123451", "123451", 4},
        {"123452", "123452", 3},
        {"123453", "123453", 1}, // 3: manufacturer d0 d1 d2 00, item 000 d3 d4
        {"123454", "123454", 3}, // 4: manufacturer d0..d3 0, item 0000 d4
        {"123455", "123455", 8}, // 5-9: manufacturer d0..d4, item 0000 d5
        {"123456", "123456", 5},
        {"123459", "123459", 6},
        {"425261", "425261", 4},
        {"000000", "000000", 0},
        // Non-canonical forms of the same UPC A numbers.
        {"120453", "120450", 4},
        {"100005", "100050", 4},
        {"123054", "123053", 5},
        {"121054", "120051", 7},
        // Non-digits are dropped, then the first six digits count.
        {"12-34-56", "123456", 5},
        {"1234567", "123456", 5},
        {"12345", "", -2},
        {"", "", -2},
    };
    for (const auto& c : cases) {
        std::string text = c.text;
        EXPECT_EQ(NormalizeUpcE(text), c.check) << c.text;
        EXPECT_EQ(text, c.canonical) << c.text;
    }
}

// --- geometry on the metafile surface --------------------------------------

struct Scene {
    int rotate = 0;
    int textHeight = 20;
    int notch = 25;
    bool showText = true;
};

// Paints `s` into `area` as the control does after setting its state.
CMetaFileDC PaintInto(CGenericBarcode& s, const RECT& area, const Scene& scene)
{
    CMetaFileDC dc(400, 400);
    dc.SelectObject(PaintState::DefaultBarcodeFont());
    s.SetShowText(scene.showText);
    s.SetTextHeight(scene.showText ? scene.textHeight : 0);
    s.SetNotchHeightInPercent(int16_t(scene.notch));
    s.SetRotate(int16_t(scene.rotate));
    s.Paint(&dc, area);
    return dc;
}

int WidthOfX()
{
    CMetaFileDC dc;
    dc.SelectObject(PaintState::DefaultBarcodeFont());
    return dc.GetTextExtent("X").cx;
}

// The area for a rotation: `length` along the bar axis, `depth` across.
RECT AreaFor(int rotate, int length, int depth)
{
    const bool vertical = rotate == 90 || rotate == 270;
    return vertical ? RECT{20, 10, 20 + depth, 10 + length} : RECT{10, 20, 10 + length, 20 + depth};
}

struct GridCase {
    int type;
    const char* text;
    std::string modules; // expected, on the type's grid
    int grid;
};

TEST(EanUpc, ModuleGeometryOfTheMainSymbols)
{
    const GridCase cases[] = {
        {1, "400638133393", Ean13Modules("4006381333931"), 107},
        {1, "1234567890128", Ean13Modules("1234567890128"), 107},
        {16, "993456789012", Ean13Modules("9934567890129"), 107},
        {2, "9638507", Ean8Modules("96385074"), 67},
        {2, "12345670", Ean8Modules("12345670"), 67},
        {5, "03600029145", UpcAModules("036000291452"), 109},
        {5, "12345678901", UpcAModules("123456789012"), 109},
    };
    const Scene scenes[] = {
        {0, 20, 25, true}, {90, 20, 25, true}, {180, 24, 50, true}, {270, 20, 100, true},
        {0, 20, 0, true},  {180, 0, 25, false},
    };
    for (const auto& c : cases) {
        for (const auto& scene : scenes) {
            for (int m : {1, 2, 3}) {
                SymbolPtr s = Make(c.type);
                s->SetText(c.text);
                const int leftover = m - 1; // stays empty at the far end
                const RECT area = AreaFor(scene.rotate, c.grid * m + leftover, 80);
                const CMetaFileDC dc = PaintInto(*s, area, scene);
                ASSERT_TRUE(s->IsSizeOk());
                int outside = 0;
                const auto cover = AxisCoverage(dc.Records(), area, scene.rotate, &outside);
                const int h = scene.showText ? scene.textHeight : 0;
                const std::string diff =
                    CompareModules(cover, 0, m, c.modules, 0, h, (100 - scene.notch) * h / 100);
                EXPECT_EQ(diff, "") << "type " << c.type << " " << c.text << " rotation " << scene.rotate
                                    << " module " << m << " notch " << scene.notch;
                EXPECT_EQ(outside, 0);
            }
        }
    }
}

TEST(EanUpc, AddOnGeometryAndParity)
{
    struct AddOnCase {
        int type;
        const char* text;
        const char* parity;
        int grid;
    };
    // EAN 5: value (3 (d0 + d2 + d4) + 9 (d1 + d3)) mod 10; EAN 2: value mod 4.
    const AddOnCase cases[] = {
        {3, "12345", "GLGLL", 49}, // 3*9 + 9*6 = 81 -> 1
        {3, "00000", "GGLLL", 49},
        {3, "52495", "GLGLL", 49}, // 3*14 + 9*11 = 141 -> 1
        {4, "12", "LL", 22},
        {4, "13", "LG", 22},
        {4, "34", "GL", 22},
        {4, "99", "GG", 22},
    };
    for (const auto& c : cases) {
        for (int rotate : {0, 90, 180, 270}) {
            // (At rotations 90 and 270 the minimum height of the area applies
            // to the bar axis: 22 modules of one unit are too short for it.)
            for (int m : {2, 3}) {
                SymbolPtr s = Make(c.type);
                s->SetText(c.text);
                const RECT area = AreaFor(rotate, c.grid * m, 70);
                const Scene scene{rotate, 20, 60, true};
                const CMetaFileDC dc = PaintInto(*s, area, scene);
                ASSERT_TRUE(s->IsSizeOk());
                const auto cover = AxisCoverage(dc.Records(), area, rotate);
                // Bars leave the text band on the leading side and reach the
                // far edge, whatever the notch.
                EXPECT_EQ(CompareModules(cover, 0, m, AddOnModules(c.text, c.parity, size_t(c.grid)), 20, 0, 0), "")
                    << c.text << " rotation " << rotate << " module " << m;
            }
        }
    }
}

TEST(EanUpc, Ean5ParityForEveryValue)
{
    // One text per add-on value; parity words of the published table.
    const std::pair<const char*, const char*> cases[] = {
        {"00000", "GGLLL"}, {"00007", "GLGLL"}, {"00004", "GLLGL"}, {"00001", "GLLLG"}, {"00008", "LGGLL"},
        {"00005", "LLGGL"}, {"00002", "LLLGG"}, {"00009", "LGLGL"}, {"00006", "LGLLG"}, {"00003", "LLGLG"},
    };
    for (const auto& [text, parity] : cases) {
        SymbolPtr s = Make(3);
        s->SetText(text);
        const RECT area = AreaFor(0, 49 * 2, 60);
        const CMetaFileDC dc = PaintInto(*s, area, Scene{0, 0, 25, false});
        const auto cover = AxisCoverage(dc.Records(), area, 0);
        EXPECT_EQ(CompareModules(cover, 0, 2, AddOnModules(text, parity, 49), 0, 0, 0), "") << text;
    }
}

TEST(EanUpc, Ean13DigitsStandCentredBelowTheBars)
{
    SymbolPtr s = Make(1);
    s->SetText("123456789012");
    const RECT area{10, 20, 10 + 107 * 2, 120};
    CMetaFileDC dc(400, 400);
    dc.SetTextAlign(TA_RIGHT | TA_BASELINE);
    s->SetShowText(TRUE);
    s->SetTextHeight(20);
    s->SetNotchHeightInPercent(25);
    s->Paint(&dc, area);
    std::string digits;
    std::vector<int> xs;
    for (const auto& r : dc.Records()) {
        if (r.kind != MetaRecord::TextOut) continue;
        digits += r.text;
        xs.push_back(r.pt.x);
        EXPECT_EQ(r.pt.y, 120);
        EXPECT_EQ(r.align, TA_BOTTOM | TA_CENTER);
    }
    EXPECT_EQ(digits, "1234567890128");
    const std::vector<int> modules = {4, 14, 21, 28, 35, 42, 49, 61, 68, 75, 82, 89, 96};
    ASSERT_EQ(xs.size(), modules.size());
    for (size_t i = 0; i < xs.size(); ++i) EXPECT_EQ(xs[i], 10 + 2 * modules[i]);
    EXPECT_EQ(dc.GetTextAlign(), TA_RIGHT | TA_BASELINE); // restored
    EXPECT_EQ(s->GetSymbolWidth(), 103 * 2);
}

TEST(EanUpc, UpcADigitsAnchorUnderTheBars)
{
    SymbolPtr s = Make(5);
    s->SetText("03600029145");
    const RECT area{0, 0, 100, 109};
    const CMetaFileDC dc = PaintInto(*s, area, Scene{90, 20, 25, true});
    // Rotation 90: the text band is on the left; digits stand at its inner
    // edge, at their module offsets down the axis.
    std::string digits;
    std::vector<int> ys;
    for (const auto& r : dc.Records()) {
        if (r.kind != MetaRecord::TextOut) continue;
        digits += r.text;
        ys.push_back(r.pt.y);
        EXPECT_EQ(r.pt.x, 20);
        EXPECT_EQ(r.align, TA_LEFT | TA_TOP);
    }
    EXPECT_EQ(digits, "036000291452");
    const std::vector<int> modules = {4, 21, 28, 35, 42, 49, 61, 68, 75, 82, 89, 106};
    EXPECT_EQ(ys, modules);
}

TEST(EanUpc, AddOnDigitsStandAboveOnTheLeadingSide)
{
    SymbolPtr s = Make(3);
    s->SetText("12345");
    const RECT area{0, 0, 98, 80};
    const CMetaFileDC dc = PaintInto(*s, area, Scene{180, 20, 25, true});
    std::string digits;
    std::vector<int> xs;
    for (const auto& r : dc.Records()) {
        if (r.kind != MetaRecord::TextOut) continue;
        digits += r.text;
        xs.push_back(r.pt.x);
        EXPECT_EQ(r.pt.y, 80); // rotation 180: the leading side is the bottom
        EXPECT_EQ(r.align, TA_TOP | TA_CENTER);
    }
    EXPECT_EQ(digits, "12345");
    EXPECT_EQ(xs, (std::vector<int>{98 - 16, 98 - 34, 98 - 52, 98 - 70, 98 - 88}));
    EXPECT_EQ(dc.GetTextAlign(), TA_LEFT | TA_TOP);
}

TEST(EanUpc, SizeLimits)
{
    struct SizeCase {
        int type;
        int grid;
    };
    const SizeCase cases[] = {{1, 107}, {16, 107}, {2, 67}, {5, 109}, {3, 49}, {4, 22}};
    for (const auto& c : cases) {
        SymbolPtr s = Make(c.type);
        s->SetText(s->GetDemoText());
        const CMetaFileDC tooShort = PaintInto(*s, RECT{0, 0, c.grid - 1, 60}, Scene{});
        EXPECT_FALSE(s->IsSizeOk()) << c.type;
        ASSERT_FALSE(tooShort.Records().empty());
        EXPECT_EQ(tooShort.Records().back().text, "size error");
        EXPECT_EQ(tooShort.Records().size(), 1u); // no bars, only the error text
        PaintInto(*s, RECT{0, 0, c.grid, 60}, Scene{});
        EXPECT_TRUE(s->IsSizeOk()) << c.type;
    }
}

TEST(EanUpc, NarrowAreaAcrossTheBarsIsASizeError)
{
    // At rotation 90 the height test of Paint measures the bar axis; an
    // area narrower than the text band leaves no room for bars.
    SymbolPtr s = Make(1);
    s->SetText("123456789012");
    const CMetaFileDC dc = PaintInto(*s, RECT{0, 0, 15, 300}, Scene{90, 20, 25, true});
    EXPECT_FALSE(s->IsSizeOk());
    for (const auto& r : dc.Records()) EXPECT_NE(r.kind, MetaRecord::Rectangle);
}

TEST(EanUpc, InvalidTextPaintsTextError)
{
    SymbolPtr s = Make(1);
    s->SetText("1234567890127");
    const CMetaFileDC dc = PaintInto(*s, RECT{0, 0, 300, 100}, Scene{});
    ASSERT_EQ(dc.Records().size(), 1u);
    EXPECT_EQ(dc.Records()[0].text, "text error");
}

// UPC E: the width of "X" before the bars for the number system, 51
// modules of bars, three widths of "X" after them for the check digit.
TEST(EanUpc, UpcEGeometryAndDigits)
{
    struct UpcECaseG {
        const char* text;
        const char* six;    // the digits the bars carry
        const char* parity; // by the check digit
        const char* printed;
    };
    const UpcECaseG cases[] = {
        {"123456", "123456", "EOOEEO", "01234565"},
        {"425261", "425261", "EOEEOO", "04252614"},
        {"654321", "654321", "EOEOEO", "06543217"},
        {"1234531", "123453", "EEOEOO", "01234531"},
        // A non-canonical text is drawn, bars and digits, as its canonical form.
        {"120453", "120450", "EOEEOO", "01204504"},
        {"1204534", "120450", "EOEEOO", "01204504"},
    };
    const Scene scenes[] = {{0, 20, 25, true}, {90, 20, 100, true}, {180, 24, 33, true}, {270, 20, 0, true},
                            {0, 0, 25, false}};
    for (const auto& c : cases) {
        for (const auto& scene : scenes) {
            for (int m : {1, 2, 3}) {
                SymbolPtr s = Make(17);
                s->SetText(c.text);
                const int x = WidthOfX();
                ASSERT_GT(x, 0);
                const RECT area = AreaFor(scene.rotate, 51 * m + 3 * x, 80);
                const CMetaFileDC dc = PaintInto(*s, area, scene);
                ASSERT_TRUE(s->IsSizeOk());
                const int h = scene.showText ? scene.textHeight : 0;
                int outside = 0;
                const auto cover = AxisCoverage(dc.Records(), area, scene.rotate, &outside);
                EXPECT_EQ(CompareModules(cover, x, m, UpcEModules(c.six, c.parity), 0, h, h - scene.notch * h / 100), "")
                    << c.text << " rotation " << scene.rotate << " module " << m;
                EXPECT_EQ(outside, 0);

                std::string printed;
                std::vector<int> offsets;
                for (const auto& r : dc.Records()) {
                    if (r.kind != MetaRecord::TextOut) continue;
                    printed += r.text;
                    // Rotation 0 and 180 only: the offset along x.
                    offsets.push_back(scene.rotate == 0 ? r.pt.x - area.left : area.right - r.pt.x);
                    if (scene.rotate == 0) {
                        EXPECT_EQ(r.pt.y, area.bottom - h);
                    }
                }
                EXPECT_EQ(printed, scene.showText ? c.printed : "");
                if (scene.showText && (scene.rotate == 0 || scene.rotate == 180)) {
                    std::vector<int> want = {0};
                    for (int i = 0; i < 6; ++i) want.push_back(x + 4 * m + 7 * m * i);
                    want.push_back(x + 52 * m);
                    EXPECT_EQ(offsets, want) << c.text;
                }
            }
        }
    }
}

TEST(EanUpc, UpcESizeLimit)
{
    SymbolPtr s = Make(17);
    s->SetText("123456");
    const int x = WidthOfX();
    PaintInto(*s, RECT{0, 0, 51 + 3 * x - 1, 60}, Scene{});
    EXPECT_FALSE(s->IsSizeOk());
    PaintInto(*s, RECT{0, 0, 51 + 3 * x, 60}, Scene{});
    EXPECT_TRUE(s->IsSizeOk());
}

} // namespace

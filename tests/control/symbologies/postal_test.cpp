#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "control/symbologies/engine.h"
#include "control/symbologies/symbologies.h"
#include "control/engine/renderer.h"
#include "platform/gdi/metafile.h"
#include "platform/gdi/vector.h"

namespace {

// 600 x 600 at (10, 20): long enough for every case below along either axis.
constexpr RECT kBarRect{10, 20, 610, 620};

std::unique_ptr<CEngineBarcode> MakePostal(SymbolPtr (*factory)(), int16_t rotate)
{
    auto* engine = dynamic_cast<CEngineBarcode*>(factory().release());
    EXPECT_NE(engine, nullptr);
    engine->SetRotate(rotate);
    return std::unique_ptr<CEngineBarcode>(engine);
}

// Where a bar of width w at offset a lands along the axis (the FillStrip
// rule), given its extent [from, to) across the axis.
RECT Strip(const RECT& r, int16_t rotate, int a, int w, int from, int to)
{
    switch (rotate) {
    case 90: return {from, r.top + a, to, r.top + a + w};
    case 180: return {r.right - a - w - 1, from, r.right - a - 1, to};
    case 270: return {from, r.bottom - a - w - 1, to, r.bottom - a - 1};
    default: return {r.left + a, from, r.left + a + w, to};
    }
}

std::vector<RECT> Rectangles(const CMetaFileDC& dc)
{
    std::vector<RECT> out;
    for (const auto& rec : dc.Records())
        if (rec.kind == MetaRecord::Rectangle) out.push_back(rec.rect);
    return out;
}

struct Span {
    int from, to;
};

// A surface whose horizontal and vertical resolutions differ.
class CAnisotropicDC : public CMetaFileDC {
public:
    CAnisotropicDC(int dpiX, int dpiY) : m_x(dpiX), m_y(dpiY) {}
    int GetDeviceCaps(int index) const override
    {
        return index == LOGPIXELSX ? m_x : index == LOGPIXELSY ? m_y : CMetaFileDC::GetDeviceCaps(index);
    }

private:
    int m_x, m_y;
};

// --- PostNet ---------------------------------------------------------------

// Frame, 1 2 3 4 5 in the published POSTNET bars, check digit 5, frame.
const std::string kPostNet12345 = "1" "00011" "00101" "00110" "01001" "01010" "01010" "1";

struct PostNetCase {
    int dpi;
    bool attrib;
    int16_t rotate;
    int pitch, bar;
    Span full, half; // absolute coordinates across the axis
    int symbolWidth;
};

const PostNetCase kPostNetCases[] = {
    // 96 dpi counts as 100: pitch 5, bar 2, full bars 12, half bars 5.
    {96, true, 0, 5, 2, {20, 32}, {27, 32}, 155},
    {96, true, 90, 5, 2, {10, 22}, {10, 15}, 155},
    {96, true, 180, 5, 2, {20, 32}, {20, 25}, 155},
    {96, true, 270, 5, 2, {10, 22}, {17, 22}, 155},
    // 300 dpi: pitch 14, bar 6, full 37, half from 22 (or 15 high).
    {300, true, 0, 14, 6, {20, 57}, {42, 57}, 434},
    {300, true, 90, 14, 6, {10, 47}, {10, 25}, 434},
    {300, true, 180, 14, 6, {20, 57}, {20, 35}, 434},
    {300, true, 270, 14, 6, {10, 47}, {32, 47}, 434},
    // No attribute context: 50 dpi whatever the surface says.
    {300, false, 0, 2, 1, {20, 26}, {23, 26}, 62},
    {300, false, 90, 2, 1, {10, 16}, {10, 12}, 62},
    {300, false, 180, 2, 1, {20, 26}, {20, 22}, 62},
    {300, false, 270, 2, 1, {10, 16}, {13, 16}, 62},
};

TEST(PostNet, BarsAtEachResolutionAndRotation)
{
    for (const auto& c : kPostNetCases) {
        SCOPED_TRACE(testing::Message() << c.dpi << " dpi, attrib " << c.attrib << ", rotation " << c.rotate);
        auto symbol = MakePostal(CreatePostNetBarcode, c.rotate);
        CMetaFileDC dc(700, 700, c.dpi, c.attrib);
        std::string text = "12345";
        ASSERT_TRUE(symbol->DrawPostNet(&dc, text, kBarRect));
        std::vector<RECT> expected;
        for (size_t i = 0; i < kPostNet12345.size(); ++i) {
            const Span s = kPostNet12345[i] == '1' ? c.full : c.half;
            expected.push_back(Strip(kBarRect, c.rotate, int(i) * c.pitch, c.bar, s.from, s.to));
        }
        EXPECT_EQ(Rectangles(dc), expected);
        EXPECT_EQ(symbol->GetSymbolWidth(), c.symbolWidth);
    }
}

TEST(PostNet, AnisotropicSurfaceUsesAxisResolutionForPitch)
{
    // 300 across, 100 along at rotation 90: pitch and bar from 100 dpi,
    // heights from 300 dpi.
    auto symbol = MakePostal(CreatePostNetBarcode, 90);
    CAnisotropicDC dc(300, 100);
    std::string text = "1";
    ASSERT_TRUE(symbol->DrawPostNet(&dc, text, kBarRect));
    const auto rects = Rectangles(dc);
    ASSERT_EQ(rects.size(), 12u);
    EXPECT_EQ(rects[0], (RECT{10, 20, 47, 22}));  // frame: full, 37 across
    EXPECT_EQ(rects[1], (RECT{10, 25, 25, 27}));  // '1' begins with a half bar, 15 across
    EXPECT_EQ(symbol->GetSymbolWidth(), 55);
}

TEST(PostNet, CheckDigitBringsTheSumToTen)
{
    // Digit sums and check digits worked by hand.
    const std::pair<const char*, int> cases[] = {
        {"12345", 5}, {"0", 0}, {"9", 1}, {"555555555", 5}, {"123456789", 5}, {"1234567890", 5},
    };
    for (const auto& [text, check] : cases) {
        ChecksumState s = PostNetChecksumStart(int32_t(std::string(text).size()));
        int position = 1;
        for (const char* p = text; *p; ++p) s = PostNetChecksumStep(s, *p - '0', position++);
        EXPECT_EQ(s, check) << text;
    }
}

struct FitCase {
    SymbolPtr (*factory)();
    int dpi;
    bool attrib;
    int16_t rotate;
    int needed; // shortest bar axis for "12345"
};

const FitCase kFitCases[] = {
    {CreatePostNetBarcode, 100, true, 0, 175},   {CreatePostNetBarcode, 96, true, 90, 175},
    {CreatePostNetBarcode, 300, true, 180, 490}, {CreatePostNetBarcode, 300, false, 270, 70},
    {CreateRoyalMailBarcode, 100, true, 0, 140}, {CreateRoyalMailBarcode, 96, true, 270, 140},
    {CreateRoyalMailBarcode, 300, true, 90, 392}, {CreateRoyalMailBarcode, 300, false, 180, 56},
};

TEST(Postal, FitLimits)
{
    for (const auto& c : kFitCases) {
        SCOPED_TRACE(testing::Message() << c.dpi << " dpi, rotation " << c.rotate << ", needs " << c.needed);
        for (int length : {c.needed, c.needed - 1}) {
            auto symbol = MakePostal(c.factory, c.rotate);
            const bool vertical = c.rotate == 90 || c.rotate == 270;
            const RECT r = vertical ? RECT{0, 0, 30, length} : RECT{0, 0, length, 30};
            CMetaFileDC dc(700, 700, c.dpi, c.attrib);
            std::string text = "12345";
            const BOOL fitted = c.factory == CreatePostNetBarcode ? symbol->DrawPostNet(&dc, text, r)
                                                                  : symbol->DrawRoyalMail(&dc, text, r);
            EXPECT_EQ(fitted, length == c.needed ? TRUE : FALSE) << "length " << length;
            if (!fitted) {
                EXPECT_TRUE(dc.Records().empty());
            }
        }
    }
}

TEST(PostNet, BarsKeepTheirHeightInALowRectangle)
{
    auto symbol = MakePostal(CreatePostNetBarcode, 0);
    CMetaFileDC dc(700, 700, 300);
    std::string text = "1";
    ASSERT_TRUE(symbol->DrawPostNet(&dc, text, RECT{0, 0, 300, 3}));
    EXPECT_EQ(Rectangles(dc)[0], (RECT{0, 0, 6, 37}));
}

struct ValidityCase {
    SymbolPtr (*factory)();
    const char* text;
    BOOL valid;
};

TEST(Postal, AcceptanceAndNames)
{
    const ValidityCase cases[] = {
        {CreatePostNetBarcode, "12345", TRUE},  {CreatePostNetBarcode, "", FALSE},
        {CreatePostNetBarcode, "1234-", FALSE}, {CreatePostNetBarcode, "0", TRUE},
        {CreateRoyalMailBarcode, "ab-12", TRUE}, {CreateRoyalMailBarcode, "", FALSE},
        {CreateRoyalMailBarcode, "-", TRUE},
    };
    for (const auto& c : cases) {
        auto s = c.factory();
        s->SetText(c.text);
        EXPECT_EQ(s->IsValid(), c.valid) << s->GetTypeName() << " '" << c.text << "'";
        EXPECT_EQ(s->GetChecksum(), -1);
    }
    auto postnet = CreatePostNetBarcode();
    auto royal = CreateRoyalMailBarcode();
    EXPECT_EQ(postnet->GetType(), 18);
    EXPECT_EQ(postnet->GetTypeName(), "PostNet");
    EXPECT_EQ(postnet->GetDemoText(), "12345");
    EXPECT_EQ(royal->GetType(), 19);
    EXPECT_EQ(royal->GetTypeName(), "Royal Mail");
    EXPECT_EQ(royal->GetDemoText(), "12345");
}

// --- Royal Mail --------------------------------------------------------------

// Start (ascender), 1 2 3 4 5 in the published 4-state bars, check 'P', stop.
const std::string kRoyal12345 = "A" "TDAF" "TDFA" "DTAF" "DTFA" "DDAA" "ADAD" "F";

struct RoyalCase {
    int dpi;
    bool attrib;
    int16_t rotate;
    int pitch, bar;
    Span full, ascender, descender, tracker;
    int symbolWidth;
};

const RoyalCase kRoyalCases[] = {
    // 100 dpi (or 96): full 19, ascender 12, descender 7 to 19, tracker 7 to 12.
    {100, true, 0, 5, 2, {20, 39}, {20, 32}, {27, 39}, {27, 32}, 125},
    {96, true, 90, 5, 2, {10, 29}, {17, 29}, {10, 22}, {17, 22}, 125},
    {100, true, 180, 5, 2, {601, 620}, {608, 620}, {601, 613}, {608, 613}, 125},
    {96, true, 270, 5, 2, {591, 610}, {591, 603}, {598, 610}, {598, 603}, 125},
    // 300 dpi: 107, 67, 40 and 27 / 540 inch are 59, 37, 22 and 15.
    {300, true, 0, 14, 6, {20, 79}, {20, 57}, {42, 79}, {42, 57}, 350},
    {300, true, 90, 14, 6, {10, 69}, {32, 69}, {10, 47}, {32, 47}, 350},
    {300, true, 180, 14, 6, {561, 620}, {583, 620}, {561, 598}, {583, 598}, 350},
    {300, true, 270, 14, 6, {551, 610}, {551, 588}, {573, 610}, {573, 588}, 350},
    // No attribute context, 50 dpi: 9, 6, 3 and 2.
    {300, false, 0, 2, 1, {20, 29}, {20, 26}, {23, 29}, {23, 25}, 50},
    {300, false, 90, 2, 1, {10, 19}, {13, 19}, {10, 16}, {13, 15}, 50},
    {300, false, 180, 2, 1, {611, 620}, {614, 620}, {611, 617}, {615, 617}, 50},
    {300, false, 270, 2, 1, {601, 610}, {601, 607}, {604, 610}, {605, 607}, 50},
};

TEST(RoyalMail, BarsAtEachResolutionAndRotation)
{
    for (const auto& c : kRoyalCases) {
        SCOPED_TRACE(testing::Message() << c.dpi << " dpi, attrib " << c.attrib << ", rotation " << c.rotate);
        auto symbol = MakePostal(CreateRoyalMailBarcode, c.rotate);
        CMetaFileDC dc(700, 700, c.dpi, c.attrib);
        std::string text = "12345";
        ASSERT_TRUE(symbol->DrawRoyalMail(&dc, text, kBarRect));
        std::vector<RECT> expected;
        for (size_t i = 0; i < kRoyal12345.size(); ++i) {
            const char kind = kRoyal12345[i];
            const Span s = kind == 'F' ? c.full : kind == 'A' ? c.ascender : kind == 'D' ? c.descender : c.tracker;
            expected.push_back(Strip(kBarRect, c.rotate, int(i) * c.pitch, c.bar, s.from, s.to));
        }
        EXPECT_EQ(Rectangles(dc), expected);
        EXPECT_EQ(symbol->GetSymbolWidth(), c.symbolWidth);
    }
}

// Bar kinds at rotation 0, 100 dpi: F full, A ascender, D descender, T tracker.
std::string RoyalBars(const std::string& input, std::string* drawn = nullptr)
{
    auto symbol = MakePostal(CreateRoyalMailBarcode, 0);
    CMetaFileDC dc(700, 700, 100);
    std::string text = input;
    EXPECT_TRUE(symbol->DrawRoyalMail(&dc, text, RECT{0, 0, 600, 30}));
    if (drawn) *drawn = text;
    std::string kinds;
    for (const RECT& r : Rectangles(dc)) {
        const bool top = r.top == 0, bottom = r.bottom == 19;
        kinds += top ? (bottom ? 'F' : 'A') : (bottom ? 'D' : 'T');
    }
    return kinds;
}

TEST(RoyalMail, CheckCharacters)
{
    // Row and column sums worked by hand: SN34RD1A -> K (row 4, column 3),
    // AB12 -> X (row 6, column 4), an empty filtered text -> Z (6, 6),
    // 0 -> 0 (1, 1).
    const std::pair<const char*, const char*> cases[] = {
        {"SN34RD1A", "ADDA"}, {"AB12", "FATD"}, {"-", "FFTT"}, {"0", "TTFF"},
    };
    for (const auto& [text, check] : cases) {
        const std::string bars = RoyalBars(text);
        ASSERT_GE(bars.size(), 6u);
        EXPECT_EQ(bars.substr(bars.size() - 5, 4), check) << text;
        EXPECT_EQ(bars.front(), 'A');
        EXPECT_EQ(bars.back(), 'F');
    }
}

TEST(RoyalMail, DrawsOnlyUppercaseLettersAndDigits)
{
    std::string drawn;
    const std::string bars = RoyalBars("ab-12", &drawn);
    EXPECT_EQ(drawn, "AB12");
    EXPECT_EQ(bars, RoyalBars("AB12"));
    // A = row 2, column 5; B = row 2, column 6; 1 = row 1, column 2; 2 = row 1, column 3.
    EXPECT_EQ(bars, "A" "DADA" "DFTA" "TDAF" "TDFA" "FATD" "F");
}

// --- through the engine -----------------------------------------------------------

std::vector<MetaRecord> Texts(const CMetaFileDC& dc)
{
    std::vector<MetaRecord> out;
    for (const auto& rec : dc.Records())
        if (rec.kind == MetaRecord::TextOut) out.push_back(rec);
    return out;
}

TEST(RoyalMail, PrintsTheTextAsEnteredAndDrawsItFiltered)
{
    auto symbol = CreateRoyalMailBarcode();
    symbol->SetText("ab-12");
    symbol->SetShowText(TRUE);
    symbol->SetTextHeight(20);
    CMetaFileDC dc(300, 60, 100);
    symbol->Paint(&dc, RECT{0, 0, 300, 60});
    ASSERT_TRUE(symbol->IsSizeOk());
    // AB12 and its check character: 22 bars, the last at 21 x 5.
    EXPECT_EQ(symbol->GetSymbolWidth(), 105);
    EXPECT_EQ(Rectangles(dc).size(), 22u);
    const auto texts = Texts(dc);
    ASSERT_EQ(texts.size(), 5u);
    const std::string shown = "ab-12";
    for (size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(texts[i].text, shown.substr(i, 1));
        EXPECT_EQ(texts[i].pt, (POINT{int(i) * 21, 40}));
    }
}

TEST(RoyalMail, ModuleFitCountsTheTextBeforeFiltering)
{
    // "A" and 20 dashes: one character drawn (24 units at 50 dpi), but the
    // engine's module fit asks for 8 x 21 + 3 = 171 units first.
    for (int length : {171, 170}) {
        auto symbol = CreateRoyalMailBarcode();
        symbol->SetText("A" + std::string(20, '-'));
        CMetaFileDC dc(300, 60, 100, false);
        symbol->Paint(&dc, RECT{0, 0, length, 30});
        EXPECT_EQ(symbol->IsSizeOk(), length == 171 ? TRUE : FALSE) << length;
    }
}

TEST(PostNet, PaintedThroughTheEngine)
{
    for (int length : {175, 174}) {
        auto symbol = CreatePostNetBarcode();
        symbol->SetText("12345");
        symbol->SetShowText(TRUE);
        symbol->SetTextHeight(20);
        CMetaFileDC dc(300, 60, 96);
        symbol->Paint(&dc, RECT{0, 0, length, 60});
        if (length == 174) {
            EXPECT_FALSE(symbol->IsSizeOk());
            EXPECT_TRUE(Rectangles(dc).empty());
            continue;
        }
        ASSERT_TRUE(symbol->IsSizeOk());
        EXPECT_EQ(symbol->GetSymbolWidth(), 155);
        EXPECT_EQ(Rectangles(dc).size(), 32u);
        const auto texts = Texts(dc);
        ASSERT_EQ(texts.size(), 5u);
        EXPECT_EQ(texts[4].text, "5");
        EXPECT_EQ(texts[4].pt, (POINT{4 * 31, 40}));
    }
}

// --- on a vector surface -------------------------------------------------------

// The filled rectangles of a cairo SVG document, back in device units.
std::vector<RECT> SvgRectangles(const std::string& svg, int dpi)
{
    auto unit = [dpi](double pt) { return int(std::lround(pt * dpi / 72.0)); };
    std::vector<RECT> out;
    for (size_t at = svg.find("M "); at != std::string::npos; at = svg.find("M ", at + 1)) {
        double v[8];
        int end = 0;
        if (std::sscanf(svg.c_str() + at, "M %lf %lf L %lf %lf L %lf %lf L %lf %lf Z%n", &v[0], &v[1], &v[2], &v[3],
                        &v[4], &v[5], &v[6], &v[7], &end) != 8 || !end)
            continue;
        out.push_back({unit(v[0]), unit(v[1]), unit(v[4]), unit(v[5])});
    }
    return out;
}

TEST(Postal, PhysicalSizeOnA300DpiVectorSurface)
{
    struct Case {
        SymbolPtr (*factory)();
        int16_t rotate;
        std::multiset<int> heights; // across the axis, one per bar
    };
    // 300 dpi: pitch 14, bar 6; PostNet 37 and 15, Royal Mail 59, 37, 15.
    const std::multiset<int> postnet = {37, 37, 37, 37, 37, 37, 37, 37, 37, 37, 37, 37, 37, 37, 15, 15, 15, 15, 15,
                                        15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15};
    std::multiset<int> royal;
    for (char kind : kRoyal12345) royal.insert(kind == 'F' ? 59 : kind == 'T' ? 15 : 37);
    const Case cases[] = {
        {CreatePostNetBarcode, 0, postnet},
        {CreatePostNetBarcode, 90, postnet},
        {CreateRoyalMailBarcode, 0, royal},
        {CreateRoyalMailBarcode, 270, royal},
    };
    for (const auto& c : cases) {
        auto symbol = c.factory();
        symbol->SetText("12345");
        SCOPED_TRACE(testing::Message() << symbol->GetTypeName() << " rotation " << c.rotate);
        PaintState state;
        state.rotate = c.rotate;
        state.showText = FALSE;
        const bool vertical = c.rotate == 90 || c.rotate == 270;
        const int w = vertical ? 100 : 600, h = vertical ? 600 : 100;
        const std::string svg = CVectorDC::Render(VectorFormat::Svg, w, h, 300, [&](CDC& dc) {
            DrawBarcode(&dc, RECT{0, 0, w, h}, *symbol, state);
        });
        ASSERT_TRUE(symbol->IsSizeOk());
        std::vector<RECT> bars;
        for (const RECT& r : SvgRectangles(svg, 300))
            if (r.Width() < w / 2 || r.Height() < h / 2) bars.push_back(r); // not the background
        ASSERT_EQ(bars.size(), c.heights.size());
        std::multiset<int> heights;
        for (size_t i = 0; i < bars.size(); ++i) {
            const RECT& r = bars[i];
            EXPECT_EQ(vertical ? r.Height() : r.Width(), 6) << "bar " << i;
            heights.insert(vertical ? r.Width() : r.Height());
            if (i > 0) {
                const int step = vertical ? r.top - bars[i - 1].top : r.left - bars[i - 1].left;
                EXPECT_EQ(std::abs(step), 14) << "bar " << i;
            }
        }
        EXPECT_EQ(heights, c.heights);
    }
}

} // namespace

// Raster and metafile surfaces: exact rectangle coverage and text placement
// in the turned text frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/gdi/metafile.h"
#include "platform/gdi/raster.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

// Every pixel of the surface is `inside` within r and white elsewhere.
void ExpectCovers(const CRasterDC& dc, const RECT& r, COLORREF inside)
{
    int wrong = 0;
    for (int y = 0; y < dc.Height(); ++y)
        for (int x = 0; x < dc.Width(); ++x) {
            const bool in = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
            wrong += dc.GetPixel(x, y) != (in ? inside : kWhite);
        }
    EXPECT_EQ(wrong, 0) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
}

const RECT kRects[] = {{3, 4, 10, 20}, {0, 0, 1, 1}, {7, 7, 8, 30}, {0, 0, 40, 40}, {39, 5, 40, 6}, {12, 30, 33, 31}};

LOGFONT Arial24()
{
    LOGFONT f;
    f.lfHeight = -24;
    f.lfWeight = FW_BOLD;
    return f;
}

struct Box {
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN; // right/bottom inclusive
    bool Empty() const { return left > right; }
};

// Bounding box of the pixels that differ from white.
Box InkBox(const CRasterDC& dc)
{
    Box b;
    for (int y = 0; y < dc.Height(); ++y)
        for (int x = 0; x < dc.Width(); ++x)
            if (dc.GetPixel(x, y) != kWhite) {
                b.left = std::min(b.left, x), b.right = std::max(b.right, x);
                b.top = std::min(b.top, y), b.bottom = std::max(b.bottom, y);
            }
    return b;
}

// The text direction and the "down" direction of the glyphs on the surface
// for each escapement (counter-clockwise, y downward).
struct Frame { int esc, dx, dy, nx, ny; };
constexpr Frame kFrames[] = {
    {0, 1, 0, 0, 1}, {900, 0, -1, 1, 0}, {1800, -1, 0, 0, -1}, {2700, 0, 1, -1, 0}};

struct Align { UINT flags; int hPart; int vPart; }; // 0 start, 1 middle/baseline, 2 end
constexpr Align kAligns[] = {
    {TA_LEFT | TA_TOP, 0, 0},      {TA_CENTER | TA_TOP, 1, 0},      {TA_RIGHT | TA_TOP, 2, 0},
    {TA_LEFT | TA_BASELINE, 0, 1}, {TA_CENTER | TA_BASELINE, 1, 1}, {TA_RIGHT | TA_BASELINE, 2, 1},
    {TA_LEFT | TA_BOTTOM, 0, 2},   {TA_CENTER | TA_BOTTOM, 1, 2},   {TA_RIGHT | TA_BOTTOM, 2, 2}};

// The text cell on the surface, [left, right) x [top, bottom).
RECT ExpectedCell(const Frame& f, const Align& a, POINT ref, int width, int ascent, int height)
{
    const int u0 = a.hPart == 0 ? 0 : a.hPart == 1 ? -(width / 2) : -width;
    const int v0 = a.vPart == 0 ? 0 : a.vPart == 1 ? -ascent : -height;
    const int xs[2] = {ref.x + f.dx * u0 + f.nx * v0, ref.x + f.dx * (u0 + width) + f.nx * (v0 + height)};
    const int ys[2] = {ref.y + f.dy * u0 + f.ny * v0, ref.y + f.dy * (u0 + width) + f.ny * (v0 + height)};
    return {std::min(xs[0], xs[1]), std::min(ys[0], ys[1]), std::max(xs[0], xs[1]), std::max(ys[0], ys[1])};
}


TEST(RasterSurface, FillRectCoversExactlyItsPixels)
{
    for (const RECT& r : kRects) {
        CRasterDC dc(40, 40);
        dc.FillRect(r, CBrush{BS_SOLID, RGB(10, 20, 30)});
        ExpectCovers(dc, r, RGB(10, 20, 30));
    }
}

TEST(RasterSurface, RectangleWithPenCoversExactlyItsPixels)
{
    for (const RECT& r : kRects) {
        CRasterDC dc(40, 40);
        dc.SelectObject(CPen{PS_SOLID, 0, RGB(200, 0, 0)});
        dc.SelectObject(CBrush{BS_SOLID, RGB(200, 0, 0)});
        EXPECT_TRUE(dc.Rectangle(r));
        ExpectCovers(dc, r, RGB(200, 0, 0));
    }
}

TEST(RasterSurface, RectangleWithoutPenLeavesLastColumnAndRow)
{
    CRasterDC dc(40, 40);
    dc.SelectObject(CPen{PS_NULL, 0, 0});
    dc.SelectObject(CBrush{BS_SOLID, RGB(0, 0, 255)});
    dc.Rectangle(5, 6, 15, 26);
    ExpectCovers(dc, RECT{5, 6, 14, 25}, RGB(0, 0, 255));
}

TEST(RasterSurface, RectangleOutlineInPenColour)
{
    CRasterDC dc(20, 20);
    dc.SelectObject(CPen{PS_SOLID, 1, RGB(255, 0, 0)});
    dc.SelectObject(CBrush{BS_SOLID, RGB(0, 0, 255)});
    dc.Rectangle(2, 3, 12, 9);
    EXPECT_EQ(dc.GetPixel(2, 3), RGB(255, 0, 0));
    EXPECT_EQ(dc.GetPixel(11, 8), RGB(255, 0, 0));
    EXPECT_EQ(dc.GetPixel(5, 5), RGB(0, 0, 255));
    EXPECT_EQ(dc.GetPixel(12, 5), kWhite);
    EXPECT_EQ(dc.GetPixel(5, 9), kWhite);
}

TEST(RasterSurface, RefusesUnreasonableSizes)
{
    for (auto [w, h] : {std::pair{0, 10}, {10, 0}, {-5, 5}, {100000, 100000}, {32767, 32767}, {INT_MAX, 1}}) {
        CRasterDC dc(w, h);
        EXPECT_FALSE(dc.IsOk()) << w << "x" << h;
        dc.FillRect(RECT{0, 0, 5, 5}, CBrush{});
        EXPECT_FALSE(dc.TextOut(0, 0, "x"));
        CDib dib;
        EXPECT_FALSE(dc.GetDIB(DibFormat::Bgr32, dib));
    }
}

TEST(MetafileSurface, RecordsExactRectangles)
{
    CMetaFileDC dc(40, 40);
    const CPen pen{PS_SOLID, 0, RGB(1, 2, 3)};
    const CBrush brush{BS_SOLID, RGB(1, 2, 3)};
    dc.SelectObject(pen);
    dc.SelectObject(brush);
    for (const RECT& r : kRects) {
        dc.FillRect(r, brush);
        dc.Rectangle(r);
    }
    ASSERT_EQ(dc.Records().size(), 2 * std::size(kRects));
    for (size_t i = 0; i < std::size(kRects); ++i) {
        EXPECT_EQ(dc.Records()[2 * i].kind, MetaRecord::FillRect);
        EXPECT_EQ(dc.Records()[2 * i].rect, kRects[i]);
        EXPECT_EQ(dc.Records()[2 * i + 1].kind, MetaRecord::Rectangle);
        EXPECT_EQ(dc.Records()[2 * i + 1].rect, kRects[i]);
        EXPECT_EQ(dc.Records()[2 * i + 1].pen, pen);
    }
    // Replayed, every rectangle covers the same pixels as drawn directly.
    for (const RECT& r : kRects) {
        CMetaFileDC one(40, 40);
        one.SelectObject(pen);
        one.SelectObject(brush);
        one.Rectangle(r);
        CRasterDC raster(40, 40);
        one.Replay(raster);
        ExpectCovers(raster, r, RGB(1, 2, 3));
    }
}

// Each alignment at each quarter turn: the drawn pixels lie inside the text
// cell placed around the reference point, and fill most of its length.
TEST(RasterText, AlignmentAppliesInTheTurnedFrame)
{
    const std::string text = "Hg8";
    for (const Frame& f : kFrames)
        for (const Align& a : kAligns) {
            CRasterDC dc(160, 160);
            LOGFONT font = Arial24();
            font.lfEscapement = font.lfOrientation = f.esc;
            dc.SelectObject(font);
            dc.SetTextAlign(a.flags);
            dc.SetBkMode(TRANSPARENT);
            dc.SetTextColor(RGB(0, 0, 0));
            const POINT ref{80, 80};
            ASSERT_TRUE(dc.TextOut(ref.x, ref.y, text));
            TEXTMETRIC tm;
            dc.GetTextMetrics(tm);
            const int width = dc.GetTextExtent(text).cx;
            const RECT cell = ExpectedCell(f, a, ref, width, tm.tmAscent, tm.tmHeight);
            const Box ink = InkBox(dc);
            SCOPED_TRACE(testing::Message() << "escapement " << f.esc << " align " << a.flags);
            ASSERT_FALSE(ink.Empty());
            EXPECT_GE(ink.left, cell.left - 1);
            EXPECT_GE(ink.top, cell.top - 1);
            EXPECT_LE(ink.right, cell.right);
            EXPECT_LE(ink.bottom, cell.bottom);
            const int inkAlong = f.dx ? ink.right - ink.left + 1 : ink.bottom - ink.top + 1;
            EXPECT_GE(inkAlong, width * 3 / 4);
        }
}

// In opaque mode the background fills exactly the text cell.
TEST(RasterText, OpaqueBackgroundFillsTheCell)
{
    for (const Frame& f : kFrames)
        for (const Align& a : kAligns) {
            CRasterDC dc(160, 160);
            LOGFONT font = Arial24();
            font.lfEscapement = f.esc;
            dc.SelectObject(font);
            dc.SetTextAlign(a.flags);
            dc.SetBkMode(OPAQUE);
            dc.SetBkColor(RGB(255, 0, 0));
            const POINT ref{80, 80};
            dc.TextOut(ref.x, ref.y, "12");
            TEXTMETRIC tm;
            dc.GetTextMetrics(tm);
            const RECT cell = ExpectedCell(f, a, ref, dc.GetTextExtent("12").cx, tm.tmAscent, tm.tmHeight);
            const Box ink = InkBox(dc);
            SCOPED_TRACE(testing::Message() << "escapement " << f.esc << " align " << a.flags);
            EXPECT_EQ(ink.left, cell.left);
            EXPECT_EQ(ink.top, cell.top);
            EXPECT_EQ(ink.right, cell.right - 1);
            EXPECT_EQ(ink.bottom, cell.bottom - 1);
            EXPECT_EQ(dc.GetPixel(cell.left, cell.top), RGB(255, 0, 0));
            EXPECT_EQ(dc.GetPixel(cell.right - 1, cell.bottom - 1), RGB(255, 0, 0));
        }
}

TEST(RasterText, DrawsInTheTextColourAntiAliased)
{
    CRasterDC dc(120, 40);
    dc.SelectObject(Arial24());
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(RGB(0, 0, 255));
    dc.TextOut(2, 2, "O8O");
    int full = 0, partial = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x) {
            const COLORREF c = dc.GetPixel(x, y);
            if (c == RGB(0, 0, 255)) ++full;
            else if (c != kWhite) ++partial;
        }
    EXPECT_GT(full, 50);
    EXPECT_GT(partial, 10); // edges are blended
}

// An underline is a solid line over the whole advance width below the
// baseline; a strike-out one above it.
TEST(RasterText, UnderlineAndStrikeOutSpanTheWidth)
{
    for (int strike = 0; strike < 2; ++strike) {
        CRasterDC dc(200, 40);
        LOGFONT font = Arial24();
        font.lfUnderline = strike ? 0 : 1;
        font.lfStrikeOut = strike ? 1 : 0;
        dc.SelectObject(font);
        dc.SetBkMode(TRANSPARENT);
        dc.SetTextAlign(TA_LEFT | TA_BASELINE);
        const int baseline = 30;
        dc.TextOut(10, baseline, "a b");
        const int width = dc.GetTextExtent("a b").cx;
        int solidRow = -1;
        for (int y = 0; y < 40 && solidRow < 0; ++y) {
            bool solid = true;
            for (int x = 10; x < 10 + width; ++x) solid &= dc.GetPixel(x, y) == RGB(0, 0, 0);
            if (solid) solidRow = y;
        }
        ASSERT_GE(solidRow, 0) << strike;
        if (strike) EXPECT_LT(solidRow, baseline);
        else EXPECT_GE(solidRow, baseline);
        EXPECT_EQ(dc.GetPixel(10 + width, solidRow), kWhite);
        EXPECT_EQ(dc.GetPixel(9, solidRow), kWhite);
    }
}

TEST(RasterText, ReplayedTextMatchesDirectText)
{
    auto draw = [](CDC& dc) {
        LOGFONT font = Arial24();
        font.lfEscapement = 900;
        dc.SelectObject(font);
        dc.SetTextColor(RGB(0, 128, 0));
        dc.SetBkMode(TRANSPARENT);
        dc.TextOut(20, 90, "4006381");
    };
    CRasterDC direct(60, 100), replayed(60, 100);
    draw(direct);
    CMetaFileDC meta(60, 100);
    draw(meta);
    meta.Replay(replayed);
    ASSERT_EQ(meta.Records().size(), 1u);
    EXPECT_EQ(meta.Records()[0].pt, (POINT{20, 90}));
    EXPECT_EQ(meta.Records()[0].font.lfEscapement, 900);
    EXPECT_EQ(direct.ToGray(), replayed.ToGray());
}

// The command line renders on several threads at once: text drawn in
// parallel comes out exactly as drawn alone.
TEST(RasterText, ParallelSurfacesDrawTheSame)
{
    auto render = [](int variant) {
        CRasterDC dc(160, 40);
        LOGFONT font = Arial24();
        font.lfItalic = BYTE(variant & 1);
        font.lfWeight = (variant & 2) ? FW_NORMAL : FW_BOLD;
        font.lfEscapement = (variant & 4) ? 1800 : 0;
        dc.SelectObject(font);
        dc.SetTextAlign(TA_CENTER | TA_BASELINE);
        dc.TextOut(80, 28, "4006381333931");
        return dc.ToGray();
    };
    std::vector<std::vector<uint8_t>> expected;
    for (int v = 0; v < 8; ++v) expected.push_back(render(v));
    std::vector<int> mismatches(4, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 40; ++i) mismatches[t] += render((i + t) % 8) != expected[(i + t) % 8];
        });
    for (auto& th : threads) th.join();
    for (int m : mismatches) EXPECT_EQ(m, 0);
}

// What the surface knows of the colours it holds, after each drawing step.
TEST(RasterSurface, KnowsTheColoursItDrew)
{
    struct Step {
        const char* name;
        void (*draw)(CRasterDC&);
        std::vector<uint32_t> colours; // 0x00RRGGBB, in the order drawn
        bool grey;
    };
    const Step kSteps[] = {
        {"fresh surface", [](CRasterDC&) {}, {0xFFFFFF}, true},
        {"black bar", [](CRasterDC& dc) { dc.FillSolidRect({2, 2, 4, 30}, RGB(0, 0, 0)); }, {0xFFFFFF, 0x000000}, true},
        {"red outline", [](CRasterDC& dc) {
             dc.SelectObject(CPen{PS_SOLID, 1, RGB(255, 0, 0)});
             dc.SelectObject(CBrush{BS_NULL, 0});
             dc.Rectangle(5, 5, 20, 20);
         }, {0xFFFFFF, 0x000000, 0xFF0000}, false},
        {"whole fill starts afresh", [](CRasterDC& dc) { dc.FillSolidRect({0, 0, 40, 40}, RGB(9, 9, 9)); }, {0x090909}, true},
        {"bilevel text", [](CRasterDC& dc) {
             dc.SetTextAntialias(false);
             dc.SelectObject(Arial24());
             dc.SetBkMode(TRANSPARENT);
             dc.SetTextColor(RGB(200, 200, 200));
             dc.TextOut(1, 1, "12");
         }, {0x090909, 0xC8C8C8}, true},
        {"anti-aliased text", [](CRasterDC& dc) {
             dc.SetTextAntialias(true);
             dc.TextOut(1, 1, "12");
         }, {}, true},
        {"anti-aliased colour", [](CRasterDC& dc) {
             dc.SetTextColor(RGB(0, 0, 255));
             dc.TextOut(1, 1, "12");
         }, {}, false},
    };
    CRasterDC dc(40, 40);
    for (const Step& s : kSteps) {
        s.draw(dc);
        EXPECT_EQ(dc.DrawnColours(), s.colours) << s.name;
        EXPECT_EQ(dc.GreyOnly(), s.grey) << s.name;
        // The promise holds for every pixel.
        for (int y = 0; y < dc.Height(); ++y)
            for (int x = 0; x < dc.Width(); ++x) {
                const COLORREF c = dc.GetPixel(x, y);
                const uint32_t rgb = uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | GetBValue(c);
                if (!s.colours.empty()) {
                    EXPECT_NE(std::find(s.colours.begin(), s.colours.end(), rgb), s.colours.end()) << s.name;
                }
                if (s.grey) {
                    EXPECT_TRUE(GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c)) << s.name;
                }
            }
    }
}

} // namespace

namespace {

// One drawing sequence: fills, text over and beside them, fills after the
// text, a whole-surface fill part-way, at every rotation of the font.
void DrawSequence(CRasterDC& dc, int escapement, bool restart)
{
    LOGFONT f = Arial24();
    f.lfEscapement = escapement;
    dc.SelectObject(f);
    dc.SetBkMode(TRANSPARENT);
    dc.FillRect({0, 0, 90, 70}, CBrush{BS_SOLID, RGB(250, 250, 240)});
    if (restart) {
        dc.FillRect({5, 5, 20, 60}, CBrush{BS_SOLID, RGB(0, 0, 0)});
        dc.FillRect({0, 0, 90, 70}, CBrush{BS_SOLID, kWhite});
    }
    for (int x = 4; x < 80; x += 7) dc.FillRect({x, 2, x + 3, 50}, CBrush{BS_SOLID, RGB(10, 20, 30)});
    dc.SetTextColor(RGB(200, 0, 0));
    dc.TextOut(30, 35, "Ag");
    dc.SetTextColor(RGB(0, 0, 90));
    dc.TextOut(60, 40, "7");
    // Glyphs apart, an underline and a strike-out, black on white.
    f.lfHeight = -11;
    f.lfWeight = FW_NORMAL;
    f.lfUnderline = f.lfStrikeOut = 1;
    dc.SelectObject(f);
    dc.SetTextColor(RGB(0, 0, 0));
    dc.TextOut(2, 52, "40 06");
    dc.FillRect({40, 30, 44, 68}, CBrush{BS_SOLID, RGB(0, 128, 0)});
}

} // namespace

// Fills kept as a list give the pixels a surface that fills at once gives,
// through Data() and through Rows(); rounded text stays within half a step
// of cairo's blend, in colours the surface reports.
TEST(RasterSurface, DeferredFillsAndRoundedTextKeepThePixels)
{
    for (const int escapement : {0, 900, 1800, 2700})
        for (const bool restart : {false, true}) {
            // Deferred surfaces lay upright glyphs from their masks: the
            // same pixels as cairo draws on a surface that fills at once.
            CRasterDC direct(90, 70), deferred, rounded, roundedAtOnce(90, 70), bilevel, bilevelAtOnce(90, 70);
            deferred.SetDeferredFills(true);
            deferred.Create(90, 70);
            rounded.SetDeferredFills(true);
            rounded.SetTextLevels(16);
            rounded.Create(90, 70);
            roundedAtOnce.SetTextLevels(16);
            bilevel.SetDeferredFills(true);
            bilevel.Create(90, 70);
            for (CRasterDC* dc : {&bilevel, &bilevelAtOnce}) dc->SetTextAntialias(false);
            for (CRasterDC* dc : {&direct, &deferred, &rounded, &roundedAtOnce, &bilevel, &bilevelAtOnce})
                DrawSequence(*dc, escapement, restart);
            const std::vector<const uint8_t*>& rows = deferred.Rows();
            const std::vector<uint32_t> colours = rounded.DrawnColours();
            int rowsDiffer = 0, pixelsDiffer = 0, tooFar = 0, unreported = 0, laidDiffer = 0;
            for (int y = 0; y < 70; ++y) {
                rowsDiffer += std::memcmp(rows[size_t(y)], direct.Data() + size_t(y) * size_t(direct.Stride()), 90 * 4) != 0;
                for (int x = 0; x < 90; ++x) {
                    const COLORREF want = direct.GetPixel(x, y), got = rounded.GetPixel(x, y);
                    pixelsDiffer += deferred.GetPixel(x, y) != want;
                    laidDiffer += got != roundedAtOnce.GetPixel(x, y);
                    laidDiffer += bilevel.GetPixel(x, y) != bilevelAtOnce.GetPixel(x, y);
                    tooFar += std::abs(GetRValue(got) - GetRValue(want)) > 8 || std::abs(GetGValue(got) - GetGValue(want)) > 8 ||
                              std::abs(GetBValue(got) - GetBValue(want)) > 8;
                    const uint32_t rgb = uint32_t(GetRValue(got)) << 16 | uint32_t(GetGValue(got)) << 8 | GetBValue(got);
                    unreported += std::find(colours.begin(), colours.end(), rgb) == colours.end();
                }
            }
            const std::string label = std::to_string(escapement) + (restart ? " restarted" : "");
            EXPECT_EQ(rowsDiffer, 0) << label;
            EXPECT_EQ(pixelsDiffer, 0) << label;
            EXPECT_EQ(laidDiffer, 0) << label;
            EXPECT_EQ(tooFar, 0) << label;
            EXPECT_EQ(unreported, 0) << label;
            // Three text colours over a few grounds: far fewer than cairo's 256 steps.
            EXPECT_LE(colours.size(), 96u) << label;
        }
}

// Font resolution and the platform's metric rules.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/gdi/font.h"

namespace {

LOGFONT Arial(int height, int weight = FW_BOLD, bool italic = false)
{
    LOGFONT f;
    f.lfFaceName = "Arial";
    f.lfHeight = height;
    f.lfWeight = weight;
    f.lfItalic = italic ? 1 : 0;
    return f;
}

} // namespace

TEST(Font, ArialResolvesToLiberationSans)
{
    EXPECT_EQ(GetResolvedFamily(Arial(-24)), "Liberation Sans");
    EXPECT_EQ(GetResolvedFamily(Arial(-24, FW_NORMAL, true)), "Liberation Sans");
}

TEST(Font, EighteenPointsAt96DpiIsCharacterHeight24) { EXPECT_EQ(PointsToHeight(18, 96), -24); }

// Liberation Sans (Regular and Bold) carries OS/2 winAscent 1854 and
// winDescent 434 at 2048 units per em. At 24 pixels per em:
// ascent = round(1854 * 24 / 2048) = round(21.73) = 22,
// descent = round(434 * 24 / 2048) = round(5.09) = 5, cell = 27.
TEST(Font, Arial18PointBoldMetricsAt96Dpi)
{
    const TEXTMETRIC tm = GetFontMetrics(Arial(PointsToHeight(18, 96)));
    EXPECT_EQ(tm.tmAscent, 22);
    EXPECT_EQ(tm.tmDescent, 5);
    EXPECT_EQ(tm.tmHeight, 27);
    EXPECT_EQ(tm.tmInternalLeading, 3);
    EXPECT_EQ(tm.tmWeight, FW_BOLD);
}

TEST(Font, MetricsScaleWithTheCharacterHeight)
{
    struct Case { int height, ascent, descent; };
    // round(1854 h / 2048), round(434 h / 2048)
    const Case cases[] = {{-8, 7, 2}, {-12, 11, 3}, {-16, 14, 3}, {-24, 22, 5}, {-48, 43, 10}, {-100, 91, 21}};
    for (const Case& c : cases) {
        const TEXTMETRIC tm = GetFontMetrics(Arial(c.height, FW_NORMAL));
        EXPECT_EQ(tm.tmAscent, c.ascent) << c.height;
        EXPECT_EQ(tm.tmDescent, c.descent) << c.height;
        EXPECT_EQ(tm.tmHeight, c.ascent + c.descent) << c.height;
    }
}

// A positive height is the cell height: the em is scaled so that ascent
// and descent fill it (40: ascent round(40 * 1854 / 2288) = 32).
TEST(Font, PositiveHeightIsTheCellHeight)
{
    for (int h : {10, 27, 40, 41, 100}) EXPECT_EQ(GetFontMetrics(Arial(h)).tmHeight, h) << h;
    EXPECT_EQ(GetFontMetrics(Arial(40)).tmAscent, 32);
}

// Liberation Sans Bold digits advance 1139 units: 1139 * 24 / 2048 = 13.3,
// 13 pixels each.
TEST(Font, ExtentIsTheSumOfAdvanceWidths)
{
    const LOGFONT f = Arial(-24);
    EXPECT_EQ(GetFontTextExtent(f, "5901234123457"), (SIZE{13 * 13, 27}));
    EXPECT_EQ(GetFontTextExtent(f, ""), (SIZE{0, 27}));
    const std::string text = "Tessaline \x80 Ab";
    int sum = 0;
    for (char c : text) sum += GetFontTextExtent(f, std::string(1, c)).cx;
    EXPECT_EQ(GetFontTextExtent(f, text).cx, sum);
    EXPECT_GT(GetFontTextExtent(f, "\x80").cx, 0); // the euro sign of Windows-1252
    EXPECT_GT(GetFontTextExtent(f, "WWW").cx, GetFontTextExtent(f, "iii").cx);
}

TEST(Font, BoldIsWiderThanRegular)
{
    EXPECT_GT(GetFontTextExtent(Arial(-24, FW_BOLD), "barcode").cx,
              GetFontTextExtent(Arial(-24, FW_NORMAL), "barcode").cx);
}

TEST(Font, UnknownFaceStillMeasures)
{
    LOGFONT f = Arial(-20);
    f.lfFaceName = "No Such Face 12345";
    const TEXTMETRIC tm = GetFontMetrics(f);
    EXPECT_GT(tm.tmHeight, 15);
    EXPECT_GT(GetFontTextExtent(f, "123").cx, 0);
}

TEST(Font, ExtremeHeightsAreClamped)
{
    for (int h : {INT32_MIN, INT32_MAX, 0, 1, -1}) {
        const TEXTMETRIC tm = GetFontMetrics(Arial(h));
        EXPECT_GE(tm.tmHeight, 1) << h;
    }
}

TEST(Font, ParallelLookupsAgree)
{
    const TEXTMETRIC expected = GetFontMetrics(Arial(-24));
    std::vector<std::thread> threads;
    std::vector<int> ok(4, 0);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            bool good = true;
            for (int i = 0; i < 200; ++i) {
                LOGFONT f = Arial(-10 - (i % 30), (i & 1) ? FW_BOLD : FW_NORMAL, (i & 2) != 0);
                good &= GetFontMetrics(f).tmHeight > 0;
                good &= GetFontMetrics(Arial(-24)) == expected;
            }
            ok[t] = good;
        });
    for (auto& th : threads) th.join();
    for (int v : ok) EXPECT_TRUE(v);
}

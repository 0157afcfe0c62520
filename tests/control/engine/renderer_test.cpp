#include <gtest/gtest.h>

#include <vector>

#include "control/engine/renderer.h"
#include "control/symbologies/symbologies.h"
#include "platform/gdi/metafile.h"

namespace {

// A symbol that exposes the primitives and draws one fixed bar when asked.
class CProbe : public CGenericBarcode {
public:
    BOOL IsValid() const override { return m_valid; }
    BOOL Draw(CDC* dc) override
    {
        ++draws;
        if (m_fits) FillStrip(dc, m_rect, 0, 5);
        return m_fits;
    }
    std::string GetDisplayText() const override { return m_display.empty() ? m_text : m_display; }

    void Place(RECT r, int16_t rotate, int32_t textHeight = 0, BOOL showText = TRUE)
    {
        m_rect = r;
        m_rotate = rotate;
        m_textHeight = textHeight;
        m_showText = showText;
    }
    void SetModule(int32_t w) { m_moduleWidth = w; }
    void SetRuns(const SymbolRuns& runs) { m_runs = runs; }

    BOOL m_valid = TRUE;
    BOOL m_fits = TRUE;
    std::string m_display;
    int draws = 0;
};

const int16_t kRotations[] = {0, 90, 180, 270};
const RECT kArea{100, 50, 300, 150};

std::vector<MetaRecord> OfKind(const CMetaFileDC& dc, MetaRecord::Kind kind)
{
    std::vector<MetaRecord> out;
    for (const auto& r : dc.Records())
        if (r.kind == kind) out.push_back(r);
    return out;
}

std::vector<RECT> Rects(const CMetaFileDC& dc)
{
    std::vector<RECT> out;
    for (const auto& r : OfKind(dc, MetaRecord::Rectangle)) out.push_back(r.rect);
    return out;
}

// --- primitives at the four rotations ------------------------------------------

struct RectCase {
    int16_t rotate;
    RECT expected;
};

TEST(Primitives, AxisLength)
{
    CProbe p;
    const std::pair<int16_t, int32_t> cases[] = {{0, 200}, {90, 100}, {180, 200}, {270, 100}};
    for (auto [rotate, length] : cases) {
        p.SetRotate(rotate);
        EXPECT_EQ(p.AxisLength(kArea), length) << rotate;
        EXPECT_EQ(p.AxisLength(RECT{300, 150, 100, 50}), length) << rotate; // absolute
    }
}

void ExpectShrink(void (CGenericBarcode::*shrink)(RECT&, int32_t) const, const RectCase (&cases)[4], int32_t by)
{
    for (const auto& c : cases) {
        CProbe p;
        p.SetRotate(c.rotate);
        RECT r = kArea;
        (p.*shrink)(r, by);
        EXPECT_EQ(r, c.expected) << c.rotate << " by " << by;
    }
}

TEST(Primitives, ShrinkForTextMovesTheTextBandEdge)
{
    const RectCase in[] = {{0, {100, 50, 300, 130}}, {90, {120, 50, 300, 150}},
                           {180, {100, 70, 300, 150}}, {270, {100, 50, 280, 150}}};
    ExpectShrink(&CGenericBarcode::ShrinkForText, in, 20);
    const RectCase out[] = {{0, {100, 50, 300, 160}}, {90, {90, 50, 300, 150}},
                            {180, {100, 40, 300, 150}}, {270, {100, 50, 310, 150}}};
    ExpectShrink(&CGenericBarcode::ShrinkForText, out, -10);
}

TEST(Primitives, ShrinkForAddOnTextMovesTheLeadingEdge)
{
    const RectCase cases[] = {{0, {100, 70, 300, 150}}, {90, {100, 50, 280, 150}},
                              {180, {100, 50, 300, 130}}, {270, {120, 50, 300, 150}}};
    ExpectShrink(&CGenericBarcode::ShrinkForAddOnText, cases, 20);
}

TEST(Primitives, ShrinkFromStartAndEnd)
{
    const RectCase start[] = {{0, {107, 50, 300, 150}}, {90, {100, 57, 300, 150}},
                              {180, {100, 50, 293, 150}}, {270, {100, 50, 300, 143}}};
    ExpectShrink(&CGenericBarcode::ShrinkFromStart, start, 7);
    const RectCase end[] = {{0, {100, 50, 293, 150}}, {90, {100, 50, 300, 143}},
                            {180, {107, 50, 300, 150}}, {270, {100, 57, 300, 150}}};
    ExpectShrink(&CGenericBarcode::ShrinkFromEnd, end, 7);
}

TEST(Primitives, DrawRunsPlacesEachRunOnItsSpan)
{
    // A bar of 2 modules from module 0 on the bar area (less a text band
    // of 30) and a guard of 1 from module 3 over the whole area; module 0
    // 4 units in, 5 units a module, each bar 1 unit narrower.
    struct Case {
        int16_t rotate;
        std::vector<RECT> expected;
    };
    const Case cases[] = {
        {0, {{104, 50, 113, 120}, {119, 50, 123, 150}}},
        {90, {{130, 54, 300, 63}, {100, 69, 300, 73}}},
        {180, {{286, 80, 295, 150}, {276, 50, 280, 150}}},
        {270, {{100, 136, 270, 145}, {100, 126, 300, 130}}},
    };
    for (const auto& c : cases) {
        CProbe p;
        p.Place(kArea, c.rotate, 30);
        RunPlacement placement;
        RECT bars = kArea;
        p.ShrinkForText(bars, 30);
        placement.SetAll(bars);
        placement.spans[size_t(BarSpan::Guard)] = kArea;
        placement.origin = 4;
        placement.unit = 5;
        placement.trim = 1;
        SymbolRuns runs;
        runs.Add(0, 2);
        runs.Add(3, 1, BarSpan::Guard);
        p.SetRuns(runs);
        CMetaFileDC dc;
        p.DrawRuns(&dc, placement);
        EXPECT_EQ(Rects(dc), c.expected) << c.rotate;
        EXPECT_EQ(p.GetRunPlacement().origin, 4) << c.rotate;
    }
}

struct TextAtCase {
    int16_t rotate;
    POINT below, above;
};

TEST(Primitives, DrawTextAtBelowAndAbove)
{
    const TextAtCase cases[] = {
        {0, {112, 150}, {112, 32}},
        {90, {100, 62}, {318, 62}},
        {180, {288, 50}, {288, 168}},
        {270, {300, 138}, {82, 138}},
    };
    for (const auto& c : cases) {
        CProbe p;
        p.Place(kArea, c.rotate, 18);
        CMetaFileDC dc;
        p.DrawTextAt(&dc, kArea, 12, "AB", FALSE, FALSE);
        p.DrawTextAt(&dc, kArea, 12, "CD", TRUE, FALSE);
        const auto texts = OfKind(dc, MetaRecord::TextOut);
        ASSERT_EQ(texts.size(), 2u);
        EXPECT_EQ(texts[0].pt, c.below) << c.rotate;
        EXPECT_EQ(texts[0].text, "AB");
        EXPECT_EQ(texts[1].pt, c.above) << c.rotate;
    }
}

TEST(Primitives, DrawTextAtHonoursShowTextUnlessForced)
{
    CProbe p;
    p.Place(kArea, 0, 0, FALSE);
    CMetaFileDC dc;
    p.DrawTextAt(&dc, kArea, 0, "x", FALSE, FALSE);
    EXPECT_TRUE(dc.Records().empty());
    p.DrawTextAt(&dc, kArea, 0, "x", FALSE, TRUE);
    EXPECT_EQ(dc.Records().size(), 1u);
}

TEST(Primitives, DrawSpreadTextLeavesOutTheLastCharacter)
{
    // "12345": step 100 / 3 = 33; characters 0-3 at offsets 0, 33, 66, 99.
    const std::pair<int16_t, std::vector<POINT>> cases[] = {
        {0, {{100, 130}, {133, 130}, {166, 130}, {199, 130}}},
        {90, {{120, 50}, {120, 83}, {120, 116}, {120, 149}}},
        {180, {{300, 70}, {267, 70}, {234, 70}, {201, 70}}},
        {270, {{280, 150}, {280, 117}, {280, 84}, {280, 51}}},
    };
    for (const auto& [rotate, points] : cases) {
        CProbe p;
        p.Place(kArea, rotate, 20);
        p.SetText("12345");
        p.SetSymbolWidth(100);
        CMetaFileDC dc;
        p.DrawSpreadText(&dc);
        const auto texts = OfKind(dc, MetaRecord::TextOut);
        ASSERT_EQ(texts.size(), 4u) << rotate;
        for (size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(texts[i].pt, points[i]) << rotate << " " << i;
            EXPECT_EQ(texts[i].text, std::string(1, char('1' + i)));
        }
    }
}

TEST(Primitives, DrawSpreadTextUsesTheDisplayText)
{
    CProbe p;
    p.Place(kArea, 0, 20);
    p.SetText("1");
    p.m_display = "ABC";
    p.SetSymbolWidth(90);
    CMetaFileDC dc;
    p.DrawSpreadText(&dc);
    const auto texts = OfKind(dc, MetaRecord::TextOut);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1].pt, (POINT{190, 130}));
    p.SetShowText(FALSE);
    CMetaFileDC hidden;
    p.DrawSpreadText(&hidden);
    EXPECT_TRUE(hidden.Records().empty());
}

TEST(Primitives, DrawErrorTextStandsInTheTextBandOneUnitIn)
{
    CMetaFileDC metrics;
    metrics.SelectObject(PaintState::DefaultBarcodeFont());
    TEXTMETRIC tm;
    metrics.GetTextMetrics(tm);
    const int32_t h = tm.tmHeight;
    const std::pair<int16_t, POINT> cases[] = {
        {0, {101, 150 - h}}, {90, {100 + h, 51}}, {180, {299, 50 + h}}, {270, {300 - h, 149}}};
    for (const auto& [rotate, point] : cases) {
        CProbe p;
        p.Place(kArea, rotate, 0, FALSE); // shown even with the text off
        CMetaFileDC dc;
        dc.SelectObject(PaintState::DefaultBarcodeFont());
        p.DrawErrorText(&dc, "size error");
        const auto texts = OfKind(dc, MetaRecord::TextOut);
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0].pt, point) << rotate;
        EXPECT_EQ(texts[0].text, "size error");
    }
}

// --- the symbol model ---------------------------------------------------------------

TEST(SymbolModel, GenericSymbol)
{
    CGenericBarcode g;
    EXPECT_EQ(g.GetType(), -1);
    EXPECT_EQ(g.GetTypeName(), "Generic");
    EXPECT_FALSE(g.IsValid());
    EXPECT_EQ(g.GetChecksum(), -1);
    EXPECT_EQ(g.GetDemoText(), "");
    CMetaFileDC dc;
    EXPECT_TRUE(g.Draw(&dc));
    EXPECT_TRUE(dc.Records().empty());
    EXPECT_EQ(g.GetModuleWidth(), 3);
}

TEST(SymbolModel, SetTextReturnsThePreviousTextAndKeepsTheFit)
{
    SymbolPtr s = CreateCode25Barcode();
    s->SetShowText(FALSE);
    CMetaFileDC dc;
    s->SetText("1");
    s->Paint(&dc, RECT{0, 0, 100, 40});
    ASSERT_TRUE(s->IsSizeOk());
    EXPECT_EQ(s->SetText("22"), "1");
    EXPECT_TRUE(s->IsSizeOk());
    EXPECT_EQ(s->SetText(""), "22");
    EXPECT_FALSE(s->IsValid()); // engine classes need a text
}

// --- Paint ------------------------------------------------------------------------

TEST(Paint, TextErrorWinsOverSizeError)
{
    CProbe p;
    p.m_valid = FALSE;
    p.Place({}, 0, 20);
    CMetaFileDC dc;
    p.Paint(&dc, RECT{0, 0, 5, 5});
    EXPECT_EQ(p.draws, 0);
    EXPECT_FALSE(p.IsSizeOk());
    const auto texts = OfKind(dc, MetaRecord::TextOut);
    ASSERT_EQ(dc.Records().size(), 1u);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "text error");
}

struct HeightCase {
    BOOL showText;
    int32_t textHeight;
    int32_t height;
    bool drawn;
};

TEST(Paint, MinimumHeightWithAndWithoutText)
{
    const HeightCase cases[] = {
        {FALSE, 0, 19, false}, {FALSE, 0, 20, true},  {FALSE, 27, 20, true},
        {TRUE, 27, 46, false}, {TRUE, 27, 47, true},  {TRUE, 0, 20, true},
    };
    for (const auto& c : cases)
        for (int16_t rotate : kRotations) {
            CProbe p;
            p.Place({}, rotate, c.textHeight, c.showText);
            CMetaFileDC dc;
            // Wide enough along every axis; only the vertical extent counts.
            p.Paint(&dc, RECT{0, 0, 500, c.height});
            EXPECT_EQ(p.draws, c.drawn ? 1 : 0) << c.height << " at " << rotate;
            EXPECT_EQ(bool(p.IsSizeOk()), c.drawn);
            const auto texts = OfKind(dc, MetaRecord::TextOut);
            if (c.drawn) {
                EXPECT_TRUE(texts.empty());
            } else {
                ASSERT_EQ(texts.size(), 1u);
                EXPECT_EQ(texts[0].text, "size error");
            }
        }
}

TEST(Paint, FailedDrawGivesSizeError)
{
    CProbe p;
    p.m_fits = FALSE;
    p.Place({}, 0, 0, FALSE);
    CMetaFileDC dc;
    EXPECT_TRUE(p.Paint(&dc, RECT{0, 0, 100, 100}));
    EXPECT_FALSE(p.IsSizeOk());
    const auto texts = OfKind(dc, MetaRecord::TextOut);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "size error");
    EXPECT_EQ(p.GetRect(), (RECT{0, 0, 100, 100}));
}

// --- the paint sequence ---------------------------------------------------------------

TEST(DrawBarcode, SurfaceSetUpAndRestore)
{
    PaintState state;
    state.foreColor = RGB(10, 20, 30);
    state.backColor = RGB(200, 210, 220);
    CProbe p;
    CMetaFileDC dc;
    const CPen pen0{PS_SOLID, 3, RGB(1, 2, 3)};
    const CBrush brush0{BS_SOLID, RGB(4, 5, 6)};
    LOGFONT font0;
    font0.lfFaceName = "DejaVu Sans";
    dc.SelectObject(pen0);
    dc.SelectObject(brush0);
    dc.SelectObject(font0);
    DrawBarcode(&dc, RECT{0, 0, 250, 150}, p, state);

    const auto& rec = dc.Records();
    ASSERT_EQ(rec.size(), 2u);
    EXPECT_EQ(rec[0].kind, MetaRecord::FillRect);
    EXPECT_EQ(rec[0].rect, (RECT{0, 0, 250, 150}));
    EXPECT_EQ(rec[0].brush.color, state.backColor);
    EXPECT_EQ(rec[1].kind, MetaRecord::Rectangle);
    EXPECT_EQ(rec[1].brush, (CBrush{BS_SOLID, state.foreColor}));
    EXPECT_EQ(rec[1].pen, (CPen{PS_SOLID, 0, state.foreColor}));
    EXPECT_EQ(dc.GetTextColor(), state.foreColor);
    EXPECT_EQ(dc.GetBkMode(), TRANSPARENT);
    EXPECT_EQ(dc.GetCurrentPen(), pen0);
    EXPECT_EQ(dc.GetCurrentBrush(), brush0);
    EXPECT_EQ(dc.GetCurrentFont(), font0);
}

TEST(DrawBarcode, BordersAndTextBand)
{
    CMetaFileDC metrics;
    metrics.SelectObject(PaintState::DefaultBarcodeFont());
    TEXTMETRIC tm;
    metrics.GetTextMetrics(tm);
    PaintState state;
    state.borderWidth = 7;
    state.borderHeight = 11;
    CProbe p;
    CMetaFileDC dc;
    DrawBarcode(&dc, RECT{5, 6, 255, 156}, p, state);
    EXPECT_EQ(p.GetRect(), (RECT{12, 17, 248, 145}));
    EXPECT_EQ(p.GetTextHeight(), tm.tmHeight);
    state.showText = FALSE;
    DrawBarcode(&dc, RECT{5, 6, 255, 156}, p, state);
    EXPECT_EQ(p.GetTextHeight(), 0);
    EXPECT_FALSE(p.GetShowText());
}

TEST(DrawBarcode, FontTurnsWithTheRotation)
{
    const std::pair<int16_t, int32_t> cases[] = {{0, 0}, {90, 2700}, {180, 1800}, {270, 900}};
    for (auto [rotate, escapement] : cases) {
        PaintState state;
        state.rotate = rotate;
        CProbe p;
        p.m_valid = FALSE; // writes "text error" with the paint's font
        CMetaFileDC dc;
        DrawBarcode(&dc, RECT{0, 0, 250, 150}, p, state);
        const auto texts = OfKind(dc, MetaRecord::TextOut);
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0].font.lfEscapement, escapement) << rotate;
        EXPECT_EQ(texts[0].font.lfOrientation, escapement) << rotate;
        EXPECT_EQ(texts[0].font.lfHeight, state.font.lfHeight);
        EXPECT_EQ(texts[0].textColor, state.foreColor);
        EXPECT_EQ(texts[0].bkMode, TRANSPARENT);
        EXPECT_EQ(p.GetRotate(), rotate);
    }
}

TEST(DrawBarcode, TypeNinetyNineDrawsOnlyTheBackground)
{
    SymbolPtr none = CreateNoneBarcode();
    none->SetText("whatever");
    for (int16_t rotate : kRotations) {
        PaintState state;
        state.rotate = rotate;
        CMetaFileDC dc;
        DrawBarcode(&dc, RECT{0, 0, 250, 150}, *none, state);
        ASSERT_EQ(dc.Records().size(), 1u) << rotate;
        EXPECT_EQ(dc.Records()[0].kind, MetaRecord::FillRect);
        EXPECT_TRUE(none->IsSizeOk());
    }
}

} // namespace

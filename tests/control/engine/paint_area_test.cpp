// An area with no room for bars (turned inside out by the borders, or as
// narrow as the text band across the bar axis) is too small: "size error",
// and no bar outside the area.
#include <gtest/gtest.h>

#include "control/engine/renderer.h"
#include "control/symbologies/symbologies.h"
#include "platform/gdi/metafile.h"

namespace {

struct AreaCase {
    int16_t rotate;
    RECT bounds;
    int32_t border; // left, right, top and bottom
    BOOL showText;
};

// Code 128 takes any text: the only reason left to refuse is the area.
TEST(PaintArea, NoRoomForBarsIsASizeError)
{
    const AreaCase cases[] = {
        {0, {0, 0, 4, 300}, 3, FALSE},     // borders wider than the area
        {90, {0, 0, 400, 6}, 4, FALSE},    // borders taller than the area
        {270, {0, 0, 1, 600}, 3, TRUE},    // the text band on the right takes all
        {90, {0, 0, 20, 600}, 0, TRUE},    // the text band on the left takes all
    };
    for (const AreaCase& c : cases) {
        SymbolPtr symbol = CreateCode128Barcode();
        symbol->SetText("Tessaline");
        PaintState state;
        state.rotate = c.rotate;
        state.showText = c.showText;
        state.borderWidth = state.borderHeight = c.border;
        CMetaFileDC dc(c.bounds.right, c.bounds.bottom);
        DrawBarcode(&dc, c.bounds, *symbol, state);
        EXPECT_FALSE(symbol->IsSizeOk()) << c.rotate << " " << c.bounds.right << "x" << c.bounds.bottom;
        bool sizeError = false;
        for (const MetaRecord& r : dc.Records()) {
            EXPECT_NE(r.kind, MetaRecord::Rectangle) << c.rotate << " " << c.bounds.right << "x" << c.bounds.bottom;
            sizeError = sizeError || (r.kind == MetaRecord::TextOut && r.text == "size error");
        }
        EXPECT_TRUE(sizeError) << c.rotate;
    }
}

// Across the axis, exactly the text band leaves bars of no length; one unit
// more leaves bars one unit long.
TEST(PaintArea, BarsNeedOneUnitBesideTheTextBand)
{
    PaintState state;
    state.rotate = 270;
    state.borderWidth = state.borderHeight = 0;
    CMetaFileDC probe;
    TEXTMETRIC tm;
    probe.SelectObject(state.font);
    probe.GetTextMetrics(tm);
    for (int32_t extra : {0, 1}) {
        SymbolPtr symbol = CreateCode128Barcode();
        symbol->SetText("Tessaline");
        const RECT bounds{0, 0, tm.tmHeight + extra, 600};
        CMetaFileDC dc(bounds.right, bounds.bottom);
        DrawBarcode(&dc, bounds, *symbol, state);
        EXPECT_EQ(symbol->IsSizeOk(), extra == 1 ? TRUE : FALSE);
        int bars = 0;
        for (const MetaRecord& r : dc.Records())
            if (r.kind == MetaRecord::Rectangle) {
                ++bars;
                EXPECT_EQ(r.rect.right - r.rect.left, 1);
            }
        EXPECT_EQ(bars > 0, extra == 1);
    }
}

} // namespace

// UPC E keeps room of its own beside the bars (three digit widths of the
// font): an area that cannot hold it and the bars is a size error, never
// bars drawn outside the area.
#include <gtest/gtest.h>

#include "control/engine/renderer.h"
#include "control/symbologies/symbologies.h"
#include "platform/gdi/metafile.h"

namespace {

CMetaFileDC Paint(CGenericBarcode& symbol, int16_t rotate, int axis, int across, const LOGFONT* font = nullptr)
{
    PaintState state;
    state.rotate = rotate;
    state.showText = FALSE;
    state.borderWidth = state.borderHeight = 0;
    if (font) state.font = *font;
    const bool vertical = rotate == 90 || rotate == 270;
    const RECT bounds{0, 0, vertical ? across : axis, vertical ? axis : across};
    CMetaFileDC dc(bounds.right, bounds.bottom);
    DrawBarcode(&dc, bounds, symbol, state);
    return dc;
}

void ExpectBarsInside(const CMetaFileDC& dc, int width, int height, const char* what)
{
    for (const MetaRecord& r : dc.Records())
        if (r.kind == MetaRecord::Rectangle) {
            EXPECT_GE(r.rect.left, -1) << what;
            EXPECT_GE(r.rect.top, -1) << what;
            EXPECT_LE(r.rect.right, width) << what;
            EXPECT_LE(r.rect.bottom, height) << what;
        }
}

// UPC E keeps three digit widths of the font beside its bars; a font wider
// than the area leaves no room (the bars used to land far outside it).
TEST(UpcEArea, FontWiderThanTheArea)
{
    LOGFONT huge;
    huge.lfHeight = -2000;
    for (int16_t rotate : {0, 90, 180, 270}) {
        SymbolPtr symbol = CreateUpcEBarcode();
        symbol->SetText("123456");
        const CMetaFileDC dc = Paint(*symbol, rotate, 300, 60, &huge);
        EXPECT_FALSE(symbol->IsSizeOk()) << rotate;
        for (const MetaRecord& r : dc.Records()) EXPECT_NE(r.kind, MetaRecord::Rectangle) << rotate;

        const CMetaFileDC fits = Paint(*symbol, rotate, 300, 60);
        EXPECT_TRUE(symbol->IsSizeOk()) << rotate;
        const bool vertical = rotate == 90 || rotate == 270;
        ExpectBarsInside(fits, vertical ? 60 : 300, vertical ? 300 : 60, "UPC E");
    }
}

} // namespace

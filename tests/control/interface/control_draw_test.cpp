#include "control_host.h"

#include "platform/gdi/metafile.h"
#include "platform/gdi/raster.h"
#include "tests/support/scan.h"

namespace {

std::vector<MetaRecord> DrawRecords(CHost& host, RECT bounds = {0, 0, 250, 150})
{
    CMetaFileDC dc(bounds.right, bounds.bottom);
    std::shared_ptr<IOleControl> view = host.control;
    view->Draw(&dc, bounds);
    return dc.Records();
}

TEST(ControlDraw, TypeNonePaintsOnlyTheBackground)
{
    CHost host;
    host.Put("Type", Variant(CODENONE));
    host.Put("BackColor", Variant(int32_t(RGB(1, 2, 3))));
    const auto records = DrawRecords(host);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].kind, MetaRecord::FillRect);
    EXPECT_EQ(records[0].rect, (RECT{0, 0, 250, 150}));
    EXPECT_EQ(records[0].brush.color, RGB(1, 2, 3));
    EXPECT_EQ(host.Get("IsSizeOk"), Variant(true)); // valid and fitted
}

TEST(ControlDraw, PaintUsesTheControlsColoursFontBordersAndRotation)
{
    struct Case {
        int16_t rotate;
        int32_t escapement;
    };
    const Case cases[] = {{0, 0}, {90, 2700}, {180, 1800}, {270, 900}};
    for (const auto& c : cases) {
        CHost host;
        host.Put("Type", Variant(20));  // MSI
        host.Put("Text", Variant("A")); // not an MSI text: the text error is painted
        host.Put("ForeColor", Variant(int32_t(RGB(200, 0, 0))));
        host.Put("BackColor", Variant(int32_t(0x80000005))); // the window colour: white
        host.Put("Borderwidth", Variant(7));
        host.Put("Borderheight", Variant(9));
        host.Put("Rotate", Variant(c.rotate));
        const auto records = DrawRecords(host);
        ASSERT_EQ(records.size(), 2u) << c.rotate;
        EXPECT_EQ(records[0].brush.color, RGB(255, 255, 255));
        const MetaRecord& text = records[1];
        ASSERT_EQ(text.kind, MetaRecord::TextOut);
        EXPECT_EQ(text.text, "text error");
        EXPECT_EQ(text.textColor, RGB(200, 0, 0));
        EXPECT_EQ(text.font.lfFaceName, "Arial");
        EXPECT_EQ(text.font.lfHeight, -24); // 18 points at 96 dpi
        EXPECT_EQ(text.font.lfWeight, FW_BOLD);
        EXPECT_EQ(text.font.lfEscapement, c.escapement) << c.rotate;
        EXPECT_EQ(host.control->GetSymbol()->GetRect(), (RECT{7, 9, 243, 141}));
        EXPECT_EQ(host.Get("IsSizeOk"), Variant(false));
    }
}

TEST(ControlDraw, WhatTheControlPaintsDecodesBackToItsText)
{
    REQUIRE_CLASS(14);
    for (int16_t rotate : {0, 90, 180, 270}) {
        CHost host;
        host.Put("TypeName", Variant("Code 128"));
        host.Put("Text", Variant("Tessaline-42"));
        host.Put("Rotate", Variant(rotate));
        const bool sideways = rotate == 90 || rotate == 270;
        const int w = sideways ? 160 : 420, h = sideways ? 420 : 160;
        CRasterDC dc(w, h);
        std::shared_ptr<IOleControl> view = host.control;
        view->Draw(&dc, RECT{0, 0, w, h});
        EXPECT_EQ(host.Get("IsSizeOk"), Variant(true)) << rotate;
        const GrayImage image{w, h, dc.ToGray()};
        EXPECT_EQ(ScanZxing(image, "Code128").text, "Tessaline-42") << rotate;
    }
}

} // namespace

// The EAN 5 and EAN 2 add-ons read back: alone by zbar, and by zxing-cpp
// beside the main symbol they extend (zxing reads add-ons only there).
#define ZX_USE_UTF8 1
#include <ZXing/ReadBarcode.h>

#include <gtest/gtest.h>

#include "control/symbologies/symbologies.h"
#include "platform/gdi/raster.h"
#include "tests/support/scan.h"

namespace {

struct AddOnCase {
    int type;
    const char* text;
};

const AddOnCase kCases[] = {
    {3, "12345"}, {3, "52495"}, {3, "00000"}, {3, "90000"}, {3, "24680"}, {3, "13579"},
    {4, "12"},    {4, "00"},    {4, "13"},    {4, "34"},    {4, "99"},    {4, "57"},
};

SymbolPtr MakeAddOn(int type) { return type == 3 ? CreateEan5Barcode() : CreateEan2Barcode(); }
int Grid(int type) { return type == 3 ? 49 : 22; }

PaintState Plain(int rotate, int border)
{
    PaintState state;
    state.showText = FALSE;
    state.rotate = int16_t(rotate);
    state.borderWidth = state.borderHeight = border;
    return state;
}

GrayImage Doubled(const GrayImage& in)
{
    GrayImage out{2 * in.width, 2 * in.height, {}};
    out.pixels.resize(size_t(out.width) * size_t(out.height));
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
            out.pixels[size_t(y) * size_t(out.width) + size_t(x)] =
                in.pixels[size_t(y / 2) * size_t(in.width) + size_t(x / 2)];
    return out;
}

TEST(EanAddOnScan, ZbarReadsTheAddOnsAloneAtEveryRotation)
{
    for (const auto& c : kCases) {
        for (int m : {1, 2, 3}) {
            for (int rotate : {0, 90, 180, 270}) {
                SymbolPtr s = MakeAddOn(c.type);
                s->SetText(c.text);
                const PaintState state = Plain(rotate, 12 * m + 8);
                const int axis = Grid(c.type) * m, depth = 40 + 10 * m;
                const bool vertical = rotate == 90 || rotate == 270;
                const GrayImage image = RenderGray(*s, (vertical ? depth : axis) + 2 * state.borderWidth,
                                                   (vertical ? axis : depth) + 2 * state.borderHeight, state);
                ASSERT_TRUE(s->IsSizeOk());
                // zbar misses modules one pixel wide; pixel doubling keeps the bars.
                const ScanResult zb = ScanZbar(m == 1 ? Doubled(image) : image);
                EXPECT_EQ(zb.text, c.text) << "m " << m << " rotation " << rotate;
                EXPECT_EQ(zb.format, c.type == 3 ? "EAN-5" : "EAN-2");
            }
        }
    }
}

// An EAN 13 symbol and the add-on painted side by side into one image, as
// a host places them, read by zxing with add-ons required.
TEST(EanAddOnScan, ZxingReadsTheAddOnBesideAnEan13)
{
    for (const auto& c : kCases) {
        for (int m : {1, 2, 3}) {
            const int border = 12 * m + 8, depth = 50 + 10 * m;
            const int mainAxis = 107 * m, gap = 5 * m, addOnAxis = Grid(c.type) * m;
            const int width = 2 * border + mainAxis + gap + addOnAxis, height = 2 * border + depth;
            CRasterDC dc(width, height);
            dc.FillSolidRect(RECT{0, 0, width, height}, RGB(255, 255, 255));
            SymbolPtr main = CreateEan13Barcode();
            main->SetText("400638133393");
            SymbolPtr addOn = MakeAddOn(c.type);
            addOn->SetText(c.text);
            PaintState state = Plain(0, 0);
            DrawBarcode(&dc, RECT{border, border, border + mainAxis, border + depth}, *main, state);
            const int start = border + mainAxis + gap;
            DrawBarcode(&dc, RECT{start, border, start + addOnAxis, border + depth}, *addOn, state);
            ASSERT_TRUE(main->IsSizeOk() && addOn->IsSizeOk());

            const std::vector<uint8_t> gray = dc.ToGray();
            ZXing::DecodeHints hints;
            hints.setFormats(ZXing::BarcodeFormat::EAN13);
            hints.setEanAddOnSymbol(ZXing::EanAddOnSymbol::Require);
            hints.setTryHarder(true);
            const ZXing::Result r =
                ZXing::ReadBarcode(ZXing::ImageView(gray.data(), width, height, ZXing::ImageFormat::Lum), hints);
            EXPECT_EQ(r.text(), std::string("4006381333931 ") + c.text) << "m " << m;
        }
    }
}

} // namespace

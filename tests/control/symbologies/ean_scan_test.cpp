// The EAN/UPC family and ISBN rendered to pixels and read back by two
// independent decoders, zxing-cpp and zbar.
#include <gtest/gtest.h>

#include <random>

#include "control/symbologies/ean_upc.h"
#include "control/symbologies/symbologies.h"
#include "platform/gdi/raster.h"
#include "tests/support/scan.h"

namespace {

SymbolPtr Make(int type)
{
    switch (type) {
    case 0: return CreateIsbnBarcode();
    case 1: return CreateEan13Barcode();
    case 2: return CreateEan8Barcode();
    case 5: return CreateUpcABarcode();
    case 16: return CreateEan99Barcode();
    case 17: return CreateUpcEBarcode();
    default: return nullptr;
    }
}

// Modules along the bar axis of each type's grid.
int GridModules(int type)
{
    switch (type) {
    case 2: return 67;
    case 5: return 109;
    case 17: return 51;
    default: return 107;
    }
}

int WidthOfX(const PaintState& state)
{
    CRasterDC dc(1, 1);
    dc.SelectObject(state.font);
    return dc.GetTextExtent("X").cx;
}

// Renders with text off and quiet borders of ten modules and more, in an
// area whose bar axis holds the type's grid at module width `m`.
GrayImage Render(CGenericBarcode& symbol, int m, int rotate)
{
    PaintState state;
    state.showText = FALSE;
    state.rotate = int16_t(rotate);
    state.borderWidth = state.borderHeight = 12 * m + 8;
    int axis = GridModules(symbol.GetType()) * m;
    // UPC E leaves the width of "X" before its bars and three after them
    // for its outer digits.
    if (symbol.GetType() == 17) axis += 3 * WidthOfX(state);
    const int depth = 40 + 10 * m;
    const bool vertical = rotate == 90 || rotate == 270;
    const int w = (vertical ? depth : axis) + 2 * state.borderWidth;
    const int h = (vertical ? axis : depth) + 2 * state.borderHeight;
    return RenderGray(symbol, w, h, state);
}

// The image with every pixel doubled in both directions.
GrayImage Doubled(const GrayImage& in)
{
    GrayImage out{2 * in.width, 2 * in.height, {}};
    out.pixels.resize(size_t(out.width) * size_t(out.height));
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
            out.pixels[size_t(y) * size_t(out.width) + size_t(x)] = in.pixels[size_t(y / 2) * size_t(in.width) + size_t(x / 2)];
    return out;
}

// zbar does not resolve modules one pixel wide reliably (about one symbol
// in five is missed, whatever the symbology); it reads the same bars with
// every pixel doubled.
GrayImage ForZbar(const GrayImage& image, int m) { return m == 1 ? Doubled(image) : image; }

// A UPC A number is the EAN 13 number with a leading zero; decoders
// report either form.
bool SameNumber(const std::string& decoded, const std::string& want)
{
    return decoded == want || decoded == "0" + want || "0" + decoded == want;
}

struct ScanCase {
    int type;
    std::string text;
    std::string expected; // as the decoders read it
};

std::vector<ScanCase> Cases()
{
    std::vector<ScanCase> cases = {
        {1, "123456789012", "1234567890128"},
        {1, "4006381333931", "4006381333931"},
        {1, "000000000000", "0000000000000"},
        {1, "590123412345", "5901234123457"},
        {16, "993456789012", "9934567890129"},
        {16, "9900000000011", "9900000000011"},
        {2, "1234567", "12345670"},
        {2, "96385074", "96385074"},
        {2, "0000000", "00000000"},
        {5, "12345678901", "123456789012"},
        {5, "03600029145", "036000291452"},
        {5, "99999999999", "999999999993"},
        {17, "123456", "01234565"},
        {17, "425261", "04252614"},
        {17, "654321", "06543217"},
        {17, "123453", "01234531"},
        {17, "123454", "01234543"},
        {17, "1234565", "01234565"},
        {17, "120453", "01204504"}, // drawn as its canonical form 120450
        {0, "123456789", "9781234567897"},
        {0, "0-306-40615-2", "9780306406157"},
        {0, "978-0-19-852663-6", "9780198526636"},
        {0, "080442957X", "9780804429573"},
    };
    return cases;
}

TEST(EanScan, EveryTypeAtModuleWidthsOneToThreeAndEveryRotation)
{
    for (const auto& c : Cases()) {
        SymbolPtr s = Make(c.type);
        s->SetText(c.text);
        ASSERT_TRUE(s->IsValid()) << c.text;
        for (int m : {1, 2, 3}) {
            for (int rotate : {0, 90, 180, 270}) {
                const GrayImage image = Render(*s, m, rotate);
                ASSERT_TRUE(s->IsSizeOk()) << c.text << " m " << m << " rotation " << rotate;
                const ScanResult zx = ScanZxing(image);
                const ScanResult zb = ScanZbar(ForZbar(image, m));
                EXPECT_TRUE(SameNumber(zx.text, c.expected))
                    << "zxing read '" << zx.text << "' (" << zx.format << ") for type " << c.type << " '" << c.text
                    << "' m " << m << " rotation " << rotate;
                EXPECT_TRUE(SameNumber(zb.text, c.expected))
                    << "zbar read '" << zb.text << "' (" << zb.format << ") for type " << c.type << " '" << c.text
                    << "' m " << m << " rotation " << rotate;
                if (HasFailure()) {
                    SavePgm(image, "/tmp/ean_scan_fail.pgm");
                    return;
                }
            }
        }
    }
}


// GS1 check digit: weight 3 on the last data digit, then 1 and 3 alternating.
char Gs1Check(const std::string& data)
{
    int sum = 0;
    for (size_t i = 0; i < data.size(); ++i) sum += (data[data.size() - 1 - i] - '0') * (i % 2 == 0 ? 3 : 1);
    return char('0' + (10 - sum % 10) % 10);
}

std::string RandomDigits(std::mt19937& rng, int n)
{
    std::string s;
    for (int i = 0; i < n; ++i) s += char('0' + rng() % 10);
    return s;
}

// Many texts the examples do not cover, each at one module width and
// rotation (cycling through all of them).
TEST(EanScan, RandomTexts)
{
    std::mt19937 rng(20240601);
    int round = 0;
    for (int type : {1, 16, 2, 5, 17, 0}) {
        for (int k = 0; k < 24; ++k, ++round) {
            std::string text, expected;
            switch (type) {
            case 1: text = RandomDigits(rng, 12); expected = text + Gs1Check(text); break;
            case 16: text = "99" + RandomDigits(rng, 10); expected = text + Gs1Check(text); break;
            case 2: text = RandomDigits(rng, 7); expected = text + Gs1Check(text); break;
            case 5: text = RandomDigits(rng, 11); expected = text + Gs1Check(text); break;
            case 17: {
                text = RandomDigits(rng, 6);
                std::string canonical = text;
                const int check = NormalizeUpcE(canonical);
                expected = "0" + canonical + char('0' + check);
                break;
            }
            case 0: text = RandomDigits(rng, 9); expected = "978" + text + Gs1Check("978" + text); break;
            }
            // Every other text carries its check digit.
            if (k % 2 == 1 && type != 0 && type != 17) text = expected;
            SymbolPtr s = Make(type);
            s->SetText(text);
            ASSERT_TRUE(s->IsValid()) << type << " " << text;
            const int m = 1 + round % 3;
            const int rotate = 90 * ((round / 3) % 4);
            const GrayImage image = Render(*s, m, rotate);
            const ScanResult zx = ScanZxing(image);
            const ScanResult zb = ScanZbar(ForZbar(image, m));
            EXPECT_TRUE(SameNumber(zx.text, expected))
                << "zxing read '" << zx.text << "' for type " << type << " '" << text << "' m " << m << " rotation " << rotate;
            EXPECT_TRUE(SameNumber(zb.text, expected))
                << "zbar read '" << zb.text << "' for type " << type << " '" << text << "' m " << m << " rotation " << rotate;
        }
    }
}

// With the digits shown (and guard bars reaching into them) the symbols
// read the same.
TEST(EanScan, WithTheDigitsShown)
{
    for (const auto& c : Cases()) {
        for (int rotate : {0, 90, 180, 270}) {
            SymbolPtr s = Make(c.type);
            s->SetText(c.text);
            PaintState state;
            state.rotate = int16_t(rotate);
            state.borderWidth = state.borderHeight = 30;
            const bool vertical = rotate == 90 || rotate == 270;
            const int axis = 2 * GridModules(c.type) + 100, depth = 140;
            const GrayImage image = RenderGray(*s, (vertical ? depth : axis) + 60, (vertical ? axis : depth) + 60, state);
            ASSERT_TRUE(s->IsSizeOk());
            EXPECT_TRUE(SameNumber(ScanZxing(image).text, c.expected)) << c.text << " rotation " << rotate;
            EXPECT_TRUE(SameNumber(ScanZbar(image).text, c.expected)) << c.text << " rotation " << rotate;
        }
    }
}

} // namespace

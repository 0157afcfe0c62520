// The command's compact PNG encoder: the form it picks for a given set of
// colours, and exact round trips through libpng, plain and interlaced, at
// sizes that leave Adam7 passes empty or partial.
#include <gtest/gtest.h>

#include <png.h>

#include <functional>
#include <string>
#include <vector>

#include "control/render/compact_png.h"

namespace {

using Pixel = std::function<uint32_t(int x, int y)>;

struct Image {
    int width, height;
    std::vector<uint32_t> pixels;
    PixelView View() const { return {reinterpret_cast<const uint8_t*>(pixels.data()), width * 4, width, height}; }
};

Image Make(int width, int height, const Pixel& pixel)
{
    Image image{width, height, std::vector<uint32_t>(size_t(width) * size_t(height))};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.pixels[size_t(y) * size_t(width) + size_t(x)] = pixel(x, y);
    return image;
}

uint32_t Grey(int v) { return uint32_t(v) * 0x010101u; }

struct Decoded {
    bool ok = false;
    int bitDepth = 0, colorType = -1, interlace = -1;
    uint32_t physX = 0;
    std::vector<uint8_t> rgb;
};

uint32_t Be(const std::vector<uint8_t>& b, size_t at)
{
    return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}

Decoded Decode(const std::vector<uint8_t>& png)
{
    Decoded d;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) return d;
    image.format = PNG_FORMAT_RGB;
    d.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, d.rgb.data(), 0, nullptr)) return d;
    d.bitDepth = png[24];
    d.colorType = png[25];
    d.interlace = png[28];
    for (size_t at = 8; at + 12 <= png.size(); at += 12 + Be(png, at))
        if (std::string(png.begin() + long(at) + 4, png.begin() + long(at) + 8) == "pHYs") d.physX = Be(png, at + 8);
    d.ok = true;
    return d;
}

std::vector<uint8_t> Rgb(const Image& image)
{
    std::vector<uint8_t> out;
    for (uint32_t p : image.pixels) {
        out.push_back(uint8_t(p >> 16));
        out.push_back(uint8_t(p >> 8));
        out.push_back(uint8_t(p));
    }
    return out;
}

struct FormCase {
    const char* name;
    Pixel pixel;
    int bitDepth, colorType; // colour type 0 grey, 2 RGB, 3 palette
};

const FormCase kForms[] = {
    {"black and white", [](int x, int y) { return (x * y) % 3 ? Grey(255) : Grey(0); }, 1, 0},
    {"greys of 85", [](int x, int y) { return Grey(85 * ((x + 2 * y) % 4)); }, 2, 0},
    {"greys of 17", [](int x, int y) { return Grey(17 * ((x + y) % 16)); }, 4, 0},
    {"two greys", [](int x, int) { return Grey(x % 2 ? 0x55 : 0xAA); }, 1, 3},
    {"three colours", [](int x, int y) { return (x + y) % 3 == 0 ? 0xFF0000u : (x + y) % 3 == 1 ? 0xFFFFFFu : 0x0000FFu; }, 2, 3},
    {"ten colours", [](int x, int y) { return 0x102030u * uint32_t((x + y) % 10); }, 4, 3},
    {"anti-aliased grey", [](int x, int y) { return Grey((x * 37 + y * 11) % 200); }, 8, 0},
    {"two hundred colours", [](int x, int y) { return 0x010203u * uint32_t((x * 7 + y) % 200); }, 8, 3},
    {"many colours", [](int x, int y) { return uint32_t(x * 977 + y * 131071) & 0xFFFFFFu; }, 8, 2},
};

TEST(CompactPng, PicksTheFewestBitsAndRoundTripsExactly)
{
    const std::pair<int, int> sizes[] = {{1, 1}, {2, 9}, {9, 3}, {13, 7}, {40, 33}};
    CCompactPngEncoder encoder; // one encoder for all: its state is reused
    for (const auto& form : kForms) {
        for (const auto& [w, h] : sizes) {
            const Image image = Make(w, h, form.pixel);
            for (const bool interlace : {false, true}) {
                const std::string label = std::string(form.name) + " " + std::to_string(w) + "x" + std::to_string(h) +
                                          (interlace ? " interlaced" : "");
                std::vector<uint8_t> png;
                ASSERT_TRUE(encoder.Encode(image.View(), 96, interlace, png)) << label;
                const Decoded d = Decode(png);
                ASSERT_TRUE(d.ok) << label;
                EXPECT_EQ(d.rgb, Rgb(image)) << label;
                EXPECT_EQ(d.interlace, interlace ? 1 : 0) << label;
                // A small image may need fewer colours than the pattern has.
                if (w * h >= 400) {
                    EXPECT_EQ(d.bitDepth, form.bitDepth) << label;
                    EXPECT_EQ(d.colorType, form.colorType) << label;
                }
            }
        }
    }
}

TEST(CompactPng, RepeatedRowsAndTheIgnoredTopByte)
{
    // Bars: every row alike except a band, with the unused top byte of the
    // pixels differing from row to row.
    const Image image = Make(250, 150, [](int x, int y) {
        const uint32_t top = uint32_t(y % 2 ? 0xFF : 0x00) << 24;
        if (y >= 120 && y < 140) return top | Grey((x * 13 + y) % 256);
        return top | ((x / 3) % 2 ? Grey(0) : Grey(255));
    });
    std::vector<uint8_t> png;
    CCompactPngEncoder encoder;
    ASSERT_TRUE(encoder.Encode(image.View(), 300, false, png));
    const Decoded d = Decode(png);
    ASSERT_TRUE(d.ok);
    Image clean = image;
    for (uint32_t& p : clean.pixels) p &= 0xFFFFFFu;
    EXPECT_EQ(d.rgb, Rgb(clean));
    EXPECT_EQ(d.physX, 11811u); // 300 dpi in pixels a metre
    EXPECT_EQ(encoder.Layout().form, PngForm::Grey);
    // The repeated rows cost next to nothing.
    EXPECT_LT(png.size(), 6000u);
}

TEST(CompactPng, RefusesAnEmptyImage)
{
    CCompactPngEncoder encoder;
    std::vector<uint8_t> png{1, 2, 3};
    EXPECT_FALSE(encoder.Encode(PixelView{}, 96, false, png));
    EXPECT_TRUE(png.empty());
}

// Colours promised by the surface spare the analysis; a promise that a
// pixel breaks (never from the raster surface) still gives its pixels.
TEST(CompactPng, PromisedColoursAndBrokenPromises)
{
    const Image bars = Make(61, 40, [](int x, int y) { return y > 4 && y < 30 && (x / 3) % 2 ? Grey(0) : Grey(255); });
    const Image blend = Make(61, 40, [](int x, int y) { return Grey(y > 20 ? (x * 7) % 256 : 255); });
    const Image tinted = Make(61, 40, [](int x, int) { return x == 30 ? 0x00FF00u : Grey(255); });
    const uint32_t blackWhite[] = {0xFFFFFF, 0x000000};
    const uint32_t white[] = {0xFFFFFF};
    const uint32_t threeGreys[] = {0xFFFFFF, 0x000000, 0x555555};
    struct Case {
        const char* name;
        const Image& image;
        const uint32_t* colours;
        size_t count;
        bool greyOnly;
        int bitDepth, colorType;
    };
    const Case kCases[] = {
        {"bars, both colours", bars, blackWhite, 2, false, 1, 0},
        {"bars, an unused colour too", bars, threeGreys, 3, false, 2, 0},
        {"bars, black missing", bars, white, 1, false, 1, 0},
        {"blended greys", blend, nullptr, 0, true, 8, 0},
        {"a colour among the greys", tinted, nullptr, 0, true, 1, 3},
        {"a colour not promised", tinted, blackWhite, 2, false, 1, 3},
    };
    CCompactPngEncoder encoder;
    for (const Case& c : kCases) {
        for (const bool interlace : {false, true}) {
            PixelView view = c.image.View();
            view.colours = c.colours;
            view.colourCount = c.count;
            view.greyOnly = c.greyOnly;
            std::vector<uint8_t> png;
            ASSERT_TRUE(encoder.Encode(view, 96, interlace, png)) << c.name;
            const Decoded d = Decode(png);
            ASSERT_TRUE(d.ok) << c.name;
            EXPECT_EQ(d.rgb, Rgb(c.image)) << c.name;
            EXPECT_EQ(d.bitDepth, c.bitDepth) << c.name;
            EXPECT_EQ(d.colorType, c.colorType) << c.name;
        }
    }
}

// Rows longer than the deflate window (32 KiB) cannot be copied from the
// row above; runs of them and of short rows round-trip all the same.
TEST(CompactPng, RowsPastTheDeflateWindow)
{
    const Image wide = Make(11000, 6, [](int x, int y) { return y < 4 ? uint32_t(x * 2654435761u) & 0xFFFFFFu : 0x123456u; });
    std::vector<uint8_t> png;
    CCompactPngEncoder encoder;
    ASSERT_TRUE(encoder.Encode(wide.View(), 96, false, png));
    EXPECT_EQ(encoder.Layout().form, PngForm::Rgb);
    const Decoded d = Decode(png);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.rgb, Rgb(wide));
}

} // namespace

// The command's compact PNG encoder: the form it picks for a given set of
// colours, and exact round trips through libpng, plain and interlaced, at
// sizes that leave Adam7 passes empty or partial.
#include <gtest/gtest.h>

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <bit>
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

// The IDAT data of a one-IDAT file.
std::vector<uint8_t> Idat(const std::vector<uint8_t>& png)
{
    for (size_t at = 8; at + 12 <= png.size(); at += 12 + Be(png, at))
        if (std::string(png.begin() + long(at) + 4, png.begin() + long(at) + 8) == "IDAT")
            return std::vector<uint8_t>(png.begin() + long(at) + 8, png.begin() + long(at + 8 + Be(png, at)));
    return {};
}

// The scanlines as zlib inflates them, its Adler-32 checked; empty when the
// stream is not exactly `size` bytes.
std::vector<uint8_t> Inflate(const std::vector<uint8_t>& png, size_t size)
{
    const std::vector<uint8_t> idat = Idat(png);
    std::vector<uint8_t> out(size + 1);
    uLongf got = uLongf(out.size());
    if (uncompress(out.data(), &got, idat.data(), uLong(idat.size())) != Z_OK || got != size) return {};
    out.resize(got);
    return out;
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

// Rows as the raster surface hands them: one pointer for a band of equal
// rows, equal rows apart (one with other unused top bytes), rows that come
// back after a band, with the colours promised. Every form at widths around
// the packers' blocks of 8 and 16 pixels; the pixels through libpng and the
// stream through zlib, whose Adler-32 checks the repeats counted in.
TEST(CompactPng, SharedRowsAndPromisedColours)
{
    // Glyph-like rows: a pattern repeating every 14 pixels, shifted by row.
    auto level = [](int x, int key, int levels) { return ((x + 3 * key) % 14 * 5 + key) % levels; };
    struct Case {
        const char* name;
        std::function<uint32_t(int x, int key)> pixel;
        std::vector<uint32_t> colours; // promised; none: grey only
        int bitDepth, colorType;
    };
    const Case kCases[] = {
        {"black and white", [&](int x, int k) { return level(x, k, 2) ? Grey(255) : Grey(0); }, {Grey(255), Grey(0)}, 1, 0},
        {"greys of 85", [&](int x, int k) { return Grey(85 * level(x, k, 4)); }, {Grey(0), Grey(85), Grey(170), Grey(255)}, 2, 0},
        {"greys of 17",
         [&](int x, int k) { return Grey(17 * level(x, k, 16)); },
         {Grey(255), Grey(0), Grey(17), Grey(34), Grey(119), Grey(136), Grey(221), Grey(238)},
         4, 0},
        {"blended greys", [&](int x, int k) { return Grey(level(x, k, 256) * 37 % 256); }, {}, 8, 0},
        {"blue on white", [&](int x, int k) { return level(x, k, 2) ? 0xFFFFFFu : 0x0000C0u; }, {0xFFFFFF, 0x0000C0}, 1, 3},
        {"five colours",
         [&](int x, int k) { return 0x203040u * uint32_t(level(x, k, 5)); },
         {0, 0x203040, 0x406080, 0x6090C0, 0x80C0FF},
         4, 3},
    };
    // Content of each row: 0 a band, then rows of their own, a band again.
    const int kKeys[] = {0, 0, 0, 1, 2, 2, 2, 3, 4, 5, 5, 0, 0, 0, 6, 7, 8, 8, 1, 9};
    constexpr int kHeight = int(sizeof kKeys / sizeof kKeys[0]);
    CCompactPngEncoder encoder;
    for (const Case& c : kCases) {
        for (const int w : {1, 7, 8, 9, 15, 16, 17, 33, 226}) {
            std::vector<std::vector<uint32_t>> stored; // the rows the pointers point at
            std::vector<const uint8_t*> rows;
            Image expected{w, kHeight, {}};
            for (int y = 0; y < kHeight; ++y) {
                std::vector<uint32_t> row(static_cast<size_t>(w));
                for (int x = 0; x < w; ++x) row[size_t(x)] = c.pixel(x, kKeys[y]);
                expected.pixels.insert(expected.pixels.end(), row.begin(), row.end());
                // A band shares one row; the second row of a pair of its own
                // differs in the top byte only.
                if (kKeys[y] == 0 && y > 0 && kKeys[y - 1] == 0) continue;
                if (y > 0 && kKeys[y] == kKeys[y - 1])
                    for (uint32_t& p : row) p |= 0xFF000000u;
                stored.push_back(std::move(row));
            }
            for (int y = 0, s = -1; y < kHeight; ++y) {
                if (!(kKeys[y] == 0 && y > 0 && kKeys[y - 1] == 0)) ++s;
                rows.push_back(reinterpret_cast<const uint8_t*>(stored[size_t(s)].data()));
            }
            PixelView view;
            view.rows = rows.data();
            view.width = w;
            view.height = kHeight;
            view.colours = c.colours.empty() ? nullptr : c.colours.data();
            view.colourCount = c.colours.size();
            view.greyOnly = c.colours.empty();
            for (const bool interlace : {false, true}) {
                const std::string label = std::string(c.name) + " " + std::to_string(w) + (interlace ? " interlaced" : "");
                std::vector<uint8_t> png;
                ASSERT_TRUE(encoder.Encode(view, 96, interlace, png)) << label;
                const Decoded d = Decode(png);
                ASSERT_TRUE(d.ok) << label;
                EXPECT_EQ(d.rgb, Rgb(expected)) << label;
                if (w >= 16) {
                    EXPECT_EQ(d.bitDepth, c.bitDepth) << label;
                    EXPECT_EQ(d.colorType, c.colorType) << label;
                }
                if (!interlace) {
                    const size_t line = 1 + (size_t(w) * size_t(d.bitDepth) + 7) / 8;
                    EXPECT_EQ(Inflate(png, line * kHeight).size(), line * kHeight) << label;
                }
            }
        }
    }
}

// Many tokens: the prices made again and again, counts past the small
// table, frequencies so skewed that the code must be cut to 15 bits; and
// both kinds of block, the fixed codes for a tiny image.
TEST(CompactPng, SkewedLiteralsAndBothBlockKinds)
{
    // Level k with a chance of about 2^-k: a code 20 bits deep unless cut.
    const Image skewed = Make(600, 200, [](int x, int y) {
        uint64_t z = uint64_t(y * 600 + x) * 0x9E3779B97F4A7C15ull; // mixed, so that few bytes repeat
        z ^= z >> 31;
        z *= 0xBF58476D1CE4E5B9ull;
        z ^= z >> 29;
        return Grey(std::min(std::countr_zero(uint32_t(z) | (1u << 22)), 22) * 11);
    });
    const Image tiny = Make(3, 2, [](int x, int y) { return Grey((x + y) % 2 ? 255 : 0); });
    CCompactPngEncoder encoder;
    bool kinds[4] = {};
    for (const Image* image : {&skewed, &tiny, &skewed}) {
        std::vector<uint8_t> png;
        ASSERT_TRUE(encoder.Encode(image->View(), 96, false, png));
        const Decoded d = Decode(png);
        ASSERT_TRUE(d.ok);
        EXPECT_EQ(d.rgb, Rgb(*image));
        const size_t line = 1 + (size_t(image->width) * size_t(d.bitDepth) + 7) / 8;
        EXPECT_EQ(Inflate(png, line * size_t(image->height)).size(), line * size_t(image->height));
        kinds[(Idat(png)[2] >> 1) & 3] = true; // the first block's type
    }
    EXPECT_TRUE(kinds[1]); // fixed codes
    EXPECT_TRUE(kinds[2]); // codes of its own
}

} // namespace

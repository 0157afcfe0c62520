// Test helpers: decode a PNG with libpng and list its chunks.
#pragma once

#include <png.h>

#include <array>
#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct DecodedPng {
    bool ok = false;
    uint32_t width = 0, height = 0;
    int bitDepth = 0, colorType = 0, interlace = 0;
    std::vector<std::array<uint8_t, 3>> palette;
    std::vector<std::vector<uint8_t>> rawRows; // as stored, de-interlaced
    std::vector<uint8_t> rgb;                  // every pixel expanded to red, green, blue, top-down

    std::array<uint8_t, 3> Rgb(uint32_t x, uint32_t y) const
    {
        const size_t i = (size_t(y) * width + x) * 3;
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
};

namespace pngtest {

struct Reader {
    const std::vector<uint8_t>* bytes;
    size_t pos;
};

inline void Read(png_structp png, png_bytep out, size_t n)
{
    auto* r = static_cast<Reader*>(png_get_io_ptr(png));
    if (r->pos + n > r->bytes->size()) png_error(png, "truncated");
    std::memcpy(out, r->bytes->data() + r->pos, n);
    r->pos += n;
}

inline void Silent(png_structp, png_const_charp) {}

// Decodes once; `expand` turns every pixel into 8-bit RGB.
inline bool DecodePass(const std::vector<uint8_t>& bytes, bool expand, DecodedPng& d)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, Silent);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    Reader reader{&bytes, 0};
    std::vector<std::vector<uint8_t>> rows;
    std::vector<png_bytep> pointers;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &reader, Read);
    png_read_info(png, info);
    d.width = png_get_image_width(png, info);
    d.height = png_get_image_height(png, info);
    d.bitDepth = png_get_bit_depth(png, info);
    d.colorType = png_get_color_type(png, info);
    d.interlace = png_get_interlace_type(png, info);
    if (!expand) {
        png_colorp pal = nullptr;
        int n = 0;
        d.palette.clear();
        if (png_get_PLTE(png, info, &pal, &n))
            for (int i = 0; i < n; ++i) d.palette.push_back({pal[i].red, pal[i].green, pal[i].blue});
    } else {
        png_set_palette_to_rgb(png);
        png_set_expand_gray_1_2_4_to_8(png);
        png_set_strip_16(png);
        png_set_gray_to_rgb(png);
        png_set_strip_alpha(png);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    rows.assign(d.height, std::vector<uint8_t>(rowBytes));
    for (auto& r : rows) pointers.push_back(r.data());
    png_read_image(png, pointers.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    if (expand) {
        d.rgb.clear();
        for (auto& r : rows) d.rgb.insert(d.rgb.end(), r.begin(), r.begin() + size_t(d.width) * 3);
    } else {
        d.rawRows = std::move(rows);
    }
    return true;
}

} // namespace pngtest

inline DecodedPng DecodePng(const std::vector<uint8_t>& bytes)
{
    DecodedPng d;
    d.ok = pngtest::DecodePass(bytes, false, d) && pngtest::DecodePass(bytes, true, d);
    return d;
}

struct PngChunk {
    std::string type;
    std::vector<uint8_t> data;
};

// The chunks in file order (empty when the signature is wrong).
inline std::vector<PngChunk> ListChunks(const std::vector<uint8_t>& bytes)
{
    static const uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    std::vector<PngChunk> chunks;
    if (bytes.size() < 8 || std::memcmp(bytes.data(), kSignature, 8) != 0) return chunks;
    size_t pos = 8;
    while (pos + 12 <= bytes.size()) {
        const uint32_t len = uint32_t(bytes[pos]) << 24 | uint32_t(bytes[pos + 1]) << 16 | uint32_t(bytes[pos + 2]) << 8 | bytes[pos + 3];
        if (pos + 12 + len > bytes.size()) break;
        PngChunk c;
        c.type.assign(reinterpret_cast<const char*>(bytes.data() + pos + 4), 4);
        c.data.assign(bytes.begin() + long(pos + 8), bytes.begin() + long(pos + 8 + len));
        chunks.push_back(std::move(c));
        pos += 12 + len;
    }
    return chunks;
}

inline int CountChunks(const std::vector<PngChunk>& chunks, const std::string& type)
{
    int n = 0;
    for (const auto& c : chunks) n += c.type == type;
    return n;
}

// Test helpers for images the control writes: PNG bytes and files back to
// grey pixels for the decoders.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "png_decode.h"
#include "tests/support/scan.h"

inline uint8_t Luma(uint8_t r, uint8_t g, uint8_t b) { return uint8_t((r * 299 + g * 587 + b * 114) / 1000); }

// Decoded with libpng; an empty image when the bytes are no PNG.
inline GrayImage GrayFromPng(const std::vector<uint8_t>& bytes)
{
    const DecodedPng png = DecodePng(bytes);
    if (!png.ok) return {};
    GrayImage image{int(png.width), int(png.height), {}};
    for (size_t i = 0; i + 2 < png.rgb.size(); i += 3)
        image.pixels.push_back(Luma(png.rgb[i], png.rgb[i + 1], png.rgb[i + 2]));
    return image;
}

inline std::vector<uint8_t> ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

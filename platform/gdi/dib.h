// Device-independent bitmaps: the platform's header, colour table entries
// and compression codes, and the read-out of a 32-bit surface in the forms
// a display of 32, 24, 16 or 8 bits per pixel hands out.
//
// A DIB is a header (BITMAPINFOHEADER), optional colour data (a colour
// table, or three 32-bit colour masks for BI_BITFIELDS) and the pixel rows,
// each padded to a multiple of 4 bytes. A positive height means the rows
// are stored bottom-up (the last row of the picture first).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/gdi/gdi.h"

struct BITMAPINFOHEADER {
    uint32_t biSize = 40;
    int32_t biWidth = 0;
    int32_t biHeight = 0;
    uint16_t biPlanes = 1;
    uint16_t biBitCount = 0;
    uint32_t biCompression = 0;
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40, "the header is 40 bytes on every platform");

struct RGBQUAD {
    BYTE rgbBlue = 0, rgbGreen = 0, rgbRed = 0, rgbReserved = 0;
};
static_assert(sizeof(RGBQUAD) == 4);

constexpr uint32_t BI_RGB = 0;
constexpr uint32_t BI_RLE8 = 1;
constexpr uint32_t BI_RLE4 = 2;
constexpr uint32_t BI_BITFIELDS = 3;

// The pixel formats of the read-out.
enum class DibFormat {
    Bgr32,    // 32 bpp, BI_RGB, bytes blue, green, red, 0 (the display format)
    Bgr24,    // 24 bpp, BI_RGB, bytes blue, green, red
    Rgb565,   // 16 bpp, BI_BITFIELDS with masks 0xF800, 0x07E0, 0x001F
    Rgb555,   // 16 bpp, BI_RGB: 0RRRRRGGGGGBBBBB
    Palette8, // 8 bpp with the 256-entry display palette (colours-used 0)
};

struct CDib {
    std::vector<uint8_t> info; // header followed by the colour data
    std::vector<uint8_t> bits; // the pixel rows

    BITMAPINFOHEADER Header() const
    {
        BITMAPINFOHEADER h;
        if (info.size() >= sizeof h) std::memcpy(&h, info.data(), sizeof h);
        return h;
    }
};

// Bytes in one row of `width` pixels of `bitCount` bits, padded to 4 bytes;
// 0 for a width below 1, a bit count outside 1..32, or a size past 2^31.
size_t DibRowSize(int64_t width, int bitCount);

// The palette of an 8-bit display: a 6 x 6 x 6 colour cube (levels 0, 51,
// ..., 255; index 36 r + 6 g + b) followed by 40 greys.
const std::array<RGBQUAD, 256>& DisplayPalette8();
// The palette index closest to a colour.
BYTE NearestPaletteIndex(BYTE r, BYTE g, BYTE b);

// Reads out `width` x `height` pixels, top-down rows of `stride` bytes, each
// pixel a native 32-bit word 0x00RRGGBB, as a bottom-up DIB of `format`.
// False (and `out` empty) for bad dimensions.
bool ExportDib(const uint8_t* pixels, int stride, int width, int height, DibFormat format, CDib& out);

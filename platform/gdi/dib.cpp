// Read-out of 32-bit pixels as a bottom-up device-independent bitmap.
#include "platform/gdi/dib.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace {

constexpr int32_t kPelsPerMeter96Dpi = 3780;
constexpr uint32_t kMasks565[3] = {0xF800, 0x07E0, 0x001F};
constexpr int kCubeLevels = 6, kCubeStep = 51, kCubeSize = 216, kGreys = 40;

std::array<RGBQUAD, 256> MakePalette()
{
    std::array<RGBQUAD, 256> p{};
    for (int i = 0; i < kCubeSize; ++i)
        p[i] = {BYTE(i % 6 * kCubeStep), BYTE(i / 6 % 6 * kCubeStep), BYTE(i / 36 * kCubeStep), 0};
    for (int i = 0; i < kGreys; ++i) {
        const BYTE v = BYTE((255 * (i + 1) + (kGreys + 1) / 2) / (kGreys + 1));
        p[kCubeSize + i] = {v, v, v, 0};
    }
    return p;
}

int Dist2(const RGBQUAD& q, int r, int g, int b)
{
    const int dr = q.rgbRed - r, dg = q.rgbGreen - g, db = q.rgbBlue - b;
    return dr * dr + dg * dg + db * db;
}

void PutLe16(uint8_t* p, unsigned v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

} // namespace

size_t DibRowSize(int64_t width, int bitCount)
{
    if (width < 1 || bitCount < 1 || bitCount > 32) return 0;
    const uint64_t bits = uint64_t(width) * uint64_t(bitCount);
    const uint64_t bytes = (bits + 31) / 32 * 4;
    return bytes > uint64_t(std::numeric_limits<int32_t>::max()) ? 0 : size_t(bytes);
}

const std::array<RGBQUAD, 256>& DisplayPalette8()
{
    static const std::array<RGBQUAD, 256> palette = MakePalette();
    return palette;
}

BYTE NearestPaletteIndex(BYTE r, BYTE g, BYTE b)
{
    // The cube is a separable grid: rounding each channel finds its nearest
    // entry. The nearest grey is the one nearest the mean.
    const auto level = [](int v) { return (v + kCubeStep / 2) / kCubeStep; };
    const int cube = level(r) * 36 + level(g) * 6 + level(b);
    const auto& pal = DisplayPalette8();
    const int mean = (r + g + b + 1) / 3;
    int grey = kCubeSize + std::clamp((mean * (kGreys + 1) + 127) / 255 - 1, 0, kGreys - 1);
    int best = cube, bestDist = Dist2(pal[cube], r, g, b);
    for (int i = std::max(kCubeSize, grey - 1); i <= std::min(255, grey + 1); ++i)
        if (const int d = Dist2(pal[i], r, g, b); d < bestDist) best = i, bestDist = d;
    return BYTE(best);
}

bool ExportDib(const uint8_t* pixels, int stride, int width, int height, DibFormat format, CDib& out)
{
    out = CDib{};
    static constexpr int kBits[] = {32, 24, 16, 16, 8};
    const int bpp = kBits[int(format)];
    const size_t rowSize = DibRowSize(width, bpp);
    if (!pixels || rowSize == 0 || height < 1 || stride < width * 4) return false;
    if (uint64_t(rowSize) * uint64_t(height) > uint64_t(std::numeric_limits<int32_t>::max())) return false;

    BITMAPINFOHEADER h;
    h.biWidth = width;
    h.biHeight = height;
    h.biBitCount = uint16_t(bpp);
    h.biCompression = format == DibFormat::Rgb565 ? BI_BITFIELDS : BI_RGB;
    h.biSizeImage = uint32_t(rowSize * size_t(height));
    h.biXPelsPerMeter = h.biYPelsPerMeter = kPelsPerMeter96Dpi;
    size_t colorBytes = 0;
    if (format == DibFormat::Rgb565) colorBytes = sizeof kMasks565;
    if (format == DibFormat::Palette8) colorBytes = 256 * sizeof(RGBQUAD);
    out.info.resize(sizeof h + colorBytes);
    std::memcpy(out.info.data(), &h, sizeof h);
    if (format == DibFormat::Rgb565) std::memcpy(out.info.data() + sizeof h, kMasks565, sizeof kMasks565);
    if (format == DibFormat::Palette8) std::memcpy(out.info.data() + sizeof h, DisplayPalette8().data(), colorBytes);

    out.bits.assign(rowSize * size_t(height), 0);
    for (int y = 0; y < height; ++y) {
        const uint32_t* src = reinterpret_cast<const uint32_t*>(pixels + size_t(y) * size_t(stride));
        uint8_t* dst = out.bits.data() + size_t(height - 1 - y) * rowSize;
        for (int x = 0; x < width; ++x) {
            const uint32_t px = src[x];
            const BYTE r = BYTE(px >> 16), g = BYTE(px >> 8), b = BYTE(px);
            switch (format) {
            case DibFormat::Bgr32:
                dst[4 * x] = b, dst[4 * x + 1] = g, dst[4 * x + 2] = r, dst[4 * x + 3] = 0;
                break;
            case DibFormat::Bgr24: dst[3 * x] = b, dst[3 * x + 1] = g, dst[3 * x + 2] = r; break;
            case DibFormat::Rgb565: PutLe16(dst + 2 * x, unsigned(r >> 3) << 11 | unsigned(g >> 2) << 5 | unsigned(b >> 3)); break;
            case DibFormat::Rgb555: PutLe16(dst + 2 * x, unsigned(r >> 3) << 10 | unsigned(g >> 3) << 5 | unsigned(b >> 3)); break;
            case DibFormat::Palette8: dst[x] = NearestPaletteIndex(r, g, b); break;
            }
        }
    }
    return true;
}

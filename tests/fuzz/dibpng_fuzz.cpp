// The DIB-to-PNG conversion with arbitrary headers, colour tables, masks
// and pixel buffers, each in a buffer of exactly its size (reads past them
// are caught by AddressSanitizer). A conversion that reports success must
// have written a PNG that libpng reads back whole, with the DIB's width and
// row count, and a palette of the DIB's colour count.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "control/interface/dibpng.h"
#include "tests/control/interface/png_decode.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

constexpr uint32_t kHeaderSizes[] = {40, 108, 12, 124};
constexpr uint16_t kBitCounts[] = {1, 2, 4, 8, 16, 24, 32, 0};
constexpr uint32_t kCompressions[] = {BI_RGB, BI_BITFIELDS, BI_RLE8, BI_RLE4};
constexpr int kColorTypes[] = {-1, -1, 0, 2, 3, 4, 6, -1};

void PutLe32(std::vector<uint8_t>& v, size_t at, uint32_t x)
{
    for (int i = 0; i < 4; ++i) v[at + size_t(i)] = uint8_t(x >> (8 * i));
}

struct Case {
    PngOptions options;
    std::vector<uint8_t> info, bits;
};

// Either a header built from typed fields (mostly sound values) followed
// by colour data, or raw bytes for all of it.
Case ReadCase(CFuzzInput& in)
{
    Case c;
    const uint8_t flags = in.Byte();
    c.options.interlace = flags & 1;
    c.options.useTransparentColor = flags & 2;
    c.options.colorType = kColorTypes[(flags >> 2) & 7];
    c.options.transparentColor = in.Dword() & 0xFFFFFF;

    const uint8_t form = in.Byte();
    if (form >= 0xE0) {
        const std::string info = in.Bytes(in.Word() % 2048);
        c.info.assign(info.begin(), info.end());
    } else {
        const uint32_t headerSize = (form & 0x10) ? in.Dword() % 256 : kHeaderSizes[form & 3];
        BITMAPINFOHEADER h;
        h.biSize = headerSize;
        h.biWidth = (form & 0x20) ? in.Long() : in.Byte();
        h.biHeight = (form & 0x40) ? in.Long() : int8_t(in.Byte());
        h.biBitCount = (form & 0x80) ? in.Word() : kBitCounts[in.Byte() & 7];
        h.biCompression = kCompressions[(form >> 2) & 3];
        const uint8_t used = in.Byte();
        h.biClrUsed = used < 0xF0 ? used % 17 : in.Dword();
        c.info.resize(std::max<size_t>(headerSize, sizeof h));
        std::memcpy(c.info.data(), &h, sizeof h);
        PutLe32(c.info, 0, headerSize);
        const std::string colours = in.Bytes(in.Word() % 1100);
        c.info.insert(c.info.end(), colours.begin(), colours.end());
    }
    const std::string bits = in.Rest();
    c.bits.assign(bits.begin(), bits.end());
    return c;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CFuzzInput in(data, size);
    Case c = ReadCase(in);
    c.info.shrink_to_fit();
    c.bits.shrink_to_fit();
    // Empty buffers still get an address, as a caller's would.
    const uint8_t nothing = 0;
    const DibView view{c.info.empty() ? &nothing : c.info.data(), c.info.size(),
                       c.bits.empty() ? &nothing : c.bits.data(), c.bits.size()};

    CMemFile out;
    const int ok = WriteDibAsPng(view, c.options, out);
    if (std::getenv("FUZZ_VERBOSE")) std::fprintf(stderr, "written: %d, %zu bytes\n", ok, out.GetLength());
    if (!ok) return 0;

    BITMAPINFOHEADER h;
    FUZZ_CHECK(c.info.size() >= sizeof h, "success with %zu header bytes", c.info.size());
    std::memcpy(&h, c.info.data(), sizeof h);
    const std::vector<uint8_t> png = out.Detach();
    const DecodedPng decoded = DecodePng(png);
    FUZZ_CHECK(decoded.ok, "the PNG written for %d x %d at %d bits (colour type %d) does not decode", h.biWidth,
               h.biHeight, h.biBitCount, c.options.colorType);
    const uint32_t rows = h.biHeight < 0 ? uint32_t(-int64_t(h.biHeight)) : uint32_t(h.biHeight);
    FUZZ_CHECK(decoded.width == uint32_t(h.biWidth) && decoded.height == rows, "%u x %u written for %d x %d",
               decoded.width, decoded.height, h.biWidth, h.biHeight);
    if (decoded.colorType == kPngColorPalette) {
        const size_t colours = h.biClrUsed ? h.biClrUsed : size_t(1) << h.biBitCount;
        FUZZ_CHECK(decoded.palette.size() == colours, "palette of %zu for %zu colours", decoded.palette.size(), colours);
    }
    return 0;
}

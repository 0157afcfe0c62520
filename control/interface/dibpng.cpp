// DIB checks, row conversion and libpng encoding.
#include "control/interface/dibpng.h"

#include <png.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <climits>
#include <csetjmp>
#include <cstdarg>
#include <cstring>
#include <ctime>
#include <new>

namespace {

std::atomic<PngDiagnosticHook> g_hook{nullptr};

[[gnu::format(printf, 2, 3)]] void Diagnose(int severity, const char* format, ...)
{
    const PngDiagnosticHook hook = g_hook.load();
    if (!hook) return;
    char message[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    hook(severity, message);
}

const PngTextEntry kTextEntry{-1, kPngTextKeyword, kPngText, std::strlen(kPngText)};

uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint32_t Le16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }

// One colour channel of a bit-field pixel: the run of set bits from the
// mask's lowest set bit, scaled to 8 bits (low bits zero-filled; runs
// longer than 8 bits keep their top 8).
struct Channel {
    uint32_t mask = 0;
    int shift = 0, bits = 0;

    explicit Channel(uint32_t m) : mask(m)
    {
        if (!m) return;
        shift = std::countr_zero(m);
        bits = std::countr_one(m >> shift);
    }
    uint8_t operator()(uint32_t px) const
    {
        if (!bits) return 0;
        const uint32_t v = (px & mask) >> shift;
        return uint8_t(bits <= 8 ? v << (8 - bits) : v >> (bits - 8));
    }
};

// Converts 16, 24 or 32 bits per pixel into rows of red, green, blue,
// keeping the row order and padding each row to 4 bytes.
void ConvertToRgb(const BITMAPINFOHEADER& h, const uint8_t* masks, const uint8_t* bits, size_t srcRow,
                  uint8_t* out, size_t outRow, size_t rows)
{
    const int bpp = h.biBitCount;
    const bool fields = h.biCompression == BI_BITFIELDS && bpp != 24;
    const Channel red(fields ? Le32(masks) : 0), green(fields ? Le32(masks + 4) : 0), blue(fields ? Le32(masks + 8) : 0);
    const size_t width = size_t(h.biWidth);
    for (size_t y = 0; y < rows; ++y) {
        const uint8_t* s = bits + y * srcRow;
        uint8_t* d = out + y * outRow;
        for (size_t x = 0; x < width; ++x, d += 3) {
            if (bpp == 24) {
                d[0] = s[3 * x + 2], d[1] = s[3 * x + 1], d[2] = s[3 * x];
                continue;
            }
            const uint32_t px = bpp == 16 ? Le16(s + 2 * x) : Le32(s + 4 * x);
            if (fields) {
                d[0] = red(px), d[1] = green(px), d[2] = blue(px);
            } else if (bpp == 16) { // 5-5-5
                d[0] = uint8_t((px >> 7) & 0xF8), d[1] = uint8_t((px >> 2) & 0xF8), d[2] = uint8_t(px << 3);
            } else {
                d[0] = uint8_t(px >> 16), d[1] = uint8_t(px >> 8), d[2] = uint8_t(px);
            }
        }
    }
}

void OnPngError(png_structp png, png_const_charp message)
{
    Diagnose(1, "%s", message);
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp message) { Diagnose(0, "%s", message); }

void OnPngWrite(png_structp png, png_bytep data, size_t size)
{
    auto* stream = static_cast<CWritableStream*>(png_get_io_ptr(png));
    if (!stream->Write(data, size)) png_error(png, "Write error");
}

void OnPngFlush(png_structp) {}

bool IsOneOf(int v, std::initializer_list<int> set) { return std::find(set.begin(), set.end(), v) != set.end(); }

} // namespace

PngDiagnosticHook SetPngDiagnosticHook(PngDiagnosticHook hook) { return g_hook.exchange(hook); }

// --- streams -----------------------------------------------------------------

bool CMemFile::Write(const void* data, size_t size) noexcept
{
    if (size == 0) return true;
    try {
        if (size > m_data.max_size() - m_data.size()) return false;
        const size_t needed = m_data.size() + size;
        if (needed > m_data.capacity()) {
            size_t target = std::max(needed, m_data.capacity() * 2);
            target = (target + m_growBytes - 1) / m_growBytes * m_growBytes;
            m_data.reserve(std::max(target, needed));
        }
        const auto* p = static_cast<const uint8_t*>(data);
        m_data.insert(m_data.end(), p, p + size);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool CStdioFile::Write(const void* data, size_t size) noexcept
{
    return m_file && std::fwrite(data, 1, size, m_file) == size;
}

bool COStreamFile::Write(const void* data, size_t size) noexcept
{
    try {
        m_out.write(static_cast<const char*>(data), std::streamsize(size));
        return bool(m_out);
    } catch (const std::exception&) {
        return false;
    }
}

// --- conversion --------------------------------------------------------------

int WriteDibAsPng(const DibView& dib, const PngOptions& options, CWritableStream& out)
{
    // The header.
    if (!dib.info || dib.infoSize < sizeof(uint32_t)) {
        Diagnose(1, "Invalid DIB BITMAPINFOHEADER");
        return 0;
    }
    const uint32_t headerSize = Le32(dib.info);
    if (headerSize == 12) {
        Diagnose(1, "DIB has BITMAPCOREHEADER.\n\rUnsupported DIB type.");
        return 0;
    }
    if ((headerSize != 40 && headerSize != 108) || dib.infoSize < headerSize) {
        Diagnose(1, "Invalid DIB BITMAPINFOHEADER");
        return 0;
    }
    BITMAPINFOHEADER h;
    std::memcpy(&h, dib.info, sizeof h);
    if (h.biCompression == BI_RLE8 || h.biCompression == BI_RLE4) {
        Diagnose(1, "DIB Compression Type: %d, not supported.", int(h.biCompression));
        return 0;
    }

    PngWriteRequest req;
    req.interlace = options.interlace ? 1 : 0;
    req.gamma = -1.0;
    req.textCount = 1;
    req.texts = &kTextEntry;
    req.writeTime = 1;
    req.transCount = options.useTransparentColor ? 1 : 0;
    if (req.transCount < 0 || req.transCount > 256) {
        Diagnose(1, "Illegal # of transparent entries in palette: %d.", req.transCount);
        return 0;
    }
    const COLORREF tc = options.transparentColor;
    PngWriteRequest::TransColor transColor{0, GetRValue(tc), GetGValue(tc), GetBValue(tc), 0};

    // The colour type and what it allows.
    const int bpp = h.biBitCount;
    req.colorType = options.colorType >= 0 ? options.colorType : (IsOneOf(bpp, {1, 2, 4, 8}) ? kPngColorPalette : kPngColorRgb);
    int colorCount = 0;
    switch (req.colorType) {
    case kPngColorGrey:
        if (!IsOneOf(bpp, {1, 2, 4, 8, 16})) {
            Diagnose(1, "Bit depth of %d is invalid\nfor color type %d.", bpp, kPngColorGrey);
            return 0;
        }
        req.bitDepth = bpp;
        break;
    case kPngColorRgb:
        if (!IsOneOf(bpp, {16, 24, 32})) {
            Diagnose(1, "Bit depth of %d is invalid\nfor color type %d.", bpp, kPngColorRgb);
            return 0;
        }
        if (bpp != 24 && h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS) {
            Diagnose(1, "Invalid DIB Compression Type: %d.", int(h.biCompression));
            return 0;
        }
        // The masks follow a 40-byte header and sit inside the larger one.
        if (bpp != 24 && h.biCompression == BI_BITFIELDS && dib.infoSize < 40 + 12) {
            Diagnose(1, "DIB colour masks missing.");
            return 0;
        }
        req.bitDepth = 8;
        break;
    case kPngColorPalette: {
        if (!IsOneOf(bpp, {1, 2, 4, 8})) {
            Diagnose(1, "Bit depth of %d is invalid\nfor color type %d.", bpp, kPngColorPalette);
            return 0;
        }
        const uint32_t max = 1u << bpp;
        if (h.biClrUsed > max) {
            Diagnose(1, "Invalid biClrUsed field value: %d", int(std::min<uint32_t>(h.biClrUsed, INT_MAX)));
            return 0;
        }
        colorCount = int(h.biClrUsed ? h.biClrUsed : max);
        if (colorCount < 1 || uint32_t(colorCount) > max) {
            Diagnose(1, "Illegal num_colors: %d", colorCount);
            return 0;
        }
        if (dib.infoSize < headerSize + size_t(colorCount) * sizeof(RGBQUAD)) {
            Diagnose(1, "DIB colour table too short: %d entries.", colorCount);
            return 0;
        }
        req.bitDepth = bpp;
        break;
    }
    default: Diagnose(1, "Invalid color type: %d", req.colorType); return 0;
    }

    // The rows: sizes checked against the buffer before anything is read.
    const size_t srcRow = DibRowSize(h.biWidth, bpp);
    if (srcRow == 0 || h.biHeight == 0 || h.biHeight == INT32_MIN) {
        Diagnose(1, "Invalid DIB size: %d x %d.", h.biWidth, h.biHeight);
        return 0;
    }
    const bool topDown = h.biHeight < 0;
    const size_t rows = size_t(topDown ? -int64_t(h.biHeight) : h.biHeight);
    if (!dib.bits || uint64_t(srcRow) * rows > dib.bitsSize) {
        Diagnose(1, "DIB pixel data too short: %zu bytes for %zu rows of %zu.", dib.bitsSize, rows, srcRow);
        return 0;
    }
    req.width = h.biWidth;
    req.height = int32_t(rows);

    std::vector<uint8_t> rgb, palette, alpha;
    std::vector<const uint8_t*> rowPointers;
    const uint8_t* base = dib.bits;
    size_t rowSize = srcRow;
    try {
        if (req.colorType == kPngColorRgb) {
            rowSize = DibRowSize(h.biWidth, 24);
            rgb.resize(rowSize * rows);
            ConvertToRgb(h, dib.info + 40, dib.bits, srcRow, rgb.data(), rowSize, rows);
            base = rgb.data();
        } else if (req.colorType == kPngColorPalette) {
            palette.resize(size_t(colorCount) * 3);
            const uint8_t* table = dib.info + headerSize;
            for (int i = 0; i < colorCount; ++i) {
                palette[3 * i] = table[4 * i + 2];
                palette[3 * i + 1] = table[4 * i + 1];
                palette[3 * i + 2] = table[4 * i];
            }
            req.paletteCount = colorCount;
            req.palette = palette.data();
        }
        rowPointers.resize(rows);
    } catch (const std::exception&) {
        Diagnose(1, "Couldn't allocate enough memory");
        return 0;
    }
    // PNG rows run top to bottom; a positive height stores them bottom-up.
    for (size_t i = 0; i < rows; ++i) rowPointers[i] = base + (topDown ? i : rows - 1 - i) * rowSize;
    req.rowPointers = rowPointers.data();
    req.pixels = base;

    if (req.transCount > 0) {
        if (req.colorType == kPngColorPalette) {
            // A palette image marks the entries of that colour transparent
            // (an alpha table up to the last of them); none match, no chunk.
            for (int i = 0; i < colorCount; ++i)
                if (palette[3 * i] == transColor.red && palette[3 * i + 1] == transColor.green &&
                    palette[3 * i + 2] == transColor.blue) {
                    alpha.resize(size_t(i) + 1, 255);
                    alpha[size_t(i)] = 0;
                }
            req.transCount = int32_t(alpha.size());
            req.transAlpha = alpha.empty() ? nullptr : alpha.data();
        } else {
            if (req.colorType == kPngColorGrey)
                transColor.gray = uint16_t(req.bitDepth == 16 ? transColor.red * 257 : transColor.red >> (8 - req.bitDepth));
            req.transColor = &transColor;
        }
    }
    return EncodePng(req, out);
}

// --- encoding ----------------------------------------------------------------

int EncodePng(const PngWriteRequest& req, CWritableStream& out)
{
    if (!req.rowPointers || req.height <= 0 || req.paletteCount < 0 || req.paletteCount > 256 || req.textCount < 0 ||
        req.transCount < 0 || req.transCount > 256)
        return 0;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
    if (!png) return 0;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        Diagnose(1, "Pnglib couldn't create an info structure.");
        return 0;
    }

    // Everything libpng keeps pointers to is built before the jump point.
    png_color palette[256];
    for (int i = 0; i < req.paletteCount; ++i)
        palette[i] = {req.palette[3 * i], req.palette[3 * i + 1], req.palette[3 * i + 2]};
    std::vector<png_text> texts(size_t(req.textCount));
    for (size_t i = 0; i < texts.size(); ++i) {
        texts[i] = png_text{};
        texts[i].compression = req.texts[i].compression;
        texts[i].key = const_cast<png_charp>(req.texts[i].key);
        texts[i].text = const_cast<png_charp>(req.texts[i].text);
        texts[i].text_length = req.texts[i].length;
    }
    png_color_16 transColor{};
    if (req.transColor)
        transColor = {req.transColor->index, req.transColor->red, req.transColor->green, req.transColor->blue,
                      req.transColor->gray};
    png_time modTime{};
    if (req.writeTime) {
        const std::time_t now = std::time(nullptr);
        std::tm utc{};
        gmtime_r(&now, &utc);
        png_convert_from_struct_tm(&modTime, &utc);
    }

    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        Diagnose(1, "Pnglib error [from setjmp()].");
        return 0;
    }
    png_set_write_fn(png, &out, OnPngWrite, OnPngFlush);
    if (req.compressionLevel != 0) png_set_compression_level(png, req.compressionLevel);
    png_set_IHDR(png, info, png_uint_32(req.width), png_uint_32(req.height), req.bitDepth, req.colorType,
                 req.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (req.paletteCount > 0 && req.colorType != PNG_COLOR_TYPE_GRAY && req.colorType != PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_PLTE(png, info, palette, req.paletteCount);
    if (req.gamma > 0.0) png_set_gAMA(png, info, req.gamma);
    if (req.textCount > 0) png_set_text(png, info, texts.data(), req.textCount);
    if (req.writeTime) png_set_tIME(png, info, &modTime);
    if (req.transColor || (req.transCount > 0 && req.transAlpha))
        png_set_tRNS(png, info, req.transAlpha, req.transCount, req.transColor ? &transColor : nullptr);
    png_write_info(png, info);

    const int passes = req.interlace ? png_set_interlace_handling(png) : 1;
    for (int pass = 0; pass < passes; ++pass)
        for (int32_t y = 0; y < req.height; ++y) png_write_row(png, req.rowPointers[y]);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return 1;
}

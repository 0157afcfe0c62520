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

namespace {

// What the checks learn about a DIB before its pixels are read.
struct DibLayout {
    BITMAPINFOHEADER header{};
    uint32_t headerSize = 0;
    int colorCount = 0;  // palette entries (palette images only)
    size_t srcRow = 0;   // bytes of one stored row
    size_t rows = 0;
    bool topDown = false;
};

// The buffers a write request points into while it is encoded.
struct PngRowBuffers {
    std::vector<uint8_t> rgb, palette, alpha;
    std::vector<const uint8_t*> pointers;
};

// The header: a BITMAPINFOHEADER or BITMAPV4HEADER, uncompressed or with
// bit fields.
bool ReadDibHeader(const DibView& dib, DibLayout& layout)
{
    if (!dib.info || dib.infoSize < sizeof(uint32_t)) {
        Diagnose(1, "Invalid DIB BITMAPINFOHEADER");
        return false;
    }
    layout.headerSize = Le32(dib.info);
    if (layout.headerSize == 12) {
        Diagnose(1, "DIB has BITMAPCOREHEADER.\n\rUnsupported DIB type.");
        return false;
    }
    if ((layout.headerSize != 40 && layout.headerSize != 108) || dib.infoSize < layout.headerSize) {
        Diagnose(1, "Invalid DIB BITMAPINFOHEADER");
        return false;
    }
    std::memcpy(&layout.header, dib.info, sizeof layout.header);
    if (layout.header.biCompression == BI_RLE8 || layout.header.biCompression == BI_RLE4) {
        Diagnose(1, "DIB Compression Type: %d, not supported.", int(layout.header.biCompression));
        return false;
    }
    return true;
}

// The colour type (the caller's, or palette for up to 8 bits per pixel and
// RGB above) and the bit depth and palette size it allows.
bool ChooseColorType(const DibView& dib, const PngOptions& options, DibLayout& layout, PngWriteRequest& req)
{
    const BITMAPINFOHEADER& h = layout.header;
    const int bpp = h.biBitCount;
    req.colorType = options.colorType >= 0 ? options.colorType : (IsOneOf(bpp, {1, 2, 4, 8}) ? kPngColorPalette : kPngColorRgb);
    switch (req.colorType) {
    case kPngColorGrey:
        if (!IsOneOf(bpp, {1, 2, 4, 8, 16})) {
            Diagnose(1, "Bit depth of %d is invalid\nfor color type %d.", bpp, kPngColorGrey);
            return false;
        }
        req.bitDepth = bpp;
        return true;
    case kPngColorRgb:
        if (!IsOneOf(bpp, {16, 24, 32})) {
            Diagnose(1, "Bit depth of %d is invalid\nfor color type %d.", bpp, kPngColorRgb);
            return false;
        }
        if (bpp != 24 && h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS) {
            Diagnose(1, "Invalid DIB Compression Type: %d.", int(h.biCompression));
            return false;
        }
        // The masks follow a 40-byte header and sit inside the larger one.
        if (bpp != 24 && h.biCompression == BI_BITFIELDS && dib.infoSize < 40 + 12) {
            Diagnose(1, "DIB colour masks missing.");
            return false;
        }
        req.bitDepth = 8;
        return true;
    case kPngColorPalette: {
        if (!IsOneOf(bpp, {1, 2, 4, 8})) {
            Diagnose(1, "Bit depth of %d is invalid\nfor color type %d.", bpp, kPngColorPalette);
            return false;
        }
        const uint32_t max = 1u << bpp;
        if (h.biClrUsed > max) {
            Diagnose(1, "Invalid biClrUsed field value: %d", int(std::min<uint32_t>(h.biClrUsed, INT_MAX)));
            return false;
        }
        layout.colorCount = int(h.biClrUsed ? h.biClrUsed : max);
        if (layout.colorCount < 1 || uint32_t(layout.colorCount) > max) {
            Diagnose(1, "Illegal num_colors: %d", layout.colorCount);
            return false;
        }
        if (dib.infoSize < layout.headerSize + size_t(layout.colorCount) * sizeof(RGBQUAD)) {
            Diagnose(1, "DIB colour table too short: %d entries.", layout.colorCount);
            return false;
        }
        req.bitDepth = bpp;
        return true;
    }
    default: Diagnose(1, "Invalid color type: %d", req.colorType); return false;
    }
}

// The rows: sizes checked against the buffer before anything is read.
bool MeasureRows(const DibView& dib, DibLayout& layout, PngWriteRequest& req)
{
    const BITMAPINFOHEADER& h = layout.header;
    layout.srcRow = DibRowSize(h.biWidth, h.biBitCount);
    if (layout.srcRow == 0 || h.biHeight == 0 || h.biHeight == INT32_MIN) {
        Diagnose(1, "Invalid DIB size: %d x %d.", h.biWidth, h.biHeight);
        return false;
    }
    layout.topDown = h.biHeight < 0;
    layout.rows = size_t(layout.topDown ? -int64_t(h.biHeight) : h.biHeight);
    if (!dib.bits || uint64_t(layout.srcRow) * layout.rows > dib.bitsSize) {
        Diagnose(1, "DIB pixel data too short: %zu bytes for %zu rows of %zu.", dib.bitsSize, layout.rows,
                 layout.srcRow);
        return false;
    }
    req.width = h.biWidth;
    req.height = int32_t(layout.rows);
    return true;
}

// Points the request at PNG rows: the DIB's own for palette and grey images,
// converted copies for RGB; and at the palette turned from BGRX into RGB.
bool BuildRows(const DibView& dib, const DibLayout& layout, PngWriteRequest& req, PngRowBuffers& buffers)
{
    const uint8_t* base = dib.bits;
    size_t rowSize = layout.srcRow;
    try {
        if (req.colorType == kPngColorRgb) {
            rowSize = DibRowSize(layout.header.biWidth, 24);
            buffers.rgb.resize(rowSize * layout.rows);
            ConvertToRgb(layout.header, dib.info + 40, dib.bits, layout.srcRow, buffers.rgb.data(), rowSize,
                         layout.rows);
            base = buffers.rgb.data();
        } else if (req.colorType == kPngColorPalette) {
            buffers.palette.resize(size_t(layout.colorCount) * 3);
            const uint8_t* table = dib.info + layout.headerSize;
            for (int i = 0; i < layout.colorCount; ++i) {
                buffers.palette[3 * i] = table[4 * i + 2];
                buffers.palette[3 * i + 1] = table[4 * i + 1];
                buffers.palette[3 * i + 2] = table[4 * i];
            }
            req.paletteCount = layout.colorCount;
            req.palette = buffers.palette.data();
        }
        buffers.pointers.resize(layout.rows);
    } catch (const std::exception&) {
        Diagnose(1, "Couldn't allocate enough memory");
        return false;
    }
    // PNG rows run top to bottom; a positive height stores them bottom-up.
    const size_t rows = layout.rows;
    for (size_t i = 0; i < rows; ++i) buffers.pointers[i] = base + (layout.topDown ? i : rows - 1 - i) * rowSize;
    req.rowPointers = buffers.pointers.data();
    req.pixels = base;
    return true;
}

// The transparent colour: palette entries of that colour for a palette image
// (an alpha table up to the last of them; none match, no chunk), else the
// colour itself, as a grey level for a grey image.
void MarkTransparent(const DibLayout& layout, PngWriteRequest& req, PngRowBuffers& buffers,
                     PngWriteRequest::TransColor& transColor)
{
    if (req.colorType == kPngColorPalette) {
        const std::vector<uint8_t>& palette = buffers.palette;
        for (int i = 0; i < layout.colorCount; ++i)
            if (palette[3 * i] == transColor.red && palette[3 * i + 1] == transColor.green &&
                palette[3 * i + 2] == transColor.blue) {
                buffers.alpha.resize(size_t(i) + 1, 255);
                buffers.alpha[size_t(i)] = 0;
            }
        req.transCount = int32_t(buffers.alpha.size());
        req.transAlpha = buffers.alpha.empty() ? nullptr : buffers.alpha.data();
        return;
    }
    if (req.colorType == kPngColorGrey)
        transColor.gray = uint16_t(req.bitDepth == 16 ? transColor.red * 257 : transColor.red >> (8 - req.bitDepth));
    req.transColor = &transColor;
}

} // namespace

int WriteDibAsPng(const DibView& dib, const PngOptions& options, CWritableStream& out)
{
    DibLayout layout;
    if (!ReadDibHeader(dib, layout)) return 0;

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

    if (!ChooseColorType(dib, options, layout, req) || !MeasureRows(dib, layout, req)) return 0;
    PngRowBuffers buffers;
    if (!BuildRows(dib, layout, req, buffers)) return 0;
    if (req.transCount > 0) MarkTransparent(layout, req, buffers, transColor);
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

// Raster and vector image files.
#include "cli/image_files.h"

#include <algorithm>
#include <atomic>
#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include <jpeglib.h>
#include <png.h>
#include <unistd.h>

#include "platform/gdi/raster.h"

namespace {

using FilePtr = std::unique_ptr<FILE, int (*)(FILE*)>;

// A temporary name beside the target, unique within this process.
std::string TemporaryPath(const std::string& path)
{
    static std::atomic<unsigned> counter{0};
    return path + ".part-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
}

// The pixel at (x, y) of the raster surface as red, green, blue.
struct Rgb {
    uint8_t r, g, b;
};

Rgb PixelAt(const CRasterDC& dc, int x, int y)
{
    const auto* row = reinterpret_cast<const uint32_t*>(dc.Data() + size_t(y) * size_t(dc.Stride()));
    const uint32_t w = row[x];
    return {uint8_t(w >> 16), uint8_t(w >> 8), uint8_t(w)};
}

void PutLe(std::vector<uint8_t>& out, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

int32_t PixelsPerMeter(int dpi) { return int32_t(dpi * 10000 / 254); }

// A 24-bit bottom-up BMP: file header, info header, padded rows.
bool WriteBmp(FILE* f, const CRasterDC& dc, int dpi)
{
    const int w = dc.Width(), h = dc.Height();
    const uint32_t rowSize = (uint32_t(w) * 3 + 3) & ~3u;
    const uint32_t imageSize = rowSize * uint32_t(h);
    std::vector<uint8_t> head;
    head.push_back('B');
    head.push_back('M');
    PutLe(head, 14 + 40 + imageSize, 4);
    PutLe(head, 0, 4);
    PutLe(head, 14 + 40, 4);
    PutLe(head, 40, 4);
    PutLe(head, uint32_t(w), 4);
    PutLe(head, uint32_t(h), 4);
    PutLe(head, 1, 2);
    PutLe(head, 24, 2);
    PutLe(head, 0, 4); // BI_RGB
    PutLe(head, imageSize, 4);
    PutLe(head, uint32_t(PixelsPerMeter(dpi)), 4);
    PutLe(head, uint32_t(PixelsPerMeter(dpi)), 4);
    PutLe(head, 0, 4);
    PutLe(head, 0, 4);
    if (std::fwrite(head.data(), 1, head.size(), f) != head.size()) return false;
    std::vector<uint8_t> row(rowSize, 0);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const Rgb p = PixelAt(dc, x, y);
            row[3 * x] = p.b;
            row[3 * x + 1] = p.g;
            row[3 * x + 2] = p.r;
        }
        if (std::fwrite(row.data(), 1, row.size(), f) != row.size()) return false;
    }
    return true;
}

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

void JpegFail(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

bool WriteJpeg(FILE* f, const CRasterDC& dc, int quality, int dpi)
{
    jpeg_compress_struct cinfo;
    JpegError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegFail;
    std::vector<uint8_t> row(size_t(dc.Width()) * 3);
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, f);
    cinfo.image_width = JDIMENSION(dc.Width());
    cinfo.image_height = JDIMENSION(dc.Height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.density_unit = 1; // dots per inch
    cinfo.X_density = UINT16(std::min(dpi, 65535));
    cinfo.Y_density = UINT16(std::min(dpi, 65535));
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = int(cinfo.next_scanline);
        for (int x = 0; x < dc.Width(); ++x) {
            const Rgb p = PixelAt(dc, x, y);
            row[3 * x] = p.r;
            row[3 * x + 1] = p.g;
            row[3 * x + 2] = p.b;
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

bool WritePng(FILE* f, const CRasterDC& dc, int dpi, bool interlace)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    std::vector<uint8_t> pixels(size_t(dc.Width()) * 3 * size_t(dc.Height()));
    std::vector<png_bytep> rows(size_t(dc.Height()));
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, png_uint_32(dc.Width()), png_uint_32(dc.Height()), 8, PNG_COLOR_TYPE_RGB,
                 interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_pHYs(png, info, png_uint_32(PixelsPerMeter(dpi)), png_uint_32(PixelsPerMeter(dpi)),
                 PNG_RESOLUTION_METER);
    for (int y = 0; y < dc.Height(); ++y) {
        uint8_t* row = pixels.data() + size_t(y) * size_t(dc.Width()) * 3;
        rows[size_t(y)] = row;
        for (int x = 0; x < dc.Width(); ++x) {
            const Rgb p = PixelAt(dc, x, y);
            row[3 * x] = p.r;
            row[3 * x + 1] = p.g;
            row[3 * x + 2] = p.b;
        }
    }
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

bool WriteImage(ImageFormat format, const std::string& path, CGenericBarcode& symbol, const PaintState& state,
                const CliOptions& o, std::string& error)
{
    const RECT bounds{0, 0, o.width, o.height};
    const std::string temp = TemporaryPath(path);
    FilePtr f(std::fopen(temp.c_str(), "wb"), std::fclose);
    if (!f) {
        error = "cannot write \"" + path + "\"";
        return false;
    }
    bool ok = false;
    switch (format) {
    case ImageFormat::Png:
    case ImageFormat::Jpeg:
    case ImageFormat::Bmp: {
        CRasterDC dc(o.width, o.height, o.dpi);
        if (!dc.IsOk()) {
            error = "cannot make an image of " + std::to_string(o.width) + "x" + std::to_string(o.height) + " pixels";
            break;
        }
        DrawBarcode(&dc, bounds, symbol, state);
        if (format == ImageFormat::Png) ok = WritePng(f.get(), dc, o.dpi, o.interlace);
        else if (format == ImageFormat::Jpeg) ok = WriteJpeg(f.get(), dc, o.quality, o.dpi);
        else ok = WriteBmp(f.get(), dc, o.dpi);
        break;
    }
    default: error = "vector output (.svg, .pdf, .eps) is not available in this build"; break;
    }
    if (std::fclose(f.release()) != 0) ok = false;
    std::error_code ec;
    if (ok) std::filesystem::rename(temp, path, ec);
    if (!ok || ec) {
        std::filesystem::remove(temp, ec);
        if (error.empty()) error = "cannot write \"" + path + "\"";
        return false;
    }
    return true;
}

// Raster and vector image files, each the control's drawing. PNG is the
// command's compact encoding of the raster surface, BMP the surface's
// bottom-up DIB behind a file header, JPEG is encoded with libjpeg from the
// pixels, and SVG, PDF and EPS are drawn on the vector surfaces.
#include "cli/image_files.h"

#include <algorithm>
#include <atomic>
#include <csetjmp>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <jpeglib.h>
#include <unistd.h>

#include "platform/gdi/vector.h"

namespace {

using FilePtr = std::unique_ptr<FILE, int (*)(FILE*)>;

// A temporary name beside the target, unique within this process.
std::string TemporaryPath(const std::string& path)
{
    static std::atomic<unsigned> counter{0};
    return path + ".part-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
}

// Writes through `write` into a temporary file renamed into place when it
// succeeded; removes it otherwise.
template <class Write>
bool WriteReplacing(const std::string& path, Write write)
{
    const std::string temp = TemporaryPath(path);
    bool ok = write(temp);
    std::error_code ec;
    if (ok) std::filesystem::rename(temp, path, ec);
    if (!ok || ec) {
        std::filesystem::remove(temp, ec);
        return false;
    }
    return true;
}

// The whole file in one write.
bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    return WriteReplacing(path, [&](const std::string& temp) {
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0) return false;
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n <= 0) break;
            done += size_t(n);
        }
        return ::close(fd) == 0 && done == bytes.size();
    });
}

bool WriteWithFile(const std::string& path, bool (*body)(FILE*, const CRasterDC&, const CliOptions&),
                   const CRasterDC& dc, const CliOptions& o)
{
    return WriteReplacing(path, [&](const std::string& temp) {
        FilePtr f(std::fopen(temp.c_str(), "wb"), std::fclose);
        if (!f) return false;
        const bool ok = body(f.get(), dc, o);
        return std::fclose(f.release()) == 0 && ok;
    });
}

void PutLe(std::vector<uint8_t>& out, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

int32_t PixelsPerMeter(int dpi) { return int32_t(dpi * 10000 / 254); }

// The 24-bit bottom-up DIB of the surface behind a BMP file header.
bool WriteBmp(FILE* f, const CRasterDC& dc, const CliOptions& o)
{
    CDib dib;
    if (!dc.GetDIB(DibFormat::Bgr24, dib)) return false;
    // The resolution the image was drawn for.
    BITMAPINFOHEADER h = dib.Header();
    h.biXPelsPerMeter = h.biYPelsPerMeter = PixelsPerMeter(o.dpi);
    std::memcpy(dib.info.data(), &h, sizeof h);
    const uint32_t offset = uint32_t(14 + dib.info.size());
    std::vector<uint8_t> head;
    head.push_back('B');
    head.push_back('M');
    PutLe(head, uint32_t(offset + dib.bits.size()), 4);
    PutLe(head, 0, 4);
    PutLe(head, offset, 4);
    return std::fwrite(head.data(), 1, head.size(), f) == head.size() &&
           std::fwrite(dib.info.data(), 1, dib.info.size(), f) == dib.info.size() &&
           std::fwrite(dib.bits.data(), 1, dib.bits.size(), f) == dib.bits.size();
}

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

void JpegFail(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1); }

bool WriteJpeg(FILE* f, const CRasterDC& dc, const CliOptions& o)
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
    jpeg_set_quality(&cinfo, o.quality, TRUE);
    cinfo.density_unit = 1; // dots per inch
    cinfo.X_density = cinfo.Y_density = UINT16(std::min(o.dpi, 65535));
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        const auto* pixels =
            reinterpret_cast<const uint32_t*>(dc.Data() + size_t(cinfo.next_scanline) * size_t(dc.Stride()));
        for (int x = 0; x < dc.Width(); ++x) {
            row[3 * size_t(x)] = uint8_t(pixels[x] >> 16);
            row[3 * size_t(x) + 1] = uint8_t(pixels[x] >> 8);
            row[3 * size_t(x) + 2] = uint8_t(pixels[x]);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

std::string SizeText(SIZE size) { return std::to_string(size.cx) + "x" + std::to_string(size.cy); }

} // namespace

bool CImageWorkspace::Surface(SIZE size, int dpi)
{
    if (raster.IsOk() && raster.Width() == size.cx && raster.Height() == size.cy &&
        raster.GetDeviceCaps(LOGPIXELSX) == dpi)
        return true;
    return raster.Create(size.cx, size.cy, dpi);
}

bool EncodePng(CCommandControl& control, const CliOptions& o, SIZE size, CImageWorkspace& w)
{
    if (!w.Surface(size, o.dpi)) return false;
    w.raster.SetTextAntialias(!o.bilevel);
    control.Draw(&w.raster, size.cx, size.cy);
    const PixelView pixels{w.raster.Data(), w.raster.Stride(), size.cx, size.cy};
    return w.png.Encode(pixels, o.dpi, o.interlace, w.bytes);
}

WriteResult WriteImage(ImageFormat format, const std::string& path, CCommandControl& control, const CliOptions& o,
                       SIZE size, CImageWorkspace* workspace, std::string& error)
{
    const std::string cannotMake = "cannot make an image of " + SizeText(size) + " pixels";
    const std::string cannotWrite = "cannot write \"" + path + "\"";
    auto fail = [&](const std::string& message) {
        error = message;
        return WriteResult::Failed;
    };
    switch (format) {
    case ImageFormat::Png:
    case ImageFormat::Jpeg:
    case ImageFormat::Bmp: {
        // A workspace of its own only for a single image: making one sets
        // up a compressor, which a batch pays once per thread.
        std::optional<CImageWorkspace> own;
        CImageWorkspace& w = workspace ? *workspace : own.emplace();
        if (!w.Surface(size, o.dpi)) return fail(cannotMake);
        w.raster.SetTextAntialias(!o.bilevel);
        control.Draw(&w.raster, size.cx, size.cy);
        // The paint itself tells whether the symbol fitted.
        if (!control.Symbol().IsSizeOk()) return WriteResult::DoesNotFit;
        bool ok;
        if (format == ImageFormat::Png) {
            const PixelView pixels{w.raster.Data(), w.raster.Stride(), size.cx, size.cy};
            ok = w.png.Encode(pixels, o.dpi, o.interlace, w.bytes) && WriteBytes(path, w.bytes);
        } else {
            ok = WriteWithFile(path, format == ImageFormat::Jpeg ? WriteJpeg : WriteBmp, w.raster, o);
        }
        return ok ? WriteResult::Written : fail(cannotWrite);
    }
    default: {
        if (!FitsArea(control, o, size.cx, size.cy)) return WriteResult::DoesNotFit;
        const VectorFormat vf = format == ImageFormat::Svg   ? VectorFormat::Svg
                                : format == ImageFormat::Pdf ? VectorFormat::Pdf
                                                             : VectorFormat::Eps;
        const bool ok = WriteReplacing(path, [&](const std::string& temp) {
            CVectorDC dc(vf, temp, size.cx, size.cy, o.dpi);
            if (!dc.IsOk()) return false;
            control.Draw(&dc, size.cx, size.cy);
            return dc.Finish();
        });
        return ok ? WriteResult::Written : fail(cannotWrite);
    }
    }
}

// BMP is the surface's bottom-up DIB behind a file header, JPEG is encoded
// with libjpeg from the pixels into memory, and SVG, PDF and EPS are drawn
// on cairo's vector surfaces writing into a string.
#include "control/render/image_writers.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <sstream>

#include <jpeglib.h>

#include "control/render/render_internal.h"
#include "platform/gdi/dib.h"
#include "platform/io/safefile.h"

namespace {

void PutLe(std::vector<uint8_t>& out, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

int32_t PixelsPerMeter(int dpi) { return int32_t(dpi * 10000 / 254); }

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

void JpegFail(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1); }

// The EPS header names the page box in whole points only; a box that is
// not a whole number of points gets its exact size beside it.
void AddHiResBoundingBox(std::string& eps, int width, int height, int dpi)
{
    const std::string key = "%%BoundingBox:";
    const size_t at = eps.find(key);
    if (at == std::string::npos || eps.find("%%HiResBoundingBox:") != std::string::npos) return;
    const size_t end = eps.find('\n', at);
    if (end == std::string::npos) return;
    char line[96];
    std::snprintf(line, sizeof line, "%%%%HiResBoundingBox: 0 0 %.4f %.4f\n", width * 72.0 / dpi, height * 72.0 / dpi);
    eps.insert(end + 1, line);
}

// cairo names an SVG document's group after the surface's serial number in
// the process, which depends on how many surfaces were made before: the
// same symbol would give other bytes. Every document gets the first name.
void NumberSurfaceOne(std::string& svg)
{
    const std::string key = "surface";
    std::string out;
    out.reserve(svg.size());
    size_t i = 0;
    while (i < svg.size()) {
        const size_t at = svg.find(key, i);
        if (at == std::string::npos) {
            out.append(svg, i, std::string::npos);
            break;
        }
        size_t end = at + key.size();
        while (end < svg.size() && svg[end] >= '0' && svg[end] <= '9') ++end;
        out.append(svg, i, at - i);
        out += end > at + key.size() ? "surface1" : key;
        i = end;
    }
    svg.swap(out);
}

} // namespace

bool EncodeBmp(const CRasterDC& dc, int dpi, std::vector<uint8_t>& out)
{
    CDib dib;
    if (!dc.GetDIB(DibFormat::Bgr24, dib)) return false;
    BITMAPINFOHEADER h = dib.Header();
    h.biXPelsPerMeter = h.biYPelsPerMeter = PixelsPerMeter(dpi);
    std::memcpy(dib.info.data(), &h, sizeof h);
    const uint32_t offset = uint32_t(14 + dib.info.size());
    out.clear();
    out.reserve(offset + dib.bits.size());
    out.push_back('B');
    out.push_back('M');
    PutLe(out, uint32_t(offset + dib.bits.size()), 4);
    PutLe(out, 0, 4);
    PutLe(out, offset, 4);
    out.insert(out.end(), dib.info.begin(), dib.info.end());
    out.insert(out.end(), dib.bits.begin(), dib.bits.end());
    return true;
}

bool EncodeJpeg(const CRasterDC& dc, int dpi, int quality, std::vector<uint8_t>& out)
{
    jpeg_compress_struct cinfo;
    JpegError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegFail;
    std::vector<uint8_t> row(size_t(dc.Width()) * 3);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::free(buffer);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(dc.Width());
    cinfo.image_height = JDIMENSION(dc.Height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, std::clamp(quality, 1, 100), TRUE);
    cinfo.density_unit = 1; // dots per inch
    cinfo.X_density = cinfo.Y_density = UINT16(std::clamp(dpi, 1, 65535));
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
    out.assign(buffer, buffer + size);
    std::free(buffer);
    return true;
}

bool EncodeVector(VectorFormat format, int width, int height, int dpi, const std::function<void(CDC&)>& draw,
                  std::vector<uint8_t>& out)
{
    std::ostringstream stream;
    {
        CVectorDC dc(format, stream, width, height, dpi);
        if (!dc.IsOk()) return false;
        draw(dc);
        if (!dc.Finish()) return false;
    }
    std::string document = std::move(stream).str();
    if (document.empty()) return false;
    if (format == VectorFormat::Eps) AddHiResBoundingBox(document, width, height, dpi);
    if (format == VectorFormat::Svg) NumberSurfaceOne(document);
    out.assign(document.begin(), document.end());
    return true;
}

namespace tessaline {

bool WriteImageFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& reason)
{
    const CWriteResult r = WriteFileSafely(path, bytes.data(), bytes.size());
    if (!r.ok) reason = r.reason;
    return r.ok;
}

} // namespace tessaline

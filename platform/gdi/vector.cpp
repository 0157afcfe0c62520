// SVG, PDF and EPS surfaces on cairo.
#include "platform/gdi/vector.h"

#include <cairo-pdf.h>
#include <cairo-ps.h>
#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <cctype>
#include <new>

#include "platform/io/safefile.h"

namespace {

cairo_status_t VectorSinkWrite(void* closure, const unsigned char* data, unsigned int length)
{
    auto* sink = static_cast<CVectorDC::Sink*>(closure);
    if (!sink->out) {
        try {
            sink->bytes.append(reinterpret_cast<const char*>(data), length);
            return CAIRO_STATUS_SUCCESS;
        } catch (const std::bad_alloc&) {
            sink->failed = true;
            return CAIRO_STATUS_NO_MEMORY;
        }
    }
    sink->out->write(reinterpret_cast<const char*>(data), std::streamsize(length));
    if (*sink->out) return CAIRO_STATUS_SUCCESS;
    sink->failed = true;
    return CAIRO_STATUS_WRITE_ERROR;
}

} // namespace

CVectorDC::CVectorDC(VectorFormat format, int width, int height, int dpi)
    : m_width(width), m_height(height), m_dpi(dpi)
{
    Init(format, width, height);
}

CVectorDC::CVectorDC(VectorFormat format, const std::string& path, int width, int height, int dpi)
    : m_width(width), m_height(height), m_dpi(dpi), m_path(path)
{
    Init(format, width, height);
}

CVectorDC::CVectorDC(VectorFormat format, std::ostream& out, int width, int height, int dpi)
    : m_width(width), m_height(height), m_dpi(dpi)
{
    m_sink.out = &out;
    Init(format, width, height);
}

void CVectorDC::Init(VectorFormat format, int width, int height)
{
    if (width <= 0 || height <= 0 || m_dpi <= 0) return;
    const double scale = 72.0 / m_dpi;
    const double w = width * scale, h = height * scale;
    // The sink outlives the surface: cairo writes while drawing and when
    // finishing. Files are never written by cairo itself, which reports a
    // failed write only through its status.
    void* closure = &m_sink;
    switch (format) {
    case VectorFormat::Svg: m_surface = cairo_svg_surface_create_for_stream(VectorSinkWrite, closure, w, h); break;
    case VectorFormat::Pdf: m_surface = cairo_pdf_surface_create_for_stream(VectorSinkWrite, closure, w, h); break;
    case VectorFormat::Eps: m_surface = cairo_ps_surface_create_for_stream(VectorSinkWrite, closure, w, h); break;
    }
    if (cairo_surface_status(m_surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(m_surface);
        m_surface = nullptr;
        return;
    }
    if (format == VectorFormat::Eps) cairo_ps_surface_set_eps(m_surface, 1);
    if (format == VectorFormat::Pdf) cairo_pdf_surface_set_metadata(m_surface, CAIRO_PDF_METADATA_CREATOR, "Tessaline");
    m_cr = cairo_create(m_surface);
    cairo_scale(m_cr, scale, scale);
    cairo_set_antialias(m_cr, CAIRO_ANTIALIAS_NONE);
}

CVectorDC::~CVectorDC() { Finish(); }

bool CVectorDC::Finish()
{
    if (!m_surface) {
        m_error = "the document was not made or is already finished";
        return false;
    }
    cairo_status_t status = cairo_status(m_cr);
    cairo_destroy(m_cr);
    m_cr = nullptr;
    cairo_surface_finish(m_surface);
    if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_status(m_surface);
    cairo_surface_destroy(m_surface);
    m_surface = nullptr;
    bool ok = status == CAIRO_STATUS_SUCCESS && !m_sink.failed;
    m_error = ok ? std::string() : std::string(cairo_status_to_string(status == CAIRO_STATUS_SUCCESS
                                                                            ? CAIRO_STATUS_WRITE_ERROR
                                                                            : status));
    if (m_sink.out && !m_sink.out->flush().good() && ok) {
        ok = false;
        m_error = cairo_status_to_string(CAIRO_STATUS_WRITE_ERROR);
    }
    if (!m_path.empty()) {
        if (ok) {
            const CWriteResult written = WriteFileSafely(m_path, m_sink.bytes.data(), m_sink.bytes.size());
            ok = written.ok;
            m_error = written.reason;
        } else {
            m_error = "cannot write \"" + m_path + "\": " + m_error;
        }
        m_sink.bytes = std::string();
    }
    // A document that failed is never handed out in part.
    if (!ok) m_sink.bytes = std::string();
    return ok;
}

int CVectorDC::GetDeviceCaps(int index) const
{
    return SurfaceDeviceCaps(index, m_dpi, m_width, m_height);
}

std::string CVectorDC::Render(VectorFormat format, int width, int height, int dpi,
                              const std::function<void(CDC&)>& draw)
{
    CVectorDC dc(format, width, height, dpi);
    if (!dc.IsOk()) return {};
    draw(dc);
    return dc.Finish() ? dc.TakeBytes() : std::string();
}

bool CVectorDC::FormatForPath(const std::string& path, VectorFormat& format)
{
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos) return false;
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
    if (ext == "svg") format = VectorFormat::Svg;
    else if (ext == "pdf") format = VectorFormat::Pdf;
    else if (ext == "eps" || ext == "ps") format = VectorFormat::Eps;
    else return false;
    return true;
}

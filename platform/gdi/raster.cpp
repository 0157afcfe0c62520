// The raster surface on a cairo image surface.
#include "platform/gdi/raster.h"

#include <cairo.h>

CRasterDC::CRasterDC(int width, int height, int dpi) : m_width(0), m_height(0), m_dpi(dpi)
{
    Create(width, height, dpi);
}

CRasterDC::~CRasterDC() { Destroy(); }

void CRasterDC::Destroy()
{
    if (m_cr) cairo_destroy(m_cr);
    if (m_surface) cairo_surface_destroy(m_surface);
    m_cr = nullptr;
    m_surface = nullptr;
    m_width = m_height = 0;
}

bool CRasterDC::Create(int width, int height, int dpi)
{
    Destroy();
    m_dpi = dpi;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide || int64_t(width) * height > kMaxPixels)
        return false;
    m_surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    if (cairo_surface_status(m_surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(m_surface);
        m_surface = nullptr;
        return false;
    }
    m_cr = cairo_create(m_surface);
    if (cairo_status(m_cr) != CAIRO_STATUS_SUCCESS) {
        Destroy();
        return false;
    }
    m_width = width;
    m_height = height;
    cairo_set_antialias(m_cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_source_rgb(m_cr, 1, 1, 1);
    cairo_paint(m_cr);
    return true;
}

int CRasterDC::GetDeviceCaps(int index) const
{
    return SurfaceDeviceCaps(index, m_dpi, m_width, m_height);
}

void CRasterDC::Flush() const
{
    if (m_surface) cairo_surface_flush(m_surface);
}

const uint8_t* CRasterDC::Data() const
{
    Flush();
    return m_surface ? cairo_image_surface_get_data(m_surface) : nullptr;
}

int CRasterDC::Stride() const { return m_surface ? cairo_image_surface_get_stride(m_surface) : 0; }

COLORREF CRasterDC::GetPixel(int x, int y) const
{
    if (!m_surface || x < 0 || y < 0 || x >= m_width || y >= m_height) return 0xFFFFFFFF;
    const uint32_t px = reinterpret_cast<const uint32_t*>(Data() + size_t(y) * Stride())[x];
    return RGB((px >> 16) & 0xFF, (px >> 8) & 0xFF, px & 0xFF);
}

std::vector<uint8_t> CRasterDC::ToGray() const
{
    std::vector<uint8_t> out(size_t(m_width) * m_height);
    const uint8_t* data = Data();
    for (int y = 0; y < m_height; ++y) {
        const uint32_t* row = reinterpret_cast<const uint32_t*>(data + size_t(y) * Stride());
        for (int x = 0; x < m_width; ++x) {
            const uint32_t px = row[x];
            const int r = (px >> 16) & 0xFF, g = (px >> 8) & 0xFF, b = px & 0xFF;
            out[size_t(y) * m_width + x] = uint8_t((r * 299 + g * 587 + b * 114) / 1000);
        }
    }
    return out;
}

bool CRasterDC::GetDIB(DibFormat format, CDib& out) const
{
    if (!m_surface) {
        out = CDib{};
        return false;
    }
    return ExportDib(Data(), Stride(), m_width, m_height, format, out);
}

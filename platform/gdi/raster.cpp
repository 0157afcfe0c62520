// The raster surface on a cairo image surface.
#include "platform/gdi/raster.h"

#include <cairo.h>

#include <algorithm>

namespace {

void SetColor(cairo_t* cr, COLORREF c)
{
    cairo_set_source_rgb(cr, GetRValue(c) / 255.0, GetGValue(c) / 255.0, GetBValue(c) / 255.0);
}

void FillPixels(cairo_t* cr, int l, int t, int r, int b, COLORREF c)
{
    if (r <= l || b <= t) return;
    SetColor(cr, c);
    cairo_rectangle(cr, l, t, r - l, b - t);
    cairo_fill(cr);
}

} // namespace

CRasterDC::CRasterDC(int width, int height, int dpi) : m_width(width), m_height(height), m_dpi(dpi)
{
    if (width <= 0 || height <= 0 || width > 32767 || height > 32767) {
        m_width = m_height = 0;
        return;
    }
    m_surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    if (cairo_surface_status(m_surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(m_surface);
        m_surface = nullptr;
        m_width = m_height = 0;
        return;
    }
    m_cr = cairo_create(m_surface);
    cairo_set_antialias(m_cr, CAIRO_ANTIALIAS_NONE);
    FillPixels(m_cr, 0, 0, width, height, RGB(255, 255, 255));
}

CRasterDC::~CRasterDC()
{
    if (m_cr) cairo_destroy(m_cr);
    if (m_surface) cairo_surface_destroy(m_surface);
}

void CRasterDC::FillRect(const RECT& r, const CBrush& brush)
{
    if (!m_cr || brush.style == BS_NULL) return;
    FillPixels(m_cr, r.left, r.top, r.right, r.bottom, brush.color);
}

BOOL CRasterDC::Rectangle(int left, int top, int right, int bottom)
{
    if (!m_cr) return FALSE;
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    const bool pen = m_pen.style != PS_NULL;
    // Without a pen the platform fills one unit less on the right and bottom.
    const int r = pen ? right : right - 1, b = pen ? bottom : bottom - 1;
    if (m_brush.style != BS_NULL) FillPixels(m_cr, left, top, r, b, m_brush.color);
    if (pen && right - left > 0 && bottom - top > 0) {
        const int w = std::max(1, m_pen.width);
        FillPixels(m_cr, left, top, right, std::min(bottom, top + w), m_pen.color);
        FillPixels(m_cr, left, std::max(top, bottom - w), right, bottom, m_pen.color);
        FillPixels(m_cr, left, top, std::min(right, left + w), bottom, m_pen.color);
        FillPixels(m_cr, std::max(left, right - w), top, right, bottom, m_pen.color);
    }
    return TRUE;
}

BOOL CRasterDC::TextOut(int, int, const std::string&)
{
    // Placeholder until font rendering lands.
    return m_cr ? TRUE : FALSE;
}

int CRasterDC::GetDeviceCaps(int index) const
{
    switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY: return m_dpi;
    case HORZRES: return m_width;
    case VERTRES: return m_height;
    case BITSPIXEL: return 32;
    default: return 0;
    }
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

// The raster surface on a cairo image surface.
#include "platform/gdi/raster.h"

#include <cairo.h>

#include <algorithm>
#include <cstring>

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
    m_pixels = nullptr;
    m_stride = 0;
    m_width = m_height = 0;
    m_colours.clear();
    m_blended = false;
    m_grey = true;
    m_uniform = false;
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
    m_pixels = cairo_image_surface_get_data(m_surface);
    m_stride = cairo_image_surface_get_stride(m_surface);
    cairo_set_antialias(m_cr, CAIRO_ANTIALIAS_NONE);
    Fill(0, 0, width, height, RGB(255, 255, 255));
    return true;
}

void CRasterDC::NoteColour(COLORREF c)
{
    if (GetRValue(c) != GetGValue(c) || GetGValue(c) != GetBValue(c)) m_grey = false;
    const uint32_t rgb = uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | GetBValue(c);
    if (std::find(m_colours.begin(), m_colours.end(), rgb) == m_colours.end()) m_colours.push_back(rgb);
}

void CRasterDC::Fill(int l, int t, int r, int b, COLORREF c)
{
    l = std::clamp(l, 0, m_width), r = std::clamp(r, 0, m_width);
    t = std::clamp(t, 0, m_height), b = std::clamp(b, 0, m_height);
    if (r <= l || b <= t) return;
    const uint32_t pixel = 0xFF000000u | uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | GetBValue(c);
    // A surface filled with one colour and not drawn on since needs no
    // second fill in that colour (the control fills its area with the
    // background its host has just filled the surface with).
    if (m_uniform && pixel == m_uniformPixel) return;
    if (l == 0 && t == 0 && r == m_width && b == m_height) {
        m_colours.clear();
        m_blended = false;
        m_grey = true;
        m_uniform = true;
        m_uniformPixel = pixel;
    } else {
        m_uniform = false;
    }
    NoteColour(c);
    const size_t w = size_t(r - l);
    uint8_t* first = m_pixels + size_t(t) * size_t(m_stride) + size_t(l) * 4;
    if (pixel == 0xFFFFFFFFu) {
        // White, the usual background, is one byte value throughout.
        if (w == size_t(m_width) && m_stride == m_width * 4) {
            std::memset(first, 0xFF, size_t(b - t) * size_t(m_stride));
            return;
        }
        for (int y = t; y < b; ++y) std::memset(m_pixels + size_t(y) * size_t(m_stride) + size_t(l) * 4, 0xFF, w * 4);
        return;
    }
    if (w <= 16) {
        // Bars are a few pixels wide and a hundred high: plain stores beat
        // a copy call a row.
        const uint64_t pair = uint64_t(pixel) << 32 | pixel;
        for (int y = t; y < b; ++y) {
            uint8_t* row = m_pixels + size_t(y) * size_t(m_stride) + size_t(l) * 4;
            size_t x = 0;
            for (; x + 2 <= w; x += 2) std::memcpy(row + 4 * x, &pair, 8);
            if (x < w) std::memcpy(row + 4 * x, &pixel, 4);
        }
        return;
    }
    // Wide fills: the first row pixel by pixel, the others copied from it.
    std::fill_n(reinterpret_cast<uint32_t*>(first), w, pixel);
    for (int y = t + 1; y < b; ++y) std::memcpy(m_pixels + size_t(y) * size_t(m_stride) + size_t(l) * 4, first, w * 4);
}

void CRasterDC::FillRect(const RECT& r, const CBrush& brush)
{
    if (!m_cr || brush.style == BS_NULL) return;
    Fill(r.left, r.top, r.right, r.bottom, brush.color);
}

BOOL CRasterDC::Rectangle(int left, int top, int right, int bottom)
{
    // The same pixels as the cairo surfaces give (CCairoDC::Rectangle).
    if (!m_cr) return FALSE;
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    const bool pen = m_pen.style != PS_NULL;
    const int r = pen ? right : right - 1, b = pen ? bottom : bottom - 1;
    if (m_brush.style != BS_NULL) Fill(left, top, r, b, m_brush.color);
    if (pen && right - left > 0 && bottom - top > 0 && !(m_brush.style != BS_NULL && m_brush.color == m_pen.color)) {
        const int w = std::max(1, m_pen.width);
        Fill(left, top, right, std::min(bottom, top + w), m_pen.color);
        Fill(left, std::max(top, bottom - w), right, bottom, m_pen.color);
        Fill(left, top, std::min(right, left + w), bottom, m_pen.color);
        Fill(std::max(left, right - w), top, right, bottom, m_pen.color);
    }
    return TRUE;
}

BOOL CRasterDC::TextOut(int x, int y, const std::string& text)
{
    if (!m_cr) return FALSE;
    m_uniform = false;
    // cairo draws over what was stored behind its back.
    cairo_surface_mark_dirty(m_surface);
    const BOOL done = CCairoDC::TextOut(x, y, text);
    cairo_surface_flush(m_surface);
    if (text.empty()) return done;
    if (m_bkMode == OPAQUE) NoteColour(m_bkColor);
    // Anti-aliased edges blend the text colour into what lies below.
    NoteColour(m_textColor);
    if (m_textAntialias) m_blended = true;
    return done;
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
            // A grey is its own luma (the weights sum to 1000).
            out[size_t(y) * m_width + x] = r == g && g == b ? uint8_t(b) : uint8_t((r * 299 + g * 587 + b * 114) / 1000);
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

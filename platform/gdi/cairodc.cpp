// Rectangles and text on a cairo context. Coordinates are device units; a
// vector surface scales its context to points beforehand.
#include "platform/gdi/cairodc.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/gdi/font.h"

namespace {

void SetColor(cairo_t* cr, COLORREF c)
{
    cairo_set_source_rgb(cr, GetRValue(c) / 255.0, GetGValue(c) / 255.0, GetBValue(c) / 255.0);
}

// A fill written straight into the pixels of an image surface when nothing
// turns or scales it: the bars are most of what a symbol draws, and cairo's
// path and compositing machinery costs far more than the stores. The same
// pixels as cairo_fill, [l, r) x [t, b) clipped to the surface.
bool FillImagePixels(cairo_t* cr, double l, double t, double r, double b, COLORREF c)
{
    cairo_surface_t* s = cairo_get_target(cr);
    if (cairo_surface_get_type(s) != CAIRO_SURFACE_TYPE_IMAGE || cairo_image_surface_get_format(s) != CAIRO_FORMAT_RGB24)
        return false;
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    if (m.xx != 1 || m.yy != 1 || m.xy != 0 || m.yx != 0) return false;
    const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
    const int x0 = std::clamp(int(std::lround(l + m.x0)), 0, w), x1 = std::clamp(int(std::lround(r + m.x0)), 0, w);
    const int y0 = std::clamp(int(std::lround(t + m.y0)), 0, h), y1 = std::clamp(int(std::lround(b + m.y0)), 0, h);
    if (x1 <= x0 || y1 <= y0) return true;
    cairo_surface_flush(s);
    uint8_t* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    const uint32_t pixel = 0xFF000000u | (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | GetBValue(c);
    // The first row pixel by pixel, the others copied from it.
    uint32_t* first = reinterpret_cast<uint32_t*>(data + size_t(y0) * size_t(stride)) + x0;
    std::fill_n(first, x1 - x0, pixel);
    for (int y = y0 + 1; y < y1; ++y)
        std::memcpy(reinterpret_cast<uint32_t*>(data + size_t(y) * size_t(stride)) + x0, first, size_t(x1 - x0) * 4);
    cairo_surface_mark_dirty_rectangle(s, x0, y0, x1 - x0, y1 - y0);
    return true;
}

// Whole-pixel fill: the context never anti-aliases shapes, so an integer
// rectangle covers exactly [l, r) x [t, b).
void FillPixels(cairo_t* cr, double l, double t, double r, double b, COLORREF c)
{
    if (r <= l || b <= t) return;
    if (FillImagePixels(cr, l, t, r, b, c)) return;
    SetColor(cr, c);
    cairo_rectangle(cr, l, t, r - l, b - t);
    cairo_fill(cr);
}

} // namespace

void CCairoDC::FillRect(const RECT& r, const CBrush& brush)
{
    if (!m_cr || brush.style == BS_NULL) return;
    FillPixels(m_cr, r.left, r.top, r.right, r.bottom, brush.color);
}

BOOL CCairoDC::Rectangle(int left, int top, int right, int bottom)
{
    if (!m_cr) return FALSE;
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    const bool pen = m_pen.style != PS_NULL;
    // Without a pen the platform fills one unit less on the right and bottom.
    const int r = pen ? right : right - 1, b = pen ? bottom : bottom - 1;
    if (m_brush.style != BS_NULL) FillPixels(m_cr, left, top, r, b, m_brush.color);
    if (pen && right - left > 0 && bottom - top > 0 && !(m_brush.style != BS_NULL && m_brush.color == m_pen.color)) {
        const int w = std::max(1, m_pen.width);
        FillPixels(m_cr, left, top, right, std::min(bottom, top + w), m_pen.color);
        FillPixels(m_cr, left, std::max(top, bottom - w), right, bottom, m_pen.color);
        FillPixels(m_cr, left, top, std::min(right, left + w), bottom, m_pen.color);
        FillPixels(m_cr, std::max(left, right - w), top, right, bottom, m_pen.color);
    }
    return TRUE;
}

BOOL CCairoDC::TextOut(int x, int y, const std::string& text)
{
    if (!m_cr) return FALSE;
    if (text.empty()) return TRUE;
    const TextLayout L = LayoutText(m_font, m_textAlign, x, y, text);
    {
        // The cell once turned, with half a cell's height to spare for ink
        // beyond it (overhangs, synthetic oblique and bold).
        double left = 1e9, top = 1e9, right = -1e9, bottom = -1e9;
        for (const double u : {double(L.left), double(L.left + L.width)})
            for (const double v : {double(L.top), double(L.top + L.height)}) {
                double px = 0, py = 0;
                L.ToSurface(u, v, px, py);
                left = std::min(left, px), right = std::max(right, px);
                top = std::min(top, py), bottom = std::max(bottom, py);
            }
        const double spare = L.height / 2.0 + 2;
        BeforeText({int(std::floor(left - spare)), int(std::floor(top - spare)), int(std::ceil(right + spare)),
                    int(std::ceil(bottom + spare))});
    }

    cairo_save(m_cr);
    // Into the text frame: u along the baseline, v across it. Quarter turns
    // use exact factors so the cell stays on whole pixels.
    double c = std::cos(L.angle), s = std::sin(L.angle);
    if (std::abs(c) < 1e-12) c = 0;
    if (std::abs(s) < 1e-12) s = 0;
    cairo_matrix_t m;
    cairo_matrix_init(&m, c, -s, s, c, x, y);
    cairo_transform(m_cr, &m);

    if (m_bkMode == OPAQUE) FillPixels(m_cr, L.left, L.top, L.left + L.width, L.top + L.height, m_bkColor);

    if (!L.glyphs.empty()) {
        cairo_set_font_face(m_cr, L.cairoFace);
        cairo_set_font_size(m_cr, L.ppem);
        cairo_font_options_t* opts = cairo_font_options_create();
        cairo_font_options_set_antialias(opts, m_textAntialias ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
        cairo_font_options_set_hint_style(opts, CAIRO_HINT_STYLE_SLIGHT);
        cairo_font_options_set_hint_metrics(opts, CAIRO_HINT_METRICS_OFF);
        cairo_set_font_options(m_cr, opts);
        cairo_font_options_destroy(opts);
        // Glyphs stand at the whole-pixel advances the extents are made of.
        std::vector<cairo_glyph_t> glyphs(L.glyphs.size());
        for (size_t i = 0; i < glyphs.size(); ++i)
            glyphs[i] = {L.glyphs[i], double(L.glyphX[i]), double(L.baseline)};
        SetColor(m_cr, m_textColor);
        cairo_show_glyphs(m_cr, glyphs.data(), int(glyphs.size()));
    }
    const int l = L.left, r = L.left + L.width;
    if (L.underlineSize) FillPixels(m_cr, l, L.underlineTop, r, L.underlineTop + L.underlineSize, m_textColor);
    if (L.strikeSize) FillPixels(m_cr, l, L.strikeTop, r, L.strikeTop + L.strikeSize, m_textColor);
    cairo_restore(m_cr);
    return TRUE;
}

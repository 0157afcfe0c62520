// Rectangles and text on a cairo context. Coordinates are device units; a
// vector surface scales its context to points beforehand.
#include "platform/gdi/cairodc.h"

#include <cairo.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <unordered_map>
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

// The face, size and rendering of `layout`'s text on `cr`.
void SelectTextFont(cairo_t* cr, const TextLayout& layout, bool antialias)
{
    cairo_set_font_face(cr, layout.cairoFace);
    cairo_set_font_size(cr, layout.ppem);
    cairo_font_options_t* opts = cairo_font_options_create();
    cairo_font_options_set_antialias(opts, antialias ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
    cairo_font_options_set_hint_style(opts, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(opts, CAIRO_HINT_METRICS_OFF);
    cairo_set_font_options(cr, opts);
    cairo_font_options_destroy(opts);
}

struct CGlyphKey {
    const void* face;
    double ppem;
    uint32_t glyph;
    bool antialias;
    bool operator==(const CGlyphKey&) const = default;
};
struct CGlyphKeyHash {
    size_t operator()(const CGlyphKey& k) const
    {
        return std::hash<const void*>()(k.face) ^ std::hash<double>()(k.ppem) * 31 ^ size_t(k.glyph) * 2654435761u ^
               size_t(k.antialias);
    }
};

// Draws `glyph` at whole-pixel origin (ox, oy) of a cleared A8 surface of
// w x h; its pixels are then the glyph's coverage, as cairo composites it
// anywhere else at a whole-pixel position.
bool RenderGlyph(const TextLayout& layout, uint32_t glyph, bool antialias, int ox, int oy, int w, int h,
                 std::vector<uint8_t>& coverage, int& stride)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, w, h);
    cairo_t* cr = cairo_create(surface);
    bool ok = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
    if (ok) {
        SelectTextFont(cr, layout, antialias);
        cairo_set_source_rgba(cr, 0, 0, 0, 1);
        cairo_glyph_t g{glyph, double(ox), double(oy)};
        cairo_show_glyphs(cr, &g, 1);
        cairo_surface_flush(surface);
        ok = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
    }
    if (ok) {
        stride = cairo_image_surface_get_stride(surface);
        const uint8_t* data = cairo_image_surface_get_data(surface);
        coverage.assign(data, data + size_t(stride) * size_t(h));
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return ok;
}

std::unordered_map<CGlyphKey, CCairoDC::CGlyphMask, CGlyphKeyHash>& GlyphCache()
{
    thread_local std::unordered_map<CGlyphKey, CCairoDC::CGlyphMask, CGlyphKeyHash> cache;
    return cache;
}

// The masks met last, by glyph index: text after text in one font finds
// its glyphs here without hashing the key.
struct CRecentGlyph {
    CGlyphKey key{nullptr, 0, 0, false};
    const CCairoDC::CGlyphMask* mask = nullptr;
};
std::array<CRecentGlyph, 64>& RecentGlyphs()
{
    thread_local std::array<CRecentGlyph, 64> recent{};
    return recent;
}

} // namespace

void CCairoDC::MakeRoomForGlyphMasks(size_t count)
{
    // A few fonts of a few hundred glyphs; a program that meets more
    // starts afresh rather than growing without end.
    auto& cache = GlyphCache();
    if (cache.size() + count <= 4096) return;
    cache.clear();
    RecentGlyphs().fill({});
}

const CCairoDC::CGlyphMask* CCairoDC::GlyphMask(const TextLayout& layout, uint32_t glyph, bool antialias)
{
    // Large text is rare and its masks big: cairo draws it directly.
    if (!layout.cairoFace || !(layout.ppem > 0 && layout.ppem <= 256)) return nullptr;
    const CGlyphKey key{layout.cairoFace, layout.ppem, glyph, antialias};
    CRecentGlyph& recent = RecentGlyphs()[glyph % 64];
    if (recent.mask && recent.key == key) return recent.mask;
    auto& cache = GlyphCache();
    if (const auto found = cache.find(key); found != cache.end()) {
        recent = {key, &found->second};
        return recent.mask;
    }
    // Room for the em square and more on every side: ink beyond it (wide
    // glyphs, synthetic oblique and bold) grows the room until no ink
    // touches its border.
    const int em = int(std::ceil(layout.ppem));
    for (int margin = em + 4; margin <= 4 * em + 16; margin *= 2) {
        const int side = 2 * margin;
        std::vector<uint8_t> pixels;
        int stride = 0;
        if (!RenderGlyph(layout, glyph, antialias, margin, margin, side, side, pixels, stride)) return nullptr;
        int l = side, t = side, r = -1, b = -1;
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x)
                if (pixels[size_t(y) * size_t(stride) + size_t(x)]) {
                    l = std::min(l, x), r = std::max(r, x);
                    t = std::min(t, y), b = std::max(b, y);
                }
        if (r >= 0 && (l == 0 || t == 0 || r == side - 1 || b == side - 1)) continue;
        CGlyphMask mask;
        if (r >= 0) {
            mask.left = l - margin, mask.top = t - margin;
            mask.width = r - l + 1, mask.height = b - t + 1;
            mask.coverage.resize(size_t(mask.width) * size_t(mask.height));
            for (int y = 0; y < mask.height; ++y)
                std::memcpy(mask.coverage.data() + size_t(y) * size_t(mask.width),
                            pixels.data() + size_t(t + y) * size_t(stride) + size_t(l), size_t(mask.width));
            mask.solid = std::all_of(mask.coverage.begin(), mask.coverage.end(), [](uint8_t a) { return a == 0 || a == 0xFF; });
            for (int y = 0; mask.solid && y < mask.height; ++y) {
                const uint8_t* row = mask.coverage.data() + size_t(y) * size_t(mask.width);
                for (int x = 0; x < mask.width;) {
                    if (!row[x]) {
                        ++x;
                        continue;
                    }
                    const int from = x;
                    while (x < mask.width && row[x]) ++x;
                    mask.runs.push_back({y, from, x});
                }
            }
        }
        recent = {key, &cache.emplace(key, std::move(mask)).first->second};
        return recent.mask;
    }
    return nullptr;
}

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
        SelectTextFont(m_cr, L, m_textAntialias);
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

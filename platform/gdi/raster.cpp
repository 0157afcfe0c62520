// The raster surface on a cairo image surface.
#include "platform/gdi/raster.h"

#include <cairo.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// A colour as the pixels hold it, 0x00RRGGBB, and back.
uint32_t Rgb24(COLORREF c) { return uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | GetBValue(c); }
COLORREF FromRgb24(uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

} // namespace

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
    ++m_noteEpoch;
    m_blended = false;
    m_grey = true;
    m_uniform = false;
    m_deferred = false;
    m_fills.clear();
    m_made.clear();
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
    m_deferred = m_deferredWanted;
    if (m_deferred) m_made.assign(size_t(height), 0);
    m_anyMade = false;
    Fill(0, 0, width, height, RGB(255, 255, 255));
    return true;
}

void CRasterDC::NoteColour(COLORREF c)
{
    if (GetRValue(c) != GetGValue(c) || GetGValue(c) != GetBValue(c)) m_grey = false;
    const uint32_t rgb = Rgb24(c);
    if (std::find(m_colours.begin(), m_colours.end(), rgb) == m_colours.end()) m_colours.push_back(rgb);
}

void CRasterDC::Fill(int l, int t, int r, int b, COLORREF c)
{
    l = std::clamp(l, 0, m_width), r = std::clamp(r, 0, m_width);
    t = std::clamp(t, 0, m_height), b = std::clamp(b, 0, m_height);
    if (r <= l || b <= t) return;
    const uint32_t pixel = 0xFF000000u | Rgb24(c);
    // A surface filled with one colour and not drawn on since needs no
    // second fill in that colour (the control fills its area with the
    // background its host has just filled the surface with).
    if (m_uniform && pixel == m_uniformPixel) return;
    if (l == 0 && t == 0 && r == m_width && b == m_height) {
        m_colours.clear();
        ++m_noteEpoch;
        m_blended = false;
        m_grey = true;
        m_uniform = true;
        m_uniformPixel = pixel;
    } else {
        m_uniform = false;
    }
    NoteColour(c);
    if (m_deferred) {
        if (m_uniform) {
            m_base = pixel;
            m_fills.clear();
            if (m_anyMade) std::fill(m_made.begin(), m_made.end(), 0);
            m_anyMade = false;
            return;
        }
        m_fills.push_back({l, t, r, b, pixel});
        // Rows that text made into pixels take the fill there too.
        for (int y = m_anyMade ? t : b; y < b; ++y) {
            if (!m_made[size_t(y)]) continue;
            uint32_t* row = reinterpret_cast<uint32_t*>(m_pixels + size_t(y) * size_t(m_stride));
            std::fill(row + l, row + r, pixel);
        }
        return;
    }
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

void CRasterDC::ComposeRow(int y, uint32_t* out) const
{
    std::fill(out, out + m_width, m_base);
    for (const CDeferredFill& f : m_fills)
        if (f.t <= y && y < f.b) std::fill(out + f.l, out + f.r, f.pixel);
}

void CRasterDC::MakeRows(int top, int bottom)
{
    if (!m_deferred) return;
    top = std::clamp(top, 0, m_height), bottom = std::clamp(bottom, 0, m_height);
    while (top < bottom && m_made[size_t(top)]) ++top;
    while (bottom > top && m_made[size_t(bottom - 1)]) --bottom;
    if (bottom <= top) return;
    // Rows between two fill edges are equal: composed once, then copied.
    m_edgeMarks.assign(size_t(bottom - top), 0);
    for (const CDeferredFill& f : m_fills) {
        if (f.t > top && f.t < bottom) m_edgeMarks[size_t(f.t - top)] = 1;
        if (f.b > top && f.b < bottom) m_edgeMarks[size_t(f.b - top)] = 1;
    }
    const uint32_t* composed = nullptr;
    for (int y = top; y < bottom; ++y) {
        uint32_t* row = reinterpret_cast<uint32_t*>(m_pixels + size_t(y) * size_t(m_stride));
        if (m_edgeMarks[size_t(y - top)]) composed = nullptr;
        if (m_made[size_t(y)]) {
            composed = nullptr;
            continue;
        }
        if (composed) std::memcpy(row, composed, size_t(m_width) * 4);
        else ComposeRow(y, row);
        composed = row;
        m_made[size_t(y)] = 1;
        m_anyMade = true;
    }
}

void CRasterDC::BeforeText(const RECT& bound)
{
    MakeRows(bound.top, bound.bottom);
    m_textBox = {std::clamp<int>(bound.left, 0, m_width), std::clamp<int>(bound.top, 0, m_height),
                 std::clamp<int>(bound.right, 0, m_width), std::clamp<int>(bound.bottom, 0, m_height)};
    if (!RoundsText() || m_textBox.right <= m_textBox.left) return;
    const size_t w = size_t(m_textBox.right - m_textBox.left);
    m_textUnder.resize(size_t(std::max<int>(0, m_textBox.bottom - m_textBox.top)) * w);
    for (int y = m_textBox.top; y < m_textBox.bottom; ++y)
        std::memcpy(m_textUnder.data() + size_t(y - m_textBox.top) * w,
                    m_pixels + size_t(y) * size_t(m_stride) + size_t(m_textBox.left) * 4, w * 4);
}

bool CRasterDC::RoundsText() const
{
    return m_textLevels >= 2 && m_textLevels < 256 && m_textAntialias && m_bkMode != OPAQUE;
}

namespace {

// round(n / d) for d > 0.
int RoundedQuotient(int n, int d) { return n >= 0 ? (2 * n + d) / (2 * d) : -((-2 * n + d) / (2 * d)); }

// Blend `n` of `text` over `o` (0x00RRGGBB each) with its coverage
// rounded to one of `steps` + 1 levels, which goes to `level`.
uint32_t RoundedBlend(uint32_t n, uint32_t o, uint32_t text, int steps, uint8_t& level)
{
    // The coverage, from the channel where text and ground differ most:
    // the others follow it.
    int shift = 0, most = -1;
    for (int k : {16, 8, 0}) {
        const int d = std::abs(int((text >> k) & 0xFF) - int((o >> k) & 0xFF));
        if (d > most) most = d, shift = k;
    }
    int num = (int((n >> shift) & 0xFF) - int((o >> shift) & 0xFF)) * steps;
    int den = int((text >> shift) & 0xFF) - int((o >> shift) & 0xFF);
    if (den < 0) num = -num, den = -den;
    const int l = std::clamp(RoundedQuotient(num, den), 0, steps);
    level = uint8_t(l);
    uint32_t q = 0;
    for (int k : {16, 8, 0}) {
        const int a = int((o >> k) & 0xFF), b = int((text >> k) & 0xFF);
        q |= uint32_t(a + RoundedQuotient((b - a) * l, steps)) << k;
    }
    return q;
}

} // namespace

void CRasterDC::RoundTextBlend()
{
    const uint32_t text = Rgb24(m_textColor);
    const int steps = m_textLevels - 1;
    const int left = m_textBox.left, w = m_textBox.right - m_textBox.left;
    if (w <= 0) return;
    // The levels already noted for the last colour found under the text
    // (almost always the background): NoteColour once a colour.
    uint32_t under = ~0u;
    std::vector<bool> noted(static_cast<size_t>(m_textLevels), false);
    // The rounded colour of each blend met over the ground the cache was
    // made for: the same few dozen come back in every text, and their
    // divisions cost more than the rest.
    const bool sameCache = m_roundedText == text && m_roundedLevels == m_textLevels;
    for (int y = m_textBox.top; y < m_textBox.bottom; ++y) {
        uint32_t* row = reinterpret_cast<uint32_t*>(m_pixels + size_t(y) * size_t(m_stride)) + left;
        const uint32_t* before = m_textUnder.data() + size_t(y - m_textBox.top) * size_t(w);
        if (std::memcmp(row, before, size_t(w) * 4) == 0) continue;
        for (int x = 0; x < w; ++x) {
            const uint32_t n = row[x] & 0xFFFFFFu, o = before[x] & 0xFFFFFFu;
            if (n == o) continue;
            if (o == text) {
                // Text over its own colour stays that colour, whatever
                // rounding the blend took.
                row[x] = before[x];
                continue;
            }
            if (o != under) {
                under = o;
                std::fill(noted.begin(), noted.end(), false);
                if (!sameCache || o != m_roundedUnder) {
                    m_rounded.fill({});
                    m_roundedText = text, m_roundedLevels = m_textLevels, m_roundedUnder = o;
                }
            }
            CRounded& known = m_rounded[(n ^ n >> 8 ^ n >> 16) & 0xFF];
            if (known.blend != n) {
                uint8_t level = 0;
                const uint32_t colour = RoundedBlend(n, o, text, steps, level);
                known = {n, colour, level};
            }
            row[x] = 0xFF000000u | known.colour;
            if (!noted[known.level]) {
                noted[known.level] = true;
                NoteColour(FromRgb24(known.colour));
            }
        }
    }
}

const std::vector<const uint8_t*>& CRasterDC::Rows()
{
    m_rows.resize(size_t(m_height));
    if (!m_deferred) {
        const uint8_t* data = Data();
        for (int y = 0; y < m_height; ++y) m_rows[size_t(y)] = data + size_t(y) * size_t(m_stride);
        return m_rows;
    }
    Flush();
    // Bands: the rows between two consecutive fill edges are covered by the
    // same fills, so one composed row serves them all.
    // Bars share a few heights: the edges are marked on the rows rather
    // than sorted.
    m_edgeMarks.assign(size_t(m_height) + 1, 0);
    m_edgeMarks[0] = m_edgeMarks[size_t(m_height)] = 1;
    for (const CDeferredFill& f : m_fills) m_edgeMarks[size_t(f.t)] = m_edgeMarks[size_t(f.b)] = 1;
    std::vector<int>& edges = m_edges;
    edges.clear();
    for (int y = 0; y <= m_height; ++y)
        if (m_edgeMarks[size_t(y)]) edges.push_back(y);
    m_bandPixels.resize((edges.size() - 1) * size_t(m_width));
    for (size_t k = 0; k + 1 < edges.size(); ++k) {
        const int from = edges[k], to = edges[k + 1];
        uint32_t* band = m_bandPixels.data() + k * size_t(m_width);
        bool composed = false;
        for (int y = from; y < to; ++y) {
            if (m_made[size_t(y)]) {
                m_rows[size_t(y)] = m_pixels + size_t(y) * size_t(m_stride);
                continue;
            }
            if (!composed) ComposeRow(from, band);
            composed = true;
            m_rows[size_t(y)] = reinterpret_cast<const uint8_t*>(band);
        }
    }
    return m_rows;
}

namespace {

// x * a / 255 rounded, as pixman multiplies 8-bit channels.
inline uint32_t Mul255(uint32_t x, uint32_t a)
{
    const uint32_t t = x * a + 0x80;
    return ((t >> 8) + t) >> 8;
}

// `src` laid with coverage `a` (1 to 254) over `d`, as pixman composites
// a solid colour through an 8-bit mask.
inline uint32_t LayOver(uint32_t src, uint32_t a, uint32_t d)
{
    const uint32_t rest = 0xFF - a;
    uint32_t out = 0xFF000000u;
    for (int k : {16, 8, 0})
        out |= std::min<uint32_t>(0xFF, Mul255((src >> k) & 0xFF, a) + Mul255((d >> k) & 0xFF, rest)) << k;
    return out;
}

} // namespace

void CRasterDC::NoteLevel(uint8_t level, uint32_t colour)
{
    if (m_levelNoted[level] == m_noteEpoch) return;
    m_levelNoted[level] = m_noteEpoch;
    NoteColour(FromRgb24(colour));
}

bool CRasterDC::LayRoundedGlyphs(const TextLayout& L, int x, int baseline)
{
    // Glyphs that share a pixel blend in turn before the rounding: that is
    // left to the general path.
    const size_t n = L.glyphs.size();
    for (size_t i = 0; i < n; ++i)
        for (size_t j = i + 1; j < n; ++j) {
            const CGlyphMask &a = *m_masks[i], &b = *m_masks[j];
            const int ax = L.glyphX[i] + a.left, bx = L.glyphX[j] + b.left;
            if (a.width && b.width && ax < bx + b.width && bx < ax + a.width && a.top < b.top + b.height &&
                b.top < a.top + a.height)
                return false;
        }
    const uint32_t text = Rgb24(m_textColor);
    const uint32_t src = 0xFF000000u | text;
    const int steps = m_textLevels - 1;
    if (text != m_blendText || m_textLevels != m_blendLevels) m_blendUnder = ~0u;
    auto rowAt = [&](int py) { return reinterpret_cast<uint32_t*>(m_pixels + size_t(py) * size_t(m_stride)); };
    auto useGround = [&](uint32_t o) {
        if (o == m_blendUnder) return;
        m_blendOf.fill({});
        m_blendUnder = o, m_blendText = text, m_blendLevels = m_textLevels;
        // A level's colour over another ground is another colour.
        ++m_noteEpoch;
    };
    for (size_t i = 0; i < n; ++i) {
        const CGlyphMask& mask = *m_masks[i];
        const int gx = x + L.glyphX[i] + mask.left, gy = baseline + mask.top;
        const int x0 = std::max(0, gx), x1 = std::min(m_width, gx + mask.width);
        const int y0 = std::max(0, gy), y1 = std::min(m_height, gy + mask.height);
        if (x1 <= x0 || y1 <= y0) continue;
        // Over a ground of one colour (text between bars) a glyph comes out
        // as it did the last time: its rounded pixels are copied.
        const bool inside = x0 == gx && y0 == gy && x1 == gx + mask.width && y1 == gy + mask.height;
        const uint32_t ground = rowAt(y0)[x0];
        bool uniform = inside;
        for (int py = y0; uniform && py < y1; ++py) {
            const uint32_t* row = rowAt(py);
            uniform = std::all_of(row + x0, row + x1, [&](uint32_t p) { return p == ground; });
        }
        const uint32_t o = ground & 0xFFFFFFu;
        const size_t w = size_t(mask.width);
        if (uniform && mask.laidUnder == ground && mask.laidText == text && mask.laidLevels == m_textLevels) {
            useGround(o);
            for (int py = y0; py < y1; ++py)
                std::memcpy(rowAt(py) + x0, mask.laid.data() + size_t(py - y0) * w, w * 4);
            for (const auto& [level, colour] : mask.laidColours) NoteLevel(level, colour);
            continue;
        }
        ForEachCovered(mask, gx, gy, x0, y0, x1, y1, [&](uint32_t& pixel, uint32_t a) {
            const uint32_t o = pixel & 0xFFFFFFu;
            useGround(o);
            CCoverageBlend& b = m_blendOf[a];
            if (b.level == 0xFF) {
                // As the general path rounds the blended pixel: text
                // over its own colour, or a blend too faint to change
                // the pixel, leaves it as it was.
                const uint32_t blended = (a == 0xFF ? src : LayOver(src, a, o)) & 0xFFFFFFu;
                uint8_t level = 0;
                b.colour = o == text || blended == o ? o : RoundedBlend(blended, o, text, steps, level);
                b.noted = !(o == text || blended == o);
                b.level = level;
            }
            pixel = 0xFF000000u | b.colour;
            if (b.seen != m_noteEpoch) {
                b.seen = m_noteEpoch;
                if (b.noted) NoteLevel(b.level, b.colour);
            }
        });
        if (!uniform) continue;
        // Laid over one ground, the blends are those of m_blendOf.
        mask.laidUnder = ground, mask.laidText = text, mask.laidLevels = m_textLevels;
        mask.laid.resize(w * size_t(mask.height));
        for (int py = y0; py < y1; ++py) std::memcpy(mask.laid.data() + size_t(py - y0) * w, rowAt(py) + x0, w * 4);
        mask.laidColours.clear();
        std::array<bool, 256> listed{};
        for (const uint8_t a : mask.coverage) {
            const CCoverageBlend& b = m_blendOf[a];
            if (!a || !b.noted || listed[b.level]) continue;
            listed[b.level] = true;
            mask.laidColours.emplace_back(b.level, b.colour);
        }
    }
    return true;
}

bool CRasterDC::DrawOwnGlyphs(int x, int y, const std::string& text)
{
    if (!m_deferred || m_bkMode == OPAQUE || (m_textAntialias && !RoundsText())) return false;
    const TextLayout L = LayoutText(m_font, m_textAlign, x, y, text);
    if (L.angle != 0) return false;
    m_masks.resize(L.glyphs.size());
    MakeRoomForGlyphMasks(L.glyphs.size());
    // What the text touches: its glyphs' ink, its underline and strike-out.
    int left = m_width, top = m_height, right = 0, bottom = 0;
    auto cover = [&](int l, int t, int r, int b) {
        l = std::clamp(l, 0, m_width), r = std::clamp(r, 0, m_width);
        t = std::clamp(t, 0, m_height), b = std::clamp(b, 0, m_height);
        if (r <= l || b <= t) return;
        left = std::min(left, l), right = std::max(right, r);
        top = std::min(top, t), bottom = std::max(bottom, b);
    };
    const int baseline = y + L.baseline;
    for (size_t i = 0; i < L.glyphs.size(); ++i) {
        m_masks[i] = GlyphMask(L, L.glyphs[i], m_textAntialias);
        if (!m_masks[i]) return false;
        const int gx = x + L.glyphX[i] + m_masks[i]->left, gy = baseline + m_masks[i]->top;
        cover(gx, gy, gx + m_masks[i]->width, gy + m_masks[i]->height);
    }
    const int l = x + L.left, r = x + L.left + L.width;
    if (L.underlineSize) cover(l, y + L.underlineTop, r, y + L.underlineTop + L.underlineSize);
    if (L.strikeSize) cover(l, y + L.strikeTop, r, y + L.strikeTop + L.strikeSize);
    bool rounded = false;
    if (RoundsText() && right > left) {
        MakeRows(top, bottom);
        rounded = LayRoundedGlyphs(L, x, baseline);
        // Nothing left for RoundTextBlend to round.
        if (rounded) m_textBox = {};
    }
    if (!rounded) BeforeText(right > left ? RECT{left, top, right, bottom} : RECT{0, 0, 0, 0});

    // Each glyph as pixman lays a solid colour through an 8-bit mask over
    // the pixels, glyph after glyph: the pixels cairo would give.
    const uint32_t src = 0xFF000000u | Rgb24(m_textColor);
    for (size_t i = 0; !rounded && i < L.glyphs.size(); ++i) {
        const CGlyphMask& mask = *m_masks[i];
        const int gx = x + L.glyphX[i] + mask.left, gy = baseline + mask.top;
        const int x0 = std::max(0, gx), x1 = std::min(m_width, gx + mask.width);
        const int y0 = std::max(0, gy), y1 = std::min(m_height, gy + mask.height);
        if (mask.solid) {
            for (const CGlyphMask::CRun& run : mask.runs) {
                const int py = gy + run.y, from = std::max(x0, gx + run.x0), to = std::min(x1, gx + run.x1);
                if (py < y0 || py >= y1 || from >= to) continue;
                std::fill(reinterpret_cast<uint32_t*>(m_pixels + size_t(py) * size_t(m_stride)) + from,
                          reinterpret_cast<uint32_t*>(m_pixels + size_t(py) * size_t(m_stride)) + to, src);
            }
            continue;
        }
        ForEachCovered(mask, gx, gy, x0, y0, x1, y1,
                       [&](uint32_t& pixel, uint32_t a) { pixel = a == 0xFF ? src : LayOver(src, a, pixel); });
    }
    if (L.underlineSize) Fill(l, y + L.underlineTop, r, y + L.underlineTop + L.underlineSize, m_textColor);
    if (L.strikeSize) Fill(l, y + L.strikeTop, r, y + L.strikeTop + L.strikeSize, m_textColor);
    return true;
}

BOOL CRasterDC::TextOut(int x, int y, const std::string& text)
{
    if (!m_cr) return FALSE;
    m_uniform = false;
    if (text.empty()) return TRUE;
    BOOL done = TRUE;
    if (!DrawOwnGlyphs(x, y, text)) {
        // cairo draws over what was stored behind its back.
        cairo_surface_mark_dirty(m_surface);
        done = CCairoDC::TextOut(x, y, text);
        cairo_surface_flush(m_surface);
    }
    if (m_bkMode == OPAQUE) NoteColour(m_bkColor);
    // Anti-aliased edges blend the text colour into what lies below: in
    // known steps when they are rounded, else in any of 256.
    NoteColour(m_textColor);
    if (RoundsText()) RoundTextBlend();
    else if (m_textAntialias) m_blended = true;
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
    // Reading the pixels makes them all; the list still describes them.
    const_cast<CRasterDC*>(this)->MakeRows(0, m_height);
    Flush();
    return m_surface ? cairo_image_surface_get_data(m_surface) : nullptr;
}

int CRasterDC::Stride() const { return m_surface ? cairo_image_surface_get_stride(m_surface) : 0; }

COLORREF CRasterDC::GetPixel(int x, int y) const
{
    if (!m_surface || x < 0 || y < 0 || x >= m_width || y >= m_height) return 0xFFFFFFFF;
    const uint32_t px = reinterpret_cast<const uint32_t*>(Data() + size_t(y) * Stride())[x];
    return FromRgb24(px);
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

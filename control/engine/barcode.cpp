// Symbol model: Paint and the rotation-aware drawing primitives.
#include "control/engine/barcode.h"

#include <cstdlib>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

BOOL AllDigits(const std::string& s)
{
    for (char c : s)
        if (!IsDigit(c)) return FALSE;
    return TRUE;
}

std::string KeepDigits(const std::string& s)
{
    std::string out;
    for (char c : s)
        if (IsDigit(c)) out += c;
    return out;
}

BOOL CGenericBarcode::AllDigits() const { return ::AllDigits(m_text); }

int32_t SymbolRuns::AddWidths(int32_t start, const char* widths, bool darkFirst, BarSpan span)
{
    int32_t x = 0;
    bool dark = darkFirst;
    for (const char* p = widths; *p; ++p, dark = !dark) {
        const int32_t w = *p - '0';
        if (dark && w > 0) Add(start + x, w, span);
        x += w;
    }
    return x;
}

BOOL CGenericBarcode::Paint(CDC* dc, const RECT& rect)
{
    const int32_t minHeight = m_showText ? m_textHeight + 20 : 20;
    m_sizeOk = FALSE;
    m_rect = rect;
    m_runs.Clear();
    m_placement = {};
    if (!IsValid()) {
        DrawErrorText(dc, "text error");
        return TRUE;
    }
    // Borders wider than the area turn it inside out, and a text band as
    // wide as it leaves the bars no length: bars drawn there would lie
    // outside the area, so such an area is too small whatever the rotation.
    RECT bars = rect;
    ShrinkForText(bars, m_showText ? m_textHeight : 0);
    const bool room = bars.right > bars.left && bars.bottom > bars.top;
    if (room && rect.bottom - rect.top >= minHeight) m_sizeOk = Draw(dc) ? TRUE : FALSE;
    if (!m_sizeOk) {
        m_runs.Clear();
        m_placement = {};
        DrawErrorText(dc, "size error");
    }
    return TRUE;
}

// Rotation 0 is the reference; 90, 180 and 270 turn the symbol clockwise.
// A value outside those (possible from stored state) is drawn as 0.

namespace {

enum class Edge : uint8_t { Left, Top, Right, Bottom };

// How a rotation lays the symbol on the device: the edge its bar axis
// starts from and the one it ends at, the edge of its text band and the
// edge of the add-on digits above the bars.
struct AxisFrame {
    Edge start, end, text, addOn;
};

constexpr AxisFrame kFrames[] = {
    {Edge::Left, Edge::Right, Edge::Bottom, Edge::Top}, // 0
    {Edge::Top, Edge::Bottom, Edge::Left, Edge::Right}, // 90
    {Edge::Right, Edge::Left, Edge::Top, Edge::Bottom}, // 180
    {Edge::Bottom, Edge::Top, Edge::Right, Edge::Left}, // 270
};

const AxisFrame& FrameOf(int16_t rotate)
{
    switch (rotate) {
    case 90: return kFrames[1];
    case 180: return kFrames[2];
    case 270: return kFrames[3];
    default: return kFrames[0];
    }
}

bool AlongX(const AxisFrame& f) { return f.start == Edge::Left || f.start == Edge::Right; }

// +1 where going inward from the edge increases the coordinate.
int32_t Inward(Edge e) { return e == Edge::Left || e == Edge::Top ? 1 : -1; }

int32_t Coordinate(const RECT& r, Edge e)
{
    switch (e) {
    case Edge::Left: return r.left;
    case Edge::Top: return r.top;
    case Edge::Right: return r.right;
    default: return r.bottom;
    }
}

// Moves one edge of `r` inward by `d` (outward for a negative `d`).
void MoveInward(RECT& r, Edge e, int32_t d)
{
    switch (e) {
    case Edge::Left: r.left += d; break;
    case Edge::Top: r.top += d; break;
    case Edge::Right: r.right -= d; break;
    default: r.bottom -= d; break;
    }
}

// The device point at `along` on the bar axis of `r` and `across` from it.
POINT At(const AxisFrame& f, const RECT& r, int32_t along, int32_t across)
{
    const int32_t a = Coordinate(r, f.start) + Inward(f.start) * along;
    return AlongX(f) ? POINT{a, across} : POINT{across, a};
}

} // namespace

int32_t CGenericBarcode::AxisLength(const RECT& r) const
{
    return std::abs(AlongX(FrameOf(m_rotate)) ? r.right - r.left : r.bottom - r.top);
}

void CGenericBarcode::ShrinkForText(RECT& r, int32_t h) const { MoveInward(r, FrameOf(m_rotate).text, h); }

void CGenericBarcode::ShrinkForAddOnText(RECT& r, int32_t h) const { MoveInward(r, FrameOf(m_rotate).addOn, h); }

void CGenericBarcode::ShrinkFromStart(RECT& r, int32_t d) const { MoveInward(r, FrameOf(m_rotate).start, d); }

void CGenericBarcode::ShrinkFromEnd(RECT& r, int32_t d) const { MoveInward(r, FrameOf(m_rotate).end, d); }

void CGenericBarcode::FillStrip(CDC* dc, const RECT& r, int32_t a, int32_t w) const
{
    // Measured from the far edge (180 and 270), the strip sits one unit
    // further towards the axis start than the mirror image of rotation 0:
    // right and bottom are exclusive.
    const AxisFrame& f = FrameOf(m_rotate);
    const int32_t edge = Coordinate(r, f.start);
    const int32_t from = Inward(f.start) > 0 ? edge + a : edge - a - w - 1;
    if (AlongX(f)) dc->Rectangle(from, r.top, from + w, r.bottom);
    else dc->Rectangle(r.left, from, r.right, from + w);
}

void CGenericBarcode::DrawRuns(CDC* dc, const RunPlacement& p)
{
    m_placement = p;
    for (const BarRun& b : m_runs.bars) FillStrip(dc, p.Span(b.span), p.origin + b.start * p.unit, b.width * p.unit - p.trim);
}

void CGenericBarcode::DrawTextAt(CDC* dc, const RECT& r, int32_t a, const std::string& chars,
                                 BOOL above, BOOL force) const
{
    if (!m_showText && !force) return;
    // Below the bars on the text band's edge, or a text band's height
    // beyond the edge above them.
    const AxisFrame& f = FrameOf(m_rotate);
    const int32_t across = above ? Coordinate(r, f.addOn) - Inward(f.addOn) * m_textHeight : Coordinate(r, f.text);
    const POINT p = At(f, r, a, across);
    dc->TextOut(p.x, p.y, chars);
}

void CGenericBarcode::DrawSpreadText(CDC* dc) const
{
    const std::string t = GetDisplayText();
    RECT r = m_rect;
    ShrinkForText(r, m_textHeight);
    if (!m_showText || t.size() < 3) return;
    const int32_t step = m_symbolWidth / int32_t(t.size() - 2);
    for (size_t i = 0; i + 1 < t.size(); ++i)
        DrawTextAt(dc, r, int32_t(i) * step, t.substr(i, 1), FALSE, FALSE);
}

void CGenericBarcode::DrawErrorText(CDC* dc, const std::string& message) const
{
    TEXTMETRIC tm;
    dc->GetTextMetrics(tm);
    RECT r = m_rect;
    ShrinkForText(r, tm.tmHeight);
    DrawTextAt(dc, r, 1, message, FALSE, TRUE);
}

void CGenericBarcode::DrawCharacters(CDC* dc, const std::string& t) const
{
    const AxisFrame& f = FrameOf(m_rotate);
    const int32_t pitch = t.empty() ? 0 : m_symbolWidth / int32_t(t.size());
    const int32_t across = Coordinate(m_rect, f.text) + Inward(f.text) * m_textHeight;
    for (size_t i = 0; i < t.size(); ++i) {
        const POINT p = At(f, m_rect, int32_t(i) * pitch, across);
        dc->TextOut(p.x, p.y, t.substr(i, 1));
    }
}

// --- pattern tables ----------------------------------------------------------

int FindPatternIndex(const PatternEntry* table, int key)
{
    if (!table) return -1;
    for (int i = 0; table[i].key != -1; ++i)
        if (table[i].key == key) return i;
    return -1;
}

const char* FindPatternWidths(const PatternEntry* table, int key)
{
    const int i = FindPatternIndex(table, key);
    return i < 0 ? nullptr : table[i].pattern;
}

int CountPatterns(const PatternEntry* table)
{
    int n = 0;
    if (table)
        while (table[n].key != -1) ++n;
    return n;
}

const char* FindExpansionOf(const ExpansionEntry* table, int character)
{
    if (!table) return nullptr;
    for (const ExpansionEntry* e = table; e->character != -1 && e->replacement; ++e)
        if (e->character == character) return e->replacement;
    return nullptr;
}

int32_t PatternModules(const char* widths)
{
    int32_t sum = 0;
    for (const char* p = widths; *p; ++p) sum += *p - '0';
    return sum;
}

// --- CPatternBarcode ---------------------------------------------------------

void CPatternBarcode::DrawText(CDC* dc) { DrawCharacters(dc, m_text); }

int CPatternBarcode::FindPattern(int key) const { return FindPatternIndex(m_patterns, key); }

int CPatternBarcode::PatternModules(int key) const
{
    const char* widths = FindPatternWidths(m_patterns, key);
    return widths ? ::PatternModules(widths) : 0;
}

const char* CPatternBarcode::FindExpansion(int character) const { return FindExpansionOf(m_expansions, character); }

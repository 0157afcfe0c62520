// PostNet (type 18) and Royal Mail 4-state (type 19): height-modulated
// postal codes. Unlike every other symbology their bars have a physical
// size: pitch, bar width and bar heights are fractions of an inch taken
// from the resolution of the device, and the bar rectangle only has to be
// long enough to hold them.
#include "control/symbologies/engine.h"
#include "control/symbologies/symbologies.h"

#include <algorithm>

// --- tables ----------------------------------------------------------------

// Five bars per digit, left to right: '1' a full bar, '0' a half bar (the
// POSTNET digit table of USPS Publication 25).
const PatternEntry kPostNetPatterns[] = {
    {'0', "11000"}, {'1', "00011"}, {'2', "00101"}, {'3', "00110"}, {'4', "01001"},
    {'5', "01010"}, {'6', "01100"}, {'7', "10001"}, {'8', "10010"}, {'9', "10100"},
    {kKeyEnd, ""},
};

// --- validation --------------------------------------------------------------

namespace {

class CPostNetBarcode : public CEngineBarcode {
public:
    BOOL IsValid() const override { return !m_text.empty() && ::AllDigits(m_text) ? TRUE : FALSE; }
    int32_t GetType() const override { return kTypePostNet; }
    std::string GetTypeName() const override { return TypeNameOf(kTypePostNet); }
    std::string GetDemoText() const override { return DemoTextOf(kTypePostNet); }
};

// Any non-empty text: what is not a letter or digit is dropped when drawing.
class CRoyalMailBarcode : public CEngineBarcode {
public:
    int32_t GetType() const override { return kTypeRoyalMail; }
    std::string GetTypeName() const override { return TypeNameOf(kTypeRoyalMail); }
    std::string GetDemoText() const override { return DemoTextOf(kTypeRoyalMail); }
};

} // namespace

SymbolPtr CreatePostNetBarcode() { return std::make_unique<CPostNetBarcode>(); }
SymbolPtr CreateRoyalMailBarcode() { return std::make_unique<CRoyalMailBarcode>(); }

// --- check characters ----------------------------------------------------------

// The PostNet check digit brings the digit sum to a multiple of ten.
ChecksumState PostNetChecksumStart(int32_t) { return 0; }
ChecksumState PostNetChecksumStep(ChecksumState state, int32_t value, int32_t)
{
    return ((state - value) % 10 + 10) % 10;
}

namespace {

// Royal Mail: a character's value w (digits 0-9, letters 10-35) sits in
// row w / 6 + 1 and column w % 6 + 1. The check character takes the row
// and column sums modulo 6, with 0 read as 6.
struct RowColumn {
    int row, column;
};

RowColumn RoyalMailPosition(char ch)
{
    const int w = ch <= '9' ? ch - '0' : ch - 'A' + 10;
    return {w / 6 + 1, w % 6 + 1};
}

int RoyalMailCheck(int sum) { return (sum + 5) % 6 + 1; }

// Of a character's four bars, those that carry the part for `n` (a row or
// a column, 1 to 6): 1 -> bars 2 and 3, 2 -> 1 and 3, 3 -> 1 and 2,
// 4 -> 0 and 3, 5 -> 0 and 2, 6 -> 0 and 1.
bool RoyalMailHasPart(int n, int bar)
{
    return (n & (4 >> bar)) != 0 || (bar == 3 && (n == 1 || n == 2 || n == 4));
}

// --- physical size -------------------------------------------------------------

// Physical metrics of a postal symbol on one device.
struct PostalMetrics {
    int pitch;  // bar to bar along the axis: 1/22 inch
    int bar;    // bar width: 0.02 inch
    int across; // resolution across the axis, dots per inch
};

// 96 dpi screens count as 100, low resolutions as 50, and a surface that
// cannot tell its resolution draws at 50.
int NormaliseDpi(int dpi) { return dpi < 75 ? 50 : dpi < 100 ? 100 : dpi; }

PostalMetrics MeasurePostal(CDC* dc, int16_t rotate)
{
    int dpiX = 50, dpiY = 50;
    if (dc->HasAttribDC()) {
        dpiX = dc->GetDeviceCaps(LOGPIXELSX);
        dpiY = dc->GetDeviceCaps(LOGPIXELSY);
    }
    dpiX = NormaliseDpi(dpiX);
    dpiY = NormaliseDpi(dpiY);
    const bool vertical = rotate == 90 || rotate == 270;
    const int along = vertical ? dpiY : dpiX;
    const int across = vertical ? dpiX : dpiY;
    return {std::max((along + 11) / 22, 1), std::max(along / 50, 1), across};
}

// A bar's extent across the axis, as distances [from, to) measured inward
// from one edge of the bar rectangle (its top or left edge, or with
// fromFarEdge its bottom or right edge). Along the axis the band keeps the
// rectangle's extent, where FillStrip places the bar.
struct Span {
    int from, to;
};

RECT Band(const RECT& r, int16_t rotate, bool fromFarEdge, Span s)
{
    const bool vertical = rotate == 90 || rotate == 270;
    if (!vertical) {
        return fromFarEdge ? RECT{r.left, r.bottom - s.to, r.right, r.bottom - s.from}
                           : RECT{r.left, r.top + s.from, r.right, r.top + s.to};
    }
    return fromFarEdge ? RECT{r.right - s.to, r.top, r.right - s.from, r.bottom}
                       : RECT{r.left + s.from, r.top, r.left + s.to, r.bottom};
}

std::string KeepRoyalMailCharacters(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z')) out += c;
    }
    return out;
}

} // namespace

// --- encoding ------------------------------------------------------------------

// Frame bar, five bars per digit, five for the check digit, frame bar.
void EncodePostNet(const std::string& text, SymbolRuns& runs)
{
    runs.Clear();
    const std::string digits = KeepDigits(text);
    int32_t x = 0;
    auto bar = [&](bool tall) { runs.Add(x++, 1, tall ? BarSpan::Full : BarSpan::Half); };
    auto digit = [&](int d) {
        for (const char* p = kPostNetPatterns[d].pattern; *p; ++p) bar(*p == '1');
    };

    bar(true);
    const int32_t k = int32_t(digits.size());
    ChecksumState check = PostNetChecksumStart(k);
    for (int32_t i = 0; i < k; ++i) {
        const int d = digits[size_t(i)] - '0';
        digit(d);
        check = PostNetChecksumStep(check, d, i + 1);
    }
    digit(int(check));
    bar(true);
    runs.modules = x;
}

// Start bar (ascender), four bars per character, four for the check
// character, stop bar (full).
void EncodeRoyalMail(const std::string& text, SymbolRuns& runs)
{
    runs.Clear();
    int32_t x = 0;
    auto character = [&](RowColumn rc) {
        for (int j = 0; j < 4; ++j) {
            const bool upper = RoyalMailHasPart(rc.row, j);
            const bool lower = RoyalMailHasPart(rc.column, j);
            const BarSpan span = upper ? (lower ? BarSpan::Full : BarSpan::Ascender)
                                       : (lower ? BarSpan::Descender : BarSpan::Tracker);
            runs.Add(x++, 1, span);
        }
    };

    runs.Add(x++, 1, BarSpan::Ascender);
    int rowSum = 0, columnSum = 0;
    for (char ch : KeepRoyalMailCharacters(text)) {
        const RowColumn rc = RoyalMailPosition(ch);
        character(rc);
        rowSum += rc.row;
        columnSum += rc.column;
    }
    character({RoyalMailCheck(rowSum), RoyalMailCheck(columnSum)});
    runs.Add(x++, 1, BarSpan::Full);
    runs.modules = x;
}

// --- drawing -------------------------------------------------------------------

namespace {

// Bar positions stand a pitch apart; each bar is drawn its physical width
// from the start of its position.
RunPlacement PostalPlacement(const PostalMetrics& m, const RECT& full)
{
    RunPlacement p;
    p.SetAll(full);
    p.unit = m.pitch;
    p.trim = m.pitch - m.bar;
    return p;
}

void SetSpan(RunPlacement& p, BarSpan span, const RECT& r) { p.spans[size_t(span)] = r; }

} // namespace

// The bars stand on a common base line 1/8 inch from the top of the
// rotation-0 symbol; half bars are the lower part.
BOOL CEngineBarcode::DrawPostNet(CDC* dc, std::string& text, RECT r)
{
    const PostalMetrics m = MeasurePostal(dc, m_rotate);
    text = KeepDigits(text);
    const int32_t k = int32_t(text.size());
    if (5 * m.pitch * (k + 2) > AxisLength(r)) return FALSE;

    const int q = m.across;
    const bool halfAtBase = m_rotate == 0 || m_rotate == 270;
    RunPlacement p = PostalPlacement(m, Band(r, m_rotate, false, {0, q / 8}));
    SetSpan(p, BarSpan::Half, Band(r, m_rotate, false, halfAtBase ? Span{q * 75 / 1000, q / 8} : Span{0, q / 20}));

    EncodePostNet(text, m_runs);
    DrawRuns(dc, p);
    // The offset of the last bar.
    m_symbolWidth = (m_runs.modules - 1) * m.pitch;
    return TRUE;
}

// Heights in 1/540 inch: full 107, ascender and descender 67, tracker 27,
// the tracker 40 from the top.
BOOL CEngineBarcode::DrawRoyalMail(CDC* dc, std::string& text, RECT r)
{
    const PostalMetrics m = MeasurePostal(dc, m_rotate);
    text = KeepRoyalMailCharacters(text);
    const int32_t k = int32_t(text.size());
    if (4 * m.pitch * (k + 2) > AxisLength(r)) return FALSE;

    const int q = m.across;
    auto u = [q](int amount) { return q * amount / 540; };
    // Rotations 180 and 270 measure from the far edge; the upper part lies
    // next to the measuring edge at 0 and 180 and away from it at 90 and 270.
    const bool fromFarEdge = m_rotate == 180 || m_rotate == 270;
    const bool upperNear = m_rotate == 0 || m_rotate == 180;
    const Span nearPart{0, u(67)};
    const Span farPart{u(40), u(40) + u(67)};
    RunPlacement p = PostalPlacement(m, Band(r, m_rotate, fromFarEdge, {0, u(107)}));
    SetSpan(p, BarSpan::Ascender, Band(r, m_rotate, fromFarEdge, upperNear ? nearPart : farPart));
    SetSpan(p, BarSpan::Descender, Band(r, m_rotate, fromFarEdge, upperNear ? farPart : nearPart));
    SetSpan(p, BarSpan::Tracker, Band(r, m_rotate, fromFarEdge, {u(40), u(40) + u(27)}));

    EncodeRoyalMail(text, m_runs);
    DrawRuns(dc, p);
    // The offset of the last bar.
    m_symbolWidth = (m_runs.modules - 1) * m.pitch;
    return TRUE;
}

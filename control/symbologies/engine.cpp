// The table-driven engine shared by the engine family: the engine table,
// the engine code of each type, the generic character loop with module
// fitting and check characters, the dispatch to the custom drawers, the
// engine's human-readable text, and type 99 (None).
#include <algorithm>
#include <vector>

#include "control/symbologies/engine.h"
#include "control/symbologies/symbologies.h"

// --- tables ------------------------------------------------------------------

namespace {

constexpr EngineRow kEngineTable[] = {
    // code, custom, characters, expansions, checksum start and step, character gap, trailing space
    {EngineCode::kCode25, 0, kCode25Patterns, nullptr, nullptr, nullptr, 1, 0},
    {EngineCode::kCode128A, 0, kCode128APatterns, nullptr, Code128AChecksumStart, Code128ChecksumStep, 0, 1},
    {EngineCode::kCode128B, 0, kCode128BPatterns, nullptr, Code128BChecksumStart, Code128ChecksumStep, 0, 1},
    {EngineCode::kMsi, 0, kMsiPatterns, nullptr, nullptr, nullptr, 0, 3},
    {EngineCode::kCode93, 0, kCode93Patterns, nullptr, Code93ChecksumStart, Code93ChecksumStep, 0, 1},
    {EngineCode::kCode93Extended, 0, kCode93Patterns, kCode93Expansions, Code93ChecksumStart, Code93ChecksumStep, 0,
     1},
    {EngineCode::kPostNet, 1, kPostNetPatterns, nullptr, PostNetChecksumStart, PostNetChecksumStep, 0, 0},
    {EngineCode::kCode128, 1, kCode128APatterns, nullptr, Code128AChecksumStart, Code128ChecksumStep, 0, 1},
    {EngineCode::kEanUcc128, 1, kCode128APatterns, nullptr, Code128AChecksumStart, Code128ChecksumStep, 0, 1},
    {EngineCode::kUpcE, 1, kUpcEPatterns, nullptr, nullptr, nullptr, 0, 0},
    {EngineCode::kRoyalMail, 1, nullptr, nullptr, nullptr, nullptr, 0, 0},
};

// Types whose printed and encoded texts carry a check digit that the
// user may leave out: the text length without it.
int32_t LengthWithoutCheckDigit(int32_t type)
{
    switch (type) {
    case kTypeEan14: return 13;
    case kTypeEan18:
    case kTypeSscc18: return 17;
    default: return -1;
    }
}

// Appends the check digit of the EAN 14 / EAN 18 family when the text
// lacks it; a malformed text has no digit to append.
void AppendCheckDigit(const CEngineBarcode& symbol, std::string& t)
{
    if (int32_t(t.size()) != LengthWithoutCheckDigit(symbol.GetType())) return;
    const int32_t check = symbol.GetChecksum();
    if (check >= 0 && check <= 9) t += char('0' + check);
}

// Every occurrence of `what` removed in one pass: the pieces between them
// move down once, so a text full of markers costs no more than a plain one.
void EraseAll(std::string& t, const std::string& what)
{
    size_t from = t.find(what);
    if (from == std::string::npos) return;
    size_t to = from;
    while (from != std::string::npos) {
        from += what.size();
        const size_t next = t.find(what, from);
        const size_t end = next == std::string::npos ? t.size() : next;
        std::copy(t.begin() + ptrdiff_t(from), t.begin() + ptrdiff_t(end), t.begin() + ptrdiff_t(to));
        to += end - from;
        from = next;
    }
    t.resize(to);
}

// --- the character tables of a generic row ---------------------------------

// The symbol characters a generic row draws for a prepared text, as table
// indices: start, data (expanded, unknown characters skipped), check
// characters, stop. A missing start/stop or an out-of-range check value is
// left out rather than drawn from outside the table.
std::vector<int> GenericSymbolCharacters(const EngineRow& row, const std::string& text)
{
    const int entries = CountPatterns(row.patterns);
    std::vector<int> data;
    for (unsigned char c : text) {
        if (const char* replacement = FindExpansionOf(row.expansions, c)) {
            for (const char* r = replacement; *r; ++r) {
                const int i = FindPatternIndex(row.patterns, static_cast<unsigned char>(*r));
                if (i >= 0) data.push_back(i);
            }
        } else if (const int i = FindPatternIndex(row.patterns, c); i >= 0) {
            data.push_back(i);
        } else if (const int f = c >= 0x80 ? FindPatternIndex(row.patterns, static_cast<signed char>(c)) : -1; f >= 0) {
            // Function bytes (0xEC-0xFE) are keyed by their signed value in
            // the Code 128 tables.
            data.push_back(f);
        }
    }

    std::vector<int> out;
    if (const int start = FindPatternIndex(row.patterns, kKeyStart); start >= 0) out.push_back(start);
    out.insert(out.end(), data.begin(), data.end());
    if (row.checksumStart && row.checksumStep) {
        const int32_t n = int32_t(data.size());
        ChecksumState state = row.checksumStart(n);
        for (int32_t k = 0; k < n; ++k) state = row.checksumStep(state, data[k], k + 1);
        const int first = int(state & 0xFF);
        if (first < entries) out.push_back(first);
        if (row.code == EngineCode::kCode93 || row.code == EngineCode::kCode93Extended) {
            state = row.checksumStep(state, first, n + 1);
            const int second = int((state >> 8) & 0xFF);
            if (second < entries) out.push_back(second);
        }
    }
    if (const int stop = FindPatternIndex(row.patterns, kKeyStop); stop >= 0) out.push_back(stop);
    return out;
}

// --- type 99 -------------------------------------------------------------------

class CNoneBarcode : public CEngineBarcode {
public:
    BOOL IsValid() const override { return TRUE; }
    int32_t GetType() const override { return kTypeNone; }
    std::string GetTypeName() const override { return TypeNameOf(kTypeNone); }
    std::string GetDemoText() const override { return DemoTextOf(kTypeNone); }
};

} // namespace

SymbolPtr CreateNoneBarcode() { return std::make_unique<CNoneBarcode>(); }

const EngineRow* FindEngineRow(EngineCode code)
{
    for (const EngineRow& row : kEngineTable)
        if (row.code == code) return &row;
    return nullptr;
}

// --- drawing ---------------------------------------------------------------------

BOOL CEngineBarcode::Draw(CDC* dc)
{
    m_engineCode = EngineCodeOf(GetType());
    RECT bars = m_rect;
    ShrinkForText(bars, m_textHeight);
    const BOOL ok = DrawEngineBars(dc, bars);
    // A failed fit is written as "size error" by Paint, once.
    if (ok && m_engineCode != EngineCode::kNone && GetShowText()) DrawText(dc);
    return ok;
}

void CEngineBarcode::DrawText(CDC* dc)
{
    std::string t = m_text;
    const int32_t type = GetType();
    if (type == kTypeEanUcc128Ai) EraseAll(t, "<FNC1>");
    AppendCheckDigit(*this, t);
    if (type == kTypeEan18 || type == kTypeSscc18) t = "(00)" + t;
    if (type == kTypeEan14) t = "(01)" + t;
    if (type == kTypeCode128C && t.size() % 2 == 1) t = "0" + t;
    DrawCharacters(dc, t);
}

namespace {

// The text the bars encode: without the parentheses of EAN/UCC 128 AI, with
// a check digit the user left out, the application identifier of the
// GTIN-14 (01) or of the SSCC (00) in front of the digits of EAN 14, EAN
// 18/NVE and SSCC 18 (GS1 data always begins with one), and the leading
// zero that completes the last digit pair of Code 128C.
std::string EncodedText(const CEngineBarcode& symbol)
{
    const int32_t type = symbol.GetType();
    std::string t = symbol.GetText();
    if (type == kTypeEanUcc128Ai) {
        EraseAll(t, "(");
        EraseAll(t, ")");
    }
    AppendCheckDigit(symbol, t);
    if (type == kTypeEan18 || type == kTypeSscc18) t = "00" + t;
    if (type == kTypeEan14) t = "01" + t;
    if (type == kTypeCode128C && t.size() % 2 == 1) t = "0" + t;
    return t;
}

// Modules of a symbol that a custom drawer draws.
int32_t CustomModules(EngineCode code, int32_t type, const std::string& t)
{
    switch (code) {
    case EngineCode::kCode128: return CountCode128Modules(t, FALSE);
    case EngineCode::kEanUcc128: return CountCode128Modules(t, TRUE, type == kTypeEanUcc128Ai);
    case EngineCode::kUpcE: return 51;
    case EngineCode::kRoyalMail: return 8 * int32_t(t.size()) + 3;
    default: return 0;
    }
}

// The widest module that fits `modules` into `length`; 0 when none does.
int32_t FitModuleWidth(EngineCode code, int32_t length, int32_t modules)
{
    if (code == EngineCode::kPostNet) return 1; // PostNet sizes its bars physically
    if (modules == 0) return 4;
    return length < modules ? 0 : length / modules;
}

// The runs of a generic row: its symbol characters one after the other,
// each followed by the row's character gap, and the row's space after the
// stop.
void EncodeGeneric(const EngineRow& row, const std::string& text, SymbolRuns& runs)
{
    runs.Clear();
    int32_t x = 0;
    for (int i : GenericSymbolCharacters(row, text)) x += runs.AddWidths(x, row.patterns[i].pattern) + row.characterGap;
    runs.modules = x + row.trailingSpace;
}

} // namespace

BOOL CEngineBarcode::DrawCustom(CDC* dc, int32_t unit, std::string& text, const RECT& rect)
{
    switch (m_engineCode) {
    case EngineCode::kPostNet: return DrawPostNet(dc, text, rect);
    case EngineCode::kRoyalMail: return DrawRoyalMail(dc, text, rect);
    case EngineCode::kCode128: DrawCode128(dc, unit, text, rect, FALSE); return TRUE;
    case EngineCode::kEanUcc128: DrawCode128(dc, unit, text, rect, TRUE); return TRUE;
    case EngineCode::kUpcE: DrawUpcE(dc, unit, text, rect); return TRUE;
    default: return TRUE;
    }
}

BOOL CEngineBarcode::DrawEngineBars(CDC* dc, RECT rect)
{
    if (GetType() == kTypeUpcE) {
        // UPC E prints its number system and check digit outside the bars.
        const int32_t w = dc->GetTextExtent("X").cx;
        // A font as wide as the area leaves no room for the bars; the
        // lengths below are absolute, so an overturned rectangle would
        // otherwise pass for a long one.
        if (AxisLength(rect) <= 3 * w) return FALSE;
        ShrinkFromEnd(rect, 3 * w);
    }
    m_symbolWidth = 0;
    if (m_engineCode == EngineCode::kNone) return TRUE;
    const EngineRow* row = FindEngineRow(m_engineCode);
    if (!row) return TRUE;

    std::string t = EncodedText(*this);
    const int32_t length = std::max<int32_t>(AxisLength(rect), 1);
    if (row->custom) {
        const int32_t unit = FitModuleWidth(m_engineCode, length, CustomModules(m_engineCode, GetType(), t));
        return unit != 0 && DrawCustom(dc, unit, t, rect);
    }

    EncodeGeneric(*row, t, m_runs);
    const int32_t unit = FitModuleWidth(m_engineCode, length, m_runs.modules);
    if (unit == 0) return FALSE;
    DrawRuns(dc, ModulePlacement(rect, unit));
    m_symbolWidth = m_runs.modules * unit;
    return TRUE;
}

BOOL CEngineBarcode::Encode(SymbolRuns& runs) const
{
    runs.Clear();
    const int32_t type = GetType();
    const EngineCode code = EngineCodeOf(type);
    const EngineRow* row = FindEngineRow(code);
    if (!row || !IsValid()) return FALSE;
    const std::string t = EncodedText(*this);
    switch (code) {
    case EngineCode::kCode128: EncodeCode128(t, FALSE, FALSE, runs); break;
    case EngineCode::kEanUcc128: EncodeCode128(t, TRUE, type == kTypeEanUcc128Ai, runs); break;
    case EngineCode::kPostNet: EncodePostNet(t, runs); break;
    case EngineCode::kRoyalMail: EncodeRoyalMail(t, runs); break;
    default:
        // UPC E lays out its digits with its bars: its class encodes itself.
        if (row->custom) return FALSE;
        EncodeGeneric(*row, t, runs);
        break;
    }
    return runs.bars.empty() ? FALSE : TRUE;
}

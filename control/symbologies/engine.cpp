// The table-driven engine shared by the engine family: the engine table,
// the engine code of each type, the generic character loop with module
// fitting and check characters, the dispatch to the custom drawers, the
// engine's human-readable text, and type 99 (None).
#include <algorithm>
#include <vector>

#include "control/symbologies/engine.h"
#include "control/symbologies/symbologies.h"

// --- tables ------------------------------------------------------------------

const EngineRow kEngineTable[] = {
    // code custom characters        expansions          checksum start          checksum step
    {1, 0, kCode25Patterns, nullptr, nullptr, nullptr},                                   // Code 25
    {6, 0, kCode128APatterns, nullptr, Code128AChecksumStart, Code128ChecksumStep},       // Code 128A
    {7, 0, kCode128BPatterns, nullptr, Code128BChecksumStart, Code128ChecksumStep},       // Code 128B
    {10, 0, kMsiPatterns, nullptr, nullptr, nullptr},                                     // MSI
    {11, 0, kCode93Patterns, nullptr, Code93ChecksumStart, Code93ChecksumStep},           // Code 93
    {12, 0, kCode93Patterns, kCode93Expansions, Code93ChecksumStart, Code93ChecksumStep}, // Code 93 Extended
    {15, 1, kPostNetPatterns, nullptr, PostNetChecksumStart, PostNetChecksumStep},        // PostNet
    {18, 1, kCode128APatterns, nullptr, Code128AChecksumStart, Code128ChecksumStep},      // Code 128, 128C
    {19, 1, kCode128APatterns, nullptr, Code128AChecksumStart, Code128ChecksumStep},      // EAN/UCC 128 family
    {20, 1, kUpcEPatterns, nullptr, nullptr, nullptr},                                    // UPC E
    {21, 1, nullptr, nullptr, nullptr, nullptr},                                          // Royal Mail
    {-1, 0, nullptr, nullptr, nullptr, nullptr},
};

namespace {

struct TypeEngineCode {
    int32_t type;
    int16_t code;
};

constexpr TypeEngineCode kTypeEngineCodes[] = {
    {9, 1},   {11, 6},  {12, 7},  {13, 18}, {14, 18}, {15, 19}, {28, 19}, {29, 19},
    {31, 19}, {32, 19}, {17, 20}, {18, 15}, {19, 21}, {20, 10}, {21, 11}, {22, 12},
};

// Types whose printed and encoded texts carry a check digit that the
// user may leave out: the text length without it.
int32_t LengthWithoutCheckDigit(int32_t type)
{
    switch (type) {
    case 29: return 13;
    case 31:
    case 32: return 17;
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

void EraseAll(std::string& t, const std::string& what)
{
    for (size_t p = t.find(what); p != std::string::npos; p = t.find(what, p)) t.erase(p, what.size());
}

// --- the character tables of a generic row ---------------------------------

int CountEntries(const PatternEntry* table)
{
    int n = 0;
    if (table)
        while (table[n].key != kKeyEnd) ++n;
    return n;
}

int FindKey(const PatternEntry* table, int key)
{
    if (!table) return -1;
    for (int i = 0; table[i].key != kKeyEnd; ++i)
        if (table[i].key == key) return i;
    return -1;
}

const char* FindReplacement(const ExpansionEntry* table, int character)
{
    if (!table) return nullptr;
    for (int i = 0; table[i].character != -1 && table[i].replacement; ++i)
        if (table[i].character == character) return table[i].replacement;
    return nullptr;
}

int PatternSum(const char* pattern)
{
    int sum = 0;
    for (const char* p = pattern; *p; ++p) sum += *p - '0';
    return sum;
}

// The symbol characters a generic row draws for a prepared text, as table
// indices: start, data (expanded, unknown characters skipped), check
// characters, stop. A missing start/stop or an out-of-range check value is
// left out rather than drawn from outside the table.
std::vector<int> GenericSymbolCharacters(const EngineRow& row, const std::string& text, int16_t code)
{
    const int entries = CountEntries(row.patterns);
    std::vector<int> data;
    for (unsigned char c : text) {
        if (const char* replacement = FindReplacement(row.expansions, c)) {
            for (const char* r = replacement; *r; ++r) {
                const int i = FindKey(row.patterns, static_cast<unsigned char>(*r));
                if (i >= 0) data.push_back(i);
            }
        } else if (const int i = FindKey(row.patterns, c); i >= 0) {
            data.push_back(i);
        } else if (const int f = c >= 0x80 ? FindKey(row.patterns, static_cast<signed char>(c)) : -1; f >= 0) {
            // Function bytes (0xEC-0xFE) are keyed by their signed value in
            // the Code 128 tables.
            data.push_back(f);
        }
    }

    std::vector<int> out;
    if (const int start = FindKey(row.patterns, kKeyStart); start >= 0) out.push_back(start);
    out.insert(out.end(), data.begin(), data.end());
    if (row.checksumStart && row.checksumStep) {
        const int32_t n = int32_t(data.size());
        ChecksumState state = row.checksumStart(n);
        for (int32_t k = 0; k < n; ++k) state = row.checksumStep(state, data[k], k + 1);
        const int first = int(state & 0xFF);
        if (first < entries) out.push_back(first);
        if (code == 11 || code == 12) {
            state = row.checksumStep(state, first, n + 1);
            const int second = int((state >> 8) & 0xFF);
            if (second < entries) out.push_back(second);
        }
    }
    if (const int stop = FindKey(row.patterns, kKeyStop); stop >= 0) out.push_back(stop);
    return out;
}

// --- type 99 -------------------------------------------------------------------

class CNoneBarcode : public CEngineBarcode {
public:
    BOOL IsValid() const override { return TRUE; }
    int32_t GetType() const override { return 99; }
    std::string GetTypeName() const override { return "None"; }
    std::string GetDemoText() const override { return std::string(); }
};

} // namespace

SymbolPtr CreateNoneBarcode() { return std::make_unique<CNoneBarcode>(); }

const EngineRow* FindEngineRow(int code)
{
    for (const EngineRow* row = kEngineTable; row->code != -1; ++row)
        if (row->code == code) return row;
    return nullptr;
}

int16_t EngineCodeForType(int32_t type)
{
    for (const auto& e : kTypeEngineCodes)
        if (e.type == type) return e.code;
    return 0;
}

// --- drawing ---------------------------------------------------------------------

BOOL CEngineBarcode::Draw(CDC* dc)
{
    m_engineCode = EngineCodeForType(GetType());
    RECT bars = m_rect;
    ShrinkForText(bars, m_textHeight);
    const BOOL ok = DrawEngineBars(dc, bars);
    // A failed fit is written as "size error" by Paint, once.
    if (ok && m_engineCode != 0 && GetShowText()) DrawText(dc);
    return ok;
}

void CEngineBarcode::DrawText(CDC* dc)
{
    std::string t = m_text;
    const int32_t type = GetType();
    if (type == 28) EraseAll(t, "<FNC1>");
    AppendCheckDigit(*this, t);
    if (type == 31 || type == 32) t = "(00)" + t;
    if (type == 13 && t.size() % 2 == 1) t = "0" + t;
    DrawCharacters(dc, t);
}

namespace {

// The text the bars encode: without the parentheses of EAN/UCC 128 AI, with
// a check digit the user left out, the "00" of EAN 18/NVE and SSCC 18 and
// the leading zero that completes the last digit pair of Code 128C.
std::string EncodedText(const CEngineBarcode& symbol)
{
    const int32_t type = symbol.GetType();
    std::string t = symbol.GetText();
    if (type == 28) {
        EraseAll(t, "(");
        EraseAll(t, ")");
    }
    AppendCheckDigit(symbol, t);
    if (type == 31 || type == 32) t = "00" + t;
    if (type == 13 && t.size() % 2 == 1) t = "0" + t;
    return t;
}

// Modules of a symbol that a custom drawer draws.
int32_t CustomModules(int16_t code, int32_t type, const std::string& t)
{
    switch (code) {
    case 18: return CountCode128Modules(t, FALSE);
    case 19: return CountCode128Modules(t, TRUE, type == 28);
    case 20: return 51;
    case 21: return 8 * int32_t(t.size()) + 3;
    default: return 0;
    }
}

// The widest module that fits `modules` into `length`; 0 when none does.
int32_t FitModuleWidth(int16_t code, int32_t length, int32_t modules)
{
    if (code == 15) return 1; // PostNet sizes its bars physically
    if (modules == 0) return 4;
    return length < modules ? 0 : length / modules;
}

// Draws symbol characters of a generic row one after the other from the
// start of `rect`; returns the offset after the last one.
int32_t DrawCharacterRun(const CEngineBarcode& symbol, CDC* dc, const EngineRow& row,
                         const std::vector<int>& characters, int32_t unit, const RECT& rect)
{
    int32_t x = 0;
    for (int i : characters) {
        int32_t s = 0;
        int k = 0;
        for (const char* p = row.patterns[i].pattern; *p; ++p, ++k) {
            const int32_t w = (*p - '0') * unit;
            if (k % 2 == 0 && w > 0) symbol.FillStrip(dc, rect, x + s, w);
            s += w;
        }
        x += s + unit;
    }
    return x;
}

} // namespace

BOOL CEngineBarcode::DrawCustom(CDC* dc, int32_t unit, std::string& text, const RECT& rect)
{
    switch (m_engineCode) {
    case 15: return DrawPostNet(dc, text, rect);
    case 21: return DrawRoyalMail(dc, text, rect);
    case 18: DrawCode128(dc, unit, text, rect, FALSE); return TRUE;
    case 19: DrawCode128(dc, unit, text, rect, TRUE); return TRUE;
    case 20: DrawUpcE(dc, unit, text, rect); return TRUE;
    default: return TRUE;
    }
}

BOOL CEngineBarcode::DrawEngineBars(CDC* dc, RECT rect)
{
    if (GetType() == 17) {
        // UPC E prints its number system and check digit outside the bars.
        const int32_t w = dc->GetTextExtent("X").cx;
        // A font as wide as the area leaves no room for the bars; the
        // lengths below are absolute, so an overturned rectangle would
        // otherwise pass for a long one.
        if (AxisLength(rect) <= 3 * w) return FALSE;
        ShrinkFromEnd(rect, 3 * w);
    }
    m_symbolWidth = 0;
    if (m_engineCode == 0) return TRUE;
    const EngineRow* row = FindEngineRow(m_engineCode);
    if (!row) return TRUE;

    std::string t = EncodedText(*this);
    const int32_t length = std::max<int32_t>(AxisLength(rect), 1);
    if (row->custom) {
        const int32_t unit = FitModuleWidth(m_engineCode, length, CustomModules(m_engineCode, GetType(), t));
        return unit != 0 && DrawCustom(dc, unit, t, rect);
    }

    const std::vector<int> characters = GenericSymbolCharacters(*row, t, m_engineCode);
    int32_t modules = 0;
    for (int i : characters) modules += PatternSum(row->patterns[i].pattern) + 1;
    const int32_t unit = FitModuleWidth(m_engineCode, length, modules);
    if (unit == 0) return FALSE;
    m_symbolWidth = DrawCharacterRun(*this, dc, *row, characters, unit, rect);
    return TRUE;
}

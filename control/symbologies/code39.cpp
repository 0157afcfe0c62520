// The Code 39 family: Code 39 (6), Code 39 Checksum (26), Code 39 Extended
// (10), Code 39 Extended Checksum (27) and PZN (23), the German pharmacy
// number drawn in Code 39.
//
// Code 39, its Checksum variant and PZN draw one character at a time from
// 9-bit wide/narrow masks; the Extended types map the text through the
// full-ASCII table and draw with the width-pattern machinery of
// CPatternBarcode. Both forms come from the one width table below.
#include <array>
#include <cstdint>
#include <string>

#include "control/symbologies/engine.h"
#include "control/symbologies/symbologies.h"

namespace {

// --- tables -------------------------------------------------------------------

// Check values are positions in this string (modulo 43).
constexpr char kCode39Values[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";
constexpr int kCode39ValueCount = 43;

// Element widths in modules, bar first: nine elements, three of them wide,
// as ISO/IEC 16388 Table 1 prints them. Listed in value order so that the
// first 43 rows are the check values.
constexpr PatternEntry kCode39Patterns[] = {
    {'0', "111331311"}, {'1', "311311113"}, {'2', "113311113"}, {'3', "313311111"},
    {'4', "111331113"}, {'5', "311331111"}, {'6', "113331111"}, {'7', "111311313"},
    {'8', "311311311"}, {'9', "113311311"}, {'A', "311113113"}, {'B', "113113113"},
    {'C', "313113111"}, {'D', "111133113"}, {'E', "311133111"}, {'F', "113133111"},
    {'G', "111113313"}, {'H', "311113311"}, {'I', "113113311"}, {'J', "111133311"},
    {'K', "311111133"}, {'L', "113111133"}, {'M', "313111131"}, {'N', "111131133"},
    {'O', "311131131"}, {'P', "113131131"}, {'Q', "111111333"}, {'R', "311111331"},
    {'S', "113111331"}, {'T', "111131331"}, {'U', "331111113"}, {'V', "133111113"},
    {'W', "333111111"}, {'X', "131131113"}, {'Y', "331131111"}, {'Z', "133131111"},
    {'-', "131111313"}, {'.', "331111311"}, {' ', "133111311"}, {'$', "131313111"},
    {'/', "131311131"}, {'+', "131113131"}, {'%', "111313131"},
    {kKeyStart, "131131311"}, {kKeyStop, "131131311"},
    {kKeyEnd, ""},
};

// Full-ASCII form of the Extended types (the full ASCII table of
// ISO/IEC 16388): the characters drawn for a
// character that is not itself a Code 39 character. '-' and '.' are Code 39
// characters and are drawn as themselves, so the bars and the check value
// (which counts them as themselves) agree.
constexpr ExpansionEntry kCode39FullAscii[] = {
    {0, "%U"}, {1, "$A"}, {2, "$B"}, {3, "$C"}, {4, "$D"}, {5, "$E"}, {6, "$F"}, {7, "$G"},
    {8, "$H"}, {9, "$I"}, {10, "$J"}, {11, "$K"}, {12, "$L"}, {13, "$M"}, {14, "$N"}, {15, "$O"},
    {16, "$P"}, {17, "$Q"}, {18, "$R"}, {19, "$S"}, {20, "$T"}, {21, "$U"}, {22, "$V"}, {23, "$W"},
    {24, "$X"}, {25, "$Y"}, {26, "$Z"}, {27, "%A"}, {28, "%B"}, {29, "%C"}, {30, "%D"}, {31, "%E"},
    {'!', "/A"}, {'"', "/B"}, {'#', "/C"}, {'$', "/D"}, {'%', "/E"}, {'&', "/F"}, {'\'', "/G"},
    {'(', "/H"}, {')', "/I"}, {'*', "/J"}, {'+', "/K"}, {',', "/L"}, {'/', "/O"}, {':', "/Z"},
    {';', "%F"}, {'<', "%G"}, {'=', "%H"}, {'>', "%I"}, {'?', "%J"}, {'@', "%V"}, {'[', "%K"},
    {'\\', "%L"}, {']', "%M"}, {'^', "%N"}, {'_', "%O"}, {'`', "%W"}, {'a', "+A"}, {'b', "+B"},
    {'c', "+C"}, {'d', "+D"}, {'e', "+E"}, {'f', "+F"}, {'g', "+G"}, {'h', "+H"}, {'i', "+I"},
    {'j', "+J"}, {'k', "+K"}, {'l', "+L"}, {'m', "+M"}, {'n', "+N"}, {'o', "+O"}, {'p', "+P"},
    {'q', "+Q"}, {'r', "+R"}, {'s', "+S"}, {'t', "+T"}, {'u', "+U"}, {'v', "+V"}, {'w', "+W"},
    {'x', "+X"}, {'y', "+Y"}, {'z', "+Z"}, {'{', "%P"}, {'|', "%Q"}, {'}', "%R"}, {'~', "%S"},
    {127, "%T"},
    {-1, nullptr},
};

// The own-draw form: one 9-bit mask per character code, first element in
// bit 8, 1 = wide; 0 for a code that is not a Code 39 character.
constexpr std::array<uint16_t, 128> MakeCode39Masks()
{
    std::array<uint16_t, 128> masks{};
    for (const PatternEntry* e = kCode39Patterns; e->key != kKeyEnd; ++e) {
        if (e->key < 0) continue;
        uint16_t mask = 0;
        for (int i = 0; i < 9; ++i)
            if (e->pattern[i] == '3') mask |= uint16_t(1u << (8 - i));
        masks[size_t(e->key)] = mask;
    }
    return masks;
}
constexpr std::array<uint16_t, 128> kCode39Masks = MakeCode39Masks();
constexpr uint16_t kCode39StartStop = 0x94;
static_assert(kCode39Masks['-'] == 0x085 && kCode39Masks['0'] == 0x034);

constexpr size_t kCode39MaxLength = 50;
constexpr int kCode39CharModules = 16; // 15 of pattern and one of gap

uint16_t Code39Mask(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u < kCode39Masks.size() ? kCode39Masks[u] : 0;
}

// One own-draw character from module `start`: nine elements from bit 8
// down, bar first, then one narrow space; 16 modules.
int32_t AddCode39Char(SymbolRuns& runs, uint16_t mask, int32_t start)
{
    int32_t x = start;
    for (int bit = 8; bit >= 0; --bit) {
        const int32_t w = (mask >> bit) & 1 ? 3 : 1;
        if (bit % 2 == 0) runs.Add(x, w);
        x += w;
    }
    return x + 1 - start;
}

// Start, `chars`, stop; the symbol ends with the stop's last bar.
void AddCode39Symbol(SymbolRuns& runs, const std::string& chars)
{
    int32_t x = AddCode39Char(runs, kCode39StartStop, 0);
    for (char c : chars) x += AddCode39Char(runs, Code39Mask(c), x);
    x += AddCode39Char(runs, kCode39StartStop, x);
    runs.modules = x - 1;
}

// Position of c in the value string, or -1.
int Code39Value(char c)
{
    if (c == '\0') return -1;
    for (int i = 0; i < kCode39ValueCount; ++i)
        if (kCode39Values[i] == c) return i;
    return -1;
}

char Code39CheckChar(int32_t value)
{
    return value >= 0 && value < kCode39ValueCount ? kCode39Values[value] : '?';
}

// --- validation -----------------------------------------------------------------

// 1 to 50 Code 39 characters. '*' is refused: a scanner would read it as
// the stop character.
bool IsCode39Text(const std::string& text)
{
    if (text.empty() || text.size() > kCode39MaxLength) return false;
    for (char c : text)
        if (Code39Mask(c) == 0) return false;
    return true;
}

// 1 to 50 printable ASCII characters except '`'.
bool IsCode39ExtendedText(const std::string& text)
{
    if (text.empty() || text.size() > kCode39MaxLength) return false;
    for (char c : text)
        if (c < ' ' || c > '~' || c == '`') return false;
    return true;
}

// --- check values -------------------------------------------------------------

// Sum of the value-string positions modulo 43; -2 when a character has none.
int32_t Code39Modulo43(const std::string& chars)
{
    int32_t sum = 0;
    for (char c : chars) {
        const int v = Code39Value(c);
        if (v < 0) return -2;
        sum += v;
    }
    return sum % kCode39ValueCount;
}

// The text as the Extended types draw it: each character replaced by its
// full-ASCII sequence where it has one.
std::string ExpandFullAscii(const std::string& text)
{
    std::string out;
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        const char* replacement = nullptr;
        for (const ExpansionEntry* e = kCode39FullAscii; e->replacement; ++e)
            if (e->character == u) replacement = e->replacement;
        if (replacement) out += replacement;
        else out += c;
    }
    return out;
}

// PZN: weights 2 to 7 over the first six digits, modulo 11; remainder 10
// has no check digit, and the number is not a valid PZN.
int32_t PznChecksum(const std::string& text)
{
    if ((text.size() != 6 && text.size() != 7) || !AllDigits(text)) return -2;
    int32_t sum = 0;
    for (int i = 0; i < 6; ++i) sum += (text[size_t(i)] - '0') * (i + 2);
    const int32_t r = sum % 11;
    return r == 10 ? -2 : r;
}

// --- classes --------------------------------------------------------------------

class CCode39Barcode : public CPatternBarcode {
public:
    BOOL IsValid() const override { return IsCode39Text(m_text) ? TRUE : FALSE; }
    int32_t GetType() const override { return kTypeCode39; }
    std::string GetTypeName() const override { return TypeNameOf(kTypeCode39); }
    std::string GetDemoText() const override { return DemoTextOf(kTypeCode39); }
    BOOL Encode(SymbolRuns& runs) const override
    {
        runs.Clear();
        if (!IsValid()) return FALSE;
        AddCode39Symbol(runs, SymbolChars());
        return TRUE;
    }

    // Each character with its human-readable character at its start offset.
    BOOL Draw(CDC* dc) override
    {
        const std::string chars = SymbolChars();
        if (!DrawBars(dc, chars.size())) return FALSE;
        RECT bars = m_rect;
        ShrinkForText(bars, m_textHeight);
        for (size_t k = 0; k < chars.size(); ++k)
            DrawTextAt(dc, bars, kCode39CharModules * int32_t(k + 1) * m_moduleWidth, chars.substr(k, 1), FALSE, FALSE);
        return TRUE;
    }

protected:
    // The characters between start and stop.
    virtual std::string SymbolChars() const { return m_text; }

    // The bars of start, `chars` characters and stop, 16 modules each, at
    // the widest module that fits; false when none does.
    BOOL DrawBars(CDC* dc, size_t chars)
    {
        const int32_t modules = kCode39CharModules * int32_t(chars + 2);
        const int32_t m = AxisLength(m_rect) / modules;
        if (m <= 0 || !Encode(m_runs)) return FALSE;
        m_moduleWidth = m;
        RunPlacement placement;
        RECT bars = m_rect;
        ShrinkForText(bars, m_textHeight);
        placement.SetAll(bars);
        placement.unit = m;
        DrawRuns(dc, placement);
        m_symbolWidth = modules * m;
        return TRUE;
    }
};

class CCode39ChecksumBarcode : public CCode39Barcode {
public:
    int32_t GetType() const override { return kTypeCode39Checksum; }
    std::string GetTypeName() const override { return TypeNameOf(kTypeCode39Checksum); }
    std::string GetDemoText() const override { return DemoTextOf(kTypeCode39Checksum); }
    int32_t GetChecksum() const override { return Code39Modulo43(m_text); }
    virtual char GetCheckChar() const { return Code39CheckChar(GetChecksum()); }

protected:
    std::string SymbolChars() const override { return m_text + GetCheckChar(); }
};

class CCode39ExtendedBarcode : public CPatternBarcode {
public:
    CCode39ExtendedBarcode()
    {
        m_patterns = kCode39Patterns;
        m_expansions = kCode39FullAscii;
    }
    BOOL IsValid() const override { return IsCode39ExtendedText(m_text) ? TRUE : FALSE; }
    int32_t GetType() const override { return kTypeCode39Extended; }
    std::string GetTypeName() const override { return TypeNameOf(kTypeCode39Extended); }
    std::string GetDemoText() const override { return DemoTextOf(kTypeCode39Extended); }

    // Start, each character (its full-ASCII sequence, or itself), the check
    // character, stop, each pattern followed by one module of gap; the
    // symbol ends with the stop's last bar.
    BOOL Encode(SymbolRuns& runs) const override
    {
        runs.Clear();
        if (!IsValid()) return FALSE;
        int32_t x = AddChar(runs, 0, kKeyStart);
        for (char c : m_text) x += AddChar(runs, x, static_cast<unsigned char>(c));
        x += AddCheckChar(runs, x);
        x += AddChar(runs, x, kKeyStop);
        runs.modules = x - 1;
        return TRUE;
    }

    BOOL Draw(CDC* dc) override
    {
        const RECT saved = m_rect;
        ShrinkForText(m_rect, m_textHeight);
        const BOOL fitted = DrawBars(dc);
        m_rect = saved;
        if (fitted && m_showText) DrawText(dc);
        return fitted;
    }

    // The check character from module `start`; its modules (0: no check
    // character).
    virtual int32_t AddCheckChar(SymbolRuns& runs, int32_t start) const
    {
        (void)runs, (void)start;
        return 0;
    }

protected:
    // The modules of a pattern and its gap from `start`; 0 for a key
    // without a pattern.
    int32_t AddPattern(SymbolRuns& runs, int32_t start, int key) const
    {
        const char* widths = FindPatternWidths(m_patterns, key);
        return widths ? runs.AddWidths(start, widths) + 1 : 0;
    }

    // A character as its full-ASCII sequence (every replacement character
    // and its gap) or as itself.
    int32_t AddChar(SymbolRuns& runs, int32_t start, int character) const
    {
        const char* expansion = FindExpansion(character);
        if (!expansion) return AddPattern(runs, start, character);
        int32_t x = start;
        for (const char* c = expansion; *c; ++c) {
            const char* widths = FindPatternWidths(m_patterns, static_cast<unsigned char>(*c));
            x += (widths ? runs.AddWidths(x, widths) : 0) + 1;
        }
        return x - start;
    }

    // The symbol and the gap after its stop at the widest module that fits
    // the bar area; the data width (before the stop) for the text pass.
    BOOL DrawBars(CDC* dc)
    {
        if (!Encode(m_runs)) return FALSE;
        const int32_t count = m_runs.modules + 1;
        const int32_t axis = AxisLength(m_rect);
        if (count <= 0 || axis < count) return FALSE;
        const int32_t unit = axis / count;
        m_moduleWidth = unit;

        RunPlacement placement;
        placement.SetAll(m_rect);
        placement.unit = unit;
        DrawRuns(dc, placement);
        m_symbolWidth = (count - PatternModules(kKeyStop) - 1) * unit; // the text pass spreads the characters over this
        return TRUE;
    }
};

class CCode39ExtendedChecksumBarcode : public CCode39ExtendedBarcode {
public:
    int32_t GetType() const override { return kTypeCode39ExtendedChecksum; }
    std::string GetTypeName() const override { return TypeNameOf(kTypeCode39ExtendedChecksum); }
    std::string GetDemoText() const override { return DemoTextOf(kTypeCode39ExtendedChecksum); }
    int32_t GetChecksum() const override { return Code39Modulo43(ExpandFullAscii(m_text)); }

    // One plain Code 39 character, never a full-ASCII sequence.
    int32_t AddCheckChar(SymbolRuns& runs, int32_t start) const override
    {
        return AddPattern(runs, start, GetCheckChar());
    }

    virtual char GetCheckChar() const { return Code39CheckChar(GetChecksum()); }

    // The text and then the check character, spread over the data width.
    void DrawText(CDC* dc) override
    {
        RECT bars = m_rect;
        ShrinkForText(bars, m_textHeight);
        const int32_t slot = m_symbolWidth / int32_t(m_text.size() + 1);
        for (size_t k = 0; k < m_text.size(); ++k)
            DrawTextAt(dc, bars, int32_t(k) * slot, m_text.substr(k, 1), FALSE, FALSE);
        DrawTextAt(dc, bars, int32_t(m_text.size()) * slot, std::string(1, GetCheckChar()), FALSE, FALSE);
    }
};

class CPznBarcode : public CCode39Barcode {
public:
    BOOL IsValid() const override
    {
        const int32_t check = PznChecksum(m_text);
        if (check < 0) return FALSE;
        return m_text.size() == 6 || m_text[6] == char('0' + check) ? TRUE : FALSE;
    }
    int32_t GetType() const override { return kTypePzn; }
    std::string GetTypeName() const override { return TypeNameOf(kTypePzn); }
    std::string GetDemoText() const override { return DemoTextOf(kTypePzn); }
    int32_t GetChecksum() const override { return PznChecksum(m_text); }

    // Start, '-', the six digits and the check digit, stop; under them the
    // line "PZN -" and the seven digits.
    BOOL Draw(CDC* dc) override
    {
        const std::string chars = SymbolChars();
        if (!DrawBars(dc, chars.size())) return FALSE;
        RECT bars = m_rect;
        ShrinkForText(bars, m_textHeight);
        const std::string line = "PZN " + chars;
        const int32_t slot = m_symbolWidth / int32_t(line.size());
        for (size_t k = 0; k < line.size(); ++k)
            DrawTextAt(dc, bars, int32_t(k) * slot, line.substr(k, 1), FALSE, FALSE);
        return TRUE;
    }

protected:
    std::string SymbolChars() const override
    {
        std::string chars(1, '-');
        chars.append(m_text, 0, 6);
        chars += char('0' + GetChecksum());
        return chars;
    }
};

} // namespace

SymbolPtr CreateCode39Barcode() { return std::make_unique<CCode39Barcode>(); }
SymbolPtr CreateCode39ExtendedBarcode() { return std::make_unique<CCode39ExtendedBarcode>(); }
SymbolPtr CreatePznBarcode() { return std::make_unique<CPznBarcode>(); }
SymbolPtr CreateCode39ChecksumBarcode() { return std::make_unique<CCode39ChecksumBarcode>(); }
SymbolPtr CreateCode39ExtendedChecksumBarcode() { return std::make_unique<CCode39ExtendedChecksumBarcode>(); }

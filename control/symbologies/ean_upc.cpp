// The EAN/UPC family: EAN 13, EAN 99, EAN 8, UPC A, UPC E and the EAN 5 /
// EAN 2 add-ons (ISO/IEC 15420). Each main symbol is a fixed grid of
// modules inside the area; the add-ons carry their digits above the bars.
#include "control/symbologies/ean_upc.h"

#include <algorithm>

#include "control/symbologies/engine.h"
#include "control/symbologies/symbologies.h"

namespace {

// --- tables ------------------------------------------------------------------

// A module pattern written as '0'/'1', left-aligned in 16 bits (first
// module in bit 15).
constexpr uint16_t Bits(const char* modules)
{
    uint16_t word = 0;
    for (int i = 0; modules[i]; ++i)
        if (modules[i] == '1') word = uint16_t(word | (0x8000u >> i));
    return word;
}

// Per digit: the parity of the six left digits of EAN 13 when this digit
// leads (1 = set G), and the three character sets L, G and R as module
// patterns (ISO/IEC 15420: number sets A, B and C and the parity of the
// leading digit).
struct DigitCodes {
    uint16_t parity, setL, setG, setR;
};

constexpr DigitCodes kDigitCodes[10] = {
    {Bits("000000"), Bits("0001101"), Bits("0100111"), Bits("1110010")},
    {Bits("001011"), Bits("0011001"), Bits("0110011"), Bits("1100110")},
    {Bits("001101"), Bits("0010011"), Bits("0011011"), Bits("1101100")},
    {Bits("001110"), Bits("0111101"), Bits("0100001"), Bits("1000010")},
    {Bits("010011"), Bits("0100011"), Bits("0011101"), Bits("1011100")},
    {Bits("011001"), Bits("0110001"), Bits("0111001"), Bits("1001110")},
    {Bits("011100"), Bits("0101111"), Bits("0000101"), Bits("1010000")},
    {Bits("010101"), Bits("0111011"), Bits("0010001"), Bits("1000100")},
    {Bits("010110"), Bits("0110111"), Bits("0001001"), Bits("1001000")},
    {Bits("011010"), Bits("0001011"), Bits("0010111"), Bits("1110100")},
};

struct Guard {
    uint16_t bits;
    int32_t modules;
};
constexpr Guard kNormalGuard{Bits("101"), 3};
constexpr Guard kCentreGuard{Bits("01010"), 5};
constexpr Guard kAddOnStart{Bits("1011"), 4};
constexpr Guard kAddOnSeparator{Bits("01"), 2};

// Add-on parity words, one letter per digit (G = set G, L = set L).
constexpr const char* kEan2Parity[4] = {"LL", "LG", "GL", "GG"};
constexpr const char* kEan5Parity[10] = {"GGLLL", "GLGLL", "GLLGL", "GLLLG", "LGGLL",
                                         "LLGGL", "LLLGG", "LGLGL", "LGLLG", "LLGLG"};

// UPC E (number system 0) parity by the check digit: E = set G, O = set L.
constexpr const char* kUpcEParity[10] = {"EEEOOO", "EEOEOO", "EEOOEO", "EEOOOE", "EOEEOO",
                                         "EOOEEO", "EOOOEE", "EOEOEO", "EOEOOE", "EOOEOE"};

} // namespace

// UPC E digits as element widths, as ISO/IEC 15420 prints number sets A
// (odd parity) and B (even parity): each digit 7 modules, light first. The
// start guard (101) begins with a bar, the end guard (010101) with a light
// module. Set A and the guards are the engine row's character table.
const PatternEntry kUpcEPatterns[] = {
    {'0', "3211"}, {'1', "2221"}, {'2', "2122"}, {'3', "1411"}, {'4', "1132"},
    {'5', "1231"}, {'6', "1114"}, {'7', "1312"}, {'8', "1213"}, {'9', "3112"},
    {kKeyStart, "111"}, {kKeyStop, "111111"}, {kKeyEnd, ""},
};

const PatternEntry kUpcEEvenPatterns[] = {
    {'0', "1123"}, {'1', "1222"}, {'2', "2212"}, {'3', "1141"}, {'4', "2311"},
    {'5', "1321"}, {'6', "4111"}, {'7', "2131"}, {'8', "3121"}, {'9', "2113"},
    {kKeyEnd, ""},
};

namespace {

// The main symbols' grids: where each digit's bars and text stand.
struct EanLayout {
    int32_t modules;        // grid length
    int32_t digits;         // digits drawn, the check digit last
    int32_t rightHalf;      // index of the first digit encoded with set R
    int8_t bars[13];        // first module of each digit's bars; -1: text only
    int8_t texts[13];       // module at which each digit's text stands
    int8_t guards[3];       // first module of the start, centre and end guard
    int32_t symbolModules;  // recorded as the symbol width
    bool leadingParity;     // the first digit chooses set L or G for the left half
    bool tallOuterDigits;   // first and last digit drawn at guard height
    bool centredText;       // digits centred below the area; else anchored under the bars
};

constexpr EanLayout kEan13Layout{
    107, 13, 7,
    {-1, 11, 18, 25, 32, 39, 46, 58, 65, 72, 79, 86, 93},
    {4, 14, 21, 28, 35, 42, 49, 61, 68, 75, 82, 89, 96},
    {8, 53, 100}, 103, true, false, true};

constexpr EanLayout kEan8Layout{
    67, 8, 4,
    {3, 10, 17, 24, 36, 43, 50, 57},
    {6, 13, 20, 27, 39, 46, 53, 60},
    {0, 31, 64}, 67, false, false, true};

constexpr EanLayout kUpcALayout{
    109, 12, 6,
    {12, 19, 26, 33, 40, 47, 59, 66, 73, 80, 87, 94},
    {4, 21, 28, 35, 42, 49, 61, 68, 75, 82, 89, 106},
    {9, 54, 101}, 104, false, true, false};

// --- validation and check digits --------------------------------------------

int DigitAt(const std::string& s, size_t i) { return s[i] - '0'; }

// (10 - weighted sum mod 10) mod 10 over the first `count` digits; the
// weight of the first digit is `firstWeight`, then 3 and 1 alternate.
int WeightedCheckDigit(const std::string& digits, size_t count, int firstWeight)
{
    int sum = 0;
    int weight = firstWeight;
    for (size_t i = 0; i < count; ++i, weight = 4 - weight) sum += weight * DigitAt(digits, i);
    return (10 - sum % 10) % 10;
}

// A text of `dataDigits` digits, or one more whose last is `check`.
bool AcceptsWithCheck(const std::string& text, size_t dataDigits, int check)
{
    if (!AllDigits(text)) return false;
    if (text.size() == dataDigits) return true;
    return text.size() == dataDigits + 1 && DigitAt(text, dataDigits) == check;
}

// The check digit of a text with `dataDigits` data digits (the longer form
// may carry a wrong check digit: the correct one is still reported);
// -2 for any other length or a non-digit.
int ReportedCheckDigit(const std::string& text, size_t dataDigits, int firstWeight)
{
    if (!AllDigits(text) || (text.size() != dataDigits && text.size() != dataDigits + 1)) return -2;
    return WeightedCheckDigit(text, dataDigits, firstWeight);
}

// --- drawing -------------------------------------------------------------------

// Extent of a rectangle across the bar axis.
int32_t CrossLength(const CGenericBarcode& symbol, const RECT& r)
{
    const bool vertical = symbol.GetRotate() == 90 || symbol.GetRotate() == 270;
    return vertical ? r.right - r.left : r.bottom - r.top;
}

// How far guard bars stop short of the area's text edge: the text band
// less the notch share that they reach into it.
int32_t GuardShortening(const CGenericBarcode& symbol)
{
    const int32_t h = symbol.GetTextHeight();
    const int32_t n = std::clamp<int32_t>(symbol.GetNotchHeightInPercent(), 0, 100);
    return (100 - n) * h / 100;
}

// The dark modules of a pattern (first module in bit 15) from grid module
// `start`, adjacent ones as one run.
void AddModules(SymbolRuns& runs, uint16_t bits, int32_t start, int32_t count, BarSpan span)
{
    int32_t runStart = -1;
    for (int32_t i = 0; i <= count; ++i) {
        const bool dark = i < count && i < 16 && (bits >> (15 - i)) & 1;
        if (dark && runStart < 0) runStart = i;
        if (!dark && runStart >= 0) {
            runs.Add(start + runStart, i - runStart, span);
            runStart = -1;
        }
    }
}

// `digits` (data and check digit) on a main symbol's grid, from its start
// guard to its end guard: the guards first, then the digits in order.
BOOL EncodeEanLayout(const EanLayout& g, const std::string& digits, SymbolRuns& runs)
{
    runs.Clear();
    if (int32_t(digits.size()) != g.digits || !AllDigits(digits)) return FALSE;
    const int32_t first = g.guards[0];
    runs.modules = g.guards[2] + kNormalGuard.modules - first;
    for (int i = 0; i < 3; ++i) {
        const Guard& guard = i == 1 ? kCentreGuard : kNormalGuard;
        AddModules(runs, guard.bits, g.guards[i] - first, guard.modules, BarSpan::Guard);
    }

    const uint16_t parity = g.leadingParity ? kDigitCodes[DigitAt(digits, 0)].parity : 0;
    for (int32_t i = 0; i < g.digits; ++i) {
        if (g.bars[i] < 0) continue;
        const DigitCodes& codes = kDigitCodes[DigitAt(digits, size_t(i))];
        uint16_t word;
        if (i >= g.rightHalf) word = codes.setR;
        else if (g.leadingParity && (parity >> (15 - (i - 1)) & 1)) word = codes.setG;
        else word = codes.setL;
        const bool tall = g.tallOuterDigits && (i == 0 || i == g.digits - 1);
        AddModules(runs, word, g.bars[i] - first, 7, tall ? BarSpan::Guard : BarSpan::Full);
    }
    return TRUE;
}

// Draws the runs `symbol` encoded for `digits` on a main symbol's grid, and
// the digits.
BOOL DrawEanLayout(CGenericBarcode& symbol, CDC* dc, const EanLayout& g, const std::string& digits)
{
    const RECT& area = symbol.GetRect();
    const int32_t m = symbol.AxisLength(area) / g.modules;
    const int32_t h = symbol.GetTextHeight();
    // No bars to draw (too short, or no room beside the text band).
    if (m <= 0 || CrossLength(symbol, area) - h <= 0 || !AllDigits(digits)) return FALSE;

    RunPlacement placement;
    RECT bars = area;
    symbol.ShrinkForText(bars, h);
    placement.SetAll(bars);
    RECT guards = area;
    symbol.ShrinkForText(guards, GuardShortening(symbol));
    placement.spans[size_t(BarSpan::Guard)] = guards;
    placement.origin = g.guards[0] * m;
    placement.unit = m;
    symbol.DrawRuns(dc, placement);

    RECT textRect = area;
    UINT oldAlign = 0;
    if (g.centredText) oldAlign = dc->SetTextAlign(TA_BOTTOM | TA_CENTER);
    else symbol.ShrinkForText(textRect, h);
    for (int32_t i = 0; i < g.digits; ++i)
        symbol.DrawTextAt(dc, textRect, g.texts[i] * m, digits.substr(size_t(i), 1), FALSE, FALSE);
    if (g.centredText) dc->SetTextAlign(oldAlign);

    symbol.SetSymbolWidth(g.symbolModules * m);
    return TRUE;
}

// The data digits of `text` followed by their computed check digit (a
// typed check digit is only ever compared, never drawn).
std::string WithCheckDigit(const std::string& text, size_t dataDigits, int firstWeight)
{
    std::string digits = text.substr(0, dataDigits);
    digits += char('0' + WeightedCheckDigit(digits, dataDigits, firstWeight));
    return digits;
}

// --- classes -------------------------------------------------------------------

class CEan13Barcode : public CGenericBarcode {
public:
    BOOL IsValid() const override { return AcceptsWithCheck(m_text, 12, Ean13CheckDigit(m_text)); }
    int32_t GetType() const override { return kTypeEan13; }
    std::string GetTypeName() const override { return TypeNameOf(kTypeEan13); }
    std::string GetDemoText() const override { return DemoTextOf(kTypeEan13); }
    int32_t GetChecksum() const override { return ReportedCheckDigit(m_text, 12, 1); }
    BOOL Encode(SymbolRuns& runs) const override
    {
        runs.Clear();
        return IsValid() && EncodeEan13Symbol(m_text, runs);
    }
    BOOL Draw(CDC* dc) override { return Encode(m_runs) && DrawEan13Symbol(*this, dc); }
};

class CEan99Barcode : public CEan13Barcode {
public:
    BOOL IsValid() const override { return m_text.starts_with("99") && CEan13Barcode::IsValid(); }
    int32_t GetType() const override { return kTypeEan99; }
    std::string GetTypeName() const override { return TypeNameOf(kTypeEan99); }
    std::string GetDemoText() const override { return DemoTextOf(kTypeEan99); }
};

class CEan8Barcode : public CGenericBarcode {
public:
    BOOL IsValid() const override { return AcceptsWithCheck(m_text, 7, GetChecksum()); }
    int32_t GetType() const override { return kTypeEan8; }
    std::string GetTypeName() const override { return TypeNameOf(kTypeEan8); }
    std::string GetDemoText() const override { return DemoTextOf(kTypeEan8); }
    int32_t GetChecksum() const override { return ReportedCheckDigit(m_text, 7, 3); }
    BOOL Encode(SymbolRuns& runs) const override
    {
        runs.Clear();
        return IsValid() && EncodeEanLayout(kEan8Layout, WithCheckDigit(m_text, 7, 3), runs);
    }
    BOOL Draw(CDC* dc) override
    {
        return Encode(m_runs) && DrawEanLayout(*this, dc, kEan8Layout, WithCheckDigit(m_text, 7, 3));
    }
};

class CUpcABarcode : public CGenericBarcode {
public:
    BOOL IsValid() const override { return AcceptsWithCheck(m_text, 11, GetChecksum()); }
    int32_t GetType() const override { return kTypeUpcA; }
    std::string GetTypeName() const override { return TypeNameOf(kTypeUpcA); }
    std::string GetDemoText() const override { return DemoTextOf(kTypeUpcA); }
    int32_t GetChecksum() const override { return ReportedCheckDigit(m_text, 11, 3); }
    BOOL Encode(SymbolRuns& runs) const override
    {
        runs.Clear();
        return IsValid() && EncodeEanLayout(kUpcALayout, WithCheckDigit(m_text, 11, 3), runs);
    }
    BOOL Draw(CDC* dc) override
    {
        return Encode(m_runs) && DrawEanLayout(*this, dc, kUpcALayout, WithCheckDigit(m_text, 11, 3));
    }
};

class CUpcEBarcode : public CEngineBarcode {
public:
    BOOL IsValid() const override { return AcceptsWithCheck(m_text, 6, GetChecksum()); }
    int32_t GetType() const override { return kTypeUpcE; }
    std::string GetTypeName() const override { return TypeNameOf(kTypeUpcE); }
    std::string GetDemoText() const override { return DemoTextOf(kTypeUpcE); }
    int32_t GetChecksum() const override
    {
        if (!AllDigits() || (m_text.size() != 6 && m_text.size() != 7)) return -2;
        std::string six = m_text.substr(0, 6);
        return NormalizeUpcE(six);
    }
    // Start guard 101, the six canonical digits in the sets the check
    // digit chooses, end guard 010101: 51 modules from the first bar.
    BOOL Encode(SymbolRuns& runs) const override
    {
        runs.Clear();
        if (!IsValid()) return FALSE;
        std::string six = m_text.substr(0, 6);
        const int32_t check = NormalizeUpcE(six);
        if (check < 0) return FALSE;
        int32_t x = runs.AddWidths(0, FindPatternWidths(kUpcEPatterns, kKeyStart), true, BarSpan::Guard);
        const char* parity = kUpcEParity[check];
        for (size_t i = 0; i < 6; ++i) {
            const PatternEntry* set = parity[i] == 'E' ? kUpcEEvenPatterns : kUpcEPatterns;
            x += runs.AddWidths(x, FindPatternWidths(set, six[i]), false);
        }
        x += runs.AddWidths(x, FindPatternWidths(kUpcEPatterns, kKeyStop), false, BarSpan::Guard);
        runs.modules = x;
        return TRUE;
    }
    // The digits are drawn with the bars (DrawUpcE).
    void DrawText(CDC*) override {}
};

// EAN 5 and EAN 2: a start pattern, the digits with separators between
// them, and the digits above the bars, on the leading side.
class CAddOnBarcode : public CGenericBarcode {
public:
    BOOL Encode(SymbolRuns& runs) const override
    {
        runs.Clear();
        if (!IsValid()) return FALSE;
        const char* parity = Parity();
        AddModules(runs, kAddOnStart.bits, 0, kAddOnStart.modules, BarSpan::Full);
        for (size_t i = 0; i < m_text.size(); ++i) {
            const int32_t start = 4 + 9 * int32_t(i);
            const DigitCodes& codes = kDigitCodes[DigitAt(m_text, i)];
            AddModules(runs, parity[i] == 'G' ? codes.setG : codes.setL, start, 7, BarSpan::Full);
            if (i + 1 < m_text.size())
                AddModules(runs, kAddOnSeparator.bits, start + 7, kAddOnSeparator.modules, BarSpan::Full);
        }
        runs.modules = 9 * int32_t(m_text.size()) + 2;
        return TRUE;
    }

protected:
    // The add-on's parity letters, one per digit (G = set G, L = set L).
    virtual const char* Parity() const = 0;

    BOOL DrawAddOn(CDC* dc, int32_t modules)
    {
        const RECT saved = m_rect;
        ShrinkForAddOnText(m_rect, m_textHeight);
        const int32_t m = AxisLength(m_rect) / modules;
        if (m <= 0 || CrossLength(*this, m_rect) <= 0 || !Encode(m_runs)) {
            m_rect = saved;
            return FALSE;
        }

        RunPlacement placement;
        placement.SetAll(m_rect);
        placement.unit = m;
        DrawRuns(dc, placement);
        const UINT oldAlign = dc->SetTextAlign(TA_TOP | TA_CENTER);
        for (size_t i = 0; i < m_text.size(); ++i)
            DrawTextAt(dc, m_rect, (8 + 9 * int32_t(i)) * m, m_text.substr(i, 1), TRUE, FALSE);
        dc->SetTextAlign(oldAlign);
        SetSymbolWidth((9 * int32_t(m_text.size()) + 2) * m);
        m_rect = saved;
        return TRUE;
    }
};

class CEan5Barcode : public CAddOnBarcode {
public:
    BOOL IsValid() const override { return m_text.size() == 5 && AllDigits(); }
    int32_t GetType() const override { return kTypeEan5; }
    std::string GetTypeName() const override { return TypeNameOf(kTypeEan5); }
    std::string GetDemoText() const override { return DemoTextOf(kTypeEan5); }
    BOOL Draw(CDC* dc) override { return DrawAddOn(dc, 49); }

protected:
    const char* Parity() const override
    {
        const std::string& d = m_text;
        return kEan5Parity[(3 * (DigitAt(d, 0) + DigitAt(d, 2) + DigitAt(d, 4)) + 9 * (DigitAt(d, 1) + DigitAt(d, 3))) % 10];
    }
};

class CEan2Barcode : public CAddOnBarcode {
public:
    BOOL IsValid() const override { return m_text.size() == 2 && AllDigits(); }
    int32_t GetType() const override { return kTypeEan2; }
    std::string GetTypeName() const override { return TypeNameOf(kTypeEan2); }
    std::string GetDemoText() const override { return DemoTextOf(kTypeEan2); }
    BOOL Draw(CDC* dc) override { return DrawAddOn(dc, 22); }

protected:
    const char* Parity() const override { return kEan2Parity[(10 * DigitAt(m_text, 0) + DigitAt(m_text, 1)) % 4]; }
};

} // namespace

int Ean13CheckDigit(const std::string& digits)
{
    if (digits.size() < 12 || !AllDigits(digits.substr(0, 12))) return -2;
    return WeightedCheckDigit(digits, 12, 1);
}

BOOL EncodeEan13Symbol(const std::string& text, SymbolRuns& runs)
{
    runs.Clear();
    return Ean13CheckDigit(text) >= 0 && EncodeEanLayout(kEan13Layout, WithCheckDigit(text, 12, 1), runs);
}

BOOL DrawEan13Symbol(CGenericBarcode& symbol, CDC* dc)
{
    return DrawEanLayout(symbol, dc, kEan13Layout, WithCheckDigit(symbol.GetText(), 12, 1));
}

int NormalizeUpcE(std::string& text)
{
    const std::string d = KeepDigits(text).substr(0, 6);
    if (d.size() < 6) {
        text.clear();
        return -2;
    }

    // The ten digits of the UPC A number (number system 0) after the
    // number system, by the last UPC E digit.
    std::string b;
    switch (d[5]) {
    case '0': case '1': case '2': b = d.substr(0, 2) + d[5] + "0000" + d.substr(2, 3); break;
    case '3': b = d.substr(0, 3) + "00000" + d.substr(3, 2); break;
    case '4': b = d.substr(0, 4) + "00000" + d[4]; break;
    default: b = d.substr(0, 5) + "0000" + d[5]; break;
    }

    // Compressed back by the first rule that fits: the one UPC E form of
    // that UPC A number.
    const std::string b234 = b.substr(2, 3);
    if ((b234 == "000" || b234 == "100" || b234 == "200") && b.compare(5, 2, "00") == 0)
        text = b.substr(0, 2) + b.substr(7, 3) + b[2];
    else if (b.compare(3, 2, "00") == 0 && b.compare(5, 3, "000") == 0)
        text = b.substr(0, 3) + b.substr(8, 2) + "3";
    else if (b[4] == '0' && b.compare(5, 4, "0000") == 0)
        text = b.substr(0, 4) + b[9] + "4";
    else if (b[9] >= '5' && b.compare(5, 4, "0000") == 0)
        text = b.substr(0, 5) + b[9];
    else {
        text.clear();
        return -2;
    }

    // UPC A check digit of "0" followed by the ten digits.
    return WeightedCheckDigit("0" + b, 11, 3);
}

BOOL CEngineBarcode::DrawUpcE(CDC* dc, int32_t moduleWidth, std::string& text, RECT r)
{
    const int32_t m = moduleWidth;
    const int32_t check = NormalizeUpcE(text);
    if (check < 0 || !Encode(m_runs)) return FALSE;
    // Number system, the six canonical digits and the check digit: the
    // digits printed are the digits the bars carry.
    const std::string display = "0" + text + char('0' + check);

    // The number system stands before the bars, in the width of an "X".
    const int32_t lead = dc->GetTextExtent("X").cx;
    RunPlacement placement;
    placement.SetAll(r);
    RECT guards = r;
    ShrinkForText(guards, -(std::clamp<int32_t>(m_notchHeightInPercent, 0, 100) * m_textHeight / 100));
    placement.spans[size_t(BarSpan::Guard)] = guards;
    placement.origin = lead;
    placement.unit = m;
    DrawRuns(dc, placement);

    // Each digit's text stands one module into its 7-module cell after the
    // 3-module start guard; the check digit one module after the end guard.
    DrawTextAt(dc, r, 0, display.substr(0, 1), FALSE, FALSE);
    ShrinkFromStart(r, lead);
    for (size_t i = 0; i < 6; ++i)
        DrawTextAt(dc, r, (3 + 7 * int32_t(i) + 1) * m, display.substr(i + 1, 1), FALSE, FALSE);
    const int32_t x = m_runs.modules * m;
    DrawTextAt(dc, r, x + m, display.substr(7, 1), FALSE, FALSE);

    // Start of the area to the end of the last bar.
    m_symbolWidth = lead + x;
    return TRUE;
}

SymbolPtr CreateEan13Barcode() { return std::make_unique<CEan13Barcode>(); }
SymbolPtr CreateEan99Barcode() { return std::make_unique<CEan99Barcode>(); }
SymbolPtr CreateEan8Barcode() { return std::make_unique<CEan8Barcode>(); }
SymbolPtr CreateUpcABarcode() { return std::make_unique<CUpcABarcode>(); }
SymbolPtr CreateUpcEBarcode() { return std::make_unique<CUpcEBarcode>(); }
SymbolPtr CreateEan5Barcode() { return std::make_unique<CEan5Barcode>(); }
SymbolPtr CreateEan2Barcode() { return std::make_unique<CEan2Barcode>(); }

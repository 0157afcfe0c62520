// The interleaved 2 of 5 family: Code 25 Interleaved (7), ITF 14 (30) and
// the German postal Identcode (24) and Leitcode (25). One row per type
// says how many digits it takes, how its check digit is weighted, how many
// modules its area is divided into and how its printed text is laid out.
#include "control/symbologies/interleaved25.h"

#include <string>

#include "control/symbologies/symbologies.h"

namespace {

// --- tables -------------------------------------------------------------------

// Five elements per digit, first in bit 4, 1 = wide (ISO/IEC 16390 Table 1).
constexpr uint8_t kDigitMasks[10] = {
    0b00110, 0b10001, 0b01001, 0b11000, 0b00101, 0b10100, 0b01100, 0b00011, 0b10010, 0b01010,
};

struct InterleavedRow {
    TypeId type;
    size_t dataDigits;   // digits before the check digit; 0: any even count, no check digit
    int evenWeight;      // check-digit weights of positions 0, 2, 4, ...
    int oddWeight;       // ... and of positions 1, 3, 5, ...
    int32_t modules;     // the area's division; 0: 18 per pair + 14
    const char* display; // printed text, '#' standing for the next digit; nullptr: per pair
};

constexpr InterleavedRow kCode25Interleaved = {kTypeCode25Interleaved, 0, 0, 0, 0, nullptr};
constexpr InterleavedRow kItf14 = {kTypeItf14, 13, 3, 1, 18 * 7 + 10, "# ## ##### ##### #"};
constexpr InterleavedRow kIdentcode = {kTypeIdentcode, 11, 4, 9, 122, "##.### ###.### #"};
constexpr InterleavedRow kLeitcode = {kTypeLeitcode, 13, 4, 9, 140, "#####.###.###.## #"};

constexpr int32_t kPairModules = 18;
constexpr int32_t kStartModules = 4;
constexpr int32_t kStartStopModules = 10;
constexpr int32_t kQuietModules = 4; // left empty after the stop of Code 25 Interleaved

// --- check digits -------------------------------------------------------------

// The digit completing the weighted sum of the row's data digits to a
// multiple of 10; -2 unless the text is the data digits, with or without
// a check digit after them.
int32_t WeightedCheck(const InterleavedRow& row, const std::string& text)
{
    if (!AllDigits(text) || (text.size() != row.dataDigits && text.size() != row.dataDigits + 1)) return -2;
    int32_t sum = 0;
    for (size_t i = 0; i < row.dataDigits; ++i)
        sum += (text[i] - '0') * (i % 2 == 0 ? row.evenWeight : row.oddWeight);
    return (10 - sum % 10) % 10;
}

// --- classes --------------------------------------------------------------------

class CInterleavedFamily : public CGenericBarcode {
public:
    explicit CInterleavedFamily(const InterleavedRow& row) : m_row(row) {}

    BOOL IsValid() const override
    {
        if (m_row.dataDigits == 0) return !m_text.empty() && m_text.size() % 2 == 0 && AllDigits() ? TRUE : FALSE;
        const int32_t check = WeightedCheck(m_row, m_text);
        if (check < 0) return FALSE;
        return m_text.size() == m_row.dataDigits || m_text.back() == char('0' + check) ? TRUE : FALSE;
    }
    int32_t GetType() const override { return m_row.type; }
    std::string GetTypeName() const override { return TypeNameOf(m_row.type); }
    std::string GetDemoText() const override { return DemoTextOf(m_row.type); }
    int32_t GetChecksum() const override { return m_row.dataDigits ? WeightedCheck(m_row, m_text) : -1; }

    // The encoded digits laid into the row's format; the text itself when
    // the type has no format or the text is malformed.
    std::string GetDisplayText() const override
    {
        if (!m_row.display || GetChecksum() < 0) return m_text;
        const std::string digits = EncodedDigits();
        std::string out;
        size_t next = 0;
        for (const char* f = m_row.display; *f; ++f)
            out += *f == '#' ? digits[next++] : *f;
        return out;
    }

    // Start, the digit pairs (the first digit in the bars, the second in
    // the spaces), stop; the symbol ends with the stop's last bar.
    BOOL Encode(SymbolRuns& runs) const override
    {
        runs.Clear();
        if (!IsValid()) return FALSE;
        const std::string digits = EncodedDigits();
        int32_t x = AddInterleaved(runs, 2, 0, 0, 0);
        for (size_t i = 0; i + 1 < digits.size(); i += 2)
            x += AddInterleaved(runs, 5, kDigitMasks[digits[i] - '0'], kDigitMasks[digits[i + 1] - '0'], x);
        x += AddInterleaved(runs, 2, 0b10, 0, x);
        runs.modules = x - 1;
        return TRUE;
    }

    BOOL Draw(CDC* dc) override
    {
        const std::string digits = EncodedDigits();
        const int32_t modules = m_row.modules ? m_row.modules
                                              : kPairModules * int32_t(digits.size() / 2) + kStartStopModules + kQuietModules;
        const int32_t m = AxisLength(m_rect) / modules;
        if (m <= 0 || !Encode(m_runs)) return FALSE;
        m_moduleWidth = m;
        RECT bars = m_rect;
        ShrinkForText(bars, m_textHeight);
        RunPlacement placement;
        placement.SetAll(bars);
        placement.unit = m;
        DrawRuns(dc, placement);

        if (!m_row.display)
            for (size_t i = 0; i + 1 < digits.size(); i += 2)
                DrawTextAt(dc, bars, (kStartModules + kPairModules * int32_t(i / 2)) * m, digits.substr(i, 2), FALSE, FALSE);
        SetSymbolWidth((kPairModules * int32_t(digits.size() / 2) + kStartStopModules) * m);
        if (m_row.display) DrawSpreadText(dc);
        return TRUE;
    }

protected:
    // Bars from `barMask` and the spaces after them from `spaceMask`, both
    // read from bit k - 1 down, 1 = wide (3 modules), from module `start`;
    // returns the modules taken.
    static int32_t AddInterleaved(SymbolRuns& runs, int k, unsigned barMask, unsigned spaceMask, int32_t start)
    {
        int32_t x = start;
        for (int bit = k - 1; bit >= 0; --bit) {
            const int32_t bar = (barMask >> bit) & 1 ? 3 : 1;
            runs.Add(x, bar);
            x += bar + ((spaceMask >> bit) & 1 ? 3 : 1);
        }
        return x - start;
    }

    // The data digits followed by the computed check digit (a typed check
    // digit is replaced by the computed one, which it equals when valid).
    std::string EncodedDigits() const
    {
        if (m_row.dataDigits == 0) return m_text;
        return m_text.substr(0, m_row.dataDigits) + char('0' + WeightedCheck(m_row, m_text));
    }

    const InterleavedRow& m_row;
};

class CInterleaved25Barcode : public CInterleavedFamily {
public:
    CInterleaved25Barcode() : CInterleavedFamily(kCode25Interleaved) {}
};

class CItf14Barcode : public CInterleavedFamily {
public:
    CItf14Barcode() : CInterleavedFamily(kItf14) {}
};

class CIdentcodeBarcode : public CInterleavedFamily {
public:
    CIdentcodeBarcode() : CInterleavedFamily(kIdentcode) {}
};

class CLeitcodeBarcode : public CInterleavedFamily {
public:
    CLeitcodeBarcode() : CInterleavedFamily(kLeitcode) {}
};

} // namespace

int32_t Itf14Checksum(const std::string& text) { return WeightedCheck(kItf14, text); }

SymbolPtr CreateInterleaved25Barcode() { return std::make_unique<CInterleaved25Barcode>(); }
SymbolPtr CreateIdentcodeBarcode() { return std::make_unique<CIdentcodeBarcode>(); }
SymbolPtr CreateLeitcodeBarcode() { return std::make_unique<CLeitcodeBarcode>(); }
SymbolPtr CreateItf14Barcode() { return std::make_unique<CItf14Barcode>(); }

// Codabar (8): the text carries its own start and stop letters, which are
// printed under the bars with every other character.
#include <cstring>
#include <string>

#include "control/symbologies/symbologies.h"

namespace {

// --- tables -------------------------------------------------------------------

constexpr char kCodabarChars[] = "0123456789-$:/.+AaBbCcDd";
constexpr char kCodabarStartStop[] = "AaBbCcDd";
constexpr size_t kCodabarCharCount = sizeof kCodabarChars - 1;

// The character set of ANSI/AIM BC3 (USS Codabar), one word per position,
// pattern in the high byte: eight elements from bit 15 down, bar first,
// 1 = wide. The eighth element, always narrow, is the gap to the next
// character.
constexpr uint16_t kCodabarPatterns[kCodabarCharCount] = {
    0x0600, 0x0C00, 0x1200, 0xC000, 0x2400, 0x8400, 0x4200, 0x4800, // 0-7
    0x6000, 0x9000, 0x1800, 0x3000, 0x8A00, 0xA200, 0xA800, 0x2A00, // 8 9 - $ : / . +
    0x3400, 0x3400, 0x5200, 0x5200, 0x1600, 0x1600, 0x1C00, 0x1C00, // A a B b C c D d
};

constexpr int kCodabarElements = 8;
constexpr int32_t kCodabarWide = 2;       // a wide element in narrow widths
constexpr int32_t kCodabarTextOffset = 5; // modules from a character's start to its printed character

// Pattern word of c, or -1 when c is not a Codabar character.
int32_t CodabarPattern(char c)
{
    if (c == '\0') return -1;
    const char* p = std::strchr(kCodabarChars, c);
    return p ? kCodabarPatterns[p - kCodabarChars] : -1;
}

bool IsStartStop(char c) { return c != '\0' && std::strchr(kCodabarStartStop, c) != nullptr; }

// --- validation -----------------------------------------------------------------

// At least three characters: a start letter, characters of the set that
// are not start/stop letters, a stop letter.
bool IsCodabarText(const std::string& text)
{
    if (text.size() < 3 || !IsStartStop(text.front()) || !IsStartStop(text.back())) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (CodabarPattern(text[i]) < 0) return false;
        if (i > 0 && i + 1 < text.size() && IsStartStop(text[i])) return false;
    }
    return true;
}

// --- drawing ----------------------------------------------------------------------

// Width of one character in modules, its gap included; 0 for a character
// outside the set.
int32_t CodabarCharModules(char c)
{
    const int32_t pattern = CodabarPattern(c);
    if (pattern < 0) return 0;
    int32_t sum = 0;
    for (int e = 0; e < kCodabarElements; ++e) sum += (pattern >> (15 - e)) & 1 ? kCodabarWide : 1;
    return sum;
}

// Length of the symbol in modules, gaps included; 0 for an empty text.
int32_t CodabarModules(const std::string& text)
{
    int32_t sum = 0;
    for (char c : text) sum += CodabarCharModules(c);
    return sum;
}

class CCodabarBarcode : public CGenericBarcode {
public:
    BOOL IsValid() const override { return IsCodabarText(m_text) ? TRUE : FALSE; }
    int32_t GetType() const override { return kTypeCodabar; }
    std::string GetTypeName() const override { return TypeNameOf(kTypeCodabar); }
    std::string GetDemoText() const override { return DemoTextOf(kTypeCodabar); }

    // Each character's elements, bar first; the symbol ends with the last
    // character's last bar (its gap belongs to no neighbour).
    BOOL Encode(SymbolRuns& runs) const override
    {
        runs.Clear();
        if (!IsValid()) return FALSE;
        int32_t x = 0;
        for (char c : m_text) {
            const int32_t pattern = CodabarPattern(c);
            for (int e = 0; e < kCodabarElements; ++e) {
                const int32_t w = (pattern >> (15 - e)) & 1 ? kCodabarWide : 1;
                if (e % 2 == 0) runs.Add(x, w);
                x += w;
            }
        }
        runs.modules = x - 1;
        return TRUE;
    }

    BOOL Draw(CDC* dc) override
    {
        const int32_t modules = CodabarModules(m_text);
        const int32_t m = modules > 0 ? AxisLength(m_rect) / modules : 0;
        if (m <= 0 || !Encode(m_runs)) return FALSE;
        m_moduleWidth = m;
        RECT bars = m_rect;
        ShrinkForText(bars, m_textHeight);
        RunPlacement placement;
        placement.SetAll(bars);
        placement.unit = m;
        DrawRuns(dc, placement);

        int32_t x = 0;
        for (char c : m_text) {
            DrawTextAt(dc, bars, x + kCodabarTextOffset * m, std::string(1, c), FALSE, FALSE);
            x += CodabarCharModules(c) * m;
        }
        m_symbolWidth = x;
        return TRUE;
    }
};

} // namespace

SymbolPtr CreateCodabarBarcode() { return std::make_unique<CCodabarBarcode>(); }

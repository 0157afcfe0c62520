// Code 93 (type 21) and Code 93 Extended (type 22): one character table,
// the full-ASCII expansion of the Extended type, the two check characters
// C and K, and the symbol classes. The generic character loop of the engine
// draws both; this file only supplies its data and rules.
#include "control/symbologies/engine.h"
#include "control/symbologies/symbologies.h"

// --- tables ----------------------------------------------------------------

// Shift characters of the full-ASCII mode, as they appear in expansion
// strings and as keys of the character table: ($) 0xFA, (%) 0xFB,
// (/) 0xFC, (+) 0xFD.
namespace {
constexpr int kShiftDollar = 0xFA;
constexpr int kShiftPercent = 0xFB;
constexpr int kShiftSlash = 0xFC;
constexpr int kShiftPlus = 0xFD;
} // namespace

// Element widths, bar first, as ANSI/AIM BC5 (Uniform Symbology
// Specification Code 93) prints them in its character set table: three bars
// and three spaces, 9 modules each. The stop pattern carries the
// termination bar; the symbol keeps one module of space after it (the
// engine row's trailing space).
const PatternEntry kCode93Patterns[] = {
    {'0', "131112"}, {'1', "111213"}, {'2', "111312"}, {'3', "111411"}, {'4', "121113"},
    {'5', "121212"}, {'6', "121311"}, {'7', "111114"}, {'8', "131211"}, {'9', "141111"},
    {'A', "211113"}, {'B', "211212"}, {'C', "211311"}, {'D', "221112"}, {'E', "221211"},
    {'F', "231111"}, {'G', "112113"}, {'H', "112212"}, {'I', "112311"}, {'J', "122112"},
    {'K', "132111"}, {'L', "111123"}, {'M', "111222"}, {'N', "111321"}, {'O', "121122"},
    {'P', "131121"}, {'Q', "212112"}, {'R', "212211"}, {'S', "211122"}, {'T', "211221"},
    {'U', "221121"}, {'V', "222111"}, {'W', "112122"}, {'X', "112221"}, {'Y', "122121"},
    {'Z', "123111"}, {'-', "121131"}, {'.', "311112"}, {' ', "311211"}, {'$', "321111"},
    {'/', "112131"}, {'+', "113121"}, {'%', "211131"},
    {kShiftDollar, "121221"}, {kShiftPercent, "312111"}, {kShiftSlash, "311121"}, {kShiftPlus, "122211"},
    {kKeyStart, "111141"},
    {kKeyStop, "1111411"},
    {kKeyEnd, ""},
};

// Full ASCII: every character 0-127 without a pattern of its own becomes a
// shift character and a capital. Space, '-', '.', digits and capitals are
// drawn directly; '$', '%', '+' and '/' always take their two-character
// form. The shift bytes themselves map to nothing: as text bytes they are
// Windows-1252 letters outside ASCII, skipped like every byte above 127,
// and must never reach the bars as shift characters.
const ExpansionEntry kCode93Expansions[] = {
    {0, "\xFB" "U"}, {1, "\xFA" "A"}, {2, "\xFA" "B"}, {3, "\xFA" "C"}, {4, "\xFA" "D"},
    {5, "\xFA" "E"}, {6, "\xFA" "F"}, {7, "\xFA" "G"}, {8, "\xFA" "H"}, {9, "\xFA" "I"},
    {10, "\xFA" "J"}, {11, "\xFA" "K"}, {12, "\xFA" "L"}, {13, "\xFA" "M"}, {14, "\xFA" "N"},
    {15, "\xFA" "O"}, {16, "\xFA" "P"}, {17, "\xFA" "Q"}, {18, "\xFA" "R"}, {19, "\xFA" "S"},
    {20, "\xFA" "T"}, {21, "\xFA" "U"}, {22, "\xFA" "V"}, {23, "\xFA" "W"}, {24, "\xFA" "X"},
    {25, "\xFA" "Y"}, {26, "\xFA" "Z"}, {27, "\xFB" "A"}, {28, "\xFB" "B"}, {29, "\xFB" "C"},
    {30, "\xFB" "D"}, {31, "\xFB" "E"},
    {'!', "\xFC" "A"}, {'"', "\xFC" "B"}, {'#', "\xFC" "C"}, {'$', "\xFC" "D"}, {'%', "\xFC" "E"},
    {'&', "\xFC" "F"}, {'\'', "\xFC" "G"}, {'(', "\xFC" "H"}, {')', "\xFC" "I"}, {'*', "\xFC" "J"},
    {'+', "\xFC" "K"}, {',', "\xFC" "L"}, {'/', "\xFC" "O"}, {':', "\xFC" "Z"},
    {';', "\xFB" "F"}, {'<', "\xFB" "G"}, {'=', "\xFB" "H"}, {'>', "\xFB" "I"}, {'?', "\xFB" "J"},
    {'@', "\xFB" "V"},
    {'[', "\xFB" "K"}, {'\\', "\xFB" "L"}, {']', "\xFB" "M"}, {'^', "\xFB" "N"}, {'_', "\xFB" "O"},
    {'`', "\xFB" "W"},
    {'a', "\xFD" "A"}, {'b', "\xFD" "B"}, {'c', "\xFD" "C"}, {'d', "\xFD" "D"}, {'e', "\xFD" "E"},
    {'f', "\xFD" "F"}, {'g', "\xFD" "G"}, {'h', "\xFD" "H"}, {'i', "\xFD" "I"}, {'j', "\xFD" "J"},
    {'k', "\xFD" "K"}, {'l', "\xFD" "L"}, {'m', "\xFD" "M"}, {'n', "\xFD" "N"}, {'o', "\xFD" "O"},
    {'p', "\xFD" "P"}, {'q', "\xFD" "Q"}, {'r', "\xFD" "R"}, {'s', "\xFD" "S"}, {'t', "\xFD" "T"},
    {'u', "\xFD" "U"}, {'v', "\xFD" "V"}, {'w', "\xFD" "W"}, {'x', "\xFD" "X"}, {'y', "\xFD" "Y"},
    {'z', "\xFD" "Z"},
    {'{', "\xFB" "P"}, {'|', "\xFB" "Q"}, {'}', "\xFB" "R"}, {'~', "\xFB" "S"}, {127, "\xFB" "T"},
    {kShiftDollar, ""}, {kShiftPercent, ""}, {kShiftSlash, ""}, {kShiftPlus, ""},
    {-1, nullptr},
};

// --- validation --------------------------------------------------------------

namespace {

// Code 93 accepts what Code 39 accepts (1 to 50 characters of the Code 39
// set, '*' refused), so the rule is asked of a Code 39 symbol holding the
// same text rather than kept twice.
BOOL Code39Accepts(const std::string& text)
{
    const SymbolPtr code39 = CreateCode39Barcode();
    code39->SetText(text);
    return code39->IsValid();
}

// Full ASCII reaches characters 0 to 127 only; a byte above that has no
// symbol characters, and dropping it would print a text the bars do not hold.
BOOL AllAscii(const std::string& text)
{
    for (unsigned char c : text)
        if (c > 0x7F) return FALSE;
    return TRUE;
}

} // namespace

// --- check characters ----------------------------------------------------------

// Packed state: C in bits 0-7, K in bits 8-15, the number of data symbol
// characters from bit 24 up. The count keeps all its bits, so the weights
// stay right for texts of any length (a count held in 8 bits would wrap at
// 256 and give check characters no scanner accepts).
namespace {
constexpr int kCount = 24;

int64_t Mod(int64_t a, int64_t m) { return ((a % m) + m) % m; }
} // namespace

ChecksumState Code93ChecksumStart(int32_t n) { return ChecksumState(n) << kCount; }

// C weights run 1..20 from the right, K weights 1..15 from the right with
// C in the last place, so data character p of n has K weight one step on.
ChecksumState Code93ChecksumStep(ChecksumState state, int32_t value, int32_t position)
{
    const int64_t n = state >> kCount;
    const int64_t c = state & 0xFF;
    const int64_t k = (state >> 8) & 0xFF;
    const int64_t nextC = Mod(c + int64_t(value) * (Mod(n - position, 20) + 1), 47);
    const int64_t nextK = Mod(k + int64_t(value) * (Mod(n - position + 1, 15) + 1), 47);
    return (n << kCount) | (nextK << 8) | nextC;
}

// --- classes -------------------------------------------------------------------

namespace {

class CCode93Barcode : public CEngineBarcode {
public:
    BOOL IsValid() const override { return Code39Accepts(m_text); }
    int32_t GetType() const override { return kTypeCode93; }
    std::string GetTypeName() const override { return TypeNameOf(kTypeCode93); }
    std::string GetDemoText() const override { return DemoTextOf(kTypeCode93); }
};

class CCode93ExtendedBarcode : public CEngineBarcode {
public:
    BOOL IsValid() const override { return !m_text.empty() && AllAscii(m_text); }
    int32_t GetType() const override { return kTypeCode93Extended; }
    std::string GetTypeName() const override { return TypeNameOf(kTypeCode93Extended); }
    std::string GetDemoText() const override { return DemoTextOf(kTypeCode93Extended); }
};

} // namespace

SymbolPtr CreateCode93Barcode() { return std::make_unique<CCode93Barcode>(); }
SymbolPtr CreateCode93ExtendedBarcode() { return std::make_unique<CCode93ExtendedBarcode>(); }

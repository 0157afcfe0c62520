// Code 128: the three code-set tables, the automatic set-selecting builder
// and its encoder and drawer, and the Code 128A, 128B, 128C and Code 128 symbol classes.
#include <cstdint>
#include <string>

#include "control/symbologies/engine.h"
#include "control/symbologies/symbologies.h"

// --- tables ----------------------------------------------------------------

namespace {

// Special keys of the Code 128 tables (the start and stop are kKeyStart and
// kKeyStop). A text byte of Code 128A or 128B whose value read as a signed
// 8-bit number equals one of them stands for that symbol character, so
// 0xF2 is FNC1, 0xFE the set's own start and 0xFD the stop.
constexpr int kKeyShift = -10;
constexpr int kKeyCodeA = -11;
constexpr int kKeyCodeB = -12;
constexpr int kKeyCodeC = -13;
constexpr int kKeyFnc1 = -14;
constexpr int kKeyFnc2 = -15;
constexpr int kKeyFnc3 = -16;
constexpr int kKeyFnc4 = -17;
constexpr int kKeyStartA = -18;
constexpr int kKeyStartB = -19;
constexpr int kKeyStartC = -20;

// Keys of the values 96 to 106, which differ between the sets.
constexpr int kFunctionKeysA[] = {kKeyFnc3, kKeyFnc2,  kKeyShift,  kKeyCodeC,  kKeyCodeB, kKeyFnc4,
                                  kKeyFnc1, kKeyStart, kKeyStartB, kKeyStartC, kKeyStop};
constexpr int kFunctionKeysB[] = {kKeyFnc3, kKeyFnc2,   kKeyShift, kKeyCodeC,  kKeyFnc4, kKeyCodeA,
                                  kKeyFnc1, kKeyStartA, kKeyStart, kKeyStartC, kKeyStop};
constexpr int kFunctionKeysC[] = {96,       97,         98,         99,        kKeyCodeB, kKeyCodeA,
                                  kKeyFnc1, kKeyStartA, kKeyStartB, kKeyStart, kKeyStop};

// Set A: values 0-63 are ' ' to '_', 64-95 the control characters 0-31.
constexpr int KeyA(int v) { return v < 64 ? v + 32 : v < 96 ? v - 64 : kFunctionKeysA[v - 96]; }
// Set B: values 0-95 are ' ' to DEL.
constexpr int KeyB(int v) { return v < 96 ? v + 32 : kFunctionKeysB[v - 96]; }
// Set C: values 0-99 are the digit pairs 00 to 99.
constexpr int KeyC(int v) { return v < 96 ? v : kFunctionKeysC[v - 96]; }

} // namespace

// The Code 128 patterns by value, bar first, as ISO/IEC 15417 Table 1
// prints them: values 0 to 105 take 11 modules, the stop (106) 13 with its
// termination bar. The symbol keeps one module of space after the stop.
#define TESSALINE_CODE128_PATTERNS(X)                                                                       \
    X(0, "212222") X(1, "222122") X(2, "222221") X(3, "121223") X(4, "121322") X(5, "131222")               \
    X(6, "122213") X(7, "122312") X(8, "132212") X(9, "221213") X(10, "221312") X(11, "231212")             \
    X(12, "112232") X(13, "122132") X(14, "122231") X(15, "113222") X(16, "123122") X(17, "123221")         \
    X(18, "223211") X(19, "221132") X(20, "221231") X(21, "213212") X(22, "223112") X(23, "312131")         \
    X(24, "311222") X(25, "321122") X(26, "321221") X(27, "312212") X(28, "322112") X(29, "322211")         \
    X(30, "212123") X(31, "212321") X(32, "232121") X(33, "111323") X(34, "131123") X(35, "131321")         \
    X(36, "112313") X(37, "132113") X(38, "132311") X(39, "211313") X(40, "231113") X(41, "231311")         \
    X(42, "112133") X(43, "112331") X(44, "132131") X(45, "113123") X(46, "113321") X(47, "133121")         \
    X(48, "313121") X(49, "211331") X(50, "231131") X(51, "213113") X(52, "213311") X(53, "213131")         \
    X(54, "311123") X(55, "311321") X(56, "331121") X(57, "312113") X(58, "312311") X(59, "332111")         \
    X(60, "314111") X(61, "221411") X(62, "431111") X(63, "111224") X(64, "111422") X(65, "121124")         \
    X(66, "121421") X(67, "141122") X(68, "141221") X(69, "112214") X(70, "112412") X(71, "122114")         \
    X(72, "122411") X(73, "142112") X(74, "142211") X(75, "241211") X(76, "221114") X(77, "413111")         \
    X(78, "241112") X(79, "134111") X(80, "111242") X(81, "121142") X(82, "121241") X(83, "114212")         \
    X(84, "124112") X(85, "124211") X(86, "411212") X(87, "421112") X(88, "421211") X(89, "212141")         \
    X(90, "214121") X(91, "412121") X(92, "111143") X(93, "111341") X(94, "131141") X(95, "114113")         \
    X(96, "114311") X(97, "411113") X(98, "411311") X(99, "113141") X(100, "114131") X(101, "311141")       \
    X(102, "411131") X(103, "211412") X(104, "211214") X(105, "211232") X(106, "2331112")

#define TESSALINE_ENTRY_A(v, p) {KeyA(v), p},
#define TESSALINE_ENTRY_B(v, p) {KeyB(v), p},
#define TESSALINE_ENTRY_C(v, p) {KeyC(v), p},

const PatternEntry kCode128APatterns[] = {TESSALINE_CODE128_PATTERNS(TESSALINE_ENTRY_A){kKeyEnd, ""}};
const PatternEntry kCode128BPatterns[] = {TESSALINE_CODE128_PATTERNS(TESSALINE_ENTRY_B){kKeyEnd, ""}};
const PatternEntry kCode128CPatterns[] = {TESSALINE_CODE128_PATTERNS(TESSALINE_ENTRY_C){kKeyEnd, ""}};

#undef TESSALINE_ENTRY_A
#undef TESSALINE_ENTRY_B
#undef TESSALINE_ENTRY_C
#undef TESSALINE_CODE128_PATTERNS

// --- validation --------------------------------------------------------------

namespace {

constexpr int kStopValue = 106;
constexpr int kCheckModulus = 103;

// A byte 0x80 to 0xFF of a Code 128A / 128B text is a function byte when
// its signed reading is one of the special keys of the set's table.
bool IsFunctionByteOf(const PatternEntry* table, unsigned char c)
{
    if (c < 0x80) return false;
    for (int i = 0; table[i].key != kKeyEnd; ++i)
        if (table[i].key == static_cast<signed char>(c)) return true;
    return false;
}

bool IsValidCode128A(const std::string& text)
{
    if (text.empty()) return false;
    for (unsigned char c : text)
        if (!((c >= 1 && c <= 95) || IsFunctionByteOf(kCode128APatterns, c))) return false;
    return true;
}

bool IsValidCode128B(const std::string& text)
{
    if (text.empty()) return false;
    for (unsigned char c : text)
        if (!((c >= 32 && c <= 127) || IsFunctionByteOf(kCode128BPatterns, c))) return false;
    return true;
}

} // namespace

// --- check character -----------------------------------------------------------

// The start character counts once with weight 1: 103 for A and 104 for B,
// taken modulo 103.
ChecksumState Code128AChecksumStart(int32_t) { return 103 % kCheckModulus; }
ChecksumState Code128BChecksumStart(int32_t) { return 104 % kCheckModulus; }

ChecksumState Code128ChecksumStep(ChecksumState state, int32_t value, int32_t position)
{
    return (state + ChecksumState(value) * position) % kCheckModulus;
}

// --- the automatic builder -----------------------------------------------------

namespace {

enum Set { kSetA, kSetB, kSetC };

const PatternEntry* const kSetTables[] = {kCode128APatterns, kCode128BPatterns, kCode128CPatterns};

// Value of a key in a set's table: its index (the first matching entry).
int ValueOf(Set set, int key)
{
    const PatternEntry* table = kSetTables[set];
    for (int i = 0; table[i].key != kKeyEnd; ++i)
        if (table[i].key == key) return i;
    return -1;
}

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// FNC1, FNC2 and FNC3 keep their function meaning in the automatic builder;
// every other byte 0x80 to 0xFF is the character of that code.
bool IsFunctionByte(unsigned char c) { return c == 0xF0 || c == 0xF1 || c == 0xF2; }
bool IsExtended(unsigned char c) { return c >= 0x80 && !IsFunctionByte(c); }

// Which of sets A and B can carry a byte. An extended character is written
// as FNC4 followed by the character 128 below it, so it needs the set of
// that character. The function bytes are written in set A.
enum class Carrier { kEither, kOnlyA, kOnlyB };

Carrier CarrierOf(unsigned char c)
{
    if (IsFunctionByte(c)) return Carrier::kOnlyA;
    const unsigned char base = c & 0x7F;
    if (base < 32) return Carrier::kOnlyA;
    if (base >= 96) return Carrier::kOnlyB;
    return Carrier::kEither;
}

constexpr char kFnc1Marker[] = "<FNC1>";
constexpr size_t kFnc1MarkerLength = sizeof kFnc1Marker - 1;

class CCode128Builder {
public:
    CCode128Builder(const std::string& text, bool fnc1Markers) : m_text(text), m_markers(fnc1Markers) {}

    std::string Build(bool leadingFnc1)
    {
        const size_t d = Digits(0);
        m_set = d == 2 || d >= 4 ? kSetC : ClassOf(0) == Carrier::kOnlyB ? kSetB : kSetA;
        Emit(ValueOf(m_set, kKeyStart));
        if (leadingFnc1) Emit(ValueOf(m_set, kKeyFnc1));
        size_t i = 0;
        while (i < m_text.size()) i = Step(i);

        int64_t s = static_cast<unsigned char>(m_values[0]);
        for (size_t j = 1; j < m_values.size(); ++j)
            s = (s + int64_t(j) * static_cast<unsigned char>(m_values[j])) % kCheckModulus;
        Emit(int(s));
        Emit(kStopValue);
        return m_values;
    }

private:
    unsigned char At(size_t i) const { return static_cast<unsigned char>(m_text[i]); }

    size_t Digits(size_t i) const
    {
        size_t n = 0;
        while (i + n < m_text.size() && IsDigit(At(i + n))) ++n;
        return n;
    }

    // The first byte from i on that only one of sets A and B carries decides
    // which of them to take: kOnlyA for control characters, kOnlyB for
    // lowercase letters and the other characters 96 to 127. The positions
    // asked for only grow, so the deciding byte found last still decides
    // until i passes it: the text is scanned once, however often the
    // builder leaves set C.
    Carrier ClassOf(size_t i)
    {
        if (m_decider < i || !m_deciderKnown) {
            m_decider = i;
            while (m_decider < m_text.size() && CarrierOf(At(m_decider)) == Carrier::kEither) ++m_decider;
            m_deciderKnown = true;
        }
        return m_decider < m_text.size() ? CarrierOf(At(m_decider)) : Carrier::kEither;
    }

    bool MarkerAt(size_t i) const { return m_markers && m_text.compare(i, kFnc1MarkerLength, kFnc1Marker) == 0; }

    void Emit(int value) { m_values += char(value); }

    void SwitchTo(Set set)
    {
        static constexpr int kLatch[] = {kKeyCodeA, kKeyCodeB, kKeyCodeC};
        Emit(ValueOf(m_set, kLatch[set]));
        m_set = set;
    }

    void EmitPair(size_t i) { Emit(10 * (At(i) - '0') + (At(i + 1) - '0')); }

    // One character in set A or B, which carries it.
    void EmitCharacter(unsigned char c)
    {
        if (IsExtended(c)) {
            Emit(ValueOf(m_set, kKeyFnc4));
            Emit(ValueOf(m_set, c - 0x80));
        } else {
            Emit(ValueOf(m_set, static_cast<signed char>(c)));
        }
    }

    // Encodes what stands at position i; returns the next position.
    size_t Step(size_t i)
    {
        if (MarkerAt(i)) {
            // FNC1 has the same value in every set: no change of set.
            Emit(ValueOf(m_set, kKeyFnc1));
            return i + kFnc1MarkerLength;
        }
        if (m_set == kSetC && i + 1 < m_text.size() && IsDigit(At(i)) && IsDigit(At(i + 1))) {
            EmitPair(i);
            return i + 2;
        }
        const size_t f = m_set == kSetC ? 0 : Digits(i);
        if (f == 4 || f >= 6) {
            // Set A or B: an odd run leaves its first digit in the current set.
            if (f % 2 == 1) EmitCharacter(At(i++));
            SwitchTo(kSetC);
            EmitPair(i);
            return i + 2;
        }
        if (m_set == kSetC) SwitchTo(ClassOf(i) == Carrier::kOnlyB ? kSetB : kSetA);
        const Carrier carrier = CarrierOf(At(i));
        if (m_set == kSetA && carrier == Carrier::kOnlyB) SwitchTo(kSetB);
        else if (m_set == kSetB && carrier == Carrier::kOnlyA) SwitchTo(kSetA);
        EmitCharacter(At(i));
        return i + 1;
    }

    const std::string& m_text;
    const bool m_markers;
    Set m_set = kSetA;
    std::string m_values;
    size_t m_decider = 0; // the deciding byte of the last ClassOf, or the end
    bool m_deciderKnown = false;
};

} // namespace

std::string BuildCode128(const std::string& text, BOOL leadingFnc1, BOOL fnc1Markers)
{
    return CCode128Builder(text, fnc1Markers).Build(leadingFnc1);
}

int32_t CountCode128Modules(const std::string& text, BOOL leadingFnc1, BOOL fnc1Markers)
{
    return 11 * int32_t(BuildCode128(text, leadingFnc1, fnc1Markers).size()) + 2;
}

// --- drawing -------------------------------------------------------------------

void EncodeCode128(const std::string& text, BOOL leadingFnc1, BOOL fnc1Markers, SymbolRuns& runs)
{
    runs.Clear();
    int32_t x = 0;
    for (unsigned char v : BuildCode128(text, leadingFnc1, fnc1Markers))
        if (v <= kStopValue) x += runs.AddWidths(x, kCode128APatterns[v].pattern);
    // The symbol's width takes in the module of space after the stop.
    runs.modules = x + 1;
}

BOOL CEngineBarcode::DrawCode128(CDC* dc, int32_t moduleWidth, std::string& text, RECT r, BOOL leadingFnc1)
{
    // Only EAN/UCC 128 AI writes variable-length field ends as "<FNC1>".
    EncodeCode128(text, leadingFnc1, GetType() == kTypeEanUcc128Ai, m_runs);
    DrawRuns(dc, ModulePlacement(r, moduleWidth));
    m_symbolWidth = m_runs.modules * moduleWidth;
    return TRUE;
}

// --- symbol classes --------------------------------------------------------------

namespace {

class CCode128ABarcode : public CEngineBarcode {
public:
    BOOL IsValid() const override { return IsValidCode128A(m_text); }
    int32_t GetType() const override { return kTypeCode128A; }
    std::string GetTypeName() const override { return TypeNameOf(kTypeCode128A); }
    std::string GetDemoText() const override { return DemoTextOf(kTypeCode128A); }
};

class CCode128BBarcode : public CEngineBarcode {
public:
    BOOL IsValid() const override { return IsValidCode128B(m_text); }
    int32_t GetType() const override { return kTypeCode128B; }
    std::string GetTypeName() const override { return TypeNameOf(kTypeCode128B); }
    std::string GetDemoText() const override { return DemoTextOf(kTypeCode128B); }
};

class CCode128CBarcode : public CEngineBarcode {
public:
    BOOL IsValid() const override { return !m_text.empty() && AllDigits(); }
    int32_t GetType() const override { return kTypeCode128C; }
    std::string GetTypeName() const override { return TypeNameOf(kTypeCode128C); }
    std::string GetDemoText() const override { return DemoTextOf(kTypeCode128C); }
};

class CCode128Barcode : public CEngineBarcode {
public:
    int32_t GetType() const override { return kTypeCode128; }
    std::string GetTypeName() const override { return TypeNameOf(kTypeCode128); }
    std::string GetDemoText() const override { return DemoTextOf(kTypeCode128); }
};

} // namespace

SymbolPtr CreateCode128ABarcode() { return std::make_unique<CCode128ABarcode>(); }
SymbolPtr CreateCode128BBarcode() { return std::make_unique<CCode128BBarcode>(); }
SymbolPtr CreateCode128CBarcode() { return std::make_unique<CCode128CBarcode>(); }
SymbolPtr CreateCode128Barcode() { return std::make_unique<CCode128Barcode>(); }

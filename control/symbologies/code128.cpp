// Code 128: the three code-set tables, the automatic set-selecting builder
// and its drawer, and the Code 128A, 128B, 128C and Code 128 symbol classes.
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

// The published Code 128 patterns, bar first, by value. Values 0 to 105 are
// stored with their last space one module narrower: the drawing advances one
// module after every character, so each still takes its 11 modules. The
// stop is stored whole (13 modules), leaving one module of space after it.
#define TESSALINE_CODE128_PATTERNS(X)                                                                       \
    X(0, "212221") X(1, "222121") X(2, "222220") X(3, "121222") X(4, "121321") X(5, "131221")               \
    X(6, "122212") X(7, "122311") X(8, "132211") X(9, "221212") X(10, "221311") X(11, "231211")             \
    X(12, "112231") X(13, "122131") X(14, "122230") X(15, "113221") X(16, "123121") X(17, "123220")         \
    X(18, "223210") X(19, "221131") X(20, "221230") X(21, "213211") X(22, "223111") X(23, "312130")         \
    X(24, "311221") X(25, "321121") X(26, "321220") X(27, "312211") X(28, "322111") X(29, "322210")         \
    X(30, "212122") X(31, "212320") X(32, "232120") X(33, "111322") X(34, "131122") X(35, "131320")         \
    X(36, "112312") X(37, "132112") X(38, "132310") X(39, "211312") X(40, "231112") X(41, "231310")         \
    X(42, "112132") X(43, "112330") X(44, "132130") X(45, "113122") X(46, "113320") X(47, "133120")         \
    X(48, "313120") X(49, "211330") X(50, "231130") X(51, "213112") X(52, "213310") X(53, "213130")         \
    X(54, "311122") X(55, "311320") X(56, "331120") X(57, "312112") X(58, "312310") X(59, "332110")         \
    X(60, "314110") X(61, "221410") X(62, "431110") X(63, "111223") X(64, "111421") X(65, "121123")         \
    X(66, "121420") X(67, "141121") X(68, "141220") X(69, "112213") X(70, "112411") X(71, "122113")         \
    X(72, "122410") X(73, "142111") X(74, "142210") X(75, "241210") X(76, "221113") X(77, "413110")         \
    X(78, "241111") X(79, "134110") X(80, "111241") X(81, "121141") X(82, "121240") X(83, "114211")         \
    X(84, "124111") X(85, "124210") X(86, "411211") X(87, "421111") X(88, "421210") X(89, "212140")         \
    X(90, "214120") X(91, "412120") X(92, "111142") X(93, "111340") X(94, "131140") X(95, "114112")         \
    X(96, "114310") X(97, "411112") X(98, "411310") X(99, "113140") X(100, "114130") X(101, "311140")       \
    X(102, "411130") X(103, "211411") X(104, "211213") X(105, "211231") X(106, "2331112")

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
    // lowercase letters and the other characters 96 to 127.
    Carrier ClassOf(size_t i) const
    {
        for (; i < m_text.size(); ++i)
            if (const Carrier c = CarrierOf(At(i)); c != Carrier::kEither) return c;
        return Carrier::kEither;
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

BOOL CEngineBarcode::DrawCode128(CDC* dc, int32_t moduleWidth, std::string& text, RECT r, BOOL leadingFnc1)
{
    // Only EAN/UCC 128 AI writes variable-length field ends as "<FNC1>".
    const std::string values = BuildCode128(text, leadingFnc1, GetType() == kTypeEanUcc128Ai);
    int32_t x = 0;
    for (unsigned char v : values) {
        int32_t s = 0;
        int k = 0;
        for (const char* p = kCode128APatterns[v].pattern; *p; ++p, ++k) {
            const int32_t w = (*p - '0') * moduleWidth;
            if (k % 2 == 0 && w > 0) FillStrip(dc, r, x + s, w);
            s += w;
        }
        x += s + moduleWidth;
    }
    m_symbolWidth = x;
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

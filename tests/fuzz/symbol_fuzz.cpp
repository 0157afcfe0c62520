// Every symbology with an arbitrary byte text: the queries, and the paint
// sequence on the metafile surface with arbitrary rotation, size, borders,
// show-text flag, notch and font (stored values bypass the setters, so out
// of range ones are included). Invariants:
// - the queries never change the symbol and agree before and after a paint;
// - a valid text of a type with a check value has a check value in range;
// - an invalid text draws no bars; with borders of zero or more every bar
//   lies inside the area;
// - when the paint drew bars for a type zxing-cpp reads, the symbol rendered
//   to pixels (text off, generous size and quiet zone) decodes to the text
//   the type encodes: its data and the check value it reports.
#include <algorithm>
#include <cctype>
#include <climits>
#include <string>

#include "control/engine/catalogue.h"
#include "control/engine/renderer.h"
#include "platform/gdi/metafile.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/support/scan.h"

namespace {

// --- the input -------------------------------------------------------------------

constexpr int32_t kTypes[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16,
                              17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 99};
constexpr int16_t kRightAngles[] = {0, 90, 180, 270};
constexpr const char* kFaces[] = {"Arial", "", "No Such Face", "DejaVu Sans"};
constexpr size_t kMaxText = 512;
// Longer texts are painted but not rendered to pixels (time per input).
constexpr size_t kMaxDecodedText = 48;

struct Case {
    int32_t type = 1;
    PaintState state;
    int32_t width = 0, height = 0;
    std::string text;
};

// Mostly sound values, and now and then the raw 16 bits a stored property
// may hold.
int16_t Pick(CFuzzInput& in, int16_t (*sound)(uint8_t))
{
    const uint8_t b = in.Byte();
    return b < 0xC0 ? sound(b) : in.Short();
}

Case ReadCase(CFuzzInput& in)
{
    Case c;
    c.type = kTypes[in.Byte() % std::size(kTypes)];
    c.state.rotate = Pick(in, [](uint8_t b) { return kRightAngles[b & 3]; });
    c.state.notchHeightInPercent = Pick(in, [](uint8_t b) { return int16_t(b % 101); });
    c.state.borderWidth = Pick(in, [](uint8_t b) { return int16_t(b % 16); });
    c.state.borderHeight = Pick(in, [](uint8_t b) { return int16_t(b % 16); });
    c.state.showText = in.Bool();
    const uint8_t font = in.Byte();
    if (font >= 0xC0) {
        c.state.font.lfHeight = in.Short();
        c.state.font.lfFaceName = kFaces[font & 3];
        c.state.font.lfWeight = (font & 4) ? FW_NORMAL : FW_BOLD;
        c.state.font.lfItalic = (font & 8) ? 1 : 0;
    }
    c.width = in.Word() % 2048;
    c.height = in.Word() % 1024;
    c.text = in.Bytes(kMaxText);
    return c;
}

// --- what each type encodes ----------------------------------------------------------

std::string Latin1ToUtf8(const std::string& s)
{
    std::string out;
    for (unsigned char c : s) {
        if (c < 0x80) {
            out += char(c);
        } else {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string Digit(int32_t value) { return std::string(1, char('0' + value)); }

bool HasByteAbove(const std::string& s, unsigned char limit)
{
    return std::any_of(s.begin(), s.end(), [limit](char c) { return static_cast<unsigned char>(c) > limit; });
}

bool HasFunctionByte(const std::string& s)
{
    return std::any_of(s.begin(), s.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u == 0xF0 || u == 0xF1 || u == 0xF2;
    });
}

std::string Erase(std::string s, const std::string& what)
{
    for (size_t p = s.find(what); p != std::string::npos; p = s.find(what, p)) s.erase(p, what.size());
    return s;
}

std::string ReplaceAll(std::string s, const std::string& what, const std::string& by)
{
    for (size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + by.size())) s.replace(p, what.size(), by);
    return s;
}

// Mod-10 check digit with weight 3 on the last data digit (EAN, UPC).
char Mod10(const std::string& digits)
{
    int sum = 0;
    for (size_t i = 0; i < digits.size(); ++i) sum += (digits[digits.size() - 1 - i] - '0') * (i % 2 == 0 ? 3 : 1);
    return char('0' + (10 - sum % 10) % 10);
}

// The ten digits after the number system of the UPC A number that a
// six-digit UPC E body stands for (the published expansion table).
std::string ExpandUpcE(const std::string& d)
{
    switch (d[5]) {
    case '0': case '1': case '2': return d.substr(0, 2) + d[5] + "0000" + d.substr(2, 3);
    case '3': return d.substr(0, 3) + "00000" + d.substr(3, 2);
    case '4': return d.substr(0, 4) + "00000" + d[4];
    default: return d.substr(0, 5) + "0000" + d[5];
    }
}

// Code 39 full ASCII read back from the symbol characters (the published
// table); "\x01" marks a pair that stands for nothing.
std::string DecodeFullAscii(const std::string& raw)
{
    std::string out;
    for (size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (std::string("$%/+").find(c) == std::string::npos) {
            out += c;
            continue;
        }
        if (i + 1 >= raw.size() || raw[i + 1] < 'A' || raw[i + 1] > 'Z') return "\x01";
        const char n = raw[++i];
        switch (c) {
        case '$': out += char(n - 'A' + 1); break;
        case '+': out += char(n - 'A' + 'a'); break;
        case '/':
            if (n <= 'L') out += char(n - 'A' + '!');
            else if (n == 'Z') out += ':';
            else if (n == 'O') out += '/';
            else return "\x01";
            break;
        default: // '%'
            if (n <= 'E') out += char(n - 'A' + 27);
            else if (n <= 'J') out += char(n - 'F' + ';');
            else if (n <= 'O') out += char(n - 'K' + '[');
            else if (n <= 'T') out += char(n - 'P' + '{');
            else if (n == 'U') out += '\0';
            else if (n == 'V') out += '@';
            else if (n == 'W') out += '`';
            else return "\x01";
        }
    }
    return out;
}

constexpr char kCode39Values[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";

struct Reading {
    const char* format = nullptr; // zxing format; nullptr: zxing does not read the type
    const char* charset = "";
};

Reading ReadingOf(int32_t type)
{
    switch (type) {
    case 0: case 1: case 16: return {"EAN13"};
    case 2: return {"EAN8"};
    case 5: return {"UPCA"};
    case 17: return {"UPCE"};
    case 6: case 10: case 23: case 26: case 27: return {"Code39"};
    case 7: case 24: case 25: case 30: return {"ITF"};
    case 8: return {"Codabar"};
    case 11: case 12: case 13: case 14: case 15: case 28: case 29: case 31: case 32: return {"Code128", "ISO-8859-1"};
    case 21: case 22: return {"Code93"};
    default: return {};
    }
}

// What the decoder must read for a valid text: the data and the check
// value the symbol reports. Empty when the expectation is not one string
// (function bytes of Code 128, texts zxing-cpp does not take).
std::string Expected(const CGenericBarcode& s)
{
    const std::string& t = s.GetText();
    const int32_t cs = s.GetChecksum();
    switch (s.GetType()) {
    case 0: {
        std::string book = Erase(t, "-");
        if (book.starts_with("978") && book.size() >= 12) book.erase(0, 3);
        const std::string data = "978" + book.substr(0, 9);
        return data + Mod10(data);
    }
    case 1: case 16: return t.substr(0, 12) + Digit(cs);
    case 2: return t.substr(0, 7) + Digit(cs);
    case 5: return t.substr(0, 11) + Digit(cs);
    case 17: return "0" + ExpandUpcE(t.substr(0, 6)) + Digit(cs);
    case 6: return t;
    case 26: return t + kCode39Values[cs];
    case 10: case 27: return t; // compared after full-ASCII decoding
    case 23: return "-" + t.substr(0, 6) + Digit(cs);
    case 7: return t.size() >= 6 ? t : std::string(); // zxing-cpp reads six digits and more
    case 24: return t.substr(0, 11) + Digit(cs);
    case 25: case 30: return t.substr(0, 13) + Digit(cs);
    case 8: return t.size() >= 4 ? t.substr(1, t.size() - 2) : std::string(); // zxing-cpp: two characters and more
    case 11: case 12: return HasByteAbove(t, 0x7F) ? std::string() : t;
    case 13: return (t.size() % 2 ? "0" : "") + t;
    case 14: case 15: return HasFunctionByte(t) ? std::string() : Latin1ToUtf8(t);
    case 28: {
        if (HasFunctionByte(t)) return std::string();
        // A field end before the first field repeats the leading FNC1,
        // which readers take as the GS1 flag, not as data.
        std::string data = Erase(Erase(t, "("), ")");
        while (data.starts_with("<FNC1>")) data.erase(0, 6);
        // zxing-cpp takes FNC1 after the first two digits or the first
        // letter for the flag of an application standard (FNC1 in second
        // position), not for GS, and so every FNC1 that follows it at once.
        if (data.size() >= 2 && AllDigits(data.substr(0, 2)))
            while (data.compare(2, 6, "<FNC1>") == 0) data.erase(2, 6);
        if (!data.empty() && std::isalpha(static_cast<unsigned char>(data[0])))
            while (data.compare(1, 6, "<FNC1>") == 0) data.erase(1, 6);
        return Latin1ToUtf8(ReplaceAll(data, "<FNC1>", "\x1D"));
    }
    case 29: return "01" + t.substr(0, 13) + Digit(cs);
    case 31: case 32: return "00" + t.substr(0, 17) + Digit(cs);
    case 21: case 22: return t;
    default: return std::string();
    }
}

// The decoded text in the form Expected gives.
std::string Normalise(int32_t type, const std::string& decoded, int32_t cs)
{
    switch (type) {
    case 17: // UPC E read as number system, six digits, check digit
        if (decoded.size() != 8) return decoded;
        return decoded.substr(0, 1) + ExpandUpcE(decoded.substr(1, 6)) + decoded[7];
    case 10: return DecodeFullAscii(decoded);
    case 27:
        if (decoded.empty() || cs < 0 || decoded.back() != kCode39Values[cs]) return "\x02" + decoded;
        return DecodeFullAscii(decoded.substr(0, decoded.size() - 1));
    default: return decoded;
    }
}

// Largest check value of the types that report one.
int32_t MaxCheckValue(int32_t type)
{
    switch (type) {
    case 0: return 10;
    case 26: case 27: return 42;
    default: return 9;
    }
}

// --- painting ----------------------------------------------------------------------

bool IsBar(const MetaRecord& r) { return r.kind == MetaRecord::Rectangle; }

// Narrowest bar of a recording along the axis of `rotate` (0: no bars).
int32_t NarrowestBar(const CMetaFileDC& dc, int16_t rotate)
{
    const bool vertical = rotate == 90 || rotate == 270;
    int32_t narrowest = INT32_MAX;
    for (const MetaRecord& r : dc.Records())
        if (IsBar(r)) narrowest = std::min(narrowest, std::abs(vertical ? r.rect.bottom - r.rect.top : r.rect.right - r.rect.left));
    return narrowest == INT32_MAX ? 0 : narrowest;
}

// Paints with text off and no borders into an axis of `axis` units.
CMetaFileDC PaintPlain(CGenericBarcode& s, int32_t axis, int16_t rotate, int16_t notch)
{
    PaintState st;
    st.showText = FALSE;
    st.rotate = rotate;
    st.notchHeightInPercent = notch;
    st.borderWidth = st.borderHeight = 0;
    const bool vertical = rotate == 90 || rotate == 270;
    const int32_t across = 60;
    CMetaFileDC dc(vertical ? across : axis, vertical ? axis : across);
    DrawBarcode(&dc, RECT{0, 0, vertical ? across : axis, vertical ? axis : across}, s, st);
    return dc;
}

void CheckDecodes(CGenericBarcode& s, int16_t rotate, int16_t notch)
{
    const Reading reading = ReadingOf(s.GetType());
    if (!reading.format || s.GetText().size() > kMaxDecodedText) return;
    const std::string expected = Expected(s);
    if (expected.empty()) return;

    // The module count from the narrowest bar of a long plain paint, then an
    // axis of two units a module or more, and the module width it gives.
    constexpr int32_t kProbe = 8192;
    const int32_t probe = NarrowestBar(PaintPlain(s, kProbe, 0, notch), 0);
    FUZZ_CHECK(probe > 0 && s.IsSizeOk(), "type %d text \"%s\": no bars on a long axis", s.GetType(),
               Printable(s.GetText()).c_str());
    const int32_t modules = kProbe / probe;
    const int32_t axis = 2 * modules + modules - 1;
    const int32_t module = NarrowestBar(PaintPlain(s, axis, 0, notch), 0);
    FUZZ_CHECK(module >= 2 && s.IsSizeOk(), "type %d text \"%s\": module %d on an axis of %d", s.GetType(),
               Printable(s.GetText()).c_str(), module, axis);

    PaintState st;
    st.showText = FALSE;
    st.rotate = rotate;
    st.notchHeightInPercent = notch;
    st.borderWidth = 12 * module;
    st.borderHeight = 12;
    const bool vertical = rotate == 90 || rotate == 270;
    const int32_t length = axis + 2 * st.borderWidth, across = 60 + 2 * st.borderHeight;
    if (vertical) std::swap(st.borderWidth, st.borderHeight);
    const GrayImage image = RenderGray(s, vertical ? across : length, vertical ? length : across, st);
    FUZZ_CHECK(s.IsSizeOk(), "type %d text \"%s\": no fit at rotation %d", s.GetType(), Printable(s.GetText()).c_str(), rotate);

    const ScanResult zx = ScanZxing(image, reading.format, false, reading.charset);
    const std::string decoded = Normalise(s.GetType(), zx.text, s.GetChecksum());
    if (std::getenv("FUZZ_VERBOSE"))
        std::fprintf(stderr, "type %d rotation %d module %d image %d x %d: read \"%s\"\n", s.GetType(), rotate, module,
                     image.width, image.height, Printable(zx.text).c_str());
    FUZZ_CHECK(decoded == expected, "type %d text \"%s\" rotation %d: read \"%s\", expected \"%s\"", s.GetType(),
               Printable(s.GetText()).c_str(), rotate, Printable(zx.text).c_str(), Printable(expected).c_str());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CFuzzInput in(data, size);
    const Case c = ReadCase(in);
    const TypeInfo* info = FindTypeInfo(c.type);
    SymbolPtr s = CreateSymbol(c.type);
    FUZZ_CHECK(info && s, "no symbol for type %d", c.type);
    FUZZ_CHECK(s->GetType() == c.type && s->GetTypeName() == info->name, "type %d reports %d", c.type, s->GetType());

    s->SetText(c.text);
    const BOOL valid = s->IsValid();
    const int32_t cs = s->GetChecksum();
    const std::string display = s->GetDisplayText();
    const std::string printable = Printable(c.text);
    FUZZ_CHECK(s->GetText() == c.text && s->IsValid() == valid && s->GetChecksum() == cs,
               "type %d text \"%s\": queries changed the symbol", c.type, printable.c_str());
    if (info->reportsChecksum) {
        FUZZ_CHECK(cs >= -2 && cs <= MaxCheckValue(c.type), "type %d text \"%s\": check value %d", c.type,
                   printable.c_str(), cs);
        FUZZ_CHECK(!valid || cs >= 0, "type %d text \"%s\": valid with check value %d", c.type, printable.c_str(), cs);
    } else {
        FUZZ_CHECK(cs == -1, "type %d text \"%s\": check value %d for a type without one", c.type, printable.c_str(), cs);
    }

    CMetaFileDC dc(c.width, c.height);
    const RECT bounds{0, 0, c.width, c.height};
    DrawBarcode(&dc, bounds, *s, c.state);
    FUZZ_CHECK(s->GetText() == c.text && s->IsValid() == valid && s->GetChecksum() == cs &&
                   s->GetDisplayText() == display,
               "type %d text \"%s\": the paint changed the symbol", c.type, printable.c_str());
    (void)dc.ToSvg();

    bool bars = false;
    for (const MetaRecord& r : dc.Records()) {
        if (!IsBar(r)) continue;
        bars = true;
        FUZZ_CHECK(valid, "type %d text \"%s\": bars for an invalid text", c.type, printable.c_str());
        // At 180 and 270 a bar at offset a ends one unit short of the mirror
        // image of rotation 0, so a symbol that fills the axis exactly
        // reaches one unit past the area's left or top edge. Postal bars
        // keep their physical height whatever the area's height.
        if (c.state.borderWidth >= 0 && c.state.borderHeight >= 0 && c.type != 18 && c.type != 19)
            FUZZ_CHECK(r.rect.left >= -1 && r.rect.top >= -1 && r.rect.right <= c.width && r.rect.bottom <= c.height &&
                           r.rect.left <= r.rect.right && r.rect.top <= r.rect.bottom,
                       "type %d text \"%s\" rotation %d: bar (%d,%d)-(%d,%d) outside %d x %d", c.type,
                       printable.c_str(), c.state.rotate, r.rect.left, r.rect.top, r.rect.right, r.rect.bottom,
                       c.width, c.height);
    }

    if (bars && s->IsSizeOk()) {
        const bool rightAngle = std::find(std::begin(kRightAngles), std::end(kRightAngles), c.state.rotate) !=
                                std::end(kRightAngles);
        CheckDecodes(*s, rightAngle ? c.state.rotate : int16_t(0), c.state.notchHeightInPercent);
    }
    return 0;
}

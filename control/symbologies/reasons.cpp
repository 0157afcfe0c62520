// Why a text is invalid for a symbology.
//
// The symbol of the type itself decides: a text gets a reason only when the
// type's IsValid refuses it, and the reason is found by asking the same
// symbol about variations of the text (a character put into a text it
// accepts, another last digit) rather than by a second copy of its rules.
// What is left per type is how to tell it: which characters and lengths it
// takes and what it asks beyond them.
#include "control/symbologies/reasons.h"

#include <cstdio>
#include <exception>
#include <string_view>

#include "control/engine/catalogue.h"
#include "platform/gdi/gdi.h"

std::string QuotedText(const std::string& cp1252)
{
    std::string quoted(1, '"');
    quoted += Cp1252ToUtf8(cp1252);
    quoted += '"';
    return quoted;
}

namespace {

// How a type's characters are told from those it cannot encode.
enum class CharRule : uint8_t {
    Any,     // every byte: the rule is only about the length
    Digits,  // '0' to '9'
    Probe,   // asked of the symbol: the character put into a text it accepts
    Codabar, // a data character or a start/stop letter, asked of the symbol
    Isbn,    // digits and hyphens, and X as the check character
};

// What a type asks beyond its characters and length.
enum class Extra : uint8_t {
    None,
    CheckDigit, // the longer of the two lengths ends in a check digit
    Ean99,      // a "99" prefix, then the EAN 13 rule
    UpcE,       // check digit; number system 0 only, and it is not typed
    Pzn,        // check digit; some six-digit numbers have none
    Even,       // an even number of digits
    Codabar,    // start and stop letters at both ends, and only there
    Isbn,       // the book number: 978 prefix, check character
};

struct ReasonRow {
    int32_t type;
    CharRule chars;
    const char* probe;  // CharRule::Probe: a text the type accepts ...
    size_t probeAt;     // ... whose character at this index is replaced by the one asked about
    const char* accepts; // what the type takes, told beside a character it refuses
    const char* unit;    // what the lengths count
    size_t minLength;
    size_t maxLength;    // 0: no upper limit
    Extra extra;
    const char* lowerCaseHint; // told beside a refused lower-case letter
    const char* controlHint;   // told beside a refused control character
};

constexpr const char kDigitsOnly[] = "digits only";
constexpr const char kCode39Set[] = "capitals A-Z, digits, space and - . $ / + %";
constexpr const char kCode39ExtendedSet[] = "printable ASCII characters except `";
constexpr const char kWithoutSeparators[] = "digits only, without the separators of the printed number";

// One row per type id of the catalogue.
constexpr ReasonRow kRows[] = {
    {0, CharRule::Isbn, nullptr, 0, "digits and hyphens, and X only as the tenth, check character", "characters", 9, 10,
     Extra::Isbn, nullptr, nullptr},
    {1, CharRule::Probe, "123456789012", 11, kDigitsOnly, "digits", 12, 13, Extra::CheckDigit, nullptr, nullptr},
    {2, CharRule::Probe, "1234567", 6, kDigitsOnly, "digits", 7, 8, Extra::CheckDigit, nullptr, nullptr},
    {3, CharRule::Probe, "12345", 4, kDigitsOnly, "digits", 5, 5, Extra::None, nullptr, nullptr},
    {4, CharRule::Probe, "12", 1, kDigitsOnly, "digits", 2, 2, Extra::None, nullptr, nullptr},
    {5, CharRule::Probe, "12345678901", 10, kDigitsOnly, "digits", 11, 12, Extra::CheckDigit, nullptr, nullptr},
    {6, CharRule::Probe, "A", 0, kCode39Set, "characters", 1, 50, Extra::None,
     "for lower-case letters use Code 39 Extended", nullptr},
    {7, CharRule::Probe, "01", 1, kDigitsOnly, "digits", 1, 0, Extra::Even, nullptr, nullptr},
    {8, CharRule::Codabar, nullptr, 0, "digits, - $ : / . + and the start/stop letters A, B, C, D", "characters", 3, 0,
     Extra::Codabar, nullptr, nullptr},
    {9, CharRule::Probe, "1", 0, kDigitsOnly, "digits", 1, 0, Extra::None, nullptr, nullptr},
    {10, CharRule::Probe, "A", 0, kCode39ExtendedSet, "characters", 1, 50, Extra::None, nullptr, nullptr},
    {11, CharRule::Probe, "A", 0, "capitals, digits, punctuation, control characters and the function bytes of set A",
     "characters", 1, 0, Extra::None, "for lower-case letters use Code 128B or Code 128", nullptr},
    {12, CharRule::Probe, "A", 0, "printable ASCII characters and the function bytes of set B", "characters", 1, 0,
     Extra::None, nullptr, "for control characters use Code 128A or Code 128"},
    {13, CharRule::Probe, "1", 0, kDigitsOnly, "digits", 1, 0, Extra::None, nullptr, nullptr},
    {14, CharRule::Any, nullptr, 0, "", "characters", 1, 0, Extra::None, nullptr, nullptr},
    {15, CharRule::Any, nullptr, 0, "", "characters", 1, 0, Extra::None, nullptr, nullptr},
    {16, CharRule::Probe, "993456789012", 11, kDigitsOnly, "digits", 12, 13, Extra::Ean99, nullptr, nullptr},
    {17, CharRule::Probe, "123456", 5, kDigitsOnly, "digits", 6, 7, Extra::UpcE, nullptr, nullptr},
    {18, CharRule::Probe, "1", 0, kDigitsOnly, "digits", 1, 0, Extra::None, nullptr, nullptr},
    {19, CharRule::Any, nullptr, 0, "", "characters", 1, 0, Extra::None, nullptr, nullptr},
    {20, CharRule::Probe, "1", 0, kDigitsOnly, "digits", 1, 0, Extra::None, nullptr, nullptr},
    {21, CharRule::Probe, "A", 0, kCode39Set, "characters", 1, 50, Extra::None,
     "for lower-case letters use Code 93 Extended", nullptr},
    {22, CharRule::Probe, "A", 0, "ASCII characters only (codes 0 to 127)", "characters", 1, 0, Extra::None, nullptr,
     nullptr},
    {23, CharRule::Digits, nullptr, 0, "digits only, without the \"PZN -\" printed under the bars", "digits", 6, 7,
     Extra::Pzn, nullptr, nullptr},
    {24, CharRule::Probe, "56310243031", 10, kWithoutSeparators, "digits", 11, 12, Extra::CheckDigit, nullptr, nullptr},
    {25, CharRule::Probe, "2134807501640", 12, kWithoutSeparators, "digits", 13, 14, Extra::CheckDigit, nullptr,
     nullptr},
    {26, CharRule::Probe, "A", 0, kCode39Set, "characters", 1, 50, Extra::None,
     "for lower-case letters use Code 39 Extended Checksum", nullptr},
    {27, CharRule::Probe, "A", 0, kCode39ExtendedSet, "characters", 1, 50, Extra::None, nullptr, nullptr},
    {28, CharRule::Any, nullptr, 0, "", "characters", 1, 0, Extra::None, nullptr, nullptr},
    {29, CharRule::Probe, "1234567890123", 12, kDigitsOnly, "digits", 13, 14, Extra::CheckDigit, nullptr, nullptr},
    {30, CharRule::Probe, "3071234500001", 12, kWithoutSeparators, "digits", 13, 14, Extra::CheckDigit, nullptr,
     nullptr},
    {31, CharRule::Probe, "34012345000000000", 16, kDigitsOnly, "digits", 17, 18, Extra::CheckDigit, nullptr, nullptr},
    {32, CharRule::Probe, "10065300555555555", 16, kDigitsOnly, "digits", 17, 18, Extra::CheckDigit, nullptr, nullptr},
    {kTypeNone, CharRule::Any, nullptr, 0, "", "characters", 0, 0, Extra::None, nullptr, nullptr},
};

const ReasonRow* FindRow(int32_t type)
{
    for (const ReasonRow& row : kRows)
        if (row.type == type) return &row;
    return nullptr;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A character as the user sees it: quoted UTF-8; controls (and the bytes
// Windows-1252 leaves unassigned) as \xNN; the invisible no-break space and
// soft hyphen as U+NNNN.
std::string ShowChar(char c)
{
    const auto b = static_cast<unsigned char>(c);
    const char32_t u = Cp1252ToUnicode(b);
    char buf[16];
    if (u < 0x20 || (u >= 0x7F && u < 0xA0)) {
        std::snprintf(buf, sizeof buf, "\\x%02X", unsigned(b));
        return buf;
    }
    if (u == 0xA0 || u == 0xAD) {
        std::snprintf(buf, sizeof buf, "U+%04X", unsigned(u));
        return buf;
    }
    std::string shown(1, '\'');
    shown += Cp1252ToUtf8(std::string(1, c));
    shown += '\'';
    return shown;
}


// Asks the type's symbol about other texts than the one being explained.
class CProbe {
public:
    explicit CProbe(CGenericBarcode& symbol) : m_symbol(symbol) {}

    bool Accepts(const std::string& text)
    {
        m_symbol.SetText(text);
        return m_symbol.IsValid();
    }

    // The one of `candidates` that, standing at `at` instead of the text's
    // own character, makes the text valid; '\0' when none does.
    char FindReplacement(std::string text, size_t at, std::string_view candidates)
    {
        for (char c : candidates) {
            text[at] = c;
            if (Accepts(text)) return c;
        }
        return '\0';
    }

private:
    CGenericBarcode& m_symbol;
};

bool IsCodabarStartStop(CProbe& probe, char c) { return probe.Accepts(std::string(1, c) + "1A"); }

bool Encodable(const ReasonRow& row, CProbe& probe, char c)
{
    switch (row.chars) {
    case CharRule::Any:
        return true;
    case CharRule::Digits:
        return IsDigit(c);
    case CharRule::Probe: {
        std::string t = row.probe;
        t[row.probeAt] = c;
        return probe.Accepts(t);
    }
    case CharRule::Codabar:
        return probe.Accepts(std::string("A") + c + "A") || IsCodabarStartStop(probe, c);
    case CharRule::Isbn:
        return IsDigit(c) || c == '-' || c == 'X' || c == 'x';
    }
    return true;
}

std::string CharReason(const ReasonRow& row, const std::string& name, char c, size_t index)
{
    std::string reason = "character " + ShowChar(c) + " at position " + std::to_string(index + 1) +
                         " cannot be encoded in " + name;
    if (*row.accepts) reason += std::string(" (") + row.accepts + ")";
    const auto b = static_cast<unsigned char>(c);
    if (row.lowerCaseHint && c >= 'a' && c <= 'z') reason += std::string("; ") + row.lowerCaseHint;
    if (row.controlHint && (b < 0x20 || b == 0x7F)) reason += std::string("; ") + row.controlHint;
    if (c == '*' && row.accepts == kCode39Set) reason += "; '*' marks the start and the stop and cannot be part of the text";
    return reason;
}

std::string LengthPhrase(const ReasonRow& row)
{
    const std::string unit = std::string(" ") + row.unit;
    if (row.maxLength == 0) return "at least " + std::to_string(row.minLength) + unit;
    if (row.minLength <= 1) return "at most " + std::to_string(row.maxLength) + unit;
    if (row.minLength == row.maxLength) return std::to_string(row.minLength) + unit;
    return std::to_string(row.minLength) + " or " + std::to_string(row.maxLength) + unit;
}

std::string LengthReason(const ReasonRow& row, const std::string& name, const std::string& text)
{
    const size_t n = text.size();
    std::string reason = name + " takes " + LengthPhrase(row) + ", not " + std::to_string(n);
    if (row.extra == Extra::UpcE && n == 8)
        reason += text[0] == '0' ? "; leave out the leading 0: number system 0 is implied"
                                 : "; only number system 0 can be encoded, and it is not typed";
    if (row.extra == Extra::UpcE && (n == 11 || n == 12)) reason += "; a full UPC A number needs the type UPC A";
    if (row.extra == Extra::Codabar) reason += " (a start letter A-D, the data, a stop letter A-D)";
    return reason;
}

std::string CheckReason(const char* what, char right, char typed)
{
    return std::string(what) + " should be " + right + ", not " + typed;
}

// Lengths and characters are right: what is left of the type's rule.
std::string ExtraReason(const ReasonRow& row, CGenericBarcode& symbol, CProbe& probe, const std::string& name,
                        const std::string& text)
{
    switch (row.extra) {
    case Extra::Even:
        if (text.size() % 2 != 0)
            return name + " takes an even number of digits, not " + std::to_string(text.size()) +
                   "; put a 0 in front";
        return {};
    case Extra::Codabar: {
        if (!IsCodabarStartStop(probe, text.front()))
            return "a " + name + " text starts with a start letter A, B, C or D, not " + ShowChar(text.front());
        if (!IsCodabarStartStop(probe, text.back()))
            return "a " + name + " text ends with a stop letter A, B, C or D, not " + ShowChar(text.back());
        for (size_t i = 1; i + 1 < text.size(); ++i)
            if (IsCodabarStartStop(probe, text[i]))
                return "character " + ShowChar(text[i]) + " at position " + std::to_string(i + 1) +
                       " is a start/stop letter, which " + name + " takes only first and last";
        return {};
    }
    case Extra::Ean99:
        if (!text.starts_with("99")) return "an " + name + " text starts with 99, not " + QuotedText(text.substr(0, 2));
        break;
    case Extra::Pzn:
        // The model reports no check digit for well-formed digits exactly
        // when the weighted sum leaves 10.
        if (symbol.GetChecksum() == -2)
            return "the first six digits have no PZN check digit (their weighted sum leaves remainder 10), "
                   "so they are no PZN number";
        break;
    case Extra::CheckDigit:
    case Extra::UpcE:
        break;
    case Extra::None:
    case Extra::Isbn:
        return {};
    }
    // A check digit: the one that the symbol accepts in its place.
    if (text.size() != row.maxLength) return {};
    const size_t at = row.maxLength - 1;
    const char right = probe.FindReplacement(text, at, "0123456789");
    if (right == '\0' || right == text[at]) return {};
    return CheckReason("check digit", right, text[at]);
}

// ISBN: hyphens anywhere, an optional 978 prefix, nine digits and an
// optional check character (0-9 or X).
std::string IsbnReason(const ReasonRow& row, CProbe& probe, const std::string& name, const std::string& text)
{
    std::string plain;
    for (char c : text)
        if (c != '-') plain += c;
    const size_t prefix = plain.starts_with("978") && plain.size() >= 12 ? 3 : 0;
    const size_t bookLength = plain.size() - prefix;

    size_t k = 0, last = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '-') continue;
        last = i;
        const size_t k0 = k++;
        if (k0 < prefix) continue;
        const size_t b = k0 - prefix;
        if (!Encodable(row, probe, c) || (b < 9 && !IsDigit(c))) return CharReason(row, name, c, i);
    }
    if (bookLength != 9 && bookLength != 10) {
        std::string reason = name + " takes 9 or 10 characters (hyphens aside, after an optional 978), not " +
                             std::to_string(bookLength);
        if (plain.size() >= 12 && plain.size() <= 13 && !plain.starts_with("978"))
            reason += "; the only prefix it takes is 978, not " + QuotedText(plain.substr(0, 3));
        return reason;
    }
    if (bookLength == 10) {
        const char right = probe.FindReplacement(text, last, "0123456789X");
        if (right != '\0' && right != text[last]) {
            std::string reason = CheckReason("check character", right, text[last]);
            if (prefix != 0) reason += " (after 978 the book number's own check character, not the EAN 13 check digit)";
            return reason;
        }
    }
    return {};
}

std::string Explain(const ReasonRow& row, CGenericBarcode& symbol, CGenericBarcode& probeSymbol,
                    const std::string& text)
{
    const std::string name = symbol.GetTypeName();
    if (text.empty()) return "the text is empty";
    CProbe probe(probeSymbol);
    if (row.extra == Extra::Isbn) return IsbnReason(row, probe, name, text);
    for (size_t i = 0; i < text.size(); ++i)
        if (!Encodable(row, probe, text[i])) return CharReason(row, name, text[i], i);
    if (text.size() < row.minLength || (row.maxLength != 0 && text.size() > row.maxLength))
        return LengthReason(row, name, text);
    return ExtraReason(row, symbol, probe, name, text);
}

} // namespace

std::string InvalidTextReason(int32_t type, const std::string& cp1252Text)
{
    try {
        const SymbolPtr symbol = CreateSymbol(type);
        if (!symbol) return "there is no symbology with the type id " + std::to_string(type);
        symbol->SetText(cp1252Text);
        if (symbol->IsValid()) return {};
        std::string reason;
        const ReasonRow* row = FindRow(type);
        const SymbolPtr probe = CreateSymbol(type);
        if (row && probe) reason = Explain(*row, *symbol, *probe, cp1252Text);
        // Refused, but by nothing the rules above name: still say so.
        return reason.empty() ? "not a valid " + symbol->GetTypeName() + " text" : reason;
    } catch (const std::exception&) {
        return "the text could not be checked";
    } catch (...) {
        return "the text could not be checked";
    }
}

// Checking GS1 element strings: splitting the bracketed form into fields,
// each field against its AI's definition, the fields against each other,
// and the symbol's limit; then placing FNC1 where a reader needs it.
#include "control/gs1/gs1.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <set>
#include <string_view>
#include <utility>

#include "control/gs1/ai_table.h"

namespace {

using namespace gs1;

constexpr std::string_view kFnc1Marker = "<FNC1>";

// --- characters -------------------------------------------------------------

// The characters of a UTF-8 text, each as its bytes; a malformed byte
// stands alone.
std::vector<std::string_view> Utf8Characters(std::string_view text)
{
    std::vector<std::string_view> chars;
    chars.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        size_t n = lead < 0x80            ? 1
                   : (lead & 0xE0) == 0xC0 ? 2
                   : (lead & 0xF0) == 0xE0 ? 3
                   : (lead & 0xF8) == 0xF0 ? 4
                                           : 0;
        if (n == 0 || i + n > text.size()) n = 1;
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) n = 1;
        chars.push_back(text.substr(i, n));
        i += n;
    }
    return chars;
}

size_t CountCharacters(std::string_view text)
{
    if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return text.size();
    return Utf8Characters(text).size();
}

// How an error message shows one character: printable ones in quotes,
// control characters and stray bytes by their number.
std::string ShowCharacter(std::string_view ch)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    const auto b = static_cast<unsigned char>(ch[0]);
    if (ch.size() == 1 && (b < 0x20 || b == 0x7F))
        return std::string("U+00") + kHex[b >> 4] + kHex[b & 15];
    if (ch.size() == 1 && b >= 0x80) return std::string("byte 0x") + kHex[b >> 4] + kHex[b & 15];
    return "'" + std::string(ch) + "'";
}

// GS1 General Specifications 7.11, Figure 7.11-1: character set 82.
bool InCset82(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           std::string_view("!\"%&'()*+,-./:;<=>?_").find(c) != std::string_view::npos;
}

// GS1 General Specifications 7.11, Figure 7.11-2: character set 39.
bool InCset39(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '#' || c == '-' || c == '/';
}

// GS1 General Specifications 7.11, Figure 7.11-3: character set 64, the
// URI-safe base 64 alphabet; '=' only as padding at the end.
bool InCset64(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool AllDigits(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), IsDigit);
}

int Number(std::string_view digits)
{
    int n = 0;
    for (char c : digits) n = n * 10 + (c - '0');
    return n;
}

// --- checks of one component -------------------------------------------------

struct CContext {
    std::string_view ai;
    std::vector<std::string>* errors;
    void Fail(const std::string& what) const { errors->push_back("AI (" + std::string(ai) + "): " + what); }
};

// GS1 General Specifications 7.9.1: the mod-10 check digit of the digits
// before it, weights 3 and 1 alternating from the right.
char Mod10CheckDigit(std::string_view data)
{
    int sum = 0, weight = 3;
    for (size_t i = data.size(); i-- > 0; weight = 4 - weight) sum += weight * (data[i] - '0');
    return char('0' + (10 - sum % 10) % 10);
}

// GS1 General Specifications 7.9.5: the check character pair of a GMN.
// Each character's position in set 82 is weighted with the primes in
// order from the right; the sum mod 1021 gives two characters of set 32.
std::string CheckCharacterPair(std::string_view data)
{
    static constexpr std::string_view kCset82 =
        "!\"%&'()*+,-./0123456789:;<=>?ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz";
    static constexpr std::string_view kCset32 = "23456789ABCDEFGHJKLMNPQRSTUVWXYZ";
    static constexpr int kPrimes[] = {2,  3,  5,  7,  11, 13, 17, 19, 23, 29, 31, 37, 41,
                                      43, 47, 53, 59, 61, 67, 71, 73, 79, 83, 89, 97};
    int sum = 0;
    for (size_t k = 0; k < data.size() && k < std::size(kPrimes); ++k) {
        const size_t v = kCset82.find(data[data.size() - 1 - k]);
        sum += int(v == std::string_view::npos ? 0 : v) * kPrimes[k];
    }
    sum %= 1021;
    return {kCset32[size_t(sum >> 5)], kCset32[size_t(sum & 31)]};
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int month, bool leap)
{
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && leap ? 29 : kDays[month - 1];
}

// A date of two or four year digits, month and day. A two-digit year is
// resolved by GS1 General Specifications 7.12 to within 49 years of today;
// every such year until 2050 is a leap year exactly when its two digits
// are a multiple of 4.
void CheckDate(const CContext& cx, std::string_view s, size_t yearDigits, bool dayZeroAllowed)
{
    const std::string_view yy = s.substr(0, yearDigits);
    const int year = Number(yy);
    const int month = Number(s.substr(yearDigits, 2));
    const int day = Number(s.substr(yearDigits + 2, 2));
    const std::string mm(s.substr(yearDigits, 2)), dd(s.substr(yearDigits + 2, 2));
    if (month < 1 || month > 12) {
        cx.Fail("month " + mm + " is not a month");
        return;
    }
    const bool leap = yearDigits == 4 ? IsLeapYear(year) : year % 4 == 0;
    if (day == 0 && dayZeroAllowed) return;
    if (day == 0 || day > DaysInMonth(month, leap))
        cx.Fail("month " + mm + " of year " + std::string(yy) + " has no day " + dd);
}

void CheckTimePart(const CContext& cx, std::string_view two, int limit, const char* unit)
{
    if (Number(two) >= limit)
        cx.Fail(std::string(unit) + " " + std::string(two) + " is not " + (unit[0] == 'h' ? "an " : "a ") + unit +
                " (00-" + std::to_string(limit - 1) + ")");
}

bool InSortedList(std::span<const uint16_t> list, int code)
{
    return std::binary_search(list.begin(), list.end(), uint16_t(code));
}

bool IsAlpha2Country(std::string_view code)
{
    const auto list = Iso3166Alpha2();
    return std::binary_search(list.begin(), list.end(), code,
                              [](std::string_view a, std::string_view b) { return a < b; });
}

// ISO 13616: country, two check digits, then digits and capital letters;
// the whole, rotated by four and with letters as 10-35, is 1 mod 97.
void CheckIban(const CContext& cx, std::string_view s)
{
    if (s.size() < 5) {
        cx.Fail("an IBAN has at least 5 characters");
        return;
    }
    if (!IsAlpha2Country(s.substr(0, 2))) {
        cx.Fail("'" + std::string(s.substr(0, 2)) + "' is not the country of an IBAN");
        return;
    }
    if (!IsDigit(s[2]) || !IsDigit(s[3])) {
        cx.Fail("the IBAN check digits are not digits");
        return;
    }
    for (size_t i = 4; i < s.size(); ++i)
        if (!IsDigit(s[i]) && !(s[i] >= 'A' && s[i] <= 'Z')) {
            cx.Fail("IBAN character " + ShowCharacter(s.substr(i, 1)) + " at position " + std::to_string(i + 1) +
                    " is neither a digit nor a capital letter");
            return;
        }
    int rest = 0;
    const std::string rotated = std::string(s.substr(4)) + std::string(s.substr(0, 4));
    for (char c : rotated)
        rest = IsDigit(c) ? (rest * 10 + (c - '0')) % 97 : (rest * 100 + (c - 'A' + 10)) % 97;
    if (rest != 1) cx.Fail("the IBAN check digits " + std::string(s.substr(2, 2)) + " do not match (mod 97)");
}

void RunLinters(const CContext& cx, std::string_view s, uint64_t linters)
{
    if (linters & kCsum) {
        const char expected = Mod10CheckDigit(s.substr(0, s.size() - 1));
        if (s.back() != expected)
            cx.Fail(std::string("check digit should be ") + expected + ", not " + s.back());
    }
    if (linters & kCsumAlpha) {
        if (s.size() < 3) {
            cx.Fail("too short for its check character pair");
        } else {
            const std::string expected = CheckCharacterPair(s.substr(0, s.size() - 2));
            if (s.substr(s.size() - 2) != expected)
                cx.Fail("check characters should be " + expected + ", not " + std::string(s.substr(s.size() - 2)));
        }
    }
    if (linters & (kKey | kKeyOff1)) {
        const size_t from = linters & kKeyOff1 ? 1 : 0;
        if (s.size() < from + 4 || !AllDigits(s.substr(from, 4)))
            cx.Fail("does not start with a GS1 Company Prefix (4 digits at least)");
    }
    if (linters & kYymmd0) CheckDate(cx, s, 2, true);
    if (linters & kYymmdd) CheckDate(cx, s, 2, false);
    if (linters & kYyyymmdd) CheckDate(cx, s, 4, false);
    if (linters & (kHh | kHhmi)) CheckTimePart(cx, s.substr(0, 2), 24, "hour");
    if (linters & kHhmi) CheckTimePart(cx, s.substr(2, 2), 60, "minute");
    if (linters & kMi) CheckTimePart(cx, s, 60, "minute");
    if (linters & kSs) CheckTimePart(cx, s, 60, "second");
    if ((linters & kYesNo) && s != "0" && s != "1")
        cx.Fail(std::string(s) + " is neither 0 (no) nor 1 (yes)");
    if ((linters & kIso3166) && !InSortedList(Iso3166Numeric(), Number(s)))
        cx.Fail(std::string(s) + " is not an ISO 3166 country code");
    if ((linters & kIso3166999) && s != "999" && !InSortedList(Iso3166Numeric(), Number(s)))
        cx.Fail(std::string(s) + " is neither an ISO 3166 country code nor 999");
    if ((linters & kIso3166Alpha2) && !IsAlpha2Country(s))
        cx.Fail("'" + std::string(s) + "' is not an ISO 3166 alpha-2 country code");
    if ((linters & kIso4217) && !InSortedList(Iso4217Numeric(), Number(s)))
        cx.Fail(std::string(s) + " is not an ISO 4217 currency code");
    if ((linters & kIso5218) && s != "0" && s != "1" && s != "2" && s != "9")
        cx.Fail(std::string(s) + " is not an ISO/IEC 5218 sex code (0, 1, 2 or 9)");
    if ((linters & kZero) && s != "0") cx.Fail("the digit " + std::string(s) + " must be 0");
    if ((linters & kNonZero) && s.find_first_not_of('0') == std::string_view::npos)
        cx.Fail(std::string(s) + " must not be zero");
    if ((linters & kWinding) && s != "0" && s != "1" && s != "9")
        cx.Fail("winding direction " + std::string(s) + " is not 0, 1 or 9");
    if (linters & kPieceOfTotal) {
        const int piece = Number(s.substr(0, 2)), total = Number(s.substr(2, 2));
        if (piece == 0 || total == 0 || piece > total)
            cx.Fail("piece " + std::string(s.substr(0, 2)) + " of total " + std::string(s.substr(2, 2)) +
                    " is not a piece of a total (01 <= piece <= total)");
    }
    if ((linters & kHyphen) && s != "-") cx.Fail(ShowCharacter(s) + " after the temperature must be '-'");
    if ((linters & kPosInSeqSlash) &&
        !(s.size() == 3 && IsDigit(s[0]) && s[1] == '/' && IsDigit(s[2]) && s[0] != '0' && s[0] <= s[2]))
        cx.Fail("'" + std::string(s) + "' is not a position in a sequence (n/m, 1 <= n <= m)");
    if ((linters & kLatitude) && std::string_view(s) > "1800000000")
        cx.Fail("latitude " + std::string(s) + " is above 1800000000");
    if ((linters & kLongitude) && std::string_view(s) > "3600000000")
        cx.Fail("longitude " + std::string(s) + " is above 3600000000");
    if ((linters & kNoZeroPrefix) && s.size() > 1 && s[0] == '0') cx.Fail("must not start with 0");
    if ((linters & kImporterIdx) && !(InCset64(s[0]) && s.size() == 1))
        cx.Fail(ShowCharacter(s) + " is not an importer index (- 0-9 A-Z _ a-z)");
    if (linters & kPcEnc) {
        for (size_t i = 0; i < s.size(); ++i) {
            const auto hex = [&](size_t k) { return k < s.size() && std::isxdigit(static_cast<unsigned char>(s[k])); };
            if (s[i] == '%' && !(hex(i + 1) && hex(i + 2))) {
                cx.Fail("'%' at position " + std::to_string(i + 1) + " does not start a %HH escape");
                break;
            }
        }
    }
    if (linters & kIban) CheckIban(cx, s);
    if ((linters & kHasNonDigit) && AllDigits(s)) cx.Fail("needs a character that is not a digit");
}

// --- one field ------------------------------------------------------------------

struct CSpan {
    int from, to; // allowed data lengths, inclusive
};

// A handful of spans: no definition has more than five components.
struct CSpans {
    std::array<CSpan, 8> items{};
    size_t count = 0;
    void push_back(CSpan s)
    {
        if (count < items.size()) items[count++] = s;
    }
    CSpan& back() { return items[count - 1]; }
    bool empty() const { return count == 0; }
    size_t size() const { return count; }
    const CSpan& operator[](size_t i) const { return items[i]; }
    const CSpan* begin() const { return items.data(); }
    const CSpan* end() const { return items.data() + count; }
};

// The data lengths a definition allows: a fixed length where optional
// components may start, a range for a variable last component.
CSpans AllowedLengths(const CAiDefinition& def)
{
    CSpans spans;
    int base = 0;
    bool variable = false;
    for (const auto& c : def.components) {
        if (c.optional) spans.push_back({base, base});
        if (c.minLength != c.maxLength) {
            // Only the last component has a variable length.
            spans.push_back({base + c.minLength, base + c.maxLength});
            variable = true;
            break;
        }
        base += c.maxLength;
    }
    if (!variable) spans.push_back({base, base});
    // Merge a fixed length with a range that follows it directly.
    CSpans merged;
    for (const auto& s : spans) {
        if (!merged.empty() && s.from <= merged.back().to + 1)
            merged.back().to = std::max(merged.back().to, s.to);
        else
            merged.push_back(s);
    }
    return merged;
}

std::string DescribeLengths(const CSpans& spans, int n)
{
    if (spans.size() == 1 && spans[0].from != spans[0].to)
        return n < spans[0].from ? "needs at least " + std::to_string(spans[0].from)
                                 : "at most " + std::to_string(spans[0].to);
    std::string text = "needs ";
    for (size_t i = 0; i < spans.size(); ++i) {
        if (i) text += i + 1 == spans.size() ? " or " : ", ";
        text += std::to_string(spans[i].from);
        if (spans[i].to != spans[i].from) text += " to " + std::to_string(spans[i].to);
    }
    return text;
}

void CheckField(const std::string& ai, const CAiDefinition& def, std::string_view value,
                std::vector<std::string>& errors)
{
    const CContext cx{ai, &errors};
    const auto chars = Utf8Characters(value);
    const int n = int(chars.size());
    const auto spans = AllowedLengths(def);
    const bool numeric = std::all_of(def.components.begin(), def.components.end(),
                                     [](const CComponent& c) { return c.charset == ECharset::Numeric; });
    if (std::none_of(spans.begin(), spans.end(), [n](const CSpan& s) { return n >= s.from && n <= s.to; })) {
        const bool digits = numeric && AllDigits(value);
        cx.Fail(std::to_string(n) + (digits ? " digit" : " character") + (n == 1 ? "" : "s") + ", " +
                DescribeLengths(spans, n));
        return;
    }
    int pos = 0;
    for (const auto& c : def.components) {
        if (pos == n && c.optional) break;
        const int length = c.minLength == c.maxLength ? c.maxLength : n - pos;
        bool ok = true;
        for (int k = pos; k < pos + length && ok; ++k) {
            const std::string_view ch = chars[size_t(k)];
            const char a = ch.size() == 1 ? ch[0] : '\0';
            const std::string where = ShowCharacter(ch) + " at position " + std::to_string(k + 1);
            bool inSet = false;
            const char* setName = "";
            switch (c.charset) {
            case ECharset::Numeric: inSet = IsDigit(a), setName = "is not a digit"; break;
            case ECharset::Cset82: inSet = InCset82(a), setName = "is not in the GS1 character set"; break;
            case ECharset::Cset39:
                inSet = InCset39(a), setName = "is not in GS1 character set 39 (0-9 A-Z # - /)";
                break;
            case ECharset::Cset64: {
                // '=' pads the end only, twice at most.
                const int rest = pos + length - k;
                const bool padding = a == '=' && rest <= 2 &&
                                     std::all_of(chars.begin() + k, chars.begin() + pos + length,
                                                 [](std::string_view x) { return x == "="; });
                inSet = InCset64(a) || padding;
                setName = "is not in GS1 character set 64 (A-Z a-z 0-9 - _)";
                break;
            }
            }
            if (!inSet) {
                cx.Fail("character " + where + " " + setName);
                ok = false;
            }
        }
        // All characters of the component are ASCII here.
        if (ok) {
            const size_t from = size_t(chars[size_t(pos)].data() - value.data());
            RunLinters(cx, value.substr(from, size_t(length)), c.linters);
        }
        pos += length;
    }
}

// --- rules between fields -------------------------------------------------------

bool Present(const std::vector<CGs1Field>& fields, std::string_view pattern)
{
    return std::any_of(fields.begin(), fields.end(),
                       [&](const CGs1Field& f) { return MatchesPattern(f.ai, pattern); });
}

void CheckRelations(const std::vector<CGs1Field>& fields, std::vector<std::string>& errors)
{
    std::set<std::string> seen;
    const auto report = [&](std::string message) {
        if (seen.insert(message).second) errors.push_back(std::move(message));
    };
    for (size_t i = 0; i < fields.size(); ++i) {
        const auto* def = FindAi(fields[i].ai);
        if (!def) continue;
        const std::string_view ai = fields[i].ai;
        const auto self = [ai] { return "AI (" + std::string(ai) + ")"; };
        for (const auto& group : def->requires_) {
            const bool met = std::any_of(group.begin(), group.end(), [&](const std::vector<std::string>& all) {
                return std::all_of(all.begin(), all.end(), [&](const std::string& p) { return Present(fields, p); });
            });
            if (met) continue;
            std::string names;
            for (size_t g = 0; g < group.size(); ++g) {
                if (g) names += g + 1 == group.size() ? " or " : ", ";
                for (size_t k = 0; k < group[g].size(); ++k) names += (k ? "+(" : "(") + group[g][k] + ")";
            }
            report(self() + " needs " + (group.size() == 1 ? "AI " : "one of AI ") + names);
        }
        for (const auto& pattern : def->excludes)
            for (const auto& other : fields)
                if (other.ai != fields[i].ai && MatchesPattern(other.ai, pattern)) {
                    const auto& [a, b] = std::minmax(fields[i].ai, other.ai);
                    report("AI (" + a + ") and AI (" + b + ") exclude each other");
                }
        for (size_t j = i + 1; j < fields.size(); ++j)
            if (fields[j].ai == fields[i].ai && fields[j].value != fields[i].value)
                report(self() + " appears twice with different values");
    }
}

// --- the whole string -----------------------------------------------------------

void Finish(CGs1Verdict& v)
{
    v.humanText.clear();
    v.controlText.clear();
    v.dataCharacters = 0;
    for (size_t i = 0; i < v.fields.size(); ++i) {
        const auto& f = v.fields[i];
        v.humanText += "(" + f.ai + ")" + f.value;
        v.controlText += "(" + f.ai + ")" + f.value;
        if (i + 1 < v.fields.size() && Gs1PredefinedLength(f.ai) == 0) v.controlText += kFnc1Marker;
        v.dataCharacters += f.ai.size() + CountCharacters(f.value);
    }
    if (v.dataCharacters > kGs1128MaxDataCharacters)
        v.errors.push_back("the element string has " + std::to_string(v.dataCharacters) +
                           " data characters; a GS1-128 symbol holds at most " +
                           std::to_string(kGs1128MaxDataCharacters) + " (AI digits and data, FNC1 not counted)");
    v.valid = v.errors.empty();
}

std::string Position(size_t byteOffset, std::string_view text)
{
    return std::to_string(Utf8Characters(text.substr(0, byteOffset)).size() + 1);
}

} // namespace

int Gs1PredefinedLength(const std::string& ai)
{
    // GS1 General Specifications Figure 7.8.5-2: AIs whose first two digits
    // fix the length of AI plus data.
    static constexpr std::pair<std::string_view, int> kPredefined[] = {
        {"00", 20}, {"01", 16}, {"02", 16}, {"03", 16}, {"04", 18}, {"11", 8}, {"12", 8}, {"13", 8},
        {"14", 8},  {"15", 8},  {"16", 8},  {"17", 8},  {"18", 8},  {"19", 8}, {"20", 4}, {"31", 10},
        {"32", 10}, {"33", 10}, {"34", 10}, {"35", 10}, {"36", 10}, {"41", 16},
    };
    if (ai.size() < 2) return 0;
    for (const auto& [prefix, length] : kPredefined)
        if (ai.compare(0, 2, prefix) == 0) return length;
    return 0;
}

bool Gs1IsKnownAi(const std::string& ai) { return AllDigits(ai) && FindAi(ai) != nullptr; }

bool IsGs1Type(int32_t type) { return type == 28 || type == 29 || type == 31 || type == 32; }

CGs1Verdict Gs1CheckElementString(const std::string& utf8)
{
    CGs1Verdict v;
    const std::string_view text = utf8;
    size_t i = 0;
    // A leading marker repeats the FNC1 every symbol of the type starts with.
    while (text.substr(i).starts_with(kFnc1Marker)) i += kFnc1Marker.size();
    if (i == text.size()) {
        v.errors.push_back("the element string is empty");
        return v;
    }
    if (text[i] != '(') {
        v.errors.push_back("the element string must start with an AI in brackets, such as (01)");
        return v;
    }
    bool broken = false; // the text could not be split into fields
    while (i < text.size()) {
        // text[i] is '('.
        const size_t open = i;
        const size_t close = text.find(')', open + 1);
        const size_t nextOpen = text.find('(', open + 1);
        if (close == std::string_view::npos || (nextOpen != std::string_view::npos && nextOpen < close)) {
            v.errors.push_back("unbalanced brackets: '(' at position " + Position(open, text) + " has no ')'");
            broken = true;
            break;
        }
        const std::string ai(text.substr(open + 1, close - open - 1));
        // The value runs to the next '(' or the end; markers may end it.
        size_t end = text.find('(', close + 1);
        if (end == std::string_view::npos) end = text.size();
        std::string_view value = text.substr(close + 1, end - close - 1);
        while (value.ends_with(kFnc1Marker)) value.remove_suffix(kFnc1Marker.size());
        if (!AllDigits(ai) || ai.size() < 2 || ai.size() > 4) {
            v.errors.push_back("(" + ai + ") at position " + Position(open, text) +
                               " is not an application identifier (2 to 4 digits)");
        } else if (!FindAi(ai)) {
            v.errors.push_back("unknown AI (" + ai + ")");
        } else if (value.empty()) {
            v.errors.push_back("AI (" + ai + "): empty value");
        } else if (const size_t stray = value.find(')'); stray != std::string_view::npos) {
            const size_t at = size_t(value.data() - text.data()) + stray;
            v.errors.push_back("unbalanced brackets: ')' at position " + Position(at, text) + " has no '('");
        } else if (value.find(kFnc1Marker) != std::string_view::npos) {
            v.errors.push_back("AI (" + ai + "): \"<FNC1>\" inside the value; it may only end a field");
        } else {
            CheckField(ai, *FindAi(ai), value, v.errors);
        }
        v.fields.push_back({ai, std::string(value)});
        i = end;
    }
    if (broken) {
        v.fields.clear();
        v.valid = false;
        return v;
    }
    // A field has 3 data characters at least, so more than 16 cannot fit
    // one symbol: the limit says so, and the pairwise rules would only cost
    // time on such a text.
    if (v.fields.size() <= kGs1128MaxDataCharacters / 3) CheckRelations(v.fields, v.errors);
    Finish(v);
    return v;
}

CGs1Verdict Gs1CheckImplied(int32_t type, const std::string& digits)
{
    CGs1Verdict v;
    const bool gtin = type == 29;
    if (!gtin && type != 31 && type != 32) {
        v.errors.push_back("type " + std::to_string(type) + " has no implied AI");
        return v;
    }
    const std::string ai = gtin ? "01" : "00";
    const size_t full = gtin ? 14 : 18;
    std::string value = digits;
    // The control completes a value given without its check digit.
    if (value.size() + 1 == full && AllDigits(value)) value += Mod10CheckDigit(value);
    CheckField(ai, *FindAi(ai), value, v.errors);
    v.fields.push_back({ai, value});
    Finish(v);
    v.controlText = digits;
    return v;
}

CGs1Verdict Gs1Check(int32_t type, const std::string& utf8)
{
    if (type == 28) return Gs1CheckElementString(utf8);
    if (IsGs1Type(type)) return Gs1CheckImplied(type, utf8);
    CGs1Verdict v;
    v.valid = true;
    v.controlText = v.humanText = utf8;
    return v;
}

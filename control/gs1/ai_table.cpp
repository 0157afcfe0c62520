// The application identifier table: compact rows (ai_table_rows.inc),
// parsed once into definitions, and the ISO code lists the checks use.
#include "control/gs1/ai_table.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <stdexcept>
#include <utility>

namespace gs1 {
namespace {

struct CAiRow {
    const char* ais;
    const char* fixed;
    const char* format;
    const char* rules;
    const char* title;
};

// GS1 General Specifications, section 3, and the GS1 Barcode Syntax
// Dictionary.
constexpr CAiRow kAiRows[] = {
#include "control/gs1/ai_table_rows.inc"
};

struct CLinterName {
    std::string_view name;
    uint64_t flag;
};

constexpr CLinterName kLinterNames[] = {
    {"csum", kCsum},
    {"csumalpha", kCsumAlpha},
    {"key", kKey},
    {"keyoff1", kKeyOff1},
    {"yymmd0", kYymmd0},
    {"yymmdd", kYymmdd},
    {"yyyymmdd", kYyyymmdd},
    {"hh", kHh},
    {"mi", kMi},
    {"ss", kSs},
    {"hhmi", kHhmi},
    {"yesno", kYesNo},
    {"iso3166", kIso3166},
    {"iso3166999", kIso3166999},
    {"iso3166alpha2", kIso3166Alpha2},
    {"iso4217", kIso4217},
    {"iso5218", kIso5218},
    {"zero", kZero},
    {"nonzero", kNonZero},
    {"winding", kWinding},
    {"pieceoftotal", kPieceOfTotal},
    {"hyphen", kHyphen},
    {"posinseqslash", kPosInSeqSlash},
    {"latitude", kLatitude},
    {"longitude", kLongitude},
    {"nozeroprefix", kNoZeroPrefix},
    {"importeridx", kImporterIdx},
    {"pcenc", kPcEnc},
    {"iban", kIban},
    {"hasnondigit", kHasNonDigit},
    {"mediatype", kMediaType},
    {"packagetype", kPackageType},
    {"couponcode", kCouponCode},
    {"couponposoffer", kCouponPosOffer},
};

std::vector<std::string_view> Split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(separator, start);
        if (end == std::string_view::npos) end = text.size();
        if (end > start) parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// A table row that does not parse is a programming error of this file:
// every row is parsed (and so checked) by the first use, which the tests
// make.
[[noreturn]] void BadRow(const CAiRow& row, const char* what)
{
    throw std::logic_error(std::string("AI table row ") + row.ais + ": " + what);
}

CComponent ParseComponent(const CAiRow& row, std::string_view text)
{
    CComponent c;
    if (text.size() >= 2 && text.front() == '[' && text.back() == ']') {
        c.optional = true;
        text = text.substr(1, text.size() - 2);
    }
    const auto parts = Split(text, ',');
    if (parts.empty() || parts[0].size() < 2) BadRow(row, "empty component");
    switch (parts[0][0]) {
    case 'N': c.charset = ECharset::Numeric; break;
    case 'X': c.charset = ECharset::Cset82; break;
    case 'Y': c.charset = ECharset::Cset39; break;
    case 'Z': c.charset = ECharset::Cset64; break;
    default: BadRow(row, "unknown character set");
    }
    std::string_view length = parts[0].substr(1);
    const bool variable = length.starts_with("..");
    if (variable) length.remove_prefix(2);
    const int n = std::atoi(std::string(length).c_str());
    if (n < 1 || n > 99) BadRow(row, "bad length");
    c.maxLength = uint8_t(n);
    c.minLength = variable ? 1 : uint8_t(n);
    for (size_t i = 1; i < parts.size(); ++i) {
        const auto it = std::find_if(std::begin(kLinterNames), std::end(kLinterNames),
                                     [&](const CLinterName& l) { return l.name == parts[i]; });
        if (it == std::end(kLinterNames)) BadRow(row, "unknown check");
        c.linters |= it->flag;
    }
    return c;
}

CAiDefinition ParseRow(const CAiRow& row)
{
    CAiDefinition d;
    const std::string_view ais = row.ais;
    const size_t dash = ais.find('-');
    d.first = std::string(ais.substr(0, dash));
    d.last = dash == std::string_view::npos ? d.first : std::string(ais.substr(dash + 1));
    if (d.first.size() != d.last.size() || d.first > d.last) BadRow(row, "bad range");
    d.predefinedLength = std::string_view(row.fixed) == "*";
    for (const auto part : Split(row.format, ' ')) d.components.push_back(ParseComponent(row, part));
    for (const auto rule : Split(row.rules, ' ')) {
        if (rule.starts_with("req=")) {
            std::vector<std::vector<std::string>> group;
            for (const auto alternative : Split(rule.substr(4), ',')) {
                std::vector<std::string> all;
                for (const auto ai : Split(alternative, '+')) all.emplace_back(ai);
                group.push_back(std::move(all));
            }
            d.requires_.push_back(std::move(group));
        } else if (rule.starts_with("ex=")) {
            for (const auto ai : Split(rule.substr(3), ',')) d.excludes.emplace_back(ai);
        } else {
            BadRow(row, "unknown rule");
        }
    }
    d.title = row.title;
    return d;
}

// Sorted ISO 3166-1 numeric country codes (current list).
constexpr uint16_t kCountryNumbers[] = {
    4, 8, 10, 12, 16, 20, 24, 28, 31, 32, 36, 40, 44, 48, 50, 51, 52, 56, 60, 64, 68, 70, 72, 74, 76, 
    84, 86, 90, 92, 96, 100, 104, 108, 112, 116, 120, 124, 132, 136, 140, 144, 148, 152, 156, 158, 162, 
    166, 170, 174, 175, 178, 180, 184, 188, 191, 192, 196, 203, 204, 208, 212, 214, 218, 222, 226, 231, 
    232, 233, 234, 238, 239, 242, 246, 248, 250, 254, 258, 260, 262, 266, 268, 270, 275, 276, 288, 292, 
    296, 300, 304, 308, 312, 316, 320, 324, 328, 332, 334, 336, 340, 344, 348, 352, 356, 360, 364, 368, 
    372, 376, 380, 384, 388, 392, 398, 400, 404, 408, 410, 414, 417, 418, 422, 426, 428, 430, 434, 438, 
    440, 442, 446, 450, 454, 458, 462, 466, 470, 474, 478, 480, 484, 492, 496, 498, 499, 500, 504, 508, 
    512, 516, 520, 524, 528, 531, 533, 534, 535, 540, 548, 554, 558, 562, 566, 570, 574, 578, 580, 581, 
    583, 584, 585, 586, 591, 598, 600, 604, 608, 612, 616, 620, 624, 626, 630, 634, 638, 642, 643, 646, 
    652, 654, 659, 660, 662, 663, 666, 670, 674, 678, 682, 686, 688, 690, 694, 702, 703, 704, 705, 706, 
    710, 716, 724, 728, 729, 732, 740, 744, 748, 752, 756, 760, 762, 764, 768, 772, 776, 780, 784, 788, 
    792, 795, 796, 798, 800, 804, 807, 818, 826, 831, 832, 833, 834, 840, 850, 854, 858, 860, 862, 876, 
    882, 887, 894
};

// Sorted ISO 3166-1 alpha-2 country codes (current list).
constexpr const char* kCountryLetters[] = {
    "AD", "AE", "AF", "AG", "AI", "AL", "AM", "AO", "AQ", "AR", "AS", "AT", "AU", "AW", "AX", "AZ", 
    "BA", "BB", "BD", "BE", "BF", "BG", "BH", "BI", "BJ", "BL", "BM", "BN", "BO", "BQ", "BR", "BS", 
    "BT", "BV", "BW", "BY", "BZ", "CA", "CC", "CD", "CF", "CG", "CH", "CI", "CK", "CL", "CM", "CN", 
    "CO", "CR", "CU", "CV", "CW", "CX", "CY", "CZ", "DE", "DJ", "DK", "DM", "DO", "DZ", "EC", "EE", 
    "EG", "EH", "ER", "ES", "ET", "FI", "FJ", "FK", "FM", "FO", "FR", "GA", "GB", "GD", "GE", "GF", 
    "GG", "GH", "GI", "GL", "GM", "GN", "GP", "GQ", "GR", "GS", "GT", "GU", "GW", "GY", "HK", "HM", 
    "HN", "HR", "HT", "HU", "ID", "IE", "IL", "IM", "IN", "IO", "IQ", "IR", "IS", "IT", "JE", "JM", 
    "JO", "JP", "KE", "KG", "KH", "KI", "KM", "KN", "KP", "KR", "KW", "KY", "KZ", "LA", "LB", "LC", 
    "LI", "LK", "LR", "LS", "LT", "LU", "LV", "LY", "MA", "MC", "MD", "ME", "MF", "MG", "MH", "MK", 
    "ML", "MM", "MN", "MO", "MP", "MQ", "MR", "MS", "MT", "MU", "MV", "MW", "MX", "MY", "MZ", "NA", 
    "NC", "NE", "NF", "NG", "NI", "NL", "NO", "NP", "NR", "NU", "NZ", "OM", "PA", "PE", "PF", "PG", 
    "PH", "PK", "PL", "PM", "PN", "PR", "PS", "PT", "PW", "PY", "QA", "RE", "RO", "RS", "RU", "RW", 
    "SA", "SB", "SC", "SD", "SE", "SG", "SH", "SI", "SJ", "SK", "SL", "SM", "SN", "SO", "SR", "SS", 
    "ST", "SV", "SX", "SY", "SZ", "TC", "TD", "TF", "TG", "TH", "TJ", "TK", "TL", "TM", "TN", "TO", 
    "TR", "TT", "TV", "TW", "TZ", "UA", "UG", "UM", "US", "UY", "UZ", "VA", "VC", "VE", "VG", "VI", 
    "VN", "VU", "WF", "WS", "YE", "YT", "ZA", "ZM", "ZW"
};

// Sorted ISO 4217 numeric currency codes (current list, funds and
// precious metals included).
constexpr uint16_t kCurrencyNumbers[] = {
    8, 12, 32, 36, 44, 48, 50, 51, 52, 60, 64, 68, 72, 84, 90, 96, 104, 108, 116, 124, 132, 136, 144, 
    152, 156, 170, 174, 188, 191, 192, 203, 208, 214, 222, 230, 232, 238, 242, 262, 270, 292, 320, 324, 
    328, 332, 340, 344, 348, 352, 356, 360, 364, 368, 376, 388, 392, 398, 400, 404, 408, 410, 414, 417, 
    418, 422, 426, 430, 434, 446, 454, 458, 462, 480, 484, 496, 498, 504, 512, 516, 524, 532, 533, 548, 
    554, 558, 566, 578, 586, 590, 598, 600, 604, 608, 634, 643, 646, 654, 682, 690, 694, 702, 704, 706, 
    710, 728, 748, 752, 756, 760, 764, 776, 780, 784, 788, 800, 807, 818, 826, 834, 840, 858, 860, 882, 
    886, 901, 924, 925, 926, 927, 928, 929, 930, 931, 932, 933, 934, 936, 938, 940, 941, 943, 944, 946, 
    947, 948, 949, 950, 951, 952, 953, 955, 956, 957, 958, 959, 960, 961, 962, 963, 964, 965, 967, 968, 
    969, 970, 971, 972, 973, 975, 976, 977, 978, 979, 980, 981, 984, 985, 986, 990, 994, 997, 999
};

} // namespace

const std::vector<CAiDefinition>& AiTable()
{
    static const std::vector<CAiDefinition> table = [] {
        std::vector<CAiDefinition> t;
        t.reserve(std::size(kAiRows));
        for (const auto& row : kAiRows) t.push_back(ParseRow(row));
        return t;
    }();
    return table;
}

const CAiDefinition* FindAi(std::string_view ai)
{
    if (ai.size() < 2 || ai.size() > 4) return nullptr;
    const auto& table = AiTable();
    // Rows are in lexical order of their first AI, and a range never spans
    // another row's AI: the candidate is the last row starting at or before
    // `ai`.
    auto it = std::upper_bound(table.begin(), table.end(), ai,
                               [](std::string_view a, const CAiDefinition& d) { return a < d.first; });
    if (it == table.begin()) return nullptr;
    --it;
    if (it->first.size() == ai.size() && ai >= it->first && ai <= it->last) return &*it;
    return nullptr;
}

bool MatchesPattern(std::string_view ai, std::string_view pattern)
{
    if (ai.size() != pattern.size()) return false;
    for (size_t i = 0; i < ai.size(); ++i)
        if (pattern[i] != 'n' && pattern[i] != ai[i]) return false;
    return true;
}

std::span<const uint16_t> Iso3166Numeric() { return kCountryNumbers; }
std::span<const char* const> Iso3166Alpha2() { return kCountryLetters; }
std::span<const uint16_t> Iso4217Numeric() { return kCurrencyNumbers; }

} // namespace gs1

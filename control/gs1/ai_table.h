// The application identifier table of the GS1 layer, parsed once from its
// compact rows (ai_table.cpp), and the ISO code lists its checks use.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace gs1 {

enum class ECharset : uint8_t {
    Numeric, // digits
    Cset82,  // GS1 AI encodable character set 82
    Cset39,  // GS1 AI encodable character set 39
    Cset64,  // GS1 AI encodable character set 64 (URI-safe base 64)
};

// Content checks of one component, as bit flags.
enum ELinter : uint64_t {
    kCsum = 1ull << 0,           // GS1 mod-10 check digit in the last position
    kCsumAlpha = 1ull << 1,      // GS1 check character pair in the last two positions
    kKey = 1ull << 2,            // starts with a GS1 Company Prefix (4 digits at least)
    kKeyOff1 = 1ull << 3,        // the same after one leading character
    kYymmd0 = 1ull << 4,         // date YYMMDD, DD 00 allowed
    kYymmdd = 1ull << 5,         // date YYMMDD
    kYyyymmdd = 1ull << 6,       // date YYYYMMDD
    kHh = 1ull << 7,             // hour 00-23
    kMi = 1ull << 8,             // minute 00-59
    kSs = 1ull << 9,             // second 00-59
    kHhmi = 1ull << 10,          // time HHMI
    kYesNo = 1ull << 11,         // 0 or 1
    kIso3166 = 1ull << 12,       // ISO 3166-1 numeric country code
    kIso3166999 = 1ull << 13,    // the same, or 999
    kIso3166Alpha2 = 1ull << 14, // ISO 3166-1 alpha-2 country code
    kIso4217 = 1ull << 15,       // ISO 4217 numeric currency code
    kIso5218 = 1ull << 16,       // ISO/IEC 5218 sex code: 0, 1, 2, 9
    kZero = 1ull << 17,          // the digit 0
    kNonZero = 1ull << 18,       // not all zeros
    kWinding = 1ull << 19,       // winding direction 0, 1 or 9
    kPieceOfTotal = 1ull << 20,  // NN piece of NN total, 1 <= piece <= total
    kHyphen = 1ull << 21,        // the character '-'
    kPosInSeqSlash = 1ull << 22, // "n/m" with 1 <= n <= m
    kLatitude = 1ull << 23,      // 10 digits, at most 1800000000
    kLongitude = 1ull << 24,     // 10 digits, at most 3600000000
    kNoZeroPrefix = 1ull << 25,  // no leading zero unless the value is "0"
    kImporterIdx = 1ull << 26,   // one of - 0-9 A-Z _ a-z
    kPcEnc = 1ull << 27,         // '%' only as the start of %HH
    kIban = 1ull << 28,          // ISO 13616 IBAN, mod 97
    kHasNonDigit = 1ull << 29,   // at least one character that is not a digit
    // Named by the table but not checked (their code lists are outside this
    // layer): AIDC media type, package type, the coupon fields.
    kMediaType = 1ull << 30,
    kPackageType = 1ull << 31,
    kCouponCode = 1ull << 32,
    kCouponPosOffer = 1ull << 33,
};

struct CComponent {
    ECharset charset = ECharset::Numeric;
    uint8_t minLength = 0; // equal to maxLength for a fixed length
    uint8_t maxLength = 0;
    bool optional = false;
    uint64_t linters = 0;
};

// One AI or range of AIs of the same format and rules.
struct CAiDefinition {
    std::string first, last; // equal for a single AI
    bool predefinedLength = false;
    std::vector<CComponent> components;
    // Each group needs one of its alternatives present; an alternative is a
    // list of AIs or patterns ('n' any digit) that must all be present.
    std::vector<std::vector<std::vector<std::string>>> requires_;
    std::vector<std::string> excludes; // AIs or patterns
    std::string title;
};

// The table, parsed on first use (thread-safe).
const std::vector<CAiDefinition>& AiTable();
// The definition of `ai`, or nullptr.
const CAiDefinition* FindAi(std::string_view ai);
// Whether `ai` matches `pattern` (same length, 'n' matches any digit).
bool MatchesPattern(std::string_view ai, std::string_view pattern);

// Sorted code lists.
std::span<const uint16_t> Iso3166Numeric();
std::span<const char* const> Iso3166Alpha2();
std::span<const uint16_t> Iso4217Numeric();

} // namespace gs1

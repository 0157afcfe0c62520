// The GS1 layer: element strings with their verdicts worked by hand from
// the GS1 General Specifications, the table's own consistency, the implied
// AIs of EAN 14 / EAN 18 / SSCC 18, and every valid element string drawn
// by the EAN/UCC 128 AI symbol and read back field by field.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "control/engine/catalogue.h"
#include "control/gs1/ai_table.h"
#include "control/gs1/gs1.h"
#include "control/symbologies/symbologies.h"
#include "tests/control/symbologies/code128_support.h"

namespace {

const std::string kGtin = "(01)12345678901231";
const std::string kSscc = "(00)106141411234567897";
const std::string kGln = "4012345000009";

struct ElementCase {
    std::string text;
    std::vector<std::string> errors;        // exactly these, in this order
    std::string control;                    // for valid cases: the control's text
};

// clang-format off
const ElementCase kElementCases[] = {
    // Check digits, lengths and dates of the brief's examples.
    {"(01)12345678901231", {}, "(01)12345678901231"},
    {"(01)12345678901232", {"AI (01): check digit should be 1, not 2"}, ""},
    {"(01)123", {"AI (01): 3 digits, needs 14"}, ""},
    {"(01)123456789012312", {"AI (01): 15 digits, needs 14"}, ""},
    {kGtin + "(17)991332", {"AI (17): month 13 is not a month"}, ""},
    {kGtin + "(17)990015", {"AI (17): month 00 is not a month"}, ""},
    // 29 February in leap and common years; day 00 only where allowed.
    {kGtin + "(17)240229", {}, kGtin + "(17)240229"},
    {kGtin + "(17)000229", {}, kGtin + "(17)000229"},
    {kGtin + "(17)230229", {"AI (17): month 02 of year 23 has no day 29"}, ""},
    {kGtin + "(17)240230", {"AI (17): month 02 of year 24 has no day 30"}, ""},
    {kGtin + "(17)250431", {"AI (17): month 04 of year 25 has no day 31"}, ""},
    {kGtin + "(17)251200", {}, kGtin + "(17)251200"},
    {kGtin + "(7006)251200", {"AI (7006): month 12 of year 25 has no day 00"}, ""},
    {kGtin + "(7003)2512312359", {}, kGtin + "(7003)2512312359"},
    {kGtin + "(7003)2512312460", {"AI (7003): hour 24 is not an hour (00-23)",
                                  "AI (7003): minute 60 is not a minute (00-59)"}, ""},
    // FNC1 after a variable-length field that another follows, only there.
    {kGtin + "(10)ABC(21)123", {}, kGtin + "(10)ABC<FNC1>(21)123"},
    {"(10)ABC" + kGtin + "(21)123", {}, "(10)ABC<FNC1>" + kGtin + "(21)123"},
    {kGtin + "(3103)000500(10)AB-12(21)X", {}, kGtin + "(3103)000500(10)AB-12<FNC1>(21)X"},
    {kGtin + "(21)S1(17)251231", {}, kGtin + "(21)S1<FNC1>(17)251231"},
    // Markers the user wrote are accepted and placed anew.
    {"<FNC1>" + kGtin + "<FNC1>(10)ABC<FNC1>(21)123<FNC1>", {}, kGtin + "(10)ABC<FNC1>(21)123"},
    {kGtin + "(10)AB<FNC1>C", {"AI (10): \"<FNC1>\" inside the value; it may only end a field"}, ""},
    // Character sets.
    {kGtin + "(10)AB\xC3\xA9", {"AI (10): character '\xC3\xA9' at position 3 is not in the GS1 character set"}, ""},
    {kGtin + "(10)A\tB", {"AI (10): character U+0009 at position 2 is not in the GS1 character set"}, ""},
    {kGtin + "(10)A\xC3", {"AI (10): character byte 0xC3 at position 2 is not in the GS1 character set"}, ""},
    {kGtin + "(10)A B", {"AI (10): character ' ' at position 2 is not in the GS1 character set"}, ""},
    {kGtin + "(10)!\"%&'*+,-./:;<=>?_az", {}, kGtin + "(10)!\"%&'*+,-./:;<=>?_az"},
    {"(01)1234567890123A", {"AI (01): character 'A' at position 14 is not a digit"}, ""},
    {"(8010)1234AB#-/(8011)12", {}, "(8010)1234AB#-/<FNC1>(8011)12"},
    {"(8010)1234ab(8011)012", {"AI (8010): character 'a' at position 5 is not in GS1 character set 39 (0-9 A-Z # - /)",
                              "AI (8011): must not start with 0"}, ""},
    {"(10)" + std::string(21, 'A') + kGtin, {"AI (10): 21 characters, at most 20"}, ""},
    {kGtin + "(8008)251231", {"AI (8008): 6 digits, needs 8, 10 or 12"}, ""},
    {kGtin + "(8008)25123123", {}, kGtin + "(8008)25123123"},
    // Structure: brackets, AIs, values.
    {"", {"the element string is empty"}, ""},
    {"0112345678901231", {"the element string must start with an AI in brackets, such as (01)"}, ""},
    {"(01", {"unbalanced brackets: '(' at position 1 has no ')'"}, ""},
    {"(01)1234(10)A", {"AI (01): 4 digits, needs 14"}, ""},
    {kGtin + "(10)AB)C", {"unbalanced brackets: ')' at position 25 has no '('"}, ""},
    {kGtin + "(10(21)X", {"unbalanced brackets: '(' at position 19 has no ')'"}, ""},
    {kGtin + "(3106)000100", {"unknown AI (3106)"}, ""},
    {kGtin + "(23)1", {"unknown AI (23)"}, ""},
    {kGtin + "(1A)1", {"(1A) at position 19 is not an application identifier (2 to 4 digits)"}, ""},
    {kGtin + "(10)", {"AI (10): empty value"}, ""},
    {kGtin + "(10)<FNC1>(21)1", {"AI (10): empty value"}, ""},
    // Companions and exclusions.
    {"(02)12345678901231", {"AI (02) needs AI (37)"}, ""},
    {"(10)ABC", {"AI (10) needs one of AI (01), (02), (03), (8006) or (8026)"}, ""},
    {kSscc + "(02)12345678901231(37)10", {}, kSscc + "(02)12345678901231(37)10"},
    {"(02)12345678901231(37)10", {"AI (37) needs AI (00)"}, ""},
    {kGtin + "(3103)000500(3102)005000", {"AI (3102) and AI (3103) exclude each other"}, ""},
    {kGtin + "(02)12345678901231", {"AI (02) needs AI (37)", "AI (01) and AI (02) exclude each other"}, ""},
    {kGtin + "(10)A(10)B", {"AI (10) appears twice with different values"}, ""},
    {"(8018)123456789012345675(7258)1/2", {"AI (7258) needs AI (8018)+(7259)"}, ""},
    {"(8018)123456789012345675(7259)ANNE(7258)1/2", {}, "(8018)123456789012345675<FNC1>(7259)ANNE<FNC1>(7258)1/2"},
    {"(8018)123456789012345675(7259)ANNE(7258)3/2",
     {"AI (7258): '3/2' is not a position in a sequence (n/m, 1 <= n <= m)"}, ""},
    // Code lists and the other content checks.
    {kGtin + "(422)276", {}, kGtin + "(422)276"},
    {kGtin + "(422)999", {"AI (422): 999 is not an ISO 3166 country code"}, ""},
    {kGtin + "(423)276040", {}, kGtin + "(423)276040"},
    {kGtin + "(423)2760", {"AI (423): 4 digits, needs 3, 6, 9, 12 or 15"}, ""},
    {kGtin + "(7030)999AB", {}, kGtin + "(7030)999AB"},
    {"(415)" + kGln + "(8020)R1(3911)978500", {}, "(415)" + kGln + "(8020)R1<FNC1>(3911)978500"},
    {"(415)" + kGln + "(8020)R1(3911)001500", {"AI (3911): 001 is not an ISO 4217 currency code"}, ""},
    {"(415)" + kGln + "(8007)GB82WEST12345698765432(8020)R", {}, "(415)" + kGln + "(8007)GB82WEST12345698765432<FNC1>(8020)R"},
    {"(415)" + kGln + "(8007)GB83WEST12345698765432(8020)R",
     {"AI (8007): the IBAN check digits 83 do not match (mod 97)"}, ""},
    {kSscc + "(4321)2", {"AI (4321): 2 is neither 0 (no) nor 1 (yes)"}, ""},
    {kSscc + "(4330)001500-", {}, kSscc + "(4330)001500-"},
    {kSscc + "(4330)001500+", {"AI (4330): '+' after the temperature must be '-'"}, ""},
    {kSscc + "(4307)DE", {}, kSscc + "(4307)DE"},
    {kSscc + "(4307)XX", {"AI (4307): 'XX' is not an ISO 3166 alpha-2 country code"}, ""},
    {kSscc + "(4300)A%2FB", {}, kSscc + "(4300)A%2FB"},
    {kSscc + "(4300)A%2G", {"AI (4300): '%' at position 2 does not start a %HH escape"}, ""},
    {kSscc + "(4309)18000000003600000000", {}, kSscc + "(4309)18000000003600000000"},
    {kSscc + "(4309)18000000013600000001", {"AI (4309): latitude 1800000001 is above 1800000000",
                                           "AI (4309): longitude 3600000001 is above 3600000000"}, ""},
    {"(8006)123456789012310102", {}, "(8006)123456789012310102"},
    {"(8006)123456789012310302", {"AI (8006): piece 03 of total 02 is not a piece of a total (01 <= piece <= total)"}, ""},
    {kGtin + "(8001)12345678912311", {}, kGtin + "(8001)12345678912311"},
    {kGtin + "(8001)00001234512321", {"AI (8001): 0000 must not be zero", "AI (8001): winding direction 2 is not 0, 1 or 9"}, ""},
    {"(8003)0" + kGln + "AB", {}, "(8003)0" + kGln + "AB"},
    {"(8003)1" + kGln, {"AI (8003): the digit 1 must be 0"}, ""},
    {"(8013)1987654Ad4X4bL5ttr2310c2K", {}, "(8013)1987654Ad4X4bL5ttr2310c2K"},
    {"(8013)1987654Ad4X4bL5ttr2310c2L", {"AI (8013): check characters should be 2K, not 2L"}, ""},
    {"(253)" + kGln + "ABC", {}, "(253)" + kGln + "ABC"},
    {"(253)" + kGln.substr(0, 12), {"AI (253): 12 characters, needs at least 13"}, ""},
    {"(8003)0" + kGln + std::string(17, 'A'), {"AI (8003): 31 characters, at most 30"}, ""},
    {kGtin + "(7011)251231", {}, kGtin + "(7011)251231"},
    {kGtin + "(7011)2512311", {"AI (7011): 7 digits, needs 6 or 10"}, ""},
    {"(401)12AB", {"AI (401): does not start with a GS1 Company Prefix (4 digits at least)"}, ""},
    {kGtin + "(21)S(8030)AZaz09-_==", {}, kGtin + "(21)S<FNC1>(8030)AZaz09-_=="},
    {kGtin + "(8030)AB=C", {"AI (8030): character '=' at position 3 is not in GS1 character set 64 (A-Z a-z 0-9 - _)",
                           "AI (8030) needs one of AI (00), (01)+(21), (253), (255), (8003), (8004), (8006)+(21), (8010)+(8011), (8017) or (8018)"}, ""},
    // The 48 data characters of one GS1-128 symbol: AI digits and data.
    {kGtin + "(10)ABCDEFGHIJKLMNOPQRST(21)12345678", {}, kGtin + "(10)ABCDEFGHIJKLMNOPQRST<FNC1>(21)12345678"},
    {kGtin + "(10)ABCDEFGHIJKLMNOPQRST(21)123456789",
     {"the element string has 49 data characters; a GS1-128 symbol holds at most 48 (AI digits and data, FNC1 not counted)"}, ""},
};
// clang-format on

TEST(Gs1ElementString, Verdicts)
{
    for (const auto& c : kElementCases) {
        const CGs1Verdict v = Gs1CheckElementString(c.text);
        EXPECT_EQ(v.errors, c.errors) << c.text;
        EXPECT_EQ(v.valid, c.errors.empty()) << c.text;
        if (c.errors.empty()) {
            EXPECT_EQ(v.controlText, c.control) << c.text;
            std::string human = c.control;
            for (size_t p; (p = human.find("<FNC1>")) != std::string::npos;) human.erase(p, 6);
            EXPECT_EQ(v.humanText, human) << c.text;
        }
    }
}

TEST(Gs1ElementString, FieldsAndCount)
{
    const CGs1Verdict v = Gs1CheckElementString(kGtin + "(10)ABC<FNC1>(21)123");
    const std::vector<CGs1Field> fields = {{"01", "12345678901231"}, {"10", "ABC"}, {"21", "123"}};
    EXPECT_EQ(v.fields, fields);
    EXPECT_EQ(v.dataCharacters, 16u + 5u + 5u);
}

// A long text is refused for its length, with every field still checked.
TEST(Gs1ElementString, ManyFields)
{
    std::string text = kGtin;
    for (int i = 0; i < 20000; ++i) text += i == 5000 ? "(10)A B" : "(10)A";
    const CGs1Verdict v = Gs1CheckElementString(text);
    EXPECT_FALSE(v.valid);
    ASSERT_EQ(v.errors.size(), 2u);
    EXPECT_EQ(v.errors[0], "AI (10): character ' ' at position 2 is not in the GS1 character set");
    EXPECT_EQ(v.errors[1].rfind("the element string has 60018 data characters", 0), 0u) << v.errors[1];
    EXPECT_EQ(v.fields.size(), 20001u);
}

struct ImpliedCase {
    int32_t type;
    std::string digits;
    std::vector<std::string> errors;
    std::string human;
};

TEST(Gs1Implied, Ean14Ean18Sscc18)
{
    const ImpliedCase cases[] = {
        {29, "1234567890123", {}, "(01)12345678901231"},
        {29, "12345678901231", {}, "(01)12345678901231"},
        {29, "12345678901232", {"AI (01): check digit should be 1, not 2"}, ""},
        {29, "123", {"AI (01): 3 digits, needs 14"}, ""},
        {29, "123456789012A", {"AI (01): 13 characters, needs 14"}, ""},
        {29, "123456789012A1", {"AI (01): character 'A' at position 13 is not a digit"}, ""},
        {32, "10065300555555555", {}, "(00)100653005555555558"},
        {32, "100653005555555557", {"AI (00): check digit should be 8, not 7"}, ""},
        {31, "34012345000000000", {}, "(00)340123450000000000"},
        {31, "3401234500000000000", {"AI (00): 19 digits, needs 18"}, ""},
        {15, "12345678901231", {"type 15 has no implied AI"}, ""},
    };
    for (const auto& c : cases) {
        const CGs1Verdict v = Gs1CheckImplied(c.type, c.digits);
        EXPECT_EQ(v.errors, c.errors) << c.type << " " << c.digits;
        EXPECT_EQ(v.valid, c.errors.empty()) << c.type << " " << c.digits;
        if (v.valid) {
            EXPECT_EQ(v.humanText, c.human) << c.digits;
            EXPECT_EQ(v.controlText, c.digits);
            // The control accepts what this layer accepts.
            auto symbol = CreateSymbol(c.type);
            symbol->SetText(c.digits);
            EXPECT_TRUE(symbol->IsValid()) << c.digits;
        }
    }
    EXPECT_TRUE(Gs1Check(13, "123").valid);
    EXPECT_EQ(Gs1Check(13, "123").controlText, "123");
    EXPECT_FALSE(Gs1Check(28, "(01)1").valid);
    EXPECT_FALSE(Gs1Check(29, "1").valid);
    for (int32_t type = 0; type < 100; ++type)
        EXPECT_EQ(IsGs1Type(type), type == 28 || type == 29 || type == 31 || type == 32) << type;
}

// The table agrees with itself: rows in order, ranges inside one length,
// the "predefined length" mark where GS1 General Specifications Figure
// 7.8.5-2 puts it and with the length it gives.
TEST(Gs1Table, Consistent)
{
    const auto& table = gs1::AiTable();
    ASSERT_GT(table.size(), 150u);
    for (size_t i = 0; i < table.size(); ++i) {
        const auto& d = table[i];
        if (i) {
            EXPECT_LT(table[i - 1].last, d.first);
        }
        int length = 0;
        bool variable = false;
        for (const auto& c : d.components) {
            length += c.maxLength;
            variable = variable || c.minLength != c.maxLength || c.optional;
        }
        const int predefined = Gs1PredefinedLength(d.first);
        EXPECT_EQ(d.predefinedLength, predefined > 0) << d.first;
        if (d.predefinedLength) {
            EXPECT_FALSE(variable) << d.first;
            EXPECT_EQ(predefined, int(d.first.size()) + length) << d.first;
        }
        EXPECT_TRUE(Gs1IsKnownAi(d.first)) << d.first;
        EXPECT_TRUE(Gs1IsKnownAi(d.last)) << d.last;
    }
    const char* const unknown[] = {"", "0", "04", "05", "14", "18", "19", "23",
                                   "3106", "3960", "7042", "8", "99999", "0a"};
    for (const char* ai : unknown) EXPECT_FALSE(Gs1IsKnownAi(ai)) << ai;
    const auto sorted = [](auto list) { return std::is_sorted(list.begin(), list.end()); };
    EXPECT_TRUE(sorted(gs1::Iso3166Numeric()));
    EXPECT_TRUE(sorted(gs1::Iso4217Numeric()));
    EXPECT_TRUE(std::is_sorted(gs1::Iso3166Alpha2().begin(), gs1::Iso3166Alpha2().end(),
                               [](const char* a, const char* b) { return std::string_view(a) < b; }));
}

// Any text at all gets a verdict, never a crash; what passes is accepted
// by the control and keeps its fields.
TEST(Gs1ElementString, ArbitraryTextGetsAVerdict)
{
    std::mt19937 random(28);
    const std::string alphabet = "()0123456789<FNC1>ABaz-%=/\xC3\xA9\x1D";
    const std::string seeds[] = {kGtin + "(10)AB(21)C", kSscc + "(4321)1", "(8006)123456789012310102"};
    int valid = 0;
    for (int n = 0; n < 3000; ++n) {
        std::string text = seeds[size_t(n) % std::size(seeds)];
        for (int k = int(random() % 4); k >= 0; --k) {
            const size_t at = random() % (text.size() + 1);
            if (random() % 2)
                text.insert(at, 1, alphabet[random() % alphabet.size()]);
            else if (at < text.size())
                text.erase(at, 1);
        }
        const CGs1Verdict v = Gs1CheckElementString(text);
        EXPECT_EQ(v.valid, v.errors.empty()) << text;
        if (!v.valid) continue;
        ++valid;
        EXPECT_EQ(Gs1CheckElementString(v.controlText).controlText, v.controlText) << text;
        EXPECT_EQ(Gs1CheckElementString(v.humanText).fields, v.fields) << text;
        EXPECT_LE(v.dataCharacters, kGs1128MaxDataCharacters) << text;
    }
    EXPECT_GT(valid, 30);
}

// --- scan-back ------------------------------------------------------------------

// Splits what a reader transmits (FNC1 as GS) back into fields: the AI is
// the known one among its first 2 to 4 digits, a predefined-length field
// ends by its length, any other at GS or the end.
std::vector<CGs1Field> SplitTransmitted(const std::string& data)
{
    std::vector<CGs1Field> fields;
    size_t i = 0;
    while (i < data.size()) {
        std::string ai;
        for (size_t n = 2; n <= 4 && ai.empty(); ++n)
            if (Gs1IsKnownAi(data.substr(i, n))) ai = data.substr(i, n);
        if (ai.empty()) return {};
        const int fixed = Gs1PredefinedLength(ai);
        size_t end = fixed ? i + size_t(fixed) : data.find('\x1D', i);
        if (end == std::string::npos || end > data.size()) end = data.size();
        fields.push_back({ai, data.substr(i + ai.size(), end - i - ai.size())});
        i = end + (end < data.size() && data[end] == '\x1D' ? 1 : 0);
    }
    return fields;
}

TEST(Gs1Scan, ValidElementStringsReadBackFieldByField)
{
    for (const auto& c : kElementCases) {
        if (!c.errors.empty()) continue;
        const CGs1Verdict v = Gs1CheckElementString(c.text);
        ASSERT_TRUE(v.valid) << c.text;
        auto symbol = CreateEanUcc128AiBarcode();
        symbol->SetText(v.controlText);
        ASSERT_TRUE(symbol->IsValid());
        std::string prepared;
        for (char ch : v.controlText)
            if (ch != '(' && ch != ')') prepared += ch;
        // What a reader must transmit: FNC1 (GS) after exactly the fields
        // that need one.
        std::string expected;
        for (size_t i = 0; i < v.fields.size(); ++i) {
            expected += v.fields[i].ai + v.fields[i].value;
            if (i + 1 < v.fields.size() && !Gs1PredefinedLength(v.fields[i].ai)) expected += '\x1D';
        }
        // The control prints the human-readable text this layer gives.
        {
            CMetaFileDC dc;
            symbol->SetShowText(TRUE);
            symbol->SetTextHeight(20);
            symbol->Paint(&dc, RECT{0, 0, 1200, 100});
            EXPECT_EQ(code128_test::WrittenText(dc), v.humanText) << c.text;
        }
        const int modules = CountCode128Modules(prepared, TRUE, TRUE);
        for (int rotate : {0, 90}) {
            const GrayImage image = code128_test::RenderAt(*symbol, modules, 2, rotate);
            ASSERT_TRUE(symbol->IsSizeOk()) << c.text;
            const ScanResult zx = ScanZxing(image, "Code128");
            EXPECT_TRUE(zx.gs1) << c.text;
            EXPECT_EQ(zx.text, expected) << c.text << " rotation " << rotate;
            EXPECT_EQ(SplitTransmitted(zx.text), v.fields) << c.text << " rotation " << rotate;
            const ScanResult zb = ScanZbar(image);
            EXPECT_EQ(zb.text, expected) << c.text << " rotation " << rotate;
        }
    }
}

} // namespace

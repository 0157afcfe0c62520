#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "control/engine/catalogue.h"
#include "control/symbologies/reasons.h"

namespace {

struct ReasonCase {
    int32_t type;
    std::string text;     // Windows-1252
    std::string expected; // a part of the reason; empty: the text is valid
};

// Well-formed UTF-8 (the reasons reach UTF-8 interfaces).
bool IsUtf8(const std::string& s)
{
    for (size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        const size_t n = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

TEST(InvalidTextReason, NamesWhatToChange)
{
    const std::string fiftyOne(51, 'A');
    const ReasonCase cases[] = {
        // EAN/UPC family
        {1, "5901234123457", ""},
        {1, "5901234123450", "check digit should be 7, not 0"},
        {1, "59012341234", "EAN 13 takes 12 or 13 digits, not 11"},
        {1, "59012341234a", "character 'a' at position 12 cannot be encoded in EAN 13 (digits only)"},
        {2, "123456", "EAN 8 takes 7 or 8 digits, not 6"},
        {2, "12345671", "check digit should be 0, not 1"},
        {16, "123456789012", "an EAN 99 text starts with 99, not \"12\""},
        {16, "9934567890121", "check digit should be 9, not 1"},
        {5, "123456789015", "check digit should be 2, not 5"},
        {17, "1234565", ""},
        {17, "1234560", "check digit should be 5, not 0"},
        {17, "01234565", "UPC E takes 6 or 7 digits, not 8; leave out the leading 0"},
        {17, "11234565", "only number system 0"},
        {17, "12345", "UPC E takes 6 or 7 digits, not 5"},
        {17, "12345a", "character 'a' at position 6 cannot be encoded in UPC E"},
        {3, "1234", "EAN 5 takes 5 digits, not 4"},
        {4, "123", "EAN 2 takes 2 digits, not 3"},
        // ISBN
        {0, "0-306-40615-2", ""},
        {0, "0-306-40615-3", "check character should be 2, not 3"},
        {0, "1234567890", "check character should be X, not 0"},
        {0, "123456789x", "check character should be X, not x"},
        {0, "12345678X", "character 'X' at position 9 cannot be encoded in ISBN"},
        {0, "978-1234567897", "check character should be X, not 7 (after 978"},
        {0, "9791234567897", "not 13; the only prefix it takes is 978, not \"979\""},
        {0, "12-34", "ISBN takes 9 or 10 characters (hyphens aside, after an optional 978), not 4"},
        {0, "12a456789", "character 'a' at position 3 cannot be encoded in ISBN"},
        // Code 39 family and PZN
        {6, "Code 39", "character 'o' at position 2 cannot be encoded in Code 39 (capitals A-Z, digits, space "
                       "and - . $ / + %); for lower-case letters use Code 39 Extended"},
        {6, fiftyOne, "Code 39 takes at most 50 characters, not 51"},
        {6, "AB*C", "'*' marks the start and the stop"},
        {26, "abc", "character 'a' at position 1 cannot be encoded in Code 39 Checksum"},
        {10, "A`B", "character '`' at position 2 cannot be encoded in Code 39 Extended"},
        {10, "A\tB", "character \\x09 at position 2 cannot be encoded in Code 39 Extended"},
        {27, "\xE9t\xE9", "character '\xC3\xA9' at position 1 cannot be encoded in Code 39 Extended Checksum"},
        {23, "1234562", ""},
        {23, "1234563", "check digit should be 2, not 3"},
        {23, "500000", "no PZN check digit"},
        {23, "5000001", "no PZN check digit"},
        {23, "PZN-1234562", "character 'P' at position 1 cannot be encoded in PZN"},
        {23, "12345", "PZN takes 6 or 7 digits, not 5"},
        // 2 of 5 family
        {7, "01234", "Code 25 Interleaved takes an even number of digits, not 5; put a 0 in front"},
        {7, "0123a5", "character 'a' at position 5 cannot be encoded in Code 25 Interleaved"},
        {30, "30712345000011", "check digit should be 0, not 1"},
        {30, "3 07 12345 00001", "character ' ' at position 2 cannot be encoded in ITF 14"},
        {24, "563102430310", "check digit should be 3, not 0"},
        {25, "21348075016400", "check digit should be 1, not 0"},
        {25, "21348.075.016.40", "character '.' at position 6 cannot be encoded in Leitcode"},
        {9, "12a45", "character 'a' at position 3 cannot be encoded in Code 25 (digits only)"},
        // Codabar
        {8, "a1234b", ""},
        {8, "A12", "a Codabar text ends with a stop letter A, B, C or D, not '2'"},
        {8, "1234A", "a Codabar text starts with a start letter A, B, C or D, not '1'"},
        {8, "A1B2A", "character 'B' at position 3 is a start/stop letter"},
        {8, "AB", "Codabar takes at least 3 characters, not 2"},
        {8, "A1E2A", "character 'E' at position 3 cannot be encoded in Codabar"},
        // Code 128
        {11, "A\xF2" "B", ""},
        {11, "Abc", "character 'b' at position 2 cannot be encoded in Code 128A (capitals, digits, punctuation, "
                    "control characters and the function bytes of set A); for lower-case letters use Code 128B or Code 128"},
        {12, "A\x01", "character \\x01 at position 2 cannot be encoded in Code 128B (printable ASCII characters and "
                      "the function bytes of set B); for control characters use Code 128A or Code 128"},
        {12, "A\xED" "B", "character '\xC3\xAD' at position 2 cannot be encoded in Code 128B"},
        {13, "12345", ""},
        {13, "12 34", "character ' ' at position 3 cannot be encoded in Code 128C"},
        {14, "", "the text is empty"},
        {14, "any\x01\xFF", ""},
        // EAN/UCC 128 family
        {15, "", "the text is empty"},
        {28, "", "the text is empty"},
        {28, "(10)ABC<FNC1>(21)123", ""},
        {29, "12345678901230", "check digit should be 1, not 0"},
        {29, "123456789012", "EAN 14 takes 13 or 14 digits, not 12"},
        {31, "340123450000000001", "check digit should be 0, not 1"},
        {31, "3401234500000000", "EAN 18/NVE takes 17 or 18 digits, not 16"},
        {32, "100653005555555551", "check digit should be 8, not 1"},
        // Code 93, MSI, postal
        {21, "Code93", "cannot be encoded in Code 93 (capitals A-Z, digits, space and - . $ / + %); for lower-case "
                       "letters use Code 93 Extended"},
        {21, fiftyOne, "Code 93 takes at most 50 characters, not 51"},
        {22, "Caf\xE9", "character '\xC3\xA9' at position 4 cannot be encoded in Code 93 Extended"},
        {22, std::string("A\0B", 3), ""},
        {20, "12.5", "character '.' at position 3 cannot be encoded in MSI"},
        {18, "12345-6789", "character '-' at position 6 cannot be encoded in PostNet"},
        {18, "", "the text is empty"},
        {19, "", "the text is empty"},
        {19, "ab-12", ""},
        // no symbology, and ids that name none
        {kTypeNone, "", ""},
        {kTypeNone, "\xFF", ""},
        {33, "1", "there is no symbology with the type id 33"},
        {-1, "", "there is no symbology with the type id -1"},
        // how characters are shown
        {9, "1\xA0" "2", "character U+00A0 at position 2"},
        {9, "1\x7F", "character \\x7F at position 2"},
        {9, "\x80", "character '\xE2\x82\xAC' at position 1"},
        {9, "\x81", "character \\x81 at position 1"},
    };
    for (const ReasonCase& c : cases) {
        SCOPED_TRACE("type " + std::to_string(c.type) + " text \"" + c.text + "\"");
        const std::string reason = InvalidTextReason(c.type, c.text);
        if (c.expected.empty()) {
            EXPECT_EQ(reason, "");
        } else {
            EXPECT_NE(reason.find(c.expected), std::string::npos) << reason;
        }
    }
}

// Texts near and far from what each type takes: every byte alone, its
// sample text with digits changed, characters put in, cut short or made
// longer, and random strings.
std::vector<std::string> SweepTexts(const std::string& demo, std::mt19937& rng)
{
    static const std::string kAlphabet =
        "0123456789012345678901234567890123456789ABCDEXYZabcxyz -.$/+%*`\x01\t\x7F\xA0\xE9\xF2\xFE()<FNC1>";
    std::vector<std::string> texts = {"", demo, demo + demo, std::string(50, '1'), std::string(51, 'A')};
    for (int b = 0; b < 256; ++b) {
        texts.emplace_back(1, char(b));
        if (!demo.empty()) texts.push_back(demo.substr(0, demo.size() - 1) + char(b));
    }
    auto pick = [&](const std::string& s) { return s[std::uniform_int_distribution<size_t>(0, s.size() - 1)(rng)]; };
    for (int k = 0; k < 10; ++k) texts.push_back(demo + char('0' + k));
    for (int k = 0; k < 200; ++k) {
        std::string t = demo.empty() ? std::string("1") : demo;
        const size_t at = std::uniform_int_distribution<size_t>(0, t.size() - 1)(rng);
        switch (k % 5) {
        case 0: t[at] = char('0' + rng() % 10); t += char('0' + rng() % 10); break;
        case 1: t[at] = pick(kAlphabet); break;
        case 2: t.erase(at, 1); break;
        case 3: t.insert(at, 1, pick(kAlphabet)); break;
        default:
            t.clear();
            for (size_t n = rng() % 20; n > 0; --n) t += pick(kAlphabet);
        }
        texts.push_back(t);
    }
    return texts;
}

TEST(InvalidTextReason, EmptyExactlyWhenTheSymbolAcceptsTheText)
{
    std::mt19937 rng(20261209);
    for (size_t i = 0; i < TypeInfoCount(); ++i) {
        const TypeInfo& info = TypeInfos()[i];
        const SymbolPtr symbol = CreateSymbol(info.id);
        ASSERT_NE(symbol, nullptr) << info.name;
        for (const std::string& text : SweepTexts(info.demoText, rng)) {
            SCOPED_TRACE(std::string(info.name) + " \"" + text + "\"");
            symbol->SetText(text);
            const bool valid = symbol->IsValid();
            const std::string reason = InvalidTextReason(info.id, text);
            EXPECT_EQ(reason.empty(), valid) << reason;
            // Every refusal is explained by a rule of the type, not by the
            // catch-all.
            EXPECT_EQ(reason.find("not a valid"), std::string::npos) << reason;
            EXPECT_TRUE(IsUtf8(reason)) << reason;
            // A check character named as the right one is: in its place
            // the symbol takes the text.
            if (const size_t at = reason.find(" should be "); at != std::string::npos) {
                std::string fixed = text;
                fixed[fixed.find_last_not_of('-')] = reason[at + 11];
                symbol->SetText(fixed);
                EXPECT_TRUE(symbol->IsValid()) << reason;
            }
        }
    }
}

} // namespace

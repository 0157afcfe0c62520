#include <gtest/gtest.h>

#include "platform/gdi/gdi.h"

namespace {

struct CodepageCase {
    const char* utf8;
    const char* cp1252;
};

TEST(Codepage, Utf8ToWindows1252)
{
    const CodepageCase cases[] = {
        {"ABC 123", "ABC 123"},
        {"\xC3\xA9", "\xE9"},             // e acute
        {"\xE2\x82\xAC", "\x80"},         // euro sign
        {"\xE2\x80\x9E", "\x84"},         // low double quote
        {"\xC5\xBD", "\x8E"},             // Z caron
        {"\xE4\xB8\xAD", "?"},            // not in the code page
        {"\xF0\x9F\x98\x80", "?"},        // outside the BMP
        // Malformed: one '?' per broken sequence, never more.
        {"\xE2\x82", "?"},                // truncated at the end
        {"\xE2\x82" "A", "?A"},           // truncated before ASCII
        {"\xC0\xAF", "??"},               // overlong lead is invalid, so is the lone continuation
        {"\xED\xA0\x80", "???"},          // surrogate: lead ends at the bad second byte
        {"\xF4\x90\x80\x80", "????"},     // past U+10FFFF
        {"\x80", "?"},
        {"\xFF" "x", "?x"},
    };
    for (const auto& c : cases) EXPECT_EQ(Utf8ToCp1252(c.utf8), c.cp1252) << c.utf8;
}

TEST(Codepage, EveryByteRoundTripsThroughUtf8)
{
    // The five unassigned bytes map to their C1 controls and back.
    for (int b = 1; b < 256; ++b) {
        const std::string one(1, char(b));
        EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(one)), one) << b;
    }
}

} // namespace

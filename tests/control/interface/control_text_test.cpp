#include "control_host.h"

#include <random>

namespace {

// Whether `s` is well-formed UTF-8.
bool IsUtf8(const std::string& s)
{
    for (size_t i = 0; i < s.size();) {
        const unsigned char b = s[i];
        const int len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
        if (len == 0 || i + len > s.size())
            return false;
        for (int k = 1; k < len; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                return false;
        i += len;
    }
    return true;
}

TEST(ControlText, StringsCrossAsUtf8AndReachTheSymbolAsWindows1252)
{
    struct Case {
        const char* written;  // UTF-8 from the host
        const char* symbol;   // Windows-1252 in the symbol model
        const char* readBack; // UTF-8 to the host
    };
    const Case cases[] = {
        {"ABC 123", "ABC 123", "ABC 123"},
        {"Gr\u00FC\u00DFe", "Gr\xFC\xDF" "e", "Gr\u00FC\u00DFe"},
        {"\u20AC 5", "\x80 5", "\u20AC 5"},               // the euro sign lives at 0x80
        {"\u0160\u017E\u0178", "\x8A\x9E\x9F", "\u0160\u017E\u0178"},
        {"\u65E5\u672C", "??", "??"},                      // not in the code page
        {"a\U0001F600b", "a?b", "a?b"},
        // Malformed input: each bad byte becomes '?', never a failure.
        {"\xFF", "?", "?"},
        {"A\x80" "B", "A?B", "A?B"},
        {"\xC0\xAF", "??", "??"},                          // overlong
        {"\xED\xA0\x80", "???", "???"},                    // a surrogate
        {"x\xF4\x90\x80\x80", "x????", "x????"},           // past U+10FFFF
    };
    for (const auto& c : cases) {
        CHost host;
        host.Put("Text", Variant(c.written));
        EXPECT_EQ(host.control->GetSymbol()->GetText(), c.symbol) << c.written;
        EXPECT_EQ(host.Get("Text"), Variant(c.readBack)) << c.written;
        EXPECT_EQ(host.events.back(), "TextChange(" + std::string(c.readBack) + ")") << c.written;
    }
}

TEST(ControlText, TruncatedSequencesNeverSurviveTheBoundary)
{
    for (const char* text : {"abc\xE2\x82", "abc\xE2", "\xF0\x9F\x98", "\xC3"}) {
        CHost host;
        host.Put("Text", Variant(text));
        const std::string back = host.Get("Text").ToString();
        EXPECT_TRUE(IsUtf8(back)) << text;
        EXPECT_NE(back.find('?'), std::string::npos) << text;
        EXPECT_EQ(back.find_first_not_of("abc?"), std::string::npos) << back;
    }
}

TEST(ControlText, ArbitraryBytesNeverBreakTheControl)
{
    std::mt19937 random(1234);
    CHost host;
    host.Put("AutoType", Variant(true));
    for (int round = 0; round < 300; ++round) {
        std::string text(random() % 24, '\0');
        for (char& c : text)
            c = char(random() % 256);
        host.Put("Text", Variant(text));
        host.Put("TypeName", Variant(text));
        EXPECT_TRUE(IsUtf8(host.Get("Text").ToString()));
        EXPECT_TRUE(IsUtf8(host.Get("TypeName").ToString()));
    }
}

TEST(ControlText, TypeNamesAreUpperCasedInTheCodePage)
{
    CHost host;
    host.Put("TypeName", Variant("code 39 extended checksum"));
    EXPECT_EQ(host.Get("Type"), Variant(27));
    host.Put("TypeName", Variant("r\u00F6yal mail")); // not a name: nothing changes
    EXPECT_EQ(host.Get("Type"), Variant(27));
}

} // namespace

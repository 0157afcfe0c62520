// A value written reads back as it was written, also when reading would
// otherwise trim its blanks or take its enclosing quotes away.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "platform/profile/profile.h"

namespace {

namespace fs = std::filesystem;

TEST(ProfileRoundTrip, ValuesReadBackAsWritten)
{
    const fs::path path = fs::temp_directory_path() / ("tessaline-roundtrip-" + std::to_string(getpid()) + ".ini");
    const std::string values[] = {
        "plain",     " leading blank", "trailing blank ", "\ttab", "'single quoted'", "\"double quoted\"",
        "\"",        "''",            "\"mixed'",        "it's", "a \"b\" c",       "\" both \"",
        "",          " ",
    };
    CProfile p;
    for (size_t i = 0; i < std::size(values); ++i) p.Set("BARCODE", "Key" + std::to_string(i), values[i]);
    ASSERT_TRUE(p.SaveAs(path.string()));
    const CProfile q(path.string());
    for (size_t i = 0; i < std::size(values); ++i)
        EXPECT_EQ(q.GetString("BARCODE", "Key" + std::to_string(i), "?"), values[i]) << i;
    fs::remove(path);
}

// Only values that need it are quoted: the file stays as a person writes it.
TEST(ProfileRoundTrip, PlainValuesAreWrittenPlain)
{
    CProfile p;
    p.Set("BARCODE", "Text", "123456789012");
    p.Set("BARCODE", "Type", "EAN 13");
    p.Set("FONT", "Name", " Arial");
    EXPECT_EQ(p.Text(), "[BARCODE]\nText=123456789012\nType=EAN 13\n[FONT]\nName=\" Arial\"\n");
}

} // namespace

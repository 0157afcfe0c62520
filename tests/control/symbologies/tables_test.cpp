// The character tables against the rules of their published standards:
// element counts, module widths, parity, uniqueness, and sample characters
// as the standards print them.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "control/symbologies/engine.h"

namespace {

std::string Widths(const PatternEntry* table, int key)
{
    const char* w = FindPatternWidths(table, key);
    return w ? w : "";
}

// Modules of the dark (or light) elements of a bar-first pattern.
int32_t DarkModules(const std::string& w, bool dark = true)
{
    int32_t sum = 0;
    for (size_t i = dark ? 0 : 1; i < w.size(); i += 2) sum += w[i] - '0';
    return sum;
}

struct DataRule {
    const char* name;
    const PatternEntry* table;
    size_t elements;   // of every data character
    int32_t modules;   // of every data character
    std::string start, stop;
};

// Every data character (key >= 0) has the published element count and width;
// start and stop are the published ones; no two entries look alike.
TEST(PatternTables, CharactersHaveThePublishedShape)
{
    const DataRule rules[] = {
        // ISO/IEC 15417 Table 1: 3 bars and 3 spaces, 11 modules; start A
        // and stop (with its termination bar).
        {"Code 128A", kCode128APatterns, 6, 11, "211412", "2331112"},
        {"Code 128B", kCode128BPatterns, 6, 11, "211214", "2331112"},
        // ANSI/AIM BC5: 3 bars and 3 spaces, 9 modules.
        {"Code 93", kCode93Patterns, 6, 9, "111141", "1111411"},
        // Industrial 2 of 5 at 3:1: 5 bars, 2 wide, narrow spaces.
        {"Code 25", kCode25Patterns, 9, 13, "31311", "31113"},
        // MSI at 2:1: four bit cells of bar and space, 3 modules each.
        {"MSI", kMsiPatterns, 8, 12, "21", "121"},
    };
    for (const auto& r : rules) {
        std::set<std::string> seen;
        const int n = CountPatterns(r.table);
        ASSERT_GT(n, 0) << r.name;
        for (int i = 0; i < n; ++i) {
            const std::string w = r.table[i].pattern;
            EXPECT_TRUE(seen.insert(w).second) << r.name << " value " << i << " repeats " << w;
            if (r.table[i].key == kKeyStart || r.table[i].key == kKeyStop) continue;
            EXPECT_EQ(w.size(), r.elements) << r.name << " value " << i;
            EXPECT_EQ(PatternModules(w.c_str()), r.modules) << r.name << " value " << i;
        }
        EXPECT_EQ(Widths(r.table, kKeyStart), r.start) << r.name;
        EXPECT_EQ(Widths(r.table, kKeyStop), r.stop) << r.name;
    }
}

// ISO/IEC 15417: the bars of every character take an even number of
// modules, the spaces an odd one; the values follow the standard's order.
TEST(PatternTables, Code128ParityAndSampleValues)
{
    for (int v = 0; v < 106; ++v) {
        const std::string w = kCode128APatterns[v].pattern;
        EXPECT_EQ(DarkModules(w) % 2, 0) << v;
        EXPECT_EQ(DarkModules(w, false) % 2, 1) << v;
        // Sets A, B and C share the patterns value by value.
        EXPECT_STREQ(kCode128APatterns[v].pattern, kCode128BPatterns[v].pattern) << v;
    }
    const std::pair<int, const char*> samples[] = {
        {0, "212222"}, {1, "222122"}, {2, "222221"}, {103, "211412"}, {104, "211214"}, {105, "211232"},
        {106, "2331112"},
    };
    for (auto [v, w] : samples) EXPECT_STREQ(kCode128APatterns[v].pattern, w) << v;
    EXPECT_EQ(FindPatternIndex(kCode128APatterns, 'A'), 33);
    EXPECT_EQ(FindPatternIndex(kCode128BPatterns, 'a'), 65);
}

TEST(PatternTables, Code93SampleCharacters)
{
    const std::pair<int, const char*> samples[] = {
        {'0', "131112"}, {'7', "111114"}, {'A', "211113"},
    };
    for (auto [key, w] : samples) EXPECT_EQ(Widths(kCode93Patterns, key), w) << char(key);
    // The value order of the check characters: digits 0-9, then A-Z from 10.
    EXPECT_EQ(FindPatternIndex(kCode93Patterns, '9'), 9);
    EXPECT_EQ(FindPatternIndex(kCode93Patterns, 'A'), 10);
    EXPECT_EQ(FindPatternIndex(kCode93Patterns, '%'), 42);
}

// Code 25 carries its data in the bars: two of the five are wide and the
// spaces are narrow. MSI: a wide bar in a cell is a 1 bit.
TEST(PatternTables, Code25AndMsiDigitsEncodeTheirValues)
{
    for (char d = '0'; d <= '9'; ++d) {
        const std::string c25 = Widths(kCode25Patterns, d);
        EXPECT_EQ(std::count(c25.begin(), c25.end(), '3'), 2) << d;
        EXPECT_EQ(DarkModules(c25, false), 4) << d;

        const std::string msi = Widths(kMsiPatterns, d);
        int value = 0;
        for (size_t cell = 0; cell < 4; ++cell) value = 2 * value + (msi[2 * cell] == '2');
        EXPECT_EQ(value, d - '0');
    }
}

// ISO/IEC 15420: number set B is number set A read backwards; set A has an
// odd number of dark modules, set B an even one; both take 7 modules.
TEST(PatternTables, UpcENumberSets)
{
    const std::pair<char, const char*> setA[] = {{'0', "3211"}, {'3', "1411"}, {'9', "3112"}};
    for (auto [d, w] : setA) EXPECT_EQ(Widths(kUpcEPatterns, d), w) << d;
    for (char d = '0'; d <= '9'; ++d) {
        const std::string a = Widths(kUpcEPatterns, d), b = Widths(kUpcEEvenPatterns, d);
        EXPECT_EQ(std::string(a.rbegin(), a.rend()), b) << d;
        EXPECT_EQ(PatternModules(a.c_str()), 7) << d;
        // Light first: the dark elements are the second and the fourth.
        EXPECT_EQ(DarkModules(a, false) % 2, 1) << d;
        EXPECT_EQ(DarkModules(b, false) % 2, 0) << d;
    }
    EXPECT_EQ(Widths(kUpcEPatterns, kKeyStart), "111");
    EXPECT_EQ(Widths(kUpcEPatterns, kKeyStop), "111111");
}

TEST(PatternTables, LookUpTakesTheFirstEntry)
{
    const PatternEntry table[] = {{'A', "1"}, {'B', "2"}, {'A', "3"}, {kKeyEnd, ""}};
    EXPECT_EQ(FindPatternIndex(table, 'A'), 0);
    EXPECT_EQ(Widths(table, 'B'), "2");
    EXPECT_EQ(FindPatternIndex(table, 'C'), -1);
    EXPECT_EQ(FindPatternIndex(nullptr, 'A'), -1);
    EXPECT_EQ(FindPatternWidths(table, kKeyEnd), nullptr);
    EXPECT_EQ(CountPatterns(table), 3);
    EXPECT_EQ(CountPatterns(nullptr), 0);
}

} // namespace

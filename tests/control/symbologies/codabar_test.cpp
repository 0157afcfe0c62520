#include <gtest/gtest.h>

#include <cctype>
#include <random>

#include "control/symbologies/symbologies.h"
#include "tests/control/symbologies/own_draw_support.h"

namespace {

SymbolPtr Codabar(const std::string& text)
{
    SymbolPtr s = CreateCodabarBarcode();
    s->SetText(text);
    return s;
}

TEST(Codabar, Acceptance)
{
    const struct {
        const char* text;
        bool valid;
    } cases[] = {
        {"A1234A", true},
        {"a1234b", true},   // lower-case start and stop letters
        {"C-$:/.+0D", true},
        {"B0123456789D", true},
        {"A1A", true},
        {"A12", false},     // no stop letter
        {"112A", false},    // no start letter
        {"A1B2A", false},   // start/stop letter inside
        {"A1b2A", false},
        {"AB", false},      // fewer than three characters
        {"A", false},
        {"", false},
        {"A1E2A", false},   // E is not a Codabar character
        {"A1 2A", false},
        {"A1*2A", false},
        {"T123N", false},   // the alternative start/stop letters are not taken
    };
    for (const auto& c : cases) EXPECT_EQ(bool(Codabar(c.text)->IsValid()), c.valid) << c.text;
}

TEST(Codabar, CatalogueRow)
{
    SymbolPtr s = CreateCodabarBarcode();
    EXPECT_EQ(s->GetType(), 8);
    EXPECT_EQ(s->GetTypeName(), "Codabar");
    EXPECT_EQ(s->GetDemoText(), "A1234A");
    s->SetText("A1234A");
    EXPECT_TRUE(s->IsValid());
    EXPECT_EQ(s->GetChecksum(), -1);
}

// Published Codabar patterns, narrow 1 and wide 2, each character
// followed by a one-module gap.
TEST(Codabar, ElementWidths)
{
    const struct {
        const char* text;
        int modules;
        std::string elements;
    } cases[] = {
        // A 1 2 3 4 A: 11 + 4 x 10 + 11 modules.
        {"A1234A", 62,
         std::string("1122121") + "1" + "1111221" + "1" + "1112112" + "1" + "2211111" + "1" + "1121121" + "1" +
             "1122121"},
        {"b-$:/.+c", 86,
         std::string("1212112") + "1" + "1112211" + "1" + "1122111" + "1" + "2111212" + "1" + "2121112" + "1" +
             "2121211" + "1" + "1121212" + "1" + "1112122"},
        {"D90D", 42,
         std::string("1112221") + "1" + "2112111" + "1" + "1111122" + "1" + "1112221"},
    };
    for (const auto& c : cases) {
        for (int module : {1, 2, 3}) {
            SymbolPtr s = Codabar(c.text);
            const CMetaFileDC dc = owndraw::PaintFlat(*s, c.modules * module + module - 1);
            ASSERT_TRUE(s->IsSizeOk()) << c.text;
            EXPECT_EQ(s->GetModuleWidth(), module);
            EXPECT_EQ(s->GetSymbolWidth(), c.modules * module);
            EXPECT_EQ(owndraw::ElementWidths(dc, module), c.elements) << c.text << " module " << module;
        }
    }
}

TEST(Codabar, SizeLimit)
{
    SymbolPtr s = Codabar("A1234A");
    owndraw::PaintFlat(*s, 61);
    EXPECT_FALSE(s->IsSizeOk());
    owndraw::PaintFlat(*s, 62);
    EXPECT_TRUE(s->IsSizeOk());
}

// Every character, start and stop included, is printed as typed five
// modules after its start.
TEST(Codabar, PrintsEveryCharacter)
{
    SymbolPtr s = Codabar("a12b");
    const int module = 2;
    const CMetaFileDC dc = owndraw::PaintFlat(*s, 42 * module, 0, TRUE);
    ASSERT_TRUE(s->IsSizeOk());
    std::vector<std::pair<int, std::string>> got;
    for (const auto& r : dc.Records())
        if (r.kind == MetaRecord::TextOut) got.emplace_back(r.pt.x / module, r.text);
    const std::vector<std::pair<int, std::string>> expected = {{5, "a"}, {16, "1"}, {26, "2"}, {36, "b"}};
    EXPECT_EQ(got, expected);
}

// zxing-cpp strips the start and stop letters, zbar reports them in
// capitals; both read the lower-case letters as their capitals.
TEST(Codabar, DecodersReadEveryRotationAndModuleWidth)
{
    const char* texts[] = {"A1234A", "a1234b", "C-$:/.+0D", "B0123456789D", "D9012D", "A40156B", "c$1.00d"};
    for (const std::string text : texts) {
        std::string upper;
        for (char c : text) upper += char(std::toupper(static_cast<unsigned char>(c)));
        for (int module : owndraw::kModuleWidths) {
            for (int16_t rotate : owndraw::kRotations) {
                SymbolPtr s = Codabar(text);
                int modules = 0;
                for (char c : upper) modules += std::string(":/.+ABCD").find(c) == std::string::npos ? 10 : 11;
                const GrayImage img = owndraw::Render(*s, modules, module, rotate);
                ASSERT_TRUE(s->IsSizeOk()) << text;
                ASSERT_EQ(s->GetModuleWidth(), module) << text;
                EXPECT_EQ(ScanZxing(img, "Codabar").text, upper.substr(1, upper.size() - 2))
                    << text << " module " << module << " rotation " << rotate;
                // zbar's Codabar reader does not resolve 2:1 elements of one
                // pixel; from two pixels a module on it reads every text.
                if (module >= 2) {
                    EXPECT_EQ(ScanZbar(img).text, upper) << text << " module " << module << " rotation " << rotate;
                }
            }
        }
    }
}

} // namespace

namespace {

TEST(Codabar, RandomTextsDecode)
{
    std::mt19937 rng(8);
    const std::string data = "0123456789-$:/.+";
    const std::string ends = "AaBbCcDd";
    for (int round = 0; round < 60; ++round) {
        std::string text(1, ends[rng() % 8]);
        const size_t n = 2 + rng() % 40;
        for (size_t i = 0; i < n; ++i) text += data[rng() % data.size()];
        text += ends[rng() % 8];
        std::string upper;
        for (char c : text) upper += char(std::toupper(static_cast<unsigned char>(c)));
        int modules = 0;
        for (char c : upper) modules += std::string(":/.+ABCD").find(c) == std::string::npos ? 10 : 11;
        const int module = owndraw::kModuleWidths[rng() % 3];
        const int16_t rotate = owndraw::kRotations[rng() % 4];
        SymbolPtr s = Codabar(text);
        ASSERT_TRUE(s->IsValid()) << text;
        const GrayImage img = owndraw::Render(*s, modules, module, rotate);
        EXPECT_EQ(ScanZxing(img, "Codabar").text, upper.substr(1, upper.size() - 2)) << text << " " << module;
        // zbar overruns its own buffer on Codabar symbols of 32 characters
        // and more, so it only reads the shorter ones.
        if (module >= 2 && text.size() <= 31) {
            EXPECT_EQ(ScanZbar(img).text, upper) << text << " " << module << " " << rotate;
        }
    }
}

} // namespace

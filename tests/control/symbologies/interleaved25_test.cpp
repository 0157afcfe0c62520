#include <gtest/gtest.h>

#include <random>

#include "control/symbologies/interleaved25.h"
#include "control/symbologies/symbologies.h"
#include "tests/control/symbologies/own_draw_support.h"

namespace {

using Factory = SymbolPtr (*)();

SymbolPtr Make(Factory factory, const std::string& text)
{
    SymbolPtr s = factory();
    s->SetText(text);
    return s;
}

// Check digits worked by hand (and the published GTIN-14 example).
TEST(Interleaved25, CheckDigits)
{
    const struct {
        Factory factory;
        const char* text;
        int32_t checksum;
    } cases[] = {
        {CreateItf14Barcode, "3071234500001", 0},
        {CreateItf14Barcode, "30712345000010", 0},
        {CreateItf14Barcode, "30712345000011", 0},  // the computed digit, though the text is invalid
        {CreateItf14Barcode, "1540014128876", 3},   // 97
        {CreateItf14Barcode, "1234567890123", 1},   // 109
        {CreateItf14Barcode, "123456789012", -2},
        {CreateItf14Barcode, "307123450000100", -2},
        {CreateItf14Barcode, "307123450000A", -2},
        {CreateIdentcodeBarcode, "56310243031", 3},  // 4 x 13 + 9 x 15 = 187
        {CreateIdentcodeBarcode, "12345678901", 6},  // 4 x 26 + 9 x 20 = 284
        {CreateIdentcodeBarcode, "1234567890", -2},
        {CreateLeitcodeBarcode, "2134807501640", 1}, // 4 x 26 + 9 x 15 = 239
        {CreateLeitcodeBarcode, "0000000000000", 0},
        {CreateLeitcodeBarcode, "1000000000000", 6}, // 4
        {CreateLeitcodeBarcode, "213480750164", -2},
        {CreateInterleaved25Barcode, "012345", -1},
        {CreateInterleaved25Barcode, "01234", -1},
    };
    for (const auto& c : cases) EXPECT_EQ(Make(c.factory, c.text)->GetChecksum(), c.checksum) << c.text;
}

// The routine EAN 14 shares.
TEST(Interleaved25, Itf14ChecksumRoutine)
{
    EXPECT_EQ(Itf14Checksum("3071234500001"), 0);
    EXPECT_EQ(Itf14Checksum("1234567890123"), 1);
    EXPECT_EQ(Itf14Checksum("12345678901231"), 1);
    EXPECT_EQ(Itf14Checksum("1540014128876"), 3);
    EXPECT_EQ(Itf14Checksum("123"), -2);
    EXPECT_EQ(Itf14Checksum(""), -2);
    EXPECT_EQ(Itf14Checksum("12345678901x3"), -2);
}

TEST(Interleaved25, Acceptance)
{
    const struct {
        Factory factory;
        const char* text;
        bool valid;
    } cases[] = {
        {CreateInterleaved25Barcode, "012345", true},
        {CreateInterleaved25Barcode, "01", true},
        {CreateInterleaved25Barcode, "01234", false}, // odd: no zero is added
        {CreateInterleaved25Barcode, "0", false},
        {CreateInterleaved25Barcode, "", false},
        {CreateInterleaved25Barcode, "01234A", false},
        {CreateInterleaved25Barcode, "0123 5", false},
        {CreateItf14Barcode, "3071234500001", true},
        {CreateItf14Barcode, "30712345000010", true},
        {CreateItf14Barcode, "30712345000011", false},
        {CreateItf14Barcode, "307123450000", false},
        {CreateItf14Barcode, "307123450000100", false},
        {CreateIdentcodeBarcode, "56310243031", true},
        {CreateIdentcodeBarcode, "563102430313", true},
        {CreateIdentcodeBarcode, "563102430314", false},
        {CreateIdentcodeBarcode, "5631024303", false},
        {CreateLeitcodeBarcode, "2134807501640", true},
        {CreateLeitcodeBarcode, "21348075016401", true},
        {CreateLeitcodeBarcode, "21348075016402", false},
        {CreateLeitcodeBarcode, "21348075016", false},
    };
    for (const auto& c : cases) EXPECT_EQ(bool(Make(c.factory, c.text)->IsValid()), c.valid) << c.text;
}

TEST(Interleaved25, CatalogueRowsAndDisplayTexts)
{
    const struct {
        Factory factory;
        int32_t type;
        const char* name;
        const char* display; // of the demo text
    } rows[] = {
        {CreateInterleaved25Barcode, 7, "Code 25 Interleaved", "012345"},
        {CreateItf14Barcode, 30, "ITF 14", "3 07 12345 00001 0"},
        {CreateIdentcodeBarcode, 24, "Identcode", "56.310 243.031 3"},
        {CreateLeitcodeBarcode, 25, "Leitcode", "21348.075.016.40 1"},
    };
    for (const auto& r : rows) {
        SymbolPtr s = r.factory();
        EXPECT_EQ(s->GetType(), r.type);
        EXPECT_EQ(s->GetTypeName(), r.name);
        s->SetText(s->GetDemoText());
        EXPECT_TRUE(s->IsValid()) << r.name;
        EXPECT_EQ(s->GetDisplayText(), r.display);
    }
    // A typed check digit shows as itself; a malformed text is shown as is.
    EXPECT_EQ(Make(CreateItf14Barcode, "15400141288763")->GetDisplayText(), "1 54 00141 28876 3");
    EXPECT_EQ(Make(CreateIdentcodeBarcode, "123")->GetDisplayText(), "123");
}

// Published interleaved 2 of 5 elements (narrow 1, wide 3): the first digit
// of a pair in the bars, the second in the spaces.
TEST(Interleaved25, ElementWidths)
{
    const std::string start = "1111";
    const std::string stop = "311";
    const struct {
        Factory factory;
        const char* text;
        int modules;
        int used;
        std::string elements;
    } cases[] = {
        {CreateInterleaved25Barcode, "012345", 68, 64,
         start + "1311313113" + "1333111131" + "1311331131" + stop},
        {CreateInterleaved25Barcode, "90", 32, 28, start + "1131133311" + stop},
        // 12 digits: 56 31 02 43 03 13 in 122 modules.
        {CreateIdentcodeBarcode, "56310243031", 122, 118,
         start + "3113331111" + "3331111113" + "1113313113" + "1313311131" + "1313313111" + "3313111131" + stop},
    };
    for (const auto& c : cases) {
        for (int module : {1, 2, 3}) {
            SymbolPtr s = Make(c.factory, c.text);
            const CMetaFileDC dc = owndraw::PaintFlat(*s, c.modules * module + module - 1);
            ASSERT_TRUE(s->IsSizeOk()) << c.text;
            EXPECT_EQ(s->GetModuleWidth(), module);
            EXPECT_EQ(s->GetSymbolWidth(), c.used * module);
            EXPECT_EQ(owndraw::ElementWidths(dc, module), c.elements) << c.text << " module " << module;
        }
    }
}

TEST(Interleaved25, ModuleCounts)
{
    const struct {
        Factory factory;
        const char* text;
        int modules; // the area's division
        int used;
    } cases[] = {
        {CreateInterleaved25Barcode, "012345", 68, 64},
        {CreateItf14Barcode, "3071234500001", 136, 136},
        {CreateItf14Barcode, "30712345000010", 136, 136},
        {CreateIdentcodeBarcode, "563102430313", 122, 118},
        {CreateLeitcodeBarcode, "2134807501640", 140, 136},
    };
    for (const auto& c : cases) {
        SymbolPtr s = Make(c.factory, c.text);
        owndraw::PaintFlat(*s, c.modules - 1);
        EXPECT_FALSE(s->IsSizeOk()) << c.text;
        owndraw::PaintFlat(*s, 2 * c.modules);
        EXPECT_TRUE(s->IsSizeOk()) << c.text;
        EXPECT_EQ(s->GetSymbolWidth(), 2 * c.used) << c.text;
    }
}

// A 12-digit Identcode with the right check digit draws the bars of the
// 11-digit text.
TEST(Interleaved25, TypedCheckDigitDrawsTheSameBars)
{
    SymbolPtr a = Make(CreateIdentcodeBarcode, "56310243031");
    SymbolPtr b = Make(CreateIdentcodeBarcode, "563102430313");
    EXPECT_EQ(owndraw::ElementWidths(owndraw::PaintFlat(*a, 244), 2),
              owndraw::ElementWidths(owndraw::PaintFlat(*b, 244), 2));
}

std::vector<std::pair<int, std::string>> Texts(const CMetaFileDC& dc)
{
    std::vector<std::pair<int, std::string>> out;
    for (const auto& r : dc.Records())
        if (r.kind == MetaRecord::TextOut) out.emplace_back(r.pt.x, r.text);
    return out;
}

TEST(Interleaved25, PrintedTexts)
{
    // Each pair under its bars.
    SymbolPtr i25 = Make(CreateInterleaved25Barcode, "012345");
    const std::vector<std::pair<int, std::string>> pairs = {{8, "01"}, {44, "23"}, {80, "45"}};
    EXPECT_EQ(Texts(owndraw::PaintFlat(*i25, 136, 0, TRUE)), pairs);

    // ITF 14: "3 07 12345 00001 0" spread over 136 units in steps of
    // 136 / 16; the check digit at the end is not printed.
    SymbolPtr itf = Make(CreateItf14Barcode, "3071234500001");
    const auto spread = Texts(owndraw::PaintFlat(*itf, 136, 0, TRUE));
    ASSERT_EQ(spread.size(), 17u);
    const std::string shown = "3 07 12345 00001 ";
    for (size_t i = 0; i < spread.size(); ++i) {
        EXPECT_EQ(spread[i].first, int(i) * 8);
        EXPECT_EQ(spread[i].second, shown.substr(i, 1));
    }

    // Nothing is printed with the text off.
    for (Factory f : {CreateInterleaved25Barcode, CreateItf14Barcode, CreateIdentcodeBarcode, CreateLeitcodeBarcode}) {
        SymbolPtr s = f();
        s->SetText(s->GetDemoText());
        const CMetaFileDC dc = owndraw::PaintFlat(*s, 280);
        ASSERT_TRUE(s->IsSizeOk());
        EXPECT_TRUE(Texts(dc).empty()) << s->GetTypeName();
    }
}

TEST(Interleaved25, DecodersReadEveryRotationAndModuleWidth)
{
    const struct {
        Factory factory;
        std::string text;
        int modules;
        std::string decoded; // with the check digit where the type has one
    } cases[] = {
        {CreateInterleaved25Barcode, "012345", 68, "012345"},
        {CreateInterleaved25Barcode, "1234567890", 104, "1234567890"},
        {CreateInterleaved25Barcode, "000000", 68, "000000"},
        {CreateInterleaved25Barcode, "99887766554433221100", 194, "99887766554433221100"},
        {CreateInterleaved25Barcode, "13579246801357924680135792468013579246", 356,
         "13579246801357924680135792468013579246"},
        {CreateItf14Barcode, "3071234500001", 136, "30712345000010"},
        {CreateItf14Barcode, "1540014128876", 136, "15400141288763"},
        {CreateItf14Barcode, "12345678901231", 136, "12345678901231"},
        {CreateIdentcodeBarcode, "56310243031", 122, "563102430313"},
        {CreateLeitcodeBarcode, "2134807501640", 140, "21348075016401"},
    };
    for (const auto& c : cases) {
        for (int module : owndraw::kModuleWidths) {
            for (int16_t rotate : owndraw::kRotations) {
                SymbolPtr s = Make(c.factory, c.text);
                const GrayImage img = owndraw::Render(*s, c.modules, module, rotate);
                ASSERT_TRUE(s->IsSizeOk()) << c.text;
                ASSERT_EQ(s->GetModuleWidth(), module) << c.text;
                EXPECT_EQ(ScanZxing(img, "ITF").text, c.decoded) << c.text << " module " << module << " rotation " << rotate;
                const ScanResult zb = ScanZbar(img);
                EXPECT_EQ(zb.text, c.decoded) << c.text << " module " << module << " rotation " << rotate;
                EXPECT_EQ(zb.format, "I2/5");
            }
        }
    }
}

} // namespace

namespace {

// Random digit texts of every even length the decoders take (six and up),
// and random ITF 14, Identcode and Leitcode numbers.
TEST(Interleaved25, RandomTextsDecode)
{
    std::mt19937 rng(25);
    const auto digits = [&](size_t n) {
        std::string t;
        for (size_t i = 0; i < n; ++i) t += char('0' + rng() % 10);
        return t;
    };
    for (int round = 0; round < 60; ++round) {
        const int module = owndraw::kModuleWidths[rng() % 3];
        const int16_t rotate = owndraw::kRotations[rng() % 4];
        const std::string text = digits(2 * (3 + rng() % 20));
        SymbolPtr s = Make(CreateInterleaved25Barcode, text);
        GrayImage img = owndraw::Render(*s, 18 * int(text.size() / 2) + 14, module, rotate);
        EXPECT_EQ(ScanZxing(img, "ITF").text, text) << module << " " << rotate;
        EXPECT_EQ(ScanZbar(img).text, text) << module << " " << rotate;

        const struct {
            Factory factory;
            size_t digits;
            int modules;
        } checked[] = {{CreateItf14Barcode, 13, 136}, {CreateIdentcodeBarcode, 11, 122}, {CreateLeitcodeBarcode, 13, 140}};
        const auto& c = checked[round % 3];
        const std::string data = digits(c.digits);
        s = Make(c.factory, data);
        const std::string full = data + char('0' + s->GetChecksum());
        img = owndraw::Render(*s, c.modules, module, rotate);
        EXPECT_EQ(ScanZxing(img, "ITF").text, full) << module << " " << rotate;
        EXPECT_EQ(ScanZbar(img).text, full) << module << " " << rotate;
    }
}

} // namespace

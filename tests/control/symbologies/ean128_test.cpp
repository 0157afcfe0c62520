// The EAN/UCC 128 family: check digits and validation of EAN 14, EAN 18/NVE
// and SSCC 18, the symbol characters and printed texts of all five types,
// and scan-back as GS1 symbols.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "control/symbologies/engine.h"
#include "control/symbologies/symbologies.h"
#include "tests/control/symbologies/code128_support.h"

namespace {

using namespace code128_test;

struct CheckCase {
    SymbolPtr (*create)();
    std::string text;
    int32_t check; // worked by hand; -2 for a malformed text
};

TEST(Ean128CheckDigits, KnownNumbers)
{
    const CheckCase cases[] = {
        {CreateEan14Barcode, "1234567890123", 1},
        {CreateEan14Barcode, "12345678901231", 1},
        {CreateEan14Barcode, "0061414199999", 6},
        {CreateEan14Barcode, "1061414100001", 9},
        {CreateEan14Barcode, "0000000000000", 0},
        {CreateEan14Barcode, "9999999999999", 7},
        {CreateEan14Barcode, "4012345000009", 8},
        {CreateSscc18Barcode, "10065300555555555", 8},
        {CreateSscc18Barcode, "106141411234567897", 7},
        {CreateSscc18Barcode, "10614141123456789", 7},
        {CreateSscc18Barcode, "00000000000000000", 0},
        {CreateEan18Barcode, "34012345000000000", 0},
        {CreateEan18Barcode, "99999999999999999", 5},
        {CreateEan18Barcode, "12345678901234567", 5},
        // Malformed: wrong length or not all digits.
        {CreateEan14Barcode, "123456789012", -2},
        {CreateEan14Barcode, "123456789012345", -2},
        {CreateEan14Barcode, "123456789012A", -2},
        {CreateEan14Barcode, "", -2},
        {CreateEan18Barcode, "1234567890123456", -2},
        {CreateEan18Barcode, "1234567890123456789", -2},
        {CreateSscc18Barcode, "1234567890123456X", -2},
        {CreateSscc18Barcode, "(00)1234567890123456", -2},
    };
    for (const auto& c : cases) {
        auto symbol = c.create();
        symbol->SetText(c.text);
        EXPECT_EQ(symbol->GetChecksum(), c.check) << symbol->GetTypeName() << " " << c.text;
    }
}

struct ValidityCase {
    SymbolPtr (*create)();
    std::string text;
    bool valid;
};

TEST(Ean128Validity, LengthsLettersAndCheckDigits)
{
    const ValidityCase cases[] = {
        {CreateEan14Barcode, "1234567890123", true},
        {CreateEan14Barcode, "12345678901231", true},
        {CreateEan14Barcode, "12345678901230", false},
        {CreateEan14Barcode, "12345678901239", false},
        {CreateEan14Barcode, "123456789012", false},
        {CreateEan14Barcode, "123456789012312", false},
        {CreateEan14Barcode, "12345678901a3", false},
        {CreateEan14Barcode, "", false},
        {CreateEan18Barcode, "34012345000000000", true},
        {CreateEan18Barcode, "340123450000000000", true},
        {CreateEan18Barcode, "340123450000000001", false},
        {CreateEan18Barcode, "3401234500000000", false},
        {CreateEan18Barcode, "3401234500000000000", false},
        {CreateEan18Barcode, "3401234500000000O", false},
        {CreateSscc18Barcode, "10065300555555555", true},
        {CreateSscc18Barcode, "100653005555555558", true},
        {CreateSscc18Barcode, "100653005555555557", false},
        {CreateSscc18Barcode, "1006530055555555 ", false},
        {CreateEanUcc128Barcode, "", false},
        {CreateEanUcc128Barcode, "x", true},
        {CreateEanUcc128Barcode, "any text \x01\xE9", true},
        {CreateEanUcc128AiBarcode, "", false},
        {CreateEanUcc128AiBarcode, "<FNC1>", true},
    };
    for (const auto& c : cases) {
        auto symbol = c.create();
        symbol->SetText(c.text);
        EXPECT_EQ(symbol->IsValid() != FALSE, c.valid) << symbol->GetTypeName() << " " << c.text;
    }
}

TEST(Ean128Types, Constants)
{
    struct Case {
        SymbolPtr (*create)();
        int32_t type;
        const char* name;
        const char* demo;
        int32_t demoCheck;
    } const cases[] = {
        {CreateEanUcc128Barcode, 15, "EAN/UCC 128", "EAN/UCC 128", -1},
        {CreateEanUcc128AiBarcode, 28, "EAN/UCC 128 AI", "(01)01234567890128(15)051231", -1},
        {CreateEan14Barcode, 29, "EAN 14", "12345678901231", 1},
        {CreateEan18Barcode, 31, "EAN 18/NVE", "34012345000000000", 0},
        {CreateSscc18Barcode, 32, "SSCC 18", "10065300555555555", 8},
    };
    for (const auto& c : cases) {
        auto symbol = c.create();
        ASSERT_TRUE(symbol);
        EXPECT_EQ(symbol->GetType(), c.type);
        EXPECT_EQ(symbol->GetTypeName(), c.name);
        EXPECT_EQ(symbol->GetDemoText(), c.demo);
        symbol->SetText(c.demo);
        EXPECT_TRUE(symbol->IsValid()) << c.name;
        EXPECT_EQ(symbol->GetChecksum(), c.demoCheck) << c.name;
    }
}

// --- bars and printed text ---------------------------------------------------------

struct SymbolCase {
    SymbolPtr (*create)();
    std::string text;
    std::string encoded;     // the prepared text the bars carry ("<FNC1>" for type 28)
    std::vector<int> values; // check characters worked by hand
    std::string shown;
};

const SymbolCase kSymbols[] = {
    {CreateEanUcc128Barcode, "EAN/UCC 128", "EAN/UCC 128",
     {103, 102, 37, 33, 46, 15, 53, 35, 35, 0, 17, 18, 24, 76, 106}, "EAN/UCC 128"},
    {CreateEanUcc128AiBarcode, "(01)01234567890128(15)051231", "010123456789012815051231",
     {105, 102, 1, 1, 23, 45, 67, 89, 1, 28, 15, 5, 12, 31, 94, 106}, "(01)01234567890128(15)051231"},
    {CreateEanUcc128AiBarcode, "(10)ABC<FNC1>(21)123", "10ABC<FNC1>21123",
     {105, 102, 10, 101, 33, 34, 35, 102, 18, 99, 11, 23, 64, 106}, "(10)ABC(21)123"},
    {CreateEanUcc128AiBarcode, "(10)12<FNC1><FNC1>(21)ab<FNC1>", "1012<FNC1><FNC1>21ab<FNC1>",
     {105, 102, 10, 12, 102, 102, 21, 100, 65, 66, 102, 21, 106}, "(10)12(21)ab"},
    // GS1 data begins with its application identifier: (01) for a GTIN-14.
    {CreateEan14Barcode, "1234567890123", "0112345678901231",
     {105, 102, 1, 12, 34, 56, 78, 90, 12, 31, 74, 106}, "(01)12345678901231"},
    {CreateEan14Barcode, "12345678901231", "0112345678901231",
     {105, 102, 1, 12, 34, 56, 78, 90, 12, 31, 74, 106}, "(01)12345678901231"},
    {CreateSscc18Barcode, "10065300555555555", "00100653005555555558",
     {105, 102, 0, 10, 6, 53, 0, 55, 55, 55, 55, 58, 47, 106}, "(00)100653005555555558"},
    {CreateEan18Barcode, "34012345000000000", "00340123450000000000",
     {105, 102, 0, 34, 1, 23, 45, 0, 0, 0, 0, 0, 80, 106}, "(00)340123450000000000"},
    {CreateEan18Barcode, "340123450000000000", "00340123450000000000",
     {105, 102, 0, 34, 1, 23, 45, 0, 0, 0, 0, 0, 80, 106}, "(00)340123450000000000"},
};

bool HasMarkers(const SymbolCase& c) { return c.encoded.find("<FNC1>") != std::string::npos; }

// Module count to size an area with: the count of the text with its
// markers as plain characters is never below the true count, so a drawer
// that counts markers as one character still fits.
int AreaModules(const SymbolCase& c) { return CountCode128Modules(c.encoded, TRUE); }

TEST(Ean128Drawing, ValuesOfTheBars)
{
    for (const auto& c : kSymbols) {
        auto symbol = c.create();
        symbol->SetText(c.text);
        EXPECT_EQ(BuildCode128(c.encoded, TRUE, HasMarkers(c)), std::string(c.values.begin(), c.values.end()))
            << c.text;
        EXPECT_EQ(CountCode128Modules(c.encoded, TRUE, HasMarkers(c)), int(11 * c.values.size() + 2)) << c.text;
        for (int rotate : {0, 90, 180, 270})
            EXPECT_EQ(PaintedValues(*symbol, AreaModules(c), 2, rotate), c.values)
                << c.text << " rotation " << rotate;
    }
    // The demo of EAN/UCC 128 AI: 24 digits in set C after FNC1.
    EXPECT_EQ(CountCode128Modules("010123456789012815051231", TRUE), 178);
}

TEST(Ean128Drawing, PrintedText)
{
    for (const auto& c : kSymbols) {
        auto symbol = c.create();
        symbol->SetText(c.text);
        symbol->SetShowText(TRUE);
        symbol->SetTextHeight(20);
        for (int rotate : {0, 90}) {
            symbol->SetRotate(int16_t(rotate));
            CMetaFileDC dc;
            symbol->Paint(&dc, rotate ? RECT{0, 0, 100, 800} : RECT{0, 0, 800, 100});
            ASSERT_TRUE(symbol->IsSizeOk()) << c.text;
            EXPECT_EQ(WrittenText(dc), c.shown) << c.text;
        }
    }
}

// --- scan-back ------------------------------------------------------------------------

// The element string a GS1 reader reports: the data with FNC1 after the
// leading one as the group separator.
std::string ElementString(std::string encoded)
{
    for (size_t p = encoded.find("<FNC1>"); p != std::string::npos; p = encoded.find("<FNC1>", p))
        encoded.replace(p, 6, "\x1D");
    return encoded;
}

TEST(Ean128Scan, DecodersReadGs1ElementStrings)
{
    std::vector<SymbolCase> cases(std::begin(kSymbols), std::end(kSymbols));
    const std::pair<SymbolPtr (*)(), std::string> more[] = {
        {CreateEanUcc128Barcode, "0112345678901231"},
        {CreateEanUcc128Barcode, "10abc-DEF/123"},
        {CreateEanUcc128AiBarcode, "(02)12345678901231(37)24<FNC1>(10)LOT 7a"},
        {CreateEanUcc128AiBarcode, "(400)PO-4711<FNC1>(11)240601"},
        {CreateEanUcc128AiBarcode, "(3103)001250"},
        {CreateEan14Barcode, "4012345000009"},
        {CreateEan14Barcode, "00614141999996"},
        {CreateSscc18Barcode, "106141411234567897"},
        {CreateEan18Barcode, "12345678901234567"},
    };
    for (const auto& [create, text] : more) {
        SymbolCase c{create, text, "", {}, ""};
        auto symbol = create();
        symbol->SetText(text);
        std::string encoded;
        for (char ch : text)
            if (symbol->GetType() != 28 || (ch != '(' && ch != ')')) encoded += ch;
        const int type = symbol->GetType();
        if (type == 29 && encoded.size() == 13) encoded += char('0' + symbol->GetChecksum());
        if (type == 29) encoded.insert(0, "01");
        if (type == 31 || type == 32) {
            if (encoded.size() == 17) encoded += char('0' + symbol->GetChecksum());
            encoded.insert(0, "00");
        }
        c.encoded = encoded;
        cases.push_back(c);
    }
    for (const auto& c : cases) {
        auto symbol = c.create();
        symbol->SetText(c.text);
        ASSERT_TRUE(symbol->IsValid()) << c.text;
        const std::string expected = ElementString(c.encoded);
        for (int m : {1, 2, 3}) {
            for (int rotate : {0, 90, 180, 270}) {
                const GrayImage image = RenderAt(*symbol, AreaModules(c), m, rotate);
                ASSERT_TRUE(symbol->IsSizeOk()) << c.text;
                const ScanResult zx = ScanZxing(image, "Code128");
                EXPECT_EQ(zx.text, expected) << c.text << " module " << m << " rotation " << rotate;
                EXPECT_TRUE(zx.gs1) << c.text << " module " << m << " rotation " << rotate;
                // zbar misses some symbols of one-pixel modules, but must
                // never misread one.
                // zbar also leaves out a final FNC1.
                const ScanResult zb = ScanZbar(image);
                if (m > 1 || !zb.text.empty()) {
                    EXPECT_EQ(zb.text, expected.back() == '\x1D' ? expected.substr(0, expected.size() - 1) : expected) << c.text << " module " << m << " rotation " << rotate;
                    EXPECT_TRUE(zb.gs1) << c.text << " module " << m << " rotation " << rotate;
                }
            }
        }
    }
}

// Element strings drawn at random: application identifiers of 2 to 4
// digits, fields of digits, letters and punctuation, variable-length fields
// ended by "<FNC1>".
TEST(Ean128Scan, RandomElementStrings)
{
    std::mt19937 random(15);
    const std::string data = "0123456789012345678901234567890123456789ABCXYZabcxyz-./ %";
    for (int n = 0; n < 60; ++n) {
        std::string text, encoded;
        const int fields = 1 + int(random() % 3);
        for (int f = 0; f < fields; ++f) {
            std::string ai, value;
            for (int k = 2 + int(random() % 3); k > 0; --k) ai += char('0' + random() % 10);
            for (int k = 1 + int(random() % 12); k > 0; --k) value += data[random() % data.size()];
            const std::string end = f + 1 < fields ? "<FNC1>" : "";
            text += "(" + ai + ")" + value + end;
            encoded += ai + value + end;
        }
        auto symbol = CreateEanUcc128AiBarcode();
        symbol->SetText(text);
        const int rotate = 90 * int(random() % 4);
        const GrayImage image = RenderAt(*symbol, CountCode128Modules(encoded, TRUE), 2, rotate);
        const ScanResult zx = ScanZxing(image, "Code128");
        EXPECT_EQ(zx.text, ElementString(encoded)) << text << " rotation " << rotate;
        EXPECT_TRUE(zx.gs1) << text;
        EXPECT_EQ(ScanZbar(image).text, ElementString(encoded)) << text << " rotation " << rotate;
    }
}

} // namespace

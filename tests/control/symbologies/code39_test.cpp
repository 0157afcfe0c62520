#include <gtest/gtest.h>

#include <functional>
#include <random>

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

// --- check values ---------------------------------------------------------------

struct CheckCase {
    Factory factory;
    const char* text;
    int32_t checksum;
};

TEST(Code39, CheckValues)
{
    // Worked by hand from the value string 0-9 A-Z - . space $ / + %.
    const CheckCase cases[] = {
        {CreateCode39ChecksumBarcode, "CODE 39", 27},       // 12+24+13+14+38+3+9 = 113
        {CreateCode39ChecksumBarcode, "CODE39", 32},        // 75
        {CreateCode39ChecksumBarcode, "A", 10},
        {CreateCode39ChecksumBarcode, "%", 42},
        {CreateCode39ChecksumBarcode, "Z9", 1},             // 35+9 = 44
        {CreateCode39ChecksumBarcode, "-. $/+%", 15},       // 273
        {CreateCode39ChecksumBarcode, "code", -2},          // no value for lower case
        {CreateCode39ChecksumBarcode, "A*B", -2},
        {CreateCode39ExtendedChecksumBarcode, "!", 7},      // /A: 40+10 = 50
        {CreateCode39ExtendedChecksumBarcode, "a", 8},      // +A: 41+10 = 51
        {CreateCode39ExtendedChecksumBarcode, "-.", 30},    // themselves: 36+37
        {CreateCode39ExtendedChecksumBarcode, "Code", 14},  // 12 + 65 + 54 + 55 = 186
        {CreateCode39ExtendedChecksumBarcode, "$", 10},     // /D: 40+13 = 53
        {CreateCode39ExtendedChecksumBarcode, "*", 16},     // /J: 40+19 = 59
        {CreateCode39ExtendedChecksumBarcode, "\xe9", -2},  // outside ASCII
        {CreateCode39Barcode, "CODE 39", -1},
        {CreateCode39ExtendedBarcode, "!", -1},
        {CreatePznBarcode, "123456", 2},                    // 2+6+12+20+30+42 = 112
        {CreatePznBarcode, "1234562", 2},
        {CreatePznBarcode, "044891", 8},                    // 0+12+16+40+54+7 = 129
        {CreatePznBarcode, "500000", -2},                   // remainder 10
        {CreatePznBarcode, "12345", -2},
        {CreatePznBarcode, "12345a", -2},
    };
    for (const auto& c : cases) EXPECT_EQ(Make(c.factory, c.text)->GetChecksum(), c.checksum) << c.text;
}

// --- acceptance -------------------------------------------------------------------

struct AcceptCase {
    Factory factory;
    std::string text;
    bool valid;
};

TEST(Code39, Acceptance)
{
    const std::string fifty(50, 'A');
    const std::string fiftyOne(51, 'A');
    const AcceptCase cases[] = {
        {CreateCode39Barcode, "CODE 39", true},
        {CreateCode39Barcode, "-. $/+%", true},
        {CreateCode39Barcode, "code 39", false},
        {CreateCode39Barcode, "", false},
        {CreateCode39Barcode, "A*B", false},  // a scanner would stop at the '*'
        {CreateCode39Barcode, "*A*", false},
        {CreateCode39Barcode, "A!", false},
        {CreateCode39Barcode, fifty, true},
        {CreateCode39Barcode, fiftyOne, false},
        {CreateCode39ChecksumBarcode, fifty, true},
        {CreateCode39ChecksumBarcode, fiftyOne, false},
        {CreateCode39ChecksumBarcode, "a", false},
        {CreateCode39ExtendedBarcode, "code 39", true},
        {CreateCode39ExtendedBarcode, "!\"#$%&'()*+,-./:;<=>?@[\\]^_{|}~", true},
        {CreateCode39ExtendedBarcode, "`", false},
        {CreateCode39ExtendedBarcode, "A\tB", false},
        {CreateCode39ExtendedBarcode, "\x7f", false},
        {CreateCode39ExtendedBarcode, "\xe4", false},
        {CreateCode39ExtendedBarcode, "", false},
        {CreateCode39ExtendedBarcode, std::string(50, 'a'), true},
        {CreateCode39ExtendedBarcode, std::string(51, 'a'), false},
        {CreateCode39ExtendedChecksumBarcode, std::string(50, 'a'), true},
        {CreateCode39ExtendedChecksumBarcode, std::string(51, 'a'), false},
        {CreatePznBarcode, "123456", true},
        {CreatePznBarcode, "1234562", true},
        {CreatePznBarcode, "1234563", false},
        {CreatePznBarcode, "500000", false},
        {CreatePznBarcode, "5000000", false},
        {CreatePznBarcode, "12345", false},
        {CreatePznBarcode, "12345678", false},
        {CreatePznBarcode, "A23456", false},
    };
    for (const auto& c : cases) EXPECT_EQ(bool(Make(c.factory, c.text)->IsValid()), c.valid) << c.text;
}

TEST(Code39, CatalogueRows)
{
    const struct {
        Factory factory;
        int32_t type;
        const char* name;
    } rows[] = {
        {CreateCode39Barcode, 6, "Code 39"},
        {CreateCode39ExtendedBarcode, 10, "Code 39 Extended"},
        {CreatePznBarcode, 23, "PZN"},
        {CreateCode39ChecksumBarcode, 26, "Code 39 Checksum"},
        {CreateCode39ExtendedChecksumBarcode, 27, "Code 39 Extended Checksum"},
    };
    for (const auto& r : rows) {
        SymbolPtr s = r.factory();
        EXPECT_EQ(s->GetType(), r.type);
        EXPECT_EQ(s->GetTypeName(), r.name);
        s->SetText(s->GetDemoText());
        EXPECT_TRUE(s->IsValid()) << r.name;
        EXPECT_NE(dynamic_cast<CPatternBarcode*>(s.get()), nullptr) << r.name;
    }
}

// --- exact geometry -----------------------------------------------------------------

// Published Code 39 element widths (narrow 1, wide 3); each character is
// followed by a one-module gap.
const std::string kStar = "131131311";

struct GeometryCase {
    Factory factory;
    const char* text;
    int modules;
    std::string elements;
};

TEST(Code39, ElementWidths)
{
    const GeometryCase cases[] = {
        {CreateCode39Barcode, "A", 48, kStar + "1" + "311113113" + "1" + kStar},
        // 'A' has the value 10 and is its own check character.
        {CreateCode39ChecksumBarcode, "A", 64, kStar + "1" + "311113113" + "1" + "311113113" + "1" + kStar},
        // 'a' is drawn as "+A".
        {CreateCode39ExtendedBarcode, "a", 64, kStar + "1" + "131113131" + "1" + "311113113" + "1" + kStar},
        // '!' is "/A", check 7 drawn as one plain character.
        {CreateCode39ExtendedChecksumBarcode, "!", 80,
         kStar + "1" + "131311131" + "1" + "311113113" + "1" + "111311313" + "1" + kStar},
        // '-' stays itself in the Extended types.
        {CreateCode39ExtendedBarcode, "-", 48, kStar + "1" + "131111313" + "1" + kStar},
        // start, '-', 1 2 3 4 5 6 and the check digit 2, stop.
        {CreatePznBarcode, "123456", 160,
         kStar + "1" + "131111313" + "1" + "311311113" + "1" + "113311113" + "1" + "313311111" + "1" +
             "111331113" + "1" + "311331111" + "1" + "113331111" + "1" + "113311113" + "1" + kStar},
    };
    for (const auto& c : cases) {
        for (int module : {1, 2, 3}) {
            SymbolPtr s = Make(c.factory, c.text);
            // A few units more than needed: the remainder stays empty at the end.
            const CMetaFileDC dc = owndraw::PaintFlat(*s, c.modules * module + module - 1);
            ASSERT_TRUE(s->IsSizeOk()) << c.text;
            EXPECT_EQ(s->GetModuleWidth(), module);
            EXPECT_EQ(owndraw::ElementWidths(dc, module), c.elements) << c.text << " module " << module;
            for (const RECT& r : owndraw::Bars(dc)) {
                EXPECT_EQ(r.top, 0);
                EXPECT_EQ(r.bottom, 100); // no text band: bars fill the area
            }
        }
    }
}

TEST(Code39, BarsStopShortOfTheTextBand)
{
    SymbolPtr s = Make(CreateCode39Barcode, "AB");
    const CMetaFileDC dc = owndraw::PaintFlat(*s, 64, 0, TRUE);
    ASSERT_TRUE(s->IsSizeOk());
    for (const RECT& r : owndraw::Bars(dc)) EXPECT_EQ(r.bottom, 100 - s->GetTextHeight());
}

// The own-draw types print each character at its start offset, the check
// character included; start and stop have none.
TEST(Code39, HumanReadableCharacters)
{
    const struct {
        Factory factory;
        const char* text;
        int modules;
        std::vector<std::pair<int, std::string>> chars; // offset in modules, character
    } cases[] = {
        {CreateCode39Barcode, "AB", 64, {{16, "A"}, {32, "B"}}},
        {CreateCode39ChecksumBarcode, "CODE 39", 160,
         {{16, "C"}, {32, "O"}, {48, "D"}, {64, "E"}, {80, " "}, {96, "3"}, {112, "9"}, {128, "R"}}},
        // Spread over the data width (start, "/A" and the check: 64) in
        // text length + 1 slots.
        {CreateCode39ExtendedChecksumBarcode, "!", 80, {{0, "!"}, {32, "7"}}},
        // Data width of "ab": start and four characters, 80; slots of 40.
        {CreateCode39ExtendedBarcode, "ab", 96, {{0, "a"}, {40, "b"}}},
        // 160 modules over twelve slots of 13.
        {CreatePznBarcode, "123456", 160,
         {{0, "P"}, {13, "Z"}, {26, "N"}, {39, " "}, {52, "-"}, {65, "1"}, {78, "2"}, {91, "3"},
          {104, "4"}, {117, "5"}, {130, "6"}, {143, "2"}}},
    };
    for (const auto& c : cases) {
        SymbolPtr s = Make(c.factory, c.text);
        const CMetaFileDC dc = owndraw::PaintFlat(*s, c.modules * 2, 0, TRUE);
        ASSERT_TRUE(s->IsSizeOk()) << c.text;
        std::vector<std::pair<int, std::string>> got;
        for (const auto& r : dc.Records()) {
            if (r.kind != MetaRecord::TextOut) continue;
            EXPECT_EQ(r.pt.y, 100 - s->GetTextHeight()) << c.text;
            got.emplace_back(r.pt.x / 2, r.text);
        }
        EXPECT_EQ(got, c.chars) << c.text;
    }
}

TEST(Code39, SizeLimits)
{
    // "CODE 39": nine characters of 16 modules.
    for (Factory f : {CreateCode39Barcode, CreateCode39ExtendedBarcode}) {
        SymbolPtr s = Make(f, "CODE 39");
        owndraw::PaintFlat(*s, 143);
        EXPECT_FALSE(s->IsSizeOk());
        owndraw::PaintFlat(*s, 144);
        EXPECT_TRUE(s->IsSizeOk());
    }
    // "Z4" has the check character '$' (35 + 4 = 39), drawn as one plain
    // character although '$' is shifted in the text: five characters.
    SymbolPtr z4 = Make(CreateCode39ExtendedChecksumBarcode, "Z4");
    owndraw::PaintFlat(*z4, 79);
    EXPECT_FALSE(z4->IsSizeOk());
    const CMetaFileDC dc = owndraw::PaintFlat(*z4, 80);
    EXPECT_TRUE(z4->IsSizeOk());
    EXPECT_EQ(owndraw::ElementWidths(dc, 1),
              kStar + "1" + "133131111" + "1" + "111331113" + "1" + "131313111" + "1" + kStar);

    SymbolPtr pzn = Make(CreatePznBarcode, "123456");
    owndraw::PaintFlat(*pzn, 159);
    EXPECT_FALSE(pzn->IsSizeOk());
    owndraw::PaintFlat(*pzn, 160);
    EXPECT_TRUE(pzn->IsSizeOk());
}

TEST(Code39, InvalidTextPaintsTheTextError)
{
    SymbolPtr s = Make(CreateCode39Barcode, "A*B");
    const CMetaFileDC dc = owndraw::PaintFlat(*s, 400);
    EXPECT_TRUE(owndraw::Bars(dc).empty());
    ASSERT_FALSE(dc.Records().empty());
    EXPECT_EQ(dc.Records().back().text, "text error");
}

// --- decoding ---------------------------------------------------------------------------

struct ScanCase {
    Factory factory;
    std::string text;
    int modules;          // symbol length in modules
    std::string zxing;    // zxing-cpp, full-ASCII mode for the Extended types
    std::string zbar;     // zbar reads plain Code 39
};

std::string FullAsciiRaw(const std::string& text)
{
    // The Code 39 characters drawn for each character of an Extended text,
    // from the published full-ASCII table, written out for the cases below.
    std::string out;
    for (char c : text) {
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || c == ' ' || c == '-' || c == '.') out += c;
        else if (c >= 'a' && c <= 'z') out += std::string("+") + char(c - 'a' + 'A');
        else if (c >= '!' && c <= ',') out += std::string("/") + char(c - '!' + 'A');
        else if (c == '/') out += "/O";
        else if (c == ':') out += "/Z";
        else if (c >= ';' && c <= '?') out += std::string("%") + char(c - ';' + 'F');
        else if (c == '@') out += "%V";
        else if (c >= '[' && c <= '_') out += std::string("%") + char(c - '[' + 'K');
        else if (c >= '{' && c <= '~') out += std::string("%") + char(c - '{' + 'P');
    }
    return out;
}

std::vector<ScanCase> ScanCases()
{
    std::vector<ScanCase> cases;
    const auto plain = [&](const std::string& t) {
        cases.push_back({CreateCode39Barcode, t, 16 * int(t.size() + 2), t, t});
    };
    plain("CODE 39");
    plain("A");
    plain("0123456789");
    plain("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    plain("-. $/+%");
    plain("HELLO-WORLD 2024.1");
    plain("X1Y2Z3-$%/+ .W9V8U7T6S5R4Q3P2O1N0MLKJIHGFEDCBA098");
    const auto checked = [&](const std::string& t, char check) {
        const std::string full = t + check;
        cases.push_back({CreateCode39ChecksumBarcode, t, 16 * int(t.size() + 3), full, full});
    };
    checked("CODE 39", 'R');
    checked("CODE39", 'W');
    checked("Z9", '1');
    checked("-. $/+%", 'F');
    checked("A", 'A');
    const auto extended = [&](const std::string& t) {
        const std::string raw = FullAsciiRaw(t);
        cases.push_back({CreateCode39ExtendedBarcode, t, 16 * int(raw.size() + 2), t, raw});
    };
    extended("Code 39 Ext");
    extended("hello, world!");
    extended("a");
    extended("-.-.");
    extended("$%+/*");
    extended("!\"#$%&'()*+,-./0123456789:;<=>?@");
    extended("ABCXYZ[\\]^_abcxyz{|}~");
    cases.push_back({CreatePznBarcode, "123456", 160, "-1234562", "-1234562"});
    cases.push_back({CreatePznBarcode, "0448918", 160, "-0448918", "-0448918"});
    return cases;
}

TEST(Code39, DecodersReadEveryRotationAndModuleWidth)
{
    for (const ScanCase& c : ScanCases()) {
        for (int module : owndraw::kModuleWidths) {
            for (int16_t rotate : owndraw::kRotations) {
                SymbolPtr s = Make(c.factory, c.text);
                const GrayImage img = owndraw::Render(*s, c.modules, module, rotate);
                ASSERT_TRUE(s->IsSizeOk()) << c.text;
                ASSERT_EQ(s->GetModuleWidth(), module) << c.text;
                const bool extended = s->GetType() == 10;
                const ScanResult zx = ScanZxing(img, "Code39", extended);
                EXPECT_EQ(zx.text, c.zxing) << c.text << " module " << module << " rotation " << rotate;
                const ScanResult zb = ScanZbar(img);
                EXPECT_EQ(zb.text, c.zbar) << c.text << " module " << module << " rotation " << rotate;
                EXPECT_EQ(zb.format, "CODE-39") << c.text;
            }
        }
    }
}

// Extended Checksum: the decoders read the full-ASCII characters and the
// plain check character after them; zxing's full-ASCII mode turns them back
// into the text (a check character that is itself a shift character
// cannot follow in that mode, so those texts are read raw only).
TEST(Code39, ExtendedChecksumDecodes)
{
    const struct {
        const char* text;
        char check;
    } cases[] = {{"!", '7'}, {"a", '8'}, {"Code", 'E'}, {"-.", 'U'}, {"*", 'G'}, {"Lower case & more", '\0'}};
    for (const auto& c : cases) {
        SymbolPtr s = Make(CreateCode39ExtendedChecksumBarcode, c.text);
        const char check = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%"[s->GetChecksum()];
        if (c.check) {
            EXPECT_EQ(check, c.check) << c.text;
        }
        const std::string raw = FullAsciiRaw(c.text);
        for (int module : owndraw::kModuleWidths) {
            for (int16_t rotate : owndraw::kRotations) {
                const GrayImage img = owndraw::Render(*s, 16 * int(raw.size() + 3), module, rotate);
                ASSERT_TRUE(s->IsSizeOk());
                EXPECT_EQ(ScanZxing(img, "Code39").text, raw + check) << c.text << " rotation " << rotate;
                EXPECT_EQ(ScanZbar(img).text, raw + check) << c.text << " rotation " << rotate;
                if (std::string("$%/+").find(check) == std::string::npos) {
                    EXPECT_EQ(ScanZxing(img, "Code39", true).text, std::string(c.text) + check) << c.text;
                }
            }
        }
    }
}

} // namespace

namespace {

// Texts nobody picked: random valid texts of every length class, each at a
// random module width and rotation, read back by both decoders.
TEST(Code39, RandomTextsDecode)
{
    std::mt19937 rng(39);
    const std::string code39Chars = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";
    std::string asciiChars;
    for (char c = ' '; c <= '~'; ++c)
        if (c != '`') asciiChars += c;
    const auto pick = [&](const std::string& from, size_t n) {
        std::string t;
        for (size_t i = 0; i < n; ++i) t += from[rng() % from.size()];
        return t;
    };
    for (int round = 0; round < 60; ++round) {
        const size_t n = 1 + rng() % 50;
        const int module = owndraw::kModuleWidths[rng() % 3];
        const int16_t rotate = owndraw::kRotations[rng() % 4];

        const std::string plain = pick(code39Chars, n);
        SymbolPtr c39 = Make(round % 2 ? CreateCode39ChecksumBarcode : CreateCode39Barcode, plain);
        ASSERT_TRUE(c39->IsValid()) << plain;
        const int32_t check = c39->GetChecksum();
        const std::string full = check >= 0 ? plain + code39Chars[size_t(check)] : plain;
        GrayImage img = owndraw::Render(*c39, 16 * int(full.size() + 2), module, rotate);
        EXPECT_EQ(ScanZxing(img, "Code39").text, full) << module << " " << rotate;
        EXPECT_EQ(ScanZbar(img).text, full) << module << " " << rotate;

        const std::string ext = pick(asciiChars, n);
        SymbolPtr c39x = Make(CreateCode39ExtendedBarcode, ext);
        ASSERT_TRUE(c39x->IsValid()) << ext;
        const std::string raw = FullAsciiRaw(ext);
        img = owndraw::Render(*c39x, 16 * int(raw.size() + 2), module, rotate);
        EXPECT_EQ(ScanZxing(img, "Code39", true).text, ext) << module << " " << rotate;
        EXPECT_EQ(ScanZbar(img).text, raw) << module << " " << rotate;

        SymbolPtr c39xc = Make(CreateCode39ExtendedChecksumBarcode, ext);
        const std::string rawChecked = raw + code39Chars[size_t(c39xc->GetChecksum())];
        img = owndraw::Render(*c39xc, 16 * int(rawChecked.size() + 2), module, rotate);
        EXPECT_EQ(ScanZxing(img, "Code39").text, rawChecked) << module << " " << rotate;
        EXPECT_EQ(ScanZbar(img).text, rawChecked) << module << " " << rotate;
    }
    for (int round = 0; round < 40; ++round) {
        std::string pzn;
        do pzn = pick("0123456789", 6);
        while (Make(CreatePznBarcode, pzn)->GetChecksum() < 0);
        SymbolPtr s = Make(CreatePznBarcode, pzn);
        const std::string expected = "-" + pzn + char('0' + s->GetChecksum());
        const GrayImage img = owndraw::Render(*s, 160, owndraw::kModuleWidths[round % 3], owndraw::kRotations[round % 4]);
        EXPECT_EQ(ScanZxing(img, "Code39").text, expected);
        EXPECT_EQ(ScanZbar(img).text, expected);
    }
}

} // namespace

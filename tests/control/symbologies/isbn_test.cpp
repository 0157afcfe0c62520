#include <gtest/gtest.h>

#include "control/engine/renderer.h"
#include "control/symbologies/symbologies.h"
#include "platform/gdi/metafile.h"
#include "tests/control/symbologies/ean_geometry.h"

namespace {

using namespace ean_test;

struct IsbnCase {
    const char* text;
    bool valid;
    int checksum; // 'X' = 10
};

// ISBN-10 check characters worked by hand (weights 10 down to 2, mod 11).
TEST(Isbn, AcceptanceAndCheckCharacter)
{
    const IsbnCase cases[] = {
        {"123456789", true, 10},        // sum 210, 210 mod 11 = 1 -> 'X'
        {"123456789X", true, 10},
        {"123456789x", false, -2},      // only the upper-case X
        {"12345678X", false, -2},
        {"1234567890", false, -2},      // wrong check character
        {"0-306-40615-2", true, 2},
        {"0306406152", true, 2},
        {"0--306--40615--2", true, 2},  // hyphens anywhere
        {"-030640615-", true, 2},
        {"080442957X", true, 10},
        {"978123456789", true, 10},     // the "978" form
        {"978123456789X", true, 10},
        {"978-1-23456-789-X", true, 10},
        {"978-0-19-852663-6", true, 6},
        {"9780306406157", false, -2},   // an ISBN-13 check digit is not the ISBN-10 one
        {"978123456", true, 3},         // nine characters are nine book digits
        {"9781234563", true, 3},
        {"12345678", false, -2},
        {"12345678901", false, -2},
        {"97812345678", false, -2},
        {"12345a789", false, -2},
        {"", false, -2},
        {"---", false, -2},
    };
    for (const auto& c : cases) {
        SymbolPtr s = CreateIsbnBarcode();
        s->SetText(c.text);
        EXPECT_EQ(bool(s->IsValid()), c.valid) << c.text;
        EXPECT_EQ(s->GetChecksum(), c.checksum) << c.text;
    }
}

CMetaFileDC PaintIsbn(CGenericBarcode& s, const RECT& area, int rotate, int textHeight, int notch)
{
    CMetaFileDC dc(600, 600);
    dc.SelectObject(PaintState::DefaultBarcodeFont());
    s.SetShowText(textHeight > 0);
    s.SetTextHeight(textHeight);
    s.SetNotchHeightInPercent(int16_t(notch));
    s.SetRotate(int16_t(rotate));
    s.Paint(&dc, area);
    return dc;
}

struct LineCase {
    const char* text;
    const char* line;
    const char* digits; // printed below the bars
};

TEST(Isbn, LineAboveAndDigitsBelow)
{
    const LineCase cases[] = {
        {"123456789", "ISBN 123456789X", "9781234567897"},
        {"123456789X", "ISBN 123456789X", "9781234567897"},
        {"978123456789", "ISBN 123456789X", "9781234567897"},
        {"978123456789X", "ISBN 123456789X", "9781234567897"},
        {"0--306--40615-2", "ISBN 0-306-40615-2", "9780306406157"},
        {"0-306-40615", "ISBN 0-306-40615" "2", "9780306406157"},
        // A hyphen typed after the prefix stays in front of the number.
        {"978-0-306-40615-2", "ISBN -0-306-40615-2", "9780306406157"},
        // Hyphens inside the prefix go with it; a shorter text keeps "978"
        // as book digits, and so does its line.
        {"97-8123456789", "ISBN 123456789X", "9781234567897"},
        {"978-12345-63", "ISBN 978-12345-63", "9789781234569"},
    };
    for (const auto& c : cases) {
        SymbolPtr s = CreateIsbnBarcode();
        s->SetText(c.text);
        ASSERT_TRUE(s->IsValid()) << c.text;
        const int checksum = s->GetChecksum();
        const int m = 2, h = 20;
        const RECT area{10, 5, 10 + 107 * m, 125};
        CMetaFileDC dc = PaintIsbn(*s, area, 0, h, 25);
        ASSERT_TRUE(s->IsSizeOk()) << c.text;
        std::vector<MetaRecord> texts;
        for (const auto& r : dc.Records())
            if (r.kind == MetaRecord::TextOut) texts.push_back(r);
        ASSERT_EQ(texts.size(), 14u) << c.text;
        std::string digits;
        for (size_t i = 0; i < 13; ++i) {
            digits += texts[i].text;
            EXPECT_EQ(texts[i].pt.y, area.bottom);
        }
        EXPECT_EQ(digits, c.digits);
        const MetaRecord& line = texts[13];
        EXPECT_EQ(line.text, c.line);
        EXPECT_EQ(line.pt.x, area.left + 103 * m / 2);
        EXPECT_EQ(line.pt.y, area.top);
        EXPECT_EQ(line.align, TA_TOP | TA_CENTER);
        // The object is its own again: text and rectangle.
        EXPECT_EQ(s->GetText(), c.text);
        EXPECT_EQ(s->GetRect(), area);
        EXPECT_EQ(s->GetChecksum(), checksum); // the ISBN check again, not the EAN one
        EXPECT_EQ(dc.GetTextAlign(), TA_LEFT | TA_TOP);
    }
}

TEST(Isbn, BarsAreTheEan13BelowTheLineBand)
{
    for (int rotate : {0, 90, 180, 270}) {
        for (int m : {1, 3}) {
            SymbolPtr s = CreateIsbnBarcode();
            s->SetText("0-306-40615-2");
            const int h = 22, notch = 50;
            const bool vertical = rotate == 90 || rotate == 270;
            const RECT area = vertical ? RECT{0, 0, 120, 107 * m} : RECT{0, 0, 107 * m, 120};
            const CMetaFileDC dc = PaintIsbn(*s, area, rotate, h, notch);
            ASSERT_TRUE(s->IsSizeOk());
            const auto cover = AxisCoverage(dc.Records(), area, rotate);
            // Every bar leaves the line band on the leading side free.
            EXPECT_EQ(CompareModules(cover, 0, m, Ean13Modules("9780306406157"), h, h, (100 - notch) * h / 100), "")
                << "rotation " << rotate << " module " << m;
        }
    }
}

TEST(Isbn, TooSmallDrawsNeitherBarsNorLine)
{
    SymbolPtr s = CreateIsbnBarcode();
    s->SetText("123456789");
    const RECT area{0, 0, 106, 120};
    const CMetaFileDC dc = PaintIsbn(*s, area, 0, 20, 25);
    EXPECT_FALSE(s->IsSizeOk());
    ASSERT_EQ(dc.Records().size(), 1u);
    EXPECT_EQ(dc.Records()[0].text, "size error");
    EXPECT_EQ(s->GetText(), "123456789");
    EXPECT_EQ(s->GetRect(), area);
}

TEST(Isbn, NoRoomForBarsBetweenTheTwoTextBandsIsASizeError)
{
    // Tall enough for one text band and the minimum bar height, but the
    // ISBN line takes a second band.
    SymbolPtr s = CreateIsbnBarcode();
    s->SetText("123456789");
    PaintIsbn(*s, RECT{0, 0, 214, 50}, 0, 30, 25);
    EXPECT_FALSE(s->IsSizeOk());
}

} // namespace

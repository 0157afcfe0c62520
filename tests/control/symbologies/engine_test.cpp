#include <gtest/gtest.h>

#include <iterator>
#include <vector>

#include "control/engine/catalogue.h"
#include "control/symbologies/engine.h"
#include "control/symbologies/symbologies.h"
#include "platform/gdi/metafile.h"

namespace {

// An engine symbol of any type id, valid for every non-empty text, so the
// engine's own rules (skipping, fitting, printed text) can be probed.
class CProbe : public CEngineBarcode {
public:
    explicit CProbe(int32_t type, int32_t checksum = -1) : m_probeType(type), m_check(checksum) {}
    int32_t GetType() const override { return m_probeType; }
    int32_t GetChecksum() const override { return m_check; }

private:
    int32_t m_probeType;
    int32_t m_check;
};

std::vector<RECT> Bars(const CMetaFileDC& dc)
{
    std::vector<RECT> out;
    for (const auto& r : dc.Records())
        if (r.kind == MetaRecord::Rectangle) out.push_back(r.rect);
    return out;
}

std::vector<MetaRecord> Texts(const CMetaFileDC& dc)
{
    std::vector<MetaRecord> out;
    for (const auto& r : dc.Records())
        if (r.kind == MetaRecord::TextOut) out.push_back(r);
    return out;
}

// Paints without text band, so the bar rectangle is the whole area.
void PaintBare(CGenericBarcode& symbol, CMetaFileDC& dc, RECT area, int16_t rotate = 0)
{
    symbol.SetShowText(FALSE);
    symbol.SetTextHeight(0);
    symbol.SetRotate(rotate);
    symbol.Paint(&dc, area);
}

// The engine family (and only it) draws through the engine: every type with
// an engine code has a row, a class of the engine family, and reports that
// code after a paint.
TEST(EngineTable, EveryEngineTypeHasARow)
{
    for (size_t i = 0; i < std::size(kTypeInfos); ++i) {
        const TypeInfo& t = kTypeInfos[i];
        SymbolPtr symbol = CreateSymbol(t.id);
        auto* engine = dynamic_cast<CEngineBarcode*>(symbol.get());
        if (t.engineCode == EngineCode::kNone) {
            EXPECT_TRUE(engine == nullptr || t.id == kTypeNone) << t.name;
            continue;
        }
        ASSERT_NE(engine, nullptr) << t.name;
        const EngineRow* row = FindEngineRow(t.engineCode);
        ASSERT_NE(row, nullptr) << t.name;
        EXPECT_EQ(row->code, t.engineCode);
        // A generic row draws from its character table: start and stop.
        if (!row->custom) {
            ASSERT_NE(row->patterns, nullptr) << t.name;
            EXPECT_EQ(row->checksumStart != nullptr, row->checksumStep != nullptr) << t.name;
        }
        engine->SetText(engine->GetDemoText());
        CMetaFileDC dc;
        PaintBare(*engine, dc, RECT{0, 0, 2000, 60});
        EXPECT_EQ(engine->GetEngineCode(), t.engineCode) << t.name;
        EXPECT_TRUE(engine->IsSizeOk()) << t.name;
    }
    EXPECT_EQ(FindEngineRow(EngineCode::kNone), nullptr);
    // Code 128A folds the start value 103 into its check sum, Code 128B 104.
    EXPECT_NE(FindEngineRow(EngineCode::kCode128A)->checksumStart, FindEngineRow(EngineCode::kCode128B)->checksumStart);
}

// Engine codes and type ids are different numbers for the same symbologies:
// engine code 18 draws Code 128, type 18 is PostNet.
TEST(EngineTable, EngineCodeOfEachType)
{
    const std::pair<int32_t, EngineCode> codes[] = {
        {kTypeCode25, EngineCode::kCode25},
        {kTypeCode128A, EngineCode::kCode128A},
        {kTypeCode128B, EngineCode::kCode128B},
        {kTypeCode128C, EngineCode::kCode128},
        {kTypeCode128, EngineCode::kCode128},
        {kTypeEanUcc128, EngineCode::kEanUcc128},
        {kTypeUpcE, EngineCode::kUpcE},
        {kTypePostNet, EngineCode::kPostNet},
        {kTypeRoyalMail, EngineCode::kRoyalMail},
        {kTypeMsi, EngineCode::kMsi},
        {kTypeCode93, EngineCode::kCode93},
        {kTypeCode93Extended, EngineCode::kCode93Extended},
        {kTypeEanUcc128Ai, EngineCode::kEanUcc128},
        {kTypeEan14, EngineCode::kEanUcc128},
        {kTypeEan18, EngineCode::kEanUcc128},
        {kTypeSscc18, EngineCode::kEanUcc128},
        {kTypeNone, EngineCode::kNone},
        {kTypeIsbn, EngineCode::kNone},
        {kTypeEan13, EngineCode::kNone},
        {kTypeCode25Interleaved, EngineCode::kNone},
        {kTypeCode39Extended, EngineCode::kNone},
        {kTypeEan99, EngineCode::kNone},
        {kTypeItf14, EngineCode::kNone},
        {-1, EngineCode::kNone},
        {33, EngineCode::kNone},
    };
    for (auto [type, code] : codes) EXPECT_EQ(EngineCodeOf(type), code) << type;
    EXPECT_EQ(int(EngineCode::kCode128), 18);
    EXPECT_EQ(int(kTypePostNet), 18);
}

TEST(EngineFit, ExactlyNUnitsGiveModuleWidthOne)
{
    // Code 25 "12345": 10 + 5 x 14 + 10 modules.
    CProbe symbol(kTypeCode25);
    symbol.SetText("12345");
    CMetaFileDC dc;
    PaintBare(symbol, dc, RECT{10, 0, 100, 40});
    EXPECT_TRUE(symbol.IsSizeOk());
    EXPECT_EQ(symbol.GetSymbolWidth(), 90);
    EXPECT_TRUE(Texts(dc).empty());
    const auto bars = Bars(dc);
    ASSERT_FALSE(bars.empty());
    EXPECT_EQ(bars.front(), (RECT{10, 0, 13, 40})); // wide start bar, 3 modules
}

TEST(EngineFit, OneUnitShortGivesSizeError)
{
    CProbe symbol(kTypeCode25);
    symbol.SetText("12345");
    CMetaFileDC dc;
    PaintBare(symbol, dc, RECT{10, 0, 99, 40});
    EXPECT_FALSE(symbol.IsSizeOk());
    EXPECT_TRUE(Bars(dc).empty());
    const auto texts = Texts(dc);
    ASSERT_EQ(texts.size(), 1u); // written once, by Paint
    EXPECT_EQ(texts[0].text, "size error");
}

TEST(EngineFit, IntegerModuleWidthLeavesTheRestEmpty)
{
    CProbe symbol(kTypeCode25);
    symbol.SetText("12345");
    CMetaFileDC dc;
    PaintBare(symbol, dc, RECT{0, 0, 269, 40}); // 269 / 90 = 2
    EXPECT_TRUE(symbol.IsSizeOk());
    EXPECT_EQ(symbol.GetSymbolWidth(), 180);
}

TEST(EngineFit, ZeroOrNegativeLengthCountsAsOneUnit)
{
    const RECT areas[] = {{50, 0, 50, 40}, {50, 0, 40, 40}};
    for (const RECT& area : areas) {
        CProbe symbol(kTypeCode25);
        symbol.SetText("1");
        CMetaFileDC dc;
        PaintBare(symbol, dc, area);
        EXPECT_FALSE(symbol.IsSizeOk());
        EXPECT_TRUE(Bars(dc).empty());
        EXPECT_EQ(symbol.GetSymbolWidth(), 0);
    }
}

TEST(EngineFit, VerticalAxisAtNinetyAndTwoSeventy)
{
    for (int16_t rotate : {int16_t(90), int16_t(270)}) {
        CProbe symbol(kTypeMsi); // MSI "7": 22 modules
        symbol.SetText("7");
        CMetaFileDC ok;
        PaintBare(symbol, ok, RECT{0, 0, 30, 44}, rotate);
        EXPECT_TRUE(symbol.IsSizeOk()) << rotate;
        EXPECT_EQ(symbol.GetSymbolWidth(), 44) << rotate;
        CMetaFileDC tooShort;
        PaintBare(symbol, tooShort, RECT{0, 0, 300, 21}, rotate);
        EXPECT_FALSE(symbol.IsSizeOk()) << rotate;
    }
}

TEST(EngineSkip, CharactersWithoutPatternAddNothing)
{
    const char* texts[] = {"1a2", "a12", "12\xE9", "-1+2 "};
    CProbe plain(kTypeCode25);
    plain.SetText("12");
    CMetaFileDC expected;
    PaintBare(plain, expected, RECT{0, 0, 200, 30});
    for (const char* t : texts) {
        CProbe symbol(kTypeCode25);
        symbol.SetText(t);
        CMetaFileDC dc;
        PaintBare(symbol, dc, RECT{0, 0, 200, 30});
        EXPECT_TRUE(symbol.IsSizeOk()) << t;
        EXPECT_EQ(symbol.GetSymbolWidth(), plain.GetSymbolWidth()) << t;
        EXPECT_EQ(Bars(dc), Bars(expected)) << t;
    }
    // 200 / (14 x 2 + 20) = 4 units a module.
    EXPECT_EQ(plain.GetSymbolWidth(), 48 * 4);
}

TEST(EngineSkip, OnlyUnknownCharactersLeaveStartAndStop)
{
    CProbe symbol(kTypeMsi);
    symbol.SetText("abc");
    CMetaFileDC dc;
    PaintBare(symbol, dc, RECT{0, 0, 100, 30});
    EXPECT_TRUE(symbol.IsSizeOk());
    EXPECT_EQ(symbol.GetSymbolWidth(), 100 / 10 * 10);
    EXPECT_EQ(Bars(dc).size(), 3u); // start bar, two stop bars
}

TEST(EngineNone, TypeNinetyNineDrawsNothing)
{
    SymbolPtr none = CreateNoneBarcode();
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->GetType(), 99);
    EXPECT_EQ(none->GetTypeName(), "None");
    EXPECT_EQ(none->GetDemoText(), "");
    EXPECT_EQ(none->GetChecksum(), -1);
    for (const char* text : {"", "anything", "12345"}) {
        none->SetText(text);
        EXPECT_TRUE(none->IsValid()) << text;
        none->SetShowText(TRUE);
        none->SetTextHeight(20);
        CMetaFileDC dc;
        none->SetSymbolWidth(77);
        none->Paint(&dc, RECT{0, 0, 200, 100});
        EXPECT_TRUE(none->IsSizeOk());
        EXPECT_TRUE(dc.Records().empty());
        EXPECT_EQ(none->GetSymbolWidth(), 0);
    }
}

TEST(EngineNone, TypeWithoutEngineCodeFitsWithoutDrawing)
{
    CProbe symbol(kTypeUpcA);
    symbol.SetText("x");
    symbol.SetShowText(TRUE);
    symbol.SetTextHeight(20);
    CMetaFileDC dc;
    symbol.Paint(&dc, RECT{0, 0, 200, 100});
    EXPECT_TRUE(symbol.IsSizeOk());
    EXPECT_TRUE(dc.Records().empty());
}

struct PrintedCase {
    int32_t type;
    int32_t checksum;
    const char* text;
    const char* printed;
};

TEST(EngineText, PrintedTextOfEachType)
{
    const PrintedCase cases[] = {
        {kTypeCode25, -1, "12345", "12345"},
        {kTypeCode128C, -1, "123", "0123"},
        {kTypeCode128C, -1, "1234", "1234"},
        {kTypeEanUcc128Ai, -1, "(01)123<FNC1>45<FNC1>", "(01)12345"},
        {kTypeEan14, 7, "1234567890123", "(01)12345678901237"},
        {kTypeEan14, 7, "12345678901231", "(01)12345678901231"},
        {kTypeEan18, 4, "34012345000000000", "(00)340123450000000004"},
        {kTypeSscc18, 4, "340123450000000004", "(00)340123450000000004"},
        {kTypeSscc18, 4, "123", "(00)123"},
    };
    for (const auto& c : cases) {
        CProbe symbol(c.type, c.checksum);
        symbol.SetText(c.text);
        symbol.SetShowText(TRUE);
        symbol.SetTextHeight(20);
        CMetaFileDC dc;
        symbol.Paint(&dc, RECT{0, 0, 4000, 100});
        std::string printed;
        for (const auto& t : Texts(dc)) {
            ASSERT_EQ(t.text.size(), 1u) << "one character at a time";
            printed += t.text;
        }
        EXPECT_EQ(printed, c.printed) << c.type << " " << c.text;
    }
}

struct TextPlaceCase {
    int16_t rotate;
    POINT first, second;
};

TEST(EngineText, CharactersAtTheStartOfTheirPitchCell)
{
    // Code 25 "12" (48 modules) in a 96-unit axis: module 2, symbol 96,
    // pitch 48; text band 20 high in the area (10, 20)-(110, 120) or its
    // turned form (10, 20)-(110, 116) for the vertical axis.
    const TextPlaceCase cases[] = {
        {0, {10, 100}, {58, 100}},
        {90, {30, 20}, {30, 68}},
        {180, {106, 40}, {58, 40}},
        {270, {90, 116}, {90, 68}},
    };
    for (const auto& c : cases) {
        CProbe symbol(kTypeCode25);
        symbol.SetText("12");
        symbol.SetShowText(TRUE);
        symbol.SetTextHeight(20);
        symbol.SetRotate(c.rotate);
        CMetaFileDC dc;
        const bool vertical = c.rotate == 90 || c.rotate == 270;
        symbol.Paint(&dc, vertical ? RECT{10, 20, 110, 116} : RECT{10, 20, 106, 120});
        ASSERT_TRUE(symbol.IsSizeOk()) << c.rotate;
        EXPECT_EQ(symbol.GetSymbolWidth(), 96);
        const auto texts = Texts(dc);
        ASSERT_EQ(texts.size(), 2u) << c.rotate;
        EXPECT_EQ(texts[0].pt, c.first) << c.rotate;
        EXPECT_EQ(texts[1].pt, c.second) << c.rotate;
        EXPECT_EQ(texts[0].text, "1");
        EXPECT_EQ(texts[1].text, "2");
    }
}

TEST(EngineText, NoTextWhenTheSymbolDoesNotFit)
{
    CProbe symbol(kTypeCode25);
    symbol.SetText("12345");
    symbol.SetShowText(TRUE);
    symbol.SetTextHeight(20);
    CMetaFileDC dc;
    symbol.Paint(&dc, RECT{0, 0, 50, 100});
    const auto texts = Texts(dc);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "size error");
}

TEST(EngineText, BarsStopAtTheTextBand)
{
    CProbe symbol(kTypeCode25);
    symbol.SetText("1");
    symbol.SetShowText(TRUE);
    symbol.SetTextHeight(25);
    CMetaFileDC dc;
    symbol.Paint(&dc, RECT{0, 10, 68, 100});
    ASSERT_TRUE(symbol.IsSizeOk());
    for (const RECT& r : Bars(dc)) {
        EXPECT_EQ(r.top, 10);
        EXPECT_EQ(r.bottom, 75);
    }
}

} // namespace

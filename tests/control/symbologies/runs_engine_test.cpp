// The engine family's module runs: whole symbols against reference module
// strings (read from zint's output for the same data), and the runs a paint
// reports against the rectangles it drew.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "control/engine/catalogue.h"
#include "control/symbologies/symbologies.h"
#include "platform/gdi/metafile.h"

namespace {

// Light and dark modules of a symbol in order ('0' and '1'); for the
// postal codes one letter a bar position: F full, H half, A ascender,
// D descender, T tracker ('0' where no bar stands).
std::string ModuleString(const SymbolRuns& runs, bool postal)
{
    static constexpr char kLetters[] = "FGHADT";
    std::string s(size_t(std::max(runs.modules, 0)), '0');
    for (const BarRun& b : runs.bars)
        for (int32_t i = b.start; i < b.start + b.width; ++i)
            if (i >= 0 && i < runs.modules) s[size_t(i)] = postal ? kLetters[size_t(b.span)] : '1';
    return s;
}

std::string WithoutTrailingSpace(std::string s)
{
    s.erase(s.find_last_not_of('0') + 1);
    return s;
}

struct ReferenceCase {
    int32_t type;
    const char* text;
    int32_t modules; // the symbol's length, the light modules after the stop included
    const char* expected;
};

const ReferenceCase kReferences[] = {
    {kTypeCode128, "Code 128", 124,
     "11010010000100010001101000111101010000100110101100100001101100110010011100110110011100101110100110010100001100"
     "1100011101011"},
    {kTypeCode128B, "Code 128", 124,
     "11010010000100010001101000111101010000100110101100100001101100110010011100110110011100101110100110010100001100"
     "1100011101011"},
    // Prepared as 012345: START C 01 23 45.
    {kTypeCode128C, "12345", 69, "11010011100110011011001110110111010111011000100101111001100011101011"},
    {kTypeEanUcc128Ai, "(01)01234567890128(15)051231", 179,
     "11010011100111101011101100110110011001101100111011011101011101100010000101100110110111101100110110011100110100"
     "10111001100100010011001011001110011011000110100010111101100011101011"},
    // EAN 14 carries its AI 01 before the 14 digits.
    {kTypeEan14, "12345678901231", 135,
     "11010011100111101011101100110110010110011100100010110001110001011011000010100110111101101011001110011011000110"
     "100001100101100011101011"},
    {kTypeCode93, "TEST93", 92,
     "1010111101101001101100100101101011001101001101000010101010000101011101101001000101010111101"},
    {kTypeCode93Extended, "Code 39 Ext", 182,
     "10101111011010001010011001010010110010011001011001010010011001011001001011101001010100001010000101011101001011"
     "00100101001100101011001101001100101101001101001011101001110101010111101"},
    {kTypeCode25, "12345", 90,
     "11101110101110101010111010111010101110111011101010101010111010111011101011101010111010111"},
    {kTypeMsi, "12345", 70, "1101001001001101001001101001001001101101001101001001001101001101001"},
    {kTypePostNet, "12345", 32, "FHHHFFHHFHFHHFFHHFHHFHFHFHHFHFHF"},
    {kTypeRoyalMail, "SN34RD1A", 38, "AFTFTFDTADTAFDTFAFTADTFADTDAFDADAADDAF"},
};

TEST(EngineRuns, WholeSymbolsMatchTheReferenceModules)
{
    for (const ReferenceCase& c : kReferences) {
        SCOPED_TRACE(std::to_string(c.type) + " " + c.text);
        SymbolPtr symbol = CreateSymbol(c.type);
        symbol->SetText(c.text);
        SymbolRuns runs;
        ASSERT_TRUE(symbol->Encode(runs));
        const bool postal = c.type == kTypePostNet || c.type == kTypeRoyalMail;
        EXPECT_EQ(runs.modules, c.modules);
        const std::string modules = ModuleString(runs, postal);
        EXPECT_EQ(postal ? modules : WithoutTrailingSpace(modules), c.expected);
        // Runs are maximal and in drawing order: no two touch or overlap.
        for (size_t i = 1; i < runs.bars.size(); ++i)
            EXPECT_GT(runs.bars[i].start, runs.bars[i - 1].start + runs.bars[i - 1].width - (postal ? 1 : 0));
    }
}

TEST(EngineRuns, NothingToEncode)
{
    const struct {
        int32_t type;
        const char* text;
    } cases[] = {
        {kTypeNone, ""},                // draws no bars
        {kTypeCode128, ""},             // empty text
        {kTypePostNet, "12a"},          // not all digits
        {kTypeCode128B, "a\x01"},       // a control character outside set B
        {kTypeEan14, "12345678901232"}, // wrong check digit
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        SymbolPtr symbol = CreateSymbol(c.type);
        symbol->SetText(c.text);
        SymbolRuns runs;
        runs.Add(0, 1);
        EXPECT_FALSE(symbol->Encode(runs));
        EXPECT_TRUE(runs.bars.empty());
        EXPECT_EQ(runs.modules, 0);
    }
}

// Every engine type but UPC E (which lays out its digits with its bars):
// the paint draws exactly the runs it reports, where its placement puts
// them, and the runs are the symbol's encoding.
TEST(EngineRuns, PaintDrawsTheEncodedRunsWhereThePlacementSays)
{
    const RECT area{10, 5, 2010, 305};
    for (size_t t = 0; t < TypeInfoCount(); ++t) {
        const TypeInfo& info = TypeInfos()[t];
        if (info.engineCode == EngineCode::kNone || info.engineCode == EngineCode::kUpcE) continue;
        SCOPED_TRACE(info.name);
        SymbolPtr symbol = CreateSymbol(info.id);
        symbol->SetText(info.demoText);
        symbol->SetShowText(FALSE);
        symbol->SetTextHeight(0);
        CMetaFileDC dc(2100, 400, 100);
        symbol->Paint(&dc, area);
        ASSERT_TRUE(symbol->IsSizeOk());

        const SymbolRuns& runs = symbol->GetDrawnRuns();
        const RunPlacement& p = symbol->GetRunPlacement();
        SymbolRuns encoded;
        ASSERT_TRUE(symbol->Encode(encoded));
        EXPECT_EQ(encoded.modules, runs.modules);
        ASSERT_EQ(encoded.bars.size(), runs.bars.size());

        std::vector<RECT> drawn;
        for (const auto& r : dc.Records())
            if (r.kind == MetaRecord::Rectangle) drawn.push_back(r.rect);
        ASSERT_EQ(drawn.size(), runs.bars.size());
        for (size_t i = 0; i < runs.bars.size(); ++i) {
            const BarRun& b = runs.bars[i];
            EXPECT_EQ(b.start, encoded.bars[i].start);
            EXPECT_EQ(b.width, encoded.bars[i].width);
            EXPECT_EQ(b.span, encoded.bars[i].span);
            const RECT& s = p.Span(b.span);
            const int32_t left = s.left + p.origin + b.start * p.unit;
            const RECT expected{left, s.top, left + b.width * p.unit - p.trim, s.bottom};
            EXPECT_EQ(drawn[i].left, expected.left) << i;
            EXPECT_EQ(drawn[i].right, expected.right) << i;
            EXPECT_EQ(drawn[i].top, expected.top) << i;
            EXPECT_EQ(drawn[i].bottom, expected.bottom) << i;
        }
        // The symbol width: the whole symbol, or for the postal codes the
        // offset of the last bar.
        const bool postal = info.id == kTypePostNet || info.id == kTypeRoyalMail;
        EXPECT_EQ(symbol->GetSymbolWidth(), (runs.modules - (postal ? 1 : 0)) * p.unit);
        EXPECT_GT(p.unit, 0);
    }
}

TEST(EngineRuns, FailedFitReportsNoRuns)
{
    SymbolPtr symbol = CreateSymbol(kTypeCode93);
    symbol->SetText("CODE93");
    symbol->SetShowText(FALSE);
    CMetaFileDC dc(200, 100, 100);
    symbol->Paint(&dc, RECT{0, 0, 60, 40}); // 9 x 6 + 38 = 92 modules do not fit in 60
    EXPECT_FALSE(symbol->IsSizeOk());
    EXPECT_TRUE(symbol->GetDrawnRuns().bars.empty());
    EXPECT_EQ(symbol->GetRunPlacement().unit, 0);
}

} // namespace

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <vector>

#include "control/engine/catalogue.h"

namespace {

struct RaisedError {
    int32_t status;
    std::string description;
    uint32_t helpContext;
};

// Records what a type change asks of the control.
class CHostDouble : public ISymbolHost {
public:
    [[noreturn]] void ThrowError(int32_t status, const std::string& description, uint32_t helpContext) override
    {
        throw RaisedError{status, description, helpContext};
    }
    void InvalidateControl() override { ++invalidated; }
    void SetModifiedFlag() override { ++modified; }
    bool AmbientUserMode() const override { return userMode; }
    void BoundPropertyChanged(int32_t dispid) override { bound.push_back(dispid); }
    void FireTypeChange(int32_t type) override { typeChanges.push_back(type); }

    bool userMode = true;
    int invalidated = 0, modified = 0;
    std::vector<int32_t> bound, typeChanges;
};

struct Fixture {
    CHostDouble host;
    CSymbolSlot slot{host};
    Fixture(int32_t type = 1, std::string text = "123456789012")
    {
        slot.m_text = std::move(text);
        slot.SetType(type);
        host = CHostDouble{};
    }
};

std::string Lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c + 32);
    return s;
}

TEST(Catalogue, ThirtyFourTypesInIdOrder)
{
    ASSERT_EQ(TypeInfoCount(), 34u);
    for (int32_t id = 0; id <= 32; ++id) EXPECT_EQ(TypeInfos()[id].id, id);
    EXPECT_EQ(TypeInfos()[33].id, 99);
    EXPECT_STREQ(FindTypeInfo(1)->name, "EAN 13");
    EXPECT_STREQ(FindTypeInfo(28)->demoText, "(01)01234567890128(15)051231");
    EXPECT_STREQ(FindTypeInfo(99)->name, "None");
    EXPECT_EQ(FindTypeInfo(33), nullptr);
    EXPECT_EQ(kTypeCount, 32);
}

TEST(Catalogue, EveryDisplayNameSelectsItsOwnId)
{
    for (size_t i = 0; i < TypeInfoCount(); ++i) {
        const TypeInfo& t = TypeInfos()[i];
        for (const std::string& name : {std::string(t.name), Lower(t.name), AnsiUpper(t.name)}) {
            Fixture f(t.id == 1 ? 2 : 1);
            f.slot.ParseTypeName(name);
            EXPECT_EQ(f.slot.GetType(), t.id) << name;
            EXPECT_EQ(f.slot.GetTypeName(), t.name) << name;
            EXPECT_EQ(f.host.typeChanges, std::vector<int32_t>{t.id}) << name;
        }
    }
}

TEST(Catalogue, EveryDisplayNameIsAnAlias)
{
    std::set<std::string> names;
    for (size_t i = 0; i < TypeInfoCount(); ++i) names.insert(AnsiUpper(TypeInfos()[i].name));
    for (const auto& n : names) EXPECT_NE(LookupTypeAlias(n), -1) << n;
}

struct AliasCase {
    const char* name;
    int32_t id;
};

TEST(Catalogue, AliasesWithOddSpacingAndGermanWords)
{
    const AliasCase cases[] = {
        {"CODE   128A", kTypeCode128A}, {"code  128b", kTypeCode128B}, {"Code-128C", kTypeCode128C}, {"code128", kTypeCode128},
        {"EAN   99", kTypeEan99},    {"ean/ucc   128", kTypeEanUcc128}, {"ucc-128-ai", kTypeEanUcc128Ai}, {"EAN/UCC 128-AI", kTypeEanUcc128Ai},
        {"nve/ean 18", kTypeEan18},  {"EAN-18/NVE", kTypeEan18}, {"upc   a", kTypeUpcA}, {"UPCE", kTypeUpcE},
        {"rm4scc", kTypeRoyalMail},      {"Royal-Mail", kTypeRoyalMail}, {"post net", kTypePostNet}, {"code 3 aus 9", kTypeCode39},
        {"CODE 3 AUS 9 EXTENDED CHECKSUM", kTypeCode39ExtendedChecksum}, {"code 9 aus 3 extended", kTypeCode93Extended}, {"Code 2 aus 5", kTypeCode25},
        {"CODE 2 AUS 5 INTERLEAVED", kTypeCode25Interleaved}, {"itf   14", kTypeItf14}, {"SSCC  18", kTypeSscc18}, {"codabar", kTypeCodabar},
        {"leer", kTypeNone},        {"KEIN", kTypeNone}, {"No", kTypeNone}, {"none", kTypeNone}, {"isbn", kTypeIsbn},
        {"pdf417", 34},      {"PDF 417", 34}, {"pdf-417", 34},
        // not in the table
        {"SSCC   18", -1},   {"EAN 13 ", -1}, {" EAN 13", -1}, {"EAN    13", -1}, {"CODE 128 A", -1},
        {"EAN_13", -1},      {"", -1}, {"CODE 39 EXT", -1}, {"UPC-E ", -1},
    };
    for (const auto& c : cases) EXPECT_EQ(LookupTypeAlias(AnsiUpper(c.name)), c.id) << '"' << c.name << '"';
}

TEST(Catalogue, NameNotInTableChangesNothingButRepaints)
{
    for (const char* name : {"EAN 13 ", "SSCC   18", "QR", ""}) {
        Fixture f(kTypeCode25, "12345");
        CGenericBarcode* before = f.slot.Symbol();
        f.slot.ParseTypeName(name);
        EXPECT_EQ(f.slot.Symbol(), before) << name;
        EXPECT_EQ(f.slot.GetType(), kTypeCode25) << name;
        EXPECT_TRUE(f.host.typeChanges.empty()) << name;
        EXPECT_EQ(f.host.invalidated, 1) << name;
        EXPECT_EQ(f.host.modified, 1) << name;
    }
}

void ExpectRaisedAndUnchanged(Fixture& f, CGenericBarcode* before, const std::function<void()>& action)
{
    try {
        action();
        ADD_FAILURE() << "no error raised";
    } catch (const RaisedError& e) {
        EXPECT_EQ(e.status, int32_t(0x800A017C));
        EXPECT_EQ(e.description, "");
        EXPECT_EQ(e.helpContext, 0u);
    }
    EXPECT_EQ(f.slot.Symbol(), before);
    EXPECT_EQ(f.slot.m_type, kTypeCode25);
    EXPECT_EQ(f.slot.m_typeName, "Code 25");
    EXPECT_EQ(f.slot.m_text, "12345");
    EXPECT_EQ(f.slot.Symbol()->GetText(), "12345");
    EXPECT_TRUE(f.host.typeChanges.empty());
    EXPECT_EQ(f.host.invalidated, 0);
    EXPECT_EQ(f.host.modified, 0);
}

TEST(Catalogue, OutOfRangeIdsRaiseWithNothingChanged)
{
    for (int32_t id : {33, -1, 34, 98, 100, INT32_MIN, INT32_MAX}) {
        Fixture f(kTypeCode25, "12345");
        CGenericBarcode* before = f.slot.Symbol();
        ExpectRaisedAndUnchanged(f, before, [&] { f.slot.SetType(id); });
    }
}

TEST(Catalogue, PdfNamesRaiseWithNothingChanged)
{
    for (const char* name : {"PDF417", "pdf 417", "Pdf-417"}) {
        Fixture f(kTypeCode25, "12345");
        CGenericBarcode* before = f.slot.Symbol();
        ExpectRaisedAndUnchanged(f, before, [&] { f.slot.ParseTypeName(name); });
    }
}

TEST(Catalogue, NinetyNineIsAccepted)
{
    Fixture f(kTypeCode25, "12345");
    f.slot.SetType(kTypeNone);
    EXPECT_EQ(f.slot.GetType(), kTypeNone);
    EXPECT_EQ(f.slot.GetTypeName(), "None");
    EXPECT_TRUE(f.slot.Symbol()->IsValid());
    EXPECT_EQ(f.host.typeChanges, std::vector<int32_t>{kTypeNone});
}

TEST(Catalogue, TypeChangeHandsOverTheStateAndKeepsTheText)
{
    Fixture f(kTypeCode25, "ABC");
    f.slot.m_showText = FALSE;
    f.slot.m_notchHeightInPercent = 40;
    f.slot.m_rotate = 270;
    f.slot.SetType(kTypeMsi);
    CGenericBarcode* s = f.slot.Symbol();
    EXPECT_EQ(s->GetType(), kTypeMsi);
    EXPECT_EQ(s->GetText(), "ABC"); // invalid for MSI, kept anyway
    EXPECT_FALSE(s->IsValid());
    EXPECT_EQ(s->GetShowText(), FALSE);
    EXPECT_EQ(s->GetNotchHeightInPercent(), 40);
    EXPECT_EQ(s->GetRotate(), 270);
    EXPECT_EQ(f.slot.m_type, kTypeMsi);
    EXPECT_EQ(f.slot.m_typeName, "MSI");
    EXPECT_EQ(f.host.invalidated, 1);
    EXPECT_EQ(f.host.modified, 1);
}

TEST(Catalogue, SameTypeAgainMakesANewObjectAndFiresAgain)
{
    Fixture f(kTypeCode25, "12345");
    f.slot.SetType(kTypeCode25);
    CGenericBarcode* first = f.slot.Symbol();
    f.slot.SetType(kTypeCode25);
    EXPECT_NE(f.slot.Symbol(), first);
    EXPECT_FALSE(f.slot.Symbol()->IsSizeOk());
    EXPECT_EQ(f.host.typeChanges, (std::vector<int32_t>{kTypeCode25, kTypeCode25}));
}

TEST(Catalogue, BoundPropertyNotifiedOnlyInDesignMode)
{
    Fixture run(kTypeCode25, "1");
    run.slot.SetType(kTypeMsi);
    EXPECT_TRUE(run.host.bound.empty());
    Fixture design(kTypeCode25, "1");
    design.host.userMode = false;
    design.slot.SetType(kTypeMsi);
    EXPECT_EQ(design.host.bound, std::vector<int32_t>{kTypeEan8});
}

TEST(Catalogue, ClassesReportTheirCatalogueRow)
{
    for (size_t i = 0; i < TypeInfoCount(); ++i) {
        const TypeInfo& t = TypeInfos()[i];
        SymbolPtr s = CreateSymbol(t.id);
        ASSERT_NE(s, nullptr) << t.id;
        EXPECT_EQ(s->GetType(), t.id);
        EXPECT_EQ(s->GetTypeName(), t.name);
        EXPECT_EQ(s->GetDemoText(), t.demoText);
        s->SetText(s->GetDemoText());
        EXPECT_TRUE(s->IsValid()) << t.name;
        const int32_t check = s->GetChecksum();
        if (t.reportsChecksum) {
            EXPECT_GE(check, 0) << t.name;
            // ISBN reports its check character 'X' as 10; Code 39 check
            // characters are values modulo 43.
            const int32_t maxCheck = t.id == 0 ? 10 : (t.id == 26 || t.id == 27) ? 42 : 9;
            EXPECT_LE(check, maxCheck) << t.name;
        } else {
            EXPECT_EQ(check, -1) << t.name;
        }
    }
    EXPECT_EQ(CreateSymbol(33), nullptr);
    EXPECT_EQ(CreateSymbol(-1), nullptr);
}

// Every id a caller may set has a class: a type change never leaves the
// control without a symbol object.
TEST(Catalogue, EveryTypeIdHasAClass)
{
    for (int32_t id = 0; id <= 32; ++id) {
        Fixture f(id == 9 ? 20 : 9, "1");
        f.slot.SetType(id);
        ASSERT_NE(f.slot.Symbol(), nullptr) << id;
        EXPECT_EQ(f.slot.GetType(), id);
        EXPECT_EQ(f.slot.GetTypeName(), FindTypeInfo(id)->name);
        EXPECT_EQ(f.host.typeChanges, std::vector<int32_t>{id});
    }
}

TEST(Catalogue, AnsiUpperOfWindows1252)
{
    EXPECT_EQ(AnsiUpper("ean 13"), "EAN 13");
    // äöü é ß ÿ š œ ž ÷ µ
    EXPECT_EQ(AnsiUpper("\xE4\xF6\xFC\xE9\xDF\xFF\x9A\x9C\x9E\xF7\xB5"),
              "\xC4\xD6\xDC\xC9\xDF\x9F\x8A\x8C\x8E\xF7\xB5");
    EXPECT_EQ(AnsiUpper("A1-/ \x80"), "A1-/ \x80");
}

// --- automatic detection ------------------------------------------------------

TEST(Detect, TextValidForNoCandidateKeepsTheType)
{
    Fixture f(kTypeCode25, "12345");
    f.slot.m_text = "\x01\x02";
    f.slot.DetectType();
    EXPECT_EQ(f.slot.GetType(), kTypeCode25);
    EXPECT_TRUE(f.host.typeChanges.empty());
}

TEST(Detect, NeverChoosesTheEngineTypes)
{
    // A long digit string is Code 25 and MSI as well; neither is a candidate.
    Fixture f(kTypeNone, "");
    f.slot.m_text = "12345678901234567890123";
    f.slot.DetectType();
    EXPECT_NE(f.slot.GetType(), kTypeCode25);
    EXPECT_NE(f.slot.GetType(), kTypeMsi);
}

struct DetectCase {
    const char* text;
    int32_t expected;
};

TEST(Detect, LaterCandidatesWin)
{
    const DetectCase cases[] = {
        {"12", kTypeEan2},
        // Code 39 outranks Code 39 Extended.
        {"CODE", kTypeCode39},
        // Valid as EAN 13 and EAN 99 too: ISBN wins over every candidate.
        {"123456789", kTypeIsbn},
        // Valid as EAN 13 and EAN 99: the later, EAN 99, wins.
        {"991234567890", kTypeEan99},
    };
    for (const auto& c : cases) {
        Fixture f(kTypeNone, "");
        f.slot.m_text = c.text;
        f.slot.DetectType();
        EXPECT_EQ(f.slot.GetType(), c.expected) << c.text;
    }
}

TEST(Detect, SetTypeDetectsWhenTheTextIsInvalid)
{
    Fixture f(kTypeCode25, "12345");
    f.slot.m_autoType = TRUE;
    f.slot.m_text = "CODE";
    f.slot.SetType(kTypeMsi);
    EXPECT_EQ(f.slot.GetType(), kTypeCode39);
    EXPECT_EQ(f.slot.m_typeName, "Code 39");
    EXPECT_EQ(f.host.typeChanges, (std::vector<int32_t>{kTypeCode39, kTypeCode39}));
}

} // namespace

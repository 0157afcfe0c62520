// The symbology catalogue: the types and what their classes report, the
// factory behind a type change, the tolerant type-name parser and the
// automatic type detection.
#include "control/engine/catalogue.h"

#include <iterator>

namespace {

// --- tables ------------------------------------------------------------------

struct Factory {
    int32_t id;
    SymbolPtr (*create)();
};

constexpr Factory kFactories[] = {
#define TESSALINE_TYPE_FACTORY(id, enumerator, name, demo, factory, engine, checksum) {id, factory},
    TESSALINE_TYPE_LIST(TESSALINE_TYPE_FACTORY)
#undef TESSALINE_TYPE_FACTORY
};

constexpr bool IdsAscend()
{
    for (size_t i = 1; i < std::size(kTypeInfos); ++i)
        if (kTypeInfos[i].id <= kTypeInfos[i - 1].id) return false;
    return true;
}
static_assert(std::size(kTypeInfos) == 34 && IdsAscend(), "the type list holds 0 to 32 and 99, in id order");

// The id the PDF 417 names select: one past the last type.
constexpr int32_t kNoSuchType = 34;

struct Alias {
    const char* name;
    int32_t id;
};

// Compared in this order, exactly and whole; spaces inside a name count.
constexpr Alias kAliases[] = {
    // None
    {"LEER", kTypeNone}, {"KEIN", kTypeNone}, {"NO", kTypeNone}, {"NONE", kTypeNone},
    // ISBN
    {"ISBN", kTypeIsbn},
    // Code 128A
    {"CODE   128A", kTypeCode128A}, {"CODE  128A", kTypeCode128A}, {"CODE 128A", kTypeCode128A},
    {"CODE-128A", kTypeCode128A}, {"CODE128A", kTypeCode128A},
    // Code 128B
    {"CODE   128B", kTypeCode128B}, {"CODE  128B", kTypeCode128B}, {"CODE 128B", kTypeCode128B},
    {"CODE-128B", kTypeCode128B}, {"CODE128B", kTypeCode128B},
    // Code 128C
    {"CODE   128C", kTypeCode128C}, {"CODE  128C", kTypeCode128C}, {"CODE 128C", kTypeCode128C},
    {"CODE-128C", kTypeCode128C}, {"CODE128C", kTypeCode128C},
    // EAN 99
    {"EAN99", kTypeEan99}, {"EAN 99", kTypeEan99}, {"EAN-99", kTypeEan99}, {"EAN  99", kTypeEan99},
    {"EAN   99", kTypeEan99},
    // Code 128
    {"CODE   128", kTypeCode128}, {"CODE  128", kTypeCode128}, {"CODE 128", kTypeCode128},
    {"CODE-128", kTypeCode128}, {"CODE128", kTypeCode128},
    // EAN/UCC 128
    {"EAN128", kTypeEanUcc128}, {"EAN-128", kTypeEanUcc128}, {"EAN 128", kTypeEanUcc128},
    {"EAN  128", kTypeEanUcc128}, {"EAN   128", kTypeEanUcc128},
    {"EAN/UCC128", kTypeEanUcc128}, {"EAN/UCC-128", kTypeEanUcc128}, {"EAN/UCC 128", kTypeEanUcc128},
    {"EAN/UCC  128", kTypeEanUcc128},
    {"EAN/UCC   128", kTypeEanUcc128},
    // EAN/UCC 128 AI
    {"EAN128AI", kTypeEanUcc128Ai}, {"EAN128 AI", kTypeEanUcc128Ai}, {"EAN128-AI", kTypeEanUcc128Ai},
    {"EAN-128AI", kTypeEanUcc128Ai}, {"EAN-128 AI", kTypeEanUcc128Ai},
    {"EAN-128-AI", kTypeEanUcc128Ai}, {"EAN 128AI", kTypeEanUcc128Ai}, {"EAN 128 AI", kTypeEanUcc128Ai},
    {"EAN 128-AI", kTypeEanUcc128Ai}, {"UCC128AI", kTypeEanUcc128Ai},
    {"UCC128 AI", kTypeEanUcc128Ai}, {"UCC128-AI", kTypeEanUcc128Ai}, {"UCC-128AI", kTypeEanUcc128Ai},
    {"UCC-128 AI", kTypeEanUcc128Ai}, {"UCC-128-AI", kTypeEanUcc128Ai},
    {"UCC 128AI", kTypeEanUcc128Ai}, {"UCC 128 AI", kTypeEanUcc128Ai}, {"UCC 128-AI", kTypeEanUcc128Ai},
    {"EAN/UCC128AI", kTypeEanUcc128Ai},
    {"EAN/UCC128 AI", kTypeEanUcc128Ai}, {"EAN/UCC128-AI", kTypeEanUcc128Ai},
    {"EAN/UCC-128AI", kTypeEanUcc128Ai}, {"EAN/UCC-128 AI", kTypeEanUcc128Ai},
    {"EAN/UCC-128-AI", kTypeEanUcc128Ai}, {"EAN/UCC 128AI", kTypeEanUcc128Ai},
    {"EAN/UCC 128 AI", kTypeEanUcc128Ai}, {"EAN/UCC 128-AI", kTypeEanUcc128Ai},
    // EAN 13
    {"EAN13", kTypeEan13}, {"EAN 13", kTypeEan13}, {"EAN-13", kTypeEan13}, {"EAN  13", kTypeEan13},
    {"EAN   13", kTypeEan13},
    // EAN 14
    {"EAN14", kTypeEan14}, {"EAN 14", kTypeEan14}, {"EAN-14", kTypeEan14}, {"EAN  14", kTypeEan14},
    {"EAN   14", kTypeEan14},
    // EAN 18/NVE
    {"EAN18", kTypeEan18}, {"EAN 18", kTypeEan18}, {"EAN-18", kTypeEan18}, {"EAN  18", kTypeEan18},
    {"EAN   18", kTypeEan18}, {"NVE", kTypeEan18},
    {"NVE18", kTypeEan18}, {"NVE 18", kTypeEan18}, {"NVE-18", kTypeEan18}, {"NVE/EAN-18", kTypeEan18},
    {"NVE/EAN 18", kTypeEan18},
    {"EAN-18/NVE", kTypeEan18}, {"EAN 18/NVE", kTypeEan18},
    // EAN 8
    {"EAN   8", kTypeEan8}, {"EAN  8", kTypeEan8}, {"EAN 8", kTypeEan8}, {"EAN-8", kTypeEan8},
    {"EAN8", kTypeEan8},
    // EAN 5
    {"EAN   5", kTypeEan5}, {"EAN  5", kTypeEan5}, {"EAN 5", kTypeEan5}, {"EAN-5", kTypeEan5},
    {"EAN5", kTypeEan5},
    // EAN 2
    {"EAN2", kTypeEan2}, {"EAN-2", kTypeEan2}, {"EAN 2", kTypeEan2}, {"EAN  2", kTypeEan2},
    {"EAN   2", kTypeEan2},
    // UPC A
    {"UPC   A", kTypeUpcA}, {"UPC  A", kTypeUpcA}, {"UPC A", kTypeUpcA}, {"UPC-A", kTypeUpcA},
    {"UPCA", kTypeUpcA},
    // UPC E
    {"UPCE", kTypeUpcE}, {"UPC-E", kTypeUpcE}, {"UPC E", kTypeUpcE}, {"UPC  E", kTypeUpcE},
    {"UPC   E", kTypeUpcE},
    // MSI
    {"MSI", kTypeMsi},
    // PZN
    {"PZN", kTypePzn},
    // Identcode
    {"IDENTCODE", kTypeIdentcode},
    // Leitcode
    {"LEITCODE", kTypeLeitcode},
    // PostNet
    {"POSTNET", kTypePostNet}, {"POST-NET", kTypePostNet}, {"POST NET", kTypePostNet},
    // Royal Mail
    {"RM4SCC", kTypeRoyalMail}, {"ROYALMAIL", kTypeRoyalMail}, {"ROYAL-MAIL", kTypeRoyalMail},
    {"ROYAL MAIL", kTypeRoyalMail},
    // Code 39
    {"CODE 39", kTypeCode39}, {"CODE-39", kTypeCode39}, {"CODE39", kTypeCode39},
    {"CODE 3 AUS 9", kTypeCode39},
    // Code 39 Checksum
    {"CODE 39 CHECKSUM", kTypeCode39Checksum}, {"CODE-39 CHECKSUM", kTypeCode39Checksum},
    {"CODE39 CHECKSUM", kTypeCode39Checksum},
    {"CODE39CHECKSUM", kTypeCode39Checksum}, {"CODE 3 AUS 9 CHECKSUM", kTypeCode39Checksum},
    // Code 39 Extended
    {"CODE 39 EXTENDED", kTypeCode39Extended}, {"CODE-39 EXTENDED", kTypeCode39Extended},
    {"CODE39 EXTENDED", kTypeCode39Extended},
    {"CODE39EXTENDED", kTypeCode39Extended}, {"CODE 3 AUS 9 EXTENDED", kTypeCode39Extended},
    // Code 39 Extended Checksum
    {"CODE 39 EXTENDED CHECKSUM", kTypeCode39ExtendedChecksum},
    {"CODE-39 EXTENDED CHECKSUM", kTypeCode39ExtendedChecksum},
    {"CODE39 EXTENDED CHECKSUM", kTypeCode39ExtendedChecksum},
    {"CODE39EXTENDEDCHECKSUM", kTypeCode39ExtendedChecksum},
    {"CODE 3 AUS 9 EXTENDED CHECKSUM", kTypeCode39ExtendedChecksum},
    // Code 93
    {"CODE 93", kTypeCode93}, {"CODE-93", kTypeCode93}, {"CODE93", kTypeCode93},
    {"CODE 9 AUS 3", kTypeCode93},
    // Code 93 Extended
    {"CODE 93 EXTENDED", kTypeCode93Extended}, {"CODE-93 EXTENDED", kTypeCode93Extended},
    {"CODE93 EXTENDED", kTypeCode93Extended},
    {"CODE93EXTENDED", kTypeCode93Extended}, {"CODE 9 AUS 3 EXTENDED", kTypeCode93Extended},
    // Code 25
    {"CODE 25", kTypeCode25}, {"CODE-25", kTypeCode25}, {"CODE25", kTypeCode25},
    {"CODE 2 AUS 5", kTypeCode25},
    // Code 25 Interleaved
    {"CODE 25 INTERLEAVED", kTypeCode25Interleaved}, {"CODE-25 INTERLEAVED", kTypeCode25Interleaved},
    {"CODE25 INTERLEAVED", kTypeCode25Interleaved},
    {"CODE25INTERLEAVED", kTypeCode25Interleaved}, {"CODE 2 AUS 5 INTERLEAVED", kTypeCode25Interleaved},
    // ITF 14
    {"ITF14", kTypeItf14}, {"ITF 14", kTypeItf14}, {"ITF-14", kTypeItf14}, {"ITF  14", kTypeItf14},
    {"ITF   14", kTypeItf14},
    // SSCC 18
    {"SSCC18", kTypeSscc18}, {"SSCC 18", kTypeSscc18}, {"SSCC-18", kTypeSscc18}, {"SSCC  18", kTypeSscc18},
    // PDF 417: no symbology here; selecting it raises the range error
    {"PDF417", kNoSuchType}, {"PDF 417", kNoSuchType}, {"PDF-417", kNoSuchType},
    // Codabar
    {"CODABAR", kTypeCodabar},
};

// Detection candidates in the order their verdicts are taken: a later
// valid candidate overrides an earlier one. ISBN is asked last and wins.
constexpr TypeId kDetectOrder[] = {kTypeCode39Extended, kTypeCode39, kTypeCode25Interleaved, kTypeCodabar, kTypeUpcA,
                                   kTypeEan13,          kTypeEan99,  kTypeEan8,              kTypeEan5,    kTypeEan2};
constexpr TypeId kDetectFinal = kTypeIsbn;

constexpr int32_t kDispidType = 2;

bool IsTypeId(int32_t id) { return FindTypeRow(id) != nullptr; }

// Windows-1252 upper case of one byte: ASCII, the Latin-1 letters (not ß,
// ÿ maps to 0x9F, ÷ stays) and the three pairs of the 0x80 block.
unsigned char UpperCp1252(unsigned char c)
{
    if (c >= 'a' && c <= 'z') return c - 0x20;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
    switch (c) {
    case 0x9A: return 0x8A; // š
    case 0x9C: return 0x8C; // œ
    case 0x9E: return 0x8E; // ž
    case 0xFF: return 0x9F; // ÿ
    default: return c;
    }
}

} // namespace

// --- catalogue -------------------------------------------------------------------

const TypeInfo* TypeInfos() { return kTypeInfos; }
size_t TypeInfoCount() { return std::size(kTypeInfos); }
const TypeInfo* FindTypeInfo(int32_t id) { return FindTypeRow(id); }

SymbolPtr CreateSymbol(int32_t type)
{
    for (const Factory& f : kFactories)
        if (f.id == type) return f.create();
    return nullptr;
}

int32_t LookupTypeAlias(const std::string& upperName)
{
    for (const Alias& a : kAliases)
        if (upperName == a.name) return a.id;
    return -1;
}

std::string AnsiUpper(const std::string& s)
{
    std::string out = s;
    for (char& c : out) c = char(UpperCp1252(static_cast<unsigned char>(c)));
    return out;
}

// --- the control's symbol slot -----------------------------------------------------

void CSymbolSlot::SetType(int32_t type)
{
    if (!IsTypeId(type)) m_host.ThrowError(kInvalidPropertyValue, std::string(), 0);

    m_symbol = CreateSymbol(type); // the previous object dies here
    m_symbol->SetText(m_text);
    m_symbol->SetShowText(m_showText);
    m_symbol->SetNotchHeightInPercent(m_notchHeightInPercent);
    m_symbol->SetRotate(m_rotate);

    // Detection may replace m_symbol through a nested SetType.
    if (!m_symbol->IsValid() && m_autoType) DetectType();

    m_type = m_symbol->GetType();
    m_typeName = m_symbol->GetTypeName();
    m_host.InvalidateControl();
    m_host.SetModifiedFlag();
    if (!m_host.AmbientUserMode()) m_host.BoundPropertyChanged(kDispidType);
    m_host.FireTypeChange(GetType());
}

void CSymbolSlot::ParseTypeName(const std::string& name)
{
    const std::string upper = AnsiUpper(name);
    for (const Alias& a : kAliases)
        if (upper == a.name) SetType(a.id);
    m_host.InvalidateControl();
    m_host.SetModifiedFlag();
}

void CSymbolSlot::DetectType()
{
    auto validFor = [this](int32_t id) {
        const SymbolPtr candidate = CreateSymbol(id);
        candidate->SetText(m_text);
        return candidate->IsValid() != FALSE;
    };
    int32_t choice = -1;
    for (TypeId id : kDetectOrder)
        if (validFor(id)) choice = id;
    if (validFor(kDetectFinal)) choice = kDetectFinal;
    if (choice >= 0) SetType(choice);
}

int32_t CSymbolSlot::GetType()
{
    if (m_symbol) m_type = m_symbol->GetType();
    return m_type;
}

std::string CSymbolSlot::GetTypeName()
{
    if (m_symbol) m_typeName = m_symbol->GetTypeName();
    return m_typeName;
}

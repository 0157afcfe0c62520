// The symbology catalogue: the types and what their classes report, the
// factory behind a type change, the tolerant type-name parser and the
// automatic type detection.
#include "control/engine/catalogue.h"

#include <iterator>

namespace {

// --- tables ------------------------------------------------------------------

constexpr TypeInfo kTypes[] = {
    {0, "ISBN", "123456789", true},
    {1, "EAN 13", "123456789012", true},
    {2, "EAN 8", "1234567", true},
    {3, "EAN 5", "12345", false},
    {4, "EAN 2", "12", false},
    {5, "UPC A", "12345678901", true},
    {6, "Code 39", "CODE 39", false},
    {7, "Code 25 Interleaved", "012345", false},
    {8, "Codabar", "A1234A", false},
    {9, "Code 25", "12345", false},
    {10, "Code 39 Extended", "CODE 39 EXT", false},
    {11, "Code 128A", "1234567890", false},
    {12, "Code 128B", "Code 128B", false},
    {13, "Code 128C", "1234567890", false},
    {14, "Code 128", "Code 128", false},
    {15, "EAN/UCC 128", "EAN/UCC 128", false},
    {16, "EAN 99", "993456789012", true},
    {17, "UPC E", "123456", true},
    {18, "PostNet", "12345", false},
    {19, "Royal Mail", "12345", false},
    {20, "MSI", "12345", false},
    {21, "Code 93", "CODE93", false},
    {22, "Code 93 Extended", "Code 39 Ext", false},
    {23, "PZN", "123456", true},
    {24, "Identcode", "56310243031", true},
    {25, "Leitcode", "2134807501640", true},
    {26, "Code 39 Checksum", "CODE 39 CHECKSUM", true},
    {27, "Code 39 Extended Checksum", "CODE 39 EXTENDED CHECKSUM", true},
    {28, "EAN/UCC 128 AI", "(01)01234567890128(15)051231", false},
    {29, "EAN 14", "12345678901231", true},
    {30, "ITF 14", "3071234500001", true},
    {31, "EAN 18/NVE", "34012345000000000", true},
    {32, "SSCC 18", "10065300555555555", true},
    {kTypeNone, "None", "", false},
};

struct Factory {
    int32_t id;
    SymbolPtr (*create)();
};

constexpr Factory kFactories[] = {
    {0, CreateIsbnBarcode},
    {1, CreateEan13Barcode},
    {2, CreateEan8Barcode},
    {3, CreateEan5Barcode},
    {4, CreateEan2Barcode},
    {5, CreateUpcABarcode},
    {6, CreateCode39Barcode},
    {7, CreateInterleaved25Barcode},
    {8, CreateCodabarBarcode},
    {9, CreateCode25Barcode},
    {10, CreateCode39ExtendedBarcode},
    {11, CreateCode128ABarcode},
    {12, CreateCode128BBarcode},
    {13, CreateCode128CBarcode},
    {14, CreateCode128Barcode},
    {15, CreateEanUcc128Barcode},
    {16, CreateEan99Barcode},
    {17, CreateUpcEBarcode},
    {18, CreatePostNetBarcode},
    {19, CreateRoyalMailBarcode},
    {20, CreateMsiBarcode},
    {21, CreateCode93Barcode},
    {22, CreateCode93ExtendedBarcode},
    {23, CreatePznBarcode},
    {24, CreateIdentcodeBarcode},
    {25, CreateLeitcodeBarcode},
    {26, CreateCode39ChecksumBarcode},
    {27, CreateCode39ExtendedChecksumBarcode},
    {28, CreateEanUcc128AiBarcode},
    {29, CreateEan14Barcode},
    {30, CreateItf14Barcode},
    {31, CreateEan18Barcode},
    {32, CreateSscc18Barcode},
    {kTypeNone, CreateNoneBarcode},
};

struct Alias {
    const char* name;
    int32_t id;
};

// Compared in this order, exactly and whole; spaces inside a name count.
constexpr Alias kAliases[] = {
    // None
    {"LEER", 99}, {"KEIN", 99}, {"NO", 99}, {"NONE", 99},
    // ISBN
    {"ISBN", 0},
    // Code 128A
    {"CODE   128A", 11}, {"CODE  128A", 11}, {"CODE 128A", 11}, {"CODE-128A", 11}, {"CODE128A", 11},
    // Code 128B
    {"CODE   128B", 12}, {"CODE  128B", 12}, {"CODE 128B", 12}, {"CODE-128B", 12}, {"CODE128B", 12},
    // Code 128C
    {"CODE   128C", 13}, {"CODE  128C", 13}, {"CODE 128C", 13}, {"CODE-128C", 13}, {"CODE128C", 13},
    // EAN 99
    {"EAN99", 16}, {"EAN 99", 16}, {"EAN-99", 16}, {"EAN  99", 16}, {"EAN   99", 16},
    // Code 128
    {"CODE   128", 14}, {"CODE  128", 14}, {"CODE 128", 14}, {"CODE-128", 14}, {"CODE128", 14},
    // EAN/UCC 128
    {"EAN128", 15}, {"EAN-128", 15}, {"EAN 128", 15}, {"EAN  128", 15}, {"EAN   128", 15},
    {"EAN/UCC128", 15}, {"EAN/UCC-128", 15}, {"EAN/UCC 128", 15}, {"EAN/UCC  128", 15},
    {"EAN/UCC   128", 15},
    // EAN/UCC 128 AI
    {"EAN128AI", 28}, {"EAN128 AI", 28}, {"EAN128-AI", 28}, {"EAN-128AI", 28}, {"EAN-128 AI", 28},
    {"EAN-128-AI", 28}, {"EAN 128AI", 28}, {"EAN 128 AI", 28}, {"EAN 128-AI", 28}, {"UCC128AI", 28},
    {"UCC128 AI", 28}, {"UCC128-AI", 28}, {"UCC-128AI", 28}, {"UCC-128 AI", 28}, {"UCC-128-AI", 28},
    {"UCC 128AI", 28}, {"UCC 128 AI", 28}, {"UCC 128-AI", 28}, {"EAN/UCC128AI", 28},
    {"EAN/UCC128 AI", 28}, {"EAN/UCC128-AI", 28}, {"EAN/UCC-128AI", 28}, {"EAN/UCC-128 AI", 28},
    {"EAN/UCC-128-AI", 28}, {"EAN/UCC 128AI", 28}, {"EAN/UCC 128 AI", 28}, {"EAN/UCC 128-AI", 28},
    // EAN 13
    {"EAN13", 1}, {"EAN 13", 1}, {"EAN-13", 1}, {"EAN  13", 1}, {"EAN   13", 1},
    // EAN 14
    {"EAN14", 29}, {"EAN 14", 29}, {"EAN-14", 29}, {"EAN  14", 29}, {"EAN   14", 29},
    // EAN 18/NVE
    {"EAN18", 31}, {"EAN 18", 31}, {"EAN-18", 31}, {"EAN  18", 31}, {"EAN   18", 31}, {"NVE", 31},
    {"NVE18", 31}, {"NVE 18", 31}, {"NVE-18", 31}, {"NVE/EAN-18", 31}, {"NVE/EAN 18", 31},
    {"EAN-18/NVE", 31}, {"EAN 18/NVE", 31},
    // EAN 8
    {"EAN   8", 2}, {"EAN  8", 2}, {"EAN 8", 2}, {"EAN-8", 2}, {"EAN8", 2},
    // EAN 5
    {"EAN   5", 3}, {"EAN  5", 3}, {"EAN 5", 3}, {"EAN-5", 3}, {"EAN5", 3},
    // EAN 2
    {"EAN2", 4}, {"EAN-2", 4}, {"EAN 2", 4}, {"EAN  2", 4}, {"EAN   2", 4},
    // UPC A
    {"UPC   A", 5}, {"UPC  A", 5}, {"UPC A", 5}, {"UPC-A", 5}, {"UPCA", 5},
    // UPC E
    {"UPCE", 17}, {"UPC-E", 17}, {"UPC E", 17}, {"UPC  E", 17}, {"UPC   E", 17},
    // MSI
    {"MSI", 20},
    // PZN
    {"PZN", 23},
    // Identcode
    {"IDENTCODE", 24},
    // Leitcode
    {"LEITCODE", 25},
    // PostNet
    {"POSTNET", 18}, {"POST-NET", 18}, {"POST NET", 18},
    // Royal Mail
    {"RM4SCC", 19}, {"ROYALMAIL", 19}, {"ROYAL-MAIL", 19}, {"ROYAL MAIL", 19},
    // Code 39
    {"CODE 39", 6}, {"CODE-39", 6}, {"CODE39", 6}, {"CODE 3 AUS 9", 6},
    // Code 39 Checksum
    {"CODE 39 CHECKSUM", 26}, {"CODE-39 CHECKSUM", 26}, {"CODE39 CHECKSUM", 26},
    {"CODE39CHECKSUM", 26}, {"CODE 3 AUS 9 CHECKSUM", 26},
    // Code 39 Extended
    {"CODE 39 EXTENDED", 10}, {"CODE-39 EXTENDED", 10}, {"CODE39 EXTENDED", 10},
    {"CODE39EXTENDED", 10}, {"CODE 3 AUS 9 EXTENDED", 10},
    // Code 39 Extended Checksum
    {"CODE 39 EXTENDED CHECKSUM", 27}, {"CODE-39 EXTENDED CHECKSUM", 27},
    {"CODE39 EXTENDED CHECKSUM", 27}, {"CODE39EXTENDEDCHECKSUM", 27},
    {"CODE 3 AUS 9 EXTENDED CHECKSUM", 27},
    // Code 93
    {"CODE 93", 21}, {"CODE-93", 21}, {"CODE93", 21}, {"CODE 9 AUS 3", 21},
    // Code 93 Extended
    {"CODE 93 EXTENDED", 22}, {"CODE-93 EXTENDED", 22}, {"CODE93 EXTENDED", 22},
    {"CODE93EXTENDED", 22}, {"CODE 9 AUS 3 EXTENDED", 22},
    // Code 25
    {"CODE 25", 9}, {"CODE-25", 9}, {"CODE25", 9}, {"CODE 2 AUS 5", 9},
    // Code 25 Interleaved
    {"CODE 25 INTERLEAVED", 7}, {"CODE-25 INTERLEAVED", 7}, {"CODE25 INTERLEAVED", 7},
    {"CODE25INTERLEAVED", 7}, {"CODE 2 AUS 5 INTERLEAVED", 7},
    // ITF 14
    {"ITF14", 30}, {"ITF 14", 30}, {"ITF-14", 30}, {"ITF  14", 30}, {"ITF   14", 30},
    // SSCC 18
    {"SSCC18", 32}, {"SSCC 18", 32}, {"SSCC-18", 32}, {"SSCC  18", 32},
    // PDF 417: no symbology here; selecting it raises the range error
    {"PDF417", 34}, {"PDF 417", 34}, {"PDF-417", 34},
    // Codabar
    {"CODABAR", 8},
};

// Detection candidates in the order their verdicts are taken: a later
// valid candidate overrides an earlier one. ISBN is asked last and wins.
constexpr int32_t kDetectOrder[] = {10, 6, 7, 8, 5, 1, 16, 2, 3, 4};
constexpr int32_t kDetectFinal = 0;

constexpr int32_t kDispidType = 2;

bool IsTypeId(int32_t id) { return id == kTypeNone || (id >= 0 && id <= 32); }

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

const TypeInfo* TypeInfos() { return kTypes; }
size_t TypeInfoCount() { return std::size(kTypes); }

const TypeInfo* FindTypeInfo(int32_t id)
{
    for (const TypeInfo& t : kTypes)
        if (t.id == id) return &t;
    return nullptr;
}

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
    for (int32_t id : kDetectOrder)
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

// The symbology catalogue, written once: every type's id, the name of its
// id in code, its display name and sample text, the factory of its class,
// the engine code that draws it (EngineCode::kNone for the classes that draw
// themselves) and whether it reports a check value. The type-id enum, the
// factory declarations, the catalogue's rows and factory table, the engine
// codes of the types and the classes' GetType / GetTypeName / GetDemoText
// all read this list.
#pragma once

#include <cstddef>
#include <cstdint>

// The engine rows (control/symbologies/engine.cpp). Distinct from the type
// ids: engine code 18 draws Code 128, type 18 is PostNet.
enum class EngineCode : int16_t {
    kNone = 0,        // not drawn by the engine: no bars, no text
    kCode25 = 1,
    kCode128A = 6,
    kCode128B = 7,
    kMsi = 10,
    kCode93 = 11,
    kCode93Extended = 12,
    kPostNet = 15,
    kCode128 = 18,    // automatic set selection
    kEanUcc128 = 19,  // automatic set selection after a leading FNC1
    kUpcE = 20,
    kRoyalMail = 21,
};

// X(id, enumerator, display name, sample text, factory, engine code, reports a check value)
#define TESSALINE_TYPE_LIST(X)                                                                                  \
    X(0, kTypeIsbn, "ISBN", "123456789", CreateIsbnBarcode, kNone, true)                                        \
    X(1, kTypeEan13, "EAN 13", "123456789012", CreateEan13Barcode, kNone, true)                                 \
    X(2, kTypeEan8, "EAN 8", "1234567", CreateEan8Barcode, kNone, true)                                         \
    X(3, kTypeEan5, "EAN 5", "12345", CreateEan5Barcode, kNone, false)                                          \
    X(4, kTypeEan2, "EAN 2", "12", CreateEan2Barcode, kNone, false)                                             \
    X(5, kTypeUpcA, "UPC A", "12345678901", CreateUpcABarcode, kNone, true)                                     \
    X(6, kTypeCode39, "Code 39", "CODE 39", CreateCode39Barcode, kNone, false)                                  \
    X(7, kTypeCode25Interleaved, "Code 25 Interleaved", "012345", CreateInterleaved25Barcode, kNone, false)     \
    X(8, kTypeCodabar, "Codabar", "A1234A", CreateCodabarBarcode, kNone, false)                                 \
    X(9, kTypeCode25, "Code 25", "12345", CreateCode25Barcode, kCode25, false)                                  \
    X(10, kTypeCode39Extended, "Code 39 Extended", "CODE 39 EXT", CreateCode39ExtendedBarcode, kNone, false)    \
    X(11, kTypeCode128A, "Code 128A", "1234567890", CreateCode128ABarcode, kCode128A, false)                    \
    X(12, kTypeCode128B, "Code 128B", "Code 128B", CreateCode128BBarcode, kCode128B, false)                     \
    X(13, kTypeCode128C, "Code 128C", "1234567890", CreateCode128CBarcode, kCode128, false)                     \
    X(14, kTypeCode128, "Code 128", "Code 128", CreateCode128Barcode, kCode128, false)                          \
    X(15, kTypeEanUcc128, "EAN/UCC 128", "EAN/UCC 128", CreateEanUcc128Barcode, kEanUcc128, false)              \
    X(16, kTypeEan99, "EAN 99", "993456789012", CreateEan99Barcode, kNone, true)                                \
    X(17, kTypeUpcE, "UPC E", "123456", CreateUpcEBarcode, kUpcE, true)                                         \
    X(18, kTypePostNet, "PostNet", "12345", CreatePostNetBarcode, kPostNet, false)                              \
    X(19, kTypeRoyalMail, "Royal Mail", "12345", CreateRoyalMailBarcode, kRoyalMail, false)                     \
    X(20, kTypeMsi, "MSI", "12345", CreateMsiBarcode, kMsi, false)                                              \
    X(21, kTypeCode93, "Code 93", "CODE93", CreateCode93Barcode, kCode93, false)                                \
    X(22, kTypeCode93Extended, "Code 93 Extended", "Code 39 Ext", CreateCode93ExtendedBarcode, kCode93Extended, \
      false)                                                                                                    \
    X(23, kTypePzn, "PZN", "123456", CreatePznBarcode, kNone, true)                                             \
    X(24, kTypeIdentcode, "Identcode", "56310243031", CreateIdentcodeBarcode, kNone, true)                      \
    X(25, kTypeLeitcode, "Leitcode", "2134807501640", CreateLeitcodeBarcode, kNone, true)                       \
    X(26, kTypeCode39Checksum, "Code 39 Checksum", "CODE 39 CHECKSUM", CreateCode39ChecksumBarcode, kNone, true) \
    X(27, kTypeCode39ExtendedChecksum, "Code 39 Extended Checksum", "CODE 39 EXTENDED CHECKSUM",                \
      CreateCode39ExtendedChecksumBarcode, kNone, true)                                                         \
    X(28, kTypeEanUcc128Ai, "EAN/UCC 128 AI", "(01)01234567890128(15)051231", CreateEanUcc128AiBarcode,         \
      kEanUcc128, false)                                                                                        \
    X(29, kTypeEan14, "EAN 14", "12345678901231", CreateEan14Barcode, kEanUcc128, true)                         \
    X(30, kTypeItf14, "ITF 14", "3071234500001", CreateItf14Barcode, kNone, true)                               \
    X(31, kTypeEan18, "EAN 18/NVE", "34012345000000000", CreateEan18Barcode, kEanUcc128, true)                  \
    X(32, kTypeSscc18, "SSCC 18", "10065300555555555", CreateSscc18Barcode, kEanUcc128, true)                   \
    X(99, kTypeNone, "None", "", CreateNoneBarcode, kNone, false)

// The type ids, as the Type property and the files carry them.
enum TypeId : int32_t {
#define TESSALINE_TYPE_ID(id, enumerator, name, demo, factory, engine, checksum) enumerator = id,
    TESSALINE_TYPE_LIST(TESSALINE_TYPE_ID)
#undef TESSALINE_TYPE_ID
};

// One row of the catalogue: what a type's symbol class reports.
struct TypeInfo {
    int32_t id;
    const char* name;        // GetTypeName
    const char* demoText;    // GetDemoText
    bool reportsChecksum;    // GetChecksum gives a digit for a valid text
    EngineCode engineCode;   // the engine row that draws the type
};

// The rows in id order, 0 to 32 and then 99.
inline constexpr TypeInfo kTypeInfos[] = {
#define TESSALINE_TYPE_INFO(id, enumerator, name, demo, factory, engine, checksum) \
    {id, name, demo, checksum, EngineCode::engine},
    TESSALINE_TYPE_LIST(TESSALINE_TYPE_INFO)
#undef TESSALINE_TYPE_INFO
};

// The row of a type id; nullptr for an id outside the catalogue.
constexpr const TypeInfo* FindTypeRow(int32_t id)
{
    for (const TypeInfo& t : kTypeInfos)
        if (t.id == id) return &t;
    return nullptr;
}

// What the class of a catalogue type reports.
constexpr const char* TypeNameOf(TypeId id) { return FindTypeRow(id)->name; }
constexpr const char* DemoTextOf(TypeId id) { return FindTypeRow(id)->demoText; }
// The engine code of a type id; kNone for every id the engine does not draw.
constexpr EngineCode EngineCodeOf(int32_t id)
{
    const TypeInfo* row = FindTypeRow(id);
    return row ? row->engineCode : EngineCode::kNone;
}

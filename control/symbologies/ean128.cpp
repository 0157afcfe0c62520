// The EAN/UCC 128 family: Code 128 symbols with FNC1 after the start
// character. EAN/UCC 128 and EAN/UCC 128 AI take free texts (the latter with
// parentheses around application identifiers for the eye only and "<FNC1>"
// ending variable-length fields); EAN 14, EAN 18/NVE and SSCC 18 take digit
// strings completed with a mod-10 check digit. The engine builds and draws
// them with the automatic Code 128 builder (engine code 19).
#include <cstdint>
#include <string>

#include "control/symbologies/engine.h"
#include "control/symbologies/symbologies.h"

namespace {

// --- check digit -------------------------------------------------------------

// Mod-10 check digit over the first `count` digits: weight 3 on the last of
// them, then 1 and 3 alternating towards the left. -2 unless the text is
// all digits and holds exactly `count` digits or those and a check digit.
int32_t Mod10CheckDigit(const std::string& text, size_t count)
{
    if ((text.size() != count && text.size() != count + 1) || !AllDigits(text)) return -2;
    int32_t sum = 0;
    for (size_t i = 0; i < count; ++i) sum += (text[count - 1 - i] - '0') * (i % 2 == 0 ? 3 : 1);
    return (10 - sum % 10) % 10;
}

// A text of `count` digits is valid; with one digit more that digit must be
// the check digit.
bool IsValidWithCheckDigit(const std::string& text, size_t count)
{
    const int32_t check = Mod10CheckDigit(text, count);
    if (check < 0) return false;
    return text.size() == count || text[count] == char('0' + check);
}

// --- symbol classes --------------------------------------------------------------

class CEanUcc128Barcode : public CEngineBarcode {
public:
    int32_t GetType() const override { return kTypeEanUcc128; }
    std::string GetTypeName() const override { return TypeNameOf(kTypeEanUcc128); }
    std::string GetDemoText() const override { return DemoTextOf(kTypeEanUcc128); }
};

class CEanUcc128AiBarcode : public CEngineBarcode {
public:
    int32_t GetType() const override { return kTypeEanUcc128Ai; }
    std::string GetTypeName() const override { return TypeNameOf(kTypeEanUcc128Ai); }
    std::string GetDemoText() const override { return DemoTextOf(kTypeEanUcc128Ai); }
};

class CEan14Barcode : public CEngineBarcode {
public:
    BOOL IsValid() const override { return IsValidWithCheckDigit(m_text, 13); }
    int32_t GetType() const override { return kTypeEan14; }
    std::string GetTypeName() const override { return TypeNameOf(kTypeEan14); }
    std::string GetDemoText() const override { return DemoTextOf(kTypeEan14); }
    int32_t GetChecksum() const override { return Mod10CheckDigit(m_text, 13); }
};

// EAN 18/NVE and SSCC 18: 17 digits and a check digit, carried behind the
// application identifier 00, which the engine puts in front.
class CSerialShippingBarcode : public CEngineBarcode {
public:
    BOOL IsValid() const override { return IsValidWithCheckDigit(m_text, 17); }
    int32_t GetChecksum() const override { return Mod10CheckDigit(m_text, 17); }
};

class CEan18Barcode : public CSerialShippingBarcode {
public:
    int32_t GetType() const override { return kTypeEan18; }
    std::string GetTypeName() const override { return TypeNameOf(kTypeEan18); }
    std::string GetDemoText() const override { return DemoTextOf(kTypeEan18); }
};

class CSscc18Barcode : public CSerialShippingBarcode {
public:
    int32_t GetType() const override { return kTypeSscc18; }
    std::string GetTypeName() const override { return TypeNameOf(kTypeSscc18); }
    std::string GetDemoText() const override { return DemoTextOf(kTypeSscc18); }
};

} // namespace

SymbolPtr CreateEanUcc128Barcode() { return std::make_unique<CEanUcc128Barcode>(); }
SymbolPtr CreateEanUcc128AiBarcode() { return std::make_unique<CEanUcc128AiBarcode>(); }
SymbolPtr CreateEan14Barcode() { return std::make_unique<CEan14Barcode>(); }
SymbolPtr CreateEan18Barcode() { return std::make_unique<CEan18Barcode>(); }
SymbolPtr CreateSscc18Barcode() { return std::make_unique<CSscc18Barcode>(); }

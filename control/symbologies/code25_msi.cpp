// Code 25 (industrial 2 of 5, only the bars carry data) and MSI: numeric
// symbologies without a check character, drawn by the engine's generic
// character loop from the tables below.
#include "control/symbologies/engine.h"
#include "control/symbologies/symbologies.h"

// --- tables ------------------------------------------------------------------
// Element widths in modules, bar first, as the codes' descriptions print them
// (neither has an ISO/IEC standard; the wide-to-narrow ratio here is 3 for
// Code 25 and 2 for MSI).

// Industrial 2 of 5: five bars, two of them wide (3 modules), separated by
// one-module spaces; the characters follow one another with a one-module gap
// (the engine row's character gap).
const PatternEntry kCode25Patterns[] = {
    {'0', "111131311"}, // N N W W N
    {'1', "311111113"}, // W N N N W
    {'2', "113111113"}, // N W N N W
    {'3', "313111111"}, // W W N N N
    {'4', "111131113"}, // N N W N W
    {'5', "311131111"}, // W N W N N
    {'6', "113131111"}, // N W W N N
    {'7', "111111313"}, // N N N W W
    {'8', "311111311"}, // W N N W N
    {'9', "113111311"}, // N W N W N
    {kKeyStart, "31311"}, // wide bar, wide bar, narrow bar
    {kKeyStop, "31113"},  // wide bar, narrow bar, wide bar
    {kKeyEnd, ""},
};

// MSI (modified Plessey), as MSI Data Corporation published it: four bits per
// digit, most significant first; 0 is a narrow bar and a wide space, 1 a wide
// bar and a narrow space.
const PatternEntry kMsiPatterns[] = {
    {'0', "12121212"}, // 0000
    {'1', "12121221"}, // 0001
    {'2', "12122112"}, // 0010
    {'3', "12122121"}, // 0011
    {'4', "12211212"}, // 0100
    {'5', "12211221"}, // 0101
    {'6', "12212112"}, // 0110
    {'7', "12212121"}, // 0111
    {'8', "21121212"}, // 1000
    {'9', "21121221"}, // 1001
    {kKeyStart, "21"},  // wide bar, narrow space
    {kKeyStop, "121"},  // narrow bar, wide space, narrow bar; three modules of space follow
    {kKeyEnd, ""},
};

// --- classes -------------------------------------------------------------------

namespace {

class CCode25Barcode : public CEngineBarcode {
public:
    BOOL IsValid() const override { return !m_text.empty() && AllDigits(); }
    int32_t GetType() const override { return kTypeCode25; }
    std::string GetTypeName() const override { return TypeNameOf(kTypeCode25); }
    std::string GetDemoText() const override { return DemoTextOf(kTypeCode25); }
};

class CMsiBarcode : public CEngineBarcode {
public:
    BOOL IsValid() const override { return !m_text.empty() && AllDigits(); }
    int32_t GetType() const override { return kTypeMsi; }
    std::string GetTypeName() const override { return TypeNameOf(kTypeMsi); }
    std::string GetDemoText() const override { return DemoTextOf(kTypeMsi); }
};

} // namespace

SymbolPtr CreateCode25Barcode() { return std::make_unique<CCode25Barcode>(); }
SymbolPtr CreateMsiBarcode() { return std::make_unique<CMsiBarcode>(); }

// Placeholder until this family lands: its types are not available yet.
#include "control/symbologies/engine.h"
#include "control/symbologies/symbologies.h"

const PatternEntry kCode128APatterns[] = {{kKeyEnd, ""}};
const PatternEntry kCode128BPatterns[] = {{kKeyEnd, ""}};
SymbolPtr CreateCode128ABarcode() { return nullptr; }
SymbolPtr CreateCode128BBarcode() { return nullptr; }
SymbolPtr CreateCode128CBarcode() { return nullptr; }
SymbolPtr CreateCode128Barcode() { return nullptr; }

ChecksumState Code128AChecksumStart(int32_t) { return 0; }
ChecksumState Code128BChecksumStart(int32_t) { return 1; }
ChecksumState Code128ChecksumStep(ChecksumState s, int32_t, int32_t) { return s; }
std::string BuildCode128(const std::string&, BOOL) { return std::string(); }
int32_t CountCode128Modules(const std::string&, BOOL) { return 2; }
BOOL CEngineBarcode::DrawCode128(CDC*, int32_t, int32_t, std::string&, RECT, BOOL) { return FALSE; }

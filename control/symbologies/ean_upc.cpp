// Placeholder until this family lands: its types are not available yet.
#include "control/symbologies/engine.h"
#include "control/symbologies/symbologies.h"

const PatternEntry kUpcEPatterns[] = {{kKeyEnd, ""}};
SymbolPtr CreateEan13Barcode() { return nullptr; }
SymbolPtr CreateEan8Barcode() { return nullptr; }
SymbolPtr CreateEan5Barcode() { return nullptr; }
SymbolPtr CreateEan2Barcode() { return nullptr; }
SymbolPtr CreateUpcABarcode() { return nullptr; }
SymbolPtr CreateEan99Barcode() { return nullptr; }
SymbolPtr CreateUpcEBarcode() { return nullptr; }

BOOL CEngineBarcode::DrawUpcE(CDC*, int32_t, int32_t, std::string&, RECT) { return FALSE; }

// Placeholder until this family lands: its types are not available yet.
#include "control/symbologies/engine.h"
#include "control/symbologies/symbologies.h"

SymbolPtr CreateEanUcc128Barcode() { return nullptr; }
SymbolPtr CreateEanUcc128AiBarcode() { return nullptr; }
SymbolPtr CreateEan14Barcode() { return nullptr; }
SymbolPtr CreateEan18Barcode() { return nullptr; }
SymbolPtr CreateSscc18Barcode() { return nullptr; }

// Placeholder until this family lands: its types are not available yet.
#include "control/symbologies/engine.h"
#include "control/symbologies/symbologies.h"

SymbolPtr CreateCode39Barcode() { return nullptr; }
SymbolPtr CreateCode39ExtendedBarcode() { return nullptr; }
SymbolPtr CreatePznBarcode() { return nullptr; }
SymbolPtr CreateCode39ChecksumBarcode() { return nullptr; }
SymbolPtr CreateCode39ExtendedChecksumBarcode() { return nullptr; }

// Placeholder until this family lands: its types are not available yet.
#include "control/symbologies/engine.h"
#include "control/symbologies/symbologies.h"

SymbolPtr CreateInterleaved25Barcode() { return nullptr; }
SymbolPtr CreateIdentcodeBarcode() { return nullptr; }
SymbolPtr CreateLeitcodeBarcode() { return nullptr; }
SymbolPtr CreateItf14Barcode() { return nullptr; }

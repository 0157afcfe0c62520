// Placeholder until this family lands: its types are not available yet.
#include "control/symbologies/engine.h"
#include "control/symbologies/symbologies.h"

const PatternEntry kCode25Patterns[] = {{kKeyEnd, ""}};
const PatternEntry kMsiPatterns[] = {{kKeyEnd, ""}};
SymbolPtr CreateCode25Barcode() { return nullptr; }
SymbolPtr CreateMsiBarcode() { return nullptr; }

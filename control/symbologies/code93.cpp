// Placeholder until this family lands: its types are not available yet.
#include "control/symbologies/engine.h"
#include "control/symbologies/symbologies.h"

const PatternEntry kCode93Patterns[] = {{kKeyEnd, ""}};
const ExpansionEntry kCode93Expansions[] = {{-1, nullptr}};
SymbolPtr CreateCode93Barcode() { return nullptr; }
SymbolPtr CreateCode93ExtendedBarcode() { return nullptr; }

ChecksumState Code93ChecksumStart(int32_t) { return 0; }
ChecksumState Code93ChecksumStep(ChecksumState s, int32_t, int32_t) { return s; }

// Placeholder until this family lands: its types are not available yet.
#include "control/symbologies/engine.h"
#include "control/symbologies/symbologies.h"

SymbolPtr CreateNoneBarcode() { return nullptr; }

const EngineRow kEngineTable[] = {{-1, 0, 1, nullptr, nullptr, nullptr, nullptr}};
const EngineRow* FindEngineRow(int) { return nullptr; }
int16_t EngineCodeForType(int32_t) { return 0; }
BOOL CEngineBarcode::Draw(CDC*) { return FALSE; }
void CEngineBarcode::DrawText(CDC*) {}
BOOL CEngineBarcode::DrawEngineBars(CDC*, RECT) { return FALSE; }

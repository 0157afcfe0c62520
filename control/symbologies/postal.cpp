// Placeholder until this family lands: its types are not available yet.
#include "control/symbologies/engine.h"
#include "control/symbologies/symbologies.h"

const PatternEntry kPostNetPatterns[] = {{kKeyEnd, ""}};
SymbolPtr CreatePostNetBarcode() { return nullptr; }
SymbolPtr CreateRoyalMailBarcode() { return nullptr; }

ChecksumState PostNetChecksumStart(int32_t) { return 0; }
ChecksumState PostNetChecksumStep(ChecksumState s, int32_t, int32_t) { return s; }
BOOL CEngineBarcode::DrawPostNet(CDC*, int32_t, int32_t, std::string&, RECT) { return FALSE; }
BOOL CEngineBarcode::DrawRoyalMail(CDC*, int32_t, int32_t, std::string&, RECT) { return FALSE; }

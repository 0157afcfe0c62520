// The table-driven engine: engine rows, the character and expansion tables
// they point to, and the checksum functions of the generic character loop.
#pragma once

#include <cstdint>
#include <string>

#include "control/engine/barcode.h"

// Checksum state of the generic loop. Wide enough that a symbology may pack
// several running sums and the character count without overflow.
using ChecksumState = int64_t;
using ChecksumStart = ChecksumState (*)(int32_t dataCharacters);
using ChecksumStep = ChecksumState (*)(ChecksumState state, int32_t value, int32_t position);

struct EngineRow {
    EngineCode code;
    int custom;                  // 1: a custom drawer; 0: the generic character loop
    const PatternEntry* patterns;
    const ExpansionEntry* expansions;
    ChecksumStart checksumStart;
    ChecksumStep checksumStep;
    // The generic loop's spacing, in modules: the light gap between two
    // characters (for codes whose characters end with a bar), and the light
    // space the symbol keeps after its stop character.
    int32_t characterGap;
    int32_t trailingSpace;
};

// Special keys of the character tables.
constexpr int kKeyEnd = -1;
constexpr int kKeyStart = -2;
constexpr int kKeyStop = -3;

// The engine row of a code; nullptr for EngineCode::kNone.
const EngineRow* FindEngineRow(EngineCode code);

// Character tables, each defined with its symbology.
extern const PatternEntry kCode25Patterns[];
extern const PatternEntry kMsiPatterns[];
extern const PatternEntry kCode128APatterns[];
extern const PatternEntry kCode128BPatterns[];
extern const PatternEntry kCode93Patterns[];
extern const ExpansionEntry kCode93Expansions[];
extern const PatternEntry kPostNetPatterns[];
extern const PatternEntry kUpcEPatterns[];     // number set A and the guards
extern const PatternEntry kUpcEEvenPatterns[]; // number set B

// Checksum functions, each defined with its symbology.
ChecksumState Code128AChecksumStart(int32_t n);
ChecksumState Code128BChecksumStart(int32_t n);
ChecksumState Code128ChecksumStep(ChecksumState state, int32_t value, int32_t position);
ChecksumState Code93ChecksumStart(int32_t n);
ChecksumState Code93ChecksumStep(ChecksumState state, int32_t value, int32_t position);
ChecksumState PostNetChecksumStart(int32_t n);
ChecksumState PostNetChecksumStep(ChecksumState state, int32_t value, int32_t position);

// Code 128 with automatic set selection (engine codes 18 and 19).
// fnc1Markers: "<FNC1>" in the text stands for FNC1 (EAN/UCC 128 AI only).
std::string BuildCode128(const std::string& text, BOOL leadingFnc1, BOOL fnc1Markers = FALSE);
int32_t CountCode128Modules(const std::string& text, BOOL leadingFnc1, BOOL fnc1Markers = FALSE);

// The runs of the custom rows for a prepared text, each as its drawer lays
// them out. Code 128: one module a unit, the module of space after the stop
// counted in. PostNet and Royal Mail: one bar position a unit, every bar one
// unit wide; the text is filtered as the drawer filters it.
void EncodeCode128(const std::string& text, BOOL leadingFnc1, BOOL fnc1Markers, SymbolRuns& runs);
void EncodePostNet(const std::string& text, SymbolRuns& runs);
void EncodeRoyalMail(const std::string& text, SymbolRuns& runs);

// The placement of runs whose bars all fill the bar rectangle, one module
// `unit` device units wide, from the rectangle's start.
inline RunPlacement ModulePlacement(const RECT& bars, int32_t unit)
{
    RunPlacement p;
    p.SetAll(bars);
    p.unit = unit;
    return p;
}

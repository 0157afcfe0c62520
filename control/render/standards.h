// What each symbology's standard asks of a printed symbol around its bars:
// the light margins (quiet zones) on either side of the bar axis and the
// bar height, in modules, or physically where the standard says so.
#pragma once

#include <cstdint>

enum class HeightRule : uint8_t {
    Modules,      // heightModules modules
    Conventional, // at least 50 modules and 15% of the symbol's length
    Millimetres,  // heightMm at the standard's nominal module width (nominalMm)
    Physical,     // the symbol sizes its bars itself (postal codes)
};

struct SymbolStandard {
    int32_t type;
    double quietStart, quietEnd; // modules before the first and after the last bar
    HeightRule height;
    double heightModules;        // HeightRule::Modules
    double heightMm, nominalMm;  // HeightRule::Millimetres
    double quietMm;              // HeightRule::Physical: light margin on every side
    bool bearerBars;             // horizontal bearer bars above and below the bars
};

// The row of a catalogue type; a conventional row for a type without one.
const SymbolStandard& StandardFor(int32_t type);

// Bearer bars are this many modules thick.
constexpr double kBearerModules = 5;
// Light margin above and below the bars and text of a module-sized symbol.
constexpr double kVerticalQuietModules = 2;

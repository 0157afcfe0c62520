// The margins and bar heights of the symbologies, from their standards.
#include "control/render/standards.h"

namespace {

using H = HeightRule;

// EAN/UPC: ISO/IEC 15420:2009 clause 5.2.3 (Table 2, quiet zones) and the
// GS1 General Specifications 5.2.3.4: EAN-13 and UPC-E lead with 11 and 9
// modules, UPC-A has 9 on both sides, EAN-8 7 on both, every symbol ends
// with 7 (UPC-A 9); the add-ons follow the main symbol after 7 to 12
// modules and end with 5. Bar heights are the nominal ones at X = 0.330 mm
// (GS1 General Specifications 5.2.3.4.1): 22.85 mm for EAN-13, UPC-A and
// UPC-E (69.24 modules), 18.23 mm for EAN-8 (55.24), 21.90 mm for the
// add-ons (66.36).
//
// Code 128 and the GS1-128 family: ISO/IEC 15417:2007 clause 4.4.4 and GS1
// General Specifications 5.4.4.1, quiet zones of 10 modules. GS1-128 on
// logistic units: a bar height of at least 32 mm (GS1 General
// Specifications 5.12.3.2, Symbol Specification Table 6) at the smallest
// module of 0.495 mm.
//
// Code 39 (ISO/IEC 16388:2007 clause 4.4), Interleaved 2 of 5 (ISO/IEC
// 16390:2007 clause 4.4), Code 93 (AIM USS Code 93 clause 2.4), Codabar
// (ANSI/AIM BC3 clause 2.4), Code 25 (Industrial 2 of 5): 10 modules; MSI
// Plessey: 12 modules. Their bar height is the conventional one: at least
// 15% of the symbol's length (ISO/IEC 16388 and 15417 annexes on symbol
// height), and no less than 50 modules.
//
// ITF-14: GS1 General Specifications 5.3.2.4 and 5.3.4: quiet zones of 10
// modules, a bar height of 32 mm at the nominal module of 1.016 mm, and
// bearer bars of 4.83 mm (about 5 modules) above and below.
//
// PostNet: USPS Publication 25 (DMM 708.4.2): bars of 0.125 inch and a
// clear zone of 1/8 inch left and right, 1/25 inch above and below (3.2 mm,
// taken on every side). Royal Mail 4-State (RM4SCC): a quiet zone of 2 mm
// on every side.
constexpr SymbolStandard kStandards[] = {
    // type quiet start/end  height rule     modules  mm   nominal quietMm bearer
    {0, 11, 7, H::Modules, 69.24, 0, 0, 0, false},        // ISBN (EAN-13)
    {1, 11, 7, H::Modules, 69.24, 0, 0, 0, false},        // EAN 13
    {2, 7, 7, H::Modules, 55.24, 0, 0, 0, false},         // EAN 8
    {3, 7, 5, H::Modules, 66.36, 0, 0, 0, false},         // EAN 5
    {4, 7, 5, H::Modules, 66.36, 0, 0, 0, false},         // EAN 2
    {5, 9, 9, H::Modules, 69.24, 0, 0, 0, false},         // UPC A
    {6, 10, 10, H::Conventional, 0, 0, 0, 0, false},      // Code 39
    {7, 10, 10, H::Conventional, 0, 0, 0, 0, false},      // Code 25 Interleaved
    {8, 10, 10, H::Conventional, 0, 0, 0, 0, false},      // Codabar
    {9, 10, 10, H::Conventional, 0, 0, 0, 0, false},      // Code 25
    {10, 10, 10, H::Conventional, 0, 0, 0, 0, false},     // Code 39 Extended
    {11, 10, 10, H::Conventional, 0, 0, 0, 0, false},     // Code 128A
    {12, 10, 10, H::Conventional, 0, 0, 0, 0, false},     // Code 128B
    {13, 10, 10, H::Conventional, 0, 0, 0, 0, false},     // Code 128C
    {14, 10, 10, H::Conventional, 0, 0, 0, 0, false},     // Code 128
    {15, 10, 10, H::Millimetres, 0, 32, 0.495, 0, false}, // EAN/UCC 128
    {16, 11, 7, H::Modules, 69.24, 0, 0, 0, false},       // EAN 99 (EAN-13)
    {17, 9, 7, H::Modules, 69.24, 0, 0, 0, false},        // UPC E
    {18, 0, 0, H::Physical, 0, 0, 0, 3.2, false},         // PostNet
    {19, 0, 0, H::Physical, 0, 0, 0, 2.0, false},         // Royal Mail
    {20, 12, 12, H::Conventional, 0, 0, 0, 0, false},     // MSI
    {21, 10, 10, H::Conventional, 0, 0, 0, 0, false},     // Code 93
    {22, 10, 10, H::Conventional, 0, 0, 0, 0, false},     // Code 93 Extended
    {23, 10, 10, H::Conventional, 0, 0, 0, 0, false},     // PZN (Code 39)
    {24, 10, 10, H::Conventional, 0, 0, 0, 0, false},     // Identcode (2 of 5)
    {25, 10, 10, H::Conventional, 0, 0, 0, 0, false},     // Leitcode (2 of 5)
    {26, 10, 10, H::Conventional, 0, 0, 0, 0, false},     // Code 39 Checksum
    {27, 10, 10, H::Conventional, 0, 0, 0, 0, false},     // Code 39 Extended Checksum
    {28, 10, 10, H::Millimetres, 0, 32, 0.495, 0, false}, // EAN/UCC 128 AI
    {29, 10, 10, H::Millimetres, 0, 32, 0.495, 0, false}, // EAN 14
    {30, 10, 10, H::Millimetres, 0, 32, 1.016, 0, true},  // ITF 14
    {31, 10, 10, H::Millimetres, 0, 32, 0.495, 0, false}, // EAN 18/NVE
    {32, 10, 10, H::Millimetres, 0, 32, 0.495, 0, false}, // SSCC 18
};

constexpr SymbolStandard kConventional{-1, 10, 10, H::Conventional, 0, 0, 0, 0, false};

} // namespace

const SymbolStandard& StandardFor(int32_t type)
{
    for (const SymbolStandard& s : kStandards)
        if (s.type == type) return s;
    return kConventional;
}

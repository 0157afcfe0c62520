// Pieces of the EAN/UPC family that other symbologies reuse: ISBN draws
// itself as an EAN 13 symbol.
#pragma once

#include <string>

#include "control/engine/barcode.h"

// Check digit of the first 12 digits of an EAN 13 text (weights 1, 3, ...).
int Ean13CheckDigit(const std::string& digits);

// The EAN 13 symbol of the first 12 digits of `text` and their computed
// check digit, from the start guard to the end guard (95 modules); false
// (empty runs) when the text has no 12 leading digits.
BOOL EncodeEan13Symbol(const std::string& text, SymbolRuns& runs);

// Draws the runs `symbol` encoded (EncodeEan13Symbol of its text, into its
// runs, before the call) on the EAN 13 grid of 107 modules in the symbol's
// rectangle, with the first 12 digits of its text and their check digit
// below the bars. Records 103 module widths as the symbol width. False
// (nothing drawn) when the rectangle is too small.
BOOL DrawEan13Symbol(CGenericBarcode& symbol, CDC* dc);

// Brings a UPC E text to its canonical six digits (in place) and returns
// the check digit of the UPC A number it stands for; -2 (text emptied)
// when fewer than six digits are given.
int NormalizeUpcE(std::string& text);

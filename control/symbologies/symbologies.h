// Factories of the concrete symbol classes, one per type id. Each is
// defined in its family's source; the catalogue's table calls them.
#pragma once

#include <memory>

#include "control/engine/barcode.h"

using SymbolPtr = std::unique_ptr<CGenericBarcode>;

SymbolPtr CreateIsbnBarcode();                     // 0
SymbolPtr CreateEan13Barcode();                    // 1
SymbolPtr CreateEan8Barcode();                     // 2
SymbolPtr CreateEan5Barcode();                     // 3
SymbolPtr CreateEan2Barcode();                     // 4
SymbolPtr CreateUpcABarcode();                     // 5
SymbolPtr CreateCode39Barcode();                   // 6
SymbolPtr CreateInterleaved25Barcode();            // 7
SymbolPtr CreateCodabarBarcode();                  // 8
SymbolPtr CreateCode25Barcode();                   // 9
SymbolPtr CreateCode39ExtendedBarcode();           // 10
SymbolPtr CreateCode128ABarcode();                 // 11
SymbolPtr CreateCode128BBarcode();                 // 12
SymbolPtr CreateCode128CBarcode();                 // 13
SymbolPtr CreateCode128Barcode();                  // 14
SymbolPtr CreateEanUcc128Barcode();                // 15
SymbolPtr CreateEan99Barcode();                    // 16
SymbolPtr CreateUpcEBarcode();                     // 17
SymbolPtr CreatePostNetBarcode();                  // 18
SymbolPtr CreateRoyalMailBarcode();                // 19
SymbolPtr CreateMsiBarcode();                      // 20
SymbolPtr CreateCode93Barcode();                   // 21
SymbolPtr CreateCode93ExtendedBarcode();           // 22
SymbolPtr CreatePznBarcode();                      // 23
SymbolPtr CreateIdentcodeBarcode();                // 24
SymbolPtr CreateLeitcodeBarcode();                 // 25
SymbolPtr CreateCode39ChecksumBarcode();           // 26
SymbolPtr CreateCode39ExtendedChecksumBarcode();   // 27
SymbolPtr CreateEanUcc128AiBarcode();              // 28
SymbolPtr CreateEan14Barcode();                    // 29
SymbolPtr CreateItf14Barcode();                    // 30
SymbolPtr CreateEan18Barcode();                    // 31
SymbolPtr CreateSscc18Barcode();                   // 32
SymbolPtr CreateNoneBarcode();                     // 99

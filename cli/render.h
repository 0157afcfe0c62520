// One barcode of the tessaline command: the symbol set up from the options,
// its verdicts, and the image file written from it.
#pragma once

#include <optional>
#include <string>

#include "cli/options.h"
#include "control/engine/renderer.h"
#include "control/symbologies/symbologies.h"

enum class ImageFormat { Png, Jpeg, Bmp, Svg, Pdf, Eps };

// The format a file name asks for by its extension (case-insensitive).
std::optional<ImageFormat> FormatForPath(const std::string& path);

// --type: an id of the catalogue or any name the type-name parser accepts.
struct TypeChoice {
    int32_t id = -1;
    std::string error; // non-empty: not a type
};
TypeChoice ResolveType(const std::string& utf8);

// What one run or one batch line ends with.
struct Outcome {
    int status = 0;      // 0 written, 1 text or size error, 2 usage error
    std::string message; // for stderr when status is not 0
};

PaintState MakePaintState(const CliOptions& options);

// The symbol of `type` with `text` (UTF-8; the type's sample text when
// absent), the options' presentation state, and automatic type detection
// when asked for.
SymbolPtr MakeSymbol(const CliOptions& options, int32_t type, const std::optional<std::string>& text);

// Paints the symbol into an options-sized area and tells whether it fitted.
bool FitsArea(CGenericBarcode& symbol, const CliOptions& options, int width, int height);

// Checks the symbol and writes it to `output` in the format of its
// extension. Nothing is written for an invalid text or a symbol that does
// not fit.
Outcome RenderToFile(const CliOptions& options, CGenericBarcode& symbol, const std::string& output);

// The --info object: type, typeName, text, valid, checksum, sizeOk.
std::string InfoJson(CGenericBarcode& symbol, const CliOptions& options);
// The verdict that --info and rendering share: status 1 with the reason for
// an invalid text or a symbol that does not fit.
Outcome CheckSymbol(CGenericBarcode& symbol, const CliOptions& options);

// Image files of the tessaline command: the symbol painted onto a raster or
// vector surface and written in the format of the file's extension.
#pragma once

#include <string>

#include "cli/options.h"
#include "cli/render.h"
#include "control/engine/renderer.h"

// Paints `symbol` into an options-sized surface of `format` and writes it to
// `path`, through a temporary file renamed into place: a failure leaves no
// file behind. False with `error` set when it cannot.
bool WriteImage(ImageFormat format, const std::string& path, CGenericBarcode& symbol, const PaintState& state,
                const CliOptions& options, std::string& error);

// Image files of the tessaline command: the control's drawing on a raster
// or vector surface, written in the format of the file's extension.
#pragma once

#include <string>
#include <vector>

#include "cli/compact_png.h"
#include "cli/options.h"
#include "cli/render.h"
#include "platform/gdi/raster.h"

// What one thread keeps from image to image: the raster surface (made
// again only when the size or resolution changes), the PNG encoder with its
// compression state, and the bytes of the file.
struct CImageWorkspace {
    CRasterDC raster;
    CCompactPngEncoder png;
    std::vector<uint8_t> bytes;

    // The surface, white-filled on first use, of that size and resolution;
    // false when it cannot be made.
    bool Surface(SIZE size, int dpi);
};

enum class WriteResult { Written, DoesNotFit, Failed };

// Draws the control into a surface of `size` in `format` and writes it to
// `path`, through a temporary file renamed into place: a failure leaves no
// file behind and an existing file as it was. A symbol that does not fit
// writes nothing (DoesNotFit); Failed sets `error`.
WriteResult WriteImage(ImageFormat format, const std::string& path, CCommandControl& control,
                       const CliOptions& options, SIZE size, CImageWorkspace* workspace, std::string& error);

// The PNG bytes of the control's drawing in the command's compact form.
bool EncodePng(CCommandControl& control, const CliOptions& options, SIZE size, CImageWorkspace& workspace);

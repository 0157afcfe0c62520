// Image encoders of the render API: a raster surface to PNG (the compact
// encoder), JPEG and BMP bytes, and the vector documents drawn by a
// callback to SVG, PDF and EPS bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "control/render/compact_png.h"
#include "platform/gdi/raster.h"
#include "platform/gdi/vector.h"

// The 24-bit bottom-up DIB of the surface behind a BMP file header, with
// the resolution in the header.
bool EncodeBmp(const CRasterDC& dc, int dpi, std::vector<uint8_t>& out);
// Baseline JPEG of the surface at `quality` (1-100), with its resolution.
bool EncodeJpeg(const CRasterDC& dc, int dpi, int quality, std::vector<uint8_t>& out);
// A vector document of width x height device units drawn by `draw`; false
// when cairo reports any failure, including one while finishing.
bool EncodeVector(VectorFormat format, int width, int height, int dpi, const std::function<void(CDC&)>& draw,
                  std::vector<uint8_t>& out);

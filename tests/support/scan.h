// Test support: render a symbol to pixels through the paint sequence and
// read it back with independent decoders (zxing-cpp and zbar).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "control/engine/barcode.h"
#include "control/engine/renderer.h"

struct GrayImage {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels; // top-down, one byte a pixel
};

// Paints `symbol` into a width x height raster surface with `state`
// (DrawBarcode) and returns the grey pixels.
GrayImage RenderGray(CGenericBarcode& symbol, int width, int height, const PaintState& state);

struct ScanResult {
    std::string text;   // decoded content, UTF-8 (empty when nothing was read)
    std::string format; // the decoder's name for the symbology
    bool gs1 = false;   // FNC1 in first position: a GS1 element string
};

// zxing-cpp, with rotation tried. `formats`: zxing format names separated
// by '|' ("EAN13", "Code128|Code39", ...); empty for every linear format.
// Code 39 full-ASCII decoding is on when `code39Extended` is set.
// `characterSet` ("ISO-8859-1" ...) replaces zxing's guess of the encoding.
ScanResult ScanZxing(const GrayImage& image, const std::string& formats = "", bool code39Extended = false,
                     const std::string& characterSet = "");
// zbar, every symbology it knows; its text and symbology name ("EAN-13", ...).
ScanResult ScanZbar(const GrayImage& image);
// Writes the image as a binary PGM, for looking at a failing case.
void SavePgm(const GrayImage& image, const std::string& path);

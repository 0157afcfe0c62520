// The control's one paint sequence: surface set-up, the font turned with
// the rotation, the text band, the borders, and the symbol's Paint. Every
// output (window, bitmap, metafile, PNG, command line) draws through it.
#pragma once

#include "control/engine/barcode.h"

struct PaintState {
    COLORREF foreColor = RGB(0, 0, 0);
    COLORREF backColor = RGB(255, 255, 255);
    LOGFONT font = DefaultBarcodeFont();
    int16_t rotate = 0;          // 0, 90, 180, 270 clockwise
    BOOL showText = TRUE;
    int32_t borderWidth = 3;     // left and right
    int32_t borderHeight = 4;    // top and bottom
    int16_t notchHeightInPercent = 25;

    // Arial 18 pt bold at 96 dpi.
    static LOGFONT DefaultBarcodeFont();
};

// Escapement (tenths of a degree, counter-clockwise) for a clockwise rotation.
int32_t EscapementForRotation(int16_t rotate);

// Paints `symbol` into `bounds` of `dc`. Hands the symbol the state's
// show-text flag, notch and rotation first (the control keeps them equal
// anyway); the fit result stays in the symbol (IsSizeOk).
void DrawBarcode(CDC* dc, const RECT& bounds, CGenericBarcode& symbol, const PaintState& state);

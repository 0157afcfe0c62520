// Helpers for the tests of the own-drawing and pattern families: exact
// element widths from a metafile recording, and rendering a symbol at a
// chosen module width and rotation for the decoders.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "control/engine/barcode.h"
#include "control/engine/renderer.h"
#include "platform/gdi/metafile.h"
#include "tests/support/scan.h"

namespace owndraw {

// Paints `symbol` on a metafile at rotation 0 without text into an area of
// `axis` x 60 units (no borders) and returns the recording.
inline CMetaFileDC PaintFlat(CGenericBarcode& symbol, int axis, int16_t rotate = 0, BOOL showText = FALSE)
{
    PaintState state;
    state.showText = showText;
    state.rotate = rotate;
    state.borderWidth = state.borderHeight = 0;
    const bool vertical = rotate == 90 || rotate == 270;
    const int across = 100;
    CMetaFileDC dc(vertical ? across : axis, vertical ? axis : across);
    DrawBarcode(&dc, RECT{0, 0, vertical ? across : axis, vertical ? axis : across}, symbol, state);
    return dc;
}

// The bar rectangles of a recording (the background fill excluded).
inline std::vector<RECT> Bars(const CMetaFileDC& dc)
{
    std::vector<RECT> bars;
    for (const auto& r : dc.Records())
        if (r.kind == MetaRecord::Rectangle) bars.push_back(r.rect);
    return bars;
}

// Element widths of a rotation-0 recording as a digit string in units of
// `module`: bar, space, bar, ... from offset 0 to the end of the last bar.
// Merged or overlapping bars would show up as wrong widths.
inline std::string ElementWidths(const CMetaFileDC& dc, int module)
{
    std::vector<RECT> bars = Bars(dc);
    std::sort(bars.begin(), bars.end(), [](const RECT& a, const RECT& b) { return a.left < b.left; });
    std::string out;
    int x = 0;
    for (const RECT& r : bars) {
        if (r.left > x) out += char('0' + (r.left - x) / module);
        else if (!out.empty()) out += '!'; // two bars touching: never expected
        out += char('0' + (r.right - r.left) / module);
        x = r.right;
    }
    return out;
}

// Renders `symbol` with bars of `module` pixels a module, the quiet zone
// `quiet` modules on each side of the bar axis, at `rotate`.
inline GrayImage Render(CGenericBarcode& symbol, int modules, int module, int16_t rotate, int quiet = 10)
{
    PaintState state;
    state.rotate = rotate;
    state.showText = TRUE;
    state.borderWidth = state.borderHeight = quiet * module;
    // modules - 1 units to spare keep the module width and give short
    // symbols room for the minimum height when they stand upright.
    const int axis = modules * module + modules - 1 + 2 * quiet * module;
    const int across = 120 + 2 * quiet * module;
    const bool vertical = rotate == 90 || rotate == 270;
    return RenderGray(symbol, vertical ? across : axis, vertical ? axis : across, state);
}

constexpr int16_t kRotations[] = {0, 90, 180, 270};
constexpr int kModuleWidths[] = {1, 2, 3};

} // namespace owndraw

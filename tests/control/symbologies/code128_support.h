// Helpers of the Code 128 and EAN/UCC 128 tests: reading symbol character
// values back from the bars on a metafile, and rendering a symbol at a given
// module width with quiet zones for the decoders.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "control/engine/renderer.h"
#include "control/symbologies/engine.h"
#include "platform/gdi/metafile.h"
#include "tests/support/scan.h"

namespace code128_test {

// The Code 128 widths of value v, as the table holds them.
inline std::string PublishedPattern(int v) { return kCode128APatterns[v].pattern; }

struct AxisBar {
    int start, end; // offsets along the bar axis, end exclusive
};

// The bars of a painted symbol as offsets along its axis from the start of
// `area`, undoing the rotation (rotation 180 and 270 draw one unit further
// towards the axis start than the mirror image).
inline std::vector<AxisBar> BarsAlongAxis(const CMetaFileDC& dc, const RECT& area, int rotate)
{
    std::vector<AxisBar> bars;
    for (const auto& r : dc.Records()) {
        if (r.kind != MetaRecord::Rectangle) continue;
        switch (rotate) {
        case 90: bars.push_back({r.rect.top - area.top, r.rect.bottom - area.top}); break;
        case 180: bars.push_back({area.right - 1 - r.rect.right, area.right - 1 - r.rect.left}); break;
        case 270: bars.push_back({area.bottom - 1 - r.rect.bottom, area.bottom - 1 - r.rect.top}); break;
        default: bars.push_back({r.rect.left - area.left, r.rect.right - area.left}); break;
        }
    }
    std::sort(bars.begin(), bars.end(), [](const AxisBar& a, const AxisBar& b) { return a.start < b.start; });
    return bars;
}

// Symbol character values read from bars starting at offset 0: 11 modules
// a character, the stop 13. The module width is that of the start
// character's first bar, two modules wide. Values that match no pattern
// come back as -1.
inline std::vector<int> ValuesFromBars(const std::vector<AxisBar>& bars)
{
    std::vector<int> values;
    if (bars.empty()) return values;
    const int m = (bars[0].end - bars[0].start) / 2;
    if (m < 1 || bars[0].start != 0) return {-1};
    std::vector<bool> dark(size_t(bars.back().end / m + 1), false);
    for (const auto& b : bars) {
        if (b.start % m || b.end % m) return {-1};
        for (int x = b.start / m; x < b.end / m; ++x) dark[size_t(x)] = true;
    }
    const auto widths = [&](size_t from, size_t count) {
        std::string w;
        for (size_t i = from; i < from + count;) {
            size_t j = i;
            while (j < from + count && j < dark.size() && dark[j] == dark[i]) ++j;
            if (j == i) break;
            w += char('0' + (j - i));
            i = j;
        }
        return w;
    };
    size_t pos = 0;
    while (pos < dark.size()) {
        const bool stop = widths(pos, 13) == PublishedPattern(106);
        const std::string w = stop ? PublishedPattern(106) : widths(pos, 11);
        int value = -1;
        for (int v = 0; v <= 106 && value < 0; ++v)
            if (PublishedPattern(v) == w) value = v;
        values.push_back(value);
        if (value < 0 || stop) break;
        pos += 11;
    }
    return values;
}

// Paints `symbol` without text into an area whose bar axis is exactly
// `modules` x m long and returns the values its bars encode and the module
// width they were drawn with.
inline std::vector<int> PaintedValues(CGenericBarcode& symbol, int modules, int m, int rotate = 0,
                                      int* drawnModuleWidth = nullptr)
{
    CMetaFileDC dc;
    const int axis = modules * m;
    const RECT area = rotate == 90 || rotate == 270 ? RECT{10, 20, 90, 20 + axis} : RECT{10, 20, 10 + axis, 100};
    symbol.SetShowText(FALSE);
    symbol.SetTextHeight(0);
    symbol.SetRotate(int16_t(rotate));
    symbol.Paint(&dc, area);
    const auto bars = BarsAlongAxis(dc, area, rotate);
    if (drawnModuleWidth) *drawnModuleWidth = bars.empty() ? 0 : (bars[0].end - bars[0].start) / 2;
    return ValuesFromBars(bars);
}

// The characters written as human-readable text, in drawing order.
inline std::string WrittenText(const CMetaFileDC& dc)
{
    std::string t;
    for (const auto& r : dc.Records())
        if (r.kind == MetaRecord::TextOut) t += r.text;
    return t;
}

// Renders `symbol` with its text at module width m and rotation, with a
// quiet zone of 12 modules on every side, for the decoders.
inline GrayImage RenderAt(CGenericBarcode& symbol, int modules, int m, int rotate)
{
    PaintState state;
    state.rotate = int16_t(rotate);
    state.showText = TRUE;
    state.borderWidth = state.borderHeight = 12 * m;
    const int axis = modules * m + 24 * m;
    const int across = 120 + 24 * m;
    const bool vertical = rotate == 90 || rotate == 270;
    return RenderGray(symbol, vertical ? across : axis, vertical ? axis : across, state);
}

// Windows-1252 text as UTF-8, as the decoders report it (Latin-1 letters
// only; Code 128 carries ISO 8859-1).
inline std::string Utf8(const std::string& latin1)
{
    std::string out;
    for (unsigned char c : latin1) {
        if (c < 0x80) {
            out += char(c);
        } else {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

} // namespace code128_test

// Fonts: logical fonts resolved through fontconfig and measured with
// FreeType, with the platform's metric rules (ascent and descent from the
// OS/2 winAscent/winDescent scaled to the pixel size, extents as advance
// widths). "Arial" resolves to a metric-compatible face.
//
// Faces are loaded once and kept for the life of the process; every
// function here may be called from several threads at once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gdi/gdi.h"

typedef struct _cairo_font_face cairo_font_face_t;

TEXTMETRIC GetFontMetrics(const LOGFONT& font);
// Extent of a Windows-1252 string: sum of advance widths, cell height.
SIZE GetFontTextExtent(const LOGFONT& font, const std::string& text);
// The family name fontconfig chose for the font ("Liberation Sans" for
// "Arial"); empty when no face could be loaded.
std::string GetResolvedFamily(const LOGFONT& font);

// One line of text placed for output. Positions are in the text's own
// frame: origin at the reference point, x along the baseline, y across it
// pointing from the top of the glyphs to their bottom. The frame is turned
// by `angle` radians counter-clockwise on the surface (y downward), so a
// frame point (u, v) lies on the surface at
//   (ref.x + u cos a + v sin a, ref.y - u sin a + v cos a).
struct TextLayout {
    double angle = 0;       // from lfEscapement
    POINT ref{};            // the reference point given to TextOut
    int left = 0, top = 0;  // the cell's corner in the frame (after alignment)
    int width = 0;          // sum of advance widths
    int height = 0;         // ascent + descent
    int ascent = 0;
    int baseline = 0;       // frame y of the baseline (top + ascent)
    int underlineTop = 0, underlineSize = 0; // size 0: no underline
    int strikeTop = 0, strikeSize = 0;       // size 0: no strike-out
    double ppem = 0;                         // pixels per em
    std::vector<uint32_t> glyphs;            // glyph indices of the face
    std::vector<int> glyphX;                 // frame x of each glyph's origin
    // The face for cairo (owned by the font cache, never null when glyphs
    // is not empty); it carries synthetic bold or oblique when the family
    // has no such face.
    cairo_font_face_t* cairoFace = nullptr;

    // The surface point of frame point (u, v).
    void ToSurface(double u, double v, double& x, double& y) const;
};

// Places `text` (Windows-1252) written with `font` at (x, y) with the
// alignment flags (TA_LEFT/CENTER/RIGHT | TA_TOP/BASELINE/BOTTOM), which
// apply in the turned frame: the reference point is the aligned corner
// or edge midpoint of the text cell.
TextLayout LayoutText(const LOGFONT& font, UINT align, int x, int y, const std::string& text);

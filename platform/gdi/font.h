// Fonts: logical fonts resolved through fontconfig and measured with
// FreeType, with the platform's metric rules (ascent and descent from the
// OS/2 winAscent/winDescent scaled to the pixel size, extents as advance
// widths). "Arial" resolves to a metric-compatible face.
#pragma once

#include "platform/gdi/gdi.h"

TEXTMETRIC GetFontMetrics(const LOGFONT& font);
// Extent of a Windows-1252 string: sum of advance widths, cell height.
SIZE GetFontTextExtent(const LOGFONT& font, const std::string& text);

// Placeholder metrics (Liberation Sans proportions) until the FreeType
// implementation lands.
#include "platform/gdi/font.h"

#include <cmath>
#include <cstdlib>

TEXTMETRIC GetFontMetrics(const LOGFONT& font)
{
    const int ppem = font.lfHeight == 0 ? 16 : std::abs(font.lfHeight);
    TEXTMETRIC tm;
    tm.tmAscent = int32_t(std::lround(1854.0 * ppem / 2048));
    tm.tmDescent = int32_t(std::lround(434.0 * ppem / 2048));
    tm.tmHeight = tm.tmAscent + tm.tmDescent;
    tm.tmAveCharWidth = ppem / 2;
    tm.tmMaxCharWidth = ppem;
    tm.tmWeight = font.lfWeight;
    return tm;
}

SIZE GetFontTextExtent(const LOGFONT& font, const std::string& text)
{
    const TEXTMETRIC tm = GetFontMetrics(font);
    return {int32_t(text.size()) * int32_t(std::lround(std::abs(font.lfHeight) * 0.556)), tm.tmHeight};
}

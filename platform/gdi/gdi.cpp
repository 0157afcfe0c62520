// Shared parts of the device-context layer: the default metric queries and
// the Windows-1252 code page.
#include "platform/gdi/gdi.h"

#include <cmath>

#include "platform/gdi/font.h"

int32_t PointsToHeight(double points, int dpi) { return -int32_t(std::lround(points * dpi / 72.0)); }

int SurfaceDeviceCaps(int index, int dpi, int width, int height)
{
    switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY: return dpi;
    case HORZRES: return width;
    case VERTRES: return height;
    case BITSPIXEL: return 32;
    default: return 0;
    }
}

BOOL CDC::GetTextMetrics(TEXTMETRIC& tm) const
{
    tm = GetFontMetrics(m_font);
    return TRUE;
}

SIZE CDC::GetTextExtent(const std::string& text) const { return GetFontTextExtent(m_font, text); }

namespace {

// Code points of 0x80-0x9F in Windows-1252; 0 marks the five unassigned bytes.
constexpr char16_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

char FromCodePoint(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return char(c);
    // The five unassigned bytes stand for their C1 controls both ways.
    if (c >= 0x80 && c < 0xA0 && kHigh[c - 0x80] == 0) return char(c);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] && kHigh[i] == c) return char(0x80 + i);
    return '?';
}

} // namespace

char32_t Cp1252ToUnicode(unsigned char b)
{
    if (b >= 0x80 && b < 0xA0 && kHigh[b - 0x80]) return kHigh[b - 0x80];
    return b;
}

std::string Cp1252ToUtf8(const std::string& s)
{
    std::string out;
    out.reserve(s.size());
    for (unsigned char b : s) AppendUtf8(out, Cp1252ToUnicode(b));
    return out;
}

std::string Utf8ToCp1252(const std::string& s)
{
    // A malformed sequence (an invalid lead byte, or the longest valid
    // prefix of a sequence that breaks off) becomes a single '?'.
    std::string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char b = s[i];
        if (b < 0x80) {
            out += char(b);
            ++i;
            continue;
        }
        int len = 0;
        unsigned char lo = 0x80, hi = 0xBF; // allowed range of the second byte
        if (b >= 0xC2 && b <= 0xDF) len = 2;
        else if (b >= 0xE0 && b <= 0xEF) {
            len = 3;
            if (b == 0xE0) lo = 0xA0;      // no overlong forms
            if (b == 0xED) hi = 0x9F;      // no surrogates
        } else if (b >= 0xF0 && b <= 0xF4) {
            len = 4;
            if (b == 0xF0) lo = 0x90;
            if (b == 0xF4) hi = 0x8F;      // nothing past U+10FFFF
        }
        if (len == 0) {
            out += '?';
            ++i;
            continue;
        }
        char32_t c = b & (0x7F >> len);
        int k = 1;
        for (; k < len && i + k < s.size(); ++k) {
            const unsigned char cb = s[i + k];
            const bool inRange = k == 1 ? (cb >= lo && cb <= hi) : (cb & 0xC0) == 0x80;
            if (!inRange) break;
            c = (c << 6) | (cb & 0x3F);
        }
        if (k < len) {
            out += '?';
            i += k;
            continue;
        }
        out += FromCodePoint(c);
        i += len;
    }
    return out;
}

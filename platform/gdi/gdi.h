// Device-context layer: the drawing operations the barcode renderer needs,
// with the geometry of the Windows graphics device interface, on top of cairo.
//
// Coordinates are integer device units (pixels), x to the right, y downward.
// Strings handed to a device context are Windows-1252 byte strings (the
// symbol model's encoding); the surfaces convert them for font rendering.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

using BOOL = int32_t;
using BYTE = uint8_t;
using UINT = uint32_t;
using COLORREF = uint32_t; // 0x00BBGGRR
#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) { return COLORREF(r) | (COLORREF(g) << 8) | (COLORREF(b) << 16); }
constexpr BYTE GetRValue(COLORREF c) { return BYTE(c & 0xFF); }
constexpr BYTE GetGValue(COLORREF c) { return BYTE((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF c) { return BYTE((c >> 16) & 0xFF); }

struct POINT {
    int32_t x = 0, y = 0;
    bool operator==(const POINT&) const = default;
};

struct SIZE {
    int32_t cx = 0, cy = 0;
    bool operator==(const SIZE&) const = default;
};

struct RECT {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool operator==(const RECT&) const = default;
};

// Background modes.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// Text alignment flags (combinable: one horizontal, one vertical).
constexpr UINT TA_LEFT = 0;
constexpr UINT TA_RIGHT = 2;
constexpr UINT TA_CENTER = 6;
constexpr UINT TA_TOP = 0;
constexpr UINT TA_BOTTOM = 8;
constexpr UINT TA_BASELINE = 24;
constexpr UINT TA_HMASK = TA_CENTER; // horizontal bits
constexpr UINT TA_VMASK = TA_BASELINE; // vertical bits

// Pen and brush styles.
constexpr int PS_SOLID = 0;
constexpr int PS_NULL = 5;
constexpr int BS_SOLID = 0;
constexpr int BS_NULL = 1;

// Font weights.
constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;

// GetDeviceCaps indices.
constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int BITSPIXEL = 12;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;

constexpr int ANSI_CHARSET = 0;
constexpr int DEFAULT_CHARSET = 1;

struct CPen {
    int style = PS_SOLID;
    int width = 0; // 0 and 1 both mean one device unit
    COLORREF color = 0;
    bool operator==(const CPen&) const = default;
};

struct CBrush {
    int style = BS_SOLID;
    COLORREF color = 0xFFFFFF;
    bool operator==(const CBrush&) const = default;
};

// The platform's logical font. Height < 0: character height in pixels;
// height > 0: cell height in pixels; 0: a default size.
struct LOGFONT {
    int32_t lfHeight = 0;
    int32_t lfWidth = 0;
    int32_t lfEscapement = 0;  // tenths of a degree, counter-clockwise
    int32_t lfOrientation = 0; // tenths of a degree, counter-clockwise
    int32_t lfWeight = FW_NORMAL;
    BYTE lfItalic = 0;
    BYTE lfUnderline = 0;
    BYTE lfStrikeOut = 0;
    BYTE lfCharSet = DEFAULT_CHARSET;
    std::string lfFaceName = "Arial"; // UTF-8
    bool operator==(const LOGFONT&) const = default;
};
using CFont = LOGFONT;

struct TEXTMETRIC {
    int32_t tmHeight = 0;  // ascent + descent (the character cell height)
    int32_t tmAscent = 0;
    int32_t tmDescent = 0;
    int32_t tmInternalLeading = 0;
    int32_t tmExternalLeading = 0;
    int32_t tmAveCharWidth = 0;
    int32_t tmMaxCharWidth = 0;
    int32_t tmWeight = FW_NORMAL;
    BYTE tmItalic = 0;
    BYTE tmUnderlined = 0;
    BYTE tmStruckOut = 0;
    bool operator==(const TEXTMETRIC&) const = default;
};

// Points per inch to pixels for a font of `points` on a surface of `dpi`:
// the character height as a negative lfHeight (18 pt at 96 dpi -> -24).
int32_t PointsToHeight(double points, int dpi);

// GetDeviceCaps of a 32-bit surface of the given resolution and size.
int SurfaceDeviceCaps(int index, int dpi, int width, int height);

// Windows-1252 <-> UTF-8. Unmappable or malformed input becomes '?'.
std::string Cp1252ToUtf8(const std::string& s);
std::string Utf8ToCp1252(const std::string& s);
// The Unicode code point of one Windows-1252 byte (the five unassigned
// bytes map to themselves, as the platform's conversion does).
char32_t Cp1252ToUnicode(unsigned char b);

// The abstract device context. Concrete surfaces: CRasterDC (cairo image
// surface), CVectorDC (SVG/PDF/EPS), CMetaFileDC (records and replays).
class CDC {
public:
    virtual ~CDC() = default;

    // --- state -----------------------------------------------------------
    COLORREF SetTextColor(COLORREF c) { auto o = m_textColor; m_textColor = c; return o; }
    COLORREF GetTextColor() const { return m_textColor; }
    COLORREF SetBkColor(COLORREF c) { auto o = m_bkColor; m_bkColor = c; return o; }
    COLORREF GetBkColor() const { return m_bkColor; }
    int SetBkMode(int mode) { int o = m_bkMode; m_bkMode = mode; return o; }
    int GetBkMode() const { return m_bkMode; }
    UINT SetTextAlign(UINT a) { UINT o = m_textAlign; m_textAlign = a; return o; }
    UINT GetTextAlign() const { return m_textAlign; }

    // Selecting an object returns the one it replaces, to be selected back.
    CPen SelectObject(const CPen& p) { CPen o = m_pen; m_pen = p; return o; }
    CBrush SelectObject(const CBrush& b) { CBrush o = m_brush; m_brush = b; return o; }
    CFont SelectObject(const CFont& f) { CFont o = m_font; m_font = f; return o; }
    const CPen& GetCurrentPen() const { return m_pen; }
    const CBrush& GetCurrentBrush() const { return m_brush; }
    const CFont& GetCurrentFont() const { return m_font; }

    // --- drawing ---------------------------------------------------------
    // Fills [left, right) x [top, bottom) with the brush; never anti-aliased.
    virtual void FillRect(const RECT& r, const CBrush& brush) = 0;
    void FillSolidRect(const RECT& r, COLORREF c) { FillRect(r, CBrush{BS_SOLID, c}); }
    // Outline with the current pen, interior with the current brush. With a
    // solid pen of width 0 or 1 in the brush's colour it covers exactly
    // [left, right) x [top, bottom); with a null pen one unit less on the
    // right and bottom, as the platform does.
    virtual BOOL Rectangle(int left, int top, int right, int bottom) = 0;
    BOOL Rectangle(const RECT& r) { return Rectangle(r.left, r.top, r.right, r.bottom); }
    // Writes a Windows-1252 string with the current font, text colour and
    // alignment; the reference point is the aligned corner of the text
    // cell in the font's rotated frame.
    virtual BOOL TextOut(int x, int y, const std::string& text) = 0;

    // --- queries ---------------------------------------------------------
    // Metrics and advance-width extents of the current font on this surface.
    virtual BOOL GetTextMetrics(TEXTMETRIC& tm) const;
    virtual SIZE GetTextExtent(const std::string& text) const;
    // LOGPIXELSX/Y: 96 on display-compatible surfaces; HORZRES/VERTRES: size.
    virtual int GetDeviceCaps(int index) const = 0;
    // False for a surface without an attribute context (callers use 50 dpi).
    virtual bool HasAttribDC() const { return true; }

protected:
    COLORREF m_textColor = 0;
    COLORREF m_bkColor = 0xFFFFFF;
    int m_bkMode = OPAQUE;
    UINT m_textAlign = TA_LEFT | TA_TOP;
    CPen m_pen{};
    CBrush m_brush{};
    CFont m_font{};
};

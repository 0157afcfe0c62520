// The raster surface: a cairo image surface of 32 bits per pixel. Rectangles
// are never anti-aliased; text is.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gdi/gdi.h"

typedef struct _cairo_surface cairo_surface_t;
typedef struct _cairo cairo_t;

class CRasterDC : public CDC {
public:
    // A surface of width x height pixels reporting `dpi` (96: display
    // compatible). A size that cannot be allocated leaves IsOk() false and
    // every drawing call a no-op.
    CRasterDC(int width, int height, int dpi = 96);
    ~CRasterDC() override;
    CRasterDC(const CRasterDC&) = delete;
    CRasterDC& operator=(const CRasterDC&) = delete;

    bool IsOk() const { return m_cr != nullptr; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }

    void FillRect(const RECT& r, const CBrush& brush) override;
    BOOL Rectangle(int left, int top, int right, int bottom) override;
    using CDC::Rectangle;
    BOOL TextOut(int x, int y, const std::string& text) override;
    int GetDeviceCaps(int index) const override;

    // Pixels, top-down rows of `Stride()` bytes; each pixel a native-endian
    // 32-bit word 0xAARRGGBB (cairo's ARGB32, fully opaque).
    const uint8_t* Data() const;
    int Stride() const;
    COLORREF GetPixel(int x, int y) const;
    // 8-bit grey, top-down, width bytes per row (for decoders).
    std::vector<uint8_t> ToGray() const;

    cairo_t* Cairo() const { return m_cr; }

private:
    void Flush() const;
    int m_width, m_height, m_dpi;
    cairo_surface_t* m_surface = nullptr;
    cairo_t* m_cr = nullptr;
};

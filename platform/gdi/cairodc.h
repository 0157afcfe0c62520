// The drawing operations shared by every cairo-backed surface (raster and
// vector): exact pixel rectangles and text in the turned text frame.
#pragma once

#include "platform/gdi/gdi.h"

typedef struct _cairo cairo_t;

class CCairoDC : public CDC {
public:
    void FillRect(const RECT& r, const CBrush& brush) override;
    BOOL Rectangle(int left, int top, int right, int bottom) override;
    using CDC::Rectangle;
    BOOL TextOut(int x, int y, const std::string& text) override;

    cairo_t* Cairo() const { return m_cr; }

    // Text is anti-aliased unless turned off here: bilevel printers (thermal
    // label printers) want two colours and nothing in between.
    void SetTextAntialias(bool on) { m_textAntialias = on; }
    bool TextAntialias() const { return m_textAntialias; }

protected:
    // Called before text changes any pixel, with the device pixels it may
    // touch: a bound, not the exact ink.
    virtual void BeforeText(const RECT& bound) { (void)bound; }

    // Set by the surface; null while there is none (every call a no-op).
    cairo_t* m_cr = nullptr;
    bool m_textAntialias = true;
};

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

protected:
    // Set by the surface; null while there is none (every call a no-op).
    cairo_t* m_cr = nullptr;
};

// The drawing operations shared by every cairo-backed surface (raster and
// vector): exact pixel rectangles and text in the turned text frame.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/gdi/gdi.h"

typedef struct _cairo cairo_t;
struct TextLayout;

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

    // The coverage mask of one glyph as cairo composites it for text in
    // `layout`'s face and size, on an image surface without turn or scale:
    // one byte a pixel, `width` x `height`, its top-left corner `left`,
    // `top` pixels from the glyph's origin on the baseline.
    struct CGlyphMask {
        int left = 0, top = 0, width = 0, height = 0;
        std::vector<uint8_t> coverage;
        // Without anti-aliasing every pixel is covered fully or not at all:
        // the covered ones as runs [x0, x1) of row y, in mask pixels.
        struct CRun {
            int y, x0, x1;
        };
        bool solid = false;
        std::vector<CRun> runs;
        // The glyph last laid rounded over a ground of one colour, kept
        // by the surface that laid it (the mask is its thread's): its
        // pixels, and the levels with the colours they gave.
        mutable uint32_t laidUnder = ~0u, laidText = ~0u;
        mutable int laidLevels = 0;
        mutable std::vector<uint32_t> laid;
        mutable std::vector<std::pair<uint8_t, uint32_t>> laidColours;
    };
    // The mask of `glyph`, made once a thread and kept (null when cairo
    // cannot make it); valid until MakeRoomForGlyphMasks on this thread.
    static const CGlyphMask* GlyphMask(const TextLayout& layout, uint32_t glyph, bool antialias);
    // Makes room for `count` masks more, dropping those kept when the
    // thread keeps too many.
    static void MakeRoomForGlyphMasks(size_t count);

protected:
    // Called before text changes any pixel, with the device pixels it may
    // touch: a bound, not the exact ink.
    virtual void BeforeText(const RECT& bound) { (void)bound; }

    // Set by the surface; null while there is none (every call a no-op).
    cairo_t* m_cr = nullptr;
    bool m_textAntialias = true;
};

// The raster surface: a cairo image surface of 32 bits per pixel. Rectangles
// are never anti-aliased and are written straight into the pixels; text is
// drawn by cairo, anti-aliased unless turned off.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/gdi/cairodc.h"
#include "platform/gdi/dib.h"
#include "platform/gdi/font.h"

typedef struct _cairo_surface cairo_surface_t;

class CRasterDC : public CCairoDC {
public:
    // Largest surface, in pixels, that a raster surface accepts: bigger
    // requests fail cleanly instead of exhausting memory.
    static constexpr int64_t kMaxPixels = int64_t(1) << 26;
    static constexpr int kMaxSide = 32767;

    // An empty surface (no pixels) until Create.
    CRasterDC() : m_width(0), m_height(0), m_dpi(96) {}
    // A surface of width x height pixels reporting `dpi` (96: display
    // compatible), filled white. A size that cannot be allocated leaves
    // IsOk() false and every drawing call a no-op.
    CRasterDC(int width, int height, int dpi = 96);
    ~CRasterDC() override;
    CRasterDC(const CRasterDC&) = delete;
    CRasterDC& operator=(const CRasterDC&) = delete;

    // (Re)creates the pixels, white; false when the size is refused.
    bool Create(int width, int height, int dpi = 96);

    bool IsOk() const { return m_cr != nullptr; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }

    int GetDeviceCaps(int index) const override;

    void FillRect(const RECT& r, const CBrush& brush) override;
    BOOL Rectangle(int left, int top, int right, int bottom) override;
    using CDC::Rectangle;
    BOOL TextOut(int x, int y, const std::string& text) override;

    // The colours the pixels can hold, as 0x00RRGGBB, known from what was
    // drawn: a fill of the whole surface starts the list afresh, every other
    // fill and text without anti-aliasing adds its colour. Empty when
    // anti-aliased text was drawn since (its edges blend the colours), so
    // that only the pixels can tell.
    const std::vector<uint32_t>& DrawnColours() const { return m_blended ? m_none : m_colours; }
    // True when every colour drawn is a grey, so that every pixel is one,
    // blended edges of text included.
    bool GreyOnly() const { return m_grey; }

    // Rectangles kept as a list instead of pixels, for surfaces that are
    // encoded row by row: pixels are made only where text is drawn and when
    // Data() (or what reads it) is asked for; Rows() makes one row for each
    // band of rows that the same rectangles cover. Off by default; takes
    // effect from the next Create.
    void SetDeferredFills(bool on) { m_deferredWanted = on; }
    // Anti-aliased text with its coverage rounded to `levels` steps (2 to
    // 256; 0 or 256: as cairo blends it). With 16, black text on white
    // needs 4 bits a pixel, and the colours drawn stay known (DrawnColours).
    void SetTextLevels(int levels) { m_textLevels = levels; }
    // A pointer to every row's pixels (top-down, as in Data()); equal rows
    // that only rectangles made share one. Valid until the next drawing
    // call or Create.
    const std::vector<const uint8_t*>& Rows();

    // Pixels, top-down rows of `Stride()` bytes; each pixel a native-endian
    // 32-bit word 0x00RRGGBB (cairo's RGB24).
    const uint8_t* Data() const;
    int Stride() const;
    COLORREF GetPixel(int x, int y) const;
    // 8-bit grey, top-down, width bytes per row (for decoders).
    std::vector<uint8_t> ToGray() const;
    // The pixels as a bottom-up device-independent bitmap in the form a
    // display of that depth reads out; false when there are no pixels.
    bool GetDIB(DibFormat format, CDib& out) const;

protected:
    void BeforeText(const RECT& bound) override;
    // Rounds the blend of the text just drawn inside m_textBox to
    // m_textLevels steps, against m_textUnder.
    void RoundTextBlend();
    bool RoundsText() const;

private:
    struct CDeferredFill {
        int l, t, r, b;
        uint32_t pixel;
    };
    // Writes row y as the fills since the last whole-surface one make it.
    void ComposeRow(int y, uint32_t* out) const;
    // Rows [top, bottom) made into pixels where they are not yet.
    void MakeRows(int top, int bottom);
    void Destroy();
    void Flush() const;
    // [l, r) x [t, b) clipped to the surface, in `c`.
    void Fill(int l, int t, int r, int b, COLORREF c);
    void NoteColour(COLORREF c);
    // Upright text on a surface that keeps its fills as a list, composited
    // from the glyph masks as cairo composites them, without cairo's
    // per-call set-up; false (nothing drawn) where that does not apply.
    bool DrawOwnGlyphs(int x, int y, const std::string& text);
    // Rounds each glyph's blend as it is laid, through m_blendOf, when no
    // two glyphs of the text share a pixel; false: it did nothing.
    bool LayRoundedGlyphs(const TextLayout& L, int x, int baseline);
    // Notes the colour a rounded level gave over the current ground, once.
    void NoteLevel(uint8_t level, uint32_t colour);
    // Calls lay(pixel, coverage) for each pixel of [x0, x1) x [y0, y1) that
    // `mask`, its corner at (gx, gy), covers.
    template <class F>
    void ForEachCovered(const CGlyphMask& mask, int gx, int gy, int x0, int y0, int x1, int y1, F&& lay)
    {
        for (int py = y0; py < y1; ++py) {
            uint32_t* row = reinterpret_cast<uint32_t*>(m_pixels + size_t(py) * size_t(m_stride));
            const uint8_t* m = mask.coverage.data() + size_t(py - gy) * size_t(mask.width) - size_t(gx);
            for (int px = x0; px < x1; ++px)
                if (m[px]) lay(row[px], uint32_t(m[px]));
        }
    }
    std::vector<const CGlyphMask*> m_masks;
    // The rounded colour of text m_blendText (m_blendLevels) laid with each
    // coverage over m_blendUnder; `level` 0xFF: not known yet.
    struct CCoverageBlend {
        uint32_t colour = 0;
        uint8_t level = 0xFF;
        bool noted = false; // a colour of its own, to be noted
        uint32_t seen = 0;  // the m_noteEpoch it was last met in
    };
    std::array<CCoverageBlend, 256> m_blendOf{};
    uint32_t m_blendText = ~0u, m_blendUnder = ~0u;
    int m_blendLevels = 0;
    // Per level: the m_noteEpoch in which its colour was last noted; the
    // epoch grows whenever the colour list starts afresh or the blends
    // are made for another ground or text colour.
    std::array<uint32_t, 256> m_levelNoted{};
    uint32_t m_noteEpoch = 1;
    int m_width, m_height, m_dpi;
    cairo_surface_t* m_surface = nullptr;
    uint8_t* m_pixels = nullptr;
    int m_stride = 0;
    std::vector<uint32_t> m_colours; // the solid colours drawn
    const std::vector<uint32_t> m_none;
    bool m_blended = false;
    bool m_grey = true;
    bool m_uniform = false;     // every pixel is m_uniformPixel
    bool m_deferredWanted = false;
    bool m_deferred = false;            // this surface keeps its fills as a list
    uint32_t m_base = 0;                // the last whole-surface fill
    std::vector<CDeferredFill> m_fills; // the fills since, in order
    std::vector<uint8_t> m_made;        // rows already in the pixels
    bool m_anyMade = false;
    std::vector<uint32_t> m_bandPixels; // one row a band, for Rows()
    std::vector<uint8_t> m_edgeMarks;   // Rows(): rows where a fill starts or ends
    std::vector<int> m_edges;
    std::vector<const uint8_t*> m_rows;
    int m_textLevels = 0;
    RECT m_textBox{};                  // what the text being drawn may touch
    std::vector<uint32_t> m_textUnder; // those pixels before it
    // Blends already rounded, for text of m_roundedText over m_roundedUnder.
    struct CRounded {
        uint32_t blend = ~0u, colour = 0;
        uint8_t level = 0;
    };
    std::array<CRounded, 256> m_rounded{};
    uint32_t m_roundedText = ~0u, m_roundedUnder = ~0u;
    int m_roundedLevels = 0;
    uint32_t m_uniformPixel = 0;
};

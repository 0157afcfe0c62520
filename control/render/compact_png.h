// The command's PNG encoder: the smallest lossless form of what was drawn.
//
// A drawn symbol mostly has few colours: black bars on white are one bit a
// pixel, anti-aliased text in one colour on white is grey, two colours are a
// two-entry palette. The encoder takes the colours from the surface that
// drew them (or looks at the pixels), picks the form with the fewest bits a
// pixel (grey before palette at equal depth, RGB only for more than 256
// colours), records the resolution in a pHYs chunk, deflates with a
// compressor of its own made for rows that repeat, and keeps its buffers
// between images, so that a thread encoding many images allocates nothing
// after the first but the bytes it returns.
//
// The control's own PNG methods keep their form (control/interface); this
// one belongs to the command.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

enum class PngForm : uint8_t { Grey, Palette, Rgb };

struct PngLayout {
    PngForm form = PngForm::Rgb;
    int bitDepth = 8;                // 1, 2, 4 or 8
    std::vector<uint32_t> palette;   // 0x00RRGGBB, palette form only
};

// Pixels as the raster surface keeps them: top-down rows `stride` bytes
// apart, each pixel a native 32-bit word 0x00RRGGBB (the top byte ignored).
// `colours` (optional): every colour the pixels may hold, 0x00RRGGBB, as
// the surface knows from what it drew (CRasterDC::DrawnColours); `greyOnly`:
// every pixel is a grey (CRasterDC::GreyOnly). The encoder then need not
// look at every pixel to choose its form (a pixel that breaks the promise
// sends it back to looking).
struct PixelView {
    const uint8_t* data = nullptr;
    int stride = 0;
    int width = 0;
    int height = 0;
    const uint32_t* colours = nullptr;
    size_t colourCount = 0;
    bool greyOnly = false;
    // When set, row y is rows[y] instead of data + y * stride; rows that
    // share a pointer are equal.
    const uint8_t* const* rows = nullptr;
};

// The form the encoder chooses for these pixels.
PngLayout ChoosePngLayout(const PixelView& pixels);

// Deflate (RFC 1951) of PNG scanlines into one block with its own Huffman
// codes: a run of rows each equal to the one above costs a few bits a row,
// and only the distinct rows are searched for matches.
class CRowDeflater {
public:
    struct RowSpan {
        uint32_t size;  // bytes of the row, its filter byte included
        bool repeat;    // equal to the row before it (of the same size)
    };
    // The raw deflate stream of the rows laid end to end in `data`.
    void Deflate(const uint8_t* data, const std::vector<RowSpan>& rows, std::vector<uint8_t>& out);

private:
    struct Token {
        uint16_t length;   // 0: a literal
        uint16_t distance; // or the literal byte
    };
    void Match(const uint8_t* data, size_t begin, size_t end, size_t above);
    void Repeat(size_t length, size_t distance);

    std::vector<Token> m_tokens;
    std::vector<uint32_t> m_head, m_prev; // hash chains of m_base + position + 1
    // Entries at or below m_base belong to earlier images: no chain is
    // cleared between images, and no image sees another's positions.
    uint32_t m_base = 0;
    size_t m_lastSize = 0;
};

class CCompactPngEncoder {
public:
    CCompactPngEncoder();
    ~CCompactPngEncoder();
    CCompactPngEncoder(const CCompactPngEncoder&) = delete;
    CCompactPngEncoder& operator=(const CCompactPngEncoder&) = delete;

    // Encodes the pixels into `out` (replaced): signature, IHDR, PLTE when
    // a palette is used, pHYs with `dpi`, IDAT, IEND. Adam7 when
    // `interlace`. False when the image is empty or compression fails.
    bool Encode(const PixelView& pixels, int dpi, bool interlace, std::vector<uint8_t>& out);

    // The layout of the last image encoded.
    const PngLayout& Layout() const { return m_layout; }

private:
    bool Compress(std::vector<uint8_t>& out);

    CRowDeflater m_deflater;
    PngLayout m_layout;
    std::vector<uint8_t> m_same;            // per row: equal to the row above
    std::vector<const uint8_t*> m_source;   // per row: its distinct row's samples
    std::vector<uint8_t> m_samples;         // one byte a sample, distinct rows
    std::vector<uint8_t> m_filtered;        // the scanlines as PNG compresses them
    std::vector<CRowDeflater::RowSpan> m_rows; // their sizes and repeats
    std::vector<uint8_t> m_packed;          // their deflate stream
};

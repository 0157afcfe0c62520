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
// and only the distinct rows are searched for matches. The output depends
// on the rows alone, not on the images deflated before.
class CRowDeflater {
public:
    struct RowSpan {
        uint32_t size;  // bytes of each row, its filter byte included
        uint32_t count; // rows
        bool repeat;    // each equal to the row before it (of the same size)
    };
    // The raw deflate stream of the rows, appended to `out`. `data` holds
    // the rows that are not repeats, end to end; a repeat has no bytes of
    // its own there (it is made of the row before it), and must be 3 to
    // 32768 bytes long.
    void Deflate(const uint8_t* data, const std::vector<RowSpan>& rows, std::vector<uint8_t>& out);

private:
    struct Token {
        uint16_t length;   // 0: a literal
        uint16_t distance; // or the literal byte
    };
    struct Match {
        uint16_t length = 0, distance = 0;
        int32_t gain = 0; // sixteenths of a bit saved against literals
    };
    struct Finder;
    // The tokens of data[begin, end), a stretch of distinct rows `size`
    // bytes long whose first byte is `virt` in the whole stream; `above`:
    // the row before the stretch is as long.
    void Parse(const uint8_t* data, size_t begin, size_t end, size_t size, bool above, uint32_t virt);
    void Repeat(size_t length, size_t distance);
    // Prices from the symbols counted.
    void Reprice();

    std::vector<uint8_t> m_packed; // the block as it is written, grown only
    std::vector<Token> m_tokens; // grown only; m_tokenCount of them in use
    size_t m_tokenCount = 0;
    std::vector<uint32_t> m_head, m_prev; // hash chains of m_base + position + 1
    // Entries at or below m_base belong to earlier images: no chain is
    // cleared between images, and no image sees another's positions.
    uint32_t m_base = 0;
    size_t m_lastSize = 0;
    struct Stretch {
        size_t begin, end; // in the data
        uint32_t shift;    // from there to the whole stream
    };
    std::vector<Stretch> m_stretches; // the distinct rows parsed so far
    std::vector<int32_t> m_sums;      // literal prices summed along a stretch
    // The symbols counted, as counts and as bit sets, and their prices.
    uint32_t m_litFreq[286] = {}, m_distFreq[30] = {};
    uint64_t m_litSeen[5] = {}, m_distSeen = 0;
    uint32_t m_litTotal = 0, m_distTotal = 0;
    uint32_t m_unpriced = 0; // tokens to count before the prices are made again
    uint32_t m_repeatLength[29] = {}, m_repeatDistance[30] = {}; // the copies of repeated rows, apart
    int32_t m_litPrice[256] = {}, m_lengthPrice[29] = {}, m_distPrice[30] = {}; // by code
    uint16_t m_litUsed[286] = {}, m_distUsed[30] = {}; // the symbols used, in order
    int m_litCount = 0, m_distCount = 0;
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
    struct CPacker; // pixels of the layout into scanline bytes
    // The scanlines of the pixels in m_filtered (the repeats left out) and
    // m_rows, and their Adler-32; false when a pixel breaks what the packer
    // was promised.
    bool Scanlines(const PixelView& pixels, CPacker& packer, bool interlace);
    bool Compress(std::vector<uint8_t>& out);

    CRowDeflater m_deflater;
    PngLayout m_layout;
    std::vector<uint8_t> m_filtered;           // the scanlines that are not repeats
    size_t m_filteredSize = 0;                 // of m_filtered in use
    uint32_t m_adler = 1;                      // of all the scanlines
    std::vector<CRowDeflater::RowSpan> m_rows; // their sizes and repeats
};

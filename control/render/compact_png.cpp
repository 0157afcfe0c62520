// The compact PNG encoder of the command.
//
// Drawn symbols repeat themselves: every row through the bars alone equals
// the one above it, and only the rows through the text differ. The colour
// analysis, the conversion into samples and the packing all skip a row that
// equals its predecessor, and deflate stores such a row in a few bits.
#include "control/render/compact_png.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include <libdeflate.h>
#include <zlib.h>

namespace {

constexpr uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

// Adam7 passes: first column and row, column and row steps.
struct Pass {
    int x0, y0, dx, dy;
};
constexpr Pass kAdam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                            {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
constexpr Pass kWhole{0, 0, 1, 1};

// Compression, measured on EAN 13 symbols of 2-pixel modules. Packed rows
// (1 to 4 bits a pixel) make a few kilobytes: zlib at level 9 with a small
// hash table (cleared at every image) gives the fewest bytes, for the cost
// of a few bar rows. Rows of 8-bit samples (anti-aliased text) make tens of
// kilobytes, mostly repeated rows: libdeflate's fastest level runs through
// them at a fraction of zlib's work for about the same size.
constexpr size_t kSmallInput = 16384;
constexpr int kSmallLevel = 9;
constexpr int kSmallMemLevel = 6;
constexpr int kLargeLevel = 1;

const uint32_t* Row(const PixelView& p, int y) { return reinterpret_cast<const uint32_t*>(p.data + size_t(y) * size_t(p.stride)); }

bool SameRow(const PixelView& p, int y)
{
    return y > 0 && std::memcmp(Row(p, y), Row(p, y - 1), size_t(p.width) * 4) == 0;
}

// The colours of an image, up to 256, each with its palette index in the
// order first seen.
class CColourTable {
public:
    CColourTable() { m_keys.fill(0); }
    // The index of `colour` (0x00RRGGBB), added when new; -1 when it would
    // be the 257th colour.
    int Find(uint32_t colour)
    {
        const uint32_t key = colour + 1; // 0 marks a free slot
        for (uint32_t h = (colour * 2654435761u) >> (32 - kBits);; h = (h + 1) & (kSlots - 1)) {
            if (m_keys[h] == key) return m_index[h];
            if (m_keys[h] == 0) {
                if (m_colours.size() == 256) return -1;
                m_keys[h] = key;
                m_index[h] = uint8_t(m_colours.size());
                m_colours.push_back(colour);
                return m_index[h];
            }
        }
    }
    const std::vector<uint32_t>& Colours() const { return m_colours; }

private:
    static constexpr int kBits = 10;
    static constexpr uint32_t kSlots = 1u << kBits;
    std::array<uint32_t, kSlots> m_keys;
    std::array<uint8_t, kSlots> m_index{};
    std::vector<uint32_t> m_colours;
};

// Marks the rows equal to the row above (`same`) and collects the colours
// of the others; false as soon as a 257th colour shows.
bool CollectColours(const PixelView& p, CColourTable& table, std::vector<uint8_t>& same)
{
    same.assign(size_t(p.height), 0);
    bool few = true;
    for (int y = 0; y < p.height; ++y) {
        if (SameRow(p, y)) {
            same[size_t(y)] = 1;
            continue;
        }
        const uint32_t* row = Row(p, y);
        uint32_t last = ~0u;
        for (int x = 0; few && x < p.width; ++x) {
            const uint32_t c = row[x] & 0xFFFFFFu;
            if (c == last) continue;
            last = c;
            few = table.Find(c) >= 0;
        }
    }
    return few;
}

bool IsGrey(uint32_t c) { return (c & 0xFF) == ((c >> 8) & 0xFF) && (c & 0xFF) == (c >> 16); }

// The fewest bits a grey sample needs: levels 0 and 255 fit one bit,
// multiples of 85 two, multiples of 17 four.
int GreyDepth(const std::vector<uint32_t>& colours)
{
    int depth = 1;
    for (uint32_t c : colours) {
        const uint32_t v = c & 0xFF;
        if (v % 17) return 8;
        if (v % 85) depth = 4;
        else if (v % 255 && depth < 2) depth = 2;
    }
    return depth;
}

int PaletteDepth(size_t count) { return count <= 2 ? 1 : count <= 4 ? 2 : count <= 16 ? 4 : 8; }

PngLayout LayoutFor(bool fewColours, const std::vector<uint32_t>& colours)
{
    PngLayout layout;
    if (!fewColours) return layout; // RGB, 8 bits
    const bool grey = std::all_of(colours.begin(), colours.end(), IsGrey);
    const int paletteDepth = PaletteDepth(colours.size());
    if (grey && GreyDepth(colours) <= paletteDepth) {
        layout.form = PngForm::Grey;
        layout.bitDepth = GreyDepth(colours);
    } else {
        layout.form = PngForm::Palette;
        layout.bitDepth = paletteDepth;
        layout.palette = colours;
    }
    return layout;
}

int Channels(const PngLayout& l) { return l.form == PngForm::Rgb ? 3 : 1; }

void PutBe32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

void PutChunk(std::vector<uint8_t>& out, const char type[4], const uint8_t* data, size_t size)
{
    const size_t at = out.size();
    out.reserve(at + 12 + size + 12); // and IEND
    out.resize(at + 12 + size);
    uint8_t* p = out.data() + at;
    PutBe32(p, uint32_t(size));
    std::memcpy(p + 4, type, 4);
    if (size) std::memcpy(p + 8, data, size);
    PutBe32(p + 8 + size, libdeflate_crc32(0, p + 4, size + 4));
}

} // namespace

// Both compressors are made once per encoder and kept: making one costs more
// than compressing a symbol.
struct CCompactPngEncoder::Deflater {
    z_stream stream{};  // raw deflate; the zlib header and checksum are ours
    bool ready = false;
    libdeflate_compressor* fast = nullptr;
    Deflater()
    {
        ready = deflateInit2(&stream, kSmallLevel, Z_DEFLATED, -15, kSmallMemLevel, Z_DEFAULT_STRATEGY) == Z_OK;
    }
    libdeflate_compressor* Fast()
    {
        if (!fast) fast = libdeflate_alloc_compressor(kLargeLevel);
        return fast;
    }
    ~Deflater()
    {
        libdeflate_free_compressor(fast);
        if (ready) deflateEnd(&stream);
    }
};

PngLayout ChoosePngLayout(const PixelView& pixels)
{
    CColourTable table;
    std::vector<uint8_t> same;
    const bool few = CollectColours(pixels, table, same);
    return LayoutFor(few, table.Colours());
}

CCompactPngEncoder::CCompactPngEncoder() : m_deflater(std::make_unique<Deflater>()) {}

CCompactPngEncoder::~CCompactPngEncoder() = default;

bool CCompactPngEncoder::Encode(const PixelView& p, int dpi, bool interlace, std::vector<uint8_t>& out)
{
    out.clear();
    if (!p.data || p.width <= 0 || p.height <= 0 || !m_deflater->ready) return false;

    CColourTable table;
    m_layout = LayoutFor(CollectColours(p, table, m_same), table.Colours());
    const int channels = Channels(m_layout);
    const int depth = m_layout.bitDepth;

    // Samples of the distinct rows, one byte each: grey levels scaled to
    // the depth, palette indices, or red, green and blue. m_source[y] is
    // the distinct row that row y repeats (y itself when it is new).
    const size_t sampleRow = size_t(p.width) * size_t(channels);
    m_source.resize(size_t(p.height));
    m_samples.resize(sampleRow * size_t(std::count(m_same.begin(), m_same.end(), 0)));
    // Grey levels map to samples through a table: a division per pixel
    // costs more than the rest of the conversion.
    std::array<uint8_t, 256> greySample{};
    const uint32_t greyStep = 255u / ((1u << depth) - 1);
    for (uint32_t v = 0; v < 256; ++v) greySample[v] = uint8_t(v / greyStep);
    uint8_t* s = m_samples.data() - sampleRow;
    for (int y = 0; y < p.height; ++y) {
        if (m_same[size_t(y)]) {
            m_source[size_t(y)] = m_source[size_t(y) - 1];
            continue;
        }
        s += sampleRow;
        m_source[size_t(y)] = s;
        const uint32_t* row = Row(p, y);
        switch (m_layout.form) {
        case PngForm::Grey:
            for (int x = 0; x < p.width; ++x) s[x] = greySample[row[x] & 0xFF];
            break;
        case PngForm::Palette: {
            uint32_t last = ~0u;
            uint8_t index = 0;
            for (int x = 0; x < p.width; ++x) {
                const uint32_t c = row[x] & 0xFFFFFFu;
                if (c != last) {
                    last = c;
                    index = uint8_t(table.Find(c));
                }
                s[x] = index;
            }
            break;
        }
        case PngForm::Rgb:
            for (int x = 0; x < p.width; ++x) {
                s[3 * x] = uint8_t(row[x] >> 16);
                s[3 * x + 1] = uint8_t(row[x] >> 8);
                s[3 * x + 2] = uint8_t(row[x]);
            }
            break;
        }
    }

    // Scanlines, pass by pass, and their checksum.
    const int bitsPerPixel = depth * channels;
    m_filtered.clear();
    const Pass* passes = interlace ? kAdam7 : &kWhole;
    for (int k = 0; k < (interlace ? 7 : 1); ++k) {
        const Pass& pass = passes[k];
        if (p.width <= pass.x0 || p.height <= pass.y0) continue;
        const int w = (p.width - pass.x0 + pass.dx - 1) / pass.dx;
        const size_t rowBytes = (size_t(w) * size_t(bitsPerPixel) + 7) / 8;
        m_filtered.reserve(m_filtered.size() + (1 + rowBytes) * size_t((p.height - pass.y0 + pass.dy - 1) / pass.dy));
        for (int y = pass.y0; y < p.height; y += pass.dy) {
            const uint8_t* s = m_source[size_t(y)];
            const size_t at = m_filtered.size();
            m_filtered.resize(at + 1 + rowBytes);
            uint8_t* f = m_filtered.data() + at;
            // A row that repeats the row above it in the pass: packed rows
            // are short, and deflate repeats them whole from the row above
            // in fewer bits than a run of Up-filtered zeros; 8-bit rows are
            // filtered Up (all zeros), which the fast compressor runs
            // through quickest.
            if (y != pass.y0 && s == m_source[size_t(y - pass.dy)]) {
                if (depth < 8) {
                    std::memcpy(f, f - 1 - rowBytes, 1 + rowBytes);
                    continue;
                }
                f[0] = 2;
                std::memset(f + 1, 0, rowBytes);
                continue;
            }
            // Filter None: the glyphs of a text row repeat along it, and
            // deflate finds those repeats in the raw bytes better than in
            // predicted differences (which also cost a pass per filter).
            f[0] = 0;
            uint8_t* packed = f + 1;
            if (depth == 8) {
                if (pass.dx == 1) {
                    std::memcpy(packed, s, rowBytes);
                } else {
                    for (int x = pass.x0, i = 0; x < p.width; x += pass.dx, ++i)
                        for (int c = 0; c < channels; ++c)
                            packed[size_t(i * channels + c)] = s[size_t(x * channels + c)];
                }
            } else {
                // Samples fill each byte from its top bit down.
                const int first = 8 - depth;
                int shift = first;
                unsigned byte = 0;
                for (int x = pass.x0; x < p.width; x += pass.dx) {
                    byte |= unsigned(s[x]) << shift;
                    shift -= depth;
                    if (shift < 0) {
                        *packed++ = uint8_t(byte);
                        byte = 0;
                        shift = first;
                    }
                }
                if (shift != first) *packed = uint8_t(byte);
            }
        }
    }

    // The file.
    out.insert(out.end(), kSignature, kSignature + 8);
    uint8_t ihdr[13];
    PutBe32(ihdr, uint32_t(p.width));
    PutBe32(ihdr + 4, uint32_t(p.height));
    ihdr[8] = uint8_t(depth);
    ihdr[9] = m_layout.form == PngForm::Grey ? 0 : m_layout.form == PngForm::Palette ? 3 : 2;
    ihdr[10] = 0; // deflate
    ihdr[11] = 0; // adaptive filtering
    ihdr[12] = interlace ? 1 : 0;
    PutChunk(out, "IHDR", ihdr, sizeof ihdr);
    if (m_layout.form == PngForm::Palette) {
        std::vector<uint8_t> plte;
        for (uint32_t c : m_layout.palette) {
            plte.push_back(uint8_t(c >> 16));
            plte.push_back(uint8_t(c >> 8));
            plte.push_back(uint8_t(c));
        }
        PutChunk(out, "PLTE", plte.data(), plte.size());
    }
    uint8_t phys[9];
    const uint32_t perMetre = uint32_t(std::lround(dpi / 0.0254));
    PutBe32(phys, perMetre);
    PutBe32(phys + 4, perMetre);
    phys[8] = 1; // metres
    PutChunk(out, "pHYs", phys, sizeof phys);
    if (!Compress(out)) {
        out.clear();
        return false;
    }
    PutChunk(out, "IEND", nullptr, 0);
    return true;
}

// Deflates the scanlines straight into an IDAT chunk at the end of `out`.
bool CCompactPngEncoder::Compress(std::vector<uint8_t>& out)
{
    // Into a buffer kept between images (grown, never shrunk or cleared),
    // then once into the chunk.
    size_t packed = 0;
    if (m_filtered.size() <= kSmallInput) {
        z_stream& z = m_deflater->stream;
        if (deflateReset(&z) != Z_OK) return false;
        const size_t bound = deflateBound(&z, uLong(m_filtered.size()));
        if (m_packed.size() < bound) m_packed.resize(bound);
        z.next_in = m_filtered.data();
        z.avail_in = uInt(m_filtered.size());
        z.next_out = m_packed.data();
        z.avail_out = uInt(bound);
        if (deflate(&z, Z_FINISH) != Z_STREAM_END) return false;
        packed = z.total_out;
    } else {
        libdeflate_compressor* c = m_deflater->Fast();
        if (!c) return false;
        const size_t bound = libdeflate_deflate_compress_bound(c, m_filtered.size());
        if (m_packed.size() < bound) m_packed.resize(bound);
        packed = libdeflate_deflate_compress(c, m_filtered.data(), m_filtered.size(), m_packed.data(), bound);
        if (packed == 0) return false;
    }
    const size_t size = 2 + packed + 4;
    const size_t at = out.size();
    out.reserve(at + 12 + size + 12); // and IEND
    out.resize(at + 12 + size);
    uint8_t* p = out.data() + at;
    PutBe32(p, uint32_t(size));
    std::memcpy(p + 4, "IDAT", 4);
    // zlib header: deflate with a 32 KiB window, no dictionary.
    p[8] = 0x78;
    p[9] = 0x01;
    std::memcpy(p + 10, m_packed.data(), packed);
    PutBe32(p + 10 + packed, libdeflate_adler32(1, m_filtered.data(), m_filtered.size()));
    PutBe32(p + 8 + size, libdeflate_crc32(0, p + 4, size + 4));
    return true;
}

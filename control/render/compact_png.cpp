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

namespace {

constexpr uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

// Adam7 passes: first column and row, column and row steps.
struct Pass {
    int x0, y0, dx, dy;
};
constexpr Pass kAdam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                            {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
constexpr Pass kWhole{0, 0, 1, 1};

const uint32_t* Row(const PixelView& p, int y)
{
    return reinterpret_cast<const uint32_t*>(p.rows ? p.rows[y] : p.data + size_t(y) * size_t(p.stride));
}

bool SameRow(const PixelView& p, int y)
{
    if (y <= 0) return false;
    const uint32_t *row = Row(p, y), *above = Row(p, y - 1);
    return row == above || std::memcmp(row, above, size_t(p.width) * 4) == 0;
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

void MarkSameRows(const PixelView& p, std::vector<uint8_t>& same)
{
    same.assign(size_t(p.height), 0);
    for (int y = 1; y < p.height; ++y) same[size_t(y)] = SameRow(p, y);
}

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

// `known` for pixels promised grey, of any level (8-bit grey samples).
constexpr size_t kAnyGrey = ~size_t(0);

// Samples of the distinct rows, one byte each: grey levels scaled to the
// depth, palette indices, or red, green and blue. source[y] is the distinct
// row that row y repeats (y itself when it is new). With `known` colours
// given beforehand (the table holds them), or kAnyGrey, false when a pixel
// breaks the promise.
bool ToSamples(const PixelView& p, const PngLayout& layout, CColourTable& table, size_t known,
               const std::vector<uint8_t>& same, std::vector<const uint8_t*>& source, std::vector<uint8_t>& samples)
{
    const int channels = Channels(layout);
    const size_t sampleRow = size_t(p.width) * size_t(channels);
    source.resize(size_t(p.height));
    samples.resize(sampleRow * size_t(std::count(same.begin(), same.end(), 0)));
    // Grey levels map to samples through a table: a division per pixel
    // costs more than the rest of the conversion.
    std::array<uint8_t, 256> greySample{};
    const uint32_t greyStep = 255u / ((1u << layout.bitDepth) - 1);
    for (uint32_t v = 0; v < 256; ++v) greySample[v] = uint8_t(v / greyStep);
    uint8_t* s = samples.data() - sampleRow;
    for (int y = 0; y < p.height; ++y) {
        if (same[size_t(y)]) {
            source[size_t(y)] = source[size_t(y) - 1];
            continue;
        }
        s += sampleRow;
        source[size_t(y)] = s;
        const uint32_t* row = Row(p, y);
        if (layout.form == PngForm::Rgb) {
            for (int x = 0; x < p.width; ++x) {
                s[3 * x] = uint8_t(row[x] >> 16);
                s[3 * x + 1] = uint8_t(row[x] >> 8);
                s[3 * x + 2] = uint8_t(row[x]);
            }
        } else if (layout.form == PngForm::Grey && !known) {
            for (int x = 0; x < p.width; ++x) s[x] = greySample[row[x] & 0xFF];
        } else if (known == kAnyGrey) {
            uint32_t odd = 0;
            for (int x = 0; x < p.width; ++x) {
                const uint32_t c = row[x];
                odd |= (((c >> 16) ^ c) | ((c >> 8) ^ c)) & 0xFF;
                s[x] = uint8_t(c);
            }
            if (odd) return false;
        } else if (known == 2 || known == 1) {
            // Two colours (bars and text on a background): compares only.
            const uint32_t c0 = table.Colours()[0], c1 = known == 2 ? table.Colours()[1] : c0;
            const uint8_t s0 = layout.form == PngForm::Grey ? greySample[c0 & 0xFF] : 0;
            const uint8_t s1 = layout.form == PngForm::Grey ? greySample[c1 & 0xFF] : uint8_t(known - 1);
            for (int x = 0; x < p.width; ++x) {
                const uint32_t c = row[x] & 0xFFFFFFu;
                if (c != c0 && c != c1) return false;
                s[x] = c == c0 ? s0 : s1;
            }
        } else {
            // Runs of one colour: one look-up a run.
            const bool grey = layout.form == PngForm::Grey;
            uint32_t last = ~0u;
            uint8_t sample = 0;
            for (int x = 0; x < p.width; ++x) {
                const uint32_t c = row[x] & 0xFFFFFFu;
                if (c != last) {
                    last = c;
                    const int index = table.Find(c);
                    if (known && (index < 0 || size_t(index) >= known)) return false;
                    sample = grey ? greySample[c & 0xFF] : uint8_t(index);
                }
                s[x] = sample;
            }
        }
    }
    return true;
}

PngLayout ChoosePngLayout(const PixelView& pixels)
{
    CColourTable table;
    std::vector<uint8_t> same;
    const bool few = CollectColours(pixels, table, same);
    return LayoutFor(few, table.Colours());
}

CCompactPngEncoder::CCompactPngEncoder() = default;

CCompactPngEncoder::~CCompactPngEncoder() = default;

bool CCompactPngEncoder::Encode(const PixelView& p, int dpi, bool interlace, std::vector<uint8_t>& out)
{
    out.clear();
    if ((!p.data && !p.rows) || p.width <= 0 || p.height <= 0) return false;

    // The colours drawn, when the surface knows them, spare the look at
    // every pixel; a pixel of another colour (never, unless the list is
    // wrong) sends the encoder back to looking.
    CColourTable table;
    size_t known = 0; // what the pixels were promised to hold (0: looked at)
    if (p.colours && p.colourCount > 0 && p.colourCount <= 256) {
        MarkSameRows(p, m_same);
        for (size_t i = 0; i < p.colourCount; ++i) table.Find(p.colours[i] & 0xFFFFFFu);
        m_layout = LayoutFor(true, table.Colours());
        known = table.Colours().size();
    } else if (p.greyOnly) {
        // Blended greys: 8-bit grey, whatever levels the edges took.
        MarkSameRows(p, m_same);
        m_layout = PngLayout{PngForm::Grey, 8, {}};
        known = kAnyGrey;
    } else {
        m_layout = LayoutFor(CollectColours(p, table, m_same), table.Colours());
    }
    if (!ToSamples(p, m_layout, table, known, m_same, m_source, m_samples)) {
        table = CColourTable();
        m_layout = LayoutFor(CollectColours(p, table, m_same), table.Colours());
        ToSamples(p, m_layout, table, 0, m_same, m_source, m_samples);
    }
    const int channels = Channels(m_layout);
    const int depth = m_layout.bitDepth;

    // Scanlines, pass by pass, and their checksum.
    const int bitsPerPixel = depth * channels;
    m_filtered.clear();
    m_rows.clear();
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
            // A row that repeats the row above it in the pass: the same
            // bytes, which deflate copies whole.
            const bool repeat = y != pass.y0 && s == m_source[size_t(y - pass.dy)];
            m_rows.push_back({uint32_t(1 + rowBytes), repeat});
            if (repeat) {
                std::memcpy(f, f - 1 - rowBytes, 1 + rowBytes);
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
            } else if (depth == 1 && pass.dx == 1) {
                // Eight samples a byte, the first in the top bit.
                const int whole = p.width / 8;
                for (int i = 0; i < whole; ++i) {
                    const uint8_t* e = s + 8 * i;
                    packed[i] = uint8_t(e[0] << 7 | e[1] << 6 | e[2] << 5 | e[3] << 4 | e[4] << 3 | e[5] << 2 | e[6] << 1 | e[7]);
                }
                if (p.width % 8) {
                    unsigned byte = 0;
                    for (int x = 8 * whole; x < p.width; ++x) byte |= unsigned(s[x]) << (7 - (x - 8 * whole));
                    packed[whole] = uint8_t(byte);
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
    m_deflater.Deflate(m_filtered.data(), m_rows, m_packed);
    const size_t packed = m_packed.size();
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

// --- deflate of scanlines ----------------------------------------------------------
//
// A drawn symbol is a few distinct rows and long runs of rows repeating the
// one above. A general compressor hashes every byte of those runs; this one
// writes a run of repeated rows as copies from one row back (a few bits a
// row) and looks for matches only inside the distinct rows: the previous
// byte (runs of one colour), the byte a row above, and a short hash chain
// (glyphs repeated along a text row). The tokens go into one block with
// Huffman codes made for them (RFC 1951, 3.2.7).

namespace {

constexpr int kMinMatch = 3, kMaxMatch = 258;
constexpr size_t kWindow = 32768;
constexpr int kHashBits = 12;
constexpr int kChain = 4;
constexpr size_t kInsertLimit = 8;
constexpr size_t kGoodEnough = 32; // a match this long ends the search

// Length and distance codes: base values and extra bits (RFC 1951, 3.2.5).
constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t kDistBase[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                                    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t kDistExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// The order in which the code lengths of the code-length alphabet are sent.
constexpr uint8_t kClOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

struct CodeTables {
    uint8_t lengthCode[kMaxMatch + 1] = {}; // length -> code index 0..28
    uint8_t distCode[512] = {};             // see DistCode
    CodeTables()
    {
        for (int c = 0; c < 29; ++c)
            for (int l = kLengthBase[c]; l < (c == 28 ? 259 : kLengthBase[c + 1]) && l <= kMaxMatch; ++l)
                lengthCode[l] = uint8_t(c);
        lengthCode[kMaxMatch] = 28;
        for (int c = 0; c < 30; ++c)
            for (int d = kDistBase[c]; d < (c == 29 ? 32769 : kDistBase[c + 1]); ++d) {
                if (d <= 256) distCode[d - 1] = uint8_t(c);
                else distCode[256 + ((d - 1) >> 7)] = uint8_t(c);
            }
    }
    int DistCode(int d) const { return d <= 256 ? distCode[d - 1] : distCode[256 + ((d - 1) >> 7)]; }
};
const CodeTables kCodes;

// Code lengths of at most `limit` bits for `count` symbols (at most 286) of
// frequencies `freq` (0: unused). The tree is built by the two-queue method
// over the leaves sorted by weight; frequencies are scaled down until it is
// shallow enough.
void HuffmanLengths(const uint32_t* freq, int count, int limit, uint8_t* lengths)
{
    uint32_t f[286];
    std::copy(freq, freq + count, f);
    for (;;) {
        // Leaves by weight (then symbol), as keys that sort as integers.
        uint64_t keys[286];
        int leaves[286], n = 0;
        for (int i = 0; i < count; ++i)
            if (f[i]) keys[n++] = uint64_t(f[i]) << 16 | uint64_t(i);
        std::fill(lengths, lengths + count, 0);
        if (n == 1) {
            lengths[keys[0] & 0xFFFF] = 1;
            return;
        }
        std::sort(keys, keys + n);
        for (int i = 0; i < n; ++i) leaves[i] = int(keys[i] & 0xFFFF);
        // Nodes 0..n-1 are the sorted leaves, n.. the inner nodes in the
        // order made (so by weight too).
        uint64_t weight[2 * 286];
        int parent[2 * 286];
        for (int i = 0; i < n; ++i) weight[i] = keys[i] >> 16;
        int leaf = 0, inner = n, made = n;
        auto take = [&] { return leaf < n && (inner >= made || weight[leaf] <= weight[inner]) ? leaf++ : inner++; };
        while (made < 2 * n - 1) {
            const int a = take(), b = take();
            weight[made] = weight[a] + weight[b];
            parent[a] = parent[b] = made;
            ++made;
        }
        int depth[2 * 286];
        depth[made - 1] = 0;
        int deepest = 0;
        for (int i = made - 2; i >= 0; --i) {
            depth[i] = depth[parent[i]] + 1;
            if (i < n) deepest = std::max(deepest, depth[i]);
        }
        if (deepest <= limit) {
            for (int i = 0; i < n; ++i) lengths[leaves[i]] = uint8_t(depth[i]);
            return;
        }
        // Flatter weights for a shallower tree: a bit of depth a halving.
        const int shift = deepest - limit + 1;
        for (int i = 0; i < count; ++i)
            if (f[i]) f[i] = (f[i] >> shift) | 1;
    }
}

struct ReverseTable {
    uint8_t bits[256];
    constexpr ReverseTable() : bits()
    {
        for (int i = 0; i < 256; ++i) {
            int r = 0;
            for (int b = 0; b < 8; ++b) r |= ((i >> b) & 1) << (7 - b);
            bits[i] = uint8_t(r);
        }
    }
    uint8_t operator[](unsigned i) const { return bits[i]; }
};
constexpr ReverseTable kReverse;

// Canonical codes of the lengths, bit-reversed for writing least significant
// bit first (RFC 1951, 3.2.2).
void CanonicalCodes(const uint8_t* lengths, int count, uint16_t* codes)
{
    int blCount[16] = {}, nextCode[16] = {};
    for (int i = 0; i < count; ++i) blCount[lengths[i]]++;
    blCount[0] = 0;
    for (int bits = 1, code = 0; bits < 16; ++bits) {
        code = (code + blCount[bits - 1]) << 1;
        nextCode[bits] = code;
    }
    for (int i = 0; i < count; ++i) {
        const int len = lengths[i];
        if (!len) continue;
        const unsigned c = unsigned(nextCode[len]++);
        codes[i] = uint16_t((unsigned(kReverse[c & 0xFF]) << 8 | kReverse[c >> 8]) >> (16 - len));
    }
}

// The fixed codes (RFC 1951, 3.2.6).
struct FixedCodes {
    uint8_t litLen[288], distLen[30];
    uint16_t litCode[288] = {}, distCode[30] = {};
    FixedCodes()
    {
        for (int i = 0; i < 288; ++i) litLen[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
        std::fill(distLen, distLen + 30, 5);
        CanonicalCodes(litLen, 288, litCode);
        CanonicalCodes(distLen, 30, distCode);
    }
};
const FixedCodes kFixed;

class CBitWriter {
public:
    // `most`: an upper bound of the bytes written.
    CBitWriter(std::vector<uint8_t>& out, size_t most) : m_out(out)
    {
        if (m_out.size() < most + 8) m_out.resize(most + 8);
        m_at = m_out.data();
    }
    void Put(uint32_t bits, int count)
    {
        m_bits |= uint64_t(bits) << m_count;
        m_count += count;
        if (m_count >= 32) {
            const uint32_t word = uint32_t(m_bits);
            m_at[0] = uint8_t(word), m_at[1] = uint8_t(word >> 8), m_at[2] = uint8_t(word >> 16), m_at[3] = uint8_t(word >> 24);
            m_at += 4;
            m_bits >>= 32;
            m_count -= 32;
        }
    }
    // The bytes written, the last one padded.
    void Finish()
    {
        while (m_count > 0) {
            *m_at++ = uint8_t(m_bits);
            m_bits >>= 8;
            m_count -= 8;
        }
        m_out.resize(size_t(m_at - m_out.data()));
    }

private:
    std::vector<uint8_t>& m_out;
    uint8_t* m_at;
    uint64_t m_bits = 0;
    int m_count = 0;
};

} // namespace

void CRowDeflater::Match(const uint8_t* data, size_t begin, size_t end, size_t above)
{
    // Greedy: the longest of the candidates at each position.
    const uint32_t mask = (1u << kHashBits) - 1;
    auto hash = [&](size_t i) { return ((uint32_t(data[i]) << 16 | uint32_t(data[i + 1]) << 8 | data[i + 2]) * 2654435761u) >> (32 - kHashBits) & mask; };
    auto insert = [&](size_t i) {
        if (i + kMinMatch > end) return;
        const uint32_t h = hash(i);
        m_prev[i & (kWindow - 1)] = m_head[h];
        m_head[h] = m_base + uint32_t(i + 1);
    };
    size_t i = begin;
    while (i < end) {
        const size_t most = std::min<size_t>(kMaxMatch, end - i);
        size_t bestLength = 0, bestDistance = 0;
        auto consider = [&](size_t from) {
            if (from >= i || i - from > kWindow) return;
            // Only a longer match is of use: its last byte decides first.
            if (bestLength && data[from + bestLength] != data[i + bestLength]) return;
            size_t l = 0;
            while (l < most && data[from + l] == data[i + l]) ++l;
            if (l > bestLength) bestLength = l, bestDistance = i - from;
        };
        if (most >= kMinMatch) {
            if (i > 0) consider(i - 1);
            if (above && i >= above) consider(i - above);
            if (bestLength < most) {
                uint32_t candidate = m_head[hash(i)];
                for (int k = 0; k < kChain && candidate > m_base && bestLength < std::min<size_t>(most, kGoodEnough);
                     ++k) {
                    const size_t from = candidate - m_base - 1;
                    if (from >= i || i - from > kWindow) break;
                    consider(from);
                    const uint32_t earlier = m_prev[from & (kWindow - 1)];
                    if (earlier >= candidate) break;
                    candidate = earlier;
                }
            }
        }
        if (bestLength >= size_t(kMinMatch)) {
            m_tokens.push_back({uint16_t(bestLength), uint16_t(bestDistance)});
            // Inside a long match only its start is worth finding again.
            for (size_t k = 0; k < std::min<size_t>(bestLength, kInsertLimit); ++k) insert(i + k);
            i += bestLength;
        } else {
            m_tokens.push_back({0, data[i]});
            insert(i);
            ++i;
        }
    }
}

void CRowDeflater::Repeat(size_t length, size_t distance)
{
    // Copies of at most 258 bytes; none shorter than 3, so a remainder of 1
    // or 2 borrows from the copy before it.
    while (length > 0) {
        size_t l = std::min<size_t>(kMaxMatch, length);
        if (length > l && length - l < size_t(kMinMatch)) l = length - kMinMatch;
        m_tokens.push_back({uint16_t(l), uint16_t(distance)});
        length -= l;
    }
}

void CRowDeflater::Deflate(const uint8_t* data, const std::vector<RowSpan>& rows, std::vector<uint8_t>& out)
{
    m_tokens.clear();
    size_t total = 0;
    for (const RowSpan& r : rows) total += r.size;
    if (m_head.empty() || uint64_t(m_base) + m_lastSize + total + 2 >= uint64_t(UINT32_MAX)) {
        m_head.assign(size_t(1) << kHashBits, 0);
        m_prev.assign(kWindow, 0);
        m_base = 0;
    } else {
        m_base += uint32_t(m_lastSize + 1);
    }
    m_lastSize = total;
    size_t at = 0;
    for (size_t r = 0; r < rows.size();) {
        const size_t size = rows[r].size;
        if (rows[r].repeat && r > 0 && rows[r - 1].size == size && size >= size_t(kMinMatch) && size <= kWindow) {
            // The whole run of repeated rows in one go.
            size_t run = 0;
            while (r < rows.size() && rows[r].repeat && rows[r].size == size) run += size, ++r;
            Repeat(run, size);
            at += run;
            continue;
        }
        const size_t above = r > 0 && rows[r - 1].size == size ? size : 0;
        Match(data, at, at + size, above);
        at += size;
        ++r;
    }

    uint32_t litFreq[286] = {}, distFreq[30] = {};
    for (const Token& t : m_tokens) {
        if (!t.length) {
            litFreq[t.distance]++;
        } else {
            litFreq[257 + kCodes.lengthCode[t.length]]++;
            distFreq[kCodes.DistCode(t.distance)]++;
        }
    }
    litFreq[256] = 1;
    // Both trees want two codes at least to be complete.
    if (std::count_if(std::begin(distFreq), std::end(distFreq), [](uint32_t f) { return f > 0; }) < 2) {
        if (!distFreq[0]) distFreq[0] = 1;
        else distFreq[1] = 1;
    }
    if (std::count_if(std::begin(litFreq), std::end(litFreq), [](uint32_t f) { return f > 0; }) < 2) litFreq[0]++;
    uint8_t litLen[286], distLen[30];
    HuffmanLengths(litFreq, 286, 15, litLen);
    HuffmanLengths(distFreq, 30, 15, distLen);
    uint16_t litCode[286] = {}, distCode[30] = {};
    CanonicalCodes(litLen, 286, litCode);
    CanonicalCodes(distLen, 30, distCode);

    int hlit = 286, hdist = 30;
    while (hlit > 257 && !litLen[hlit - 1]) --hlit;
    while (hdist > 1 && !distLen[hdist - 1]) --hdist;
    // The code lengths, run-length coded with symbols 16, 17 and 18.
    std::vector<uint8_t> all(litLen, litLen + hlit);
    all.insert(all.end(), distLen, distLen + hdist);
    struct ClToken {
        uint8_t symbol, extra;
    };
    std::vector<ClToken> cl;
    uint32_t clFreq[19] = {};
    for (size_t i = 0; i < all.size();) {
        const uint8_t len = all[i];
        size_t run = 1;
        while (i + run < all.size() && all[i + run] == len) ++run;
        size_t left = run;
        if (len == 0) {
            while (left >= 11) {
                const size_t n = std::min<size_t>(138, left);
                cl.push_back({18, uint8_t(n - 11)});
                left -= n;
            }
            if (left >= 3) {
                cl.push_back({17, uint8_t(left - 3)});
                left = 0;
            }
        } else {
            cl.push_back({len, 0});
            --left;
            while (left >= 3) {
                const size_t n = std::min<size_t>(6, left);
                cl.push_back({16, uint8_t(n - 3)});
                left -= n;
            }
        }
        while (left > 0) cl.push_back({len, 0}), --left;
        i += run;
    }
    for (const ClToken& t : cl) clFreq[t.symbol]++;
    uint8_t clLen[19];
    HuffmanLengths(clFreq, 19, 7, clLen);
    uint16_t clCode[19] = {};
    CanonicalCodes(clLen, 19, clCode);
    int hclen = 19;
    while (hclen > 4 && !clLen[kClOrder[hclen - 1]]) --hclen;

    // The block with the fixed codes when it comes out shorter (small
    // images: the code tables would cost more than they save).
    uint64_t dynamicBits = 3 + 14 + 3 * uint64_t(hclen), fixedBits = 3;
    for (const ClToken& t : cl) dynamicBits += clLen[t.symbol] + (t.symbol == 16 ? 2 : t.symbol == 17 ? 3 : t.symbol == 18 ? 7 : 0);
    for (int i = 0; i < 286; ++i) {
        dynamicBits += uint64_t(litFreq[i]) * litLen[i];
        fixedBits += uint64_t(litFreq[i]) * kFixed.litLen[i];
    }
    for (int i = 0; i < 30; ++i) {
        dynamicBits += uint64_t(distFreq[i]) * distLen[i];
        fixedBits += uint64_t(distFreq[i]) * 5;
    }
    const bool fixed = fixedBits <= dynamicBits;

    // A token takes 48 bits at most, the header less than 300 bytes.
    CBitWriter w(out, 512 + m_tokens.size() * 6);
    w.Put(1, 1); // the final block
    if (fixed) {
        w.Put(1, 2); // fixed Huffman codes
    } else {
        w.Put(2, 2); // dynamic Huffman codes
        w.Put(uint32_t(hlit - 257), 5);
        w.Put(uint32_t(hdist - 1), 5);
        w.Put(uint32_t(hclen - 4), 4);
        for (int i = 0; i < hclen; ++i) w.Put(clLen[kClOrder[i]], 3);
        for (const ClToken& t : cl) {
            w.Put(clCode[t.symbol], clLen[t.symbol]);
            if (t.symbol == 16) w.Put(t.extra, 2);
            else if (t.symbol == 17) w.Put(t.extra, 3);
            else if (t.symbol == 18) w.Put(t.extra, 7);
        }
    }
    const uint16_t* lc = fixed ? kFixed.litCode : litCode;
    const uint8_t* ll = fixed ? kFixed.litLen : litLen;
    const uint16_t* dcs = fixed ? kFixed.distCode : distCode;
    const uint8_t* dl = fixed ? kFixed.distLen : distLen;
    for (const Token& t : m_tokens) {
        if (!t.length) {
            w.Put(lc[t.distance], ll[t.distance]);
            continue;
        }
        const int c = kCodes.lengthCode[t.length];
        w.Put(lc[257 + c], ll[257 + c]);
        if (kLengthExtra[c]) w.Put(uint32_t(t.length - kLengthBase[c]), kLengthExtra[c]);
        const int d = kCodes.DistCode(t.distance);
        w.Put(dcs[d], dl[d]);
        if (kDistExtra[d]) w.Put(uint32_t(t.distance - kDistBase[d]), kDistExtra[d]);
    }
    w.Put(lc[256], ll[256]);
    w.Finish();
}

// The compact PNG encoder of the command.
//
// Drawn symbols repeat themselves: every row through the bars alone equals
// the one above it, and only the rows through the text differ. A row whose
// pixels are those of the row above (the surface tells by sharing the row)
// is neither converted nor stored: deflate writes it as copies of the row
// before, and the checksum counts it without reading it. The other rows go
// from pixels straight to packed scanline bytes.
#include "control/render/compact_png.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include <libdeflate.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

// Adam7 passes: first column and row, column and row steps.
struct Pass {
    int x0, y0, dx, dy;
};
constexpr Pass kAdam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                            {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
constexpr Pass kWhole{0, 0, 1, 1};

// A row deflate can copy from the one before it: at least a match long,
// at most the window away.
constexpr size_t kMinRepeat = 3, kMaxRepeat = 32768;

const uint8_t* RowBytes(const PixelView& p, int y)
{
    return p.rows ? p.rows[y] : p.data + size_t(y) * size_t(p.stride);
}

const uint32_t* Row(const PixelView& p, int y) { return reinterpret_cast<const uint32_t*>(RowBytes(p, y)); }

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
                if (m_count == 256) return -1;
                m_keys[h] = key;
                m_index[h] = uint8_t(m_count);
                m_colours[m_count++] = colour;
                return m_index[h];
            }
        }
    }
    const uint32_t* Colours() const { return m_colours.data(); }
    size_t Count() const { return m_count; }

private:
    static constexpr int kBits = 10;
    static constexpr uint32_t kSlots = 1u << kBits;
    std::array<uint32_t, kSlots> m_keys;
    std::array<uint8_t, kSlots> m_index;
    std::array<uint32_t, 256> m_colours;
    size_t m_count = 0;
};

// Collects the colours of the rows that differ from the row above; false
// as soon as a 257th colour shows.
bool CollectColours(const PixelView& p, CColourTable& table)
{
    for (int y = 0; y < p.height; ++y) {
        if (SameRow(p, y)) continue;
        const uint32_t* row = Row(p, y);
        uint32_t last = ~0u;
        for (int x = 0; x < p.width; ++x) {
            const uint32_t c = row[x] & 0xFFFFFFu;
            if (c == last) continue;
            last = c;
            if (table.Find(c) < 0) return false;
        }
    }
    return true;
}

bool IsGrey(uint32_t c) { return (c & 0xFF) == ((c >> 8) & 0xFF) && (c & 0xFF) == (c >> 16); }

// The fewest bits a grey sample needs: levels 0 and 255 fit one bit,
// multiples of 85 two, multiples of 17 four.
int GreyDepth(const uint32_t* colours, size_t count)
{
    int depth = 1;
    for (size_t i = 0; i < count; ++i) {
        const uint32_t v = colours[i] & 0xFF;
        if (v % 17) return 8;
        if (v % 85) depth = 4;
        else if (v % 255 && depth < 2) depth = 2;
    }
    return depth;
}

int PaletteDepth(size_t count) { return count <= 2 ? 1 : count <= 4 ? 2 : count <= 16 ? 4 : 8; }

void LayoutFor(bool fewColours, const CColourTable& table, PngLayout& layout)
{
    layout.form = PngForm::Rgb;
    layout.bitDepth = 8;
    layout.palette.clear();
    if (!fewColours) return;
    const uint32_t* colours = table.Colours();
    const size_t count = table.Count();
    const bool grey = std::all_of(colours, colours + count, IsGrey);
    const int paletteDepth = PaletteDepth(count);
    if (grey && GreyDepth(colours, count) <= paletteDepth) {
        layout.form = PngForm::Grey;
        layout.bitDepth = GreyDepth(colours, count);
    } else {
        layout.form = PngForm::Palette;
        layout.bitDepth = paletteDepth;
        layout.palette.assign(colours, colours + count);
    }
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
    out.resize(at + 12 + size);
    uint8_t* p = out.data() + at;
    PutBe32(p, uint32_t(size));
    std::memcpy(p + 4, type, 4);
    if (size) std::memcpy(p + 8, data, size);
    PutBe32(p + 8 + size, libdeflate_crc32(0, p + 4, size + 4));
}

// `known` for pixels promised grey, of any level (8-bit grey samples).
constexpr size_t kAnyGrey = ~size_t(0);

// Bits in reverse order, for bytes gathered first pixel lowest.
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

// Grey samples of D bits straight from the pixels: a level that D bits
// hold exactly (a multiple of 255 / (2^D - 1)) repeats its low D bits
// through all 24, and those bits are the sample. The bits of the last byte
// past the last pixel, which decoders ignore, repeat the last sample, so
// that a row of one colour is bytes of one value.
template <int D>
bool PackGrey(const uint32_t* p, int dx, int count, uint8_t* out)
{
    constexpr int kPer = 8 / D;
    constexpr uint32_t kMask = (1u << D) - 1, kRest = 0xFFFFFFu >> D;
    uint32_t odd = 0; // any bit set: a pixel that is not such a grey
    int i = 0;
#if defined(__SSE2__)
    if (dx == 1 && (D == 1 || D == 4)) {
        // Four pixels a register: a check and the samples for all four. The
        // check's low bits see the colour bytes alone: the top byte is
        // masked off once at the end.
        __m128i bad = _mm_setzero_si128();
        auto load = [&](int at) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at));
            bad = _mm_or_si128(bad, _mm_xor_si128(v, _mm_srli_epi32(v, D)));
            return v;
        };
        if (D == 1) {
            for (; i + 16 <= count; i += 16, out += 2) {
                // The sample bits on top of their lanes, narrowed to bytes:
                // one bit a pixel, the first lowest.
                const __m128i a = _mm_slli_epi32(load(i), 31), b = _mm_slli_epi32(load(i + 4), 31);
                const __m128i c = _mm_slli_epi32(load(i + 8), 31), d = _mm_slli_epi32(load(i + 12), 31);
                const unsigned bits = unsigned(
                    _mm_movemask_epi8(_mm_packs_epi16(_mm_packs_epi32(a, b), _mm_packs_epi32(c, d))));
                out[0] = kReverse[bits & 0xFF];
                out[1] = kReverse[bits >> 8];
            }
        } else {
            const __m128i low = _mm_set1_epi32(0xF), high = _mm_set1_epi16(0xF0);
            for (; i + 16 <= count; i += 16, out += 8) {
                const __m128i a = load(i), b = load(i + 4), c = load(i + 8), d = load(i + 12);
                const __m128i samples = _mm_packus_epi16(_mm_packs_epi32(_mm_and_si128(a, low), _mm_and_si128(b, low)),
                                                         _mm_packs_epi32(_mm_and_si128(c, low), _mm_and_si128(d, low)));
                // Each 16-bit lane holds two samples: the first on top.
                const __m128i pairs = _mm_or_si128(_mm_and_si128(_mm_slli_epi16(samples, 4), high), _mm_srli_epi16(samples, 8));
                _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(pairs, pairs));
            }
        }
        bad = _mm_and_si128(bad, _mm_set1_epi32(int(kRest)));
        odd = uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(bad, _mm_setzero_si128())) != 0xFFFF);
        p += i;
    }
#endif
    for (; i + kPer <= count; i += kPer, ++out) {
        unsigned byte = 0;
        for (int k = 0; k < kPer; ++k, p += dx) {
            const uint32_t c = *p;
            odd |= (c ^ (c >> D)) & kRest;
            byte = byte << D | (c & kMask);
        }
        *out = uint8_t(byte);
    }
    if (i < count) {
        unsigned byte = 0, sample = 0;
        int k = 0;
        for (; i < count; ++i, ++k, p += dx) {
            const uint32_t c = *p;
            odd |= (c ^ (c >> D)) & kRest;
            sample = c & kMask;
            byte = byte << D | sample;
        }
        for (; k < kPer; ++k) byte = byte << D | sample;
        *out = uint8_t(byte);
    }
    return odd == 0;
}

} // namespace

// Pixels into the scanline bytes of the layout (the filter byte aside).
struct CCompactPngEncoder::CPacker {
    const PngLayout& layout;
    CColourTable& table;
    // What the pixels were promised to hold: 0 nothing (the table holds
    // every colour), kAnyGrey greys, else that many colours of the table.
    size_t known;

    // `count` pixels from `row`, every `dx`-th; false when a pixel breaks
    // the promise.
    bool Pack(const uint32_t* row, int dx, int count, uint8_t* out) const
    {
        if (layout.form == PngForm::Grey) {
            switch (layout.bitDepth) {
            case 1: return PackGrey<1>(row, dx, count, out);
            case 2: return PackGrey<2>(row, dx, count, out);
            case 4: return PackGrey<4>(row, dx, count, out);
            default: return PackGrey<8>(row, dx, count, out);
            }
        }
        if (layout.form == PngForm::Rgb) {
            for (int i = 0; i < count; ++i, row += dx, out += 3) {
                out[0] = uint8_t(*row >> 16);
                out[1] = uint8_t(*row >> 8);
                out[2] = uint8_t(*row);
            }
            return true;
        }
        // Palette indices, one look-up a run of one colour, packed from the
        // top bit down; the bits past the last pixel repeat it.
        const int depth = layout.bitDepth, perByte = 8 / depth;
        uint32_t last = ~0u;
        unsigned index = 0, byte = 0;
        int filled = 0;
        for (int i = 0; i < count; ++i, row += dx) {
            const uint32_t c = *row & 0xFFFFFFu;
            if (c != last) {
                last = c;
                const int found = table.Find(c);
                if (found < 0 || (known && size_t(found) >= known)) return false;
                index = unsigned(found);
            }
            byte = byte << depth | index;
            if (++filled == perByte) {
                *out++ = uint8_t(byte);
                byte = 0;
                filled = 0;
            }
        }
        if (filled) {
            for (; filled < perByte; ++filled) byte = byte << depth | index;
            *out = uint8_t(byte);
        }
        return true;
    }
};

namespace {

constexpr uint32_t kAdlerMod = 65521;

// The Adler-32 `adler` carried over `times` more copies of the `size`
// bytes whose own Adler-32 (from 1) is `row`: each copy adds the bytes'
// sum to the low half and, to the high half, the size times the low half
// so far plus the bytes' sum weighted by their distance from the end.
uint32_t AdlerRepeat(uint32_t adler, uint32_t row, uint64_t size, uint64_t times)
{
    const uint64_t sum = ((row & 0xFFFF) + kAdlerMod - 1) % kAdlerMod;
    const uint64_t weighted = ((row >> 16) + kAdlerMod - size % kAdlerMod) % kAdlerMod;
    const uint64_t a = adler & 0xFFFF, b = adler >> 16;
    const uint64_t n = times % kAdlerMod;
    // times * (times - 1) / 2, halving the even factor first.
    const uint64_t pairs = times % 2 ? (times % kAdlerMod) * (((times - 1) / 2) % kAdlerMod) % kAdlerMod
                                     : ((times / 2) % kAdlerMod) * ((times - 1) % kAdlerMod) % kAdlerMod;
    const uint64_t s = size % kAdlerMod;
    const uint64_t newA = (a + n * sum) % kAdlerMod;
    const uint64_t newB = (b + n * s % kAdlerMod * a + s * sum % kAdlerMod * pairs + n * weighted) % kAdlerMod;
    return uint32_t(newB << 16 | newA);
}

} // namespace

PngLayout ChoosePngLayout(const PixelView& pixels)
{
    CColourTable table;
    PngLayout layout;
    LayoutFor(CollectColours(pixels, table), table, layout);
    return layout;
}

CCompactPngEncoder::CCompactPngEncoder() = default;

CCompactPngEncoder::~CCompactPngEncoder() = default;

bool CCompactPngEncoder::Scanlines(const PixelView& p, CPacker& packer, bool interlace)
{
    const int bitsPerPixel = m_layout.bitDepth * Channels(m_layout);
    const Pass* passes = interlace ? kAdam7 : &kWhole;
    const int passCount = interlace ? 7 : 1;
    size_t most = 0; // every row distinct
    for (int k = 0; k < passCount; ++k) {
        const Pass& pass = passes[k];
        if (p.width <= pass.x0 || p.height <= pass.y0) continue;
        const size_t w = size_t((p.width - pass.x0 + pass.dx - 1) / pass.dx);
        most += (1 + (w * size_t(bitsPerPixel) + 7) / 8) * size_t((p.height - pass.y0 + pass.dy - 1) / pass.dy);
    }
    // Grown only, so that it is not cleared again for every image.
    if (m_filtered.size() < most) m_filtered.resize(most);
    uint8_t* const base = m_filtered.data();
    size_t used = 0;
    m_rows.clear();
    // Rows of one size and kind next to each other are one span.
    auto add = [&](size_t size, bool repeat) {
        if (!m_rows.empty() && m_rows.back().size == size && m_rows.back().repeat == repeat) ++m_rows.back().count;
        else m_rows.push_back({uint32_t(size), 1, repeat});
    };
    uint32_t adler = 1;
    size_t unsummed = 0; // where the bytes not yet in `adler` start
    for (int k = 0; k < passCount; ++k) {
        const Pass& pass = passes[k];
        if (p.width <= pass.x0 || p.height <= pass.y0) continue;
        const int w = (p.width - pass.x0 + pass.dx - 1) / pass.dx;
        const size_t size = 1 + (size_t(w) * size_t(bitsPerPixel) + 7) / 8;
        const bool copyable = size >= kMinRepeat && size <= kMaxRepeat;
        const uint8_t* last = nullptr;       // the pass's last scanline
        const uint8_t* lastPixels = nullptr; // and its pixels
        size_t repeats = 0;                  // of `last`, not yet summed
        auto sumRepeats = [&] {
            if (!repeats) return;
            adler = libdeflate_adler32(adler, base + unsummed, used - unsummed);
            unsummed = used;
            adler = AdlerRepeat(adler, libdeflate_adler32(1, last, size), size, repeats);
            repeats = 0;
        };
        for (int y = pass.y0; y < p.height; y += pass.dy) {
            const uint8_t* pixels = RowBytes(p, y);
            // Rows that share their pixels are equal: nothing to look at.
            if (copyable && last && pixels == lastPixels) {
                add(size, true);
                ++repeats;
                continue;
            }
            // Rows of their own may still be equal: a look at the pixels
            // costs less than packing them.
            if (copyable && last && pass.dx == 1 && std::memcmp(pixels, lastPixels, size_t(p.width) * 4) == 0) {
                lastPixels = pixels;
                add(size, true);
                ++repeats;
                continue;
            }
            lastPixels = pixels;
            uint8_t* f = base + used;
            // Filter None: the glyphs of a text row repeat along it, and
            // deflate finds those repeats in the raw bytes better than in
            // predicted differences (which also cost a pass per filter).
            f[0] = 0;
            if (!packer.Pack(reinterpret_cast<const uint32_t*>(pixels) + pass.x0, pass.dx, w, f + 1)) return false;
            if (copyable && last && std::memcmp(f, last, size) == 0) {
                add(size, true);
                ++repeats;
                continue;
            }
            sumRepeats();
            add(size, false);
            last = f;
            used += size;
        }
        sumRepeats();
    }
    m_adler = libdeflate_adler32(adler, base + unsummed, used - unsummed);
    m_filteredSize = used;
    return true;
}

bool CCompactPngEncoder::Encode(const PixelView& p, int dpi, bool interlace, std::vector<uint8_t>& out)
{
    out.clear();
    if ((!p.data && !p.rows) || p.width <= 0 || p.height <= 0) return false;

    // The colours drawn, when the surface knows them, spare the look at
    // every pixel; a pixel of another colour (never, unless the list is
    // wrong) sends the encoder back to looking.
    CColourTable table;
    CPacker packer{m_layout, table, 0};
    if (p.colours && p.colourCount > 0 && p.colourCount <= 256) {
        for (size_t i = 0; i < p.colourCount; ++i) table.Find(p.colours[i] & 0xFFFFFFu);
        LayoutFor(true, table, m_layout);
        packer.known = table.Count();
    } else if (p.greyOnly) {
        // Blended greys: 8-bit grey, whatever levels the edges took.
        m_layout.form = PngForm::Grey;
        m_layout.bitDepth = 8;
        m_layout.palette.clear();
        packer.known = kAnyGrey;
    } else {
        LayoutFor(CollectColours(p, table), table, m_layout);
    }
    if (!Scanlines(p, packer, interlace)) {
        table = CColourTable();
        LayoutFor(CollectColours(p, table), table, m_layout);
        packer.known = 0;
        Scanlines(p, packer, interlace);
    }

    // The file.
    out.reserve(128 + 3 * m_layout.palette.size());
    out.insert(out.end(), kSignature, kSignature + 8);
    uint8_t ihdr[13];
    PutBe32(ihdr, uint32_t(p.width));
    PutBe32(ihdr + 4, uint32_t(p.height));
    ihdr[8] = uint8_t(m_layout.bitDepth);
    ihdr[9] = m_layout.form == PngForm::Grey ? 0 : m_layout.form == PngForm::Palette ? 3 : 2;
    ihdr[10] = 0; // deflate
    ihdr[11] = 0; // adaptive filtering
    ihdr[12] = interlace ? 1 : 0;
    PutChunk(out, "IHDR", ihdr, sizeof ihdr);
    if (m_layout.form == PngForm::Palette) {
        uint8_t plte[3 * 256];
        size_t n = 0;
        for (uint32_t c : m_layout.palette) {
            plte[n++] = uint8_t(c >> 16);
            plte[n++] = uint8_t(c >> 8);
            plte[n++] = uint8_t(c);
        }
        PutChunk(out, "PLTE", plte, n);
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
    const size_t at = out.size();
    out.resize(at + 10);
    uint8_t* p = out.data() + at;
    std::memcpy(p + 4, "IDAT", 4);
    // zlib header: deflate with a 32 KiB window, no dictionary.
    p[8] = 0x78;
    p[9] = 0x01;
    m_deflater.Deflate(m_filtered.data(), m_rows, out);
    const size_t size = out.size() - at - 8 + 4; // and the Adler-32
    out.resize(at + 12 + size);
    p = out.data() + at;
    PutBe32(p, uint32_t(size));
    PutBe32(p + 4 + size, m_adler);
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
// (glyphs repeated along a text row and from row to row). Consecutive
// distinct rows are one stretch, so that a match may run on into the next
// row. A match is weighed by the bits it saves against literals, priced by
// the symbols counted so far, and put off by a byte or two when a match
// starting there saves more. The tokens go into one block with Huffman
// codes made for them (RFC 1951, 3.2.7), or the fixed codes when those come
// out shorter.

namespace {

constexpr int kMinMatch = 3, kMaxMatch = 258;
constexpr size_t kWindow = 32768;
constexpr int kHashBits = 12;
constexpr int kChain = 4; // hash candidates tried a position
// A match shorter than this is weighed against those a byte or two on.
constexpr size_t kLookBelow = 8;
// Prices in sixteenths of a bit; the symbols counted so far price them
// from the first kFirstReprice tokens on, again each time the count has
// doubled.
constexpr int32_t kBit = 16;
constexpr uint32_t kFirstReprice = 32;
// A match one or two bytes on must save more than this a byte deferred.
constexpr int32_t kDeferMargin = kBit;

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
    int DistCode(unsigned d) const { return d <= 256 ? distCode[d - 1] : distCode[256 + ((d - 1) >> 7)]; }
};
const CodeTables kCodes;

// The bytes two positions have in common from there on, at most `most`;
// eight at a time.
size_t MatchLength(const uint8_t* a, const uint8_t* b, size_t most)
{
    size_t l = 0;
    while (l + 8 <= most) {
        uint64_t x, y;
        std::memcpy(&x, a + l, 8);
        std::memcpy(&y, b + l, 8);
        if (x != y) {
            if constexpr (std::endian::native == std::endian::little) return l + size_t(std::countr_zero(x ^ y) >> 3);
            else return l + size_t(std::countl_zero(x ^ y) >> 3);
        }
        l += 8;
    }
    while (l < most && a[l] == b[l]) ++l;
    return l;
}

// Code lengths of at most `limit` bits for the `n` symbols `used` (in
// order) of frequencies `freq` (all above 0; at most 286 symbols). The
// code is computed in place over the weights sorted (Moffat and
// Katajainen): a pass joins the two lightest nodes into parents, one turns
// parents into depths, one hands the depths to the leaves. Frequencies are
// scaled down until the code is short enough.
void HuffmanLengths(const uint32_t* freq, const uint16_t* used, int n, int limit, uint8_t* lengths)
{
    if (n == 1) {
        lengths[used[0]] = 1;
        return;
    }
    uint32_t f[286];
    uint32_t top = 0;
    for (int i = 0; i < n; ++i) top = std::max(top, f[i] = freq[used[i]]);
    for (;;) {
        // Leaves by weight (then symbol): counted into place when the
        // weights are small, as they are for the images drawn.
        uint16_t order[286];
        constexpr uint32_t kCounted = 1024;
        if (top < kCounted) {
            uint16_t start[kCounted + 1];
            std::fill(start, start + top + 2, uint16_t(0));
            for (int i = 0; i < n; ++i) start[f[i] + 1]++;
            for (uint32_t w = 1; w <= top; ++w) start[w] += start[w - 1];
            for (int i = 0; i < n; ++i) order[start[f[i]]++] = uint16_t(i);
        } else {
            uint64_t keys[286];
            for (int i = 0; i < n; ++i) keys[i] = uint64_t(f[i]) << 16 | uint64_t(i);
            std::sort(keys, keys + n);
            for (int i = 0; i < n; ++i) order[i] = uint16_t(keys[i] & 0xFFFF);
        }
        uint32_t a[286] = {};
        for (int i = 0; i < n; ++i) a[i] = f[order[i]];
        // Parents: a[k] becomes the weight of the k-th node made, and a
        // node once used as a child the index of its parent.
        a[0] += a[1];
        int root = 0, leaf = 2;
        for (int next = 1; next < n - 1; ++next) {
            if (leaf >= n || a[root] < a[leaf]) {
                a[next] = a[root];
                a[root++] = uint32_t(next);
            } else {
                a[next] = a[leaf++];
            }
            if (leaf >= n || (root < next && a[root] < a[leaf])) {
                a[next] += a[root];
                a[root++] = uint32_t(next);
            } else {
                a[next] += a[leaf++];
            }
        }
        // Depths of the inner nodes, the root last.
        a[n - 2] = 0;
        for (int next = n - 3; next >= 0; --next) a[next] = a[a[next]] + 1;
        // Depths of the leaves: at each depth the places the inner nodes
        // do not take.
        int avail = 1, taken = 0, depth = 0, next = n - 1;
        root = n - 2;
        while (avail > 0) {
            while (root >= 0 && int(a[root]) == depth) ++taken, --root;
            while (avail > taken) a[next--] = uint32_t(depth), --avail;
            avail = 2 * taken;
            ++depth;
            taken = 0;
        }
        const int deepest = int(a[0]);
        if (deepest <= limit) {
            for (int i = 0; i < n; ++i) lengths[used[order[i]]] = uint8_t(a[i]);
            return;
        }
        // Flatter weights for a shorter code: a bit of depth a halving.
        const int shift = deepest - limit + 1;
        top = 0;
        for (int i = 0; i < n; ++i) top = std::max(top, f[i] = (f[i] >> shift) | 1);
    }
}

// Canonical codes of the lengths of the `n` symbols `used` (in order),
// bit-reversed for writing least significant bit first (RFC 1951, 3.2.2).
void CanonicalCodes(const uint8_t* lengths, const uint16_t* used, int n, uint16_t* codes)
{
    int blCount[16] = {}, nextCode[16] = {};
    for (int i = 0; i < n; ++i) blCount[lengths[used[i]]]++;
    blCount[0] = 0;
    for (int bits = 1, code = 0; bits < 16; ++bits) {
        code = (code + blCount[bits - 1]) << 1;
        nextCode[bits] = code;
    }
    for (int i = 0; i < n; ++i) {
        const int len = lengths[used[i]];
        const unsigned c = unsigned(nextCode[len]++);
        codes[used[i]] = uint16_t((unsigned(kReverse[c & 0xFF]) << 8 | kReverse[c >> 8]) >> (16 - len));
    }
}

// The fixed codes (RFC 1951, 3.2.6).
struct FixedCodes {
    uint8_t litLen[288], distLen[30];
    uint16_t litCode[288] = {}, distCode[30] = {};
    FixedCodes()
    {
        uint16_t all[288];
        for (int i = 0; i < 288; ++i) {
            litLen[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
            all[i] = uint16_t(i);
        }
        std::fill(distLen, distLen + 30, 5);
        CanonicalCodes(litLen, all, 288, litCode);
        CanonicalCodes(distLen, all, 30, distCode);
    }
};
const FixedCodes kFixed;

class CBitWriter {
public:
    // Into `buffer` (grown only, so that it is not cleared again for every
    // image); `most`: an upper bound of the bytes written.
    CBitWriter(std::vector<uint8_t>& buffer, size_t most)
    {
        if (buffer.size() < most + 16) buffer.resize(most + 16);
        m_start = m_at = buffer.data();
    }
    // At most 32 bits.
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
    // The bytes written, the last one padded, appended to `out`.
    void Finish(std::vector<uint8_t>& out)
    {
        while (m_count > 0) {
            *m_at++ = uint8_t(m_bits);
            m_bits >>= 8;
            m_count -= 8;
        }
        out.insert(out.end(), m_start, m_at);
    }

private:
    uint8_t* m_start;
    uint8_t* m_at;
    uint64_t m_bits = 0;
    int m_count = 0;
};

// The symbols of a set of 286 as a bit set, listed in order.
int ListSymbols(const uint64_t* bits, int words, uint16_t* list)
{
    int n = 0;
    for (int w = 0; w < words; ++w)
        for (uint64_t b = bits[w]; b; b &= b - 1) list[n++] = uint16_t(w * 64 + std::countr_zero(b));
    return n;
}

// Sixteenths of the base-2 logarithm of `v` (at least 1).
int32_t Log2x16(uint32_t v)
{
    static constexpr uint8_t kFraction[16] = {0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 15};
    const int e = std::bit_width(v) - 1;
    const uint32_t f = e >= 4 ? (v >> (e - 4)) & 15 : (v << (4 - e)) & 15;
    return int32_t(e) * kBit + kFraction[f];
}

// Log2x16(2 * count + 1) for the counts of a small image.
struct HalfLog2Table {
    int16_t value[1024];
    HalfLog2Table()
    {
        for (uint32_t c = 0; c < 1024; ++c) value[c] = int16_t(Log2x16(2 * c + 1));
    }
    int32_t operator()(uint32_t count) const { return count < 1024 ? value[count] : Log2x16(2 * count + 1); }
};
const HalfLog2Table kHalfLog2;

} // namespace

void CRowDeflater::Reprice()
{
    // A symbol's share of the symbols so far, an unseen one as half seen.
    const int32_t litAll = Log2x16(2 * m_litTotal + 2), distAll = Log2x16(2 * m_distTotal + 2);
    constexpr int32_t kMost = 15 * kBit;
    std::fill(m_litPrice, m_litPrice + 256, std::min(litAll - kHalfLog2(0), kMost));
    for (int w = 0; w < 4; ++w)
        for (uint64_t b = m_litSeen[w]; b; b &= b - 1) {
            const int s = w * 64 + std::countr_zero(b);
            m_litPrice[s] = std::min(litAll - kHalfLog2(m_litFreq[s]), kMost);
        }
    const int32_t unseenLength = std::min(litAll - kHalfLog2(0), kMost);
    const int32_t unseenDistance = std::min(distAll - kHalfLog2(0), kMost);
    for (int c = 0; c < 29; ++c) m_lengthPrice[c] = unseenLength + kLengthExtra[c] * kBit;
    for (uint64_t b = m_litSeen[4] >> 1; b; b &= b - 1) {
        const int c = std::countr_zero(b);
        m_lengthPrice[c] = std::min(litAll - kHalfLog2(m_litFreq[257 + c]), kMost) + kLengthExtra[c] * kBit;
    }
    for (int c = 0; c < 30; ++c) m_distPrice[c] = unseenDistance + kDistExtra[c] * kBit;
    for (uint64_t b = m_distSeen; b; b &= b - 1) {
        const int c = std::countr_zero(b);
        m_distPrice[c] = std::min(distAll - kHalfLog2(m_distFreq[c]), kMost) + kDistExtra[c] * kBit;
    }
}

// The matches of one stretch of rows, with the chains filled as it goes.
struct CRowDeflater::Finder {
    const uint8_t* data;
    size_t begin, end, size;
    size_t upFrom;    // the first position with a row above
    size_t hashEnd;   // positions before it have 4 bytes to hash
    size_t searchEnd; // positions before it have a match's bytes
    uint32_t* head;
    uint32_t* prev;
    uint32_t base;
    uint32_t shift;    // from a position here to one in the whole stream
    int32_t* sums;     // literal prices summed from `begin`, known up to `summed`
    size_t summed;
    size_t inserted;   // positions before it are in the chains
    const CRowDeflater& deflater;

    // Positions up to `to` into the chains. A position links only to those
    // before it, so that the chains may be filled ahead of the search, a
    // stretch at a time, in a loop of its own.
    __attribute__((noinline)) void Insert(size_t to)
    {
        constexpr size_t kMask = kWindow - 1;
        uint32_t* const h4 = head;
        uint32_t* const p = prev;
        const uint8_t* const d = data;
        const uint32_t b = base + 1;
        size_t i = inserted;
        for (to = std::min(to, hashEnd); i < to; ++i) {
            uint32_t word;
            std::memcpy(&word, d + i, 4);
            const uint32_t h = (word * 2654435761u) >> (32 - kHashBits);
            p[i & kMask] = h4[h];
            h4[h] = b + uint32_t(i);
        }
        inserted = std::max(i, inserted);
    }

    // The literal prices summed up to `to`, likewise ahead.
    __attribute__((noinline)) void Sum(size_t to)
    {
        const int32_t* const price = deflater.m_litPrice;
        const uint8_t* const d = data;
        int32_t* const s = sums;
        size_t k = summed;
        int32_t sum = s[k];
        for (to = std::min(end, to); k < to; ++k) s[k + 1] = sum += price[d[k]];
        summed = k;
    }

    // The match at `i` that saves the most bits against literals.
    __attribute__((always_inline)) Match Search(size_t i)
    {
        constexpr size_t kMask = kWindow - 1;
        if (inserted <= i) Insert(i + 32);
        Match m;
        if (i >= searchEnd) return m;
        // Copies: the stores below could alias the members.
        const uint8_t* const data = this->data;
        const uint32_t* const prev = this->prev;
        const uint32_t base = this->base;
        const size_t begin = this->begin, end = this->end, size = this->size;
        int32_t* const sums = this->sums;
        // `i` links to the positions before it with the same four bytes.
        uint32_t candidate = i < hashEnd ? prev[i & kMask] : 0;
        const size_t most = std::min<size_t>(kMaxMatch, end - i);
        const uint8_t* const at = data + i;
        size_t best = kMinMatch - 1;
        auto weigh = [&](size_t length, uint32_t distance) __attribute__((always_inline)) {
            best = length;
            const size_t to = i + length;
            if (summed < to) Sum(to + 32);
            const int32_t gain = sums[to] - sums[i] - deflater.m_lengthPrice[kCodes.lengthCode[length]] -
                                 deflater.m_distPrice[kCodes.DistCode(distance)];
            if (gain > m.gain) m = {uint16_t(length), uint16_t(distance), gain};
        };
        // Only a longer match is of use: the byte past the best so far
        // decides first.
        // A match as long as can be ends the search: the byte past it may
        // be past the data.
        if (i > 0 && at[-1] == at[0] && at[1] == at[0] && at[2] == at[0]) {
            weigh(MatchLength(at - 1, at, most), 1);
            if (best == most) return m;
        }
        if (i >= upFrom && at[best - size] == at[best]) {
            const size_t l = MatchLength(at - size, at, most);
            if (l > best) {
                weigh(l, uint32_t(size));
                if (best == most) return m;
            }
        }
        // Candidates above `lowest` are of this image and in the window.
        const uint32_t lowest = base + (i >= kWindow ? uint32_t(i - kWindow) + 1 : 0);
        for (int k = 0; k < kChain && candidate > lowest; ++k) {
            const size_t from = candidate - base - 1;
            // Within the window the slot still holds what `from` linked.
            candidate = prev[from & kMask];
            if (data[from + best] != at[best]) continue;
            size_t limit = most;
            uint32_t distance = uint32_t(i - from);
            if (from < begin) {
                // From an earlier stretch: its own place in the stream, and
                // no further than its end.
                const Stretch* s = &deflater.m_stretches.back();
                while (s->begin > from) --s;
                distance = uint32_t(i) + shift - (uint32_t(from) + s->shift);
                if (distance > kWindow) break;
                limit = std::min<size_t>(most, s->end - from);
                if (limit <= best) continue;
            }
            const size_t l = MatchLength(data + from, at, limit);
            if (l > best) {
                weigh(l, distance);
                if (l == most) break;
            }
        }
        return m;
    }
};

void CRowDeflater::Parse(const uint8_t* data, size_t begin, size_t end, size_t size, bool above, uint32_t virt)
{
    if (m_sums.size() < end - begin + 1) m_sums.resize(end - begin + 1);
    Finder f{data,
             begin,
             end,
             size,
             size > kWindow ? SIZE_MAX : above ? begin : begin + size, // a row up is too far for longer rows
             end - std::min<size_t>(end, 3),
             end - std::min<size_t>(end, 2),
             m_head.data(),
             m_prev.data(),
             m_base,
             virt - uint32_t(begin),
             m_sums.data() - begin,
             begin,
             begin,
             *this};
    f.sums[begin] = 0;
    // Locals, not members, in the loop: stores through them could
    // otherwise alias the members and reload them at every token.
    Token* out = m_tokens.data() + m_tokenCount;
    uint32_t* const litFreq = m_litFreq;
    int32_t unpriced = int32_t(m_unpriced);
    auto count = [&](int32_t tokens) __attribute__((always_inline)) {
        unpriced -= tokens;
        if (unpriced <= 0) {
            Reprice();
            unpriced = int32_t(m_litTotal);
        }
    };
    auto literal = [&](uint8_t byte) __attribute__((always_inline)) {
        *out++ = {0, byte};
        litFreq[byte]++;
        m_litSeen[byte >> 6] |= uint64_t(1) << (byte & 63);
        m_litTotal++;
    };
    // The matches one and two bytes on, searched ahead, so that no
    // position is searched twice.
    size_t nextAt = SIZE_MAX;
    Match next, after;
    Match here = f.Search(begin);
    for (size_t i = begin; i < end;) {
        if (!here.length) {
            literal(data[i]);
            count(1);
            if (++i < end) here = nextAt == i ? next : f.Search(i);
            continue;
        }
        if (here.length < kLookBelow && i + 2 < end) {
            if (nextAt != i + 1) next = f.Search(i + 1);
            after = f.Search(i + 2);
            if (next.length && next.gain > here.gain + kDeferMargin && next.gain >= after.gain) {
                literal(data[i]);
                count(1);
                ++i;
                here = next;
                next = after;
                nextAt = i + 1;
                continue;
            }
            if (after.length && after.gain > here.gain + 2 * kDeferMargin && after.gain > next.gain) {
                literal(data[i]);
                literal(data[i + 1]);
                count(2);
                i += 2;
                here = after;
                continue;
            }
        }
        *out++ = {here.length, here.distance};
        const unsigned l = 257u + kCodes.lengthCode[here.length], d = unsigned(kCodes.DistCode(here.distance));
        litFreq[l]++;
        m_litSeen[l >> 6] |= uint64_t(1) << (l & 63);
        m_litTotal++;
        m_distFreq[d]++;
        m_distSeen |= uint64_t(1) << d;
        m_distTotal++;
        count(1);
        i += here.length;
        if (i < end) here = f.Search(i);
    }
    f.Insert(f.hashEnd);
    m_unpriced = uint32_t(unpriced);
    m_tokenCount = size_t(out - m_tokens.data());
    m_stretches.push_back({begin, end, f.shift});
}

void CRowDeflater::Repeat(size_t length, size_t distance)
{
    // Copies of at most 258 bytes; none shorter than 3, so a remainder of 1
    // or 2 borrows from the copy before it. They say nothing of how the
    // distinct rows are best coded: the prices leave them out.
    const unsigned d = unsigned(kCodes.DistCode(unsigned(distance)));
    while (length > 0) {
        size_t l = std::min<size_t>(kMaxMatch, length);
        if (length > l && length - l < size_t(kMinMatch)) l = length - kMinMatch;
        m_tokens[m_tokenCount++] = {uint16_t(l), uint16_t(distance)};
        m_repeatLength[kCodes.lengthCode[l]]++;
        m_repeatDistance[d]++;
        length -= l;
    }
}

void CRowDeflater::Deflate(const uint8_t* data, const std::vector<RowSpan>& rows, std::vector<uint8_t>& out)
{
    size_t stored = 0, repeated = 0; // bytes in `data`, and of the repeats
    for (const RowSpan& r : rows) (r.repeat ? repeated : stored) += size_t(r.size) * r.count;
    if (m_head.empty() || uint64_t(m_base) + m_lastSize + stored + 2 >= uint64_t(UINT32_MAX)) {
        m_head.assign(size_t(1) << kHashBits, 0);
        m_prev.assign(kWindow, 0);
        m_base = 0;
    } else {
        m_base += uint32_t(m_lastSize + 1);
    }
    m_lastSize = stored;

    // At most a token a stored byte, and one a copy of repeated rows.
    const size_t most = stored + repeated / (kMaxMatch - kMinMatch) + rows.size() + 1;
    if (m_tokens.size() < most) m_tokens.resize(most);
    m_tokenCount = 0;
    m_stretches.clear();
    std::memset(m_litFreq, 0, sizeof m_litFreq);
    std::memset(m_distFreq, 0, sizeof m_distFreq);
    std::memset(m_litSeen, 0, sizeof m_litSeen);
    std::memset(m_repeatLength, 0, sizeof m_repeatLength);
    std::memset(m_repeatDistance, 0, sizeof m_repeatDistance);
    m_distSeen = 0;
    m_litTotal = m_distTotal = 0;
    m_unpriced = kFirstReprice;
    // Until symbols are counted: literals of many values, short codes for
    // lengths and distances.
    std::fill(m_litPrice, m_litPrice + 256, 6 * kBit);
    for (int c = 0; c < 29; ++c) m_lengthPrice[c] = (4 + kLengthExtra[c]) * kBit;
    for (int c = 0; c < 30; ++c) m_distPrice[c] = (5 + kDistExtra[c]) * kBit;
    size_t at = 0, virt = 0;
    for (size_t r = 0; r < rows.size(); ++r) {
        const size_t size = rows[r].size, bytes = size * rows[r].count;
        if (rows[r].repeat) {
            // The whole run of repeated rows in one go.
            Repeat(bytes, size);
        } else {
            // A stretch of distinct rows, which may look a row up into the
            // row before it when that one is as long.
            Parse(data, at, at + bytes, size, r > 0 && rows[r - 1].size == size, uint32_t(virt));
            at += bytes;
        }
        virt += bytes;
    }

    // The copies counted in; the symbols used; both trees want two codes at
    // least to be complete.
    for (int c = 0; c < 29; ++c)
        if (m_repeatLength[c]) {
            m_litFreq[257 + c] += m_repeatLength[c];
            m_litSeen[(257 + c) >> 6] |= uint64_t(1) << ((257 + c) & 63);
        }
    for (int c = 0; c < 30; ++c)
        if (m_repeatDistance[c]) {
            m_distFreq[c] += m_repeatDistance[c];
            m_distSeen |= uint64_t(1) << c;
        }
    m_litFreq[256] = 1;
    m_litSeen[4] |= 1;
    while (std::popcount(m_distSeen) < 2) {
        const unsigned d = unsigned(std::countr_one(m_distSeen));
        m_distFreq[d] = 1;
        m_distSeen |= uint64_t(1) << d;
    }
    m_litCount = ListSymbols(m_litSeen, 5, m_litUsed);
    m_distCount = ListSymbols(&m_distSeen, 1, m_distUsed);

    uint8_t litLen[286] = {}, distLen[30] = {};
    HuffmanLengths(m_litFreq, m_litUsed, m_litCount, 15, litLen);
    HuffmanLengths(m_distFreq, m_distUsed, m_distCount, 15, distLen);
    uint16_t litCode[286], distCode[30];
    CanonicalCodes(litLen, m_litUsed, m_litCount, litCode);
    CanonicalCodes(distLen, m_distUsed, m_distCount, distCode);

    const int hlit = std::max(257, m_litUsed[m_litCount - 1] + 1);
    const int hdist = m_distUsed[m_distCount - 1] + 1;
    // The code lengths, run-length coded with symbols 16, 17 and 18: runs
    // of zeros are the gaps between the symbols used.
    struct ClToken {
        uint8_t symbol, extra;
    };
    ClToken cl[286 + 30];
    int clCount = 0;
    auto zeros = [&](int left) {
        while (left >= 11) {
            const int n = std::min(138, left);
            cl[clCount++] = {18, uint8_t(n - 11)};
            left -= n;
        }
        if (left >= 3) {
            cl[clCount++] = {17, uint8_t(left - 3)};
            left = 0;
        }
        while (left-- > 0) cl[clCount++] = {0, 0};
    };
    auto same = [&](uint8_t len, int left) {
        cl[clCount++] = {len, 0};
        --left;
        while (left >= 3) {
            const int n = std::min(6, left);
            cl[clCount++] = {16, uint8_t(n - 3)};
            left -= n;
        }
        while (left-- > 0) cl[clCount++] = {len, 0};
    };
    // Both alphabets as one sequence of (position, length).
    auto runs = [&](const uint16_t* used, int count, const uint8_t* lengths, int offset, int& next) {
        for (int i = 0; i < count;) {
            const int at = offset + used[i];
            if (at > next) zeros(at - next);
            const uint8_t len = lengths[used[i]];
            int run = 1;
            while (i + run < count && used[i + run] == used[i] + run && lengths[used[i + run]] == len) ++run;
            same(len, run);
            i += run;
            next = at + run;
        }
    };
    int next = 0;
    runs(m_litUsed, m_litCount, litLen, 0, next);
    if (next < hlit) zeros(hlit - next);
    next = hlit;
    runs(m_distUsed, m_distCount, distLen, hlit, next);
    uint32_t clFreq[19] = {};
    uint64_t clBits = 0;
    for (int i = 0; i < clCount; ++i) {
        clFreq[cl[i].symbol]++;
        clBits |= uint64_t(1) << cl[i].symbol;
    }
    if (std::popcount(clBits) < 2) {
        // Decoders want this code complete: two symbols at least.
        const unsigned s = unsigned(std::countr_one(clBits));
        clFreq[s] = 1;
        clBits |= uint64_t(1) << s;
    }
    uint16_t clUsed[19];
    const int clUsedCount = ListSymbols(&clBits, 1, clUsed);
    uint8_t clLen[19] = {};
    uint16_t clCode[19] = {};
    HuffmanLengths(clFreq, clUsed, clUsedCount, 7, clLen);
    CanonicalCodes(clLen, clUsed, clUsedCount, clCode);
    int hclen = 19;
    while (hclen > 4 && !clLen[kClOrder[hclen - 1]]) --hclen;

    // The block with the fixed codes when it comes out shorter (small
    // images: the code tables would cost more than they save).
    uint64_t dynamicBits = 3 + 14 + 3 * uint64_t(hclen), fixedBits = 3;
    for (int i = 0; i < clCount; ++i) {
        const uint8_t s = cl[i].symbol;
        dynamicBits += clLen[s] + (s == 16 ? 2 : s == 17 ? 3 : s == 18 ? 7 : 0);
    }
    for (int i = 0; i < m_litCount; ++i) {
        const int s = m_litUsed[i];
        dynamicBits += uint64_t(m_litFreq[s]) * litLen[s];
        fixedBits += uint64_t(m_litFreq[s]) * kFixed.litLen[s];
    }
    for (int i = 0; i < m_distCount; ++i) {
        const int s = m_distUsed[i];
        dynamicBits += uint64_t(m_distFreq[s]) * distLen[s];
        fixedBits += uint64_t(m_distFreq[s]) * 5;
    }
    const bool fixed = fixedBits <= dynamicBits;

    // A token takes 48 bits at most, the header less than 300 bytes.
    CBitWriter w(m_packed, 512 + m_tokenCount * 6);
    if (fixed) {
        w.Put(1 | 1 << 1, 3); // the final block, fixed Huffman codes
    } else {
        w.Put(1 | 2 << 1, 3); // the final block, dynamic Huffman codes
        w.Put(uint32_t(hlit - 257) | uint32_t(hdist - 1) << 5 | uint32_t(hclen - 4) << 10, 14);
        for (int i = 0; i < hclen; ++i) w.Put(clLen[kClOrder[i]], 3);
        for (int i = 0; i < clCount; ++i) {
            const ClToken& t = cl[i];
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
    for (const Token* p = m_tokens.data(); p != m_tokens.data() + m_tokenCount; ++p) {
        const Token& t = *p;
        if (!t.length) {
            w.Put(lc[t.distance], ll[t.distance]);
            continue;
        }
        const int c = kCodes.lengthCode[t.length];
        w.Put(lc[257 + c] | uint32_t(t.length - kLengthBase[c]) << ll[257 + c], ll[257 + c] + kLengthExtra[c]);
        const int d = kCodes.DistCode(t.distance);
        w.Put(dcs[d] | uint32_t(t.distance - kDistBase[d]) << dl[d], dl[d] + kDistExtra[d]);
    }
    w.Put(lc[256], ll[256]);
    w.Finish(out);
}

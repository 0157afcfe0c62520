// Test helpers for the EAN/UPC family: the published character sets, the
// module strings a symbol must show, and reading the bars recorded on the
// metafile surface back into modules.
#pragma once

#include <string>
#include <vector>

#include "platform/gdi/metafile.h"

namespace ean_test {

// ISO/IEC 15420 character sets, first module first.
inline const char* const kSetL[10] = {"0001101", "0011001", "0010011", "0111101", "0100011",
                                      "0110001", "0101111", "0111011", "0110111", "0001011"};
inline const char* const kSetG[10] = {"0100111", "0110011", "0011011", "0100001", "0011101",
                                      "0111001", "0000101", "0010001", "0001001", "0010111"};
inline const char* const kSetR[10] = {"1110010", "1100110", "1101100", "1000010", "1011100",
                                      "1001110", "1010000", "1000100", "1001000", "1110100"};
// EAN 13: sets of the six left digits by the leading digit.
inline const char* const kLeadingParity[10] = {"LLLLLL", "LLGLGG", "LLGGLG", "LLGGGL", "LGLLGG",
                                               "LGGLLG", "LGGGLL", "LGLGLG", "LGLGGL", "LGGLGL"};

// A module string uses '0' for a light module, 'd' for a data bar module
// and 'g' for a guard (tall) bar module.
inline std::string Mark(const std::string& bits, char dark)
{
    std::string out = bits;
    for (char& c : out) c = c == '1' ? dark : '0';
    return out;
}

inline std::string Digit(const char* const set[10], char digit, char dark = 'd')
{
    return Mark(set[digit - '0'], dark);
}

// Expected modules of a full 13-digit EAN 13 on its 107-module grid.
inline std::string Ean13Modules(const std::string& d)
{
    std::string s(8, '0');
    s += Mark("101", 'g');
    const char* parity = kLeadingParity[d[0] - '0'];
    for (int i = 1; i <= 6; ++i) s += Digit(parity[i - 1] == 'G' ? kSetG : kSetL, d[size_t(i)]);
    s += Mark("01010", 'g');
    for (int i = 7; i <= 12; ++i) s += Digit(kSetR, d[size_t(i)]);
    s += Mark("101", 'g');
    return s + std::string(4, '0');
}

inline std::string Ean8Modules(const std::string& d)
{
    std::string s = Mark("101", 'g');
    for (int i = 0; i < 4; ++i) s += Digit(kSetL, d[size_t(i)]);
    s += Mark("01010", 'g');
    for (int i = 4; i < 8; ++i) s += Digit(kSetR, d[size_t(i)]);
    return s + Mark("101", 'g');
}

inline std::string UpcAModules(const std::string& d)
{
    std::string s(9, '0');
    s += Mark("101", 'g');
    s += Digit(kSetL, d[0], 'g');
    for (int i = 1; i < 6; ++i) s += Digit(kSetL, d[size_t(i)]);
    s += Mark("01010", 'g');
    for (int i = 6; i < 11; ++i) s += Digit(kSetR, d[size_t(i)]);
    s += Digit(kSetR, d[11], 'g');
    s += Mark("101", 'g');
    return s + std::string(5, '0');
}

// Add-ons: every bar is a data bar ('d'); the grid adds quiet modules.
inline std::string AddOnModules(const std::string& d, const std::string& parity, size_t grid)
{
    std::string s = Mark("1011", 'd');
    for (size_t i = 0; i < d.size(); ++i) {
        if (i) s += Mark("01", 'd');
        s += Digit(parity[i] == 'G' ? kSetG : kSetL, d[i]);
    }
    return s + std::string(grid - s.size(), '0');
}

// UPC E, number system 0, from the six digits and the parity word
// (E = set G, O = set L): 101, six digits, 010101.
inline std::string UpcEModules(const std::string& six, const std::string& parity)
{
    std::string s = Mark("101", 'g');
    for (size_t i = 0; i < 6; ++i) s += Digit(parity[i] == 'E' ? kSetG : kSetL, six[i]);
    return s + Mark("010101", 'g');
}

// One position along the bar axis: covered by a bar or not, and for a bar
// how far it stops short of the area's leading edge and of its text edge.
struct Cover {
    bool dark = false;
    int lead = 0;
    int text = 0;
    bool operator==(const Cover&) const = default;
};

// Reads the Rectangle records back into positions along the bar axis of
// `area` at `rotate` (offset 0 at the axis start). Positions outside the
// area along the axis are collected in `outside`.
inline std::vector<Cover> AxisCoverage(const std::vector<MetaRecord>& records, const RECT& area, int rotate,
                                       int* outside = nullptr)
{
    const bool vertical = rotate == 90 || rotate == 270;
    const int length = vertical ? area.bottom - area.top : area.right - area.left;
    std::vector<Cover> cover(static_cast<size_t>(length));
    if (outside) *outside = 0;
    for (const MetaRecord& r : records) {
        if (r.kind != MetaRecord::Rectangle) continue;
        Cover c{true, 0, 0};
        int from, to; // pixel range along x or y, [from, to)
        switch (rotate) {
        case 90: c = {true, area.right - r.rect.right, r.rect.left - area.left}; from = r.rect.top; to = r.rect.bottom; break;
        case 180: c = {true, area.bottom - r.rect.bottom, r.rect.top - area.top}; from = r.rect.left; to = r.rect.right; break;
        case 270: c = {true, r.rect.left - area.left, area.right - r.rect.right}; from = r.rect.top; to = r.rect.bottom; break;
        default: c = {true, r.rect.top - area.top, area.bottom - r.rect.bottom}; from = r.rect.left; to = r.rect.right; break;
        }
        for (int p = from; p < to; ++p) {
            int offset;
            switch (rotate) {
            case 90: offset = p - area.top; break;
            case 180: offset = area.right - 2 - p; break; // the one-unit shift of FillStrip
            case 270: offset = area.bottom - 2 - p; break;
            default: offset = p - area.left; break;
            }
            if (offset < 0 || offset >= length) {
                if (outside) ++*outside;
                continue;
            }
            cover[size_t(offset)] = c;
        }
    }
    return cover;
}

// Compares coverage from `start` on with a module string at module width
// `m`; 'd' bars must stop `dataText` short of the text edge, 'g' bars
// `guardText`; both `lead` short of the leading edge. Returns "" when it
// matches, else a description of the first mismatch. Every position of
// the coverage outside [start, start + modules.size() * m) must be light.
inline std::string CompareModules(const std::vector<Cover>& cover, int start, int m, const std::string& modules,
                                  int lead, int dataText, int guardText)
{
    for (size_t p = 0; p < cover.size(); ++p) {
        const int offset = int(p) - start;
        const size_t k = offset < 0 ? modules.size() : size_t(offset / m);
        const char want = k < modules.size() ? modules[k] : '0';
        Cover expected;
        if (want != '0') expected = {true, lead, want == 'g' ? guardText : dataText};
        if (!(cover[p] == expected)) {
            return "position " + std::to_string(p) + " (module " + std::to_string(offset < 0 ? -1 : offset / m) +
                   "): want '" + want + "' lead " + std::to_string(expected.lead) + " text " +
                   std::to_string(expected.text) + ", got dark " + std::to_string(cover[p].dark) + " lead " +
                   std::to_string(cover[p].lead) + " text " + std::to_string(cover[p].text);
        }
    }
    return "";
}

} // namespace ean_test

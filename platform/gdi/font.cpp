// Logical fonts on fontconfig and FreeType. A face is looked up once per
// (face name, weight, italic) and loaded once per font file; its metric
// tables and the advance widths of the 256 Windows-1252 characters are read
// at load time, so measuring text never touches FreeType again and needs no
// lock beyond the cache look-up. Rendering goes through a cairo font face
// made from the same FreeType face (cairo serialises its own use of it).
#include "platform/gdi/font.h"

#include <cairo-ft.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <numbers>
#include <unordered_map>

namespace {

constexpr int kDefaultPpem = 16;  // lfHeight 0: the platform's default size
constexpr int kMaxPpem = 16384;   // beyond this no surface could show it anyway

// One loaded font file, with everything the metric rules need in font units.
struct FontFace {
    FT_Face ft = nullptr;
    std::string family;
    int upem = 2048;
    int winAscent = 0, winDescent = 0;
    int lineGap = 0, hheaAscent = 0, hheaDescent = 0;
    int avgCharWidth = 0, maxAdvance = 0;
    int weight = FW_NORMAL;
    bool italic = false;
    int underlinePos = 0, underlineSize = 0;
    int strikePos = 0, strikeSize = 0;
    uint32_t glyph[256] = {};
    int advance[256] = {};
    cairo_font_face_t* cairo[4] = {}; // indexed by synthesis: 1 bold, 2 oblique
};

// A request resolved: the face and what has to be synthesised on it.
struct Resolved {
    FontFace* face = nullptr;
    int synth = 0;
};

class FontCache;
FontCache& Cache();

class FontCache {
public:
    Resolved Resolve(const LOGFONT& font)
    {
        const int weight = font.lfWeight <= 0 ? FW_NORMAL : std::min(font.lfWeight, 1000);
        // A thread draws text after text in one font: the last answer is
        // kept without a key to build or a lock to take.
        struct CLast {
            bool known = false;
            decltype(font.lfFaceName) face{};
            int weight = 0;
            bool italic = false;
            Resolved r;
        };
        thread_local CLast last;
        if (last.known && last.weight == weight && last.italic == (font.lfItalic != 0) && last.face == font.lfFaceName)
            return last.r;
        const Resolved r = ResolveLocked(font, weight);
        last = {true, font.lfFaceName, weight, font.lfItalic != 0, r};
        return r;
    }

    cairo_font_face_t* CairoFace(const Resolved& r)
    {
        if (!r.face) return nullptr;
        // The face made once is kept as long as the process runs.
        thread_local Resolved lastFor;
        thread_local cairo_font_face_t* last = nullptr;
        if (last && lastFor.face == r.face && lastFor.synth == r.synth) return last;
        last = CairoFaceLocked(r);
        lastFor = r;
        return last;
    }

private:
    Resolved ResolveLocked(const LOGFONT& font, int weight)
    {
        std::string key;
        for (char c : font.lfFaceName) key += char(std::tolower(static_cast<unsigned char>(c)));
        key += '|' + std::to_string(weight) + (font.lfItalic ? "|i" : "|r");

        std::lock_guard lock(m_mutex);
        if (auto it = m_byRequest.find(key); it != m_byRequest.end()) return it->second;
        Resolved r = Match(font.lfFaceName, weight, font.lfItalic != 0);
        m_byRequest.emplace(key, r);
        return r;
    }

    cairo_font_face_t* CairoFaceLocked(const Resolved& r)
    {
        std::lock_guard lock(m_mutex);
        cairo_font_face_t*& cf = r.face->cairo[r.synth];
        if (!cf) {
            cf = cairo_ft_font_face_create_for_ft_face(r.face->ft, 0);
            unsigned flags = 0;
            if (r.synth & 1) flags |= CAIRO_FT_SYNTHESIZE_BOLD;
            if (r.synth & 2) flags |= CAIRO_FT_SYNTHESIZE_OBLIQUE;
            if (flags) cairo_ft_font_face_set_synthesize(cf, flags);
        }
        return cf;
    }

    // Releases the font configuration at exit; later look-ups find nothing.
    void Shutdown()
    {
        std::lock_guard lock(m_mutex);
        if (m_config) FcConfigDestroy(m_config);
        m_config = nullptr;
        m_shutDown = true;
    }

private:
    Resolved Match(const std::string& name, int weight, bool italic)
    {
        // A configuration of our own, so that it can be released at exit
        // without disturbing other users of fontconfig in the process.
        if (!m_config && !m_shutDown) {
            m_config = FcInitLoadConfigAndFonts();
            if (m_config) std::atexit([] { Cache().Shutdown(); });
        }
        if (!m_config) return {};
        FcPattern* pat = FcPatternCreate();
        if (!pat) return {};
        FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
        FcPatternAddInteger(pat, FC_WEIGHT, FcWeightFromOpenType(weight));
        FcPatternAddInteger(pat, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
        FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
        FcConfigSubstitute(m_config, pat, FcMatchPattern);
        FcDefaultSubstitute(pat);
        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(m_config, pat, &result);
        FcPatternDestroy(pat);
        if (!match) return {};
        FcChar8* file = nullptr;
        int index = 0;
        Resolved r;
        if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
            FcPatternGetInteger(match, FC_INDEX, 0, &index);
            r.face = Load(reinterpret_cast<const char*>(file), index);
        }
        FcPatternDestroy(match);
        if (r.face) {
            if (weight >= 600 && r.face->weight < 600) r.synth |= 1;
            if (italic && !r.face->italic) r.synth |= 2;
        }
        return r;
    }

    FontFace* Load(const std::string& file, int index)
    {
        const std::string key = file + '#' + std::to_string(index);
        if (auto it = m_byFile.find(key); it != m_byFile.end()) return it->second.get();
        if (!m_ft && FT_Init_FreeType(&m_ft) != 0) return nullptr;
        FT_Face ft = nullptr;
        if (FT_New_Face(m_ft, file.c_str(), index, &ft) != 0) return nullptr;
        if (!FT_IS_SCALABLE(ft) || ft->units_per_EM == 0) {
            FT_Done_Face(ft);
            return nullptr;
        }
        auto face = std::make_unique<FontFace>();
        face->ft = ft;
        face->family = ft->family_name ? ft->family_name : "";
        face->upem = ft->units_per_EM;
        face->hheaAscent = ft->ascender;
        face->hheaDescent = ft->descender;
        face->lineGap = ft->height - (ft->ascender - ft->descender);
        face->maxAdvance = ft->max_advance_width;
        face->underlinePos = ft->underline_position;
        face->underlineSize = ft->underline_thickness;
        face->italic = (ft->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
        face->weight = (ft->style_flags & FT_STYLE_FLAG_BOLD) ? FW_BOLD : FW_NORMAL;
        if (auto* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(ft, FT_SFNT_HHEA)))
            face->lineGap = hhea->Line_Gap;
        if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(ft, FT_SFNT_OS2)); os2 && os2->version != 0xFFFF) {
            face->winAscent = os2->usWinAscent;
            face->winDescent = os2->usWinDescent;
            face->avgCharWidth = os2->xAvgCharWidth;
            face->weight = os2->usWeightClass;
            face->strikePos = os2->yStrikeoutPosition;
            face->strikeSize = os2->yStrikeoutSize;
        } else {
            // No OS/2 table: the horizontal header stands in for it.
            face->winAscent = ft->ascender;
            face->winDescent = -ft->descender;
            face->strikePos = face->upem * 3 / 10;
            face->strikeSize = face->underlineSize;
        }
        if (face->winAscent + face->winDescent <= 0) {
            face->winAscent = face->upem * 9 / 10;
            face->winDescent = face->upem - face->winAscent;
        }
        for (int b = 0; b < 256; ++b) {
            face->glyph[b] = FT_Get_Char_Index(ft, Cp1252ToUnicode(static_cast<unsigned char>(b)));
            FT_Fixed adv = 0;
            if (FT_Get_Advance(ft, face->glyph[b], FT_LOAD_NO_SCALE, &adv) == 0) face->advance[b] = int(adv);
        }
        if (face->avgCharWidth <= 0) face->avgCharWidth = face->advance[static_cast<unsigned char>('x')];
        FontFace* raw = face.get();
        m_byFile.emplace(key, std::move(face));
        return raw;
    }

    std::mutex m_mutex;
    FcConfig* m_config = nullptr;
    bool m_shutDown = false;
    FT_Library m_ft = nullptr;
    std::unordered_map<std::string, Resolved> m_byRequest;
    std::map<std::string, std::unique_ptr<FontFace>> m_byFile;
};


// Lives for the whole process: faces handed to cairo must outlive every
// surface, including those destroyed by other threads at exit.
FontCache& Cache()
{
    static FontCache* cache = new FontCache;
    return *cache;
}

int Scale(long units, double ppem, int upem) { return int(std::lround(double(units) * ppem / upem)); }

// Pixels per em: whole for a character height, fractional for a cell
// height (the em scaled so that ascent and descent fill the cell).
double PixelsPerEm(const LOGFONT& font, const FontFace* face)
{
    const int64_t h = font.lfHeight;
    if (h == 0) return kDefaultPpem;
    if (h < 0) return double(std::clamp<int64_t>(-h, 1, kMaxPpem));
    const int64_t cell = std::clamp<int64_t>(h, 1, kMaxPpem);
    if (!face) return double(cell);
    return double(cell) * face->upem / (face->winAscent + face->winDescent);
}

TEXTMETRIC Metrics(const LOGFONT& font, const FontFace* face, double ppem)
{
    TEXTMETRIC tm;
    if (face) {
        const int upem = face->upem;
        tm.tmAscent = Scale(face->winAscent, ppem, upem);
        tm.tmDescent = Scale(face->winDescent, ppem, upem);
        // Rounding both may overshoot a requested cell height by one.
        if (font.lfHeight > 0 && tm.tmAscent + tm.tmDescent > font.lfHeight)
            tm.tmDescent = std::max(0, font.lfHeight - tm.tmAscent);
        const int winSpan = face->winAscent + face->winDescent;
        const int hheaSpan = face->hheaAscent - face->hheaDescent;
        tm.tmExternalLeading = std::max(0, Scale(face->lineGap - (winSpan - hheaSpan), ppem, upem));
        tm.tmAveCharWidth = Scale(face->avgCharWidth, ppem, upem);
        tm.tmMaxCharWidth = Scale(face->maxAdvance, ppem, upem);
    } else {
        // No face at all: proportions of a common sans-serif.
        tm.tmAscent = int(std::lround(ppem * 0.905));
        tm.tmDescent = int(std::lround(ppem * 0.212));
        tm.tmAveCharWidth = int(std::lround(ppem / 2));
        tm.tmMaxCharWidth = int(std::lround(ppem));
    }
    tm.tmHeight = tm.tmAscent + tm.tmDescent;
    tm.tmInternalLeading = std::max(0, tm.tmHeight - int(std::lround(ppem)));
    tm.tmWeight = font.lfWeight <= 0 ? FW_NORMAL : font.lfWeight;
    tm.tmItalic = font.lfItalic ? 1 : 0;
    tm.tmUnderlined = font.lfUnderline ? 1 : 0;
    tm.tmStruckOut = font.lfStrikeOut ? 1 : 0;
    return tm;
}

int Advance(const FontFace* face, unsigned char b, double ppem)
{
    return face ? Scale(face->advance[b], ppem, face->upem) : int(std::lround(ppem * 0.556));
}

} // namespace

TEXTMETRIC GetFontMetrics(const LOGFONT& font)
{
    const Resolved r = Cache().Resolve(font);
    return Metrics(font, r.face, PixelsPerEm(font, r.face));
}

SIZE GetFontTextExtent(const LOGFONT& font, const std::string& text)
{
    const Resolved r = Cache().Resolve(font);
    const double ppem = PixelsPerEm(font, r.face);
    int64_t width = 0;
    for (unsigned char b : text) width += Advance(r.face, b, ppem);
    return {int32_t(std::min<int64_t>(width, INT32_MAX)), Metrics(font, r.face, ppem).tmHeight};
}

std::string GetResolvedFamily(const LOGFONT& font)
{
    const Resolved r = Cache().Resolve(font);
    return r.face ? r.face->family : std::string();
}

void TextLayout::ToSurface(double u, double v, double& x, double& y) const
{
    const double c = std::cos(angle), s = std::sin(angle);
    // Quarter turns are exact so that cells land on whole pixels.
    const double cr = std::abs(c) < 1e-12 ? 0 : c, sr = std::abs(s) < 1e-12 ? 0 : s;
    x = ref.x + u * cr + v * sr;
    y = ref.y - u * sr + v * cr;
}

TextLayout LayoutText(const LOGFONT& font, UINT align, int x, int y, const std::string& text)
{
    const Resolved r = Cache().Resolve(font);
    const FontFace* face = r.face;
    const double ppem = PixelsPerEm(font, face);
    const TEXTMETRIC tm = Metrics(font, face, ppem);

    TextLayout L;
    L.angle = (font.lfEscapement % 3600) * std::numbers::pi / 1800.0;
    L.ref = {x, y};
    L.ppem = ppem;
    L.height = tm.tmHeight;
    L.ascent = tm.tmAscent;

    int pen = 0;
    L.glyphX.reserve(text.size());
    for (unsigned char b : text) {
        L.glyphX.push_back(pen);
        pen += Advance(face, b, ppem);
        if (face) L.glyphs.push_back(face->glyph[b]);
    }
    L.width = pen;

    // TA_CENTER and TA_BASELINE share bits with TA_RIGHT and TA_BOTTOM.
    if ((align & TA_CENTER) == TA_CENTER) L.left = -(L.width / 2);
    else if (align & TA_RIGHT) L.left = -L.width;
    if ((align & TA_BASELINE) == TA_BASELINE) L.top = -L.ascent;
    else if (align & TA_BOTTOM) L.top = -L.height;
    L.baseline = L.top + L.ascent;
    for (int& gx : L.glyphX) gx += L.left;

    const int upem = face ? face->upem : 2048;
    if (font.lfUnderline) {
        L.underlineSize = std::max(1, Scale(face ? face->underlineSize : 150, ppem, upem));
        L.underlineTop = L.baseline - Scale(face ? face->underlinePos : -217, ppem, upem) - L.underlineSize / 2;
        // Keep the line inside the cell, as the platform does for small sizes.
        L.underlineTop = std::min(L.underlineTop, L.top + L.height - L.underlineSize);
    }
    if (font.lfStrikeOut) {
        L.strikeSize = std::max(1, Scale(face ? face->strikeSize : 150, ppem, upem));
        L.strikeTop = L.baseline - Scale(face ? face->strikePos : 530, ppem, upem);
    }
    if (face && !L.glyphs.empty()) L.cairoFace = Cache().CairoFace(r);
    if (!L.cairoFace) L.glyphs.clear();
    return L;
}

#include "server/params.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <set>

#include "cli/options.h"

namespace tessaline_server {
namespace {

using tessaline::RenderOptions;

std::string Lower(std::string s)
{
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::optional<bool> ParseBool(const std::string& value)
{
    const std::string v = Lower(value);
    // A bare flag ("?notext") switches it on.
    if (v.empty() || v == "1" || v == "true" || v == "on" || v == "yes") return true;
    if (v == "0" || v == "false" || v == "off" || v == "no") return false;
    return std::nullopt;
}

std::optional<double> ParseNumber(const std::string& s)
{
    double v = 0;
    const char* end = s.data() + s.size();
    auto [p, ec] = std::from_chars(s.data(), end, v);
    if (s.empty() || ec != std::errc() || p != end || !std::isfinite(v)) return std::nullopt;
    return v;
}

// Every parameter's value after parsing, before the cross checks.
struct Collected {
    BarcodeRequest request;
    std::optional<std::string> type;
    std::optional<int> width, height;   // "width" and "height" as integers
    std::optional<std::string> heightText;
    bool sizeGiven = false;
    bool showTextGiven = false, noTextGiven = false;
};

// A setter: fills `c` from `value`, or returns the reason it is malformed.
using Setter = std::string (*)(Collected& c, const std::string& value);

std::string IntIn(const std::string& value, int lo, int hi, int& out, const char* what)
{
    const auto v = ParseInt(value);
    if (!v || *v < lo || *v > hi)
        return std::string(what) + " wants " + std::to_string(lo) + " to " + std::to_string(hi) + ": \"" + value +
               "\"";
    out = *v;
    return {};
}

std::string Flag(const std::string& value, bool& out, const char* name)
{
    const auto b = ParseBool(value);
    if (!b) return std::string(name) + " wants on or off (1/0, true/false): \"" + value + "\"";
    out = *b;
    return {};
}

std::string Color(const std::string& value, uint32_t& out, const char* name)
{
    const auto c = ParseColor(value);
    if (!c) return std::string(name) + " wants a colour, RRGGBB or #RRGGBB: \"" + value + "\"";
    out = (uint32_t(GetRValue(*c)) << 16) | (uint32_t(GetGValue(*c)) << 8) | GetBValue(*c);
    return {};
}

// Bar height in modules, or in millimetres with "mm" ("15mm").
std::string BarHeight(Collected& c, const std::string& value)
{
    std::string number = Lower(value);
    const bool mm = number.size() > 2 && number.compare(number.size() - 2, 2, "mm") == 0;
    if (mm) number.resize(number.size() - 2);
    const auto h = ParseNumber(number);
    if (!h || !(*h > 0) || *h > 10000)
        return "the bar height wants modules, or millimetres with \"mm\" (15mm): \"" + value + "\"";
    RenderOptions& o = c.request.options;
    (mm ? o.barHeightMm : o.barHeight) = *h;
    (mm ? o.barHeight : o.barHeightMm) = 0;
    return {};
}

struct ParamRow {
    const char* name;
    Setter set;
};

// The parameters of /barcode and /info, after the command's options.
constexpr ParamRow kParams[] = {
    {"type", [](Collected& c, const std::string& v) -> std::string { c.type = v; return {}; }},
    {"text", [](Collected& c, const std::string& v) -> std::string { c.request.text = v; return {}; }},
    {"format",
     [](Collected& c, const std::string& v) -> std::string {
         const auto f = tessaline::FormatFromName(v);
         if (!f) return "format wants png, svg, pdf, eps, jpg or bmp: \"" + v + "\"";
         c.request.format = *f;
         return {};
     }},
    {"size",
     [](Collected& c, const std::string& v) -> std::string {
         const auto wh = ParsePair(Lower(v), 'x');
         if (!wh || wh->first < 1 || wh->second < 1) return "size wants WIDTHxHEIGHT in pixels: \"" + v + "\"";
         c.width = wh->first;
         c.height = wh->second;
         c.sizeGiven = true;
         return {};
     }},
    {"width",
     [](Collected& c, const std::string& v) -> std::string {
         int w = 0;
         if (auto e = IntIn(v, 1, 1 << 30, w, "width"); !e.empty()) return e;
         c.width = w;
         return {};
     }},
    {"height", [](Collected& c, const std::string& v) -> std::string { c.heightText = v; return {}; }},
    {"barheight", BarHeight},
    {"module",
     [](Collected& c, const std::string& v) { return IntIn(v, 1, 100, c.request.options.module, "module"); }},
    {"module_mm",
     [](Collected& c, const std::string& v) -> std::string {
         const auto mm = ParseNumber(v);
         if (!mm || !(*mm > 0) || *mm > 1000) return "module_mm wants millimetres above 0, up to 1000: \"" + v + "\"";
         c.request.options.moduleMm = *mm;
         return {};
     }},
    {"dpi", [](Collected& c, const std::string& v) { return IntIn(v, 1, 10000, c.request.options.dpi, "dpi"); }},
    {"rotate",
     [](Collected& c, const std::string& v) -> std::string {
         const auto d = ParseInt(v);
         if (!d || (*d != 0 && *d != 90 && *d != 180 && *d != 270))
             return "rotate wants 0, 90, 180 or 270: \"" + v + "\"";
         c.request.options.rotate = *d;
         return {};
     }},
    {"showtext",
     [](Collected& c, const std::string& v) {
         c.showTextGiven = true;
         return Flag(v, c.request.options.showText, "showtext");
     }},
    {"notext",
     [](Collected& c, const std::string& v) {
         bool no = false;
         c.noTextGiven = true;
         std::string e = Flag(v, no, "notext");
         if (e.empty() && no) c.request.options.showText = false;
         return e;
     }},
    {"font",
     [](Collected& c, const std::string& v) -> std::string {
         const auto f = ParseFont(v);
         if (!f) return "font wants \"FACE SIZE [bold] [italic]\" (Arial 12 bold): \"" + v + "\"";
         RenderOptions& o = c.request.options;
         o.fontFace = f->face;
         o.fontPoints = f->points;
         o.fontBold = f->bold;
         o.fontItalic = f->italic;
         return {};
     }},
    {"fg", [](Collected& c, const std::string& v) { return Color(v, c.request.options.foreground, "fg"); }},
    {"bg", [](Collected& c, const std::string& v) { return Color(v, c.request.options.background, "bg"); }},
    {"quietzones",
     [](Collected& c, const std::string& v) { return Flag(v, c.request.options.quietZones, "quietzones"); }},
    {"quiet", [](Collected& c, const std::string& v) { return Flag(v, c.request.options.quietZones, "quiet"); }},
    {"bearer", [](Collected& c, const std::string& v) { return Flag(v, c.request.options.bearerBars, "bearer"); }},
    {"bilevel", [](Collected& c, const std::string& v) { return Flag(v, c.request.options.bilevel, "bilevel"); }},
    {"interlace",
     [](Collected& c, const std::string& v) { return Flag(v, c.request.options.interlace, "interlace"); }},
    {"quality",
     [](Collected& c, const std::string& v) { return IntIn(v, 1, 100, c.request.options.jpegQuality, "quality"); }},
    {"notch", [](Collected& c, const std::string& v) { return IntIn(v, 0, 100, c.request.options.notch, "notch"); }},
    {"gs1check", [](Collected& c, const std::string& v) { return Flag(v, c.request.options.gs1Check, "gs1check"); }},
    {"autotype", [](Collected& c, const std::string& v) { return Flag(v, c.request.options.autoType, "autotype"); }},
    {"border",
     [](Collected& c, const std::string& v) -> std::string {
         const auto b = ParsePair(v, ',');
         if (!b || b->first < 0 || b->second < 0 || b->first > kMaxImageSide || b->second > kMaxImageSide)
             return "border wants W,H in pixels: \"" + v + "\"";
         c.request.options.borderWidth = b->first;
         c.request.options.borderHeight = b->second;
         return {};
     }},
};

const ParamRow* FindParam(const std::string& name)
{
    for (const ParamRow& p : kParams)
        if (name == p.name) return &p;
    return nullptr;
}

RequestError Bad(const std::string& reason) { return {400, "bad parameter", reason}; }

} // namespace

std::optional<RequestError> CheckImageSize(int width, int height)
{
    if (width > kMaxImageSide || height > kMaxImageSide)
        return RequestError{413, "too large",
                            "an image of " + std::to_string(width) + "x" + std::to_string(height) +
                                " pixels is beyond 32767 pixels a side"};
    if ((long long)width * height > kMaxImagePixels)
        return RequestError{413, "too large",
                            "an image of " + std::to_string(width) + "x" + std::to_string(height) +
                                " pixels is beyond 2^24 pixels"};
    return std::nullopt;
}

std::optional<BarcodeRequest> ParseBarcodeRequest(const QueryParams& params, RequestError& error)
{
    Collected c;
    std::set<std::string> seen;
    for (const auto& [name, value] : params) {
        const ParamRow* row = FindParam(name);
        if (!row) {
            error = {400, "unknown parameter", "unknown parameter \"" + name + "\""};
            return std::nullopt;
        }
        if (!seen.insert(name).second) {
            error = Bad("parameter \"" + name + "\" is given more than once");
            return std::nullopt;
        }
        if (std::string reason = row->set(c, value); !reason.empty()) {
            error = Bad(reason);
            return std::nullopt;
        }
    }
    if (c.showTextGiven && c.noTextGiven) {
        error = Bad("showtext and notext do not go together");
        return std::nullopt;
    }
    if (c.request.text && c.request.text->size() > kMaxTextBytes) {
        error = {413, "too large",
                 "the text has " + std::to_string(c.request.text->size()) + " bytes; at most " +
                     std::to_string(kMaxTextBytes) + " are taken"};
        return std::nullopt;
    }

    // "height" is the image's height beside "width", else the bar height
    // as the command's --height takes it.
    if (c.heightText) {
        if (c.sizeGiven) {
            error = Bad("size and height do not go together (the bar height is barheight)");
            return std::nullopt;
        }
        if (c.width) {
            int h = 0;
            if (std::string e = IntIn(*c.heightText, 1, 1 << 30, h, "height"); !e.empty()) {
                error = Bad(e + " (pixels, beside width)");
                return std::nullopt;
            }
            c.height = h;
        } else if (params.count("barheight")) {
            error = Bad("height without width is the bar height, and barheight is given too");
            return std::nullopt;
        } else if (std::string e = BarHeight(c, *c.heightText); !e.empty()) {
            error = Bad(e);
            return std::nullopt;
        }
    } else if (c.width && !c.sizeGiven) {
        error = Bad("width goes with height (or size=WxH)");
        return std::nullopt;
    }
    if (c.width && c.height) {
        if (auto e = CheckImageSize(*c.width, *c.height)) {
            error = *e;
            return std::nullopt;
        }
        c.request.options.width = *c.width;
        c.request.options.height = *c.height;
    }

    const std::string type = c.type.value_or("EAN 13");
    c.request.type = tessaline::ResolveType(type);
    if (c.request.type < 0) {
        error = Bad("unknown type \"" + type + "\"");
        return std::nullopt;
    }
    if (c.request.type == kNoSymbology) {
        error = Bad("the type \"" + type + "\" is no symbology: it draws nothing");
        return std::nullopt;
    }
    return c.request;
}

std::string NormalisedKey(const BarcodeRequest& r)
{
    const RenderOptions& o = r.options;
    char numbers[512];
    std::snprintf(numbers, sizeof numbers,
                  "t=%d;f=%s;w=%d;h=%d;m=%d;mm=%.17g;bh=%.17g;bhmm=%.17g;r=%d;st=%d;fp=%.17g;fb=%d;fi=%d;fg=%06x;"
                  "bg=%06x;bw=%d;bd=%d;n=%d;q=%d;bb=%d;bl=%d;il=%d;jq=%d;dpi=%d;at=%d;gs=%d;",
                  r.type, tessaline::FormatName(r.format), o.width, o.height, o.module, o.moduleMm, o.barHeight,
                  o.barHeightMm, o.rotate, int(o.showText), o.fontPoints, int(o.fontBold), int(o.fontItalic),
                  unsigned(o.foreground), unsigned(o.background), o.borderWidth, o.borderHeight, o.notch,
                  int(o.quietZones), int(o.bearerBars), int(o.bilevel), int(o.interlace), o.jpegQuality, o.dpi,
                  int(o.autoType), int(o.gs1Check));
    // Free texts last, with their lengths, so that no two requests meet.
    std::string key = numbers;
    key += "ff=" + std::to_string(o.fontFace.size()) + ":" + o.fontFace + ";";
    key += r.text ? "x=" + std::to_string(r.text->size()) + ":" + *r.text : std::string("x=sample");
    return key;
}

std::string EntityTag(const std::string& key)
{
    // Two FNV-1a hashes of different seeds: 128 bits, stable across builds
    // and runs (unlike std::hash), with the library's version inside.
    const std::string text = std::string(tessaline::Version()) + "\n" + key;
    auto fnv = [&](uint64_t h) {
        for (const unsigned char c : text) {
            h ^= c;
            h *= 0x100000001b3ULL;
        }
        return h;
    };
    char tag[40];
    std::snprintf(tag, sizeof tag, "\"%016llx%016llx\"", (unsigned long long)fnv(0xcbf29ce484222325ULL),
                  (unsigned long long)fnv(0x84222325cbf29ce4ULL));
    return tag;
}

bool MatchesIfNoneMatch(const std::string& header, const std::string& etag)
{
    size_t at = 0;
    while (at < header.size()) {
        size_t end = header.find(',', at);
        if (end == std::string::npos) end = header.size();
        std::string item = header.substr(at, end - at);
        item.erase(0, item.find_first_not_of(" \t"));
        item.erase(item.find_last_not_of(" \t") + 1);
        if (item.rfind("W/", 0) == 0) item.erase(0, 2); // weak comparison, as for GET
        if (item == "*" || item == etag) return true;
        at = end + 1;
    }
    return false;
}

std::string LanguageFromAcceptLanguage(const std::string& header)
{
    std::string best = "en";
    double bestWeight = 0;
    size_t at = 0;
    while (at < header.size()) {
        size_t end = header.find(',', at);
        if (end == std::string::npos) end = header.size();
        std::string item = Lower(header.substr(at, end - at));
        at = end + 1;
        double weight = 1;
        if (const size_t semi = item.find(';'); semi != std::string::npos) {
            const size_t q = item.find("q=", semi);
            if (q != std::string::npos) {
                std::string w = item.substr(q + 2);
                w.erase(w.find_last_not_of(" \t") + 1);
                weight = ParseNumber(w).value_or(0);
            }
            item.erase(semi);
        }
        item.erase(0, item.find_first_not_of(" \t"));
        item.erase(item.find_last_not_of(" \t") + 1);
        const std::string primary = item.substr(0, item.find('-'));
        if ((primary == "de" || primary == "en") && weight > bestWeight) {
            best = primary;
            bestWeight = weight;
        }
    }
    return best;
}

} // namespace tessaline_server

// Command-line parsing. Every option that takes a value consumes the next
// argument whatever it looks like, so a text may begin with '-'.
#include "cli/options.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <sstream>

namespace {

std::string Lower(std::string s)
{
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

struct NamedColor {
    const char* name;
    COLORREF color;
};

constexpr NamedColor kColors[] = {
    {"black", RGB(0, 0, 0)},       {"white", RGB(255, 255, 255)}, {"red", RGB(255, 0, 0)},
    {"green", RGB(0, 128, 0)},     {"lime", RGB(0, 255, 0)},      {"blue", RGB(0, 0, 255)},
    {"yellow", RGB(255, 255, 0)},  {"cyan", RGB(0, 255, 255)},    {"magenta", RGB(255, 0, 255)},
    {"gray", RGB(128, 128, 128)},  {"grey", RGB(128, 128, 128)},  {"silver", RGB(192, 192, 192)},
    {"maroon", RGB(128, 0, 0)},    {"navy", RGB(0, 0, 128)},      {"olive", RGB(128, 128, 0)},
    {"purple", RGB(128, 0, 128)},  {"teal", RGB(0, 128, 128)},
};

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    c = char(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool InRange(int v, int lo, int hi) { return v >= lo && v <= hi; }

} // namespace

std::optional<int> ParseInt(const std::string& s)
{
    int v = 0;
    const char* end = s.data() + s.size();
    auto [p, ec] = std::from_chars(s.data(), end, v);
    if (s.empty() || ec != std::errc() || p != end) return std::nullopt;
    return v;
}

std::optional<std::pair<int, int>> ParsePair(const std::string& s, char separator)
{
    const size_t at = s.find(separator);
    if (at == std::string::npos) return std::nullopt;
    const auto a = ParseInt(s.substr(0, at));
    const auto b = ParseInt(s.substr(at + 1));
    if (!a || !b) return std::nullopt;
    return std::pair{*a, *b};
}

// "#RRGGBB", "RRGGBB", "#RGB", "R,G,B" or a basic colour name.
std::optional<COLORREF> ParseColor(const std::string& s)
{
    const std::string l = Lower(s);
    for (const auto& c : kColors)
        if (l == c.name) return c.color;
    if (l.find(',') != std::string::npos) {
        int v[3];
        std::istringstream in(l);
        std::string part;
        int n = 0;
        while (std::getline(in, part, ',')) {
            const auto x = ParseInt(part);
            if (n == 3 || !x || !InRange(*x, 0, 255)) return std::nullopt;
            v[n++] = *x;
        }
        if (n != 3) return std::nullopt;
        return RGB(BYTE(v[0]), BYTE(v[1]), BYTE(v[2]));
    }
    std::string hex = l[0] == '#' ? l.substr(1) : l;
    if (hex.size() == 3) hex = {hex[0], hex[0], hex[1], hex[1], hex[2], hex[2]};
    if (hex.size() != 6) return std::nullopt;
    int bytes[3];
    for (int i = 0; i < 3; ++i) {
        const int hi = HexDigit(hex[2 * i]), lo = HexDigit(hex[2 * i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        bytes[i] = hi * 16 + lo;
    }
    return RGB(BYTE(bytes[0]), BYTE(bytes[1]), BYTE(bytes[2]));
}

// "FACE SIZE [bold] [italic]": the face may contain blanks; the size is the
// last number before the style words.
std::optional<FontSpec> ParseFont(const std::string& s)
{
    std::vector<std::string> words;
    std::istringstream in(s);
    for (std::string w; in >> w;) words.push_back(w);
    FontSpec font{"", 0, false, false};
    while (!words.empty()) {
        const std::string w = Lower(words.back());
        if (w == "bold") font.bold = true;
        else if (w == "italic") font.italic = true;
        else break;
        words.pop_back();
    }
    if (words.size() < 2) return std::nullopt;
    const std::string& size = words.back();
    double points = 0;
    const char* end = size.data() + size.size();
    auto [p, ec] = std::from_chars(size.data(), end, points);
    if (ec != std::errc() || p != end || !(points > 0) || points > 1000) return std::nullopt;
    font.points = points;
    words.pop_back();
    for (size_t i = 0; i < words.size(); ++i) font.face += (i ? " " : "") + words[i];
    return font;
}

std::string UsageText()
{
    return R"(Usage:
  tessaline [--type ID|NAME] [--text TEXT|-] [-o FILE|-] [--format FMT]
            [--module PX | --module-mm MM] [--height H[mm]] [--size WxH]
            [--rotate 0|90|180|270] [--no-text] [--no-quiet-zones] [--no-bearer]
            [--border W,H] [--notch PERCENT] [--fg COLOR] [--bg COLOR]
            [--font "FACE SIZE [bold] [italic]"] [--auto-type] [--dpi N]
            [--quality 1-100] [--interlace] [--bilevel] [--verify] [--gs1-nocheck]
  tessaline --type ID|NAME --text TEXT --info
  tessaline --batch FILE|- [--jobs N] [-o DIR] [--skip-existing] [--allow-absolute]
            [options above]
  tessaline --list-types [--json] | --help | --version

Draws one barcode into an image file; the format follows the extension of
FILE: .png .jpg .jpeg .bmp .svg .pdf .eps (default barcode.png).

Without --size the image is sized from the symbol: modules of --module
pixels (or --module-mm millimetres at --dpi), the light margins (quiet
zones) and the bar height its standard asks for, and a text that follows
the module.

  --type ID|NAME   symbology by id or name (see --list-types; default EAN 13)
  --text TEXT      the barcode text (default: the type's sample text);
                   - reads it from standard input
  -o, --output F   output file, - for standard output (with --format);
                   in batch mode the output directory
  --format FMT     png, jpg, bmp, svg, pdf or eps, whatever the extension
  --module PX      module width in pixels (default 2)
  --module-mm MM   module width in millimetres at --dpi, rounded to whole pixels
  --height H       bar height in modules, or in millimetres as 15mm
                   (default: the symbology's standard)
  --size WxH       fit the symbol into an image of WxH pixels, centred
                   (borders 3,4 and an 18 point font unless given)
  --rotate DEG     0, 90, 180 or 270 degrees clockwise (default 0)
  --no-text        leave out the human-readable text
  --no-quiet-zones leave out the light margins the standards ask for
  --no-bearer      leave out ITF 14's bearer bars
  --border W,H     border left/right and top/bottom in pixels
  --notch PERCENT  how far guard bars reach into the text, 0-100 (default 25)
  --fg, --bg COLOR colours: #RRGGBB, #RGB, R,G,B or a name (black on white)
  --font FONT      text font, e.g. "Arial 12 bold" (default Arial bold, sized
                   from the module)
  --auto-type      pick the symbology from the text
  --dpi N          resolution of the image (default 96), kept in the file
  --quality N      JPEG quality (default 90)
  --interlace      write an interlaced PNG
  --bilevel        draw the text without anti-aliasing, so that the image has
                   the two colours only (1 bit a pixel in PNG), as thermal and
                   other bilevel printers want it
  --verify         decode the symbol with zxing-cpp before writing it; refuse
                   it when it does not read back as its text
  --gs1-nocheck    draw GS1 element strings that break GS1 rules (a warning)
  --info           print what the symbol reports as JSON, write no file
  --batch FILE     render every line of FILE (- for standard input):
                   TYPE<TAB>TEXT<TAB>OUTPUT, or one text per line (type from
                   --type, files in the -o directory); UTF-8, with or without
                   a byte-order mark, LF or CRLF; lines of up to 1 MB; the
                   folders of OUTPUT names are made in the -o directory
  --jobs N         render N batch lines at a time (default: one a core)
  --skip-existing  leave batch outputs that are already there and complete
                   (checked by the end of the file), so that a batch that was
                   stopped or killed can be resumed by running it again
  --allow-absolute let batch OUTPUT names be absolute or leave the -o
                   directory (by "..", or through a symbolic link)
  --list-types     list the symbologies with their ids and sample texts
                   (--json: as a JSON array)

Exit status: 0 success, 1 invalid text or symbol does not fit, 2 usage error
or unreadable batch file, 3 an image could not be made or written (the
message says why). A batch exits with the worst status of its lines (3 before
2 before 1). SIGINT, SIGTERM and SIGPIPE stop a batch after the lines in
flight, with a summary; it then exits 130, 143 or 141.
)";
}

ParseResult ParseArguments(const std::vector<std::string>& args)
{
    ParseResult r;
    CliOptions& o = r.options;
    bool info = false, list = false, help = false, version = false;
    auto fail = [&](const std::string& message) {
        r.error = message;
        return r;
    };

    for (size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inlineValue;
        if (name.rfind("--", 0) == 0) {
            if (const size_t eq = name.find('='); eq != std::string::npos) {
                inlineValue = name.substr(eq + 1);
                name.erase(eq);
            }
        }
        auto value = [&]() -> std::optional<std::string> {
            if (inlineValue) return inlineValue;
            if (i + 1 >= args.size()) return std::nullopt;
            return args[++i];
        };
        auto needValue = [&](std::string& out) {
            const auto v = value();
            if (!v) return false;
            out = *v;
            return true;
        };
        auto flag = [&](bool& out) {
            if (inlineValue) return false;
            out = true;
            return true;
        };

        std::string v;
        if (name == "--type") {
            if (!needValue(v)) return fail("--type needs a value");
            o.type = v;
        } else if (name == "--text") {
            if (!needValue(v)) return fail("--text needs a value");
            o.text = v;
        } else if (name == "-o" || name == "--output") {
            if (!needValue(v) || v.empty()) return fail(name + " needs a file name");
            o.output = v;
        } else if (name == "--size") {
            if (!needValue(v)) return fail("--size needs a value");
            auto wh = ParsePair(Lower(v), 'x');
            if (!wh || !InRange(wh->first, 1, 32767) || !InRange(wh->second, 1, 32767))
                return fail("--size wants WIDTHxHEIGHT in pixels, each 1 to 32767: " + v);
            o.width = wh->first;
            o.height = wh->second;
        } else if (name == "--rotate") {
            if (!needValue(v)) return fail("--rotate needs a value");
            const auto d = ParseInt(v);
            if (!d || (*d != 0 && *d != 90 && *d != 180 && *d != 270))
                return fail("--rotate wants 0, 90, 180 or 270: " + v);
            o.rotate = int16_t(*d);
        } else if (name == "--no-text") {
            bool set = false;
            if (!flag(set)) return fail("--no-text takes no value");
            o.showText = false;
        } else if (name == "--border") {
            if (!needValue(v)) return fail("--border needs a value");
            const auto b = ParsePair(v, ',');
            if (!b || !InRange(b->first, 0, 32767) || !InRange(b->second, 0, 32767))
                return fail("--border wants W,H, each 0 or more: " + v);
            o.borderWidth = b->first;
            o.borderHeight = b->second;
        } else if (name == "--notch") {
            if (!needValue(v)) return fail("--notch needs a value");
            const auto n = ParseInt(v);
            if (!n || !InRange(*n, 0, 100)) return fail("--notch wants 0 to 100: " + v);
            o.notch = int16_t(*n);
        } else if (name == "--fg" || name == "--bg") {
            if (!needValue(v)) return fail(name + " needs a colour");
            const auto c = ParseColor(v);
            if (!c) return fail("not a colour: " + v);
            (name == "--fg" ? o.fg : o.bg) = *c;
        } else if (name == "--font") {
            if (!needValue(v)) return fail("--font needs a value");
            const auto f = ParseFont(v);
            if (!f) return fail("--font wants \"FACE SIZE [bold] [italic]\": " + v);
            o.fontFace = f->face;
            o.fontPoints = f->points;
            o.fontBold = f->bold;
            o.fontItalic = f->italic;
        } else if (name == "--auto-type") {
            if (!flag(o.autoType)) return fail("--auto-type takes no value");
        } else if (name == "--dpi") {
            if (!needValue(v)) return fail("--dpi needs a value");
            const auto d = ParseInt(v);
            if (!d || !InRange(*d, 1, 10000)) return fail("--dpi wants 1 to 10000: " + v);
            o.dpi = *d;
        } else if (name == "--module-mm") {
            if (!needValue(v)) return fail("--module-mm needs a value");
            double mm = 0;
            const char* end = v.data() + v.size();
            auto [p, ec] = std::from_chars(v.data(), end, mm);
            if (v.empty() || ec != std::errc() || p != end || !(mm > 0) || mm > 1000)
                return fail("--module-mm wants a width in millimetres above 0 and up to 1000: " + v);
            o.moduleMm = mm;
        } else if (name == "--module") {
            if (!needValue(v)) return fail("--module needs a value");
            const auto m = ParseInt(v);
            if (!m || !InRange(*m, 1, 100)) return fail("--module wants 1 to 100 pixels: " + v);
            o.module = *m;
        } else if (name == "--height") {
            if (!needValue(v)) return fail("--height needs a value");
            std::string number = Lower(v);
            const bool mm = number.size() > 2 && number.compare(number.size() - 2, 2, "mm") == 0;
            if (mm) number.resize(number.size() - 2);
            double h = 0;
            const char* end = number.data() + number.size();
            auto [p, ec] = std::from_chars(number.data(), end, h);
            if (number.empty() || ec != std::errc() || p != end || !(h > 0) || h > 10000)
                return fail("--height wants a bar height in modules, or in millimetres with \"mm\" (15mm): " + v);
            (mm ? o.barHeightMm : o.barHeightModules) = h;
        } else if (name == "--format") {
            if (!needValue(v)) return fail("--format needs a value");
            o.format = tessaline::FormatFromName(v);
            if (!o.format) return fail("--format wants png, jpg, bmp, svg, pdf or eps: " + v);
        } else if (name == "--no-quiet-zones") {
            bool set = false;
            if (!flag(set)) return fail("--no-quiet-zones takes no value");
            o.quietZones = false;
        } else if (name == "--no-bearer") {
            bool set = false;
            if (!flag(set)) return fail("--no-bearer takes no value");
            o.bearerBars = false;
        } else if (name == "--gs1-nocheck") {
            bool set = false;
            if (!flag(set)) return fail("--gs1-nocheck takes no value");
            o.gs1Check = false;
        } else if (name == "--verify") {
            if (!flag(o.verify)) return fail("--verify takes no value");
        } else if (name == "--json") {
            if (!flag(o.json)) return fail("--json takes no value");
        } else if (name == "--jobs" || name == "-j") {
            if (!needValue(v)) return fail("--jobs needs a value");
            const auto j = ParseInt(v);
            if (!j || !InRange(*j, 1, 256)) return fail("--jobs wants 1 to 256: " + v);
            o.jobs = *j;
        } else if (name == "--quality") {
            if (!needValue(v)) return fail("--quality needs a value");
            const auto q = ParseInt(v);
            if (!q || !InRange(*q, 1, 100)) return fail("--quality wants 1 to 100: " + v);
            o.quality = *q;
        } else if (name == "--bilevel") {
            if (!flag(o.bilevel)) return fail("--bilevel takes no value");
        } else if (name == "--interlace") {
            if (!flag(o.interlace)) return fail("--interlace takes no value");
        } else if (name == "--batch") {
            if (!needValue(v) || v.empty()) return fail("--batch needs a file name");
            o.batchFile = v;
        } else if (name == "--allow-absolute") {
            if (!flag(o.allowAbsolute)) return fail("--allow-absolute takes no value");
        } else if (name == "--skip-existing") {
            if (!flag(o.skipExisting)) return fail("--skip-existing takes no value");
        } else if (name == "--info") {
            if (!flag(info)) return fail("--info takes no value");
        } else if (name == "--list-types") {
            if (!flag(list)) return fail("--list-types takes no value");
        } else if (name == "--help" || name == "-h") {
            if (!flag(help)) return fail("--help takes no value");
        } else if (name == "--version") {
            if (!flag(version)) return fail("--version takes no value");
        } else if (!name.empty() && name[0] == '-') {
            return fail("unknown option " + name);
        } else {
            return fail("unexpected argument '" + name + "' (a text goes after --text)");
        }
    }

    // The control's own limits for the borders of an area of this size.
    if (o.width > 0) {
        const int maxBorderWidth = o.width / 2 + 5, maxBorderHeight = o.height / 2 + 5;
        if (o.borderWidth > maxBorderWidth)
            return fail("Valid Borderwidth range: 0 - " + std::to_string(maxBorderWidth));
        if (o.borderHeight > maxBorderHeight)
            return fail("Valid Borderheight range: 0 - " + std::to_string(maxBorderHeight));
    }
    if (o.output && *o.output == "-" && !o.format && !o.batchFile)
        return fail("-o - writes to standard output: say which format with --format");
    if (o.json && !list) return fail("--json goes with --list-types");

    if (help) o.action = CliAction::Help;
    else if (version) o.action = CliAction::Version;
    else if (list) o.action = CliAction::ListTypes;
    else if (info && o.batchFile) return fail("--info and --batch do not go together");
    else if (info) o.action = CliAction::Info;
    else if (o.batchFile) {
        if (o.text) return fail("--text does not go with --batch (the texts come from the file)");
        o.action = CliAction::Batch;
    }
    return r;
}

// Tessaline's render API for C++: a type, a text and options in; image
// bytes, a file, or the symbol's report out. No registry is needed: the
// library makes its own barcode control in-process.
//
// Threads: a CRenderer belongs to one thread at a time. Separate renderers
// may render on separate threads at once (each has its own control and
// surfaces). The free functions use one renderer per calling thread, so
// they may be called from any number of threads. Types(), ResolveType()
// and the format helpers only read constant tables.
//
// Strings are UTF-8. Colours are 0xRRGGBB.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tessaline {

enum class Format { Png, Jpeg, Bmp, Svg, Pdf, Eps };

// "png", "jpg"/"jpeg", "bmp", "svg", "pdf", "eps" (case-insensitive, with
// or without a leading dot).
std::optional<Format> FormatFromName(std::string_view name);
// The format a file name asks for by its extension.
std::optional<Format> FormatForPath(std::string_view path);
const char* FormatName(Format format); // "png", "jpeg", ...
const char* MimeType(Format format);   // "image/png", ...

struct RenderOptions {
    // Image size. 0 x 0 (the default) sizes the image from the symbol: the
    // module width, the quiet zones its standard asks for, the standard's
    // bar height and a text that follows the module. A given size fits the
    // symbol into that area, as the control does, centred.
    int width = 0, height = 0;
    int module = 2;          // pixels a module when sized from the symbol
    double moduleMm = 0;     // > 0: module width in millimetres at dpi
    double barHeight = 0;    // > 0: bar height in modules instead of the standard's
    double barHeightMm = 0;  // > 0: bar height in millimetres at dpi
    int rotate = 0;          // 0, 90, 180, 270 clockwise
    bool showText = true;
    std::string fontFace = "Arial";
    double fontPoints = 0;   // 0: follows the module (sized), or 18 (given size)
    bool fontBold = true, fontItalic = false;
    uint32_t foreground = 0x000000, background = 0xFFFFFF;
    int borderWidth = -1, borderHeight = -1; // pixels; -1: 3,4 with a given size, else none
    int notch = 25;          // percent of the text band the guard bars reach into
    bool quietZones = true;  // the standard's light margins (sized images)
    bool bearerBars = true;  // ITF 14's bearer bars
    bool bilevel = false;    // text without anti-aliasing: two colours only
    bool interlace = false;  // Adam7 PNG
    int jpegQuality = 90;
    int dpi = 96;            // resolution kept in the file
    bool autoType = false;   // pick the symbology from the text
    bool gs1Check = true;    // refuse element strings that break GS1 rules

#if __cplusplus >= 202002L
    // Every option decides the image (the library's layout cache keys on it).
    bool operator==(const RenderOptions&) const = default;
#endif
};

struct SymbolReport {
    int type = -1;
    std::string typeName;
    std::string text;
    bool valid = false;
    int checksum = -1;        // the check digit; -1 none, -2 malformed text
    bool sizeOk = false;      // fits the image of these options
    std::string reason;       // why the text is invalid or does not fit ("" when fine)
    int width = 0, height = 0; // the image size these options give
    int modulePixels = 0;     // the narrowest bar in pixels (0 when not drawn)
    int modules = 0;          // the symbol's length in modules, bar to bar
    std::vector<int> runs;    // element widths in modules along the bar axis, bar first
    std::vector<std::string> warnings;
    bool gs1 = false;         // a GS1 type: the fields below apply
    bool gs1Valid = true;
    std::vector<std::string> gs1Errors;

    // {"type":..,"typeName":..,"text":..,"valid":..,"checksum":..,"sizeOk":..,...}
    std::string ToJson() const;
};

struct Image {
    Format format = Format::Png;
    int width = 0, height = 0;
    std::vector<uint8_t> bytes;
    std::vector<std::string> warnings;
};

// Grey pixels, top-down, one byte a pixel (for decoders and previews).
struct Pixels {
    int width = 0, height = 0;
    std::vector<uint8_t> grey;
};

enum class ErrorKind {
    Usage,       // unknown type, format or option value
    InvalidText, // the text is not valid for the type
    DoesNotFit,  // the symbol does not fit the size
    Gs1,         // an element string that breaks a GS1 rule
    Limit,       // beyond the library's limits (text length, image size)
    Write,       // the file cannot be written
};

class CRenderError : public std::runtime_error {
public:
    CRenderError(ErrorKind kind, const std::string& message) : std::runtime_error(message), m_kind(kind) {}
    ErrorKind Kind() const { return m_kind; }

private:
    ErrorKind m_kind;
};

// Texts longer than this are refused before any work (no symbol holds them).
constexpr size_t kMaxTextBytes = 4096;

class CRenderer {
public:
    CRenderer();
    ~CRenderer();
    CRenderer(const CRenderer&) = delete;
    CRenderer& operator=(const CRenderer&) = delete;

    // `type`: an id ("1") or any name the type-name parser takes ("ean13",
    // "Code 128"). `text`: nullopt for the type's sample text.
    SymbolReport Inspect(std::string_view type, std::optional<std::string_view> text, const RenderOptions& options);
    // Throws CRenderError.
    Image Render(std::string_view type, std::optional<std::string_view> text, Format format,
                 const RenderOptions& options);
    // The raster image as grey pixels. Throws CRenderError.
    Pixels RenderPixels(std::string_view type, std::optional<std::string_view> text, const RenderOptions& options);
    // Renders and writes `path` (format from its extension unless given);
    // a failure leaves an existing file as it was. Throws CRenderError.
    Image Save(const std::string& path, std::string_view type, std::optional<std::string_view> text,
               const RenderOptions& options, std::optional<Format> format = std::nullopt);

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};

// The same through the calling thread's renderer.
SymbolReport Inspect(std::string_view type, std::optional<std::string_view> text, const RenderOptions& options = {});
Image Render(std::string_view type, std::optional<std::string_view> text, Format format = Format::Png,
             const RenderOptions& options = {});
Image Save(const std::string& path, std::string_view type, std::optional<std::string_view> text,
           const RenderOptions& options = {});

struct TypeEntry {
    int id;
    std::string name;
    std::string sampleText;
    std::string group; // "EAN/UPC", "Code 39", "2 of 5", "Code 128", "GS1", "Postal", "Other"
};
std::vector<TypeEntry> Types();
// The id a type id or name selects; -1 when it selects none.
int ResolveType(std::string_view type);
const char* Version();

} // namespace tessaline

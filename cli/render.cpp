// Setting up, checking and writing one barcode.
#include "cli/render.h"

#include <cctype>
#include <cstdio>
#include <filesystem>

#include "cli/image_files.h"
#include "control/engine/catalogue.h"
#include "platform/gdi/metafile.h"

namespace {

// The command has no container: a type the catalogue refuses becomes an
// exception caught where the type is chosen, and nothing else is asked.
struct InvalidType {
    int32_t status;
};

class CCommandHost : public ISymbolHost {
public:
    [[noreturn]] void ThrowError(int32_t status, const std::string&, uint32_t) override { throw InvalidType{status}; }
    void InvalidateControl() override {}
    void SetModifiedFlag() override {}
    bool AmbientUserMode() const override { return true; }
    void BoundPropertyChanged(int32_t) override {}
    void FireTypeChange(int32_t) override {}
};

std::string Lower(std::string s)
{
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Quoted(const std::string& cp1252)
{
    std::string out(1, '"');
    out += Cp1252ToUtf8(cp1252);
    out += '"';
    return out;
}

std::string JsonString(const std::string& utf8)
{
    std::string out = "\"";
    for (unsigned char c : utf8) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += char(c);
            }
        }
    }
    return out + "\"";
}

bool AxisIsWidth(int16_t rotate) { return rotate != 90 && rotate != 270; }

// The smallest value of one image side, the other kept, at which the
// symbol fits; 0 when none up to the largest image does.
int SmallestFittingSide(CGenericBarcode& symbol, const CliOptions& o, bool widthSide, int otherSide)
{
    constexpr int kLargest = 32767;
    auto fits = [&](int side) {
        return widthSide ? FitsArea(symbol, o, side, otherSide) : FitsArea(symbol, o, otherSide, side);
    };
    int lo = widthSide ? o.width : o.height; // known not to fit
    int hi = lo;
    do {
        hi = hi >= kLargest / 2 ? kLargest : hi * 2;
        if (fits(hi)) break;
        if (hi == kLargest) return 0;
        lo = hi;
    } while (true);
    while (hi - lo > 1) {
        const int mid = lo + (hi - lo) / 2;
        (fits(mid) ? hi : lo) = mid;
    }
    return hi;
}

std::string SizeAdvice(CGenericBarcode& symbol, const CliOptions& o)
{
    const bool axisWidth = AxisIsWidth(o.rotate);
    const char* axisName = axisWidth ? "width" : "height";
    const char* otherName = axisWidth ? "height" : "width";
    if (int n = SmallestFittingSide(symbol, o, axisWidth, axisWidth ? o.height : o.width)) {
        const int axis = n - 2 * (axisWidth ? o.borderWidth : o.borderHeight);
        return std::string("the smallest ") + axisName + " that fits is " + std::to_string(n) + " (a bar axis of " +
               std::to_string(axis) + " pixels inside the borders)";
    }
    if (int n = SmallestFittingSide(symbol, o, !axisWidth, axisWidth ? o.width : o.height))
        return std::string("the smallest ") + otherName + " that fits is " + std::to_string(n);
    return "no image size up to 32767 pixels fits it";
}

} // namespace

std::optional<ImageFormat> FormatForPath(const std::string& path)
{
    const std::string ext = Lower(std::filesystem::path(path).extension().string());
    if (ext == ".png") return ImageFormat::Png;
    if (ext == ".jpg" || ext == ".jpeg") return ImageFormat::Jpeg;
    if (ext == ".bmp") return ImageFormat::Bmp;
    if (ext == ".svg") return ImageFormat::Svg;
    if (ext == ".pdf") return ImageFormat::Pdf;
    if (ext == ".eps") return ImageFormat::Eps;
    return std::nullopt;
}

TypeChoice ResolveType(const std::string& utf8)
{
    if (const auto id = ParseInt(utf8)) {
        if (!FindTypeInfo(*id)) return {-1, "unknown type id " + utf8 + " (see --list-types)"};
        return {*id, ""};
    }
    const int32_t id = LookupTypeAlias(AnsiUpper(Utf8ToCp1252(utf8)));
    if (id < 0) return {-1, "unknown type name \"" + utf8 + "\" (see --list-types)"};
    if (!FindTypeInfo(id)) return {-1, "\"" + utf8 + "\" is not a symbology this program draws"};
    return {id, ""};
}

PaintState MakePaintState(const CliOptions& o)
{
    PaintState s;
    s.foreColor = o.fg;
    s.backColor = o.bg;
    s.font.lfFaceName = o.fontFace;
    s.font.lfHeight = PointsToHeight(o.fontPoints, o.dpi);
    s.font.lfWeight = o.fontBold ? FW_BOLD : FW_NORMAL;
    s.font.lfItalic = o.fontItalic ? 1 : 0;
    s.rotate = o.rotate;
    s.showText = o.showText ? TRUE : FALSE;
    s.borderWidth = o.borderWidth;
    s.borderHeight = o.borderHeight;
    s.notchHeightInPercent = o.notch;
    return s;
}

SymbolPtr MakeSymbol(const CliOptions& o, int32_t type, const std::optional<std::string>& text)
{
    CCommandHost host;
    CSymbolSlot slot(host);
    slot.m_showText = o.showText ? TRUE : FALSE;
    slot.m_notchHeightInPercent = o.notch;
    slot.m_rotate = o.rotate;
    try {
        slot.SetType(type);
        slot.m_text = text ? Utf8ToCp1252(*text) : slot.Symbol()->GetDemoText();
        slot.Symbol()->SetText(slot.m_text);
        if (o.autoType) {
            slot.m_autoType = TRUE;
            slot.DetectType();
        }
    } catch (const InvalidType&) {
        return nullptr; // ResolveType admits catalogue ids only
    }
    return slot.Release();
}

bool FitsArea(CGenericBarcode& symbol, const CliOptions& o, int width, int height)
{
    CMetaFileDC dc(width, height, o.dpi);
    DrawBarcode(&dc, RECT{0, 0, width, height}, symbol, MakePaintState(o));
    return symbol.IsSizeOk() != FALSE;
}

Outcome CheckSymbol(CGenericBarcode& symbol, const CliOptions& o)
{
    const std::string name = symbol.GetTypeName();
    if (!symbol.IsValid()) {
        if (!CreateSymbol(symbol.GetType()))
            return {1, "text error: " + name + " is not available in this build"};
        return {1, "text error: " + Quoted(symbol.GetText()) + " is not a valid " + name + " text"};
    }
    if (!FitsArea(symbol, o, o.width, o.height)) {
        return {1, "size error: the " + name + " symbol " + Quoted(symbol.GetText()) + " does not fit in " +
                       std::to_string(o.width) + "x" + std::to_string(o.height) + " pixels; " +
                       SizeAdvice(symbol, o)};
    }
    return {};
}

std::string InfoJson(CGenericBarcode& symbol, const CliOptions& o)
{
    const bool valid = symbol.IsValid() != FALSE;
    const bool sizeOk = valid && FitsArea(symbol, o, o.width, o.height);
    return "{\"type\":" + std::to_string(symbol.GetType()) + ",\"typeName\":" +
           JsonString(Cp1252ToUtf8(symbol.GetTypeName())) + ",\"text\":" +
           JsonString(Cp1252ToUtf8(symbol.GetText())) + ",\"valid\":" + (valid ? "true" : "false") +
           ",\"checksum\":" + std::to_string(symbol.GetChecksum()) + ",\"sizeOk\":" + (sizeOk ? "true" : "false") +
           "}";
}

Outcome RenderToFile(const CliOptions& o, CGenericBarcode& symbol, const std::string& output)
{
    const auto format = FormatForPath(output);
    if (!format)
        return {2, "cannot tell the image format of \"" + output + "\": use .png .jpg .jpeg .bmp .svg .pdf or .eps"};
    if (Outcome check = CheckSymbol(symbol, o); check.status != 0) return check;
    std::string error;
    if (!WriteImage(*format, output, symbol, MakePaintState(o), o, error)) return {1, error};
    return {};
}

// Setting up, checking and writing one barcode.
#include "cli/render.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "cli/image_files.h"
#include "control/engine/catalogue.h"
#include "platform/com/registry.h"
#include "platform/gdi/metafile.h"

namespace {

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
int SmallestFittingSide(CCommandControl& control, const CliOptions& o, SIZE size, bool widthSide, int otherSide)
{
    constexpr int kLargest = 32767;
    auto fits = [&](int side) {
        return widthSide ? FitsArea(control, o, side, otherSide) : FitsArea(control, o, otherSide, side);
    };
    int lo = widthSide ? size.cx : size.cy; // known not to fit
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

std::string SizeAdvice(CCommandControl& control, const CliOptions& o, SIZE size)
{
    const bool axisWidth = AxisIsWidth(o.rotate);
    const char* axisName = axisWidth ? "width" : "height";
    const char* otherName = axisWidth ? "height" : "width";
    if (int n = SmallestFittingSide(control, o, size, axisWidth, axisWidth ? size.cy : size.cx)) {
        const int axis = n - 2 * (axisWidth ? o.borderWidth : o.borderHeight);
        return std::string("the smallest ") + axisName + " that fits is " + std::to_string(n) + " (a bar axis of " +
               std::to_string(axis) + " pixels inside the borders)";
    }
    if (int n = SmallestFittingSide(control, o, size, !axisWidth, axisWidth ? size.cx : size.cy))
        return std::string("the smallest ") + otherName + " that fits is " + std::to_string(n);
    return "no image size up to 32767 pixels fits it";
}

// The narrowest bar the control draws into an area of `size`, along the bar
// axis: the width of one module. 0 when the symbol does not fit.
int NarrowestBar(CCommandControl& control, const CliOptions& o, SIZE size)
{
    CMetaFileDC dc(size.cx, size.cy, o.dpi);
    control.Draw(&dc, size.cx, size.cy);
    if (!control.Symbol().IsSizeOk()) return 0;
    int narrowest = 0;
    for (const MetaRecord& r : dc.Records()) {
        if (r.kind != MetaRecord::Rectangle) continue;
        const int w = AxisIsWidth(o.rotate) ? r.rect.Width() : r.rect.Height();
        if (w > 0 && (narrowest == 0 || w < narrowest)) narrowest = w;
    }
    return narrowest;
}

// A text the symbol refuses.
Outcome CheckText(CCommandControl& control)
{
    CGenericBarcode& symbol = control.Symbol();
    if (symbol.IsValid()) return {};
    const std::string name = symbol.GetTypeName();
    if (!CreateSymbol(symbol.GetType())) return {1, "text error: " + name + " is not available in this build"};
    return {1, "text error: " + Quoted(symbol.GetText()) + " is not a valid " + name + " text"};
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

CCommandControl::CCommandControl()
{
    // The control's class object, as a host that loaded the library would
    // ask for it.
    void* factory = nullptr;
    if (DllGetClassObject(&CLSID_Barcode, &IID_IClassFactory, &factory) != S_OK || !factory) return;
    std::shared_ptr<IUnknown> object;
    if (static_cast<IClassFactory*>(factory)->CreateInstance(object) != S_OK) return;
    m_control = std::dynamic_pointer_cast<CBarcodeCtrl>(object);
    if (!m_control) return;
    m_control->SetClientSite(std::make_shared<CHeadlessSite>());
    m_control->InitNew();
}

void CCommandControl::SetPresentation(const CliOptions& o)
{
    CBarcodeCtrl& c = *m_control;
    c.SetForeColor(o.fg);
    c.SetBackColor(o.bg);
    // The control sizes its font for 96 dpi; the command's points are
    // meant at --dpi. A size of a quarter-point multiple converts back to
    // exactly the character height wanted.
    FontObject font = CBarcodeCtrl::DefaultFont();
    font.name = o.fontFace;
    font.size = std::abs(PointsToHeight(o.fontPoints, o.dpi)) * 0.75;
    font.weight = o.fontBold ? FW_BOLD : FW_NORMAL;
    font.italic = o.fontItalic;
    c.SetFont(&font);
    c.SetShowText(o.showText ? TRUE : FALSE);
    c.SetBorderwidth(int16_t(o.borderWidth));
    c.SetBorderheight(int16_t(o.borderHeight));
    c.SetNotchHeightInPercent(o.notch);
    c.SetRotate(o.rotate);
}

bool CCommandControl::SetSymbol(int32_t type, const std::optional<std::string>& text, bool autoType)
{
    CBarcodeCtrl& c = *m_control;
    try {
        // Detection left on by the previous symbol would act on this text
        // before the type is set.
        if (c.GetAutoType()) c.SetAutoType(FALSE);
        c.SetType(type);
        if (text) c.SetText(*text);
        else c.SetDemoText();
        if (autoType) c.SetAutoType(TRUE);
    } catch (const DispatchError&) {
        return false; // ResolveType admits catalogue ids only
    }
    return c.GetSymbol() != nullptr;
}

void CCommandControl::Draw(CDC* dc, int width, int height)
{
    const RECT bounds{0, 0, width, height};
    m_control->DrawBarcode(dc, bounds, bounds);
}

std::unique_ptr<CCommandControl> MakeControl(const CliOptions& o, int32_t type, const std::optional<std::string>& text)
{
    auto control = std::make_unique<CCommandControl>();
    if (!control->IsOk()) return nullptr;
    control->SetPresentation(o);
    if (!control->SetSymbol(type, text, o.autoType)) return nullptr;
    return control;
}

bool FitsArea(CCommandControl& control, const CliOptions& o, int width, int height)
{
    CMetaFileDC dc(width, height, o.dpi);
    control.Draw(&dc, width, height);
    return control.Symbol().IsSizeOk() != FALSE;
}

ModulePixels ModuleSize(double millimetres, int dpi)
{
    const double exact = millimetres * dpi / 25.4;
    ModulePixels m;
    m.pixels = std::max(1, int(std::lround(exact)));
    if (std::abs(m.pixels - exact) > 0.1 * exact) {
        char buf[200];
        std::snprintf(buf, sizeof buf,
                      "a module of %g mm at %d dpi is %.2f pixels; drawn with %d pixel%s (%.3f mm)", millimetres,
                      dpi, exact, m.pixels, m.pixels == 1 ? "" : "s", m.pixels * 25.4 / dpi);
        m.note = buf;
    }
    return m;
}

SIZE ImageSize(CCommandControl& control, const CliOptions& o)
{
    const SIZE given{o.width, o.height};
    if (!o.moduleMm) return given;
    const int module = ModuleSize(*o.moduleMm, o.dpi).pixels;
    const bool axisWidth = AxisIsWidth(o.rotate);
    auto sized = [&](int side) { return axisWidth ? SIZE{side, o.height} : SIZE{o.width, side}; };
    auto wide = [&](int side) { return NarrowestBar(control, o, sized(side)) >= module; };
    // The smallest bar axis whose modules are that wide: doubling, then
    // halving the interval.
    constexpr int kLargest = 32767;
    int lo = 0, hi = 64;
    while (!wide(hi)) {
        if (hi == kLargest) return given; // nothing fits; the check says so
        lo = hi;
        hi = std::min(kLargest, hi * 2);
    }
    while (hi - lo > 1) {
        const int mid = lo + (hi - lo) / 2;
        (wide(mid) ? hi : lo) = mid;
    }
    return sized(hi);
}

std::string SizeErrorMessage(CCommandControl& control, const CliOptions& o, SIZE size)
{
    CGenericBarcode& symbol = control.Symbol();
    return "size error: the " + symbol.GetTypeName() + " symbol " + Quoted(symbol.GetText()) + " does not fit in " +
           std::to_string(size.cx) + "x" + std::to_string(size.cy) + " pixels; " + SizeAdvice(control, o, size);
}

Outcome CheckSymbol(CCommandControl& control, const CliOptions& o)
{
    if (Outcome text = CheckText(control); text.status != 0) return text;
    const SIZE size = ImageSize(control, o);
    if (!FitsArea(control, o, size.cx, size.cy)) return {1, SizeErrorMessage(control, o, size)};
    return {};
}

std::string InfoJson(CCommandControl& control, const CliOptions& o)
{
    CBarcodeCtrl& c = control.Control();
    const bool valid = c.GetIsValid() != FALSE;
    bool sizeOk = false;
    if (valid) {
        const SIZE size = ImageSize(control, o);
        sizeOk = FitsArea(control, o, size.cx, size.cy);
    }
    return "{\"type\":" + std::to_string(c.GetType()) + ",\"typeName\":" + JsonString(c.GetTypeName()) +
           ",\"text\":" + JsonString(c.GetText()) + ",\"valid\":" + (valid ? "true" : "false") +
           ",\"checksum\":" + std::to_string(c.GetChecksum()) + ",\"sizeOk\":" + (sizeOk ? "true" : "false") + "}";
}

Outcome RenderToFile(const CliOptions& o, CCommandControl& control, const std::string& output,
                     CImageWorkspace* workspace)
{
    const auto format = FormatForPath(output);
    if (!format)
        return {2, "cannot tell the image format of \"" + output + "\": use .png .jpg .jpeg .bmp .svg .pdf or .eps"};
    if (Outcome text = CheckText(control); text.status != 0) return text;
    const SIZE size = ImageSize(control, o);
    std::string error;
    switch (WriteImage(*format, output, control, o, size, workspace, error)) {
    case WriteResult::Written: return {};
    case WriteResult::DoesNotFit: return {1, SizeErrorMessage(control, o, size)};
    default: return {1, error};
    }
}

// The render API: one barcode control made in-process through the
// library's class factory, set up from the options, sized from its
// symbol's own geometry, and drawn into the surface of the format.
#include <tessaline/tessaline.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <functional>

#include "control/engine/catalogue.h"
#include "control/gs1/gs1.h"
#include "control/interface/barcodectrl.h"
#include "control/render/image_writers.h"
#include "control/render/render_internal.h"
#include "control/render/standards.h"
#include "control/symbologies/reasons.h"
#include "platform/com/registry.h"
#include "platform/gdi/metafile.h"

namespace tessaline {

namespace {

// --- tables --------------------------------------------------------------------

struct FormatRow {
    Format format;
    const char* name;
    const char* mime;
};

constexpr FormatRow kFormats[] = {
    {Format::Png, "png", "image/png"},       {Format::Jpeg, "jpeg", "image/jpeg"},
    {Format::Bmp, "bmp", "image/bmp"},       {Format::Svg, "svg", "image/svg+xml"},
    {Format::Pdf, "pdf", "application/pdf"}, {Format::Eps, "eps", "application/postscript"},
};

struct GroupRow {
    int32_t type;
    const char* group;
};

// How a type list groups the catalogue for people choosing a symbology.
constexpr GroupRow kGroups[] = {
    {0, "EAN/UPC"},  {1, "EAN/UPC"},  {2, "EAN/UPC"},  {3, "EAN/UPC"},   {4, "EAN/UPC"},  {5, "EAN/UPC"},
    {16, "EAN/UPC"}, {17, "EAN/UPC"}, {6, "Code 39"},  {10, "Code 39"},  {23, "Code 39"}, {26, "Code 39"},
    {27, "Code 39"}, {7, "2 of 5"},   {9, "2 of 5"},   {24, "2 of 5"},   {25, "2 of 5"},  {30, "GS1"},
    {11, "Code 128"}, {12, "Code 128"}, {13, "Code 128"}, {14, "Code 128"}, {15, "GS1"},  {28, "GS1"},
    {29, "GS1"},     {31, "GS1"},     {32, "GS1"},     {18, "Postal"},   {19, "Postal"},  {8, "Other"},
    {20, "Other"},   {21, "Other"},   {22, "Other"},   {99, "Other"},
};

// A text glyph this many modules high keeps the digits of every symbology
// apart: Code 128C, the tightest, has 5.5 modules a digit.
constexpr double kTextModules = 9;
// Postal codes size their bars physically; their text is 10 points.
constexpr double kPostalTextPoints = 10;
constexpr int kLargestSide = 32767;
constexpr int64_t kLargestImage = int64_t(1) << 26;

std::string Lower(std::string_view s)
{
    std::string out(s);
    for (char& c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}


bool AxisIsWidth(int rotate) { return rotate != 90 && rotate != 270; }
bool IsPostal(int32_t type) { return StandardFor(type).height == HeightRule::Physical; }
int MmToPixels(double millimetres, int dpi) { return int(std::lround(millimetres * dpi / 25.4)); }

// A rectangle of the rotation-0 frame (w x h) turned clockwise with the image.
RECT Turn(const RECT& r, int rotate, int w, int h)
{
    switch (rotate) {
    case 90: return {h - r.bottom, r.left, h - r.top, r.right};
    case 180: return {w - r.right, h - r.bottom, w - r.left, h - r.top};
    case 270: return {r.top, w - r.right, r.bottom, w - r.left};
    default: return r;
    }
}

void CheckOptions(const RenderOptions& o)
{
    auto bad = [](const std::string& m) { throw CRenderError(ErrorKind::Usage, m); };
    if ((o.width == 0) != (o.height == 0) || o.width < 0 || o.height < 0 || o.width > kLargestSide ||
        o.height > kLargestSide)
        bad("the image size wants a width and a height, each 1 to 32767 pixels");
    if (int64_t(o.width) * o.height > kLargestImage)
        throw CRenderError(ErrorKind::Limit, "an image of " + std::to_string(o.width) + "x" +
                                                 std::to_string(o.height) + " pixels is larger than 2^26 pixels");
    if (o.module < 1 || o.module > 100) bad("the module width wants 1 to 100 pixels");
    if (!(o.moduleMm >= 0) || o.moduleMm > 1000) bad("the module width wants above 0 and up to 1000 millimetres");
    if (!(o.barHeight >= 0) || o.barHeight > 10000) bad("the bar height wants up to 10000 modules");
    if (!(o.barHeightMm >= 0) || o.barHeightMm > 10000) bad("the bar height wants up to 10000 millimetres");
    if (o.rotate != 0 && o.rotate != 90 && o.rotate != 180 && o.rotate != 270)
        bad("the rotation wants 0, 90, 180 or 270");
    if (!(o.fontPoints >= 0) || o.fontPoints > 1000) bad("the font size wants up to 1000 points");
    if (o.borderWidth > kLargestSide || o.borderHeight > kLargestSide) bad("the borders want 0 to 32767 pixels");
    if (o.notch < 0 || o.notch > 100) bad("the notch wants 0 to 100 percent");
    if (o.jpegQuality < 1 || o.jpegQuality > 100) bad("the JPEG quality wants 1 to 100");
    if (o.dpi < 1 || o.dpi > 10000) bad("the resolution wants 1 to 10000 dots per inch");
    if (o.foreground > 0xFFFFFF || o.background > 0xFFFFFF) bad("colours want 0xRRGGBB");
}

COLORREF ToColorRef(uint32_t rgb) { return RGB(BYTE(rgb >> 16), BYTE(rgb >> 8), BYTE(rgb)); }

} // namespace

// --- layout cache ------------------------------------------------------------------

namespace {

// Types whose bars stand on a fixed grid: every all-digit text of one length
// puts its bars' edges and its digits in the same places.
bool IsFixedGrid(int32_t type, const std::string& text)
{
    constexpr int32_t kFixed[] = {1, 2, 3, 4, 5, 16, 17}; // EAN 13, 8, 5, 2, UPC A, EAN 99, UPC E
    return std::find(std::begin(kFixed), std::end(kFixed), type) != std::end(kFixed) && AllDigits(text);
}

} // namespace

const CRenderer::Impl::Layout* CRenderer::Impl::LayoutCache::Find(int32_t type, const std::string& text,
                                                                 const RenderOptions& o, int axisBorder,
                                                                 int crossBorder) const
{
    for (const Entry& e : entries) {
        if (e.type != type || e.axisBorder != axisBorder || e.crossBorder != crossBorder) continue;
        const bool textMatches = e.text == text || (!exactText && e.sameGrid && e.text.size() == text.size() &&
                                                    IsFixedGrid(type, text));
        if (textMatches && e.options == o) return &e.layout;
    }
    return nullptr;
}

void CRenderer::Impl::LayoutCache::Store(int32_t type, const std::string& text, const RenderOptions& o,
                                         int axisBorder, int crossBorder, const Layout& layout)
{
    Entry e{type, text, IsFixedGrid(type, text), o, axisBorder, crossBorder, layout};
    if (entries.size() < kEntries) {
        entries.push_back(std::move(e));
    } else {
        entries[next] = std::move(e);
        next = (next + 1) % kEntries;
    }
}

// --- the renderer ----------------------------------------------------------------

CRenderer::Impl::Impl()
{
    // Images are encoded row by row: bars stay rectangles until then.
    raster.SetDeferredFills(true);
    // Sixteen steps of text coverage look as smooth as 256 at these sizes
    // and keep the image at 4 bits a pixel.
    raster.SetTextLevels(16);
    // The control's class object, as a host that loaded the library would
    // ask for it; no registry is involved.
    void* factory = nullptr;
    if (DllGetClassObject(&CLSID_Barcode, &IID_IClassFactory, &factory) != S_OK || !factory) return;
    std::shared_ptr<IUnknown> object;
    if (static_cast<IClassFactory*>(factory)->CreateInstance(object) != S_OK) return;
    control = std::dynamic_pointer_cast<CBarcodeCtrl>(object);
    if (!control) return;
    control->SetClientSite(std::make_shared<CHeadlessSite>());
    control->InitNew();
}

CGenericBarcode& CRenderer::Impl::Symbol() { return *control->GetSymbol(); }

void CRenderer::Impl::Setup(int32_t type, std::optional<std::string_view> text, const RenderOptions& o)
{
    if (!control) throw CRenderError(ErrorKind::Limit, "the barcode control cannot be made");
    CBarcodeCtrl& c = *control;
    c.SetForeColor(ToColorRef(o.foreground));
    c.SetBackColor(ToColorRef(o.background));
    c.SetShowText(o.showText ? TRUE : FALSE);
    c.SetNotchHeightInPercent(int16_t(o.notch));
    c.SetRotate(0); // measured unturned; Draw turns it
    try {
        // Detection left on by the previous symbol would act on this text
        // before the type is set.
        if (c.GetAutoType()) c.SetAutoType(FALSE);
        c.SetType(type);
        if (text) c.SetText(std::string(*text));
        else c.SetDemoText();
        if (o.autoType) c.SetAutoType(TRUE);
    } catch (const DispatchError&) {
        throw CRenderError(ErrorKind::Usage, "type " + std::to_string(type) + " is not a symbology");
    }
    if (!c.GetSymbol()) throw CRenderError(ErrorKind::Usage, "type " + std::to_string(type) + " has no symbol");
}

void CRenderer::Impl::SetFont(const RenderOptions& o, double charPixels)
{
    // The control sizes its font for 96 dpi; the height wanted is in the
    // image's pixels. A size of a quarter-point multiple converts back to
    // exactly that character height.
    FontObject font = CBarcodeCtrl::DefaultFont();
    font.name = o.fontFace;
    font.size = std::max(1.0, std::round(charPixels)) * 0.75;
    font.weight = o.fontBold ? FW_BOLD : FW_NORMAL;
    font.italic = o.fontItalic;
    control->SetFont(&font);
}

void CRenderer::Impl::SetBorders(int width, int height)
{
    control->SetBorderwidth(int16_t(std::clamp(width, 0, 32767)));
    control->SetBorderheight(int16_t(std::clamp(height, 0, 32767)));
}

CRenderer::Impl::Measure CRenderer::Impl::MeasureAt(int axis, int cross, int dpi)
{
    // Unturned, the bar axis runs along x. The symbol says where it laid
    // its runs; the surface is only there for the text metrics and the fit.
    CMetaFileDC dc(axis, cross, dpi);
    const RECT bounds{0, 0, axis, cross};
    control->DrawBarcode(&dc, bounds, bounds);
    Measure m;
    m.fits = Symbol().IsSizeOk() != FALSE;
    m.textBand = Symbol().GetTextHeight();
    if (!m.fits) return m;
    m.runs = Symbol().GetDrawnRuns();
    const RunPlacement& p = Symbol().GetRunPlacement();
    m.bars.clear();
    for (const BarRun& b : m.runs.bars) {
        const RECT& span = p.Span(b.span);
        const int from = span.left + p.origin + b.start * p.unit, width = b.width * p.unit - p.trim;
        if (width <= 0 || span.bottom <= span.top) continue;
        m.bars.push_back({from, span.top, from + width, span.bottom});
    }
    std::sort(m.bars.begin(), m.bars.end(), [](const RECT& a, const RECT& b) { return a.left < b.left; });
    for (const RECT& r : m.bars) {
        const int w = r.right - r.left;
        if (m.narrowest == 0 || w < m.narrowest) m.narrowest = w;
        m.first = m.bars.front().left;
        m.last = std::max(m.last, int(r.right));
        m.barBottom = std::max(m.barBottom, int(r.bottom));
    }
    return m;
}

int CRenderer::Impl::SmallestAxis(int lo, int hi, const std::function<bool(int)>& good)
{
    // `good` is monotone in the axis: false at lo (or lo is 0), true at hi.
    while (hi - lo > 1) {
        const int mid = lo + (hi - lo) / 2;
        (good(mid) ? hi : lo) = mid;
    }
    return hi;
}

int CRenderer::Impl::AxisForModule(int module, int cross, int dpi, bool postal)
{
    const Measure probe = MeasureAt(kLargestSide, cross, dpi);
    if (!probe.fits) return 0;
    if (postal || probe.bars.empty()) {
        // Bars at their physical pitch, or none (type None): the shortest
        // axis that fits.
        auto fits = [&](int axis) { return MeasureAt(axis, cross, dpi).fits; };
        const int lo = probe.bars.empty() ? 0 : std::max(0, probe.last - 1);
        int hi = std::min(kLargestSide, probe.last + probe.last / 4 + 16);
        if (!fits(hi)) hi = kLargestSide;
        return std::max(1, SmallestAxis(lo, hi, fits));
    }
    if (probe.narrowest < module) return 0;
    auto wide = [&](int axis) {
        const Measure m = MeasureAt(axis, cross, dpi);
        return m.fits && m.narrowest >= module;
    };
    // The symbol divides its axis into N modules (less a few pixels some
    // reserve for text): the probe's module u bounds N, and with it the
    // axis that gives `module`.
    const int u = probe.narrowest;
    int lo = std::max(0, int(int64_t(kLargestSide) * module / (u + 1)) - 2 * module - 64);
    int hi = std::min<int64_t>(kLargestSide, int64_t(kLargestSide) * module / u + module + 64);
    if (lo > 0 && wide(lo)) lo = 0;
    if (!wide(hi)) hi = kLargestSide;
    return SmallestAxis(lo, hi, wide);
}

CRenderer::Impl::Layout CRenderer::Impl::SizedLayout(const RenderOptions& o, int axisBorder, int crossBorder)
{
    const int32_t type = Symbol().GetType();
    const SymbolStandard& standard = StandardFor(type);
    const bool postal = IsPostal(type);
    Layout l;
    double exact = o.module;
    if (o.moduleMm > 0) {
        exact = o.moduleMm * o.dpi / 25.4;
        l.module = std::max(1, int(std::lround(exact)));
        if (std::abs(l.module - exact) > 0.1 * exact) {
            char buf[200];
            std::snprintf(buf, sizeof buf, "a module of %g mm at %d dpi is %.2f pixels; drawn with %d pixel%s (%.3f mm)",
                          o.moduleMm, o.dpi, exact, l.module, l.module == 1 ? "" : "s", l.module * 25.4 / o.dpi);
            l.warnings.push_back(buf);
        }
    } else {
        l.module = o.module;
    }
    const int m = l.module;
    const double textPixels = o.fontPoints > 0 ? o.fontPoints * o.dpi / 72.0
                              : postal        ? kPostalTextPoints * o.dpi / 72.0
                                              : kTextModules * m;
    SetFont(o, textPixels);
    const int bh = crossBorder;
    SetBorders(axisBorder, crossBorder);
    if (const Layout* known = layouts.Find(type, Symbol().GetText(), o, axisBorder, crossBorder)) return *known;

    // The probe's cross size only has to hold the text band and the bars.
    const int probeCross = std::min(kLargestSide, int(textPixels * 3) + 2 * bh + 4 * o.dpi);
    const int axis = AxisForModule(m, probeCross, o.dpi, postal);
    if (axis == 0) throw CRenderError(ErrorKind::DoesNotFit, SizeErrorText(o, "no image up to 32767 pixels holds it"));
    const Measure at = MeasureAt(axis, probeCross, o.dpi);
    l.measure = at;

    // Light margins: what the area leaves before the first and after the
    // last bar counts towards the standard's quiet zone.
    int qs = 0, qe = 0, vq = 0;
    if (o.quietZones) {
        const int wantStart = postal ? MmToPixels(standard.quietMm, o.dpi) : int(std::ceil(standard.quietStart * m));
        const int wantEnd = postal ? MmToPixels(standard.quietMm, o.dpi) : int(std::ceil(standard.quietEnd * m));
        qs = std::max(0, wantStart - at.first);
        qe = std::max(0, wantEnd - (axis - at.last));
        vq = postal ? MmToPixels(standard.quietMm, o.dpi) : int(std::lround(kVerticalQuietModules * m));
        // Turned by 180 or 270 degrees the control draws its bars one
        // pixel further from where the symbol starts than unturned.
        if (o.rotate == 180 || o.rotate == 270) ++qe;
    }
    int bars;
    if (o.barHeightMm > 0) bars = MmToPixels(o.barHeightMm, o.dpi);
    else if (o.barHeight > 0) bars = int(std::lround(o.barHeight * m));
    else {
        switch (standard.height) {
        case HeightRule::Modules: bars = int(std::lround(standard.heightModules * m)); break;
        case HeightRule::Millimetres: bars = int(std::lround(standard.heightMm / standard.nominalMm * m)); break;
        case HeightRule::Physical: bars = at.barBottom - bh; break;
        default: bars = std::max(50 * m, int(std::lround(0.15 * (at.last - at.first)))); break;
        }
    }
    bars = std::max(bars, 1);
    const int bearer = standard.bearerBars && o.bearerBars ? int(std::lround(kBearerModules * m)) : 0;
    const int textBand = o.showText ? at.textBand : 0;
    // The symbol asks for 20 pixels of bars at least.
    int areaCross = std::max(bars + bearer, 20) + textBand + 2 * bh;
    const int given = AxisIsWidth(o.rotate) ? o.height : o.width;
    if (given > 0) areaCross = std::max(1, given - 2 * vq - bearer); // the other side as given

    const int w0 = qs + axis + qe;
    const int h0 = vq + bearer + areaCross + vq;
    if (w0 > kLargestSide || h0 > kLargestSide || int64_t(w0) * h0 > kLargestImage)
        throw CRenderError(ErrorKind::Limit, "the image would be " + std::to_string(w0) + "x" + std::to_string(h0) +
                                                 " pixels, beyond 32767 a side or 2^26 pixels");
    const RECT area{qs, vq + bearer, qs + axis, vq + bearer + areaCross};
    l.frame = {w0, h0};
    l.area = Turn(area, o.rotate, w0, h0);
    if (bearer > 0) {
        const int barsEnd = area.top + bh + bars + bearer;
        l.bearers.push_back(Turn({0, vq, w0, vq + bearer}, o.rotate, w0, h0));
        l.bearers.push_back(Turn({0, barsEnd - bearer, w0, barsEnd}, o.rotate, w0, h0));
    }
    l.image = AxisIsWidth(o.rotate) ? SIZE{w0, h0} : SIZE{h0, w0};
    layouts.Store(type, Symbol().GetText(), o, axisBorder, crossBorder, l);
    return l;
}

CRenderer::Impl::Layout CRenderer::Impl::GivenLayout(const RenderOptions& o, int axisBorder, int crossBorder)
{
    Layout l;
    SetFont(o, (o.fontPoints > 0 ? o.fontPoints : 18.0) * o.dpi / 72.0);
    SetBorders(axisBorder, crossBorder);
    if (const Layout* known = layouts.Find(Symbol().GetType(), Symbol().GetText(), o, axisBorder, crossBorder))
        return *known;
    l.image = {o.width, o.height};
    const bool axisWidth = AxisIsWidth(o.rotate);
    const int axis = axisWidth ? o.width : o.height, cross = axisWidth ? o.height : o.width;
    const Measure full = MeasureAt(axis, cross, o.dpi);
    if (!full.fits) throw CRenderError(ErrorKind::DoesNotFit, SizeErrorText(o, SizeAdvice(o, axis, cross, axisBorder)));

    // The same module in the shortest area, centred in the given one.
    const int32_t type = Symbol().GetType();
    int fitted = axis;
    if (IsPostal(type)) {
        fitted = SmallestAxis(0, axis, [&](int a) { return MeasureAt(a, cross, o.dpi).fits; });
    } else if (full.narrowest > 0) {
        fitted = SmallestAxis(0, axis, [&](int a) {
            const Measure m = MeasureAt(a, cross, o.dpi);
            return m.fits && m.narrowest >= full.narrowest;
        });
    }
    const Measure at = MeasureAt(fitted, cross, o.dpi);
    l.measure = at;
    l.module = at.narrowest;
    const int offset = (axis - fitted) / 2;
    l.frame = {axis, cross};
    l.area = Turn({offset, 0, offset + fitted, cross}, o.rotate, axis, cross);

    if (o.quietZones && !IsPostal(type) && at.narrowest > 0) {
        const SymbolStandard& s = StandardFor(type);
        const int before = offset + at.first, after = axis - offset - at.last;
        const int want = int(std::ceil(std::max(s.quietStart, s.quietEnd) * at.narrowest));
        if (std::min(before, after) < want) {
            l.warnings.push_back("the light margin of " + std::to_string(std::min(before, after)) +
                                 " pixels beside the bars is less than the " +
                                 std::to_string(int(std::max(s.quietStart, s.quietEnd))) + " modules (" +
                                 std::to_string(want) + " pixels) the standard asks for; scanners may not read it");
        }
    }
    layouts.Store(type, Symbol().GetText(), o, axisBorder, crossBorder, l);
    return l;
}

std::string CRenderer::Impl::SizeErrorText(const RenderOptions& o, const std::string& advice)
{
    CGenericBarcode& symbol = Symbol();
    std::string where = o.width > 0 ? "in " + std::to_string(o.width) + "x" + std::to_string(o.height) + " pixels"
                                    : "at these settings";
    return "size error: the " + symbol.GetTypeName() + " symbol " + QuotedText(symbol.GetText()) + " does not fit " +
           where + "; " + advice;
}

std::string CRenderer::Impl::SizeAdvice(const RenderOptions& o, int axis, int cross, int axisBorder)
{
    const bool axisWidth = AxisIsWidth(o.rotate);
    const char* axisName = axisWidth ? "width" : "height";
    const char* otherName = axisWidth ? "height" : "width";
    auto fitsAxis = [&](int a) { return MeasureAt(a, cross, o.dpi).fits; };
    auto fitsCross = [&](int c) { return MeasureAt(axis, c, o.dpi).fits; };
    // Doubling from a side known not to fit, then halving the interval.
    auto smallest = [&](int from, const std::function<bool(int)>& fits) {
        int lo = from, hi = from;
        do {
            hi = hi >= kLargestSide / 2 ? kLargestSide : std::max(1, hi * 2);
            if (fits(hi)) break;
            if (hi == kLargestSide) return 0;
            lo = hi;
        } while (true);
        return SmallestAxis(lo, hi, fits);
    };
    if (int n = smallest(axis, fitsAxis))
        return std::string("the smallest ") + axisName + " that fits is " + std::to_string(n) + " (a bar axis of " +
               std::to_string(n - 2 * axisBorder) + " pixels inside the borders)";
    if (int n = smallest(cross, fitsCross))
        return std::string("the smallest ") + otherName + " that fits is " + std::to_string(n);
    return "no image size up to 32767 pixels fits it";
}

CRenderer::Impl::Layout CRenderer::Impl::Prepare(std::string_view type, std::optional<std::string_view> text,
                                                 const RenderOptions& o, SymbolReport* report)
{
    CheckOptions(o);
    if (text && text->size() > kMaxTextBytes)
        throw CRenderError(ErrorKind::Limit, "the text has " + std::to_string(text->size()) +
                                                 " bytes; no symbol holds more than " +
                                                 std::to_string(kMaxTextBytes));
    const int id = ResolveType(type);
    if (id < 0) throw CRenderError(ErrorKind::Usage, TypeError(type));
    Setup(id, text, o);
    CGenericBarcode& symbol = Symbol();
    if (report) {
        report->type = int(control->GetType());
        report->typeName = control->GetTypeName();
        report->text = control->GetText();
        report->valid = control->GetIsValid() != FALSE;
        report->checksum = int(control->GetChecksum());
    }
    if (!symbol.IsValid()) {
        std::string message = "text error: " + QuotedText(symbol.GetText()) + " is not a valid " + symbol.GetTypeName() +
                              " text";
        const std::string why = InvalidTextReason(symbol.GetType(), symbol.GetText());
        if (!why.empty()) message += ": " + why;
        if (report) report->reason = message;
        throw CRenderError(ErrorKind::InvalidText, message);
    }
    std::vector<std::string> gs1Warnings;
    if (IsGs1Type(symbol.GetType())) {
        // The element string as GS1 reads it; type 28 gets its FNC1
        // separators where the fields need them.
        const CGs1Verdict v = Gs1Check(symbol.GetType(), control->GetText());
        if (report) {
            report->gs1 = true;
            report->gs1Valid = v.valid;
            report->gs1Errors = v.errors;
        }
        if (!v.valid) {
            const std::string message = "GS1 error: " + v.errors.front();
            if (o.gs1Check) throw CRenderError(ErrorKind::Gs1, message);
            for (const std::string& e : v.errors) gs1Warnings.push_back("GS1: " + e);
        }
        if (symbol.GetType() == 28 && !v.controlText.empty() && (v.valid || !o.gs1Check))
            control->SetText(v.controlText);
    }
    // Borders are the control's left/right and top/bottom ones; measured
    // unturned, a turned symbol has its top and bottom ones on the axis.
    const bool given = o.width > 0 && o.moduleMm <= 0;
    const int bw = o.borderWidth >= 0 ? o.borderWidth : given ? 3 : 0;
    const int bh = o.borderHeight >= 0 ? o.borderHeight : given ? 4 : 0;
    const bool axisWidth = AxisIsWidth(o.rotate);
    const int axisBorder = axisWidth ? bw : bh, crossBorder = axisWidth ? bh : bw;
    layouts.exactText = report != nullptr;
    Layout l = given ? GivenLayout(o, axisBorder, crossBorder) : SizedLayout(o, axisBorder, crossBorder);
    l.borderWidth = bw;
    l.borderHeight = bh;
    l.warnings.insert(l.warnings.end(), gs1Warnings.begin(), gs1Warnings.end());
    SetBorders(bw, bh);
    control->SetRotate(int16_t(o.rotate));
    return l;
}

std::string CRenderer::Impl::TypeError(std::string_view type)
{
    std::string t(type);
    bool digits = !t.empty() && std::all_of(t.begin(), t.end(), [](unsigned char c) { return std::isdigit(c); });
    if (digits) return "unknown type id " + t + " (see --list-types)";
    const int32_t alias = LookupTypeAlias(AnsiUpper(Utf8ToCp1252(t)));
    if (alias >= 0) return "\"" + t + "\" is not a symbology this program draws";
    return "unknown type name \"" + t + "\" (see --list-types)";
}

void CRenderer::Impl::Paint(CDC& dc, const Layout& l, const RenderOptions& o)
{
    // The whole image in the background, the control in its area, the
    // bearer bars over the bars' ends.
    const COLORREF back = ToColorRef(o.background), fore = ToColorRef(o.foreground);
    dc.FillRect({0, 0, l.image.cx, l.image.cy}, CBrush{BS_SOLID, back});
    control->DrawBarcode(&dc, l.area, l.area);
    for (const RECT& b : l.bearers) dc.FillRect(b, CBrush{BS_SOLID, fore});
}

bool CRenderer::Impl::DrawRaster(const Layout& l, const RenderOptions& o)
{
    if (!(raster.IsOk() && raster.Width() == l.image.cx && raster.Height() == l.image.cy &&
          raster.GetDeviceCaps(LOGPIXELSX) == o.dpi) &&
        !raster.Create(l.image.cx, l.image.cy, o.dpi))
        return false;
    raster.SetTextAntialias(!o.bilevel);
    Paint(raster, l, o);
    return Symbol().IsSizeOk() != FALSE;
}

bool CRenderer::Impl::Encode(const Layout& l, Format format, const RenderOptions& o, std::vector<uint8_t>& out)
{
    switch (format) {
    case Format::Png: {
        if (!DrawRaster(l, o)) return false;
        PixelView view;
        view.rows = raster.Rows().data();
        view.width = raster.Width();
        view.height = raster.Height();
        view.colours = raster.DrawnColours().data();
        view.colourCount = raster.DrawnColours().size();
        view.greyOnly = raster.GreyOnly();
        return png.Encode(view, o.dpi, o.interlace, out);
    }
    case Format::Jpeg: return DrawRaster(l, o) && EncodeJpeg(raster, o.dpi, o.jpegQuality, out);
    case Format::Bmp: return DrawRaster(l, o) && EncodeBmp(raster, o.dpi, out);
    default: {
        const VectorFormat vf = format == Format::Svg   ? VectorFormat::Svg
                                : format == Format::Pdf ? VectorFormat::Pdf
                                                        : VectorFormat::Eps;
        return EncodeVector(vf, l.image.cx, l.image.cy, o.dpi, [&](CDC& dc) { Paint(dc, l, o); }, out);
    }
    }
}

void CRenderer::Impl::Runs(const Layout& l, SymbolReport& r)
{
    const Measure& m = l.measure;
    r.modulePixels = m.narrowest;
    if (m.runs.bars.empty() || m.narrowest <= 0) return;
    // A postal module is a bar position: each bar stands alone.
    if (IsPostal(r.type)) {
        r.modules = int(m.runs.bars.size());
        return;
    }
    // Along the axis (symbols may encode guards before digits);
    // overlapping or touching runs are one bar.
    std::vector<BarRun> along = m.runs.bars;
    std::sort(along.begin(), along.end(), [](const BarRun& a, const BarRun& b) { return a.start < b.start; });
    std::vector<std::pair<int32_t, int32_t>> merged;
    for (const BarRun& b : along) {
        if (!merged.empty() && b.start <= merged.back().second)
            merged.back().second = std::max(merged.back().second, b.start + b.width);
        else merged.push_back({b.start, b.start + b.width});
    }
    for (size_t i = 0; i < merged.size(); ++i) {
        if (i > 0) r.runs.push_back(merged[i].first - merged[i - 1].second);
        r.runs.push_back(merged[i].second - merged[i].first);
    }
    r.modules = merged.back().second - merged.front().first;
}

CRenderer::CRenderer() : m_impl(std::make_unique<Impl>()) {}
CRenderer::~CRenderer() = default;

SymbolReport CRenderer::Inspect(std::string_view type, std::optional<std::string_view> text, const RenderOptions& o)
{
    SymbolReport r;
    try {
        const Impl::Layout l = m_impl->Prepare(type, text, o, &r);
        r.sizeOk = true;
        r.width = l.image.cx;
        r.height = l.image.cy;
        r.warnings = l.warnings;
        m_impl->Runs(l, r);
    } catch (const CRenderError& e) {
        if (e.Kind() == ErrorKind::Usage || e.Kind() == ErrorKind::Limit) throw;
        r.reason = e.what();
    }
    return r;
}

Image CRenderer::Render(std::string_view type, std::optional<std::string_view> text, Format format,
                        const RenderOptions& o)
{
    const Impl::Layout l = m_impl->Prepare(type, text, o, nullptr);
    Image image;
    image.format = format;
    image.width = l.image.cx;
    image.height = l.image.cy;
    image.warnings = l.warnings;
    if (!m_impl->Encode(l, format, o, image.bytes)) {
        if (!m_impl->Symbol().IsSizeOk())
            throw CRenderError(ErrorKind::DoesNotFit, m_impl->SizeErrorText(o, "the image is too small for it"));
        throw CRenderError(ErrorKind::Limit, "cannot make an image of " + std::to_string(l.image.cx) + "x" +
                                                 std::to_string(l.image.cy) + " pixels");
    }
    return image;
}

Pixels CRenderer::RenderPixels(std::string_view type, std::optional<std::string_view> text, const RenderOptions& o)
{
    const Impl::Layout l = m_impl->Prepare(type, text, o, nullptr);
    if (!m_impl->DrawRaster(l, o))
        throw CRenderError(ErrorKind::Limit, "cannot make an image of " + std::to_string(l.image.cx) + "x" +
                                                 std::to_string(l.image.cy) + " pixels");
    return {l.image.cx, l.image.cy, m_impl->raster.ToGray()};
}

Image CRenderer::Save(const std::string& path, std::string_view type, std::optional<std::string_view> text,
                      const RenderOptions& o, std::optional<Format> format)
{
    if (!format) format = FormatForPath(path);
    if (!format)
        throw CRenderError(ErrorKind::Usage, "cannot tell the image format of \"" + path +
                                                 "\": use .png .jpg .jpeg .bmp .svg .pdf or .eps");
    Image image = Render(type, text, *format, o);
    std::string reason;
    if (!WriteImageFile(path, image.bytes, reason)) throw CRenderError(ErrorKind::Write, reason);
    return image;
}

CRenderer& ThreadRenderer()
{
    thread_local CRenderer renderer;
    return renderer;
}

SymbolReport Inspect(std::string_view type, std::optional<std::string_view> text, const RenderOptions& o)
{
    return ThreadRenderer().Inspect(type, text, o);
}

Image Render(std::string_view type, std::optional<std::string_view> text, Format format, const RenderOptions& o)
{
    return ThreadRenderer().Render(type, text, format, o);
}

Image Save(const std::string& path, std::string_view type, std::optional<std::string_view> text,
           const RenderOptions& o)
{
    return ThreadRenderer().Save(path, type, text, o);
}

// --- catalogue and formats ---------------------------------------------------------

std::vector<TypeEntry> Types()
{
    std::vector<TypeEntry> out;
    for (size_t i = 0; i < TypeInfoCount(); ++i) {
        const TypeInfo& t = TypeInfos()[i];
        std::string group = "Other";
        for (const GroupRow& g : kGroups)
            if (g.type == t.id) group = g.group;
        out.push_back({t.id, Cp1252ToUtf8(t.name), Cp1252ToUtf8(t.demoText), group});
    }
    return out;
}

int ResolveType(std::string_view type)
{
    const std::string t(type);
    if (!t.empty() && std::all_of(t.begin(), t.end(), [](unsigned char c) { return std::isdigit(c); })) {
        if (t.size() > 3) return -1;
        const int id = std::stoi(t);
        return FindTypeInfo(id) ? id : -1;
    }
    const int32_t id = LookupTypeAlias(AnsiUpper(Utf8ToCp1252(t)));
    return id >= 0 && FindTypeInfo(id) ? id : -1;
}

const char* Version() { return TESSALINE_VERSION; }

std::optional<Format> FormatFromName(std::string_view name)
{
    std::string n = Lower(name);
    if (!n.empty() && n[0] == '.') n.erase(0, 1);
    if (n == "jpg") n = "jpeg";
    for (const FormatRow& f : kFormats)
        if (n == f.name) return f.format;
    return std::nullopt;
}

std::optional<Format> FormatForPath(std::string_view path)
{
    const size_t slash = path.find_last_of('/');
    const std::string_view base = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const size_t dot = base.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return std::nullopt;
    return FormatFromName(base.substr(dot));
}

const char* FormatName(Format format)
{
    for (const FormatRow& f : kFormats)
        if (f.format == format) return f.name;
    return "";
}

const char* MimeType(Format format)
{
    for (const FormatRow& f : kFormats)
        if (f.format == format) return f.mime;
    return "application/octet-stream";
}

std::string JsonString(std::string_view utf8, bool forMarkup)
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
            if (c < 0x20 || (forMarkup && (c == 0x7F || c == '<'))) {
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

std::string SymbolReport::ToJson() const
{
    auto b = [](bool v) { return v ? "true" : "false"; };
    std::string j = "{\"type\":" + std::to_string(type) + ",\"typeName\":" + JsonString(typeName) +
                    ",\"text\":" + JsonString(text) + ",\"valid\":" + b(valid) +
                    ",\"checksum\":" + std::to_string(checksum) + ",\"sizeOk\":" + b(sizeOk);
    j += ",\"reason\":" + JsonString(reason);
    j += ",\"width\":" + std::to_string(width) + ",\"height\":" + std::to_string(height);
    j += ",\"modules\":" + std::to_string(modules);
    if (gs1) {
        j += ",\"gs1\":{\"valid\":" + std::string(b(gs1Valid)) + ",\"errors\":[";
        for (size_t i = 0; i < gs1Errors.size(); ++i) {
            if (i) j += ',';
            j += JsonString(gs1Errors[i]);
        }
        j += "]}";
    }
    if (!warnings.empty()) {
        j += ",\"warnings\":[";
        for (size_t i = 0; i < warnings.size(); ++i) {
            if (i) j += ',';
            j += JsonString(warnings[i]);
        }
        j += "]";
    }
    return j + "}";
}

} // namespace tessaline

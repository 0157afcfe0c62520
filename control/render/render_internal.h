// The render API's renderer: its control, surfaces and the geometry it
// measures. Internal to the library (the command's and the tests' view).
#pragma once

#include <tessaline/tessaline.hpp>

#include <functional>
#include <memory>
#include <vector>

#include "control/interface/barcodectrl.h"
#include "control/render/compact_png.h"
#include "platform/gdi/raster.h"

namespace tessaline {

struct CRenderer::Impl {
    // The symbol unturned in an area: whether it fitted, its text band and
    // its bars along x.
    struct Measure {
        bool fits = false;
        int textBand = 0;
        int narrowest = 0;        // the module, in pixels
        int first = 0, last = 0;  // first bar's start, last bar's end
        int barBottom = 0;        // lowest bar end across the axis
        std::vector<RECT> bars;   // the runs on the surface
        SymbolRuns runs;          // as the symbol encoded them
    };
    // Where the symbol goes in the image.
    struct Layout {
        SIZE image{};              // the image, turned
        SIZE frame{};              // the image unturned
        RECT area{};               // the control's area in the image
        std::vector<RECT> bearers; // bearer bars in the image
        int module = 0;
        int borderWidth = 0, borderHeight = 0; // the control's, in the image
        Measure measure;           // at the final area, unturned
        std::vector<std::string> warnings;
    };

    Impl();

    CGenericBarcode& Symbol();
    // Type, text and presentation; the symbol unturned for measuring.
    void Setup(int32_t type, std::optional<std::string_view> text, const RenderOptions& o);
    void SetFont(const RenderOptions& o, double charPixels);
    void SetBorders(int width, int height);
    Measure MeasureAt(int axis, int cross, int dpi);
    static int SmallestAxis(int lo, int hi, const std::function<bool(int)>& good);
    // The shortest axis whose module is `module` pixels (postal codes: the
    // shortest that fits); 0 when none does.
    int AxisForModule(int module, int cross, int dpi, bool postal);
    Layout SizedLayout(const RenderOptions& o, int axisBorder, int crossBorder);
    Layout GivenLayout(const RenderOptions& o, int axisBorder, int crossBorder);
    // Checks the options and the text and lays the symbol out; throws
    // CRenderError. `report` (may be null) receives the symbol's verdicts.
    Layout Prepare(std::string_view type, std::optional<std::string_view> text, const RenderOptions& o,
                   SymbolReport* report);
    std::string SizeErrorText(const RenderOptions& o, const std::string& advice);
    std::string SizeAdvice(const RenderOptions& o, int axis, int cross, int axisBorder);
    static std::string TypeError(std::string_view type);

    void Paint(CDC& dc, const Layout& l, const RenderOptions& o);
    bool DrawRaster(const Layout& l, const RenderOptions& o);
    bool Encode(const Layout& l, Format format, const RenderOptions& o, std::vector<uint8_t>& out);
    void Runs(const Layout& l, SymbolReport& r);

    // Layouts measured before, so that a batch of like symbols measures its
    // geometry once: keyed by everything that decides a layout, the text
    // itself or, for the fixed-grid EAN/UPC types with all-digit texts, only
    // its length (every such text has the same bars' positions).
    struct LayoutCache {
        struct Entry {
            int32_t type = -1;
            std::string text;  // Windows-1252, as the symbol holds it
            bool sameGrid = false;
            RenderOptions options;
            int axisBorder = 0, crossBorder = 0;
            Layout layout;
        };
        static constexpr size_t kEntries = 8;
        // Reports want the bars of their own text: no look-up by length.
        bool exactText = false;
        std::vector<Entry> entries;
        size_t next = 0;

        const Layout* Find(int32_t type, const std::string& text, const RenderOptions& o, int axisBorder,
                           int crossBorder) const;
        void Store(int32_t type, const std::string& text, const RenderOptions& o, int axisBorder, int crossBorder,
                   const Layout& layout);
    };
    LayoutCache layouts;

    std::shared_ptr<CBarcodeCtrl> control;
    CRasterDC raster;
    CCompactPngEncoder png;
};

// A JSON string; `forMarkup` also escapes '<' and DEL, so that the text
// never closes a script block of a page it is pasted into.
std::string JsonString(std::string_view utf8, bool forMarkup = false);
// Replaces `path` with `bytes`; false with the reason when it cannot.
bool WriteImageFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& reason);

} // namespace tessaline

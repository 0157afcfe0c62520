// The render API: every sample symbol as a new user draws it reads back,
// the standards' margins and heights, formats, and bad input.
#include <tessaline/tessaline.hpp>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "control/interface/tessaline.h"
#include "tests/support/scan.h"

namespace {

using tessaline::Format;
using tessaline::RenderOptions;

GrayImage Gray(const tessaline::Pixels& p) { return {p.width, p.height, p.grey}; }

struct SampleCase {
    int type;
    const char* zxing;   // zxing format, "" when zxing does not read it
    bool zbar;           // zbar reads it
    const char* decoded; // what zxing gives
    const char* zbarText = nullptr; // what zbar gives, when it differs
};

// The sample text of every type, as the decoders read it.
const SampleCase kSamples[] = {
    {0, "EAN13", true, "9781234567897"},    {1, "EAN13", true, "1234567890128"},
    {2, "EAN8", true, "12345670"},          {5, "UPCA", true, "123456789012"},
    {6, "Code39", true, "CODE 39"},         {7, "ITF", true, "012345"},
    {8, "Codabar", true, "1234", "A1234A"},         {10, "Code39", true, "CODE 39 EXT"},
    {11, "Code128", true, "1234567890"},    {12, "Code128", true, "Code 128B"},
    {13, "Code128", true, "1234567890"},    {14, "Code128", true, "Code 128"},
    {16, "EAN13", true, "9934567890129"},   {17, "UPCE", true, "01234565"},
    {21, "Code93", true, "CODE93"},         {22, "Code93", true, "Code 39 Ext"},
    {24, "ITF", true, "563102430313"},      {25, "ITF", true, "21348075016401"},
    {30, "ITF", true, "30712345000010"},    {15, "Code128", true, "EAN/UCC 128"},
    {28, "Code128", true, "010123456789012815051231"},             {31, "Code128", true, "00340123450000000000"},
    {32, "Code128", true, "00100653005555555558"},             {23, "Code39", true, "-1234562"},
    {26, "Code39", true, "CODE 39 CHECKSUM5"},              {27, "Code39", true, "CODE 39 EXTENDED CHECKSUMO"},    {29, "Code128", true, "0112345678901231"},
};

TEST(RenderApi, EverySampleSymbolReadsBackAtEveryModuleWidth)
{
    tessaline::CRenderer renderer;
    for (const SampleCase& c : kSamples) {
        for (int module : {1, 2, 3, 4, 0}) {
            RenderOptions o;
            if (module) {
                o.module = module;
            } else {
                o.moduleMm = 0.33;
                o.dpi = 300;
            }
            const std::string label = std::to_string(c.type) + " module " + std::to_string(module);
            const GrayImage image = Gray(renderer.RenderPixels(std::to_string(c.type), std::nullopt, o));
            if (*c.zxing) {
                EXPECT_EQ(ScanZxing(image, c.zxing).text, c.decoded) << label;
            }
            if (c.zbar && module > 1) {
                EXPECT_EQ(ScanZbar(image).text, c.zbarText ? c.zbarText : c.decoded) << label;
            }
        }
    }
}

} // namespace

namespace {

struct CCase {
    const char* type;
    const char* text;
    const char* format;
    TlStatus status;
    const char* says; // in the last error's description
};

TEST(RenderCApi, StatusesAndReasons)
{
    const CCase cases[] = {
        {"ean13", "590123412345", "png", TL_S_OK, ""},
        {"Code 128", "Hello 123", "svg", TL_S_OK, ""},
        {"1", nullptr, "pdf", TL_S_OK, ""},
        {"1", "5901234123450", "png", TL_E_TEXT, "check digit should be 7, not 0"},
        {"PDF417", "x", "png", TL_E_INVALIDARG, "PDF417"},
        {"33", "x", "png", TL_E_INVALIDARG, "33"},
        {"1", "590123412345", "gif", TL_E_INVALIDARG, "gif"},
        {"28", "(17)991332", "png", TL_E_GS1, "month 13"},
        {nullptr, "x", "png", TL_E_POINTER, ""},
    };
    for (const CCase& c : cases) {
        TlVariant image = TlVariantEmpty();
        const TlStatus status = TlRender(c.type, c.text, c.format, nullptr, &image);
        TlErrorInfo info;
        TlGetLastError(&info);
        const std::string label = std::string(c.type ? c.type : "NULL") + " " + (c.text ? c.text : "NULL");
        EXPECT_EQ(status, c.status) << label << ": " << info.description;
        EXPECT_NE(std::string(info.description).find(c.says), std::string::npos) << label << ": " << info.description;
        if (status == TL_S_OK) {
            ASSERT_EQ(image.type, TL_BYTES) << label;
            EXPECT_GT(image.value.bytes.size, 100u) << label;
        } else {
            EXPECT_EQ(image.type, TL_EMPTY) << label;
        }
        TlVariantClear(&image);
    }
    TlRenderOptions o;
    TlRenderOptionsInit(&o);
    o.rotate = 45;
    TlVariant json = TlVariantEmpty();
    EXPECT_EQ(TlInspect("1", nullptr, &o, &json), TL_E_INVALIDARG);
    o.rotate = 90;
    ASSERT_EQ(TlInspect("1", "5901234123450", &o, &json), TL_S_OK);
    EXPECT_NE(std::string(json.value.string).find("\"valid\":false"), std::string::npos) << json.value.string;
    TlVariantClear(&json);
}

} // namespace

namespace {

struct MarginCase {
    const char* type;
    int rotate;
    int module;
    int before, after; // light pixels before the first and after the last bar, along the axis
};

// The dark extent along the bar axis of the line a quarter into the image.
std::pair<int, int> DarkExtent(const tessaline::Pixels& p, bool alongX)
{
    const int length = alongX ? p.width : p.height;
    int first = -1, last = -1;
    for (int i = 0; i < length; ++i) {
        const int x = alongX ? i : p.width * 3 / 4, y = alongX ? p.height / 4 : i;
        if (p.grey[size_t(y) * size_t(p.width) + size_t(x)] >= 128) continue;
        if (first < 0) first = i;
        last = i;
    }
    return {first, length - 1 - last};
}

TEST(RenderApi, QuietZonesAsTheStandardsAsk)
{
    // EAN 13 11/7 modules, EAN 8 7/7, UPC A 9/9, UPC E 9/7 (more after it:
    // its check digit is printed there), Code 128, Code 39 and ITF 14 10,
    // MSI 12; turned symbols keep theirs along the axis, the leading one
    // where the symbol starts.
    const MarginCase cases[] = {
        {"ean13", 0, 2, 22, 14}, {"ean8", 0, 2, 14, 14},   {"upca", 0, 2, 18, 18},  {"upce", 0, 2, 18, 24},
        {"code128", 0, 2, 20, 20}, {"code39", 0, 3, 30, 30}, {"msi", 0, 1, 12, 12},  {"ean13", 90, 2, 22, 14},
        {"ean13", 180, 2, 14, 23}, {"ean13", 270, 3, 21, 34}, {"30", 0, 2, 20, 20},
    };
    tessaline::CRenderer renderer;
    for (const MarginCase& c : cases) {
        RenderOptions o;
        o.module = c.module;
        o.rotate = c.rotate;
        o.bearerBars = false;
        const tessaline::Pixels p = renderer.RenderPixels(c.type, std::nullopt, o);
        const auto [before, after] = DarkExtent(p, c.rotate == 0 || c.rotate == 180);
        EXPECT_EQ(before, c.before) << c.type << " " << c.rotate;
        EXPECT_EQ(after, c.after) << c.type << " " << c.rotate;
        o.quietZones = false;
        const auto bare = DarkExtent(renderer.RenderPixels(c.type, std::nullopt, o), c.rotate == 0 || c.rotate == 180);
        EXPECT_LE(bare.first, before) << c.type;
    }
}

TEST(RenderApi, GeometryBearerBarsHeightsAndLimits)
{
    tessaline::CRenderer renderer;
    // EAN 13: 95 modules from guard to guard, starting with the guard 101.
    const tessaline::SymbolReport ean = renderer.Inspect("ean13", "590123412345", {});
    EXPECT_TRUE(ean.valid && ean.sizeOk) << ean.reason;
    EXPECT_EQ(ean.checksum, 7);
    EXPECT_EQ(ean.modules, 95);
    ASSERT_GE(ean.runs.size(), 3u);
    EXPECT_EQ(std::vector<int>(ean.runs.begin(), ean.runs.begin() + 3), (std::vector<int>{1, 1, 1}));
    int sum = 0;
    for (int r : ean.runs) sum += r;
    EXPECT_EQ(sum, 95);

    // ITF 14: bearer bars of 5 modules across the whole image, above and
    // below 32 mm of bars at the nominal module of 1.016 mm.
    RenderOptions o;
    o.showText = false;
    const tessaline::Pixels itf = renderer.RenderPixels("itf14", std::nullopt, o);
    auto dark = [&](int x, int y) { return itf.grey[size_t(y) * size_t(itf.width) + size_t(x)] < 128; };
    const int top = 4; // two modules of light margin above
    for (int x : {0, itf.width / 2, itf.width - 1}) {
        EXPECT_TRUE(dark(x, top) && dark(x, top + 9)) << x;
        EXPECT_FALSE(dark(x, top - 1)) << x;
    }
    EXPECT_EQ(itf.height, 4 + 10 + 63 + 10 + 4);

    // Bar heights: the standard's, or as asked in modules or millimetres.
    o = {};
    o.showText = false;
    o.quietZones = false;
    EXPECT_EQ(renderer.RenderPixels("ean13", std::nullopt, o).height, 138); // 69.24 modules
    o.barHeight = 30;
    EXPECT_EQ(renderer.RenderPixels("code128", "x", o).height, 60);
    o.barHeight = 0;
    o.barHeightMm = 10;
    o.dpi = 254;
    EXPECT_EQ(renderer.RenderPixels("code128", "x", o).height, 100);

    // A given size keeps the control's fitting and centres the symbol.
    o = {};
    o.width = 400;
    o.height = 150;
    const tessaline::Image given = renderer.Render("ean13", std::nullopt, Format::Png, o);
    EXPECT_EQ(given.width, 400);
    EXPECT_TRUE(given.warnings.empty());
    o.width = 224;
    EXPECT_FALSE(renderer.Render("ean13", std::nullopt, Format::Png, o).warnings.empty()); // margins below 11 modules

    // Bad input: errors of their kind, never a crash.
    struct Bad {
        std::string type, text;
        RenderOptions options;
        tessaline::ErrorKind kind;
    };
    RenderOptions huge;
    huge.width = 40000;
    huge.height = 10;
    RenderOptions noModule;
    noModule.module = 0;
    RenderOptions tiny;
    tiny.width = 30;
    tiny.height = 30;
    const Bad bad[] = {
        {"ean13", std::string(5000, '1'), {}, tessaline::ErrorKind::Limit},
        {"ean13", "1", {}, tessaline::ErrorKind::InvalidText},
        {"nonsense", "1", {}, tessaline::ErrorKind::Usage},
        {"ean13", "1", huge, tessaline::ErrorKind::Usage},
        {"ean13", "1", noModule, tessaline::ErrorKind::Usage},
        {"ean13", "590123412345", tiny, tessaline::ErrorKind::DoesNotFit},
    };
    for (const Bad& b : bad) {
        try {
            renderer.Render(b.type, b.text, Format::Png, b.options);
            ADD_FAILURE() << b.type << " rendered";
        } catch (const tessaline::CRenderError& e) {
            EXPECT_EQ(int(e.Kind()), int(b.kind)) << b.type << ": " << e.what();
        }
    }
}

} // namespace

namespace {

// One renderer draws many symbols: what it keeps from one symbol to the
// next (layouts, surfaces, encoder state) never shows in the next one.
TEST(RenderApi, ARendererThatDrewOthersDrawsWhatAFreshOneDraws)
{
    RenderOptions wide;
    wide.module = 3;
    RenderOptions given;
    given.width = 300;
    given.height = 120;
    RenderOptions bilevel;
    bilevel.bilevel = true;
    RenderOptions turned;
    turned.rotate = 90;
    struct Case {
        const char* type;
        const char* before; // drawn first, with `first`
        const char* text;   // then this, with `options`
        RenderOptions first, options;
    };
    const Case kCases[] = {
        {"1", "590123412345", "400638133393", {}, {}},          // same length, other bars
        {"1", "590123412345", "5901234123457", {}, {}},         // with its check digit
        {"1", "590123412345", "590123412345", {}, wide},        // another module
        {"1", "590123412345", "400638133393", given, given},    // a given size
        {"1", "590123412345", "400638133393", {}, bilevel},
        {"1", "590123412345", "400638133393", turned, turned},
        {"2", "1234567", "9638507", {}, {}},
        {"5", "12345678901", "03600029145", {}, {}},
        {"14", "ABC", "XYZ", {}, {}},                           // keyed by its text
        {"14", "ABC", "ABCD", given, given},
    };
    tessaline::CRenderer used;
    for (const Case& c : kCases) {
        const std::string label = std::string(c.type) + " " + c.before + " then " + c.text;
        used.Render(c.type, c.before, Format::Png, c.first);
        const tessaline::Pixels again = used.RenderPixels(c.type, c.text, c.options);
        const tessaline::SymbolReport report = used.Inspect(c.type, c.text, c.options);
        tessaline::CRenderer fresh;
        const tessaline::Pixels expected = fresh.RenderPixels(c.type, c.text, c.options);
        EXPECT_EQ(again.width, expected.width) << label;
        EXPECT_EQ(again.height, expected.height) << label;
        EXPECT_TRUE(again.grey == expected.grey) << label;
        tessaline::CRenderer fresh2;
        const tessaline::SymbolReport want = fresh2.Inspect(c.type, c.text, c.options);
        EXPECT_EQ(report.runs, want.runs) << label;
        EXPECT_EQ(report.modules, want.modules) << label;
        EXPECT_EQ(report.width, want.width) << label;
        // And its PNG holds those pixels.
        const tessaline::Image png = used.Render(c.type, c.text, Format::Png, c.options);
        EXPECT_EQ(png.width, expected.width) << label;
        EXPECT_EQ(png.height, expected.height) << label;
    }
}

} // namespace

namespace {

// The same symbol gives the same document whatever was drawn before it.
TEST(RenderApi, SvgBytesDoNotDependOnWhatWasDrawnBefore)
{
    tessaline::CRenderer renderer;
    const auto first = renderer.Render("code128", "Hello 123", Format::Svg, {}).bytes;
    for (int i = 0; i < 12; ++i) renderer.Render("ean13", std::nullopt, i % 2 ? Format::Png : Format::Pdf, {});
    tessaline::CRenderer other;
    EXPECT_TRUE(renderer.Render("code128", "Hello 123", Format::Svg, {}).bytes == first);
    EXPECT_TRUE(other.Render("code128", "Hello 123", Format::Svg, {}).bytes == first);
}

} // namespace

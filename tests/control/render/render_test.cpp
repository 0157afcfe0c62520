// The render API: every sample symbol as a new user draws it reads back,
// the standards' margins and heights, formats, and bad input.
#include <tessaline/tessaline.hpp>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

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
    {26, "Code39", true, "CODE 39 CHECKSUM5"},              {27, "Code39", true, "CODE 39 EXTENDED CHECKSUMO"},    {29, "Code128", true, "12345678901231"},
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

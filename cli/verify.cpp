// Reading a symbol back as a scanner would: the image drawn as it will be
// written, decoded by zxing-cpp, and the data compared with the text.
#include "cli/verify.h"

#include <algorithm>
#include <cctype>

#ifdef TESSALINE_HAVE_ZXING
#define ZX_USE_UTF8 1
#include <ZXing/ReadBarcode.h>
#endif

#ifdef TESSALINE_HAVE_ZXING
namespace {

struct DecoderRow {
    int32_t type;
    const char* formats; // zxing's names; nullptr: zxing cannot read it
};

// EAN 2 and EAN 5 alone, Code 25, MSI and the postal codes are not read
// by zxing-cpp.
constexpr DecoderRow kDecoders[] = {
    {0, "EAN13"},   {1, "EAN13"},   {2, "EAN8"},    {3, nullptr},   {4, nullptr},   {5, "UPCA|EAN13"},
    {6, "Code39"},  {7, "ITF"},     {8, "Codabar"}, {9, nullptr},   {10, "Code39"}, {11, "Code128"},
    {12, "Code128"}, {13, "Code128"}, {14, "Code128"}, {15, "Code128"}, {16, "EAN13"}, {17, "UPCE"},
    {18, nullptr},  {19, nullptr},  {20, nullptr},  {21, "Code93"}, {22, "Code93"}, {23, "Code39"},
    {24, "ITF"},    {25, "ITF"},    {26, "Code39"}, {27, "Code39"}, {28, "Code128"}, {29, "Code128"},
    {30, "ITF"},    {31, "Code128"}, {32, "Code128"},
};

const char* Formats(int32_t type)
{
    for (const DecoderRow& r : kDecoders)
        if (r.type == type) return r.formats;
    return nullptr;
}

// Letters and digits only, upper-cased: brackets, FNC1 markers and group
// separators, check characters' punctuation and start/stop letters aside,
// the data the text asks for has to be in what was read.
std::string Core(const std::string& s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s.compare(i, 6, "<FNC1>") == 0) {
            i += 5;
            continue;
        }
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (std::isalnum(c)) out += char(std::toupper(c));
    }
    return out;
}

} // namespace
#endif

Outcome VerifySymbol(const CliOptions& options, int32_t type, const std::optional<std::string>& text)
{
#ifdef TESSALINE_HAVE_ZXING
    const char* formats = Formats(type);
    tessaline::CRenderer renderer;
    const tessaline::RenderOptions o = ToRenderOptions(options);
    try {
        std::optional<std::string_view> t;
        if (text) t = *text;
        const tessaline::SymbolReport report = renderer.Inspect(std::to_string(type), t, o);
        if (!report.reason.empty()) return {1, report.reason, {}};
        if (!formats) return {0, {}, {report.typeName + " is not read by zxing-cpp: this symbol is unverified"}};
        const tessaline::Pixels pixels = renderer.RenderPixels(std::to_string(type), t, o);
        ZXing::DecodeHints hints;
        hints.setTryHarder(true);
        hints.setTryRotate(true);
        hints.setTryCode39ExtendedMode(type == 10 || type == 27);
        hints.setFormats(ZXing::BarcodeFormatsFromString(formats));
        const ZXing::ImageView view(pixels.grey.data(), pixels.width, pixels.height, ZXing::ImageFormat::Lum);
        const ZXing::Result r = ZXing::ReadBarcode(view, hints);
        if (!r.isValid()) return {1, "verify: zxing-cpp cannot read the " + report.typeName + " symbol", {}};
        std::string want = Core(report.text);
        if (type == 0 && want.size() >= 9) want = want.substr(0, 9); // ISBN: 978 in front, new check digit
        const std::string got = Core(r.text());
        if (got.find(want) == std::string::npos)
            return {1, "verify: the symbol reads as \"" + r.text() + "\", not as its text", {}};
        return {};
    } catch (const tessaline::CRenderError& e) {
        return {ExitStatus(e.Kind()), e.what(), {}};
    }
#else
    (void)options, (void)type, (void)text;
    return {2, "--verify needs zxing-cpp, which this build does not have", {}};
#endif
}

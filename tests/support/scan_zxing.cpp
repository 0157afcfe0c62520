// zxing-cpp and zbar headers clash, so each decoder has a file of its own.
#define ZX_USE_UTF8 1
#include <ZXing/ReadBarcode.h>

#include "tests/support/scan.h"

ScanResult ScanZxing(const GrayImage& image, const std::string& formats, bool code39Extended,
                     const std::string& characterSet)
{
    ZXing::DecodeHints hints;
    hints.setTryHarder(true);
    hints.setTryRotate(true);
    hints.setTryCode39ExtendedMode(code39Extended);
    if (!characterSet.empty()) hints.setCharacterSet(characterSet);
    if (!formats.empty()) hints.setFormats(ZXing::BarcodeFormatsFromString(formats));
    else hints.setFormats(ZXing::BarcodeFormat::LinearCodes);
    const ZXing::ImageView view(image.pixels.data(), image.width, image.height, ZXing::ImageFormat::Lum);
    const ZXing::Result r = ZXing::ReadBarcode(view, hints);
    if (!r.isValid()) return {};
    return {r.text(), ZXing::ToString(r.format()), r.contentType() == ZXing::ContentType::GS1};
}


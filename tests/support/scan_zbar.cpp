#include <zbar.h>

#include "tests/support/scan.h"

ScanResult ScanZbar(const GrayImage& image)
{
    zbar::ImageScanner scanner;
    scanner.set_config(zbar::ZBAR_NONE, zbar::ZBAR_CFG_ENABLE, 1);
    zbar::Image img(image.width, image.height, "Y800", image.pixels.data(), image.pixels.size());
    if (scanner.scan(img) <= 0) return {};
    for (auto s = img.symbol_begin(); s != img.symbol_end(); ++s) {
        const bool gs1 = zbar_symbol_get_modifiers(*s) & (1u << zbar::ZBAR_MOD_GS1);
        return {s->get_data(), s->get_type_name(), gs1};
    }
    return {};
}


#include "tests/support/scan.h"

#include <fstream>

#include "platform/gdi/raster.h"

GrayImage RenderGray(CGenericBarcode& symbol, int width, int height, const PaintState& state)
{
    CRasterDC dc(width, height);
    DrawBarcode(&dc, RECT{0, 0, width, height}, symbol, state);
    return GrayImage{width, height, dc.ToGray()};
}

void SavePgm(const GrayImage& image, const std::string& path)
{
    std::ofstream out(path, std::ios::binary);
    out << "P5\n" << image.width << ' ' << image.height << "\n255\n";
    out.write(reinterpret_cast<const char*>(image.pixels.data()), std::streamsize(image.pixels.size()));
}

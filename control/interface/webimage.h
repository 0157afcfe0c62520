// CWebImageDC: an off-screen raster surface that writes what was drawn into
// it as a PNG image, to a file or to any writable stream.
#pragma once

#include <string>

#include "control/interface/dibpng.h"
#include "platform/gdi/raster.h"
#include "platform/io/safefile.h"

class CWebImageDC : public CRasterDC {
public:
    CWebImageDC() = default;
    ~CWebImageDC() override = default;

    // Makes a surface of size.cx x size.cy pixels in the display's format
    // (32 bits per pixel unless another display depth is given, which the
    // read-out then delivers). FALSE when the size is refused or cannot be
    // allocated; every later write then fails with 0.
    BOOL Create(SIZE size, DibFormat displayFormat = DibFormat::Bgr32);

    // Writes the PNG to a file: 1 on success, 0 on failure. The image is
    // encoded in memory and then saved with WriteFileSafely: links are
    // followed, owner, mode and hard links kept, a failure leaves an
    // existing file as it was and no partial file behind; a missing
    // directory creates nothing.
    int SavePNG(const std::string& fileName, BOOL interlace, BOOL useTransparentColor, COLORREF transparentColor);
    // The same, with the reason of a failure.
    CWriteResult SavePNGReporting(const std::string& fileName, BOOL interlace, BOOL useTransparentColor,
                                  COLORREF transparentColor);
    // Reads the pixels out as a DIB and encodes them into `stream`: 1 or 0.
    int WritePNG(CWritableStream& stream, BOOL interlace, BOOL useTransparentColor, COLORREF transparentColor);

    SIZE m_size{};

private:
    DibFormat m_displayFormat = DibFormat::Bgr32;
};

// The PNG-writing off-screen surface.
#include "control/interface/webimage.h"

#include "platform/io/safefile.h"

BOOL CWebImageDC::Create(SIZE size, DibFormat displayFormat)
{
    m_size = size;
    m_displayFormat = displayFormat;
    return CRasterDC::Create(size.cx, size.cy) ? TRUE : FALSE;
}

int CWebImageDC::WritePNG(CWritableStream& stream, BOOL interlace, BOOL useTransparentColor, COLORREF transparentColor)
{
    CDib dib;
    if (!GetDIB(m_displayFormat, dib)) return 0;
    PngOptions options;
    options.interlace = interlace != FALSE;
    options.useTransparentColor = useTransparentColor != FALSE;
    options.transparentColor = transparentColor;
    return WriteDibAsPng(ViewOf(dib), options, stream);
}

int CWebImageDC::SavePNG(const std::string& fileName, BOOL interlace, BOOL useTransparentColor,
                         COLORREF transparentColor)
{
    return SavePNGReporting(fileName, interlace, useTransparentColor, transparentColor).ok ? 1 : 0;
}

CWriteResult CWebImageDC::SavePNGReporting(const std::string& fileName, BOOL interlace, BOOL useTransparentColor,
                                           COLORREF transparentColor)
{
    // The whole image is encoded before the file is touched: an image
    // that cannot be made leaves an existing file as it was.
    CMemFile image(64 * 1024);
    if (!WritePNG(image, interlace, useTransparentColor, transparentColor))
        return {false, "cannot write \"" + fileName + "\": the image could not be encoded"};
    return WriteFileSafely(fileName, image.GetBuffer(), image.GetLength());
}

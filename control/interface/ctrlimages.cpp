// Image outputs of the control: the Picture property, the clipboard
// metafile and the PNG files and byte arrays. Until the image writers
// exist these report failure as their callers expect it (FALSE, 0, an
// empty variant) and change nothing.
#include "control/interface/barcodectrl.h"

void CBarcodeCtrl::SetPicture(PicturePtr picture)
{
    (void)picture; // writing Picture is accepted and changes nothing
}

BOOL CBarcodeCtrl::CreatePictureBySize(int32_t width, int32_t height)
{
    (void)width;
    (void)height;
    return FALSE;
}

BOOL CBarcodeCtrl::CopyToClipboardBySize(int32_t width, int32_t height)
{
    (void)width;
    (void)height;
    return FALSE;
}

BOOL CBarcodeCtrl::CopyToClipboard()
{
    const SIZE size = GetExtent();
    return CopyToClipboardBySize(size.cx, size.cy);
}

int16_t CBarcodeCtrl::SaveAsPNGBySize(const std::string& fileName, int32_t width, int32_t height)
{
    (void)fileName;
    (void)width;
    (void)height;
    return 0;
}

int16_t CBarcodeCtrl::SaveAsPNG(const std::string& fileName)
{
    const SIZE size = GetExtent();
    return SaveAsPNGBySize(fileName, size.cx, size.cy);
}

Variant CBarcodeCtrl::BinaryWriteAsPNGBySize(int32_t width, int32_t height)
{
    (void)width;
    (void)height;
    return Variant();
}

Variant CBarcodeCtrl::BinaryWriteAsPNG()
{
    const SIZE size = GetExtent();
    return BinaryWriteAsPNGBySize(size.cx, size.cy);
}

// Image outputs of the control: the Picture property, the clipboard
// metafile, PNG files and PNG byte arrays. Every one of them runs the
// control's own DrawBarcode on another surface with the rectangle
// (0, 0, width, height), so an image shows exactly what the control shows
// at that size.
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <new>

#include "control/interface/barcodectrl.h"
#include "control/interface/webimage.h"
#include "platform/gdi/metafile.h"

namespace {

// The description kept with the recording: application, NUL, picture,
// two NULs, as metafile descriptions are laid out.
const std::string kMetafileDescription("Tessaline\0MetaBarcode\0\0", 24);

// What every PNG of the control is written with: interlaced, no
// transparency (white would be the transparent colour).
constexpr BOOL kInterlace = TRUE;
constexpr BOOL kTransparent = FALSE;
constexpr COLORREF kTransparentColor = RGB(255, 255, 255);

// The dispatch exception code of the byte-array outputs.
constexpr uint16_t kErrorOutOfMemory = 1004;

// A size whose bitmap can be made: bigger requests fail cleanly rather
// than in the allocator.
bool IsBitmapSize(int32_t width, int32_t height)
{
    return width >= 1 && height >= 1 && width <= CRasterDC::kMaxSide && height <= CRasterDC::kMaxSide &&
           int64_t(width) * height <= CRasterDC::kMaxPixels;
}

// The metafile holds no pixels, but its coordinates must stay within what
// every surface that replays it can address.
bool IsMetafileSize(int32_t width, int32_t height)
{
    return width >= 1 && height >= 1 && width <= CRasterDC::kMaxSide && height <= CRasterDC::kMaxSide;
}

// Characters that may not appear in a generated file name: path
// separators, the characters file systems of the original platform
// refuse, and control characters (C0, DEL and C1, the last reached
// through the five unassigned Windows-1252 bytes).
bool IsSafeNameText(const std::string& text)
{
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F || b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D)
            return false;
        switch (c) {
        case '/': case '\\': case ':': case '*': case '?': case '"': case '<': case '>': case '|': return false;
        default: break;
        }
    }
    return true;
}

std::string TempDirectory()
{
    const char* dir = std::getenv("TMPDIR");
    std::string path = dir && *dir ? dir : "/tmp";
    if (path.back() != '/') path += '/';
    return path;
}

} // namespace

void CBarcodeCtrl::SetPicture(PicturePtr picture)
{
    (void)picture; // writing Picture is accepted and changes nothing
}

void CBarcodeCtrl::OnDrawMetafile(CDC* dc, const RECT& bounds)
{
    // The recording surfaces here always work in device units, so there is
    // no mapping to align with the bounds: the metafile is painted as the
    // window is.
    OnDraw(dc, bounds, bounds);
}

BOOL CBarcodeCtrl::CreatePictureBySize(int32_t width, int32_t height)
{
    // Only a shown control has a display to make a compatible bitmap for.
    if (!Site().HasWindow() || !IsBitmapSize(width, height)) return FALSE;
    try {
        CRasterDC dc(width, height, 96);
        if (!dc.IsOk()) return FALSE;
        const RECT rect{0, 0, width, height};
        DrawBarcode(&dc, rect, rect);

        auto picture = std::make_shared<PictureObject>();
        picture->width = width;
        picture->height = height;
        picture->pixels.resize(size_t(width) * size_t(height));
        const uint8_t* row = dc.Data();
        for (int32_t y = 0; y < height; ++y, row += dc.Stride()) {
            // The surface leaves the top byte of each pixel undefined.
            const auto* words = reinterpret_cast<const uint32_t*>(row);
            std::transform(words, words + width, picture->pixels.begin() + ptrdiff_t(y) * width,
                           [](uint32_t p) { return p & 0x00FFFFFFu; });
        }
        m_picture = std::move(picture);
        return TRUE;
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
}

BOOL CBarcodeCtrl::CopyToClipboardBySize(int32_t width, int32_t height)
{
    if (!IsMetafileSize(width, height)) return FALSE;
    try {
        auto metafile = std::make_shared<CMetaFileDC>(width, height, 96);
        metafile->m_description = kMetafileDescription;
        const RECT rect{0, 0, width, height};
        DrawBarcode(metafile.get(), rect, rect);
        // The site empties the clipboard and places this one format.
        return Site().SetClipboardMetafile(std::move(metafile)) ? TRUE : FALSE;
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
}

BOOL CBarcodeCtrl::CopyToClipboard()
{
    const SIZE size = GetExtent();
    return CopyToClipboardBySize(size.cx, size.cy);
}

int16_t CBarcodeCtrl::SaveAsPNGBySize(const std::string& fileName, int32_t width, int32_t height)
{
    if (!IsBitmapSize(width, height)) return 0;
    std::string path = fileName;
    if (path.empty()) {
        // The default name carries the text as it was set; a text that
        // would leave the directory or name something else writes nothing.
        const std::string& text = m_slot.m_text;
        if (!IsSafeNameText(text)) return 0;
        path = TempDirectory() + "barcode-" + std::to_string(GetType()) + "-" + Cp1252ToUtf8(text) + ".png";
    }
    try {
        CWebImageDC dc;
        if (!dc.Create(SIZE{width, height})) return 0;
        const RECT rect{0, 0, width, height};
        DrawBarcode(&dc, rect, rect);
        // The image is complete before the file is replaced: a failed save
        // leaves no partial image and an existing file as it was.
        return int16_t(dc.SavePNG(path, kInterlace, kTransparent, kTransparentColor));
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

int16_t CBarcodeCtrl::SaveAsPNG(const std::string& fileName)
{
    const SIZE size = GetExtent();
    return SaveAsPNGBySize(fileName, size.cx, size.cy);
}

Variant CBarcodeCtrl::BinaryWriteAsPNGBySize(int32_t width, int32_t height)
{
    // A size that cannot be drawn gives an empty array and leaves the
    // control's size alone.
    if (!IsBitmapSize(width, height)) return Variant(std::vector<uint8_t>());
    SetControlSize(width, height);
    try {
        CWebImageDC dc;
        if (!dc.Create(SIZE{width, height})) return Variant(std::vector<uint8_t>());
        const RECT rect{0, 0, width, height};
        DrawBarcode(&dc, rect, rect);
        CMemFile file(1024);
        // A failed encoding is never handed out as an image.
        if (!dc.WritePNG(file, kInterlace, kTransparent, kTransparentColor)) return Variant(std::vector<uint8_t>());
        return Variant(file.Detach());
    } catch (const std::bad_alloc&) {
        throw DispatchError(DISP_E_EXCEPTION, "Out of Memory", 0, kErrorOutOfMemory);
    }
}

Variant CBarcodeCtrl::BinaryWriteAsPNG()
{
    const SIZE size = GetExtent();
    return BinaryWriteAsPNGBySize(size.cx, size.cy);
}

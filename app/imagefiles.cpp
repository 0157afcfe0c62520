#include "app/imagefiles.h"

#include <QFileInfo>
#include <QFile>
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
#include <stdexcept>

#include "app/getlang.h"
#include "platform/gdi/dib.h"
#include "platform/io/safefile.h"

namespace {

struct FilterEntry {
    const char* english;
    const char* german;
    int quality; // JPEG quality; 0 for the other formats
};

// Quality is libjpeg's setting; the compression shown is 100 - quality.
constexpr FilterEntry kFilters[] = {
    {"PNG (*.png)", "PNG (*.png)", 0},
    {"JPEG - uncompressed - (*.jpg)", "JPEG - unkomprimiert - (*.jpg)", 100},
    {"JPEG - 20% compression - (*.jpg)", "JPEG - 20% Kompression - (*.jpg)", 80},
    {"JPEG - 35% compression - (*.jpg)", "JPEG - 35% Kompression - (*.jpg)", 65},
    {"JPEG - 50% compression - (*.jpg)", "JPEG - 50% Kompression - (*.jpg)", 50},
    {"JPEG - 65% compression - (*.jpg)", "JPEG - 65% Kompression - (*.jpg)", 35},
    {"JPEG - 80% compression - (*.jpg)", "JPEG - 80% Kompression - (*.jpg)", 20},
    {"Windows Bitmap (*.bmp)", "Windows Bitmap (*.bmp)", 0},
};

[[noreturn]] void ThrowCannotCreate(const QString& fileName)
{
    throw std::runtime_error(TGetLang::GetLangText("Cannot create file %1", "Datei %1 kann nicht erstellt werden")
                                 .arg(fileName)
                                 .toStdString());
}

void WriteFile(const QString& fileName, const QByteArray& bytes)
{
    // A failure leaves no partial file and keeps an existing one; links,
    // owner, mode and hard links of an existing file stay as they were.
    const std::string path = QFile::encodeName(fileName).toStdString();
    if (!WriteFileSafely(path, bytes.constData(), size_t(bytes.size())).ok)
        ThrowCannotCreate(fileName);
}

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void OnJpegError(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

// Encodes `rgb` (height rows of width x 3 bytes) into `out`; false when
// libjpeg fails. Kept free of C++ objects with destructors because of the
// long jump out of libjpeg.
bool EncodeJpeg(const unsigned char* rgb, int width, int height, int quality, unsigned char** out,
                unsigned long* outSize)
{
    jpeg_compress_struct cinfo;
    JpegError error;
    cinfo.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = OnJpegError;
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, out, outSize);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb + size_t(cinfo.next_scanline) * size_t(width) * 3);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

void PutLe16(QByteArray& bytes, uint16_t v)
{
    bytes.append(char(v & 0xFF));
    bytes.append(char(v >> 8));
}

void PutLe32(QByteArray& bytes, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        bytes.append(char((v >> (8 * i)) & 0xFF));
}

} // namespace

QStringList ImageFilterList()
{
    QStringList list;
    for (const FilterEntry& entry : kFilters)
        list << TGetLang::GetLangText(entry.english, entry.german);
    return list;
}

int JpegQualityOfFilter(int index)
{
    return index >= 2 && index <= 7 ? kFilters[index - 1].quality : 0;
}

QString WithDefaultExtension(const QString& fileName, const QString& extension)
{
    return QFileInfo(fileName).suffix().isEmpty() ? fileName + u'.' + extension : fileName;
}

void SaveJpegFile(const QImage& image, int quality, const QString& fileName)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    if (rgb.isNull())
        ThrowCannotCreate(fileName);
    QByteArray packed;
    packed.reserve(qsizetype(rgb.width()) * rgb.height() * 3);
    for (int y = 0; y < rgb.height(); ++y)
        packed.append(reinterpret_cast<const char*>(rgb.constScanLine(y)), qsizetype(rgb.width()) * 3);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    const bool encoded = EncodeJpeg(reinterpret_cast<const unsigned char*>(packed.constData()), rgb.width(),
                                    rgb.height(), quality, &out, &outSize);
    const QByteArray bytes = encoded ? QByteArray(reinterpret_cast<const char*>(out), qsizetype(outSize)) : QByteArray();
    std::free(out);
    if (!encoded)
        ThrowCannotCreate(fileName);
    WriteFile(fileName, bytes);
}

void SaveBmpFile(const QImage& image, const QString& fileName)
{
    const QImage pixels = image.convertToFormat(QImage::Format_RGB32);
    CDib dib;
    if (pixels.isNull() ||
        !ExportDib(pixels.constBits(), int(pixels.bytesPerLine()), pixels.width(), pixels.height(), DibFormat::Bgr32, dib))
        ThrowCannotCreate(fileName);
    // The file header, then the DIB as the display hands it out.
    QByteArray bytes;
    const uint32_t offset = 14 + uint32_t(dib.info.size());
    bytes.append("BM", 2);
    PutLe32(bytes, offset + uint32_t(dib.bits.size()));
    PutLe16(bytes, 0);
    PutLe16(bytes, 0);
    PutLe32(bytes, offset);
    bytes.append(reinterpret_cast<const char*>(dib.info.data()), qsizetype(dib.info.size()));
    bytes.append(reinterpret_cast<const char*>(dib.bits.data()), qsizetype(dib.bits.size()));
    WriteFile(fileName, bytes);
}

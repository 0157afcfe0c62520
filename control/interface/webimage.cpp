// The PNG-writing off-screen surface.
#include "control/interface/webimage.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

namespace {

// A name for the temporary file in the target's directory.
std::string TempNameBeside(const std::string& target, unsigned attempt)
{
    static std::atomic<unsigned> counter{0};
    const size_t slash = target.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    return dir + "." + base + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + "-" +
           std::to_string(attempt);
}

} // namespace

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
    if (fileName.empty() || fileName.back() == '/') return 0;
    std::string temp;
    int fd = -1;
    for (unsigned attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temp = TempNameBeside(fileName, attempt);
        fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return 0;
    }
    if (fd < 0) return 0;
    std::FILE* file = fdopen(fd, "wb");
    if (!file) {
        close(fd);
        unlink(temp.c_str());
        return 0;
    }
    CStdioFile stream(file);
    int result = WritePNG(stream, interlace, useTransparentColor, transparentColor);
    if (std::fflush(file) != 0 || std::ferror(file)) result = 0;
    if (std::fclose(file) != 0) result = 0;
    if (result && std::rename(temp.c_str(), fileName.c_str()) != 0) result = 0;
    if (!result) unlink(temp.c_str());
    return result;
}

// A fresh temporary file beside the target (never a name someone else
// could have made), written, flushed to disk and renamed into place.
#include "platform/io/safefile.h"

#include <cerrno>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

CWriteResult Failure(const std::string& path, int error)
{
    return {false, "cannot write \"" + path + "\": " + std::strerror(error)};
}

} // namespace

CWriteResult WriteFileSafely(const std::string& path, const void* data, size_t size)
{
    const size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    std::string temp = dir + "/.tl-XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return Failure(path, errno);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    const auto* p = static_cast<const unsigned char*>(data);
    size_t done = 0;
    int error = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, p + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = n < 0 ? errno : ENOSPC;
            break;
        }
        done += size_t(n);
    }
    if (!error && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && !error) error = errno;
    if (!error && ::rename(temp.c_str(), path.c_str()) != 0) error = errno;
    if (error) {
        ::unlink(temp.c_str());
        return Failure(path, error);
    }
    return {true, {}};
}

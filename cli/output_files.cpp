#include "cli/output_files.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

// The longest name of one part of a path in the folder (255 on the usual
// file systems).
size_t NameMax(const fs::path& folder)
{
    const long n = pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    return n > 0 ? size_t(n) : 255;
}

// True when `inner` is `outer` or lies below it (both canonical).
bool IsWithin(const fs::path& inner, const fs::path& outer)
{
    auto i = inner.begin();
    for (auto o = outer.begin(); o != outer.end(); ++o, ++i) {
        if (o->empty() && std::next(o) == outer.end()) break; // a trailing separator
        if (i == inner.end() || *i != *o) return false;
    }
    return true;
}

bool EndsWith(const std::string& s, const std::string& tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// `s` without trailing white space.
std::string TrimEnd(std::string s)
{
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ' || s.back() == '\t'))
        s.pop_back();
    return s;
}

// Why a file cannot be written there: the first of the usual causes that
// holds, in the system's words; empty when none does.
std::string WriteFailureReason(const std::string& path)
{
    const fs::path p(path);
    const fs::path folder = p.parent_path().empty() ? fs::path(".") : p.parent_path();
    struct stat st;
    if (stat(folder.c_str(), &st) != 0) return std::strerror(errno);
    if (!S_ISDIR(st.st_mode)) return std::strerror(ENOTDIR);
    if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return std::strerror(EISDIR);
    if (p.filename().string().size() > NameMax(folder)) return std::strerror(ENAMETOOLONG);
    if (access(folder.c_str(), W_OK) != 0) return std::strerror(errno);
    // Room and quota: what a small file of our own meets.
    std::string probe = (folder / ".tl-XXXXXX").string();
    const int fd = mkstemp(probe.data());
    if (fd < 0) return std::strerror(errno);
    const std::vector<char> block(1 << 16, 0);
    std::string reason;
    if (write(fd, block.data(), block.size()) != ssize_t(block.size()) || fsync(fd) != 0)
        reason = std::strerror(errno);
    close(fd);
    unlink(probe.c_str());
    return reason;
}

} // namespace

OutputName ResolveOutputName(const std::string& name, const fs::path& directory, bool allowOutside)
{
    OutputName out;
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F) {
            char code[8];
            std::snprintf(code, sizeof code, "0x%02X", c);
            out.error = std::string("the output name has a control character (") + code + ")";
            return out;
        }
    }
    const fs::path given(name);
    if (given.is_absolute()) {
        if (!allowOutside) {
            out.error = "the output " + Quoted(name) +
                        " is an absolute path outside the output directory (--allow-absolute allows it)";
            return out;
        }
        out.path = given.lexically_normal();
    } else {
        const fs::path relative = given.lexically_normal();
        if (!allowOutside && !relative.empty() && *relative.begin() == "..") {
            out.error = "the output " + Quoted(name) + " leaves the output directory (--allow-absolute allows it)";
            return out;
        }
        out.path = (directory / relative).lexically_normal();
    }
    if (out.path.filename().empty() || out.path.filename() == "." || out.path.filename() == "..") {
        out.error = "the output " + Quoted(name) + " names a folder, not a file";
        return out;
    }
    const size_t nameMax = NameMax(directory);
    for (const fs::path& part : out.path) {
        if (part.string().size() > nameMax) {
            out.error = "the output name has a part longer than " + std::to_string(nameMax) +
                        " bytes, more than the file system allows";
            return out;
        }
    }
    if (out.path.string().size() >= PATH_MAX) {
        out.error = "the output name is longer than " + std::to_string(PATH_MAX - 1) + " bytes";
        return out;
    }
    return out;
}

Outcome PrepareOutputFolder(const fs::path& path, const fs::path& directory, bool allowOutside)
{
    const fs::path folder = path.parent_path();
    if (folder.empty()) return {};
    // A name without folders of its own goes straight into the output
    // directory, which the batch made before its first line: nothing to
    // resolve or make (resolving costs a system call a path component).
    fs::path own = directory.lexically_normal();
    if (!own.empty() && own.filename().empty()) own = own.parent_path();
    if (!own.empty() && folder == own) return {};
    std::error_code ec;
    if (!allowOutside) {
        // The folder as the links make it, before anything is made in it.
        const fs::path base = fs::weakly_canonical(directory.empty() ? fs::path(".") : directory, ec);
        const fs::path real = ec ? fs::path() : fs::weakly_canonical(folder, ec);
        if (!ec && !IsWithin(real, base))
            return {kExitInvalid,
                    "the folder of " + Quoted(path.string()) +
                        " leads outside the output directory (a symbolic link; --allow-absolute allows it)",
                    {}};
    }
    fs::create_directories(folder, ec);
    if (ec) return {kExitWrite, "cannot create the folder " + Quoted(folder.string()) + ": " + ec.message(), {}};
    return {};
}

Outcome CheckOutputTarget(const std::string& path)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return {};
    return {kExitWrite,
            "cannot write " + Quoted(path) + ": " +
                (S_ISDIR(st.st_mode) ? std::string(std::strerror(EISDIR)) : "not a regular file"),
            {}};
}

bool IsCompleteImage(const std::string& path)
{
    const auto format = tessaline::FormatForPath(path);
    if (!format) return false;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    std::string head(16, '\0'), tail;
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 16 &&
              pread(fd, head.data(), head.size(), 0) == ssize_t(head.size());
    if (ok) {
        const off_t n = std::min<off_t>(st.st_size, 1024);
        tail.resize(size_t(n));
        ok = pread(fd, tail.data(), tail.size(), st.st_size - n) == n;
    }
    close(fd);
    if (!ok) return false;
    switch (*format) {
    case tessaline::Format::Png:
        return head.compare(0, 8, "\x89PNG\r\n\x1A\n") == 0 &&
               EndsWith(tail, std::string("\0\0\0\0IEND\xAE\x42\x60\x82", 12));
    case tessaline::Format::Jpeg: return head.compare(0, 2, "\xFF\xD8") == 0 && EndsWith(tail, "\xFF\xD9");
    case tessaline::Format::Bmp: {
        // The file size at offset 2, little-endian.
        const auto* b = reinterpret_cast<const unsigned char*>(head.data());
        const uint32_t size = uint32_t(b[2]) | uint32_t(b[3]) << 8 | uint32_t(b[4]) << 16 | uint32_t(b[5]) << 24;
        return head.compare(0, 2, "BM") == 0 && off_t(size) == st.st_size;
    }
    case tessaline::Format::Pdf: return head.compare(0, 5, "%PDF-") == 0 && EndsWith(TrimEnd(tail), "%%EOF");
    case tessaline::Format::Eps: return head.compare(0, 4, "%!PS") == 0 && EndsWith(TrimEnd(tail), "%%EOF");
    case tessaline::Format::Svg: return EndsWith(TrimEnd(tail), "</svg>");
    }
    return false;
}

Outcome ClassifyOutcome(Outcome outcome, const std::string& path)
{
    if (outcome.status == 0) return outcome;
    // The writers name the file but not the cause; the cause is found here.
    const std::string cannotWrite = "cannot write " + Quoted(path);
    if (outcome.message.rfind(cannotWrite, 0) == 0) {
        outcome.status = kExitWrite;
        if (outcome.message == cannotWrite) {
            const std::string reason = WriteFailureReason(path);
            outcome.message += ": " + (reason.empty() ? std::string("the system gave no reason") : reason);
        }
    } else if (outcome.message.rfind("cannot make an image", 0) == 0) {
        outcome.status = kExitWrite;
        if (EndsWith(outcome.message, " pixels")) outcome.message += ": " + std::string(std::strerror(ENOMEM));
    }
    return outcome;
}

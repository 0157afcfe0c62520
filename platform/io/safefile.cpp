// Safe replacement of files: temporary file and rename where that keeps
// the file as the user had it, otherwise the complete new contents copied
// over the old ones in place; devices and FIFOs are written directly.
#include "platform/io/safefile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/random.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <vector>

namespace {

// How the new contents are made: bytes at hand, or a producer writing to
// a descriptor.
struct CSource {
    const void* data = nullptr;
    size_t size = 0;
    const std::function<bool(int)>* produce = nullptr;
};

CWriteResult Failure(const std::string& path, int error)
{
    return {false, "cannot write \"" + path + "\": " + std::system_category().message(error ? error : EIO)};
}

// Closes the descriptor it owns.
class CFd {
public:
    CFd() = default;
    explicit CFd(int fd) : m_fd(fd) {}
    ~CFd() { Reset(); }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    int Get() const { return m_fd; }
    bool IsOpen() const { return m_fd >= 0; }
    void Reset(int fd = -1)
    {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = fd;
    }
    // Closes it and tells whether the close succeeded (errno on failure).
    bool Close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int m_fd = -1;
};

// Every byte at `offset`, or at the file position when `offset` is -1;
// false with errno set.
bool PWriteAll(int fd, const void* data, size_t size, off_t offset)
{
    const auto* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = offset < 0 ? ::write(fd, p, size) : ::pwrite(fd, p, size, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        p += n;
        size -= size_t(n);
        if (offset >= 0) offset += n;
    }
    return true;
}

bool WriteAll(int fd, const void* data, size_t size) { return PWriteAll(fd, data, size, -1); }

// Writes the new contents to `fd`; false with errno set on failure.
bool Produce(int fd, const CSource& source)
{
    if (!source.produce) return WriteAll(fd, source.data, source.size);
    errno = 0;
    if ((*source.produce)(fd)) return true;
    if (errno == 0) errno = EIO;
    return false;
}

std::string DirectoryOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Follows symbolic links in the last component of `path` to the name that
// finally stands for a file (or for none yet, when the last link dangles).
// `magic` tells whether a link in /proc was followed: those (/dev/stdout,
// /proc/self/fd/N) stand for open files rather than for names. 0 or the
// errno of the failure.
int FinalTarget(const std::string& path, std::string& target, bool& magic)
{
    magic = false;
    std::string current = path;
    std::vector<char> link(PATH_MAX + 1);
    // The kernel's own limit on links followed in one look-up.
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0) {
            if (errno != ENOENT) return errno;
            target = current;
            return 0;
        }
        if (!S_ISLNK(st.st_mode)) {
            target = current;
            return 0;
        }
        const ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
        if (n < 0) return errno;
        if (size_t(n) >= link.size()) return ENAMETOOLONG;
        const std::string to(link.data(), size_t(n));
        magic = magic || current.starts_with("/proc/");
        current = to.front() == '/' ? to : DirectoryOf(current) + "/" + to;
    }
    return ELOOP;
}

// --- temporary files in flight -------------------------------------------------

// Enough for every save a process runs at once; a save beyond it still
// works, only a signal would leave its temporary file behind.
constexpr size_t kInFlightSlots = 64;
constexpr size_t kTempNameSize = 24;
constexpr char kTempPrefix[] = ".tl-";

enum SlotState : int { kSlotFree = 0, kSlotClaimed = 1, kSlotLive = 2 };

struct CInFlightSlot {
    std::atomic<int> state{kSlotFree};
    int dirFd = -1;
    char name[NAME_MAX + 1] = {};
};

CInFlightSlot g_inFlight[kInFlightSlots];
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler reads the slots");

// Claims a slot for `name` in the folder `dirFd`, so that a signal removes
// the file; the slot, or -1 when all are taken (or the name is too long).
long RegisterInFlight(int dirFd, const char* name)
{
    const size_t length = std::strlen(name);
    if (length > NAME_MAX) return -1;
    for (size_t i = 0; i < kInFlightSlots; ++i) {
        int expected = kSlotFree;
        if (!g_inFlight[i].state.compare_exchange_strong(expected, kSlotClaimed)) continue;
        g_inFlight[i].dirFd = dirFd;
        std::memcpy(g_inFlight[i].name, name, length + 1);
        g_inFlight[i].state.store(kSlotLive, std::memory_order_release);
        return long(i);
    }
    return -1;
}

void UnregisterInFlight(long slot)
{
    if (slot >= 0) g_inFlight[slot].state.store(kSlotFree, std::memory_order_release);
}

// A temporary file in the target's folder, removed unless committed.
class CTempFile {
public:
    CTempFile() = default;
    ~CTempFile() { Discard(); }
    CTempFile(const CTempFile&) = delete;
    CTempFile& operator=(const CTempFile&) = delete;

    // Creates it exclusively, never through a link, readable for a copy in
    // place later. Where the file system can, the file has no name until
    // its content is complete (Name gives it one just before the rename),
    // so that a process killed while writing leaves nothing behind. The
    // descriptor, or -1 with errno.
    int Create(int dirFd)
    {
        if (::access("/proc/self/fd", X_OK) == 0) {
            const int fd = ::openat(dirFd, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
            if (fd >= 0) {
                m_dirFd = dirFd;
                m_unnamedFd = fd;
                return fd;
            }
        }
        return CreateNamed(dirFd);
    }
    // Links an unnamed file into the folder under a fresh name; true when
    // the file has one (false with errno).
    bool Name()
    {
        if (m_unnamedFd < 0) return true;
        const std::string self = "/proc/self/fd/" + std::to_string(m_unnamedFd);
        for (int attempt = 0; attempt < 100; ++attempt) {
            RandomName(attempt);
            if (::linkat(AT_FDCWD, self.c_str(), m_dirFd, m_name, AT_SYMLINK_FOLLOW) == 0) {
                m_unnamedFd = -1;
                Register();
                return true;
            }
            if (errno != EEXIST) return false;
        }
        errno = EEXIST;
        return false;
    }
    const char* TempName() const { return m_name; }
    // The file now has its final name: nothing to remove.
    void Committed()
    {
        Unregister();
        m_dirFd = -1;
    }
    void Discard()
    {
        if (m_dirFd < 0) return;
        // An unnamed file goes with its descriptor.
        if (m_unnamedFd < 0) ::unlinkat(m_dirFd, m_name, 0);
        Unregister();
        m_dirFd = -1;
    }

private:
    // The named form, where unnamed files cannot be made: created under a
    // fresh name with O_EXCL, registered for the signal clean-up.
    int CreateNamed(int dirFd)
    {
        for (int attempt = 0; attempt < 100; ++attempt) {
            RandomName(attempt);
            const int fd = ::openat(dirFd, m_name, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
            if (fd >= 0) {
                m_dirFd = dirFd;
                Register();
                return fd;
            }
            if (errno != EEXIST) return -1;
        }
        errno = EEXIST;
        return -1;
    }
    // ".tl-", the process id, "-" and six random letters or digits: short
    // (the target's own name does not go into it), and telling which
    // process a file left behind belonged to.
    void RandomName(int attempt)
    {
        static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
        static std::atomic<unsigned> counter{0};
        unsigned char random[6];
        if (::getrandom(random, sizeof random, GRND_NONBLOCK) != ssize_t(sizeof random)) {
            // Without the kernel's generator: unique enough within the
            // folder, and O_EXCL (or linkat) refuses any name that exists.
            unsigned v = unsigned(::getpid()) * 2654435761u ^ counter.fetch_add(1) * 40503u ^ unsigned(attempt);
            for (auto& r : random) {
                r = static_cast<unsigned char>(v);
                v = v * 1103515245u + 12345u;
            }
        }
        const int prefix = std::snprintf(m_name, kTempNameSize, "%s%ld-", kTempPrefix, long(::getpid()));
        for (size_t i = 0; i < sizeof random; ++i)
            m_name[size_t(prefix) + i] = kAlphabet[random[i] % (sizeof kAlphabet - 1)];
        m_name[size_t(prefix) + sizeof random] = '\0';
    }

    void Register() { m_slot = RegisterInFlight(m_dirFd, m_name); }
    void Unregister()
    {
        UnregisterInFlight(m_slot);
        m_slot = -1;
    }

    int m_dirFd = -1;
    int m_unnamedFd = -1; // the descriptor of a file that has no name yet
    long m_slot = -1;
    char m_name[kTempNameSize] = {};
};

// --- the three ways of writing --------------------------------------------------

// A FIFO, a device or another file that is not regular: written as it is.
CWriteResult WriteDirect(const std::string& path, const CSource& source)
{
    CFd fd(::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC));
    if (!fd.IsOpen()) return Failure(path, errno);
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) return Failure(path, errno);
    if (!Produce(fd.Get(), source)) return Failure(path, errno);
    // Only a block device keeps what it was given; pipes and character
    // devices have nothing to flush.
    if (S_ISBLK(st.st_mode) && ::fsync(fd.Get()) != 0) return Failure(path, errno);
    if (!fd.Close()) return Failure(path, errno);
    return {true, {}};
}

// An anonymous file for completing the new contents before they go over
// an existing file.
int AnonymousFile()
{
    const int fd = ::memfd_create("tessaline-save", MFD_CLOEXEC);
    if (fd >= 0) return fd;
    const char* tmp = std::getenv("TMPDIR");
    return ::open(tmp && *tmp ? tmp : "/tmp", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
}

// Copies the complete new contents over the existing regular file open at
// `target`: its inode, owner, mode and links stay. The contents come from
// `staged` (a descriptor holding them) or from the source; a producer is
// run into an anonymous file first, so that a failing producer leaves the
// file untouched.
CWriteResult WriteInPlace(const std::string& path, CFd& target, const CSource& source, int staged)
{
    CFd anonymous;
    if (staged < 0 && source.produce) {
        anonymous.Reset(AnonymousFile());
        if (!anonymous.IsOpen()) return Failure(path, errno);
        if (!Produce(anonymous.Get(), source)) return Failure(path, errno);
        staged = anonymous.Get();
    }
    off_t size = off_t(source.size);
    if (staged >= 0) {
        struct stat st {};
        if (::fstat(staged, &st) != 0) return Failure(path, errno);
        size = st.st_size;
    }
    // The process's file size limit would stop the copy half-way.
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && rlim_t(size) > limit.rlim_cur)
        return Failure(path, EFBIG);
    // Reserve the room first: a full disk then fails before any byte of
    // the old contents is overwritten.
    if (size > 0 && ::fallocate(target.Get(), FALLOC_FL_KEEP_SIZE, 0, size) != 0 && errno != EOPNOTSUPP &&
        errno != ENOSYS && errno != EINVAL)
        return Failure(path, errno);
    if (staged < 0) {
        if (!PWriteAll(target.Get(), source.data, source.size, 0)) return Failure(path, errno);
    } else {
        std::vector<char> buffer(1 << 16);
        for (off_t at = 0; at < size;) {
            const ssize_t n = ::pread(staged, buffer.data(), buffer.size(), at);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return Failure(path, n == 0 ? EIO : errno);
            if (!PWriteAll(target.Get(), buffer.data(), size_t(n), at)) return Failure(path, errno);
            at += n;
        }
    }
    if (::ftruncate(target.Get(), size) != 0) return Failure(path, errno);
    if (::fsync(target.Get()) != 0) return Failure(path, errno);
    if (!target.Close()) return Failure(path, errno);
    return {true, {}};
}

CWriteResult Save(const std::string& path, const CSource& source)
{
    if (path.empty()) return Failure(path, ENOENT);
    if (path.back() == '/') return Failure(path, EISDIR);

    struct stat followed {};
    const bool exists = ::stat(path.c_str(), &followed) == 0;
    if (!exists && errno != ENOENT) return Failure(path, errno);
    if (exists && S_ISDIR(followed.st_mode)) return Failure(path, EISDIR);
    if (exists && !S_ISREG(followed.st_mode)) return WriteDirect(path, source);

    std::string target;
    bool magic = false;
    if (const int error = FinalTarget(path, target, magic)) return Failure(path, error);

    CFd targetFd;
    struct stat st {};
    if (exists) {
        // A file reached through /proc (standard output redirected to a
        // file) or that has lost its name is written in place: renaming
        // would leave whoever has it open with the old file.
        struct stat named {};
        const bool byName = !magic && ::lstat(target.c_str(), &named) == 0 && S_ISREG(named.st_mode) &&
                            named.st_dev == followed.st_dev && named.st_ino == followed.st_ino;
        // Opening for writing checks the right to change the file, without
        // changing it yet.
        const std::string& opened = byName ? target : path;
        targetFd.Reset(::open(opened.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC | (byName ? O_NOFOLLOW : 0)));
        if (!targetFd.IsOpen()) return Failure(path, errno);
        if (::fstat(targetFd.Get(), &st) != 0) return Failure(path, errno);
        if (!S_ISREG(st.st_mode)) {
            targetFd.Reset();
            return WriteDirect(path, source);
        }
        if (!byName || st.st_nlink > 1) return WriteInPlace(path, targetFd, source, -1);
    }

    const std::string dir = DirectoryOf(target);
    bool dirSyncable = true;
    CFd dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dirFd.IsOpen()) {
        // A folder we may search but not list can still take the file.
        dirSyncable = false;
        dirFd.Reset(::open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    }
    if (!dirFd.IsOpen()) return exists ? WriteInPlace(path, targetFd, source, -1) : Failure(path, errno);

    CTempFile temp;
    CFd tempFd(temp.Create(dirFd.Get()));
    if (!tempFd.IsOpen()) {
        // A folder we may not write: the existing file is changed in place.
        return exists ? WriteInPlace(path, targetFd, source, -1) : Failure(path, errno);
    }
    if (!Produce(tempFd.Get(), source)) return Failure(path, errno);
    if (exists) {
        struct stat made {};
        if (::fstat(tempFd.Get(), &made) != 0) return Failure(path, errno);
        // The new file takes the old one's owner and mode; when the owner
        // cannot be given (another user's file we may write), the old file
        // is written in place instead.
        if ((made.st_uid != st.st_uid || made.st_gid != st.st_gid) &&
            ::fchown(tempFd.Get(), st.st_uid, st.st_gid) != 0)
            return WriteInPlace(path, targetFd, source, tempFd.Get());
        if (::fchmod(tempFd.Get(), st.st_mode & 07777) != 0) return Failure(path, errno);
    }
    if (::fsync(tempFd.Get()) != 0) return Failure(path, errno);
    if (!temp.Name()) return Failure(path, errno);
    if (!tempFd.Close()) return Failure(path, errno);
    if (::renameat(dirFd.Get(), temp.TempName(), dirFd.Get(), BaseOf(target).c_str()) != 0) {
        const int error = errno;
        // A sticky folder may refuse to replace another user's file that
        // we may write: it is then written in place from the temporary file.
        if (!exists || (error != EPERM && error != EACCES && error != EBUSY)) return Failure(path, error);
        const CFd staged(::openat(dirFd.Get(), temp.TempName(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        if (!staged.IsOpen()) return Failure(path, error);
        return WriteInPlace(path, targetFd, source, staged.Get());
    }
    temp.Committed();
    targetFd.Reset();
    // The new name must survive a crash too. Some file systems cannot sync
    // a folder (EINVAL); they have nothing more to write.
    if (dirSyncable && ::fsync(dirFd.Get()) != 0 && errno != EINVAL) return Failure(path, errno);
    return {true, {}};
}

} // namespace

CWriteResult WriteFileSafely(const std::string& path, const void* data, size_t size)
{
    CSource source;
    source.data = data;
    source.size = size;
    return Save(path, source);
}

CWriteResult WriteFileSafely(const std::string& path, const std::function<bool(int fd)>& produce)
{
    CSource source;
    source.produce = &produce;
    return Save(path, source);
}

void RemoveTemporaryFilesInFlight() noexcept
{
    for (auto& slot : g_inFlight)
        if (slot.state.load(std::memory_order_acquire) == kSlotLive) ::unlinkat(slot.dirFd, slot.name, 0);
}

void RemoveStaleTemporaryFiles(const std::string& folder)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    const int dirFd = ::dirfd(dir);
    const size_t prefix = sizeof kTempPrefix - 1;
    while (const dirent* e = ::readdir(dir)) {
        const char* name = e->d_name;
        if (std::strncmp(name, kTempPrefix, prefix) != 0) continue;
        char* end = nullptr;
        const long pid = std::strtol(name + prefix, &end, 10);
        if (end == name + prefix || *end != '-' || std::strlen(end + 1) != 6 || pid <= 0) continue;
        // A process that still runs may be about to rename its file.
        if (::kill(pid_t(pid), 0) == 0 || errno != ESRCH) continue;
        struct stat st {};
        if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) continue;
        ::unlinkat(dirFd, name, 0);
    }
    ::closedir(dir);
}

// --- many new files -----------------------------------------------------------------

CNewFileWriter::~CNewFileWriter()
{
    if (m_folderFd >= 0) ::close(m_folderFd);
    for (int fd : m_toFlush) ::close(fd);
}

int CNewFileWriter::FolderFd(const std::string& folder)
{
    if (m_folderFd >= 0 && folder == m_folder) return m_folderFd;
    if (m_folderFd >= 0) ::close(m_folderFd);
    m_folder = folder;
    m_folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_folderFd < 0) return -1;
    // One descriptor a file system is enough to flush it.
    struct stat st {};
    if (::fstat(m_folderFd, &st) == 0) {
        bool known = false;
        for (int fd : m_toFlush) {
            struct stat other {};
            known = known || (::fstat(fd, &other) == 0 && other.st_dev == st.st_dev);
        }
        if (!known) m_toFlush.push_back(::dup(m_folderFd));
    }
    return m_folderFd;
}

CNewFileWriter::Result CNewFileWriter::Write(const std::string& path, const void* data, size_t size,
                                             std::string& reason)
{
    if (path.empty() || path.back() == '/') return Result::NotNew;
    const int dirFd = FolderFd(DirectoryOf(path));
    if (dirFd < 0) return Result::NotNew;
    // Created under its own name, exclusively and never through a link: a
    // name that is taken is the caller's to replace safely. An unnamed file
    // linked into place would cost the file system half as much again, and
    // until the batch's flush a crash may lose a new file either way.
    const std::string name = BaseOf(path);
    CFd fd(::openat(dirFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0666));
    if (!fd.IsOpen()) {
        if (errno == EEXIST || errno == EISDIR || errno == ELOOP) return Result::NotNew;
        reason = Failure(path, errno).reason;
        return Result::Failed;
    }
    // Until it is complete a signal that ends the batch takes it away.
    const long slot = RegisterInFlight(dirFd, name.c_str());
    int error = 0;
    if (!WriteAll(fd.Get(), data, size)) error = errno ? errno : EIO;
    else if (!fd.Close()) error = errno ? errno : EIO;
    if (error) {
        // The name must not stay on a file whose bytes may be incomplete.
        ::unlinkat(dirFd, name.c_str(), 0);
        UnregisterInFlight(slot);
        reason = Failure(path, error).reason;
        return Result::Failed;
    }
    UnregisterInFlight(slot);
    return Result::Written;
}

bool CNewFileWriter::Flush(std::string& reason)
{
    bool ok = true;
    for (int fd : m_toFlush) {
        if (::syncfs(fd) != 0 && ok) {
            reason = "cannot flush the files written: ";
            reason += std::system_category().message(errno);
            ok = false;
        }
        ::close(fd);
    }
    m_toFlush.clear();
    return ok;
}

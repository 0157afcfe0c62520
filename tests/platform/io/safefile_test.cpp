// WriteFileSafely: what the user had survives every save, good or failed.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <fcntl.h>
#include <sys/random.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>

#include "platform/io/safefile.h"

namespace fs = std::filesystem;

// The temporary names come from getrandom. While `g_fixedRandom` is set,
// this definition (which the library's call binds to) hands out 0, 1, 2,
// ... for the bytes of successive calls, so the names ".tl-AAAAAA",
// ".tl-BBBBBB", ... can be planted beforehand.
static std::atomic<bool> g_fixedRandom{false};
static std::atomic<int> g_randomCalls{0};
extern "C" ssize_t getrandom(void* buffer, size_t length, unsigned int flags)
{
    if (g_fixedRandom) {
        std::memset(buffer, g_randomCalls++, length);
        return ssize_t(length);
    }
    return syscall(SYS_getrandom, buffer, length, flags);
}

namespace {

std::string ReadText(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteText(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }

struct stat StatOf(const fs::path& p, bool follow = true)
{
    struct stat st {};
    (follow ? stat : lstat)(p.c_str(), &st);
    return st;
}

mode_t CurrentUmask()
{
    const mode_t mask = umask(0);
    umask(mask);
    return mask;
}

class SafeFile : public testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("safefile-test-" + std::to_string(getpid()) + "-" +
                                             testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override
    {
        fs::permissions(m_dir, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(m_dir);
    }
    // Names in the folder that a save may have left behind.
    int Leftovers(const fs::path& dir) const
    {
        int n = 0;
        for (const auto& e : fs::directory_iterator(dir)) n += e.path().filename().string().starts_with(".tl-");
        return n;
    }

    fs::path m_dir;
};

// Both forms of the call: bytes, and a producer writing in two pieces.
CWriteResult SaveBytes(const fs::path& p, const std::string& text)
{
    return WriteFileSafely(p.string(), text.data(), text.size());
}
CWriteResult SaveProduced(const fs::path& p, const std::string& text)
{
    return WriteFileSafely(p.string(), [&](int fd) {
        const size_t half = text.size() / 2;
        return write(fd, text.data(), half) == ssize_t(half) &&
               write(fd, text.data() + half, text.size() - half) == ssize_t(text.size() - half);
    });
}

TEST_F(SafeFile, SavesKeepWhatTheFileWas)
{
    // Each case prepares the folder and names the path to save; the check
    // looks at what the save left.
    struct Case {
        const char* name;
        std::function<fs::path(const fs::path& dir)> prepare;
        std::function<void(const fs::path& dir, const std::string& text)> check;
    };
    const mode_t mask = CurrentUmask();
    const std::string name255(255, 'n');
    const Case cases[] = {
        {"new file gets 0666 less the umask",
         [](const fs::path& d) { return d / "new.png"; },
         [&](const fs::path& d, const std::string& text) {
             EXPECT_EQ(ReadText(d / "new.png"), text);
             EXPECT_EQ(StatOf(d / "new.png").st_mode & 07777, 0666 & ~mask);
         }},
        {"existing file keeps its mode",
         [](const fs::path& d) {
             WriteText(d / "old.png", "previous contents, longer than the new ones");
             chmod((d / "old.png").c_str(), 0640);
             return d / "old.png";
         },
         [](const fs::path& d, const std::string& text) {
             EXPECT_EQ(ReadText(d / "old.png"), text);
             EXPECT_EQ(StatOf(d / "old.png").st_mode & 07777, 0640u);
         }},
        {"symbolic link: the link stays, its target is written",
         [](const fs::path& d) {
             fs::create_directory(d / "real");
             WriteText(d / "real/target.png", "old");
             fs::create_symlink("real/target.png", d / "link.png");
             return d / "link.png";
         },
         [](const fs::path& d, const std::string& text) {
             EXPECT_TRUE(fs::is_symlink(d / "link.png"));
             EXPECT_EQ(fs::read_symlink(d / "link.png"), "real/target.png");
             EXPECT_EQ(ReadText(d / "real/target.png"), text);
         }},
        {"chain of links ending in a missing file creates that file",
         [](const fs::path& d) {
             fs::create_directory(d / "sub");
             fs::create_symlink("../final.png", d / "sub/second");
             fs::create_symlink(d / "sub/second", d / "first");
             return d / "first";
         },
         [this](const fs::path& d, const std::string& text) {
             EXPECT_TRUE(fs::is_symlink(d / "first"));
             EXPECT_TRUE(fs::is_symlink(d / "sub/second"));
             EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(d / "final.png")));
             EXPECT_EQ(ReadText(d / "final.png"), text);
             EXPECT_EQ(Leftovers(d / "sub"), 0);
         }},
        {"hard link with mode 600: both names, one file, mode kept",
         [](const fs::path& d) {
             WriteText(d / "one.png", "old contents");
             chmod((d / "one.png").c_str(), 0600);
             fs::create_hard_link(d / "one.png", d / "two.png");
             return d / "two.png";
         },
         [](const fs::path& d, const std::string& text) {
             EXPECT_EQ(ReadText(d / "one.png"), text);
             EXPECT_EQ(StatOf(d / "one.png").st_ino, StatOf(d / "two.png").st_ino);
             EXPECT_EQ(StatOf(d / "two.png").st_nlink, 2u);
             EXPECT_EQ(StatOf(d / "two.png").st_mode & 07777, 0600u);
         }},
        {"name of 255 bytes, new",
         [&](const fs::path& d) { return d / name255; },
         [&](const fs::path& d, const std::string& text) { EXPECT_EQ(ReadText(d / name255), text); }},
        {"name of 255 bytes, existing",
         [&](const fs::path& d) {
             WriteText(d / name255, "old");
             return d / name255;
         },
         [&](const fs::path& d, const std::string& text) { EXPECT_EQ(ReadText(d / name255), text); }},
        {"/dev/null takes the bytes and stays a device",
         [](const fs::path&) { return fs::path("/dev/null"); },
         [](const fs::path&, const std::string&) { EXPECT_TRUE(fs::is_character_file("/dev/null")); }},
    };
    const std::string text = "\x89PNG\r\n\x1a\n new contents";
    for (const auto& c : cases)
        for (const auto& save : {SaveBytes, SaveProduced}) {
            SCOPED_TRACE(c.name);
            fs::remove_all(m_dir);
            fs::create_directories(m_dir);
            const fs::path target = c.prepare(m_dir);
            const CWriteResult result = save(target, text);
            EXPECT_TRUE(result.ok) << result.reason;
            EXPECT_EQ(result.reason, "");
            c.check(m_dir, text);
            EXPECT_EQ(Leftovers(m_dir), 0);
        }
}

TEST_F(SafeFile, FifoIsWrittenDirectly)
{
    const fs::path fifo = m_dir / "pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string text(200000, 'x'); // more than a pipe holds at once
    for (const auto& save : {SaveBytes, SaveProduced}) {
        std::string received;
        std::thread reader([&] { received = ReadText(fifo); });
        const CWriteResult result = save(fifo, text);
        reader.join();
        EXPECT_TRUE(result.ok) << result.reason;
        EXPECT_EQ(received, text);
        EXPECT_TRUE(fs::is_fifo(fifo));
        EXPECT_EQ(Leftovers(m_dir), 0);
    }
}

TEST_F(SafeFile, OpenFileReachedThroughProcIsWrittenInPlace)
{
    // As /dev/stdout redirected to a file: whoever holds it open sees the
    // new contents, in the same file.
    const fs::path p = m_dir / "redirected.png";
    WriteText(p, "old contents, longer than the new");
    const int fd = open(p.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    const CWriteResult result = SaveProduced("/proc/self/fd/" + std::to_string(fd), "new");
    EXPECT_TRUE(result.ok) << result.reason;
    char buffer[64] = {};
    EXPECT_EQ(pread(fd, buffer, sizeof buffer, 0), 3);
    EXPECT_STREQ(buffer, "new");
    close(fd);
    EXPECT_EQ(ReadText(p), "new");
    EXPECT_EQ(Leftovers(m_dir), 0);
}

TEST_F(SafeFile, PlantedLinksAtTemporaryNamesAreNeverFollowed)
{
    const fs::path victim = m_dir / "victim";
    const std::string prefix = ".tl-" + std::to_string(getpid()) + "-";
    WriteText(victim, "someone else's file");
    // The first two names the save will try: a link to the victim and a
    // dangling link that would create a file elsewhere.
    fs::create_symlink(victim, m_dir / (prefix + "AAAAAA"));
    fs::create_symlink(m_dir / "planted-new", m_dir / (prefix + "BBBBBB"));
    g_randomCalls = 0;
    g_fixedRandom = true;
    const CWriteResult result = SaveBytes(m_dir / "out.png", "image");
    g_fixedRandom = false;
    ASSERT_GE(g_randomCalls.load(), 3) << "the names did not come from getrandom";
    EXPECT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(ReadText(m_dir / "out.png"), "image");
    EXPECT_EQ(ReadText(victim), "someone else's file");
    EXPECT_FALSE(fs::exists(fs::symlink_status(m_dir / "planted-new")));
    EXPECT_TRUE(fs::is_symlink(m_dir / (prefix + "AAAAAA")));
    EXPECT_TRUE(fs::is_symlink(m_dir / (prefix + "BBBBBB")));
    EXPECT_FALSE(fs::exists(fs::symlink_status(m_dir / (prefix + "CCCCCC"))));
}

TEST_F(SafeFile, FailuresLeaveTheOldFileAndReportTheReason)
{
    struct Case {
        const char* name;
        std::function<fs::path(const fs::path& dir)> prepare;
        std::function<CWriteResult(const fs::path& p)> save;
        std::string reason; // the system's message expected after the path
    };
    const auto fullDisk = [](const fs::path& p) {
        return WriteFileSafely(p.string(), [](int fd) {
            if (write(fd, "half", 4) != 4) return false;
            errno = ENOSPC;
            return false;
        });
    };
    const auto existing = [](const fs::path& d) {
        WriteText(d / "keep.png", "old contents");
        return d / "keep.png";
    };
    const auto hardLinked = [](const fs::path& d) {
        WriteText(d / "keep.png", "old contents");
        fs::create_hard_link(d / "keep.png", d / "other.png");
        return d / "keep.png";
    };
    const Case cases[] = {
        {"missing folder", [](const fs::path& d) { return d / "no/such/dir/x.png"; },
         [](const fs::path& p) { return SaveBytes(p, "new"); }, std::strerror(ENOENT)},
        {"target is a folder",
         [](const fs::path& d) {
             fs::create_directory(d / "keep.png");
             return d / "keep.png";
         },
         [](const fs::path& p) { return SaveBytes(p, "new"); }, std::strerror(EISDIR)},
        {"empty name", [](const fs::path&) { return fs::path(); },
         [](const fs::path& p) { return SaveBytes(p, "new"); }, std::strerror(ENOENT)},
        {"producer runs out of space", existing, fullDisk, std::strerror(ENOSPC)},
        {"producer runs out of space, hard-linked file", hardLinked, fullDisk, std::strerror(ENOSPC)},
        {"producer fails without a reason", existing,
         [](const fs::path& p) { return WriteFileSafely(p.string(), [](int) { errno = 0; return false; }); },
         std::strerror(EIO)},
        {"link loop",
         [](const fs::path& d) {
             fs::create_symlink("b", d / "a");
             fs::create_symlink("a", d / "b");
             return d / "a";
         },
         [](const fs::path& p) { return SaveBytes(p, "new"); }, std::strerror(ELOOP)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        const fs::path target = c.prepare(m_dir);
        const CWriteResult result = c.save(target);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.reason, "cannot write \"" + target.string() + "\": " + c.reason);
        if (fs::is_regular_file(m_dir / "keep.png")) {
            EXPECT_EQ(ReadText(m_dir / "keep.png"), "old contents");
        }
        EXPECT_FALSE(fs::exists(m_dir / "no"));
        EXPECT_EQ(Leftovers(m_dir), 0);
    }
}

TEST_F(SafeFile, FileSizeLimitFailsBeforeTheOldFileIsTouched)
{
    // The kernel refuses to let files grow past 64 bytes, whatever the
    // rights of the user running the test: both the temporary file and the
    // copy in place must fail without damage.
    const std::string big(1000, 'b');
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    for (const bool linked : {false, true}) {
        SCOPED_TRACE(linked ? "in place" : "by rename");
        const fs::path p = m_dir / (linked ? "linked.png" : "plain.png");
        WriteText(p, "old contents");
        if (linked) fs::create_hard_link(p, m_dir / "second.png");
        rlimit limit = saved;
        limit.rlim_cur = 64;
        setrlimit(RLIMIT_FSIZE, &limit);
        const CWriteResult bytes = SaveBytes(p, big);
        const CWriteResult produced = SaveProduced(p, big);
        setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_FALSE(bytes.ok);
        EXPECT_FALSE(produced.ok);
        EXPECT_EQ(bytes.reason, "cannot write \"" + p.string() + "\": " + std::strerror(EFBIG));
        EXPECT_EQ(ReadText(p), "old contents");
        EXPECT_EQ(Leftovers(m_dir), 0);
    }
    std::signal(SIGXFSZ, previous);
}

TEST_F(SafeFile, WritableFileInReadOnlyFolderIsWrittenInPlace)
{
    if (geteuid() == 0) GTEST_SKIP() << "privileges ignore folder modes (scripts/fault-tests.sh covers it)";
    const fs::path p = m_dir / "doc.bar";
    WriteText(p, "old contents that are longer");
    chmod(p.c_str(), 0620);
    const ino_t inode = StatOf(p).st_ino;
    fs::permissions(m_dir, fs::perms::owner_read | fs::perms::owner_exec);
    const CWriteResult changed = SaveProduced(p, "new");
    const CWriteResult created = SaveBytes(m_dir / "fresh.bar", "new");
    fs::permissions(m_dir, fs::perms::owner_all);
    EXPECT_TRUE(changed.ok) << changed.reason;
    EXPECT_EQ(ReadText(p), "new");
    EXPECT_EQ(StatOf(p).st_ino, inode);
    EXPECT_EQ(StatOf(p).st_mode & 07777, 0620u);
    EXPECT_FALSE(created.ok);
    EXPECT_EQ(created.reason, "cannot write \"" + (m_dir / "fresh.bar").string() + "\": " + std::strerror(EACCES));
    // A file the user may not write is refused, not replaced.
    chmod(p.c_str(), 0440);
    const CWriteResult refused = SaveBytes(p, "other");
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(ReadText(p), "new");
}

TEST_F(SafeFile, TemporaryFilesOfEndedProcessesAreRemoved)
{
    // A process that ended (its pid no longer runs), this one, and names
    // that are no temporary files of ours.
    pid_t ended = fork();
    if (ended == 0) _exit(0);
    waitpid(ended, nullptr, 0);
    const std::string mine = ".tl-" + std::to_string(getpid()) + "-abcdef";
    const std::string theirs = ".tl-" + std::to_string(ended) + "-abcdef";
    for (const std::string& name : {mine, theirs, std::string(".tl-notapid"), std::string("keep.png")})
        WriteText(m_dir / name, "x");
    RemoveStaleTemporaryFiles(m_dir.string());
    EXPECT_TRUE(fs::exists(m_dir / mine));
    EXPECT_FALSE(fs::exists(m_dir / theirs));
    EXPECT_TRUE(fs::exists(m_dir / ".tl-notapid"));
    EXPECT_TRUE(fs::exists(m_dir / "keep.png"));
}

TEST_F(SafeFile, NothingNamedIsLeftWhileTheContentIsWritten)
{
    // The new file has no name until its content is complete: a signal's
    // clean-up, or a kill, in the middle of the writing leaves nothing.
    const fs::path p = m_dir / "out.png";
    WriteText(p, "old contents");
    int seen = -1, after = -1;
    const CWriteResult result = WriteFileSafely(p.string(), [&](int fd) {
        seen = Leftovers(m_dir);
        RemoveTemporaryFilesInFlight(); // what a SIGINT handler does
        after = Leftovers(m_dir);
        return write(fd, "new", 3) == 3;
    });
    EXPECT_EQ(seen, 0);
    EXPECT_EQ(after, 0);
    EXPECT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(ReadText(p), "new");
    EXPECT_EQ(Leftovers(m_dir), 0);
}

} // namespace

// A batch's new files: made whole under their names, anything that has the
// name already is left to WriteFileSafely untouched, and a failure names
// the file and the reason.
TEST_F(SafeFile, NewFileWriterMakesOnlyNewFiles)
{
    WriteText(m_dir / "old.png", "old");
    fs::create_symlink(m_dir / "elsewhere.png", m_dir / "link.png");
    fs::create_directory(m_dir / "folder.png");
    struct Case {
        std::string name;
        CNewFileWriter::Result result;
        std::string content; // afterwards
    };
    const Case cases[] = {
        {"new.png", CNewFileWriter::Result::Written, "new"},
        {"old.png", CNewFileWriter::Result::NotNew, "old"},
        {"link.png", CNewFileWriter::Result::NotNew, ""},
        {"folder.png", CNewFileWriter::Result::NotNew, ""},
        {"missing/x.png", CNewFileWriter::Result::NotNew, ""},
        {std::string(256, 'n'), CNewFileWriter::Result::Failed, ""},
    };
    CNewFileWriter writer;
    for (const Case& c : cases) {
        std::string reason;
        const std::string path = (m_dir / c.name).string();
        EXPECT_EQ(int(writer.Write(path, "new", 3, reason)), int(c.result)) << c.name;
        if (c.result == CNewFileWriter::Result::Failed) {
            EXPECT_NE(reason.find("File name too long"), std::string::npos) << reason;
        }
        if (!c.content.empty()) {
            EXPECT_EQ(ReadText(m_dir / c.name), c.content) << c.name;
        }
    }
    EXPECT_TRUE(fs::is_symlink(m_dir / "link.png"));
    EXPECT_FALSE(fs::exists(m_dir / "elsewhere.png"));
    EXPECT_EQ(Leftovers(m_dir), 0);
    EXPECT_EQ(StatOf(m_dir / "new.png").st_mode & 0777, 0666 & ~CurrentUmask());
    std::string reason;
    EXPECT_TRUE(writer.Flush(reason)) << reason;
}

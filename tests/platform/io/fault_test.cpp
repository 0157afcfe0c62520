// Saves of the control's PNG files and of profiles under faults: a full
// disk, a folder the user may not write, another user's file. The first
// and the last need a prepared machine: scripts/fault-tests.sh (as root)
// names a small full-able tmpfs in TESSALINE_FULL_FS and another user's
// writable file in TESSALINE_FOREIGN_FILE, and runs the rest as a second
// user. Without them those tests are skipped.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "platform/io/safefile.h"
#include "platform/profile/profile.h"
#include "tests/control/interface/control_host.h"

namespace fs = std::filesystem;

namespace {

std::string ReadText(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteText(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }

int Leftovers(const fs::path& dir)
{
    int n = 0;
    for (const auto& e : fs::directory_iterator(dir)) n += e.path().filename().string().starts_with(".tl-");
    return n;
}

struct stat StatOf(const fs::path& p)
{
    struct stat st {};
    stat(p.c_str(), &st);
    return st;
}

bool IsPng(const std::string& bytes) { return bytes.rfind("\x89PNG\r\n\x1a\n", 0) == 0; }

int SavePng(CHost& host, const fs::path& p, int w, int h)
{
    return host.disp->Call("SaveAsPNGBySize", {Variant(p.string()), Variant(w), Variant(h)}).ToLong();
}

// Takes every free block of the file system that holds `dir`.
void FillUp(const fs::path& file)
{
    const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    const std::string block(4096, 'f');
    for (size_t chunk = block.size(); chunk > 0; chunk /= 2)
        while (write(fd, block.data(), chunk) == ssize_t(chunk)) {}
    EXPECT_EQ(errno, ENOSPC);
    close(fd);
}

} // namespace

TEST(FullDisk, SavesFailAndKeepTheOldFiles)
{
    const char* mount = std::getenv("TESSALINE_FULL_FS");
    if (!mount || !*mount) GTEST_SKIP() << "TESSALINE_FULL_FS names no small file system to fill";
    // The test takes every free block: never on a file system others use.
    struct statvfs vfs {};
    ASSERT_EQ(statvfs(mount, &vfs), 0);
    ASSERT_LE(uint64_t(vfs.f_blocks) * vfs.f_frsize, 1u << 20) << mount << " is no small scratch file system";
    const fs::path dir = fs::path(mount) / ("full-" + std::to_string(getpid()));
    fs::create_directories(dir);
    CHost host;
    host.Put("Type", Variant(int32_t(CODECODE128)));
    host.Put("Text", Variant(std::string("Full disk 0123456789")));

    // Each case saves something bigger than one block over a small old file.
    struct Case {
        const char* name;
        fs::path file;
        std::function<bool(const fs::path&)> save;
        std::function<bool(const std::string&)> isNew;
    };
    const auto png = [&](const fs::path& p) { return SavePng(host, p, 1600, 600) == 1; };
    const auto profile = [](const fs::path& p) {
        CProfile ini(p.string());
        ini.Set("BARCODE", "Text", std::string(6000, 'x'));
        return ini.Save();
    };
    const std::string big(6000, 'b');
    const auto bytes = [&](const fs::path& p) {
        const CWriteResult r = WriteFileSafely(p.string(), big.data(), big.size());
        if (!r.ok) {
            EXPECT_EQ(r.reason, "cannot write \"" + p.string() + "\": " + std::strerror(ENOSPC));
        }
        return r.ok;
    };
    // More than the one block an old file of three bytes holds.
    const auto bigPng = [](const std::string& s) { return IsPng(s) && s.size() > 4096; };
    const Case cases[] = {
        {"control PNG", dir / "keep.png", png, bigPng},
        {"control PNG over a hard-linked file", dir / "linked.png", png, bigPng},
        {"profile", dir / "keep.ini", profile, [](const std::string& s) { return s.size() > 6000; }},
        {"bytes", dir / "keep.bin", bytes, [&](const std::string& s) { return s == big; }},
        {"bytes over a hard-linked file", dir / "linked.bin", bytes, [&](const std::string& s) { return s == big; }},
    };
    for (const Case& c : cases) {
        WriteText(c.file, "old");
        if (c.file.filename().string().starts_with("linked")) fs::create_hard_link(c.file, c.file.string() + ".2");
    }
    FillUp(dir / "filler");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(c.save(c.file));
        EXPECT_EQ(ReadText(c.file), "old");
        EXPECT_EQ(Leftovers(dir), 0);
    }
    // With room again the same saves succeed: the failures were the disk's.
    fs::remove(dir / "filler");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(c.save(c.file));
        EXPECT_TRUE(c.isNew(ReadText(c.file)));
        EXPECT_EQ(Leftovers(dir), 0);
        // Both names of a hard-linked file see the new contents; then the
        // room goes to the next case.
        const fs::path second = c.file.string() + ".2";
        if (fs::exists(second)) {
            EXPECT_EQ(ReadText(second), ReadText(c.file));
        }
        fs::remove(c.file);
        fs::remove(second);
    }
    fs::remove_all(dir);
}

TEST(ReadOnlyFolder, ExistingFilesAreSavedInPlace)
{
    if (geteuid() == 0) GTEST_SKIP() << "privileges ignore folder modes (scripts/fault-tests.sh covers it)";
    const fs::path dir = fs::temp_directory_path() / ("readonly-folder-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    WriteText(dir / "keep.png", "old");
    WriteText(dir / "keep.ini", "; kept comment\n[BARCODE]\nText=old\n");
    const ino_t png = StatOf(dir / "keep.png").st_ino, ini = StatOf(dir / "keep.ini").st_ino;
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    CHost host;
    const int saved = SavePng(host, dir / "keep.png", 300, 100);
    const int created = SavePng(host, dir / "new.png", 300, 100);
    CProfile profile((dir / "keep.ini").string());
    profile.Set("BARCODE", "Text", "new");
    const bool written = profile.Save();
    fs::permissions(dir, fs::perms::owner_all);
    EXPECT_EQ(saved, 1);
    EXPECT_TRUE(IsPng(ReadText(dir / "keep.png")));
    EXPECT_EQ(StatOf(dir / "keep.png").st_ino, png);
    EXPECT_EQ(created, 0);
    EXPECT_FALSE(fs::exists(dir / "new.png"));
    EXPECT_TRUE(written);
    EXPECT_EQ(ReadText(dir / "keep.ini"), "; kept comment\n[BARCODE]\nText=new\n");
    EXPECT_EQ(StatOf(dir / "keep.ini").st_ino, ini);
    fs::remove_all(dir);
}

TEST(ForeignFile, IsWrittenInPlaceAndKeepsItsOwner)
{
    const char* name = std::getenv("TESSALINE_FOREIGN_FILE");
    if (!name || !*name) GTEST_SKIP() << "TESSALINE_FOREIGN_FILE names no other user's writable file";
    const fs::path p = name;
    const struct stat before = StatOf(p);
    ASSERT_NE(before.st_uid, geteuid());
    const std::string text = "written by another user";
    const CWriteResult r = WriteFileSafely(p.string(), text.data(), text.size());
    EXPECT_TRUE(r.ok) << r.reason;
    const struct stat after = StatOf(p);
    EXPECT_EQ(ReadText(p), text);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(Leftovers(p.parent_path()), 0);
}

// The command under hostile input and a hostile environment: batch files
// that are no batch files, output names that would leave the output
// folder, write failures and their exit status, signals in the middle of a
// batch, killed batches resumed with --skip-existing, and a closed or
// broken standard error.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <png.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/scan.h"

namespace fs = std::filesystem;

namespace {

std::string Slurp(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void Write(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }

// The grey pixels of a PNG file; empty when it does not decode whole.
GrayImage ReadPng(const fs::path& path)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_GRAY;
    GrayImage gray{int(image.width), int(image.height), std::vector<uint8_t>(PNG_IMAGE_SIZE(image))};
    if (!png_image_finish_read(&image, nullptr, gray.pixels.data(), 0, nullptr)) return {};
    return gray;
}

// Where the child's standard error goes.
enum class Stderr { File, Closed, BrokenPipe };

struct RunResult {
    int status = -1; // exit status; -1 when killed by a signal
    std::string err;
};

class Safety : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = fs::temp_directory_path() / ("tessaline-safety-" + std::to_string(getpid()) + "-" + info->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override
    {
        if (!HasFailure()) fs::remove_all(m_dir);
    }
    fs::path Path(const std::string& name) const { return m_dir / name; }

    // Starts the command in the test's directory; stdin from `input`.
    pid_t Start(const std::vector<std::string>& args, const std::string& input = "/dev/null",
                Stderr err = Stderr::File)
    {
        int broken[2] = {-1, -1};
        if (err == Stderr::BrokenPipe) {
            EXPECT_EQ(pipe(broken), 0);
            close(broken[0]); // nobody will ever read it
        }
        // Everything the child needs is made before the fork.
        std::vector<std::string> all{TESSALINE_BINARY_DIR "/tessaline"};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        const pid_t pid = fork();
        if (pid == 0) {
            if (chdir(m_dir.c_str()) != 0) _exit(126);
            if (m_memoryLimit) {
                const rlimit limit{m_memoryLimit, m_memoryLimit};
                setrlimit(RLIMIT_AS, &limit);
            }
            const int in = open(input.c_str(), O_RDONLY);
            dup2(in, 0);
            const int out = open("stdout.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(out, 1);
            if (err == Stderr::File) {
                const int e = open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
                dup2(e, 2);
            } else if (err == Stderr::Closed) {
                close(2);
            } else {
                dup2(broken[1], 2);
            }
            execv(argv[0], argv.data());
            _exit(127);
        }
        if (broken[1] >= 0) close(broken[1]);
        return pid;
    }
    RunResult Wait(pid_t pid)
    {
        int raw = 0;
        waitpid(pid, &raw, 0);
        RunResult r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.err = Slurp(Path("stderr.txt"));
        fs::remove(Path("stderr.txt"));
        fs::remove(Path("stdout.txt"));
        return r;
    }
    RunResult Run(const std::vector<std::string>& args, const std::string& input = "/dev/null",
                  Stderr err = Stderr::File)
    {
        return Wait(Start(args, input, err));
    }
    // Files below `folder`, relative to it, sorted.
    std::vector<std::string> FilesIn(const std::string& folder) const
    {
        std::vector<std::string> out;
        std::error_code ec;
        // A running batch renames its temporary files away while we look.
        for (const auto& e : fs::recursive_directory_iterator(Path(folder), ec))
            if (std::error_code gone; !e.is_directory(gone))
                out.push_back(e.path().lexically_relative(Path(folder)).string());
        std::sort(out.begin(), out.end());
        return out;
    }
    // A batch of `count` texts, one a line, for Code 39 (--type 6).
    std::string BigBatch(int count)
    {
        std::string s;
        for (int i = 0; i < count; ++i) s += std::to_string(100000 + i) + "\n";
        Write(Path("big.txt"), s);
        return "big.txt";
    }
    // Waits until the folder holds `count` files (at most 20 s).
    void WaitForFiles(const std::string& folder, size_t count)
    {
        for (int i = 0; i < 2000 && FilesIn(folder).size() < count; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // Temporary files of the writers: hidden, or named as parts.
    std::vector<std::string> Temporaries(const std::string& folder) const
    {
        std::vector<std::string> out;
        for (const auto& f : FilesIn(folder))
            if (f[0] == '.' || f.find(".part") != std::string::npos || f.find("/.") != std::string::npos)
                out.push_back(f);
        return out;
    }

    fs::path m_dir;
    rlim_t m_memoryLimit = 0; // address space of the child in bytes; 0: none
};

bool Has(const std::string& haystack, const std::string& needle) { return haystack.find(needle) != std::string::npos; }

// The line of `text` that holds `start`; empty when none does.
std::string LineOf(const std::string& text, const std::string& start)
{
    const size_t at = text.find(start);
    if (at == std::string::npos) return "";
    return text.substr(at, text.find('\n', at) - at);
}

} // namespace

TEST_F(Safety, InputThatIsNoBatchFileFailsWithItsReason)
{
    fs::create_directories(Path("folder"));
    Write(Path("binary.txt"), std::string("9\t1\ta.png\n9\t2\x00\x01\x02\tb.png\n9\t3\tc.png\n", 27));
    Write(Path("long.txt"), "9\t1\t" + std::string(2 << 20, 'a') + ".png\n9\t12\tafter.png\n");
    Write(Path("endless.txt"), std::string(3 << 20, 'x')); // a long line without its end: skipped
    Write(Path("stdin.txt"), "9\t12\tfrom-stdin.png\n9\t1x\tbad.png\n");
    struct Case {
        std::vector<std::string> args;
        std::string input;
        int status;
        std::string message; // in stderr
        std::vector<std::string> written;
    };
    const Case cases[] = {
        {{"--batch", "folder"}, "/dev/null", 2, "cannot read the batch file \"folder\": Is a directory", {}},
        {{"--batch", "missing.txt"}, "/dev/null", 2, "\"missing.txt\": No such file or directory", {}},
        {{"--batch", "/dev/zero"}, "/dev/null", 2, "/dev/zero:1: binary data (a NUL byte)", {}},
        {{"--batch", "binary.txt"}, "/dev/null", 2, "binary.txt:2: binary data", {"a.png"}},
        {{"--batch", "long.txt"}, "/dev/null", 1, "long.txt:1: line longer than 1 MB", {"after.png"}},
        {{"--batch", "endless.txt"}, "/dev/null", 1, "endless.txt:1: line longer than 1 MB", {}},
        {{"--batch", "-"}, Path("stdin.txt").string(), 1, "stdin:2: text error", {"from-stdin.png"}},
        {{"--batch", "-"}, "/dev/zero", 2, "stdin:1: binary data", {}},
    };
    for (const auto& c : cases) {
        for (const auto& f : {"a.png", "after.png", "from-stdin.png"}) fs::remove(Path(f));
        const RunResult r = Run(c.args, c.input);
        EXPECT_EQ(r.status, c.status) << c.args[1] << ": " << r.err;
        EXPECT_TRUE(Has(r.err, c.message)) << c.args[1] << ": " << r.err;
        for (const auto& f : c.written) EXPECT_FALSE(ReadPng(Path(f)).pixels.empty()) << c.args[1] << " " << f;
    }
}

TEST_F(Safety, OutputNamesStayInTheOutputFolder)
{
    fs::create_directories(Path("elsewhere"));
    fs::create_directories(Path("out"));
    fs::create_directory_symlink(Path("elsewhere"), Path("out/link"));
    const std::string longName(300, 'n');
    struct Case {
        std::string output;
        std::string message; // empty: written as out/<expected>
        std::string expected;
    };
    const Case cases[] = {
        {"sub/deeper/x.png", "", "sub/deeper/x.png"},
        {"./sub/../y.png", "", "y.png"},
        {"../x.png", "leaves the output directory", ""},
        {"sub/../../x.png", "leaves the output directory", ""},
        {Path("abs.png").string(), "is an absolute path", ""},
        {"link/x.png", "leads outside the output directory", ""},
        {"bell\x07.png", "control character (0x07)", ""},
        {longName + ".png", "longer than 255 bytes", ""},
        {"sub/", "names a folder", ""},
        {"y.png", "also the output of an earlier line", ""},
        {"sub/deeper/./x.png", "also the output of an earlier line", ""},
    };
    for (int jobs : {1, 2}) {
        fs::remove_all(Path("out/sub"));
        fs::remove(Path("out/y.png"));
        std::string batch;
        for (const auto& c : cases) batch += "9\t12\t" + c.output + "\n";
        Write(Path("names.txt"), batch);
        const RunResult r = Run({"--batch", "names.txt", "-o", "out", "--jobs", std::to_string(jobs)});
        EXPECT_EQ(r.status, 1) << r.err;
        for (size_t i = 0; i < std::size(cases); ++i) {
            const Case& c = cases[i];
            const std::string where = "names.txt:" + std::to_string(i + 1) + ": ";
            if (c.message.empty()) {
                EXPECT_FALSE(Has(r.err, where)) << c.output << ": " << r.err;
                EXPECT_FALSE(ReadPng(Path("out/" + c.expected)).pixels.empty()) << c.output;
            } else {
                EXPECT_TRUE(Has(LineOf(r.err, where), c.message)) << c.output << ": " << r.err;
            }
        }
        EXPECT_TRUE(fs::is_empty(Path("elsewhere")));
        EXPECT_FALSE(fs::exists(Path("x.png")));
        EXPECT_FALSE(fs::exists(Path("abs.png")));
        EXPECT_EQ(FilesIn("out"), (std::vector<std::string>{"sub/deeper/x.png", "y.png"})) << jobs;
    }

    // Allowed on request.
    Write(Path("outside.txt"), "9\t12\t../x.png\n9\t12\t" + Path("abs.png").string() + "\n9\t12\tlink/z.png\n");
    const RunResult allowed = Run({"--batch", "outside.txt", "-o", "out", "--allow-absolute"});
    EXPECT_EQ(allowed.status, 0) << allowed.err;
    for (const char* f : {"x.png", "abs.png", "elsewhere/z.png"}) EXPECT_FALSE(ReadPng(Path(f)).pixels.empty()) << f;
}

TEST_F(Safety, WriteFailuresExitThreeWithTheSystemsReason)
{
    Write(Path("plain"), "a file, not a folder");
    fs::create_directories(Path("taken.png"));
    Write(Path("mixed.txt"), "9\t12\tgood.png\n9\t1x\tinvalid.png\n9\t12\tplain/x.png\n");
    Write(Path("invalid.txt"), "9\t12\tgood.png\n9\t1x\tinvalid.png\n");
    Write(Path("taken.txt"), "9\t12\ttaken.png\n");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;
    };
    const Case cases[] = {
        {{"--type", "9", "-o", "plain/x.png"}, 3, "cannot write \"plain/x.png\": Not a directory"},
        {{"--type", "9", "-o", "missing/x.png"}, 3, "cannot write \"missing/x.png\": No such file or directory"},
        {{"--type", "9", "-o", "taken.png"}, 3, "cannot write \"taken.png\": Is a directory"},
        {{"--type", "9", "--text", "1x"}, 1, "text error"},
        {{"--type", "9", "--size", "0x0"}, 2, "--size"},
        {{"--batch", "mixed.txt"}, 3, "mixed.txt:3: cannot create the folder \"plain\""},
        {{"--batch", "invalid.txt"}, 1, "invalid.txt:2: text error"},
        {{"--batch", "taken.txt"}, 3, "taken.txt:1: cannot write \"taken.png\": Is a directory"},
        {{"--batch", "-", "-o", "plain"}, 3, "cannot create the directory \"plain\""},
    };
    for (const auto& c : cases) {
        const RunResult r = Run(c.args);
        EXPECT_EQ(r.status, c.status) << c.args[1] << ": " << r.err;
        EXPECT_TRUE(Has(r.err, c.message)) << c.args[1] << ": " << r.err;
    }
    EXPECT_TRUE(fs::is_directory(Path("taken.png")));
    EXPECT_EQ(Slurp(Path("plain")), "a file, not a folder");
}

TEST_F(Safety, AMemoryFailureIsAnErrorWithItsReason)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers need more address space than the limit leaves";
#endif
    // An image within the library's limits, beyond the memory left.
    m_memoryLimit = rlim_t(200) << 20;
    Write(Path("huge.txt"), "6\t12\thuge.png\n6\t34\tsmall.png\n");
    struct Case {
        std::vector<std::string> args;
        std::string where;
    };
    const Case cases[] = {
        {{"--type", "6", "--size", "8000x8000", "-o", "huge.png"}, "tessaline: "},
        {{"--batch", "huge.txt", "--size", "8000x8000"}, "huge.txt:1: "},
    };
    for (const auto& c : cases) {
        const RunResult r = Run(c.args);
        EXPECT_EQ(r.status, 3) << c.args[1] << ": " << r.err;
        EXPECT_TRUE(Has(LineOf(r.err, c.where), std::strerror(ENOMEM))) << c.args[1] << ": " << r.err;
        EXPECT_FALSE(fs::exists(Path("huge.png")));
    }
}

TEST_F(Safety, HelpTellsTheExitStatusesAndHowToResume)
{
    const pid_t pid = Start({"--help"});
    int raw = 0;
    waitpid(pid, &raw, 0);
    const std::string out = Slurp(Path("stdout.txt"));
    for (const char* word : {"--skip-existing", "resumed", "--allow-absolute", "3 an image could not be made or written",
                             "--batch FILE|-", "130, 143 or 141"})
        EXPECT_TRUE(Has(out, word)) << word;
}

TEST_F(Safety, SignalsEndABatchCleanlyAndTheRestFollowsWithSkipExisting)
{
    const std::string batch = BigBatch(1500);
    struct Case {
        int signal, status;
        bool resume;
    };
    for (const Case c : {Case{SIGTERM, 143, true}, Case{SIGINT, 130, false}, Case{SIGPIPE, 141, false}}) {
        fs::remove_all(Path("out"));
        const pid_t pid = Start({"--batch", batch, "--type", "6", "-o", "out", "--jobs", "2"});
        WaitForFiles("out", 20);
        kill(pid, c.signal);
        const RunResult r = Wait(pid);
        EXPECT_EQ(r.status, c.status) << c.signal << ": " << r.err;
        const size_t done = FilesIn("out").size();
        EXPECT_TRUE(Has(r.err, std::to_string(done) + " written, 0 failed, 0 skipped, interrupted")) << r.err;
        EXPECT_LT(done, 1500u) << "the batch ended before the signal: make it longer";
        EXPECT_TRUE(Temporaries("out").empty());
        for (const auto& f : FilesIn("out")) ASSERT_FALSE(ReadPng(Path("out/" + f)).pixels.empty()) << f;
        if (!c.resume) continue;

        const RunResult rest = Run({"--batch", batch, "--type", "6", "-o", "out", "--jobs", "2", "--skip-existing"});
        EXPECT_EQ(rest.status, 0) << rest.err;
        EXPECT_EQ(FilesIn("out").size(), 1500u);
    }
}

TEST_F(Safety, AKilledBatchIsCompletedBySkipExisting)
{
    const std::string batch = BigBatch(1500);
    const pid_t pid = Start({"--batch", batch, "--type", "6", "-o", "out", "--jobs", "2"});
    WaitForFiles("out", 50);
    kill(pid, SIGKILL);
    Wait(pid);
    // A file cut off, as a full disk or a copy would leave it.
    const std::string cut = "out/100003.png";
    const std::string whole = Slurp(Path(cut));
    ASSERT_GT(whole.size(), 100u);
    Write(Path(cut), whole.substr(0, whole.size() / 2));

    const RunResult rest = Run({"--batch", batch, "--type", "6", "-o", "out", "--jobs", "2", "--skip-existing"});
    EXPECT_EQ(rest.status, 0) << rest.err;
    std::vector<std::string> images;
    for (const auto& f : FilesIn("out"))
        if (f[0] != '.' && f.find(".part") == std::string::npos) images.push_back(f);
    ASSERT_EQ(images.size(), 1500u);
    for (size_t i = 0; i < images.size(); ++i) {
        const GrayImage image = ReadPng(Path("out/" + images[i]));
        ASSERT_FALSE(image.pixels.empty()) << images[i];
        // Every 50th, and the one that was cut, read back by a decoder.
        if (i % 50 == 0 || "out/" + images[i] == cut) {
            EXPECT_EQ(ScanZxing(image, "Code39").text, fs::path(images[i]).stem().string()) << images[i];
        }
    }
    EXPECT_EQ(Slurp(Path(cut)), whole);
    // Whatever the kill left (a file named in the instant before its
    // rename) the next run took away.
    EXPECT_TRUE(Temporaries("out").empty());
}

TEST_F(Safety, SkipExistingRewritesOnlyWhatIsCutOff)
{
    const char* names[] = {"a.png", "a.jpg", "a.bmp", "a.svg", "a.pdf", "a.eps"};
    std::string batch;
    for (const char* n : names) batch += std::string("9\t12\t") + n + "\n";
    Write(Path("all.txt"), batch);
    ASSERT_EQ(Run({"--batch", "all.txt", "-o", "out"}).status, 0);
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
    for (const char* n : names) {
        // a.* stays; b.* (the same file without its last 8 bytes) must be written again.
        const std::string whole = Slurp(Path(std::string("out/") + n));
        const std::string b = std::string("out/b") + (n + 1);
        Write(Path(b), whole.substr(0, whole.size() - 8));
        fs::last_write_time(Path(std::string("out/") + n), old);
        fs::last_write_time(Path(b), old);
        batch += "9\t12\t" + b.substr(4) + "\n";
    }
    Write(Path("all.txt"), batch);
    const RunResult r = Run({"--batch", "all.txt", "-o", "out", "--skip-existing"});
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char* n : names) {
        EXPECT_EQ(fs::last_write_time(Path(std::string("out/") + n)), old) << n << " was rewritten";
        const std::string b = std::string("out/b") + (n + 1);
        EXPECT_NE(fs::last_write_time(Path(b)), old) << b << " was kept";
        EXPECT_EQ(Slurp(Path(b)).size(), Slurp(Path(std::string("out/") + n)).size()) << b;
    }
}

TEST_F(Safety, AClosedOrBrokenStandardErrorDoesNotStopTheBatch)
{
    Write(Path("list.txt"), "6\t1x\tbad.png\n6\t12\tone.png\n6\t1y\tbad2.png\n6\t34\ttwo.png\n");
    for (const Stderr err : {Stderr::Closed, Stderr::BrokenPipe}) {
        fs::remove_all(Path("out"));
        const RunResult r = Run({"--batch", "list.txt", "-o", "out", "--jobs", "2"}, "/dev/null", err);
        EXPECT_EQ(r.status, 1) << int(err);
        EXPECT_EQ(FilesIn("out"), (std::vector<std::string>{"one.png", "two.png"})) << int(err);
        EXPECT_EQ(ScanZxing(ReadPng(Path("out/one.png")), "Code39").text, "12") << int(err);
        EXPECT_EQ(ScanZxing(ReadPng(Path("out/two.png")), "Code39").text, "34") << int(err);
    }
}

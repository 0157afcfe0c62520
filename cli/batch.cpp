// Batch lines are rendered by a small pool of threads. The file is read as
// the threads ask for lines, so memory stays the same however long it is;
// each thread keeps one control, one surface and one encoder for all the
// lines it draws, and the threads share only the reader and the stream of
// messages.
#include "cli/batch.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cli/interrupt.h"
#include "cli/output_files.h"
#include "cli/render.h"
#include "platform/io/safefile.h"

namespace fs = std::filesystem;

namespace {

struct BatchLine {
    int number = 0;
    std::string type; // UTF-8, may be empty: the --type of the command
    std::string text; // UTF-8
    std::string output;
    std::string error; // a malformed line
};

std::vector<std::string> SplitTabs(const std::string& line)
{
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
        out.push_back(line.substr(start, tab - start));
    out.push_back(line.substr(start));
    return out;
}

// A file name from a text: letters, digits and a few safe marks; the rest
// becomes '_'.
std::string SafeName(const std::string& text)
{
    std::string out;
    for (unsigned char c : text)
        out += (std::isalnum(c) || c == '-' || c == '.' || c == '+') ? char(c) : '_';
    if (out.empty() || out[0] == '.') out = "_" + out;
    return out.substr(0, 100);
}

// The number of lines of a file, read in blocks; 0 for what is not a
// regular file (a pipe can be read only once).
size_t CountLines(const std::string& path)
{
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return 0;
    std::ifstream in(path, std::ios::binary);
    std::vector<char> block(1 << 16);
    size_t lines = 0;
    char last = '\n';
    while (in.read(block.data(), std::streamsize(block.size())) || in.gcount() > 0) {
        const auto n = size_t(in.gcount());
        lines += size_t(std::count(block.data(), block.data() + n, '\n'));
        last = block[n - 1];
    }
    return lines + (last != '\n');
}

// The output names given so far, as 96-bit fingerprints (two independent
// hashes) in an open-addressed table sized from the number of lines: twelve
// bytes a line, where a set of strings grows by a hundred, and no second
// table while it grows. Two different names share a fingerprint with odds
// of about one in 10^16 for a batch of a million lines.
class CNameSet {
public:
    explicit CNameSet(size_t expected) { Resize(expected); }

    // False when the name was given before.
    bool Insert(const std::string& name)
    {
        if (10 * (m_count + 1) > 9 * m_first.size()) Resize(2 * m_count);
        uint64_t f = std::hash<std::string_view>()(name);
        if (f == 0) f = 1; // 0 marks a free slot
        const uint32_t g = SecondHash(name);
        for (size_t i = Slot(f);; i = i + 1 == m_first.size() ? 0 : i + 1) {
            if (m_first[i] == f && m_second[i] == g) return false;
            if (m_first[i] == 0) {
                m_first[i] = f;
                m_second[i] = g;
                ++m_count;
                return true;
            }
        }
    }

private:
    // FNV-1a, unrelated to the library's hash.
    static uint32_t SecondHash(const std::string& s)
    {
        uint32_t h = 2166136261u;
        for (unsigned char c : s) h = (h ^ c) * 16777619u;
        return h;
    }
    // The home slot: the fingerprint mixed and scaled onto the table.
    size_t Slot(uint64_t f) const
    {
        return size_t((static_cast<unsigned __int128>(f * 0x9E3779B97F4A7C15ull) * m_first.size()) >> 64);
    }
    // Room for `expected` names at a load of nine tenths at most.
    void Resize(size_t expected)
    {
        std::vector<uint64_t> first;
        std::vector<uint32_t> second;
        first.swap(m_first);
        second.swap(m_second);
        const size_t slots = std::max<size_t>(1024, expected + expected / 9 + 1);
        m_first.assign(slots, 0);
        m_second.assign(slots, 0);
        m_count = 0;
        for (size_t i = 0; i < first.size(); ++i) {
            if (first[i] == 0) continue;
            size_t j = Slot(first[i]);
            while (m_first[j] != 0) j = j + 1 == m_first.size() ? 0 : j + 1;
            m_first[j] = first[i];
            m_second[j] = second[i];
            ++m_count;
        }
    }

    std::vector<uint64_t> m_first;
    std::vector<uint32_t> m_second;
    size_t m_count = 0;
};

// The lines of a batch file read in pieces of 64 kB, so that memory stays
// bounded whatever the input: a line may hold 1 MB at most; a longer one is
// skipped to its end and reported. Input that is not a batch file stops the
// reading: a NUL byte (binary data), or no line end within 64 MB.
class CLineSource {
public:
    static constexpr size_t kMaxLine = size_t(1) << 20;
    static constexpr size_t kMaxSkip = size_t(64) << 20;

    enum class Result { Line, TooLong, End, Binary, Failed, Stopped };

    // `stop`: readable when the reading should stop (-1: never).
    CLineSource(int fd, int stop) : m_fd(fd), m_stop(stop), m_piece(size_t(64) << 10) {}

    // The next line without its LF; `error` says what stopped the reading.
    Result Next(std::string& line, std::string& error)
    {
        line.clear();
        bool any = false, tooLong = false;
        size_t skipped = 0;
        for (;;) {
            if (m_pos == m_end) {
                if (m_eof) return any ? (tooLong ? Result::TooLong : Result::Line) : Result::End;
                if (const Result r = Fill(error); r != Result::Line) return r;
                continue;
            }
            any = true;
            const char* start = m_piece.data() + m_pos;
            const size_t left = m_end - m_pos;
            const auto* lf = static_cast<const char*>(std::memchr(start, '\n', left));
            const size_t n = lf ? size_t(lf - start) : left;
            if (std::memchr(start, '\0', n)) return Result::Binary;
            if (!tooLong && line.size() + n > kMaxLine) {
                tooLong = true;
                skipped = line.size();
                line.clear();
                line.shrink_to_fit();
            }
            if (tooLong) {
                skipped += n;
                if (skipped > kMaxSkip) {
                    error = "no line end within 64 MB: not a batch file";
                    return Result::Failed;
                }
            } else {
                line.append(start, n);
            }
            m_pos += n;
            if (lf) {
                ++m_pos;
                return tooLong ? Result::TooLong : Result::Line;
            }
        }
    }

private:
    Result Fill(std::string& error)
    {
        for (;;) {
            if (m_stop >= 0) {
                pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_stop, POLLIN, 0}};
                if (poll(fds, 2, -1) < 0) {
                    if (errno == EINTR) continue;
                    error = std::strerror(errno);
                    return Result::Failed;
                }
                if (fds[1].revents) return Result::Stopped;
            }
            const ssize_t n = read(m_fd, m_piece.data(), m_piece.size());
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                error = std::strerror(errno);
                return Result::Failed;
            }
            m_pos = 0;
            m_end = size_t(n);
            m_eof = n == 0;
            return Result::Line;
        }
    }

    int m_fd, m_stop;
    std::vector<char> m_piece;
    size_t m_pos = 0, m_end = 0;
    bool m_eof = false;
};

// Hands out the lines of the batch file one at a time, in file order, to
// whichever thread asks: numbering, parsing, the checking and naming of
// output files happen here under one lock, so the names (and which of two
// lines with the same output is refused) are the same with any number of
// threads.
class CBatchReader {
public:
    CBatchReader(CLineSource& in, std::string name, fs::path directory, size_t lines, bool allowOutside)
        : m_in(in), m_name(std::move(name)), m_directory(std::move(directory)), m_names(lines),
          m_allowOutside(allowOutside)
    {
        // A name made by SafeName is one plain component (no slash, no
        // leading dot): normalised after the folder, it stays as it is,
        // so the folder is normalised once for all of them.
        m_prefix = (m_directory / "x").lexically_normal().string();
        m_prefix.pop_back();
    }

    // False when there are no more lines; `fatal` then tells why the
    // reading stopped early (empty at the end of the file or on a signal).
    bool Next(BatchLine& b, std::string& fatal)
    {
        std::lock_guard lock(m_mutex);
        if (m_done) return false;
        std::string line, error;
        b = BatchLine{};
        const CLineSource::Result r = m_in.Next(line, error);
        switch (r) {
        case CLineSource::Result::End:
        case CLineSource::Result::Stopped: m_done = true; return false;
        case CLineSource::Result::Binary:
            m_done = true;
            fatal = Where(m_number + 1) + "binary data (a NUL byte): not a batch file; the batch stops here";
            return false;
        case CLineSource::Result::Failed:
            m_done = true;
            fatal = Where(m_number + 1) + "cannot read: " + error;
            return false;
        default: break;
        }
        b.number = ++m_number;
        if (r == CLineSource::Result::TooLong) {
            b.error = "line longer than 1 MB";
            return true;
        }
        // A byte-order mark may open the file; lines may end in CR LF.
        if (b.number == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) {
            b.error = "empty line";
            return true;
        }
        const auto fields = SplitTabs(line);
        if (fields.size() == 3) {
            b.type = fields[0];
            b.text = fields[1];
            if (fields[2].empty()) {
                b.error = "no output file";
                return true;
            }
            OutputName out = ResolveOutputName(fields[2], m_directory, m_allowOutside);
            if (!out.error.empty()) {
                b.error = out.error;
                return true;
            }
            b.output = out.path.string();
            if (!m_names.Insert(b.output)) b.error = "the output \"" + fields[2] + "\" is also the output of an earlier line";
        } else if (fields.size() == 1) {
            b.text = line;
            // One file per text, named after it; a repeated name gets a suffix.
            const std::string name = SafeName(line);
            b.output = m_prefix + name + ".png";
            for (int k = 2; !m_names.Insert(b.output); ++k) b.output = m_prefix + name + "-" + std::to_string(k) + ".png";
        } else {
            b.error = "expected TYPE<TAB>TEXT<TAB>OUTPUT or one text";
        }
        return true;
    }

    std::string Where(int line) const { return m_name + ":" + std::to_string(line) + ": "; }

private:
    std::mutex m_mutex;
    CLineSource& m_in;
    std::string m_name;
    fs::path m_directory;
    std::string m_prefix; // the normalised folder, as a name made in it starts
    int m_number = 0;
    CNameSet m_names;
    bool m_allowOutside;
    bool m_done = false;
};

// Serialised messages and the progress line (on a terminal only).
class CReporter {
public:
    explicit CReporter(size_t total) : m_total(total), m_terminal(isatty(STDERR_FILENO)) {}

    void Error(const std::string& message)
    {
        std::lock_guard lock(m_mutex);
        ClearProgress();
        std::fprintf(stderr, "tessaline: %s\n", message.c_str());
        ShowProgress();
    }
    void Done()
    {
        std::lock_guard lock(m_mutex);
        ++m_done;
        ShowProgress();
    }
    void Finish()
    {
        std::lock_guard lock(m_mutex);
        ClearProgress();
    }

private:
    void ShowProgress()
    {
        if (!m_terminal) return;
        if (m_total) std::fprintf(stderr, "\rtessaline: %zu/%zu rendered", m_done, m_total);
        else std::fprintf(stderr, "\rtessaline: %zu rendered", m_done);
        std::fflush(stderr);
        m_shown = true;
    }
    void ClearProgress()
    {
        if (!m_shown) return;
        std::fprintf(stderr, "\r\033[K");
        m_shown = false;
    }

    std::mutex m_mutex;
    size_t m_total = 0, m_done = 0;
    bool m_terminal, m_shown = false;
};

} // namespace

int RunBatch(const CliOptions& options)
{
    const bool fromInput = *options.batchFile == "-";
    const std::string name = fromInput ? "stdin" : *options.batchFile;
    int fd = STDIN_FILENO;
    if (!fromInput) {
        fd = ::open(options.batchFile->c_str(), O_RDONLY | O_CLOEXEC);
        struct stat st;
        const char* why = fd < 0 ? std::strerror(errno) : fstat(fd, &st) != 0 ? std::strerror(errno)
                                                        : S_ISDIR(st.st_mode) ? std::strerror(EISDIR)
                                                                              : nullptr;
        if (why) {
            if (fd >= 0) ::close(fd);
            std::fprintf(stderr, "tessaline: cannot read the batch file \"%s\": %s\n", name.c_str(), why);
            return kExitUsage;
        }
    }
    struct CloseAtEnd {
        int fd;
        ~CloseAtEnd()
        {
            if (fd != STDIN_FILENO) ::close(fd);
        }
    } closeAtEnd{fd};

    const fs::path directory = options.output ? fs::path(*options.output) : fs::path();
    if (!directory.empty()) {
        std::error_code ec;
        fs::create_directories(directory, ec);
        if (ec) {
            std::fprintf(stderr, "tessaline: cannot create the directory \"%s\": %s\n", directory.c_str(),
                         ec.message().c_str());
            return kExitWrite;
        }
        // What a killed batch may have left there.
        RemoveStaleTemporaryFiles(directory.string());
    }

    const TypeChoice defaultType = ResolveType(options.type.value_or("1"));
    const size_t lines = fromInput ? 0 : CountLines(*options.batchFile);
    CLineSource source(fd, InterruptWaitDescriptor());
    CBatchReader reader(source, name, directory, lines, options.allowAbsolute);
    CReporter reporter(lines);
    std::atomic<int> worst{0};
    std::atomic<size_t> written{0}, failed{0}, skipped{0};
    auto raise = [&](int status) {
        for (int now = worst.load(); status > now && !worst.compare_exchange_weak(now, status);) {
        }
    };
    auto work = [&] {
        // A renderer of its own for each thread; made here, so that a
        // failure to make it is one more failed line, not a crash.
        std::optional<CCommandRenderer> renderer;
        CNewFileWriter writer;
        try {
            renderer.emplace(options);
        } catch (const std::bad_alloc&) {
        }
        // What one line ends with; `skip`: its output is there already.
        auto render = [&](const BatchLine& b, bool& skip) -> Outcome {
            if (!b.error.empty()) return {kExitInvalid, b.error, {}};
            const TypeChoice type = b.type.empty() ? defaultType : ResolveType(b.type);
            if (!type.error.empty()) return {kExitInvalid, type.error, {}};
            if (Outcome o = PrepareOutputFolder(b.output, directory, options.allowAbsolute); o.status) return o;
            if (options.skipExisting && IsCompleteImage(b.output)) {
                skip = true;
                return {};
            }
            if (!renderer) return {kExitWrite, "cannot make the renderer: " + std::string(std::strerror(ENOMEM)), {}};
            return ClassifyOutcome(renderer->RenderToFile(type.id, b.text, b.output, &writer), b.output);
        };
        for (;;) {
            BatchLine b;
            std::string fatal;
            try {
                if (InterruptSignal() || !reader.Next(b, fatal)) {
                    if (!fatal.empty()) {
                        reporter.Error(fatal);
                        raise(kExitUsage);
                    }
                    break;
                }
            } catch (const std::bad_alloc&) {
                reporter.Error(name + ": out of memory while reading; the batch stops here");
                raise(kExitWrite);
                break;
            }
            Outcome outcome;
            bool skip = false;
            try {
                outcome = render(b, skip);
            } catch (const std::bad_alloc&) {
                outcome = {kExitWrite, std::string("cannot make the image: ") + std::strerror(ENOMEM), {}};
            }
            if (skip) {
                ++skipped;
            } else if (outcome.status != 0) {
                ++failed;
                raise(outcome.status == kExitUsage ? kExitInvalid : outcome.status);
                reporter.Error(reader.Where(b.number) + outcome.message);
            } else {
                ++written;
            }
            reporter.Done();
        }
        // The new files are on disk before the batch reports them saved.
        if (std::string reason; !writer.Flush(reason)) {
            reporter.Error(reason);
            raise(kExitWrite);
        }
    };
    std::vector<std::thread> pool;
    for (int t = 1; t < options.jobs; ++t) pool.emplace_back(work);
    work();
    for (auto& t : pool) t.join();
    reporter.Finish();

    if (const int signal = InterruptSignal()) {
        // The lines in flight are finished; whatever the writers still hold
        // goes now.
        if (g_onSignalCleanup) g_onSignalCleanup();
        std::fprintf(stderr, "tessaline: %zu written, %zu failed, %zu skipped, interrupted\n", written.load(),
                     failed.load(), skipped.load());
        return 128 + signal;
    }
    return worst.load();
}

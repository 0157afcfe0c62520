// Batch lines are rendered by a small pool of threads. The file is read as
// the threads ask for lines, so memory stays the same however long it is;
// each thread keeps one control, one surface and one encoder for all the
// lines it draws, and the threads share only the reader and the stream of
// messages.
#include "cli/batch.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include <unistd.h>

#include "cli/render.h"

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

// The output names given so far, as 48-bit fingerprints in an open-addressed
// table sized from the number of lines: six bytes a line, where a set of
// strings grows by a hundred, and no second table while it grows. Two names
// with the same fingerprint (odds of about one in 50,000 for a batch of
// 100,000 distinct texts) would give the second a needless suffix, never a
// lost file.
class CNameSet {
public:
    explicit CNameSet(size_t expected) { Resize(expected); }

    // False when the name was given before.
    bool Insert(const std::string& name)
    {
        if (10 * (m_count + 1) > 9 * m_low.size()) Resize(2 * m_count);
        uint64_t f = std::hash<std::string_view>()(name) & 0xFFFFFFFFFFFFull;
        if (f == 0) f = 1; // 0 marks a free slot
        for (size_t i = Slot(f);; i = i + 1 == m_low.size() ? 0 : i + 1) {
            const uint64_t here = Get(i);
            if (here == f) return false;
            if (here == 0) {
                Set(i, f);
                ++m_count;
                return true;
            }
        }
    }

private:
    uint64_t Get(size_t i) const { return uint64_t(m_high[i]) << 32 | m_low[i]; }
    void Set(size_t i, uint64_t f)
    {
        m_low[i] = uint32_t(f);
        m_high[i] = uint16_t(f >> 32);
    }
    // The home slot: the fingerprint mixed and scaled onto the table.
    size_t Slot(uint64_t f) const
    {
        return size_t((static_cast<unsigned __int128>(f * 0x9E3779B97F4A7C15ull) * m_low.size()) >> 64);
    }
    // Room for `expected` names at a load of nine tenths at most.
    void Resize(size_t expected)
    {
        std::vector<uint32_t> low;
        std::vector<uint16_t> high;
        low.swap(m_low);
        high.swap(m_high);
        const size_t slots = std::max<size_t>(1024, expected + expected / 9 + 1);
        m_low.assign(slots, 0);
        m_high.assign(slots, 0);
        m_count = 0;
        for (size_t i = 0; i < low.size(); ++i) {
            const uint64_t f = uint64_t(high[i]) << 32 | low[i];
            if (f == 0) continue;
            size_t j = Slot(f);
            while (Get(j) != 0) j = j + 1 == m_low.size() ? 0 : j + 1;
            Set(j, f);
            ++m_count;
        }
    }

    std::vector<uint32_t> m_low;
    std::vector<uint16_t> m_high;
    size_t m_count = 0;
};

// Hands out the lines of the batch file one at a time, in file order, to
// whichever thread asks: numbering, parsing and the naming of output files
// happen here under one lock, so the names are the same with any number of
// threads.
class CBatchReader {
public:
    CBatchReader(std::istream& in, fs::path directory, size_t lines)
        : m_in(in), m_directory(std::move(directory)), m_names(lines)
    {
    }

    bool Next(BatchLine& b)
    {
        std::lock_guard lock(m_mutex);
        std::string line;
        if (!std::getline(m_in, line)) return false;
        b = BatchLine{};
        b.number = ++m_number;
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
            const fs::path out = fields[2];
            b.output = (out.is_relative() ? m_directory / out : out).string();
            if (fields[2].empty()) b.error = "no output file";
        } else if (fields.size() == 1) {
            b.text = line;
            // One file per text, named after it; a repeated name gets a suffix.
            std::string name = SafeName(line);
            for (int k = 2; !m_names.Insert(name); ++k) name = SafeName(line) + "-" + std::to_string(k);
            b.output = (m_directory / (name + ".png")).string();
        } else {
            b.error = "expected TYPE<TAB>TEXT<TAB>OUTPUT or one text";
        }
        return true;
    }

private:
    std::mutex m_mutex;
    std::istream& m_in;
    fs::path m_directory;
    int m_number = 0;
    CNameSet m_names;
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
    std::ifstream in(*options.batchFile, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "tessaline: cannot read the batch file \"%s\"\n", options.batchFile->c_str());
        return 2;
    }
    const fs::path directory = options.output ? fs::path(*options.output) : fs::path();
    if (!directory.empty()) {
        std::error_code ec;
        fs::create_directories(directory, ec);
        if (ec) {
            std::fprintf(stderr, "tessaline: cannot create the directory \"%s\"\n", directory.c_str());
            return 2;
        }
    }

    const TypeChoice defaultType = ResolveType(options.type.value_or("1"));
    const size_t lines = CountLines(*options.batchFile);
    CBatchReader reader(in, directory, lines);
    CReporter reporter(lines);
    std::atomic<int> failed{0};
    auto work = [&] {
        CCommandRenderer renderer(options);
        for (BatchLine b; reader.Next(b);) {
            Outcome outcome;
            if (!b.error.empty()) {
                outcome = {1, b.error, {}};
            } else if (const TypeChoice type = b.type.empty() ? defaultType : ResolveType(b.type);
                       !type.error.empty()) {
                outcome = {1, type.error, {}};
            } else {
                outcome = renderer.RenderToFile(type.id, b.text, b.output);
            }
            if (outcome.status != 0) {
                ++failed;
                reporter.Error(*options.batchFile + ":" + std::to_string(b.number) + ": " + outcome.message);
            }
            reporter.Done();
        }
    };
    std::vector<std::thread> pool;
    for (int t = 1; t < options.jobs; ++t) pool.emplace_back(work);
    work();
    for (auto& t : pool) t.join();
    reporter.Finish();
    return failed ? 1 : 0;
}

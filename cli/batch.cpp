// Batch lines are rendered by a small pool of threads; each line makes its
// own symbol object and surface, so the lines share nothing but the output
// stream of messages.
#include "cli/batch.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
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

// Serialised messages and the progress line (on a terminal only).
class CReporter {
public:
    CReporter(size_t total) : m_total(total), m_terminal(isatty(STDERR_FILENO)) {}

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
        std::fprintf(stderr, "\rtessaline: %zu/%zu rendered", m_done, m_total);
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
    size_t m_total, m_done = 0;
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

    std::vector<BatchLine> lines;
    std::set<std::string> names;
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        BatchLine b;
        b.number = number;
        const auto fields = SplitTabs(line);
        if (fields.size() == 3) {
            b.type = fields[0];
            b.text = fields[1];
            fs::path out = fields[2];
            b.output = (out.is_relative() ? directory / out : out).string();
            if (fields[2].empty()) b.error = "no output file";
        } else if (fields.size() == 1) {
            b.text = line;
            // One file per text, named after it; a repeated name gets a suffix.
            std::string name = SafeName(line);
            for (int k = 2; !names.insert(name).second; ++k) name = SafeName(line) + "-" + std::to_string(k);
            b.output = (directory / (name + ".png")).string();
        } else {
            b.error = "expected TYPE<TAB>TEXT<TAB>OUTPUT or one text";
        }
        lines.push_back(std::move(b));
    }
    if (!directory.empty()) {
        std::error_code ec;
        fs::create_directories(directory, ec);
        if (ec) {
            std::fprintf(stderr, "tessaline: cannot create the directory \"%s\"\n", directory.c_str());
            return 2;
        }
    }

    const std::string defaultType = options.type.value_or("1");
    CReporter reporter(lines.size());
    std::atomic<size_t> next{0};
    std::atomic<int> failed{0};
    auto work = [&] {
        for (size_t i; (i = next++) < lines.size();) {
            const BatchLine& b = lines[i];
            const std::string where = *options.batchFile + ":" + std::to_string(b.number) + ": ";
            Outcome outcome;
            if (!b.error.empty()) {
                outcome = {1, b.error};
            } else if (const TypeChoice type = ResolveType(b.type.empty() ? defaultType : b.type);
                       !type.error.empty()) {
                outcome = {1, type.error};
            } else if (SymbolPtr symbol = MakeSymbol(options, type.id, b.text)) {
                outcome = RenderToFile(options, *symbol, b.output);
            } else {
                outcome = {1, "cannot make the symbol"};
            }
            if (outcome.status != 0) {
                ++failed;
                reporter.Error(where + outcome.message);
            }
            reporter.Done();
        }
    };
    const size_t threads = std::min<size_t>(size_t(options.jobs), std::max<size_t>(lines.size(), 1));
    std::vector<std::thread> pool;
    for (size_t t = 1; t < threads; ++t) pool.emplace_back(work);
    work();
    for (auto& t : pool) t.join();
    reporter.Finish();
    return failed ? 1 : 0;
}

// The command's readers: its arguments (and the value parsers behind them)
// and the batch file. The batch file is the input as given (at most a few
// lines), output names included: the command itself must keep them inside
// its output directory.
// - parsing arguments never crashes; a successful parse gives a usable
//   size, rotation and job count;
// - a batch run ends with status 0 to 3; afterwards no file exists in the
//   run's private directory outside its output directory, none inside it
//   but those the input names there (or names after its texts), and no
//   absolute name of the input has appeared.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli/batch.h"
#include "cli/options.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t kMaxLines = 8;

const fs::path& WorkDir() { return FuzzWorkDir("tessaline-cli"); }

std::vector<std::string> Split(const std::string& s, char separator)
{
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t at; (at = s.find(separator, start)) != std::string::npos; start = at + 1)
        out.push_back(s.substr(start, at - start));
    out.push_back(s.substr(start));
    return out;
}

// The first kMaxLines lines of the input.
std::string Limited(const std::string& text)
{
    std::vector<std::string> lines = Split(text, '\n');
    if (lines.size() > kMaxLines) lines.resize(kMaxLines);
    std::string out;
    for (size_t k = 0; k < lines.size(); ++k) out += lines[k] + (k + 1 < lines.size() ? "\n" : "");
    return out;
}

// What the batch may leave behind: the outputs its lines name inside the
// output directory, and whether a line of one text may name a file after
// itself there. Names that would land outside are listed apart.
struct Expected {
    std::vector<fs::path> inside;
    std::vector<fs::path> outside;
    bool namedAfterTexts = false;
};

Expected ExpectedFiles(const std::string& batch, const fs::path& dir)
{
    Expected e;
    for (std::string line : Split(batch, '\n')) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::vector<std::string> fields = Split(line, '\t');
        if (fields.size() == 1 && !line.empty()) e.namedAfterTexts = true;
        if (fields.size() != 3 || fields[2].empty()) continue;
        const fs::path given(fields[2]);
        const fs::path p = (given.is_absolute() ? given : dir / given).lexically_normal();
        const fs::path rel = p.lexically_relative(dir);
        if (!rel.empty() && *rel.begin() != "..") e.inside.push_back(p);
        else e.outside.push_back(p);
    }
    return e;
}

void CheckArguments(const std::string& bytes)
{
    std::vector<std::string> args = Split(bytes, '\0');
    if (args.size() > 32) args.resize(32);
    const ParseResult r = ParseArguments(args);
    if (!r.error.empty()) return;
    const CliOptions& o = r.options;
    FUZZ_CHECK((o.width > 0 && o.height > 0) || (o.width == 0 && o.height == 0), "size %d x %d accepted", o.width,
               o.height);
    FUZZ_CHECK(o.rotate == 0 || o.rotate == 90 || o.rotate == 180 || o.rotate == 270, "rotation %d accepted",
               o.rotate);
    FUZZ_CHECK(o.jobs >= 1, "%d jobs accepted", o.jobs);
    FUZZ_CHECK(o.borderWidth >= -1 && o.borderHeight >= -1, "borders %d,%d accepted", o.borderWidth, o.borderHeight);
    FUZZ_CHECK(o.dpi >= 1, "%d dpi accepted", o.dpi);
    FUZZ_CHECK(o.notch >= 0 && o.notch <= 100, "notch %d accepted", o.notch);
    FUZZ_CHECK(std::isfinite(o.fontPoints) && o.fontPoints >= 0, "font size %g accepted", o.fontPoints);
    for (const std::string& a : args) {
        (void)ParseInt(a);
        (void)ParsePair(a, ',');
        (void)ParseColor(a);
        (void)ParseFont(a);
    }
}

void CheckBatch(uint8_t flags, const std::string& text)
{
    const fs::path dir = WorkDir() / "out";
    const fs::path file = WorkDir() / "batch.txt";
    std::error_code ec;
    fs::remove_all(dir, ec);
    const std::string batch = Limited(text);
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(batch.data(), std::streamsize(batch.size()));
    }
    const Expected expected = ExpectedFiles(batch, dir);
    std::vector<bool> existedBefore;
    for (const fs::path& p : expected.outside) existedBefore.push_back(fs::exists(p, ec));

    CliOptions o;
    o.action = CliAction::Batch;
    o.batchFile = file.string();
    o.output = dir.string();
    o.jobs = (flags & 1) ? 2 : 1;
    if (flags & 2) o.width = 60, o.height = 40;
    if (flags & 4) o.type = "Code 128";
    o.skipExisting = (flags & 8) != 0;
    const int status = RunBatch(o);
    FUZZ_CHECK(status >= 0 && status <= 3, "status %d", status);

    for (auto it = fs::recursive_directory_iterator(WorkDir(), ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        const fs::path p = it->path();
        if (p == file || p == dir || it->is_directory(ec)) continue;
        const fs::path rel = p.lexically_relative(dir);
        FUZZ_CHECK(!rel.empty() && *rel.begin() != "..", "%s written outside the output directory",
                   Printable(p.string()).c_str());
        const bool named = std::find(expected.inside.begin(), expected.inside.end(), p) != expected.inside.end();
        const bool afterText = expected.namedAfterTexts && p.parent_path() == dir && p.extension() == ".png";
        FUZZ_CHECK(named || afterText, "%s written, which no line names", Printable(p.string()).c_str());
    }
    for (size_t i = 0; i < expected.outside.size(); ++i)
        FUZZ_CHECK(existedBefore[i] || !fs::exists(expected.outside[i], ec), "%s written outside",
                   Printable(expected.outside[i].string()).c_str());
    fs::remove_all(dir, ec);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CFuzzInput in(data, size);
    const uint8_t flags = in.Byte();
    const std::string rest = in.Rest();
    if (flags & 0x80) CheckArguments(rest);
    else CheckBatch(flags, rest);
    return 0;
}

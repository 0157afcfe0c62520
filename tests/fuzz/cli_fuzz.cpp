// The command's readers: its arguments (and the value parsers behind them)
// and the batch file. Batch lines that name an output are rewritten to a
// name inside the run's directory with the same extension, so that the
// fuzzer never writes elsewhere; everything else of the file is as given.
// - parsing arguments never crashes; a successful parse gives a usable
//   size, rotation and job count;
// - a batch run ends with status 0, 1 or 2 and writes nothing outside its
//   output directory for one-text lines (their names come from the text).
#include <unistd.h>

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

// A batch file of at most kMaxLines lines, each output named "o<k>" plus the
// extension it asked for.
std::string Sandboxed(const std::string& text)
{
    std::string out;
    std::vector<std::string> lines = Split(text, '\n');
    if (lines.size() > kMaxLines) lines.resize(kMaxLines);
    for (size_t k = 0; k < lines.size(); ++k) {
        const bool cr = !lines[k].empty() && lines[k].back() == '\r';
        if (cr) lines[k].pop_back();
        std::vector<std::string> fields = Split(lines[k], '\t');
        if (fields.size() == 3 && !fields[2].empty()) {
            const size_t dot = fields[2].find_last_of("./");
            std::string extension;
            if (dot != std::string::npos && fields[2][dot] == '.') extension = fields[2].substr(dot);
            fields[2] = "o" + std::to_string(k) + extension;
            lines[k] = fields[0] + "\t" + fields[1] + "\t" + fields[2];
        }
        out += lines[k] + (cr ? "\r" : "") + (k + 1 < lines.size() ? "\n" : "");
    }
    return out;
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
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        const std::string sandboxed = Sandboxed(text);
        out.write(sandboxed.data(), std::streamsize(sandboxed.size()));
    }
    CliOptions o;
    o.action = CliAction::Batch;
    o.batchFile = file.string();
    o.output = dir.string();
    o.jobs = (flags & 1) ? 2 : 1;
    if (flags & 2) o.width = 60, o.height = 40;
    if (flags & 4) o.type = "Code 128";
    const int status = RunBatch(o);
    FUZZ_CHECK(status >= 0 && status <= 3, "status %d", status);
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

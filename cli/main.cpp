// The tessaline command: draws barcodes into image files.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <iterator>
#include <new>
#include <string>
#include <vector>

#include <unistd.h>

#include "cli/batch.h"
#include "cli/interrupt.h"
#include "cli/options.h"
#include "cli/output_files.h"
#include "cli/render.h"
#include "cli/verify.h"
#include "control/render/render_internal.h"

namespace {

int Fail(int status, const std::string& message)
{
    std::fprintf(stderr, "tessaline: %s\n", message.c_str());
    return status;
}

void Warn(const std::vector<std::string>& warnings)
{
    for (const std::string& w : warnings) std::fprintf(stderr, "tessaline: warning: %s\n", w.c_str());
}

void ListTypes(bool json)
{
    const std::vector<tessaline::TypeEntry> types = tessaline::Types();
    if (!json) {
        for (const auto& t : types) std::printf("%2d  %-26s %s\n", t.id, t.name.c_str(), t.sampleText.c_str());
        return;
    }
    std::string out = "[";
    for (size_t i = 0; i < types.size(); ++i) {
        const auto& t = types[i];
        out += std::string(i ? "," : "") + "{\"id\":" + std::to_string(t.id) + ",\"name\":" +
               tessaline::JsonString(t.name) + ",\"sampleText\":" + tessaline::JsonString(t.sampleText) +
               ",\"group\":" + tessaline::JsonString(t.group) + "}";
    }
    std::printf("%s]\n", out.c_str());
}

bool WriteAll(int fd, const std::vector<uint8_t>& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

} // namespace

int Run(int argc, char** argv);

int main(int argc, char** argv)
{
    ReopenClosedStandardDescriptors();
    // An image too large for the memory there is: a failure like a full
    // disk, not a crash.
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        return Fail(kExitWrite, std::string("cannot make the image: ") + std::strerror(ENOMEM));
    }
}

int Run(int argc, char** argv)
{
    const ParseResult parsed = ParseArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty()) return Fail(2, parsed.error + "\nTry 'tessaline --help'.");
    CliOptions o = parsed.options;

    switch (o.action) {
    case CliAction::Help: std::fputs(UsageText().c_str(), stdout); return 0;
    case CliAction::Version: std::printf("tessaline %s\n", TESSALINE_VERSION); return 0;
    case CliAction::ListTypes: ListTypes(o.json); return 0;
    default: break;
    }
    if (o.action == CliAction::Batch) {
        InstallInterruptHandling();
        return RunBatch(o);
    }

    if (o.text && *o.text == "-") {
        // The text from standard input, without the line end that ends it.
        std::string text((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        o.text = text;
    }
    const TypeChoice type = ResolveType(o.type.value_or("1"));
    if (!type.error.empty()) return Fail(2, type.error);
    CCommandRenderer renderer(o);

    if (o.action == CliAction::Info) {
        Outcome verdict;
        const std::string json = renderer.InfoJson(type.id, o.text, verdict);
        if (!json.empty()) std::printf("%s\n", json.c_str());
        Warn(verdict.warnings);
        return verdict.status ? Fail(verdict.status, verdict.message) : 0;
    }
    if (o.verify) {
        const Outcome checked = VerifySymbol(o, type.id, o.text);
        if (checked.status) return Fail(checked.status, checked.message);
        Warn(checked.warnings);
    }
    const std::string output = o.output.value_or("barcode.png");
    if (output == "-") {
        std::vector<uint8_t> bytes;
        const Outcome outcome = renderer.RenderToBytes(type.id, o.text, *o.format, bytes);
        Warn(outcome.warnings);
        if (outcome.status) return Fail(outcome.status, outcome.message);
        if (!WriteAll(STDOUT_FILENO, bytes)) return Fail(3, "cannot write the image to standard output");
        return 0;
    }
    Outcome outcome = CheckOutputTarget(output);
    if (outcome.status == 0) outcome = ClassifyOutcome(renderer.RenderToFile(type.id, o.text, output), output);
    Warn(outcome.warnings);
    return outcome.status ? Fail(outcome.status, outcome.message) : 0;
}

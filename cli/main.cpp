// The tessaline command: draws barcodes into image files.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/batch.h"
#include "cli/interrupt.h"
#include "cli/options.h"
#include "cli/output_files.h"
#include "cli/render.h"
#include "control/engine/catalogue.h"

namespace {

int Fail(int status, const std::string& message)
{
    std::fprintf(stderr, "tessaline: %s\n", message.c_str());
    return status;
}

void ListTypes()
{
    for (size_t i = 0; i < TypeInfoCount(); ++i) {
        const TypeInfo& t = TypeInfos()[i];
        std::printf("%2d  %-26s %s\n", t.id, t.name, Cp1252ToUtf8(t.demoText).c_str());
    }
}

} // namespace

int main(int argc, char** argv)
{
    ReopenClosedStandardDescriptors();
    const ParseResult parsed = ParseArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty()) return Fail(2, parsed.error + "\nTry 'tessaline --help'.");
    const CliOptions& o = parsed.options;

    switch (o.action) {
    case CliAction::Help: std::fputs(UsageText().c_str(), stdout); return 0;
    case CliAction::Version: std::printf("tessaline %s\n", TESSALINE_VERSION); return 0;
    case CliAction::ListTypes: ListTypes(); return 0;
    default: break;
    }
    if (o.moduleMm) {
        const ModulePixels module = ModuleSize(*o.moduleMm, o.dpi);
        if (!module.note.empty()) std::fprintf(stderr, "tessaline: %s\n", module.note.c_str());
    }
    if (o.action == CliAction::Batch) {
        InstallInterruptHandling();
        return RunBatch(o);
    }

    const TypeChoice type = ResolveType(o.type.value_or("1"));
    if (!type.error.empty()) return Fail(2, type.error);
    const auto control = MakeControl(o, type.id, o.text);
    if (!control) return Fail(2, "cannot make the control for type " + std::to_string(type.id));

    if (o.action == CliAction::Info) {
        std::printf("%s\n", InfoJson(*control, o).c_str());
        const Outcome verdict = CheckSymbol(*control, o);
        return verdict.status ? Fail(verdict.status, verdict.message) : 0;
    }
    const std::string output = o.output.value_or("barcode.png");
    Outcome outcome = CheckOutputTarget(output);
    if (outcome.status == 0) outcome = ClassifyOutcome(RenderToFile(o, *control, output), output);
    return outcome.status ? Fail(outcome.status, outcome.message) : 0;
}

// The render API's cost per image, as the command pays it: EAN 13 to PNG
// bytes with the default sizing (the batch case) in the three text
// variants, every symbology, and whole files in every format written to a
// temporary directory.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unistd.h>

#include <tessaline/tessaline.hpp>

#include "bench/bench_inputs.h"

namespace fs = std::filesystem;

namespace {

void BM_Ean13Png(benchmark::State& state)
{
    const tessaline::RenderOptions o = TextOptions(state.range(0));
    tessaline::CRenderer renderer;
    int64_t i = 0;
    size_t bytes = 0;
    for (auto _ : state) {
        const std::string text = Ean13Text(i++);
        bytes = renderer.Render("1", text, tessaline::Format::Png, o).bytes.size();
    }
    state.counters["bytes"] = double(bytes);
    state.counters["symbols/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Ean13Png)->ArgName("text")->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// The report alone: validity, check digit, layout and module runs.
void BM_Ean13Inspect(benchmark::State& state)
{
    tessaline::CRenderer renderer;
    int64_t i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(renderer.Inspect("1", Ean13Text(i++), {}));
}
BENCHMARK(BM_Ean13Inspect)->Unit(benchmark::kMicrosecond);

class CTempDir {
public:
    CTempDir()
    {
        m_path = fs::temp_directory_path() / ("tessaline-cli-bench-" + std::to_string(getpid()));
        fs::create_directories(m_path);
    }
    ~CTempDir() { fs::remove_all(m_path); }
    std::string File(const std::string& name) const { return (m_path / name).string(); }

private:
    fs::path m_path;
};

// Whole files, through the file system, in every format.
void WriteFile(benchmark::State& state, const char* extension)
{
    tessaline::CRenderer renderer;
    const CTempDir dir;
    const std::string path = dir.File(std::string("symbol.") + extension);
    for (auto _ : state) {
        try {
            renderer.Save(path, "1", "590123412345", {});
        } catch (const tessaline::CRenderError& e) {
            state.SkipWithError(e.what());
            break;
        }
    }
    state.counters["bytes"] = double(fs::exists(path) ? fs::file_size(path) : 0);
}

// Every symbology with its sample text, drawn and encoded.
void SymbologyPng(benchmark::State& state, int type)
{
    tessaline::CRenderer renderer;
    size_t bytes = 0;
    for (auto _ : state) bytes = renderer.Render(std::to_string(type), std::nullopt, tessaline::Format::Png, {}).bytes.size();
    state.counters["bytes"] = double(bytes);
}

const int kRegistered = [] {
    for (const char* ext : {"png", "jpg", "bmp", "svg", "pdf", "eps"})
        benchmark::RegisterBenchmark((std::string("File/") + ext).c_str(), WriteFile, ext)
            ->Unit(benchmark::kMicrosecond);
    for (const tessaline::TypeEntry& t : tessaline::Types()) {
        if (t.id == 99) continue;
        benchmark::RegisterBenchmark(("Png/" + t.name).c_str(), SymbologyPng, t.id)->Unit(benchmark::kMicrosecond);
    }
    return 0;
}();

} // namespace

BENCHMARK_MAIN();

// The tessaline command's cost per image: the control's drawing onto the
// command's raster surface and the compact PNG encoding, for EAN 13 at the
// default 250 x 150 (the batch case) and for every symbology; the phases
// apart (drawing, colour analysis and encoding); and whole files, PNG,
// JPEG and the vector formats, written to a temporary directory.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unistd.h>

#include "cli/image_files.h"
#include "cli/render.h"
#include "control/engine/catalogue.h"

namespace fs = std::filesystem;

namespace {

const SIZE kSize{250, 150};

CliOptions DefaultOptions() { return CliOptions{}; }

// EAN 13 texts that differ from image to image, as in a batch.
std::string Ean13Text(int64_t i)
{
    std::string t = std::to_string(400000000000 + (i * 7919) % 99999999999);
    return t.substr(0, 12);
}

// The text variants of the command: 0 anti-aliased (the default), 1
// bilevel (--bilevel), 2 none (--no-text).
CliOptions TextOptions(int64_t text)
{
    CliOptions o = DefaultOptions();
    o.bilevel = text == 1;
    o.showText = text != 2;
    return o;
}

// Sets the symbol, draws and encodes: what a batch thread does per line
// before the file is written. text: 0 anti-aliased (the default, 8-bit
// grey), 1 bilevel (--bilevel, one bit a pixel), 2 none (--no-text).
void BM_Ean13Png(benchmark::State& state)
{
    const CliOptions o = TextOptions(state.range(0));
    CCommandControl control;
    control.SetPresentation(o);
    CImageWorkspace w;
    int64_t i = 0;
    for (auto _ : state) {
        control.SetSymbol(1, Ean13Text(i++), false);
        if (!EncodePng(control, o, kSize, w)) state.SkipWithError("encoding failed");
    }
    state.counters["bytes"] = double(w.bytes.size());
    state.counters["depth"] = w.png.Layout().bitDepth;
}
BENCHMARK(BM_Ean13Png)->ArgName("text")->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// The phases apart: the drawing (bars, text, background; the text's share
// is the difference to the variant without it)...
void BM_Ean13Draw(benchmark::State& state)
{
    const CliOptions o = TextOptions(state.range(0));
    CCommandControl control;
    control.SetPresentation(o);
    control.SetSymbol(1, std::string("590123412345"), false);
    CImageWorkspace w;
    w.Surface(kSize, o.dpi);
    w.raster.SetTextAntialias(!o.bilevel);
    for (auto _ : state) control.Draw(&w.raster, kSize.cx, kSize.cy);
}
BENCHMARK(BM_Ean13Draw)->ArgName("text")->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// ...the choice of form alone, and the whole encoding of drawn pixels.
void BM_Ean13ChooseForm(benchmark::State& state)
{
    const CliOptions o = DefaultOptions();
    CCommandControl control;
    control.SetPresentation(o);
    control.SetSymbol(1, std::string("590123412345"), false);
    CImageWorkspace w;
    w.Surface(kSize, o.dpi);
    control.Draw(&w.raster, kSize.cx, kSize.cy);
    const PixelView pixels{w.raster.Data(), w.raster.Stride(), kSize.cx, kSize.cy};
    for (auto _ : state) benchmark::DoNotOptimize(ChoosePngLayout(pixels));
}
BENCHMARK(BM_Ean13ChooseForm)->Unit(benchmark::kMicrosecond);

void BM_Ean13Encode(benchmark::State& state)
{
    const CliOptions o = DefaultOptions();
    CCommandControl control;
    control.SetPresentation(o);
    control.SetSymbol(1, std::string("590123412345"), false);
    CImageWorkspace w;
    w.Surface(kSize, o.dpi);
    control.Draw(&w.raster, kSize.cx, kSize.cy);
    const PixelView pixels{w.raster.Data(), w.raster.Stride(), kSize.cx, kSize.cy};
    const bool interlace = state.range(0) != 0;
    for (auto _ : state) w.png.Encode(pixels, o.dpi, interlace, w.bytes);
    state.counters["bytes"] = double(w.bytes.size());
}
BENCHMARK(BM_Ean13Encode)->ArgName("interlace")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Whole files, through the file system, in every format.
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

void WriteFile(benchmark::State& state, const char* extension)
{
    const CliOptions o = DefaultOptions();
    CCommandControl control;
    control.SetPresentation(o);
    control.SetSymbol(1, std::string("590123412345"), false);
    const CTempDir dir;
    const std::string path = dir.File(std::string("symbol.") + extension);
    CImageWorkspace w;
    std::string error;
    for (auto _ : state)
        if (WriteImage(*FormatForPath(path), path, control, o, kSize, &w, error) != WriteResult::Written)
            state.SkipWithError(error.c_str());
    state.counters["bytes"] = double(fs::file_size(path));
}

// Every symbology with its sample text, drawn and encoded.
void SymbologyPng(benchmark::State& state, int32_t type)
{
    const CliOptions o = DefaultOptions();
    CCommandControl control;
    control.SetPresentation(o);
    control.SetSymbol(type, std::nullopt, false);
    CImageWorkspace w;
    for (auto _ : state) EncodePng(control, o, kSize, w);
    state.counters["fits"] = control.Symbol().IsSizeOk() ? 1 : 0;
    state.counters["bytes"] = double(w.bytes.size());
}

const int kRegistered = [] {
    for (const char* ext : {"png", "jpg", "bmp", "svg", "pdf", "eps"})
        benchmark::RegisterBenchmark((std::string("File/") + ext).c_str(), WriteFile, ext)
            ->Unit(benchmark::kMicrosecond);
    for (size_t i = 0; i < TypeInfoCount(); ++i) {
        const TypeInfo& t = TypeInfos()[i];
        if (!CreateSymbol(t.id)) continue;
        benchmark::RegisterBenchmark(("Png/" + std::string(t.name)).c_str(), SymbologyPng, t.id)
            ->Unit(benchmark::kMicrosecond);
    }
    return 0;
}();

} // namespace

BENCHMARK_MAIN();

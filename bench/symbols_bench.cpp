// Rendering cost of each symbology present, at the command's default size of
// 250 x 150 with its default presentation: the encoding alone (the paint
// recorded on the metafile surface), the paint into raster pixels, and the
// paint and PNG encoding of a whole image.
#include <benchmark/benchmark.h>

#include "control/engine/catalogue.h"
#include "control/engine/renderer.h"
#include "control/interface/webimage.h"
#include "platform/gdi/metafile.h"
#include "platform/gdi/raster.h"

namespace {

constexpr int kWidth = 250, kHeight = 150;
const RECT kBounds{0, 0, kWidth, kHeight};

SymbolPtr DemoSymbol(int32_t type)
{
    SymbolPtr s = CreateSymbol(type);
    s->SetText(s->GetDemoText());
    return s;
}

void Encode(benchmark::State& state, int32_t type)
{
    SymbolPtr s = DemoSymbol(type);
    const PaintState paint;
    for (auto _ : state) {
        CMetaFileDC dc(kWidth, kHeight);
        DrawBarcode(&dc, kBounds, *s, paint);
        benchmark::DoNotOptimize(dc.Records().data());
    }
    state.counters["fits"] = s->IsSizeOk() ? 1 : 0;
}

void Render(benchmark::State& state, int32_t type)
{
    SymbolPtr s = DemoSymbol(type);
    const PaintState paint;
    CRasterDC dc(kWidth, kHeight);
    for (auto _ : state) {
        DrawBarcode(&dc, kBounds, *s, paint);
        benchmark::DoNotOptimize(dc.Data());
    }
    state.counters["fits"] = s->IsSizeOk() ? 1 : 0;
}

void Png(benchmark::State& state, int32_t type)
{
    SymbolPtr s = DemoSymbol(type);
    const PaintState paint;
    size_t bytes = 0;
    for (auto _ : state) {
        CWebImageDC dc;
        dc.Create(SIZE{kWidth, kHeight});
        DrawBarcode(&dc, kBounds, *s, paint);
        CMemFile file;
        if (dc.WritePNG(file, FALSE, FALSE, 0) != 1) state.SkipWithError("PNG encoding failed");
        bytes = file.GetLength();
    }
    state.counters["bytes"] = double(bytes);
}

// One benchmark of each kind per type whose class is present.
const int kRegistered = [] {
    for (size_t i = 0; i < TypeInfoCount(); ++i) {
        const TypeInfo& t = TypeInfos()[i];
        if (!CreateSymbol(t.id)) continue;
        benchmark::RegisterBenchmark(("Encode/" + std::string(t.name)).c_str(), Encode, t.id);
        benchmark::RegisterBenchmark(("Render/" + std::string(t.name)).c_str(), Render, t.id);
        benchmark::RegisterBenchmark(("Png/" + std::string(t.name)).c_str(), Png, t.id);
    }
    return 0;
}();

} // namespace

BENCHMARK_MAIN();

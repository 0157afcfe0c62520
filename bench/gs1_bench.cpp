// Checking GS1 element strings, against drawing the symbol they become:
// the check should cost nothing next to the paint.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "control/gs1/gs1.h"
#include "control/symbologies/symbologies.h"
#include "control/engine/renderer.h"
#include "platform/gdi/metafile.h"
#include "platform/gdi/raster.h"

namespace {

const std::string kTexts[] = {
    "(01)12345678901231",
    "(01)12345678901231(17)251231(10)ABC-123(21)S0042",
    "(415)4012345000009(8020)R1(3911)978500",
    "(01)12345678901231(17)991332(10)AB\xC3\xA9(23)1",
};

// 100000 element strings a run: the four texts in turn.
void BM_Gs1Check100k(benchmark::State& state)
{
    for (auto _ : state) {
        size_t valid = 0;
        for (int i = 0; i < 100000; ++i) valid += Gs1CheckElementString(kTexts[i % 4]).valid;
        benchmark::DoNotOptimize(valid);
    }
    state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_Gs1Check100k)->Unit(benchmark::kMillisecond);

void BM_Gs1Check(benchmark::State& state)
{
    const std::string& text = kTexts[state.range(0)];
    for (auto _ : state) benchmark::DoNotOptimize(Gs1CheckElementString(text));
    state.SetLabel(std::to_string(text.size()) + " bytes");
}
BENCHMARK(BM_Gs1Check)->DenseRange(0, 3);

// For scale: painting the checked text of the second string as records.
void BM_PaintChecked(benchmark::State& state)
{
    auto symbol = CreateEanUcc128AiBarcode();
    symbol->SetText(Gs1CheckElementString(kTexts[1]).controlText);
    symbol->SetShowText(TRUE);
    symbol->SetTextHeight(20);
    CMetaFileDC dc;
    for (auto _ : state) {
        dc.Clear();
        symbol->Paint(&dc, RECT{0, 0, 2000, 120});
    }
}
BENCHMARK(BM_PaintChecked);

// And drawing it into pixels, as every image output does.
void BM_RenderChecked(benchmark::State& state)
{
    auto symbol = CreateEanUcc128AiBarcode();
    symbol->SetText(Gs1CheckElementString(kTexts[1]).controlText);
    PaintState paint;
    paint.showText = TRUE;
    for (auto _ : state) {
        CRasterDC dc(600, 160);
        DrawBarcode(&dc, RECT{0, 0, 600, 160}, *symbol, paint);
        benchmark::DoNotOptimize(dc.Data());
    }
}
BENCHMARK(BM_RenderChecked)->Unit(benchmark::kMicrosecond);

} // namespace
BENCHMARK_MAIN();

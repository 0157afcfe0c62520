// Building and drawing automatic Code 128 symbols.
#include <benchmark/benchmark.h>

#include <string>

#include "control/symbologies/engine.h"
#include "control/symbologies/symbologies.h"
#include "platform/gdi/metafile.h"

namespace {

const std::string kTexts[] = {
    "Code 128",
    "0101234567890128151231",
    "Order 4711/2024: 12 boxes, lot a-1234567, ship to K\xF6ln\t#99",
};

void BM_BuildCode128(benchmark::State& state)
{
    const std::string& text = kTexts[state.range(0)];
    for (auto _ : state) benchmark::DoNotOptimize(BuildCode128(text, FALSE));
    state.SetLabel(std::to_string(text.size()) + " characters");
}
BENCHMARK(BM_BuildCode128)->DenseRange(0, 2);

void BM_PaintCode128(benchmark::State& state)
{
    auto symbol = CreateCode128Barcode();
    symbol->SetText(kTexts[state.range(0)]);
    symbol->SetShowText(TRUE);
    symbol->SetTextHeight(20);
    CMetaFileDC dc;
    for (auto _ : state) {
        dc.Clear();
        symbol->Paint(&dc, RECT{0, 0, 2000, 120});
    }
}
BENCHMARK(BM_PaintCode128)->DenseRange(0, 2);

} // namespace

BENCHMARK_MAIN();

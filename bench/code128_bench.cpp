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

// Long texts that make the text preparation and the builder work hard: an
// EAN/UCC 128 AI text of nothing but "(01)" (parentheses to strip), one of
// field ends "<FNC1>", and a Code 128 text that leaves set C every five
// characters. The time a byte should stay flat as the length grows.
std::string Repeat(const std::string& piece, int64_t bytes)
{
    std::string s;
    while (int64_t(s.size()) < bytes) s += piece;
    return s;
}

void PaintLong(benchmark::State& state, SymbolPtr symbol, const std::string& piece)
{
    symbol->SetText(Repeat(piece, state.range(0)));
    symbol->SetShowText(TRUE);
    symbol->SetTextHeight(20);
    CMetaFileDC dc;
    for (auto _ : state) {
        dc.Clear();
        symbol->Paint(&dc, RECT{0, 0, 30000, 120});
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
    state.SetComplexityN(state.range(0));
}

void BM_PaintLongAiParentheses(benchmark::State& state) { PaintLong(state, CreateEanUcc128AiBarcode(), "(01)"); }
void BM_PaintLongAiMarkers(benchmark::State& state) { PaintLong(state, CreateEanUcc128AiBarcode(), "12<FNC1>"); }
void BM_PaintLongSetChanges(benchmark::State& state) { PaintLong(state, CreateCode128Barcode(), "1234A"); }
BENCHMARK(BM_PaintLongAiParentheses)->RangeMultiplier(4)->Range(4 << 10, 256 << 10)->Complexity(benchmark::oN);
BENCHMARK(BM_PaintLongAiMarkers)->RangeMultiplier(4)->Range(4 << 10, 256 << 10)->Complexity(benchmark::oN);
BENCHMARK(BM_PaintLongSetChanges)->RangeMultiplier(4)->Range(4 << 10, 256 << 10)->Complexity(benchmark::oN);

} // namespace

BENCHMARK_MAIN();

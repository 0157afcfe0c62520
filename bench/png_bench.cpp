// PNG encoding of drawn surfaces: the read-out as a DIB, the conversion and
// libpng, into a growable in-memory file, interlaced and not.
#include <benchmark/benchmark.h>

#include "control/interface/webimage.h"

namespace {

// Bars of varying width and a line of text, like a symbol.
void DrawBars(CWebImageDC& dc, int width, int height)
{
    dc.FillSolidRect(RECT{0, 0, width, height}, RGB(255, 255, 255));
    dc.SelectObject(CBrush{BS_SOLID, 0});
    dc.SelectObject(CPen{PS_SOLID, 0, 0});
    const int unit = std::max(1, width / 120);
    for (int x = 5, i = 0; x + 4 * unit < width - 5; ++i) {
        const int w = unit * (1 + i % 3);
        dc.Rectangle(x, 5, x + w, height - 30);
        x += w + unit * (1 + (i * 7) % 4);
    }
    LOGFONT f;
    f.lfHeight = -24;
    f.lfWeight = FW_BOLD;
    dc.SelectObject(f);
    dc.SetBkMode(TRANSPARENT);
    dc.TextOut(10, height - 28, "5901234123457");
}

void BM_EncodePng(benchmark::State& state)
{
    const int width = int(state.range(0)), height = int(state.range(1));
    const BOOL interlace = state.range(2) != 0;
    CWebImageDC dc;
    dc.Create(SIZE{width, height});
    DrawBars(dc, width, height);
    size_t bytes = 0;
    for (auto _ : state) {
        CMemFile file(1024);
        if (dc.WritePNG(file, interlace, FALSE, RGB(255, 255, 255)) != 1) state.SkipWithError("encoding failed");
        bytes = file.GetLength();
        benchmark::DoNotOptimize(file.GetBuffer());
    }
    state.counters["png_bytes"] = double(bytes);
    state.SetItemsProcessed(state.iterations() * int64_t(width) * height);
}

} // namespace

BENCHMARK(BM_EncodePng)
    ->ArgNames({"w", "h", "interlace"})
    ->Args({250, 150, 0})
    ->Args({250, 150, 1})
    ->Args({1000, 400, 0})
    ->Args({1000, 400, 1})
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();

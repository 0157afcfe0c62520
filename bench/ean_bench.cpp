// Painting the EAN/UPC family: the symbol alone on the recording surface
// (layout and primitives) and the full paint onto pixels.
#include <benchmark/benchmark.h>

#include "control/engine/renderer.h"
#include "control/symbologies/symbologies.h"
#include "platform/gdi/metafile.h"
#include "platform/gdi/raster.h"

namespace {

SymbolPtr Make(int type)
{
    switch (type) {
    case 0: return CreateIsbnBarcode();
    case 1: return CreateEan13Barcode();
    case 2: return CreateEan8Barcode();
    case 3: return CreateEan5Barcode();
    case 5: return CreateUpcABarcode();
    default: return CreateUpcEBarcode();
    }
}

void BM_PaintMetafile(benchmark::State& state)
{
    SymbolPtr s = Make(int(state.range(0)));
    s->SetText(s->GetDemoText());
    s->SetShowText(TRUE);
    s->SetTextHeight(27);
    s->SetNotchHeightInPercent(25);
    CMetaFileDC dc(400, 200);
    dc.SelectObject(PaintState::DefaultBarcodeFont());
    for (auto _ : state) {
        dc.Clear();
        s->Paint(&dc, RECT{3, 4, 397, 196});
        benchmark::DoNotOptimize(dc.Records().data());
    }
}
BENCHMARK(BM_PaintMetafile)->Arg(1)->Arg(2)->Arg(3)->Arg(5)->Arg(17)->Arg(0);

void BM_PaintRaster(benchmark::State& state)
{
    SymbolPtr s = Make(int(state.range(0)));
    s->SetText(s->GetDemoText());
    CRasterDC dc(400, 200);
    const PaintState paint;
    for (auto _ : state) DrawBarcode(&dc, RECT{0, 0, 400, 200}, *s, paint);
}
BENCHMARK(BM_PaintRaster)->Arg(1)->Arg(17)->Arg(0);

} // namespace

BENCHMARK_MAIN();

// The render API in memory against two peers on the same EAN 13 texts:
// tessaline's CRenderer (type and text to PNG bytes, sized from the symbol:
// 2-pixel modules, quiet zones, standard bar height), libzint 2.11 (the
// same symbol: scale 1, height 69.24 modules, quiet zones, 2 modules above
// and below; its bitmap in memory, and its PNG, which this version writes
// only to a file, on tmpfs) and zxing-cpp's MultiFormatWriter (bars only,
// no text and no image format: a bit matrix of the same size).
//
// Texts differ from symbol to symbol, as in a batch. The counter
// symbols/s is the rate on one core.
#include <benchmark/benchmark.h>

#include <zint.h>

#include <ZXing/BitMatrix.h>
#include <ZXing/MultiFormatWriter.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include <unistd.h>

#include <tessaline/tessaline.hpp>

#include "bench/bench_inputs.h"

namespace {

void Rate(benchmark::State& state, size_t bytes)
{
    state.counters["bytes"] = double(bytes);
    state.counters["symbols/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_TessalinePng(benchmark::State& state)
{
    const tessaline::RenderOptions o = TextOptions(state.range(0));
    tessaline::CRenderer renderer;
    int64_t i = 0;
    size_t bytes = 0;
    for (auto _ : state) {
        const tessaline::Image image = renderer.Render("1", Ean13Text(i++), tessaline::Format::Png, o);
        bytes = image.bytes.size();
        benchmark::DoNotOptimize(image.bytes.data());
    }
    Rate(state, bytes);
}
BENCHMARK(BM_TessalinePng)->ArgName("text")->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// The grey pixels alone, as a decoder or a preview takes them.
void BM_TessalinePixels(benchmark::State& state)
{
    const tessaline::RenderOptions o = TextOptions(state.range(0));
    tessaline::CRenderer renderer;
    int64_t i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(renderer.RenderPixels("1", Ean13Text(i++), o).grey.data());
    Rate(state, 0);
}
BENCHMARK(BM_TessalinePixels)->ArgName("text")->Arg(0)->Arg(2)->Unit(benchmark::kMicrosecond);

zint_symbol* ZintSymbol(bool text)
{
    zint_symbol* s = ZBarcode_Create();
    s->symbology = BARCODE_EANX;
    s->scale = 1; // an X dimension of 2 pixels
    s->height = 69.24f;
    s->whitespace_height = 2;
    s->output_options |= BARCODE_QUIET_ZONES;
    s->show_hrt = text ? 1 : 0;
    return s;
}

// zint's text is bilevel: arguments 1 (text) and 2 (none).
void BM_ZintBitmap(benchmark::State& state)
{
    zint_symbol* s = ZintSymbol(state.range(0) != 2);
    int64_t i = 0;
    for (auto _ : state) {
        const std::string text = Ean13Text(i++);
        ZBarcode_Clear(s);
        if (ZBarcode_Encode_and_Buffer(s, reinterpret_cast<const unsigned char*>(text.data()), int(text.size()), 0) >=
            ZINT_ERROR) {
            state.SkipWithError(s->errtxt);
            break;
        }
        benchmark::DoNotOptimize(s->bitmap);
    }
    Rate(state, size_t(s->bitmap_width) * size_t(s->bitmap_height) * 3);
    ZBarcode_Delete(s);
}
BENCHMARK(BM_ZintBitmap)->ArgName("text")->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

void BM_ZintPngFile(benchmark::State& state)
{
    const std::string dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : std::filesystem::temp_directory_path().string();
    const std::string path = dir + "/tessaline-api-bench-" + std::to_string(getpid()) + ".png";
    zint_symbol* s = ZintSymbol(state.range(0) != 2);
    std::snprintf(s->outfile, sizeof s->outfile, "%s", path.c_str());
    int64_t i = 0;
    for (auto _ : state) {
        const std::string text = Ean13Text(i++);
        ZBarcode_Clear(s);
        if (ZBarcode_Encode_and_Print(s, reinterpret_cast<const unsigned char*>(text.data()), int(text.size()), 0) >=
            ZINT_ERROR) {
            state.SkipWithError(s->errtxt);
            break;
        }
    }
    std::error_code ec;
    Rate(state, size_t(std::filesystem::file_size(path, ec)));
    std::filesystem::remove(path, ec);
    ZBarcode_Delete(s);
}
BENCHMARK(BM_ZintPngFile)->ArgName("text")->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// zxing-cpp writes bars only: the bit matrix of tessaline's image size for
// the symbol without text (226 x 146).
void BM_ZxingMatrix(benchmark::State& state)
{
    const ZXing::MultiFormatWriter writer = ZXing::MultiFormatWriter(ZXing::BarcodeFormat::EAN13).setMargin(22);
    int64_t i = 0;
    for (auto _ : state) {
        const ZXing::BitMatrix m = writer.encode(Ean13Text(i++), 226, 146);
        benchmark::DoNotOptimize(m.height());
    }
    Rate(state, 0);
}
BENCHMARK(BM_ZxingMatrix)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();

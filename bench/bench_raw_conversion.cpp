// The raw capture conversion against libyuv's packed 4:2:2 to 24-bit conversion of the same
// buffer (YUY2 to ARGB, then ARGB to RGB24): the peer a user would reach for.

#include <libyuv.h>

#include <cstring>
#include <vector>

#include "BenchRatio.h"
#include "RawSamples.h"
#include "picture/RawConversion.h"

using namespace tavelo;

namespace {

void BuildBitmapBench(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    MemoryBlock raw = bench::NoisyRaw(width, height, 12345);
    bench::NoErrors errors;
    for (auto _ : state) {
        MemoryBlock bmp = BuildBitmap(raw, width, height, errors);
        benchmark::DoNotOptimize(bmp.Data());
    }
}

// Each code path alone, writing into the same buffer every time (no allocation, no header).
template <void (*Convert)(const std::uint8_t*, std::uint8_t*, std::size_t)>
void PathBench(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    MemoryBlock raw = bench::NoisyRaw(width, height, 12345);
    std::vector<std::uint8_t> bgr(3u * width * height);
    for (auto _ : state) {
        Convert(raw.Data(), bgr.data(), raw.Size() / 4);
        benchmark::DoNotOptimize(bgr.data());
    }
}

// The formula written plainly in double precision, for context.
void DoubleFormulaBench(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    MemoryBlock raw = bench::NoisyRaw(width, height, 12345);
    std::vector<std::uint8_t> bgr(3u * width * height);
    for (auto _ : state) {
        const std::uint8_t* p = raw.Data();
        std::uint8_t* q = bgr.data();
        for (std::size_t i = 0; i < raw.Size() / 4; ++i, p += 4, q += 6) {
            const int u = static_cast<std::int8_t>(p[0]), v = static_cast<std::int8_t>(p[2]);
            const double g = 0.5 - (2 * v * 0.5 + 2 * u * 0.1875);
            for (int k = 0; k < 2; ++k) {
                const int y = p[1 + 2 * k];
                q[3 * k] = ClampByte(y + 2 * u);
                q[3 * k + 1] = ClampByte(static_cast<int>(y + g));
                q[3 * k + 2] = ClampByte(y + 2 * v);
            }
        }
        benchmark::DoNotOptimize(bgr.data());
    }
}

// The reference: what a program using libyuv would do, allocating its output like we do.
void LibyuvBench(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    MemoryBlock raw = bench::NoisyRaw(width, height, 12345);
    std::vector<std::uint8_t> argb(4u * width * height);
    for (auto _ : state) {
        MemoryBlock rgb = MemoryBlock::Allocate(3u * width * height + 54);
        libyuv::YUY2ToARGB(raw.Data(), 2 * width, argb.data(), 4 * width, width, height);
        libyuv::ARGBToRGB24(argb.data(), 4 * width, rgb.Data() + 54, 3 * width, width, height);
        benchmark::DoNotOptimize(rgb.Data());
    }
}

}  // namespace

BENCHMARK(LibyuvBench)->Args({1280, 1024})->Args({1280, 1280})->Unit(benchmark::kMicrosecond);
BENCHMARK(BuildBitmapBench)->Args({1280, 1024})->Args({1280, 1280})->Unit(benchmark::kMicrosecond);
BENCHMARK(PathBench<raw_detail::ConvertGroupsScalar>)
    ->Name("ScalarBench")
    ->Args({1280, 1024})
    ->Args({1280, 1280})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(PathBench<raw_detail::ConvertGroupsSse2>)
    ->Name("Sse2Bench")
    ->Args({1280, 1024})
    ->Args({1280, 1280})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(DoubleFormulaBench)
    ->Args({1280, 1024})
    ->Args({1280, 1280})
    ->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (raw_detail::HaveAvx2()) {  // never run wide instructions the processor lacks
        benchmark::RegisterBenchmark("Avx2Bench", PathBench<raw_detail::ConvertGroupsAvx2>)
            ->Args({1280, 1024})
            ->Args({1280, 1280})
            ->Unit(benchmark::kMicrosecond);
    }
    tavelo::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const char* size : {"1280/1024", "1280/1280"}) {
        const std::string ref = std::string("LibyuvBench/") + size;
        for (const char* name : {"BuildBitmapBench/", "Avx2Bench/", "Sse2Bench/", "ScalarBench/",
                                 "DoubleFormulaBench/"}) {
            pairs.emplace_back(name + std::string(size), ref);
        }
    }
    reporter.PrintRatios(pairs);
    benchmark::Shutdown();
    return 0;
}

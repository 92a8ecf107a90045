// PNG export of a skin-sized batch of small bitmaps: bitmaps per second, where the time goes
// (quantisation, compression, file writing), the exact PNG beside the quantised one, and the same
// images written as BMP files for scale.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bitmap/exact_png.hpp"
#include "bitmap/image_export.hpp"
#include "driver/extraction_context.hpp"
#include "engine/bitmap/bmp_builder.hpp"
#include "platform/progress.hpp"
#include "platform/ui.hpp"

namespace tesk {
namespace {

constexpr int skinBitmaps = 2000;

struct SkinBitmap {
    std::int32_t pixelSize;
    std::vector<std::uint8_t> bmp;
};

// An icon-like bitmap of 16 to 48 pixels a side: an outline and three flat areas, as skins mostly
// hold, with a shading over the 16-bit ones.
SkinBitmap makeBitmap(std::mt19937& rng, std::int32_t pixelSize) {
    const auto w = static_cast<std::int32_t>(16 + rng() % 33), h = static_cast<std::int32_t>(16 + rng() % 33);
    const std::uint32_t values = pixelSize == 16 ? 0x10000 : 1u << pixelSize;
    std::uint32_t fill[4];
    for (auto& f : fill) f = static_cast<std::uint32_t>(rng() % values);
    test::BmpImage image{w, h, pixelSize, false, {}};
    for (std::int32_t y = 0; y < h; ++y)
        for (std::int32_t x = 0; x < w; ++x) {
            const bool edge = x == 0 || y == 0 || x == w - 1 || y == h - 1;
            std::uint32_t v = edge ? fill[0] : fill[1 + static_cast<std::size_t>((x * 3 / w + y * 2 / h) % 3)];
            if (pixelSize == 16 && !edge) v = (v + static_cast<std::uint32_t>(x * 37 + y)) & 0xFFFF;
            image.pixels.push_back(v);
        }
    return {pixelSize, test::memoryBmp(image)};
}

// Depths in the proportions a colour skin has: mostly 8-bit, then 16, 4, 2 and 1.
const std::vector<SkinBitmap>& skin() {
    static const std::vector<SkinBitmap> bitmaps = [] {
        std::mt19937 rng{2000};
        const std::int32_t depths[] = {8, 8, 8, 16, 16, 4, 2, 1};
        std::vector<SkinBitmap> out;
        out.reserve(skinBitmaps);
        for (int i = 0; i < skinBitmaps; ++i) out.push_back(makeBitmap(rng, depths[i % 8]));
        return out;
    }();
    return bitmaps;
}

struct BenchRun {
    BenchRun() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tesk-bench-XXXXXX").string();
        folder = ::mkdtemp(pattern.data()) ? pattern + "/" : std::string{};
        ctx.settings.outputFolder = folder;
    }
    ~BenchRun() {
        std::error_code ec;
        if (!folder.empty()) std::filesystem::remove_all(folder, ec);
    }
    std::string name(int i) const { return folder + "Tbmp" + std::to_string(1000 + i) + ".bmp"; }

    std::string folder;
    PosixFileSystem files;
    RecordingUi ui;
    RecordingProgress progress;
    Services services{files, ui, progress};
    ExtractionContext ctx{services};
};

void reportRate(benchmark::State& state) {
    state.counters["bitmaps/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * skinBitmaps, benchmark::Counter::kIsRate);
}

using PngWriter = std::string (*)(BitmapHost&, const std::string&, std::int32_t, std::span<const std::uint8_t>,
                                  std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t);

// The whole export as extraction runs it, into a folder that already holds last run's files:
// the quantised PNG or the exact PNG; with resize 2 every image is rescaled (the exact PNG to RGBA).
void BM_PngExportSkin(benchmark::State& state, PngWriter write) {
    BenchRun run;
    run.ctx.settings.resizeMode = static_cast<std::int32_t>(state.range(0));
    run.ctx.settings.resizeWidth = run.ctx.settings.resizeHeight = 22;
    const auto& bitmaps = skin();
    for (auto _ : state)
        for (int i = 0; i < skinBitmaps; ++i)
            write(run.ctx, run.name(i), bitmaps[static_cast<std::size_t>(i)].pixelSize,
                  bitmaps[static_cast<std::size_t>(i)].bmp, 1, 0, 0, 0, 0);
    if (run.ctx.errors.code != 0) state.SkipWithError("an export failed");
    reportRate(state);
}
BENCHMARK_CAPTURE(BM_PngExportSkin, Quantised, writePng)
    ->Arg(0)
    ->Arg(2)
    ->ArgName("resize")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_PngExportSkin, Exact, writeExactPng)
    ->Arg(0)
    ->Arg(2)
    ->ArgName("resize")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The exact PNG's encoding alone, in memory: what the PNG library costs, free of the disk.
void BM_ExactPngEncodeSkin(benchmark::State& state) {
    const auto& bitmaps = skin();
    std::vector<std::uint8_t> png;
    std::size_t bytes = 0;
    for (auto _ : state)
        for (const auto& b : bitmaps) {
            if (encodeExactPng(b.pixelSize, b.bmp, {1, 0, 0, 0, 0}, {}, png) != ErrorNumber::None) {
                state.SkipWithError("an encoding failed");
                return;
            }
            bytes += png.size();
        }
    state.counters["bytes/bitmap"] = static_cast<double>(bytes) / static_cast<double>(state.iterations() * skinBitmaps);
    reportRate(state);
}
BENCHMARK(BM_ExactPngEncodeSkin)->Unit(benchmark::kMillisecond);

void BM_JpegExportSkin(benchmark::State& state) {
    BenchRun run;
    const auto& bitmaps = skin();
    for (auto _ : state)
        for (int i = 0; i < skinBitmaps; ++i)
            if (bitmaps[static_cast<std::size_t>(i)].pixelSize != 16)   // refused without the 24-bit form
                writeJpeg(run.ctx, run.name(i), bitmaps[static_cast<std::size_t>(i)].pixelSize,
                          bitmaps[static_cast<std::size_t>(i)].bmp);
    if (run.ctx.errors.code != 0) state.SkipWithError("an export failed");
    state.counters["bitmaps/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * skinBitmaps * 6 / 8, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_JpegExportSkin)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same steps as BM_PngExportSkin, clocked per stage: opening the BMP, 24-bit conversion and
// quantisation, PNG compression in memory, and replacing and writing the file.
void BM_PngExportStages(benchmark::State& state) {
    BenchRun run;
    const auto& bitmaps = skin();
    ExportStageTimes times;
    std::chrono::nanoseconds writing{};
    std::vector<std::uint8_t> png;
    for (auto _ : state) {
        for (int i = 0; i < skinBitmaps; ++i) {
            const auto& b = bitmaps[static_cast<std::size_t>(i)];
            if (encodePng(b.pixelSize, b.bmp, {1, 0, 0, 0, 0}, {}, png, &times) != ErrorNumber::None) {
                state.SkipWithError("an encoding failed");
                return;
            }
            auto path = run.name(i);
            path.replace(path.size() - 3, 3, "png");
            const auto start = std::chrono::steady_clock::now();
            replaceExistingOutput(run.files, path);
            run.files.writeFile(path, png);
            writing += std::chrono::steady_clock::now() - start;
        }
    }
    const double total =
        static_cast<double>((times.load + times.quantise + times.rescale + times.compress + writing).count());
    state.counters["load%"] = 100.0 * static_cast<double>(times.load.count()) / total;
    state.counters["quantise%"] = 100.0 * static_cast<double>(times.quantise.count()) / total;
    state.counters["compress%"] = 100.0 * static_cast<double>(times.compress.count()) / total;
    state.counters["write%"] = 100.0 * static_cast<double>(writing.count()) / total;
    reportRate(state);
}
BENCHMARK(BM_PngExportStages)->Unit(benchmark::kMillisecond)->UseRealTime();

// What the BMP format writes for the same bitmaps: the memory image as it stands.
void BM_BmpWriteSkin(benchmark::State& state) {
    BenchRun run;
    const auto& bitmaps = skin();
    for (auto _ : state)
        for (int i = 0; i < skinBitmaps; ++i) {
            const auto path = run.name(i);
            replaceExistingOutput(run.files, path);
            run.files.writeFile(path, bitmaps[static_cast<std::size_t>(i)].bmp);
        }
    reportRate(state);
}
BENCHMARK(BM_BmpWriteSkin)->Unit(benchmark::kMillisecond)->UseRealTime();

}   // namespace
}   // namespace tesk

BENCHMARK_MAIN();

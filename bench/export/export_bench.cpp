// PNG export of a skin-sized batch of small bitmaps: bitmaps per second, where the time goes
// (quantisation, compression, file writing), and the same images written as BMP files for scale.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bitmap/image_export.hpp"
#include "bitmap/palettes.hpp"
#include "driver/extraction_context.hpp"
#include "platform/progress.hpp"
#include "platform/ui.hpp"

namespace tesk {
namespace {

constexpr int skinBitmaps = 2000;

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}

struct SkinBitmap {
    std::int32_t pixelSize;
    Bytes bmp;
};

// An icon-like memory BMP: a few flat areas and an outline, as skins mostly hold, laid out the
// way the image writer builds it for the depth.
SkinBitmap makeBitmap(std::mt19937& rng, std::int32_t pixelSize) {
    const auto& pal = loadpalettes();
    const std::int32_t w = 16 + static_cast<std::int32_t>(rng() % 33), h = 16 + static_cast<std::int32_t>(rng() % 33);
    std::uint32_t bpp = 0, compression = 0, colours = 0, maxValue = 0;
    Bytes table;
    switch (pixelSize) {
        case 1: bpp = 1; colours = 2; maxValue = 1; table.assign(pal.bmp1.begin(), pal.bmp1.end()); break;
        case 2: bpp = 4; colours = 16; maxValue = 3; table.assign(pal.bmp2.begin(), pal.bmp2.end()); table.resize(64); break;
        case 4: bpp = 4; colours = 16; maxValue = 15; table.assign(pal.bmp4.begin(), pal.bmp4.end()); break;
        case 8: bpp = 8; colours = 256; maxValue = 255; table.assign(pal.bmp8.begin(), pal.bmp8.end()); break;
        default: bpp = 16; compression = 3; maxValue = 0xFFFF; table.assign(pal.masks16.begin(), pal.masks16.end());
    }
    const std::size_t stride = (static_cast<std::size_t>(w) * bpp + 31) / 32 * 4;
    const std::size_t offset = 54 + table.size();
    Bytes b(offset + stride * static_cast<std::size_t>(h), 0);
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 2, static_cast<std::uint32_t>(b.size()));
    put32(b, 10, static_cast<std::uint32_t>(offset));
    put32(b, 14, 40);
    put32(b, 18, static_cast<std::uint32_t>(w));
    put32(b, 22, static_cast<std::uint32_t>(h));
    put16(b, 26, 1);
    put16(b, 28, bpp);
    put32(b, 30, compression);
    put32(b, 34, static_cast<std::uint32_t>(stride * static_cast<std::size_t>(h)));
    put32(b, 38, 2835);
    put32(b, 42, 2835);
    put32(b, 46, colours);
    put32(b, 50, colours);
    std::copy(table.begin(), table.end(), b.begin() + 54);
    std::uint32_t fill[4];
    for (auto& f : fill) f = static_cast<std::uint32_t>(rng() % (maxValue + 1));
    for (std::int32_t y = 0; y < h; ++y) {
        for (std::int32_t x = 0; x < w; ++x) {
            const bool edge = x == 0 || y == 0 || x == w - 1 || y == h - 1;
            std::uint32_t v = edge ? fill[0] : fill[1 + static_cast<std::size_t>((x * 3 / w + y * 2 / h) % 3)];
            if (pixelSize == 16 && !edge) v = (v + static_cast<std::uint32_t>(x * 37 + y)) & 0xFFFF;   // shading
            const std::size_t row = offset + static_cast<std::size_t>(h - 1 - y) * stride;
            const auto ux = static_cast<std::size_t>(x);
            switch (bpp) {
                case 1: b[row + ux / 8] |= static_cast<std::uint8_t>((v & 1) << (7 - ux % 8)); break;
                case 4: b[row + ux / 2] |= static_cast<std::uint8_t>((v & 15) << (ux % 2 ? 0 : 4)); break;
                case 8: b[row + ux] = static_cast<std::uint8_t>(v); break;
                default: put16(b, row + 2 * ux, v);
            }
        }
    }
    return {pixelSize, std::move(b)};
}

// Depths in the proportions a colour skin has: mostly 8-bit, then 16, 4, 2 and 1.
const std::vector<SkinBitmap>& skin() {
    static const std::vector<SkinBitmap> bitmaps = [] {
        std::mt19937 rng{2000};
        const std::int32_t depths[] = {8, 8, 8, 16, 16, 4, 2, 1};
        std::vector<SkinBitmap> out;
        for (int i = 0; i < skinBitmaps; ++i) out.push_back(makeBitmap(rng, depths[i % 8]));
        return out;
    }();
    return bitmaps;
}

struct BenchRun {
    BenchRun() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tesk-bench-XXXXXX").string();
        folder = ::mkdtemp(pattern.data()) ? pattern + "/" : std::string{};
        ctx.outputFolder = folder;
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

// The whole export as extraction runs it, into a folder that already holds last run's files.
void BM_PngExportSkin(benchmark::State& state) {
    BenchRun run;
    run.ctx.resizeMode = static_cast<std::int32_t>(state.range(0));
    run.ctx.resizeWidth = run.ctx.resizeHeight = 22;
    const auto& bitmaps = skin();
    for (auto _ : state)
        for (int i = 0; i < skinBitmaps; ++i)
            writePng(run.ctx, run.name(i), bitmaps[static_cast<std::size_t>(i)].pixelSize,
                     bitmaps[static_cast<std::size_t>(i)].bmp, 1, 0, 0, 0, 0);
    if (run.ctx.errorCode != 0) state.SkipWithError("an export failed");
    reportRate(state);
}
BENCHMARK(BM_PngExportSkin)->Arg(0)->Arg(2)->ArgName("resize")->Unit(benchmark::kMillisecond);

void BM_JpegExportSkin(benchmark::State& state) {
    BenchRun run;
    const auto& bitmaps = skin();
    for (auto _ : state)
        for (int i = 0; i < skinBitmaps; ++i)
            if (bitmaps[static_cast<std::size_t>(i)].pixelSize != 16)   // refused without the 24-bit form
                writeJpeg(run.ctx, run.name(i), bitmaps[static_cast<std::size_t>(i)].pixelSize,
                          bitmaps[static_cast<std::size_t>(i)].bmp);
    if (run.ctx.errorCode != 0) state.SkipWithError("an export failed");
    state.counters["bitmaps/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * skinBitmaps * 6 / 8,
                                                     benchmark::Counter::kIsRate);
}
BENCHMARK(BM_JpegExportSkin)->Unit(benchmark::kMillisecond);

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
    const double total = static_cast<double>((times.load + times.quantise + times.rescale + times.compress + writing).count());
    state.counters["load%"] = 100.0 * static_cast<double>(times.load.count()) / total;
    state.counters["quantise%"] = 100.0 * static_cast<double>(times.quantise.count()) / total;
    state.counters["compress%"] = 100.0 * static_cast<double>(times.compress.count()) / total;
    state.counters["write%"] = 100.0 * static_cast<double>(writing.count()) / total;
    reportRate(state);
}
BENCHMARK(BM_PngExportStages)->Unit(benchmark::kMillisecond);

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
BENCHMARK(BM_BmpWriteSkin)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tesk

BENCHMARK_MAIN();

// Decode + BMP write throughput for a typical application (40 mixed bitmaps) and a large skin
// (2,000 bitmaps), against plain writes of the same BMP files and against netpbm's palmtopnm
// run once per bitmap. Counters: decoded pixel bytes per second and bitmaps per second.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "bitmap/parse_resource.hpp"
#include "driver/extraction_context.hpp"
#include "driver/text_output.hpp"
#include "platform/progress.hpp"
#include "platform/ui.hpp"
#include "support/bitmap_builder.hpp"

using namespace tesk;
using namespace tesk::test;

namespace {

struct Resource {
    std::string name;
    Bytes bytes;
};

std::vector<std::uint16_t> values(int w, int h, int depth, std::mt19937& rng) {
    std::vector<std::uint16_t> v(static_cast<std::size_t>(w * h));
    // 8-bit values stay below 231: palmtopnm refuses indexes past its 232-entry map.
    const unsigned limit = depth == 16 ? 65536 : depth == 8 ? 231 : 1u << depth;
    // Images have runs: a new value every few pixels.
    for (std::size_t i = 0; i < v.size(); ++i) v[i] = i % 6 ? v[i - 1] : static_cast<std::uint16_t>(rng() % limit);
    return v;
}

// About 40 bitmaps: icons and form bitmaps of every depth, half of them compressed.
std::vector<Resource> typicalApplication() {
    std::mt19937 rng(1);
    std::vector<Resource> out;
    const int depths[] = {1, 2, 4, 8, 16};
    const Compression kinds[] = {Compression::None, Compression::ScanLine, Compression::Rle, Compression::PackBits};
    for (int i = 0; i < 8; ++i) {
        FamilyBuilder family;
        for (int k = 0; k < 5; ++k) {
            const int size = 16 + 24 * ((i + k) % 6);
            const int depth = depths[k];
            family.add(BitmapBuilder{}
                           .size(size, size)
                           .depth(depth)
                           .version(k == 4 ? 3 : 2)
                           .values(values(size, size, depth, rng))
                           .compress(kinds[(i + k) % 4]));
        }
        out.push_back({"Tbmp" + std::to_string(1000 + i), family.build()});
    }
    return out;
}

// 2,000 skin bitmaps: 8-bit and 16-bit, 60 to 160 pixels square, mostly compressed.
std::vector<Resource> largeSkin() {
    std::mt19937 rng(2);
    std::vector<Resource> out;
    const Compression kinds[] = {Compression::None, Compression::ScanLine, Compression::Rle, Compression::PackBits};
    for (int i = 0; i < 2000; ++i) {
        const int size = 60 + (i * 37) % 101;
        const int depth = i % 3 ? 8 : 16;
        out.push_back({"Tbmp" + std::to_string(10000 + i), BitmapBuilder{}
                                                               .size(size, size)
                                                               .depth(depth)
                                                               .version(3)
                                                               .density(i % 2 ? 72 : 144)
                                                               .values(values(size, size, depth, rng))
                                                               .compress(kinds[i % 4])
                                                               .build()});
    }
    return out;
}

struct Run {
    PosixFileSystem files;
    RecordingUi ui;
    RecordingProgress progress;
    Services services{files, ui, progress};
    ExtractionContext ctx{services};
    std::filesystem::path folder;

    explicit Run(const std::string& tag) {
        folder = std::filesystem::temp_directory_path() / ("tesk-bench-" + tag);
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        ctx.settings.flags = OptionFlags::fromWord(0x0090);
        ctx.settings.outputFolder = folder.string() + "/";
        ctx.settings.outputFolderSlashed = ctx.settings.outputFolder;
        startTextSections(ctx);
    }
    ~Run() { std::filesystem::remove_all(folder); }

    // Decodes and writes every bitmap.
    void extract(const std::vector<Resource>& resources) {
        for (const auto& r : resources) {
            ctx.resource.bytes = r.bytes;
            ctx.resource.name = r.name;
            ctx.resource.kind = "tbmp";
            ctx.resource.idText = r.name.substr(4);
            parsersrc(ctx);
        }
    }
};

void report(benchmark::State& state, std::size_t pixelBytes, std::size_t bitmaps) {
    state.counters["MB_pixels/s"] =
        benchmark::Counter(static_cast<double>(pixelBytes) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["bitmaps/s"] =
        benchmark::Counter(static_cast<double>(bitmaps), benchmark::Counter::kIsIterationInvariantRate);
}

void decodeAndWrite(benchmark::State& state, const std::vector<Resource>& resources, const std::string& tag) {
    Run run{tag};
    for (auto _ : state) run.extract(resources);
    // Decoded pixel bytes: every file written, without its header and colour table.
    std::size_t pixels = 0, bitmaps = 0;
    for (const auto& e : std::filesystem::directory_iterator(run.folder)) {
        std::ifstream in(e.path(), std::ios::binary);
        Bytes head(14);
        in.read(reinterpret_cast<char*>(head.data()), 14);
        const std::size_t offset = head[10] | head[11] << 8 | head[12] << 16;
        pixels += std::filesystem::file_size(e.path()) - offset;
        ++bitmaps;
    }
    report(state, pixels, bitmaps);
}

// The same files written with plain writes: the floor the BMP path is measured against.
void plainWrites(benchmark::State& state, const std::vector<Resource>& resources, const std::string& tag) {
    Run source{tag + "-src"};
    source.extract(resources);
    std::vector<std::pair<std::string, Bytes>> files;
    for (const auto& e : std::filesystem::directory_iterator(source.folder)) {
        std::ifstream in(e.path(), std::ios::binary);
        files.emplace_back(e.path().filename().string(), Bytes(std::istreambuf_iterator<char>(in), {}));
    }
    Run target{tag + "-plain"};
    std::size_t bytes = 0;
    for (const auto& f : files) bytes += f.second.size();
    for (auto _ : state)
        for (const auto& [name, data] : files) {
            // The same steps as the BMP path: remove what is there, then write the file.
            const auto path = target.ctx.settings.outputFolder + name;
            target.files.removeFile(path);
            target.files.writeFile(path, data);
        }
    report(state, bytes, files.size());
}

// netpbm's palmtopnm, one process per bitmap of the typical application, as people run it.
void palmtopnmPerBitmap(benchmark::State& state, bool tiny) {
    const auto folder = std::filesystem::temp_directory_path() / "tesk-bench-palmtopnm";
    std::filesystem::create_directories(folder);
    std::vector<std::string> inputs;
    std::mt19937 rng(1);
    int n = 0;
    for (const auto& r : typicalApplication()) {
        (void)r;
        for (int k = 0; k < 5; ++k) {
            const auto path = (folder / ("b" + std::to_string(n++))).string();
            // One bitmap per file: palmtopnm reads the first of a family.
            Bytes b = tiny ? BitmapBuilder{}.size(1, 1).depth(8).build()
                           : BitmapBuilder{}
                                 .size(16 + 24 * (n % 6), 16 + 24 * (n % 6))
                                 .depth(8)
                                 .version(2)
                                 .values(values(16 + 24 * (n % 6), 16 + 24 * (n % 6), 8, rng))
                                 .build();
            std::ofstream(path, std::ios::binary)
                .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
            inputs.push_back(path);
        }
    }
    for (auto _ : state)
        for (const auto& in : inputs)
            if (std::system(("palmtopnm '" + in + "' > /dev/null 2>&1").c_str()) != 0)
                state.SkipWithError("palmtopnm failed");
    state.counters["bitmaps/s"] =
        benchmark::Counter(static_cast<double>(inputs.size()), benchmark::Counter::kIsIterationInvariantRate);
    std::filesystem::remove_all(folder);
}

const std::vector<Resource>& app() {
    static const auto r = typicalApplication();
    return r;
}
const std::vector<Resource>& skin() {
    static const auto r = largeSkin();
    return r;
}

void BM_TypicalApp_DecodeWriteBmp(benchmark::State& s) { decodeAndWrite(s, app(), "app"); }
void BM_TypicalApp_PlainWrites(benchmark::State& s) { plainWrites(s, app(), "app"); }
void BM_LargeSkin_DecodeWriteBmp(benchmark::State& s) { decodeAndWrite(s, skin(), "skin"); }
void BM_LargeSkin_PlainWrites(benchmark::State& s) { plainWrites(s, skin(), "skin"); }
void BM_TypicalApp_PalmtopnmPerBitmap(benchmark::State& s) { palmtopnmPerBitmap(s, false); }
void BM_Palmtopnm_ProcessStartOnly(benchmark::State& s) { palmtopnmPerBitmap(s, true); }

}   // namespace

BENCHMARK(BM_TypicalApp_DecodeWriteBmp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TypicalApp_PlainWrites)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LargeSkin_DecodeWriteBmp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LargeSkin_PlainWrites)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TypicalApp_PalmtopnmPerBitmap)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Palmtopnm_ProcessStartOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

BENCHMARK_MAIN();

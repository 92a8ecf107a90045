// The comparison of compare.sh inside one process, without process starts: the 2,000-bitmap skin
// extracted as BMP against plain writes of the same files, the skin as exact and as quantised PNG,
// and the 500 small databases as BMP, exact PNG and quantised PNG with one and two workers (one
// extraction context each, as tesk's batch does). Prints the ratios the targets name at the end.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <map>
#include <thread>

#include <fmt/format.h>

#include "batch/bench_inputs.hpp"
#include "driver/extraction_run.hpp"
#include "support/test_run.hpp"

namespace {

namespace fs = std::filesystem;
using namespace tesk;

struct Fixture {
    Fixture() {
        std::mt19937 rng{20260101};
        bench::appDatabase(rng);   // keeps the same bytes as make-bench-inputs
        skin = dir / "skin.prc";
        test::writeBytes(skin, bench::skinDatabase(rng));
        fs::create_directory(dir / "small");
        for (int d = 0; d < bench::kSmallDatabases; ++d) {
            int icons = 0;
            small.push_back(dir / "small" / fmt::format("small{:03d}.prc", d));
            test::writeBytes(small.back(), bench::smallDatabase(rng, d, icons));
        }
        fs::create_directory(dir / "colour");
        for (int d = 0; d < bench::kColourDatabases; ++d) {
            int bitmaps = 0;
            colour.push_back(dir / "colour" / fmt::format("colour{:03d}.prc", d));
            test::writeBytes(colour.back(), bench::colourDatabase(rng, d, bitmaps));
        }
    }
    // A new empty folder for every run: removing thousands of files just before a run would slow
    // its file creation. All of them go with the fixture's folder at the end.
    fs::path freshFolder() {
        auto p = dir / fmt::format("out{}", ++runs);
        fs::create_directory(p);
        return p;
    }
    test::TempDir dir;
    fs::path skin;
    std::vector<fs::path> small;
    std::vector<fs::path> colour;
    int runs = 0;
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

struct Runner {
    PosixFileSystem files;
    RecordingUi ui;
    RecordingProgress progress;
    Services services{files, ui, progress};
    ExtractionContext ctx{services};

    std::int32_t run(const fs::path& input, const fs::path& out, std::int32_t format) {
        // No progress, no text; 16-bit as 24-bit, as the command asks for JPEG and PNG.
        auto req = ExtractionRequest::given(input.string(), out.string(), 0x0080 | 0x0010 | (format != 0 ? 0x4000 : 0));
        req.imageFormat = format;
        return runExtraction(ctx, req);
    }
};

// The skin in one format (0 BMP, 2 quantised PNG, 3 exact PNG) into an empty folder.
void BM_Skin(benchmark::State& state, std::int32_t format) {
    auto& f = fixture();
    Runner r;
    for (auto _ : state) {
        state.PauseTiming();
        auto out = f.freshFolder();
        state.ResumeTiming();
        if (r.run(f.skin, out, format) != 0 || r.ctx.tally.imagesWritten != 2000) state.SkipWithError("run failed");
    }
    state.SetItemsProcessed(state.iterations() * 2000);
}

// The floor: the files a BMP run writes, one open, write and close each, into an empty folder.
void BM_SkinPlainWrites(benchmark::State& state) {
    auto& f = fixture();
    std::vector<std::pair<std::string, test::Bytes>> files;
    {
        Runner r;
        auto out = f.freshFolder();
        r.run(f.skin, out, 0);
        for (const auto& name : test::listFiles(out)) files.emplace_back(name, test::readBytes(out / name));
    }
    for (auto _ : state) {
        state.PauseTiming();
        auto out = f.freshFolder().string() + "/";
        state.ResumeTiming();
        for (const auto& [name, data] : files) {
            const int fd = ::open((out + name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
            if (fd < 0 || ::write(fd, data.data(), data.size()) != static_cast<ssize_t>(data.size()))
                state.SkipWithError("write failed");
            ::close(fd);
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(files.size()));
}

// A set of databases in one format, each into its own folder, taken in turn by `workers` threads.
void BM_Databases(benchmark::State& state, std::vector<fs::path> Fixture::*set, std::int32_t format) {
    auto& f = fixture();
    const auto& databases = f.*set;
    const auto workers = static_cast<unsigned>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto out = f.freshFolder();
        for (std::size_t i = 0; i < databases.size(); ++i) fs::create_directory(out / std::to_string(i));
        state.ResumeTiming();
        std::atomic<std::size_t> next{0};
        std::atomic<bool> failed{false};
        auto work = [&] {
            Runner r;
            for (std::size_t i; (i = next.fetch_add(1)) < databases.size();)
                if (r.run(databases[i], out / std::to_string(i), format) != 0) failed = true;
        };
        std::vector<std::thread> threads;
        for (unsigned t = 1; t < workers; ++t) threads.emplace_back(work);
        work();
        for (auto& t : threads) t.join();
        if (failed) state.SkipWithError("run failed");
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(databases.size()));
}

// One iteration per repetition: every iteration leaves 23 MB of files behind until the end.
BENCHMARK_CAPTURE(BM_Skin, AsBmp, 0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly();
BENCHMARK(BM_SkinPlainWrites)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly();
BENCHMARK_CAPTURE(BM_Skin, AsExactPng, 3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly();
BENCHMARK_CAPTURE(BM_Skin, AsPng, 2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly();
#define DATABASES(name, set, format)                             \
    BENCHMARK_CAPTURE(BM_Databases, name, &Fixture::set, format) \
        ->Arg(1)                                                 \
        ->Arg(2)                                                 \
        ->ArgName("workers")                                     \
        ->Unit(benchmark::kMillisecond)                          \
        ->UseRealTime()                                          \
        ->Iterations(1)                                          \
        ->Repetitions(5)                                         \
        ->ReportAggregatesOnly()
DATABASES(SmallAsBmp, small, 0);
DATABASES(SmallAsExactPng, small, 3);
DATABASES(SmallAsPng, small, 2);
DATABASES(ColourAsBmp, colour, 0);
DATABASES(ColourAsExactPng, colour, 3);
DATABASES(ColourAsPng, colour, 2);

// Keeps the median real time of each benchmark so the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& r : runs)
            if (r.aggregate_name == "median")
                medians[r.run_name.function_name + "/" + r.run_name.args] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    double get(const std::string& name) const {
        auto it = medians.find(name);
        return it == medians.end() ? 0.0 : it->second;
    }
    std::map<std::string, double> medians;
};

}   // namespace

int main(int argc, char** argv) {
    // The same allocator settings as tesk itself, so that PNG figures match the program's.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double bmp = reporter.get("BM_Skin/AsBmp/"), floor = reporter.get("BM_SkinPlainWrites/");
    const double one = reporter.get("BM_Databases/SmallAsPng/workers:1"),
                 two = reporter.get("BM_Databases/SmallAsPng/workers:2");
    const double smallBmp = reporter.get("BM_Databases/SmallAsBmp/workers:1");
    const double exact = reporter.get("BM_Databases/SmallAsExactPng/workers:1");
    if (bmp > 0 && floor > 0) std::printf("skin as BMP / plain writes = %.2f (target: at most 1.5)\n", bmp / floor);
    if (one > 0 && two > 0)
        std::printf("small as PNG, one worker / two workers = %.2f (target: at least 1.7)\n", one / two);
    if (exact > 0 && smallBmp > 0)
        std::printf("small as exact PNG / as BMP, one worker = %.2f (target: at most 2)\n", exact / smallBmp);
    if (exact > 0 && one > 0) std::printf("small as quantised PNG / as exact PNG, one worker = %.2f\n", one / exact);
    std::fflush(stdout);   // removing the thousands of files written takes a while
    benchmark::Shutdown();
    return 0;
}

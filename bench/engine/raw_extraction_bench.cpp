// Loading and walking a database of 10,000 raw resources and writing them as .bin files, against
// the floor of writing the same files with one open/write/close each. Prints the ratio.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>

#include <fmt/format.h>

#include "driver/extraction_run.hpp"
#include "support/prc_builder.hpp"
#include "support/test_run.hpp"

namespace {

namespace fs = std::filesystem;
using namespace tesk;

constexpr int kResources = 10000;

struct Fixture {
    Fixture() {
        test::PrcBuilder b;
        for (int i = 0; i < kResources; ++i) {
            test::Bytes data(64 + (i * 37) % 900, static_cast<std::uint8_t>(i));
            b.resource("tSTR", static_cast<std::uint16_t>(i), std::move(data));
        }
        bytes = b.build();
        input = dir / "big.prc";
        test::writeBytes(input, bytes);
        out = dir / "out";
        fs::create_directory(out);
        PalmDatabase db;
        db.loadBytes(bytes);
        for (std::size_t i = 0; i < db.entries().size(); ++i) {
            auto v = db.ResourceView(i);
            files.emplace_back(out / fmt::format("tSTR{:04d}.bin", db.entries()[i].id),
                               test::Bytes(v.begin(), v.end()));
        }
    }
    void clearOutput() {
        fs::remove_all(out);
        fs::create_directory(out);
    }
    test::TempDir dir;
    test::Bytes bytes;
    fs::path input, out;
    std::vector<std::pair<fs::path, test::Bytes>> files;
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_ExtractRawResources(benchmark::State& state) {
    auto& f = fixture();
    PosixFileSystem files;
    RecordingUi ui;
    RecordingProgress progress;
    Services services{files, ui, progress};
    ExtractionContext ctx{services};
    // No progress window, no text.
    const auto req = ExtractionRequest::given(f.input.string(), f.out.string(), 0x0080 | 0x0010);
    for (auto _ : state) {
        state.PauseTiming();
        f.clearOutput();
        state.ResumeTiming();
        if (runExtraction(ctx, req) != 0 || ctx.tally.dataFilesWritten != kResources) state.SkipWithError("run failed");
    }
    state.SetItemsProcessed(state.iterations() * kResources);
}

// The floor: the same files, one open, write and close each, into an empty folder.
void BM_PlainWritesFloor(benchmark::State& state) {
    auto& f = fixture();
    for (auto _ : state) {
        state.PauseTiming();
        f.clearOutput();
        state.ResumeTiming();
        for (const auto& [path, data] : f.files) {
            int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
            if (fd < 0 || ::write(fd, data.data(), data.size()) != static_cast<ssize_t>(data.size())) {
                state.SkipWithError("write failed");
            }
            ::close(fd);
        }
    }
    state.SetItemsProcessed(state.iterations() * kResources);
}

BENCHMARK(BM_ExtractRawResources)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_PlainWritesFloor)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// Keeps each benchmark's real time per iteration so the ratio can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& r : runs) times[r.benchmark_name()] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

}   // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto run = reporter.times.find("BM_ExtractRawResources/min_time:2.000/real_time");
    auto floor = reporter.times.find("BM_PlainWritesFloor/min_time:2.000/real_time");
    if (run != reporter.times.end() && floor != reporter.times.end() && floor->second > 0)
        std::printf("extraction / plain writes = %.2f (target: at most 1.5)\n", run->second / floor->second);
    benchmark::Shutdown();
    return 0;
}

// Writes the four inputs the comparison runs on (see bench_inputs.hpp):
//   app/app.prc      a typical application, ~100 KB
//   skin/skin.prc    a skin of 2,000 bitmaps, ~23 MB
//   small/NNN.prc    500 small databases
//   colour/NNN.prc   200 small databases of colour bitmaps up to 160 x 160
#include <cstdio>
#include <filesystem>

#include <fmt/format.h>

#include "batch/bench_inputs.hpp"
#include "support/test_run.hpp"

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    using namespace tesk;
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-bench-inputs FOLDER\n");
        return 2;
    }
    const fs::path root = argv[1];
    for (const char* part : {"app", "skin", "small", "colour"}) fs::create_directories(root / part);
    std::mt19937 rng{20260101};
    const auto app = bench::appDatabase(rng);
    test::writeBytes(root / "app" / "app.prc", app);
    const auto skin = bench::skinDatabase(rng);
    test::writeBytes(root / "skin" / "skin.prc", skin);
    std::size_t smallBytes = 0, smallBitmaps = 0;
    for (int d = 0; d < bench::kSmallDatabases; ++d) {
        int icons = 0;
        const auto db = bench::smallDatabase(rng, d, icons);
        smallBitmaps += static_cast<std::size_t>(icons);
        smallBytes += db.size();
        test::writeBytes(root / "small" / fmt::format("small{:03d}.prc", d), db);
    }
    std::size_t colourBytes = 0, colourBitmaps = 0;
    for (int d = 0; d < bench::kColourDatabases; ++d) {
        int bitmaps = 0;
        const auto db = bench::colourDatabase(rng, d, bitmaps);
        colourBitmaps += static_cast<std::size_t>(bitmaps);
        colourBytes += db.size();
        test::writeBytes(root / "colour" / fmt::format("colour{:03d}.prc", d), db);
    }
    std::printf(
        "app: 40 bitmaps, %zu bytes\nskin: 2000 bitmaps, %zu bytes\nsmall: %d databases, %zu bitmaps, %zu bytes\n"
        "colour: %d databases, %zu bitmaps, %zu bytes\n",
        app.size(), skin.size(), bench::kSmallDatabases, smallBitmaps, smallBytes, bench::kColourDatabases,
        colourBitmaps, colourBytes);
    return 0;
}

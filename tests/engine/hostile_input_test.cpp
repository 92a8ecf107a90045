// Damaged and hostile databases: every truncation and a fixed set of byte flips of a database with
// bitmaps and data must run to an end without crashing (the sanitizer build checks every read) and
// without writing anything outside the output folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "support/test_run.hpp"
#include "tesk/tesk.h"

namespace tesk {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::PrcBuilder;

Bytes bitmapV2(std::uint8_t depth, std::uint16_t width, std::uint16_t height, std::uint8_t flags,
               std::uint8_t compression) {
    std::uint16_t rowBytes = static_cast<std::uint16_t>((width * depth + 15) / 16 * 2);
    Bytes b;
    test::putBe16(b, width);
    test::putBe16(b, height);
    test::putBe16(b, rowBytes);
    b.push_back(flags);
    b.push_back(0);
    b.push_back(depth);
    b.push_back(2);
    test::putBe16(b, 0);
    b.push_back(0);
    b.push_back(compression);
    test::putBe16(b, 0);
    for (int i = 0; i < rowBytes * height; ++i) b.push_back(static_cast<std::uint8_t>(i * 7));
    return b;
}

Bytes sample() {
    return PrcBuilder{}
        .resource("Tbmp", 1000, bitmapV2(8, 6, 4, 0x00, 0xFF))
        .resource("tAIB", 1000, bitmapV2(1, 16, 2, 0x00, 0xFF))
        .resource("abmp", 2000, bitmapV2(4, 4, 4, 0x20, 0xFF))
        .resource("tSTR", 1, Bytes{'h', 'e', 'l', 'l', 'o'})
        .build();
}

void runOnce(const Bytes& db, std::uint32_t options, const std::string& label) {
    test::TestRun run{db, options};
    run.request.textOutputPath = (run.dir / "index.txt").string();
    run.extract();
    for (const auto& name : test::listFiles(run.dir.path())) {
        bool inside = name == "input.prc" || name == "index.txt" || name.rfind("out/", 0) == 0;
        EXPECT_TRUE(inside) << label << ": wrote " << name;
    }
}

TEST(HostileInput, EveryTruncationRunsToAnEnd) {
    auto db = sample();
    for (std::size_t n = 0; n <= db.size(); n += 3)
        runOnce(Bytes(db.begin(), db.begin() + static_cast<std::ptrdiff_t>(n)), EXTR_NO_PROGRESS,
                "cut " + std::to_string(n));
}

TEST(HostileInput, ByteFlipsRunToAnEnd) {
    auto db = sample();
    std::mt19937 rng(20261208);
    for (int round = 0; round < 300; ++round) {
        auto damaged = db;
        int flips = 1 + round % 4;
        for (int f = 0; f < flips; ++f) damaged[rng() % damaged.size()] = static_cast<std::uint8_t>(rng());
        runOnce(damaged, EXTR_NO_PROGRESS | (round % 2 ? EXTR_SCRIPT : 0u) | (round % 3 ? EXTR_16_TO_24 : 0u),
                "round " + std::to_string(round));
    }
}

TEST(HostileInput, TablesThatPointEverywhere) {
    PrcBuilder b;
    b.resource("Tbmp", 1, bitmapV2(8, 6, 4, 0, 0xFF))
        .resource("tSTR", 2, Bytes{1})
        .resource("Tbmp", 3, bitmapV2(2, 8, 2, 0, 0xFF));
    for (std::uint32_t off : {0u, 1u, 77u, 78u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        runOnce(PrcBuilder{b}.entryOffset(0, off).build(), EXTR_NO_PROGRESS, "offset");
        runOnce(PrcBuilder{b}.entryOffset(1, off).entryOffset(2, off / 2).build(), EXTR_NO_PROGRESS, "offsets");
    }
    runOnce(PrcBuilder{b}.declaredCount(0xFFFF).build(), EXTR_NO_PROGRESS, "count");
}

// Hostile names from every source at once (name-table values, resource types, the folder form of
// names, sort folders) with links planted in the output folder where the run would write: nothing
// may appear outside the output folder and nothing may be written through a link.
TEST(HostileInput, NamesAndLinksNeverLeadOutOfTheOutputFolder) {
    const std::vector<std::string> values = {"..\\..\\escaped",
                                             "\\..\\..\\escaped",
                                             "/tmp/escaped",
                                             "C:\\escaped",
                                             "\\sub\\..\\..\\escaped",
                                             "\\linked\\through",
                                             "\\.hidden\\x",
                                             std::string("nul\0byte", 8),
                                             "\\sub\\ok",
                                             "plain",
                                             "\\ .x"};   // hidden once an abmp name or a data file name is trimmed
    PrcBuilder b;
    std::string table;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const auto id = static_cast<std::uint16_t>(1000 + i);
        b.resource(i % 2 ? "tAIB" : "Tbmp", id, bitmapV2(8, 4, 2, 0, 0xFF));
        b.resource("tSTR", id, Bytes{'x'});
        table += (i % 2 ? "tAIB" : "Tbmp") + std::to_string(id) + " = " + values[i] + "\r\n";
        table += "tSTR" + std::to_string(id) + " = " + values[i] + "\r\n";
    }
    b.resource("abmp", 1010, bitmapV2(8, 4, 2, 0, 0xFF));
    table += "abmp1010 = \\ .x\r\n";
    b.resource(std::string("../\0", 4), 1, Bytes{'t'}).resource("/etc", 2, Bytes{'t'}).resource("..\\.", 3, Bytes{'t'});
    const auto db = b.build();

    for (std::uint32_t extra : {0u, EXTR_NAME_FOLDERS}) {
        for (std::int32_t sort : {0, 1}) {
            test::TestRun run{db, EXTR_NO_PROGRESS | EXTR_NAME_TABLE | extra};
            const auto outside = run.dir / "outside";
            fs::create_directories(outside / "folder");
            test::writeBytes(outside / "file", Bytes{'k'});
            fs::create_directories(run.dir / "tables");
            test::writeBytes(run.dir / "tables" / "appl-TEST.dat", Bytes(table.begin(), table.end()));
            // Links where images, data files, sort folders, named folders and the text file would go.
            fs::create_directory_symlink(outside / "folder", run.out / "linked");
            fs::create_directory_symlink(outside / "folder", run.out / "8-Bit D72");
            fs::create_symlink(outside / "file", run.out / "tSTR1009.bin");
            fs::create_symlink(outside / "file", run.out / "Tbmp1008-8.bmp");
            fs::create_symlink(outside / "file", run.out / "index.txt");
            run.request.nameTableFolder = (run.dir / "tables").string();
            run.request.textOutputPath = (run.out / "index.txt").string();
            run.request.sortIntoFolders = sort;
            run.extract();

            const std::string label = "folders " + std::to_string(extra != 0) + " sort " + std::to_string(sort);
            EXPECT_TRUE(fs::is_empty(outside / "folder")) << label;
            EXPECT_EQ(test::readBytes(outside / "file"), Bytes{'k'}) << label;
            EXPECT_TRUE(fs::is_symlink(run.out / "linked")) << label;
            EXPECT_TRUE(fs::is_symlink(run.out / "8-Bit D72")) << label;
            EXPECT_TRUE(fs::is_symlink(run.out / "tSTR1009.bin")) << label;
            EXPECT_FALSE(fs::exists(run.dir / "escaped") || fs::exists(run.dir.path().parent_path() / "escaped") ||
                         fs::exists("/tmp/escaped"))
                << label;
            for (const auto& name : test::listFiles(run.dir.path())) {
                bool inside = name == "input.prc" || name == "tables/appl-TEST.dat" || name == "outside/file" ||
                              name.starts_with("out/");
                EXPECT_TRUE(inside) << label << ": wrote " << name;
                EXPECT_EQ(name.find("/."), std::string::npos) << label << ": hidden " << name;
            }
            EXPECT_GT(run.ctx.tally.imagesWritten + run.ctx.tally.dataFilesWritten, 0u)
                << label;   // the harmless names still work
        }
    }
}

}   // namespace
}   // namespace tesk

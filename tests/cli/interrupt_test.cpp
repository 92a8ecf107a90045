// Ctrl-C in a long batch: no new database is started, the running ones finish, and the user gets
// a summary, a gallery page and exit status 130, with no temporary or half-written file left.
#include <gtest/gtest.h>
#include <signal.h>   // NOLINT(modernize-deprecated-headers): kill() is POSIX's, declared here

#include <chrono>
#include <filesystem>
#include <thread>

#include <nlohmann/json.hpp>

#include "cli/command.hpp"
#include "support/bitmap_builder.hpp"

namespace tesk {
namespace {

namespace fs = std::filesystem;

// A BMP file is whole when its header's file size is its size on disk.
bool wholeBmp(const fs::path& p) {
    const auto bytes = test::readBytes(p);
    if (bytes.size() < 14 || bytes[0] != 'B' || bytes[1] != 'M') return false;
    const std::uint32_t declared =
        bytes[2] | bytes[3] << 8 | bytes[4] << 16 | static_cast<std::uint32_t>(bytes[5]) << 24;
    return declared == bytes.size();
}

TEST(Interrupt, SigintEndsABatchCleanly) {
    test::TempDir dir;
    fs::create_directories(dir / "in");
    fs::create_directory(dir / "out");
    test::PrcBuilder builder;
    for (std::uint16_t id = 1000; id < 1040; ++id)
        builder.resource("Tbmp", id, test::BitmapBuilder{}.size(64, 64).depth(8).build());
    const auto database = builder.build();
    constexpr int kCopies = 300;
    for (int i = 0; i < kCopies; ++i) test::writeBytes(dir / "in" / ("copy" + std::to_string(i) + ".prc"), database);

    test::RunningTesk tesk({"extract", (dir / "in").string(), "-o", (dir / "out").string(), "-j", "2", "--gallery",
                            "--summary", (dir / "out" / "summary.json").string()},
                           dir.path());
    ASSERT_GT(tesk.pid(), 0);
    // Once the first databases are done, well before the last.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!fs::exists(dir / "out" / "copy1" / "index.html") && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_EQ(::kill(tesk.pid(), SIGINT), 0);
    const auto r = tesk.finish();

    EXPECT_EQ(r.status, 130) << r.err;
    EXPECT_NE(r.err.find("tesk: interrupted\n"), std::string::npos) << r.err;
    const auto summary = nlohmann::json::parse(test::readText(dir / "out" / "summary.json"));
    EXPECT_EQ(summary["interrupted"], true);
    EXPECT_EQ(summary["exitStatus"], 130);
    const auto finished = summary["databases"].size();
    EXPECT_GT(finished, 0u);
    EXPECT_EQ(finished + summary["notStarted"].size(), static_cast<std::size_t>(kCopies));
    EXPECT_FALSE(summary["notStarted"].empty()) << "the batch ended before the signal came";

    // Every database listed is complete, and nothing else was begun.
    const auto top = test::readText(dir / "out" / "index.html");
    std::size_t folders = 0, images = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir / "out")) {
        const auto name = entry.path().filename().string();
        EXPECT_EQ(name.find(".tmp"), std::string::npos) << entry.path();
        if (entry.is_directory()) {
            ++folders;
            EXPECT_NE(top.find("href=\"" + name + "/index.html\""), std::string::npos) << name;
        } else if (entry.path().extension() == ".bmp") {
            ++images;
            EXPECT_TRUE(wholeBmp(entry.path())) << entry.path();
        }
    }
    EXPECT_EQ(folders, finished);
    EXPECT_EQ(images, finished * 40);
}

}   // namespace
}   // namespace tesk

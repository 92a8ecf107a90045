// The text outputs (summary, script, index, gallery page) follow the rule the images follow:
// a new name or a plain file is written, anything else in the way is left as it is with error 75.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include <nlohmann/json.hpp>

#include "cli/command.hpp"
#include "support/bitmap_builder.hpp"

namespace tesk {
namespace {

namespace fs = std::filesystem;
using test::runTesk;

struct Obstacle {
    const char* name;
    std::function<void(const fs::path&)> make;
    std::function<bool(const fs::path&)> stillThere;
};

TEST(TextOutputs, WhatIsNotAPlainFileIsRefusedWith75AndLeftAlone) {
    const Obstacle obstacles[] = {
        {"a link to a file",
         [](const fs::path& p) {
             test::writeBytes(p.parent_path() / "target", {'k'});
             fs::create_symlink("target", p);
         },
         [](const fs::path& p) { return fs::is_symlink(p) && test::readText(p.parent_path() / "target") == "k"; }},
        {"a FIFO", [](const fs::path& p) { ::mkfifo(p.c_str(), 0644); },
         [](const fs::path& p) { return fs::is_fifo(p); }},
        {"a folder", [](const fs::path& p) { fs::create_directory(p); },
         [](const fs::path& p) { return fs::is_directory(p) && fs::is_empty(p); }},
    };
    struct Output {
        const char* option;
        const char* name;   // the file the option writes, in the output folder
    };
    const Output outputs[] = {
        {"--summary", "summary.json"}, {"--script", "app.rcp"}, {"--index", "index.txt"}, {"--gallery", "index.html"}};
    for (const auto& output : outputs) {
        for (const auto& obstacle : obstacles) {
            SCOPED_TRACE(std::string(output.option) + " over " + obstacle.name);
            test::TempDir dir;
            test::writeBytes(dir / "app.prc",
                             test::PrcBuilder{}.resource("Tbmp", 1000, test::BitmapBuilder{}.build()).build());
            fs::create_directory(dir / "out");
            const auto path = dir / "out" / output.name;
            obstacle.make(path);
            std::vector<std::string> words{"extract", (dir / "app.prc").string(), "-o", (dir / "out").string(),
                                           output.option};
            if (std::string(output.option) != "--gallery") words.push_back(path.string());
            auto r = runTesk(words);
            EXPECT_EQ(r.status, 75) << r.err;
            EXPECT_NE(r.err.find(path.string() + ": "), std::string::npos) << r.err;
            EXPECT_NE(r.err.find("75 Path/file access error"), std::string::npos) << r.err;
            EXPECT_TRUE(obstacle.stillThere(path));
        }
        // A plain file of an earlier run is replaced, as an image would be.
        test::TempDir dir;
        test::writeBytes(dir / "app.prc",
                         test::PrcBuilder{}.resource("Tbmp", 1000, test::BitmapBuilder{}.build()).build());
        fs::create_directory(dir / "out");
        const auto path = dir / "out" / output.name;
        test::writeBytes(path, std::vector<std::uint8_t>(100000, 'x'));
        std::vector<std::string> words{"extract", (dir / "app.prc").string(), "-o", (dir / "out").string(),
                                       output.option};
        if (std::string(output.option) != "--gallery") words.push_back(path.string());
        auto r = runTesk(words);
        EXPECT_EQ(r.status, 0) << output.option << r.err;
        EXPECT_LT(fs::file_size(path), 100000u) << output.option;
    }
}

// "-" is standard output, not a file of that name, and then it carries the JSON alone.
TEST(TextOutputs, SummaryDashIsStandardOutputAndNothingElse) {
    test::TempDir dir;
    fs::create_directories(dir / "in");
    fs::create_directory(dir / "out");
    test::writeBytes(dir / "in" / "a.prc", test::PrcBuilder{}.resource("tSTR", 1, {'a'}).build());
    test::writeBytes(dir / "in" / "b.prc", test::databaseWithBrokenBitmaps());
    auto r = runTesk({"extract", "in", "-o", "out", "--summary", "-"}, {{}, dir.path()});
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(fs::exists(dir / "-"));
    auto json = nlohmann::json::parse(r.out);   // throws on anything but one JSON document
    EXPECT_EQ(json["databases"].size(), 2u);
    EXPECT_NE(r.err.find("2 databases, "), std::string::npos) << r.err;
}

}   // namespace
}   // namespace tesk

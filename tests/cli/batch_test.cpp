// Batch extraction: which files a command takes, where each database's files go, the summary a
// script reads, and the gallery a person looks at.
#include <gtest/gtest.h>

#include <filesystem>

#include <nlohmann/json.hpp>

#include "cli/batch.hpp"
#include "cli/command.hpp"
#include "cli/gallery.hpp"
#include "support/bitmap_builder.hpp"
#include "support/test_run.hpp"

namespace tesk {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::PrcBuilder;
using test::runTesk;

Bytes database(char tag) { return PrcBuilder{}.resource("tSTR", 1, Bytes{static_cast<std::uint8_t>(tag)}).build(); }

TEST(Inputs, FoldersAreWalkedForPalmFilesInAnyCase) {
    test::TempDir dir;
    fs::create_directories(dir / "a" / "deep");
    test::writeBytes(dir / "a" / "x.prc", {});
    test::writeBytes(dir / "a" / "Y.PDB", {});
    test::writeBytes(dir / "a" / "notes.txt", {});
    test::writeBytes(dir / "a" / "deep" / "z.Prc", {});
    bool sawFolder = false;
    std::vector<cli::Failure> problems;
    auto flat = cli::expandInputs({(dir / "a").string()}, false, sawFolder, problems);
    EXPECT_TRUE(sawFolder);
    ASSERT_EQ(flat.size(), 2u);
    EXPECT_EQ(flat[0].path.filename(), "Y.PDB");
    EXPECT_EQ(flat[1].path.filename(), "x.prc");
    auto deep = cli::expandInputs({(dir / "a").string(), "single.dat"}, true, sawFolder, problems);
    ASSERT_EQ(deep.size(), 4u);
    EXPECT_EQ(deep[1].folder, "deep");           // a/Y.PDB, a/deep/z.Prc, a/x.prc
    EXPECT_EQ(deep.back().path, "single.dat");   // a file is taken as given, whatever its extension, even missing
    EXPECT_TRUE(problems.empty());
}

// No two inputs share a folder, and no database's folder lies on the way to another's.
TEST(Inputs, OutputFoldersAreUniqueAndNeverHidden) {
    const std::vector<cli::Input> inputs{{"a/app.prc", {}},         {"b/app.PRC", {}},   {"c/app.pdb", {}},
                                         {"d/.hidden.prc", {}},     {"in/sub.prc", {}},  {"in/sub/x.prc", "sub"},
                                         {"in/.git/y.prc", ".git"}, {"in/sub-2.prc", {}}};
    std::vector<std::string> folders;
    for (const auto& f : cli::outputFolders(inputs)) folders.push_back(f.generic_string());
    EXPECT_EQ(folders,
              (std::vector<std::string>{"app", "app-2", "app-3", "_.hidden", "sub-2", "sub/x", "_.git/y", "sub-2-2"}));
}

// in/sub1/x.prc goes to OUT/sub1/x/: the tree is kept, same-named files never share a folder, and
// each database's page links up to the batch's page.
TEST(Batch, RecursiveKeepsTheTreeBelowTheOutputFolder) {
    test::TempDir dir;
    fs::create_directories(dir / "in" / "sub1");
    fs::create_directories(dir / "in" / "sub2");
    fs::create_directory(dir / "out");
    test::writeBytes(dir / "in" / "x.prc", database('0'));
    test::writeBytes(dir / "in" / "sub1" / "x.prc", database('1'));
    test::writeBytes(dir / "in" / "sub2" / "x.pdb", database('2'));
    test::writeBytes(dir / "in" / "sub2" / "x.PRC", database('3'));
    auto r = runTesk({"extract", (dir / "in").string(), "-r", "--gallery", "-o", (dir / "out").string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::readText(dir / "out" / "x" / "tSTR0001.bin"), "0");
    EXPECT_EQ(test::readText(dir / "out" / "sub1" / "x" / "tSTR0001.bin"), "1");
    EXPECT_EQ(test::readText(dir / "out" / "sub2" / "x" / "tSTR0001.bin"), "3");   // x.PRC sorts first
    EXPECT_EQ(test::readText(dir / "out" / "sub2" / "x-2" / "tSTR0001.bin"), "2");
    EXPECT_NE(test::readText(dir / "out" / "sub1" / "x" / "index.html").find("<a href=\"../../index.html\">"),
              std::string::npos);
    EXPECT_NE(test::readText(dir / "out" / "index.html").find("href=\"sub2/x-2/index.html\""), std::string::npos);
}

TEST(Batch, EachDatabaseInItsOwnFolderAndFailuresDoNotStopTheRest) {
    test::TempDir dir;
    fs::create_directories(dir / "in");
    fs::create_directory(dir / "out");
    test::writeBytes(dir / "in" / "one.prc", database('1'));
    test::writeBytes(dir / "in" / "one.pdb", database('2'));
    test::writeBytes(dir / "in" / "broken.prc", Bytes{'x'});
    auto r = runTesk({"extract", (dir / "in").string(), "-j", "2", "-o", (dir / "out").string(), "--summary",
                      (dir / "summary.json").string(), "--index", "index.txt"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out, "3 databases, 2 resources, 0 bitmaps written, 1 failed\n");
    EXPECT_EQ(test::readText(dir / "out" / "one" / "tSTR0001.bin"), "2");
    EXPECT_EQ(test::readText(dir / "out" / "one-2" / "tSTR0001.bin"), "1");
    EXPECT_TRUE(fs::exists(dir / "out" / "one" / "index.txt"));

    auto json = nlohmann::json::parse(test::readText(dir / "summary.json"));
    EXPECT_EQ(json["totals"]["databases"], 3);
    EXPECT_EQ(json["totals"]["failed"], 1);
    ASSERT_EQ(json["databases"].size(), 3u);
    EXPECT_EQ(json["databases"][0]["path"], (dir / "in" / "broken.prc").string());
    EXPECT_EQ(json["databases"][0]["status"], 1002);
    EXPECT_EQ(json["databases"][1]["rawFiles"], 1);
}

TEST(Batch, OneJobAndTwoJobsWriteTheSameFiles) {
    test::TempDir dir;
    fs::create_directories(dir / "in");
    for (char c = 'a'; c <= 'h'; ++c) test::writeBytes(dir / "in" / (std::string(1, c) + ".prc"), database(c));
    for (auto jobs : {"1", "2"}) {
        fs::create_directory(dir / jobs);
        auto r = runTesk({"extract", (dir / "in").string(), "-j", jobs, "-o", (dir / jobs).string()});
        EXPECT_EQ(r.status, 0) << r.err;
    }
    EXPECT_EQ(test::listFiles(dir / "1"), test::listFiles(dir / "2"));
    EXPECT_EQ(test::listFiles(dir / "1").size(), 8u);
}

// One worker takes every database in turn with the same context: nothing of a failed run may
// reach the next one, neither its error nor its text rows nor its images.
TEST(Batch, AWorkerCarriesNothingFromOneDatabaseToTheNext) {
    test::TempDir dir;
    fs::create_directories(dir / "in");
    fs::create_directory(dir / "out");
    const auto cutShort =
        test::BitmapBuilder{}.size(40, 4).depth(8).compressedStream(test::Compression::ScanLine, {0x80}).build();
    test::writeBytes(dir / "in" / "a.prc", PrcBuilder{}.resource("Tbmp", 1000, cutShort).build());
    test::writeBytes(dir / "in" / "b.prc",
                     PrcBuilder{}.resource("tAIB", 2000, test::BitmapBuilder{}.size(8, 2).depth(1).build()).build());
    auto r = runTesk({"extract", (dir / "in").string(), "-j", "1", "--gallery", "--index", "index.txt", "-o",
                      (dir / "out").string(), "--summary", (dir / "s.json").string()});
    EXPECT_EQ(r.status, 1) << r.err;
    auto json = nlohmann::json::parse(test::readText(dir / "s.json"));
    ASSERT_EQ(json["databases"].size(), 2u);
    EXPECT_NE(json["databases"][0]["status"], 0);
    EXPECT_EQ(json["databases"][1]["status"], 0) << json.dump(1);
    EXPECT_TRUE(json["databases"][1]["errors"].empty());
    EXPECT_EQ(json["databases"][1]["images"], 1);
    const auto index = test::readText(dir / "out" / "b" / "index.txt");
    EXPECT_NE(index.find("2000"), std::string::npos) << index;
    EXPECT_EQ(index.find("1000"), std::string::npos) << index;
    const auto page = test::readText(dir / "out" / "b" / "index.html");
    EXPECT_EQ(page.find("Tbmp1000"), std::string::npos);
}

TEST(Batch, MissingOutputFolderIsReportedOnce) {
    test::TempDir dir;
    test::writeBytes(dir / "a.prc", database('a'));
    test::writeBytes(dir / "b.prc", database('b'));
    auto r = runTesk({"extract", (dir / "a.prc").string(), (dir / "b.prc").string(), "-o", (dir / "none").string()});
    EXPECT_EQ(r.status, 76);
    EXPECT_EQ(r.err, "tesk: " + (dir / "none").string() + ": 76 Path not found (no such folder)\n");
}

TEST(Gallery, PagesEscapeNamesTakenFromFiles) {
    cli::DatabaseResult db;
    db.input = "evil<script>.prc";
    db.outputFolder = "/out/evil";
    ImageRecord r;
    r.resourceName = "Tbmp1000\"><b>";
    r.resourceIdText = "1000";
    r.path = "8-Bit D72/a b&c.png";
    r.width = 16;
    r.height = 8;
    r.pixelSize = 8;
    r.transparencyKind = 1;
    r.transparentIndex = 3;
    db.images.push_back(r);
    db.imagesWritten = 1;
    auto html = cli::databaseGalleryHtml(db);
    EXPECT_EQ(html.find("<script>"), std::string::npos);
    EXPECT_EQ(html.find("<b>"), std::string::npos);
    EXPECT_NE(html.find("src=\"8-Bit%20D72/a%20b%26c.png\""), std::string::npos) << html;
    EXPECT_NE(html.find("width=\"64\" height=\"32\""), std::string::npos);   // enlarged four times
    EXPECT_NE(html.find("class=\"check\""), std::string::npos);              // transparent: over a checkerboard
    EXPECT_NE(html.find("transparency: index 3"), std::string::npos);

    cli::RunSummary summary;
    summary.databases.push_back(db);
    auto index = cli::batchGalleryHtml(summary, "/out");
    EXPECT_NE(index.find("href=\"evil/index.html\""), std::string::npos) << index;
    EXPECT_EQ(index.find("<script>"), std::string::npos);
}

}   // namespace
}   // namespace tesk

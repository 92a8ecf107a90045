// tesk list --json against its documented schema (docs/listing.schema.json), and what it says
// of every kind of input and bitmap header.
#include <gtest/gtest.h>

#include <filesystem>

#include <nlohmann/json.hpp>

#include "cli/command.hpp"
#include "support/bitmap_builder.hpp"

namespace tesk {
namespace {

namespace fs = std::filesystem;
using test::BitmapBuilder;
using test::Bytes;
using test::Compression;
using test::FamilyBuilder;
using test::PrcBuilder;

TEST(ListJson, EveryInputMatchesTheSchema) {
    test::TempDir dir;
    const auto family =
        FamilyBuilder{}
            .add(BitmapBuilder{}.size(16, 2).depth(2).version(1))
            .dummy()
            .add(BitmapBuilder{}.size(8, 4).depth(8).version(2).compress(Compression::Rle).transparentIndex(5))
            .add(BitmapBuilder{}
                     .size(16, 8)
                     .depth(16)
                     .version(3)
                     .density(144)
                     .compress(Compression::PackBits)
                     .transparent565(0x001F)
                     .littleEndian(2))
            .build();
    test::writeBytes(dir / "app.prc", PrcBuilder{}
                                          .name("Application")
                                          .resource("Tbmp", 1000, family)
                                          .resource("tAIB", 1001, BitmapBuilder{}.size(4, 1).depth(17).build())
                                          .resource("code", 1, {0x4E, 0x75})
                                          .resource("tSTR", 2, {'x'})
                                          .entryOffset(3, 1u << 30)
                                          .build());
    test::writeBytes(dir / "icon.palm",
                     BitmapBuilder{}.size(8, 1).depth(4).version(1).colourTable({{1, 2, 3}, {4, 5, 6}}).build());
    test::writeBytes(dir / "notes.txt", test::text("no database"));
    auto r = test::runTesk(
        {"list", "--json", (dir / "app.prc").string(), (dir / "icon.palm").string(), (dir / "notes.txt").string()});
    EXPECT_EQ(r.status, 1);   // several files, one of them refused and one with a resource outside the file
    auto checked = test::validateJsonText(fs::path(TESK_SOURCE_DIR) / "docs" / "listing.schema.json", r.out);
    EXPECT_EQ(checked.status, 0) << checked.out << checked.err;

    const auto json = nlohmann::json::parse(r.out);
    ASSERT_EQ(json["files"].size(), 3u);
    const auto& app = json["files"][0];
    EXPECT_EQ(app["header"]["name"], "Application");
    EXPECT_EQ(app["status"], 9);
    EXPECT_EQ(app["resources"][3]["fault"], "its data lies outside the file");
    EXPECT_EQ(app["resources"][2]["kind"], "bin");
    EXPECT_EQ(app["resources"][2]["family"], nullptr);
    const auto& bitmaps = app["resources"][0]["family"]["bitmaps"];
    ASSERT_EQ(bitmaps.size(), 3u);
    EXPECT_EQ(bitmaps[1]["offset"], bitmaps[0]["offset"].get<int>() + 16 + 8 + 16);   // past the placeholder
    EXPECT_EQ(bitmaps[1]["compression"], "rle");
    EXPECT_EQ(bitmaps[1]["transparency"], nlohmann::json({{"index", 5}}));
    EXPECT_EQ(bitmaps[2]["version"], 3);
    EXPECT_EQ(bitmaps[2]["density"], 144);
    EXPECT_EQ(bitmaps[2]["littleEndian"], true);
    EXPECT_EQ(bitmaps[2]["compression"], "packbits");
    EXPECT_EQ(bitmaps[2]["transparency"], nlohmann::json({{"red", 0}, {"green", 0}, {"blue", 255}}));
    EXPECT_EQ(app["resources"][1]["family"]["end"], "broken");
    EXPECT_EQ(app["resources"][1]["family"]["bitmaps"][0]["outcome"], "tooDeep");

    const auto& icon = json["files"][1];
    EXPECT_EQ(icon["kind"], "bitmap");
    EXPECT_EQ(icon["resources"][0]["family"]["bitmaps"][0]["colourTable"], 2);
    EXPECT_EQ(json["files"][2]["refused"]["reason"], "not a Palm resource database");

    // The check itself can fail: a listing without its files is not one.
    auto bad = json;
    bad.erase("files");
    EXPECT_EQ(test::validateJsonText(fs::path(TESK_SOURCE_DIR) / "docs" / "listing.schema.json", bad.dump()).status, 1);
}

}   // namespace
}   // namespace tesk

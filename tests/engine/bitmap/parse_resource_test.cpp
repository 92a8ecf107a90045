// Walking bitmap families: header versions, dummies, transparency, colour tables, the family
// length limit, pixel sizes above 16, unknown versions and compressions, split families and
// single-resource mode.
#include <gtest/gtest.h>

#include <random>

#include "bitmap/palettes.hpp"
#include "driver/error_report.hpp"
#include "engine/bitmap/bitmap_test_util.hpp"
#include "support/test_run.hpp"

namespace tesk::test {
namespace {

constexpr std::uint32_t kScript = 0x00A0;

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

TEST(Family, VersionZeroGivesOneImageAndEndsTheFamily) {
    ResourceRun run{kScript};
    // A version 0 bitmap followed by bytes that would read as another bitmap.
    auto bytes = BitmapBuilder{}.size(8, 2).depth(0).version(0).build();
    auto more = BitmapBuilder{}.size(8, 2).depth(8).version(2).build();
    bytes.insert(bytes.end(), more.begin(), more.end());
    run.parse(bytes);
    EXPECT_EQ(run.files.files.size(), 1u);
    EXPECT_EQ(run.text(), "\tBITMAP \"Tbmp1000-1.bmp\" BPP 1\r\n");
}

TEST(Family, DummyHeadersDensitiesAndTwoDummiesInARow) {
    ResourceRun run{kScript};
    run.parse(FamilyBuilder{}
                  .dummy()
                  .add(BitmapBuilder{}.size(8, 2).depth(8).version(1))
                  .dummy()
                  .add(BitmapBuilder{}.size(16, 4).depth(8).version(3).density(144))
                  .build());
    EXPECT_EQ(run.ctx.errors.code, 0);
    EXPECT_FALSE(run.file("Tbmp1000-8.bmp").empty());
    EXPECT_FALSE(run.file("Tbmp1000-8-d144.bmp").empty());
    EXPECT_NE(run.text().find("\"Tbmp1000-8-d144.bmp\" BPP 8\t\r\n\tDENSITY 2 \r\n"), std::string::npos);

    ResourceRun two;
    auto bytes = dummyHeader();
    auto dummy2 = dummyHeader();
    bytes.insert(bytes.end(), dummy2.begin(), dummy2.end());
    two.parse(bytes);
    EXPECT_EQ(two.ctx.errors.code, 1000);
    EXPECT_EQ(two.ctx.errors.procedure, "");
}

TEST(Family, PixelSizeAbove16StopsTheWalkAfterWhatCameBefore) {
    ResourceRun first;
    first.parse(BitmapBuilder{}.size(4, 4).depth(17).version(2).build());
    EXPECT_EQ(first.ctx.errors.code, 1000);
    EXPECT_TRUE(first.files.files.empty());
    EXPECT_EQ(first.text(), "");
    // No operation's name, but the resource it was found in.
    EXPECT_EQ(runErrorMessage(first.ctx),
              "Error In Dll module --> , While working On Tbmp1000\r\nError was --> 1000 - No Error");

    ResourceRun second{kScript};
    second.parse(FamilyBuilder{}
                     .add(BitmapBuilder{}.size(4, 4).depth(8).version(2))
                     .add(BitmapBuilder{}.size(4, 4).depth(17).version(2))
                     .build());
    EXPECT_EQ(second.ctx.errors.code, 1000);
    EXPECT_EQ(second.files.files.size(), 1u);
    EXPECT_EQ(count(second.text(), "BITMAP"), 1u);
}

// Next offsets are signed in every version (16-bit in 4-byte units for 1 and 2, 32-bit bytes for 3),
// so a chain may point back into its family; one that points before its first byte runs out.
TEST(Family, LoopingChainStopsAfter21WithTheMessageButExactly21IsFine) {
    const auto& p = loadpalettes();
    const Bytes oneBit = bmpFile(8, 1, 1, Bytes(p.bmp1.begin(), p.bmp1.end()), {0xA5, 0, 0, 0});
    const Bytes fourBit = bmpFile(2, 1, 4, Bytes(p.bmp4.begin(), p.bmp4.end()), {0x1F, 0, 0, 0});
    for (int version : {1, 2, 3}) {
        ResourceRun loop{kScript};
        loop.parse(FamilyBuilder{}
                       .add(BitmapBuilder{}.size(8, 1).depth(1).version(version).values({1, 0, 1, 0, 0, 1, 0, 1}))
                       .add(BitmapBuilder{}.size(2, 1).depth(4).version(version).values({1, 15}))
                       .loop()
                       .build());
        EXPECT_EQ(count(loop.text(), "BITMAP"), 21u) << version;
        ASSERT_EQ(loop.ui.boxes.size(), 1u) << version;
        EXPECT_EQ(loop.ui.boxes[0].text, "Error parsing resource - Tbmp1000\r\nPlease report this error message");
        EXPECT_EQ(loop.ui.boxes[0].caption, "KRWT.dll");
        EXPECT_EQ(loop.ctx.errors.code, 0) << version << " " << loop.ctx.errors.procedure;
        EXPECT_EQ(loop.file("Tbmp1000-1.bmp"), oneBit) << version;
        EXPECT_EQ(loop.file("Tbmp1000-4.bmp"), fourBit) << version;

        // From the first bitmap one 4-byte unit (or 16 bytes) back: before the family, never read.
        ResourceRun before{kScript};
        before.parse(BitmapBuilder{}
                         .size(8, 1)
                         .depth(1)
                         .version(version)
                         .values({1, 0, 1, 0, 0, 1, 0, 1})
                         .nextField(version == 3 ? 0xFFFFFFF0u : 0xFFFFu)
                         .build());
        EXPECT_EQ(before.ctx.errors.code, 9) << version;
        EXPECT_EQ(before.ctx.errors.procedure, "parsersrc");
        EXPECT_EQ(before.file("Tbmp1000-1.bmp"), oneBit) << version;
        EXPECT_EQ(count(before.text(), "BITMAP"), 1u);
        EXPECT_TRUE(before.ui.boxes.empty());
    }

    FamilyBuilder exact;
    for (int i = 0; i < 21; ++i) exact.add(BitmapBuilder{}.size(4, 4).depth(8).version(3).density(72 + i));
    ResourceRun run{kScript};
    run.parse(exact.build());
    EXPECT_EQ(count(run.text(), "BITMAP"), 21u);
    EXPECT_TRUE(run.ui.boxes.empty());
}

TEST(Family, UnknownVersionIsError5AndUnknownCompressionStillGetsItsLine) {
    auto bytes = BitmapBuilder{}.size(4, 4).depth(8).version(2).build();
    bytes[9] = 4;
    ResourceRun v4;
    v4.parse(bytes);
    EXPECT_EQ(v4.ctx.errors.code, 5);
    EXPECT_EQ(v4.ctx.errors.procedure, "parsersrc");
    EXPECT_TRUE(v4.files.files.empty());

    ResourceRun unknown{kScript};
    unknown.parse(FamilyBuilder{}
                      .add(BitmapBuilder{}.size(4, 4).depth(8).version(2).compressionType(3))
                      .add(BitmapBuilder{}.size(4, 4).depth(4).version(2))
                      .build());
    EXPECT_EQ(unknown.ctx.errors.code, 0);
    EXPECT_TRUE(unknown.file("Tbmp1000-8.bmp").empty());
    EXPECT_FALSE(unknown.file("Tbmp1000-4.bmp").empty());
    EXPECT_EQ(count(unknown.text(), "BITMAP"), 2u);
}

TEST(Transparency, IndexAndColourKindsPerBitmap) {
    ResourceRun run{kScript};
    run.parse(FamilyBuilder{}
                  .add(BitmapBuilder{}.size(4, 1).depth(16).version(2).transparentColour({255, 0, 255}))
                  .add(BitmapBuilder{}.size(4, 1).depth(8).version(2))
                  .add(BitmapBuilder{}.size(4, 1).depth(4).version(3).transparentIndex(0x0305))
                  .add(BitmapBuilder{}.size(4, 1).depth(16).version(3).transparent565(0xF81F))
                  .add(BitmapBuilder{}.size(4, 1).depth(8).version(3).littleEndian(0).transparentIndex(0x0305))
                  .build());
    const auto text = run.text();
    EXPECT_NE(text.find("BPP 16\r\n\tTRANSPARENT 255 0 255\r\n\tBITMAP \"Tbmp1000-8.bmp\" BPP 8\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("BPP 4\r\n\tTRANSPARENTINDEX 5\r\n"), std::string::npos);   // low byte, big-endian
    EXPECT_NE(text.find("BPP 16\r\n\tTRANSPARENT 255 0 255\r\n\tBITMAP"), std::string::npos);
    EXPECT_NE(text.find("TRANSPARENTINDEX 773\r\n"), std::string::npos);   // whole value, little-endian
}

TEST(Transparency, SixteenBitVersion2WithoutDirectColourBlockHasPixelsAt16) {
    ResourceRun run{kScript};
    run.parse(BitmapBuilder{}
                  .size(2, 1)
                  .depth(16)
                  .version(2)
                  .directColour(false)
                  .transparentFlagOnly()
                  .values({0xF800, 0x001F})
                  .build());
    EXPECT_EQ(run.ctx.errors.code, 0);
    auto img = readBmp(run.file("Tbmp1000-16.bmp"));
    ASSERT_TRUE(img);
    EXPECT_EQ(img->at(0, 0), (Colour{255, 0, 0}));
    EXPECT_EQ(img->at(1, 0), (Colour{0, 0, 255}));
    EXPECT_EQ(run.text().find("TRANSPARENT"), std::string::npos);
}

TEST(ColourTable, OwnColoursReplaceTheSystemColoursTheyCover) {
    ResourceRun run;
    run.parse(
        BitmapBuilder{}.size(3, 1).depth(8).version(2).colourTable({{1, 2, 3}, {4, 5, 6}}).values({0, 1, 2}).build());
    EXPECT_EQ(run.ctx.errors.code, 0);
    auto img = readBmp(run.file("Tbmp1000-8.bmp"));
    ASSERT_TRUE(img);
    EXPECT_EQ(img->at(0, 0), (Colour{1, 2, 3}));
    EXPECT_EQ(img->at(1, 0), (Colour{4, 5, 6}));
    EXPECT_EQ(img->at(2, 0), systemColours(8)[2]);
    // A table of no entries is the system palette; the pixels still follow it.
    ResourceRun empty;
    empty.parse(BitmapBuilder{}
                    .size(3, 1)
                    .depth(4)
                    .version(3)
                    .colourTable({})
                    .values({0, 7, 15})
                    .compress(Compression::PackBits)
                    .build());
    auto plain = readBmp(empty.file("Tbmp1000-4.bmp"));
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->pixels, (std::vector<Colour>{systemColours(4)[0], systemColours(4)[7], systemColours(4)[15]}));
}

TEST(ColourTable, CountRunningPastTheResourceIsError9) {
    auto bytes = BitmapBuilder{}.size(3, 1).depth(8).version(2).colourTable({{1, 2, 3}}).build();
    bytes[16] = 0x40;   // 16384 entries
    ResourceRun run;
    run.parse(bytes);
    EXPECT_EQ(run.ctx.errors.code, 9);
    EXPECT_EQ(run.ctx.errors.procedure, "parsersrc");
    EXPECT_TRUE(run.files.files.empty());
}

TEST(Walk, HeaderPastTheEndIsError9UnlessTheFamilyContinuesInAPart) {
    auto bytes = FamilyBuilder{}
                     .add(BitmapBuilder{}.size(4, 4).depth(8).version(3))
                     .add(BitmapBuilder{}.size(8, 8).depth(8).version(3))
                     .build();
    bytes.resize(24 + 16 + 10);   // the second header is cut off
    ResourceRun strict;
    strict.parse(bytes);
    EXPECT_EQ(strict.ctx.errors.code, 9);
    EXPECT_EQ(strict.ctx.errors.procedure, "parsersrc");
    EXPECT_EQ(strict.files.files.size(), 1u);
    ResourceRun quiet;
    quiet.ctx.split.continuesInPart = true;
    quiet.parse(bytes, "abmp1000", "abmp");
    EXPECT_EQ(quiet.ctx.errors.code, 0);
    EXPECT_EQ(quiet.files.files.size(), 1u);

    // Pixel data that runs on into the part: what is there is written, with its line, and no error
    // in this pass either (the join completes it).
    auto cut = FamilyBuilder{}
                   .add(BitmapBuilder{}.size(4, 4).depth(8).version(3))
                   .add(BitmapBuilder{}.size(8, 8).depth(4).version(3))
                   .build();
    cut.resize(24 + 16 + 24 + 20);
    ResourceRun split{kScript};
    split.ctx.split.continuesInPart = true;
    split.parse(cut, "abmp1000", "abmp");
    EXPECT_EQ(split.ctx.errors.code, 0);
    EXPECT_EQ(split.files.files.size(), 2u);
    EXPECT_EQ(count(split.text(), "BITMAP"), 2u);
    ResourceRun whole;
    whole.parse(cut, "abmp1000", "abmp");
    EXPECT_EQ(whole.ctx.errors.code, 9);
    EXPECT_EQ(whole.ctx.errors.procedure, "flipImg");
}

TEST(Walk, WholeRunWritesEveryBitmapOfEveryFamily) {
    auto db = PrcBuilder{}
                  .resource("Tbmp", 2000,
                            FamilyBuilder{}
                                .add(BitmapBuilder{}.size(8, 8).depth(1).version(1))
                                .add(BitmapBuilder{}.size(8, 8).depth(8).version(2).compress(Compression::Rle))
                                .build())
                  .resource("tAIB", 1000, BitmapBuilder{}.size(22, 22).depth(4).version(3).density(144).build())
                  .build();
    TestRun run{db, 0x0080};
    run.request.textOutputPath = (run.dir / "index.txt").string();
    EXPECT_EQ(run.extract(), 0);
    EXPECT_EQ(run.outputs(), (std::vector<std::string>{"Tbmp2000-1.bmp", "Tbmp2000-8.bmp", "tAIB1000-4-d144.bmp"}));
    const auto index = readText(run.dir / "index.txt");
    EXPECT_NE(index.find("2000\t" + run.out.generic_string() + "/Tbmp2000-8.bmp\t8\tTbmp\t0\t0\t0\t0\t72\t1\r\n"),
              std::string::npos);
    EXPECT_EQ(run.ctx.tally.imagesWritten, 3u);
}

TEST(Walk, SingleResourceModeWritesOnlyTheNamedResource) {
    auto db = PrcBuilder{}
                  .resource("Tbmp", 1000, BitmapBuilder{}.size(8, 8).depth(8).build())
                  .resource("Tbmp", 1001, BitmapBuilder{}.size(8, 8).depth(4).build())
                  .build();
    TestRun run{db, 0x0290};
    run.request.singleResourceName = "Tbmp1001";
    run.extract();
    EXPECT_EQ(run.outputs(), (std::vector<std::string>{"Tbmp1001-4.bmp"}));
}

}   // namespace
}   // namespace tesk::test

namespace tesk::test {
namespace {

// Damaged bitmaps of every kind: whatever the bytes say, parsing ends with at most a recorded
// error and only well-formed BMP files written (the sanitizer build runs this too).
TEST(Hostile, MutatedBitmapsNeverCrashAndOnlyWriteWellFormedFiles) {
    std::mt19937 rng(42);
    const Compression kinds[] = {Compression::None, Compression::ScanLine, Compression::Rle, Compression::PackBits};
    const int depths[] = {0, 1, 2, 4, 8, 16};
    for (int i = 0; i < 600; ++i) {
        const int depth = depths[rng() % 6];
        const int version = depth == 0 ? 0 : 1 + static_cast<int>(rng() % 3);
        auto b = BitmapBuilder{}
                     .size(1 + static_cast<int>(rng() % 20), 1 + static_cast<int>(rng() % 12))
                     .depth(depth)
                     .version(version)
                     .compress(version >= 2 ? kinds[rng() % 4] : Compression::None);
        std::vector<std::uint16_t> v(400);
        for (auto& x : v) x = static_cast<std::uint16_t>(rng());
        b.values(v);
        if (rng() % 4 == 0) b.colourTable({{1, 2, 3}});
        auto bytes = FamilyBuilder{}.add(b).add(BitmapBuilder{}.size(3, 3).depth(8).version(3)).build();
        for (int m = 0; m < 1 + static_cast<int>(rng() % 4); ++m)
            bytes[rng() % bytes.size()] = static_cast<std::uint8_t>(rng());
        if (rng() % 3 == 0) bytes.resize(rng() % bytes.size());
        ResourceRun run{rng() % 2 ? 0x4090u : 0x0090u};
        run.parse(bytes);
        for (const auto& path : run.files.writeOrder) EXPECT_TRUE(readBmp(run.files.files[path])) << i << " " << path;
    }
}

}   // namespace
}   // namespace tesk::test

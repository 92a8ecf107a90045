// Split abmp families end to end: the images the join leaves behind. Bitmaps are written byte by
// byte here (version 2, uncompressed), so the family's split point is exact.
#include <gtest/gtest.h>

#include "bitmap/palettes.hpp"
#include "support/bitmap_builder.hpp"
#include "support/test_run.hpp"
#include "tesk/tesk.h"

namespace tesk::test {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kQuiet = EXTR_NO_PROGRESS | EXTR_NO_TEXT;

// A version 2 bitmap without compression, colour table or transparency: the 16-byte header, then
// height rows of rowBytes bytes filled with `fill`.
Bytes bitmapV2(std::uint16_t width, std::uint16_t height, std::uint16_t rowBytes, std::uint8_t pixelSize,
               std::uint16_t nextDepthUnits, std::uint8_t fill) {
    Bytes b;
    putBe16(b, width);            // +0  width
    putBe16(b, height);           // +2  height
    putBe16(b, rowBytes);         // +4  row bytes
    putBe16(b, 0);                // +6  flags: none
    b.push_back(pixelSize);       // +8  pixel size
    b.push_back(2);               // +9  version
    putBe16(b, nextDepthUnits);   // +10 next bitmap, in 4-byte units from this header; 0 = last
    b.push_back(0);               // +12 transparent index
    b.push_back(0xFF);            // +13 compression type: none
    putBe16(b, 0);                // +14 reserved
    b.insert(b.end(), std::size_t{rowBytes} * height, fill);
    return b;
}

// 4-bit 4x2 (20 bytes, pointing on to the next bitmap) in the abmp; 8-bit 4x2 in the 2bmp.
const Bytes kFirst = bitmapV2(4, 2, 2, 4, 5, 0x12);
const Bytes kSecond = bitmapV2(4, 2, 4, 8, 0, 0x34);

TEST(SplitFamilies, OnlyTheJoinedFamilysImagesRemain) {
    for (auto options : {kQuiet, kQuiet | EXTR_SKIP_DATA}) {
        TestRun run{PrcBuilder{}.resource("abmp", 1000, kFirst).resource("2bmp", 1000, kSecond).build(), options};
        EXPECT_EQ(run.extract(), 0);
        EXPECT_EQ(run.ctx.errors.code, 0) << run.ctx.errors.procedure;
        EXPECT_EQ(run.outputs(), (std::vector<std::string>{"abmp1000-4.bmp", "abmp1000-8.bmp"}));
        EXPECT_EQ(fs::file_size(run.out / "abmp1000-8.bmp"), 1078u + 2 * 4);
        EXPECT_EQ(fs::file_size(run.out / "abmp1000-4.bmp"), 118u + 2 * 4);
    }
}

// The cut falls inside the second bitmap's pixel data: the first pass gives it its image (what
// the abmp holds of it) and its index row, the join completes the image.
TEST(SplitFamilies, CutInsidePixelDataGivesThatBitmapItsImageAndItsRow) {
    const auto& p = loadpalettes();
    const Bytes table4(p.bmp4.begin(), p.bmp4.end()), table8(p.bmp8.begin(), p.bmp8.end());
    const auto first = BitmapBuilder{}.size(4, 2).depth(4).version(2).values({1, 2, 1, 2, 1, 2, 1, 2});
    for (auto compression : {Compression::None, Compression::ScanLine}) {
        const auto second = BitmapBuilder{}
                                .size(4, 2)
                                .depth(8)
                                .version(2)
                                .compress(compression)
                                .values({0x34, 0x34, 0x34, 0x34, 0x56, 0x56, 0x56, 0x56});
        const auto family = FamilyBuilder{}.add(first).add(second).build();
        const std::size_t cut = first.build().size() + 16 + 3;   // 3 bytes into the data
        const Bytes abmp(family.begin(), family.begin() + static_cast<std::ptrdiff_t>(cut));
        const Bytes part(family.begin() + static_cast<std::ptrdiff_t>(cut), family.end());
        const auto db = PrcBuilder{}.resource("abmp", 1000, abmp).resource("2bmp", 1000, part).build();
        const bool compressed = compression != Compression::None;

        TestRun run{db, EXTR_NO_PROGRESS};
        run.request.textOutputPath = (run.dir / "index.txt").string();
        EXPECT_EQ(run.extract(), 0);
        EXPECT_EQ(run.ctx.errors.code, 0) << run.ctx.errors.procedure;
        EXPECT_EQ(readBytes(run.out / "abmp1000-4.bmp"),
                  bmpFile(4, 2, 4, table4, {0x12, 0x12, 0, 0, 0x12, 0x12, 0, 0}));
        EXPECT_EQ(readBytes(run.out / "abmp1000-8.bmp"),
                  bmpFile(4, 2, 8, table8, {0x56, 0x56, 0x56, 0x56, 0x34, 0x34, 0x34, 0x34}));
        const auto folder = run.out.generic_string();
        EXPECT_EQ(readText(run.dir / "index.txt"),
                  "ID\tBitmap\tBPP\tType\tTransp\tRed\tGrn\tBlu\tDensity\tCompress\r\n"
                  "1000\t" +
                      folder +
                      "/abmp1000-4.bmp\t4\tabmp\t0\t0\t0\t0\t72\t0\r\n"
                      "1000\t" +
                      folder + "/abmp1000-8.bmp\t8\tabmp\t0\t0\t0\t0\t72\t" + (compressed ? "1" : "0") + "\r\n");

        // Without the join the first pass's image stays: the rows the abmp holds, the rest zero
        // (a decompressor's image is all zero until its data is complete).
        TestRun unjoined{db, EXTR_NO_PROGRESS};
        unjoined.files.failRead = [](const std::string& path) {
            return path.ends_with("2bmp1000.bin") ? ErrorNumber::DeviceIoError : ErrorNumber::None;
        };
        unjoined.extract();
        EXPECT_EQ(unjoined.ctx.errors.procedure, "joinabmp");
        EXPECT_EQ(readBytes(unjoined.out / "abmp1000-8.bmp"),
                  bmpFile(4, 2, 8, table8, compressed ? Bytes(8, 0) : Bytes{0, 0, 0, 0, 0x34, 0x34, 0x34, 0}));
    }
}

TEST(SplitFamilies, AbmpWhoseFamilyRunsOnWithoutAPartRecordsError9) {
    TestRun run{PrcBuilder{}.resource("abmp", 1000, kFirst).build(), kQuiet};
    run.extract();
    EXPECT_EQ(run.ctx.errors.code, 9);
    EXPECT_EQ(run.ctx.errors.procedure, "parsersrc");
    EXPECT_TRUE(fs::exists(run.out / "abmp1000-4.bmp"));
}

TEST(SplitFamilies, PartIsJoinedWhenItComesFirst) {
    TestRun run{PrcBuilder{}.resource("2bmp", 1000, kSecond).resource("abmp", 1000, kFirst).build(), kQuiet};
    EXPECT_EQ(run.extract(), 0);
    EXPECT_EQ(run.outputs(), (std::vector<std::string>{"abmp1000-4.bmp", "abmp1000-8.bmp"}));
}

TEST(SplitFamilies, AbmpRenamedByANameTableIsJoinedUnderItsName) {
    TestRun run{PrcBuilder{}.resource("abmp", 1000, kFirst).resource("2bmp", 1000, kSecond).build(),
                kQuiet | EXTR_NAME_TABLE};
    fs::create_directory(run.dir / "tables");
    writeBytes(run.dir / "tables" / "appl-TEST.dat",
               Bytes{'a', 'b', 'm', 'p', '1', '0', '0', '0', '=', 'S', 't', 'a', 'r'});
    run.request.nameTableFolder = (run.dir / "tables").string();
    EXPECT_EQ(run.extract(), 0);
    EXPECT_EQ(run.outputs(), (std::vector<std::string>{"Star-4.bmp", "Star-8.bmp"}));
}

TEST(SplitFamilies, AbmpCutShortAtTheEndOfTheFileIsReadOnlyUpToIt) {
    // The abmp is the last resource and the file ends inside its second bitmap's header.
    Bytes abmp = kFirst;
    abmp.insert(abmp.end(), kSecond.begin(), kSecond.begin() + 6);
    TestRun run{PrcBuilder{}.resource("2bmp", 1000, kSecond).resource("abmp", 1000, abmp).build(), kQuiet};
    run.extract();
    EXPECT_TRUE(fs::exists(run.out / "abmp1000-4.bmp"));
    EXPECT_FALSE(fs::exists(run.out / "2bmp1000.bin"));
}

}   // namespace
}   // namespace tesk::test

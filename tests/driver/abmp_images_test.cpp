// Split abmp families end to end: the images the join leaves behind. Bitmaps are written byte by
// byte here (version 2, uncompressed), so the family's split point is exact.
#include <gtest/gtest.h>

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
        EXPECT_EQ(run.ctx.errorCode, 0) << run.ctx.errorProcedure;
        EXPECT_EQ(run.outputs(), (std::vector<std::string>{"abmp1000-4.bmp", "abmp1000-8.bmp"}));
        EXPECT_EQ(fs::file_size(run.out / "abmp1000-8.bmp"), 1078u + 2 * 4);
        EXPECT_EQ(fs::file_size(run.out / "abmp1000-4.bmp"), 118u + 2 * 4);
    }
}

TEST(SplitFamilies, AbmpWhoseFamilyRunsOnWithoutAPartRecordsError9) {
    TestRun run{PrcBuilder{}.resource("abmp", 1000, kFirst).build(), kQuiet};
    run.extract();
    EXPECT_EQ(run.ctx.errorCode, 9);
    EXPECT_EQ(run.ctx.errorProcedure, "parsersrc");
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
    writeBytes(run.dir / "tables" / "appl-TEST.dat", Bytes{'a', 'b', 'm', 'p', '1', '0', '0', '0', '=', 'S', 't', 'a', 'r'});
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

}  // namespace
}  // namespace tesk::test

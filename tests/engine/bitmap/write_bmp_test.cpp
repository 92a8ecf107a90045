// The BMP writer: whole files byte for byte for each row of the depth table, naming and sort
// folders, names that must not become paths, the replace rule and the in-memory hand-off.
#include <gtest/gtest.h>

#include <sstream>

#include "bitmap/palettes.hpp"
#include "engine/bitmap/bitmap_test_util.hpp"

namespace tesk::test {
namespace {

Bytes hex(const std::string& text) {
    std::istringstream in(text);
    Bytes out;
    for (std::string b; in >> b;) out.push_back(static_cast<std::uint8_t>(std::stoul(b, nullptr, 16)));
    return out;
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

template <std::size_t N>
Bytes bytesOf(const std::array<std::uint8_t, N>& a) {
    return Bytes(a.begin(), a.end());
}

struct Golden {
    std::string name;
    BitmapBuilder bitmap;
    std::uint32_t options;
    std::string file;
    Bytes expected;
};

std::vector<Golden> goldens() {
    const auto& p = loadpalettes();
    // A 2-bit buffer from a decompressor is height x (rowBytes + pad) bytes with pad from rowBytes
    // (here 2 x 4), its rows without pad, the tail zero; widened to 4-bit, tail and all.
    const Bytes twoBitDecompressed =
        concat({hex("42 4D 86 00 00 00 00 00 00 00 76 00 00 00 28 00 00 00 04 00 00 00 02 00 00 00 01 00 04 00"
                    " 00 00 00 00 10 00 00 00 13 0B 00 00 13 0B 00 00 10 00 00 00 10 00 00 00"),
                hex("FF FF FF 00 AA AA AA 00 55 55 55 00 00 00 00 00"), Bytes(48, 0), hex("32 10 00 00 01 23 00 00"),
                Bytes(8, 0)});
    const auto twoBit = BitmapBuilder{}.size(4, 2).depth(2).version(2).values({0, 1, 2, 3, 3, 2, 1, 0});
    return {
        {"2-bit scan-line", BitmapBuilder{twoBit}.compress(Compression::ScanLine), 0x0090, "Tbmp1000-2.bmp",
         twoBitDecompressed},
        {"2-bit RLE", BitmapBuilder{twoBit}.compress(Compression::Rle), 0x0090, "Tbmp1000-2.bmp", twoBitDecompressed},
        {"2-bit PackBits", BitmapBuilder{twoBit}.compress(Compression::PackBits), 0x0090, "Tbmp1000-2.bmp",
         twoBitDecompressed},
        {"16-bit", BitmapBuilder{}.size(2, 1).depth(16).version(3).values({0xF800, 0x001F}), 0x0090, "Tbmp1000-16.bmp",
         concat({hex("42 4D 46 00 00 00 00 00 00 00 42 00 00 00 28 00 00 00 02 00 00 00 01 00 00 00 01 00 10 00"
                     " 03 00 00 00 04 00 00 00 13 0B 00 00 13 0B 00 00 00 00 00 00 00 00 00 00"),
                 hex("00 F8 00 00 E0 07 00 00 1F 00 00 00"), hex("00 F8 1F 00")})},
        {"16-bit as 24", BitmapBuilder{}.size(1, 1).depth(16).version(3).values({0x07E0}), 0x4090, "Tbmp1000-16.bmp",
         concat({hex("42 4D 3A 00 00 00 00 00 00 00 36 00 00 00 28 00 00 00 01 00 00 00 01 00 00 00 01 00 18 00"
                     " 00 00 00 00 04 00 00 00 13 0B 00 00 13 0B 00 00 00 00 00 00 00 00 00 00"),
                 hex("00 FF 00 00")})},
        {"8-bit", BitmapBuilder{}.size(1, 1).depth(8).version(2).values({5}), 0x0090, "Tbmp1000-8.bmp",
         concat({hex("42 4D 3A 04 00 00 00 00 00 00 36 04 00 00 28 00 00 00 01 00 00 00 01 00 00 00 01 00 08 00"
                     " 00 00 00 00 04 00 00 00 13 0B 00 00 13 0B 00 00 00 01 00 00 00 01 00 00"),
                 bytesOf(p.bmp8), hex("05 00 00 00")})},
        {"4-bit", BitmapBuilder{}.size(2, 1).depth(4).version(2).values({1, 15}), 0x0090, "Tbmp1000-4.bmp",
         concat({hex("42 4D 7A 00 00 00 00 00 00 00 76 00 00 00 28 00 00 00 02 00 00 00 01 00 00 00 01 00 04 00"
                     " 00 00 00 00 04 00 00 00 13 0B 00 00 13 0B 00 00 10 00 00 00 10 00 00 00"),
                 bytesOf(p.bmp4), hex("1F 00 00 00")})},
        {"2-bit", BitmapBuilder{}.size(4, 1).depth(2).version(2).values({0, 1, 2, 3}), 0x0090, "Tbmp1000-2.bmp",
         concat({hex("42 4D 7A 00 00 00 00 00 00 00 76 00 00 00 28 00 00 00 04 00 00 00 01 00 00 00 01 00 04 00"
                     " 00 00 00 00 04 00 00 00 13 0B 00 00 13 0B 00 00 10 00 00 00 10 00 00 00"),
                 hex("FF FF FF 00 AA AA AA 00 55 55 55 00 00 00 00 00"), Bytes(48, 0), hex("01 23 00 00")})},
        {"1-bit", BitmapBuilder{}.size(3, 1).depth(1).version(1).values({1, 0, 1}), 0x0090, "Tbmp1000-1.bmp",
         concat({hex("42 4D 42 00 00 00 00 00 00 00 3E 00 00 00 28 00 00 00 03 00 00 00 01 00 00 00 01 00 01 00"
                     " 00 00 00 00 04 00 00 00 13 0B 00 00 13 0B 00 00 02 00 00 00 02 00 00 00"),
                 hex("FF FF FF 00 00 00 00 00"), hex("A0 00 00 00")})},
        {"version 0", BitmapBuilder{}.size(3, 1).depth(0).version(0).values({1, 0, 1}), 0x0090, "Tbmp1000-1.bmp",
         concat({hex("42 4D 42 00 00 00 00 00 00 00 3E 00 00 00 28 00 00 00 03 00 00 00 01 00 00 00 01 00 01 00"
                     " 00 00 00 00 04 00 00 00 13 0B 00 00 13 0B 00 00 02 00 00 00 02 00 00 00"),
                 hex("FF FF FF 00 00 00 00 00"), hex("A0 00 00 00")})},
    };
}

TEST(WriteBmp, GoldenFileForEveryRowOfTheDepthTable) {
    for (const auto& g : goldens()) {
        ResourceRun run{g.options};
        run.parse(g.bitmap.build());
        EXPECT_EQ(run.ctx.errors.code, 0) << g.name;
        EXPECT_EQ(run.file(g.file), g.expected) << g.name;
        EXPECT_EQ(run.ctx.tally.imagesWritten, 1u) << g.name;
    }
}

TEST(WriteBmp, SizesOfCommonBitmaps) {
    ResourceRun eight;
    eight.parse(BitmapBuilder{}.size(20, 20).depth(8).version(2).build());
    EXPECT_EQ(eight.file("Tbmp1000-8.bmp").size(), 1078u + 400u);
    ResourceRun one;
    one.parse(BitmapBuilder{}.size(16, 16).depth(1).version(1).build());
    EXPECT_EQ(one.file("Tbmp1000-1.bmp").size(), 62u + 64u);
    // 24x32 2-bit scan-line, rowBytes 6: 32 x (6 + 2) buffer bytes, doubled.
    ResourceRun two;
    two.parse(BitmapBuilder{}.size(24, 32).depth(2).version(2).compress(Compression::ScanLine).build());
    EXPECT_EQ(two.file("Tbmp1000-2.bmp").size(), 118u + 512u);
}

TEST(WriteBmp, MemoryBmpIsTheSameFileAndNothingIsWrittenForPng) {
    auto bitmap =
        BitmapBuilder{}.size(5, 3).depth(4).version(2).values({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15});
    ResourceRun bmp;
    bmp.parse(bitmap.build());
    ResourceRun png;
    png.ctx.settings.imageFormat = 2;
    png.parse(bitmap.build());
    EXPECT_EQ(png.ctx.bitmap.memoryBmp, bmp.file("Tbmp1000-4.bmp"));
    EXPECT_TRUE(png.file("Tbmp1000-4.bmp").empty());
}

TEST(Naming, DensitySuffixSortFoldersAndVersionZero) {
    ResourceRun run;
    run.ctx.settings.sortIntoFolders = 1;
    run.parse(FamilyBuilder{}
                  .add(BitmapBuilder{}.size(4, 4).depth(8).version(3).density(144))
                  .add(BitmapBuilder{}.size(4, 4).depth(16).version(3).density(72))
                  .build());
    EXPECT_FALSE(run.file("8-Bit D144/Tbmp1000-8-d144.bmp").empty());
    EXPECT_FALSE(run.file("16-Bit D72/Tbmp1000-16.bmp").empty());
    ResourceRun v0;
    v0.ctx.settings.sortIntoFolders = 1;
    v0.parse(BitmapBuilder{}.size(4, 4).depth(0).version(0).build());
    EXPECT_FALSE(v0.file("1-Bit D72/Tbmp1000-1.bmp").empty());
    EXPECT_EQ(v0.files.files.size(), 1u);
}

TEST(Naming, NameTableFoldersAndNamesThatMustNotBecomePaths) {
    ResourceRun run{0x00A0};   // script mode
    run.files.folders.insert("out/icons");
    run.parse(BitmapBuilder{}.size(4, 4).depth(8).build(), "icons\\big");
    EXPECT_FALSE(run.file("icons/big-8.bmp").empty());
    EXPECT_EQ(run.ctx.resource.name, "icons\\big");
    EXPECT_NE(run.text().find("BITMAP \"icons/big-8.bmp\" BPP 8"), std::string::npos);

    ResourceRun missing;
    missing.parse(BitmapBuilder{}.size(4, 4).depth(8).build(), "nothere/big");
    EXPECT_EQ(missing.ctx.errors.code, 76);
    EXPECT_EQ(missing.ctx.errors.procedure, "writebmp");
    // A leading separator is the folder form ("below the output folder"), never an absolute path.
    ResourceRun rooted;
    rooted.parse(BitmapBuilder{}.size(4, 4).depth(8).build(), "\\top");
    EXPECT_FALSE(rooted.file("top-8.bmp").empty());
    for (const std::string& bad :
         std::vector<std::string>{"../escape", "//abs", "a//b", "a/./b", std::string("ctl\x01", 4)}) {
        ResourceRun run2;
        run2.parse(BitmapBuilder{}.size(4, 4).depth(8).build(), bad);
        EXPECT_EQ(run2.ctx.errors.code, 52) << bad;
        EXPECT_TRUE(run2.files.files.empty()) << bad;
    }
}

TEST(ReplaceRule, ReadOnlyTargetIsKeptWithError75AndNormalTargetIsReplaced) {
    ResourceRun run;
    run.files.files["out/Tbmp1000-8.bmp"] = {1, 2, 3};
    run.files.extraAttributes["out/Tbmp1000-8.bmp"] = attr::ReadOnly;
    run.parse(BitmapBuilder{}.size(4, 4).depth(8).build());
    EXPECT_EQ(run.ctx.errors.code, 75);
    EXPECT_EQ(run.ctx.errors.procedure, "writebmp");
    EXPECT_EQ(run.file("Tbmp1000-8.bmp"), (Bytes{1, 2, 3}));

    ResourceRun normal;
    normal.files.files["out/Tbmp1000-8.bmp"] = {1, 2, 3};
    normal.parse(BitmapBuilder{}.size(4, 4).depth(8).build());
    EXPECT_EQ(normal.ctx.errors.code, 0);
    EXPECT_EQ(normal.file("Tbmp1000-8.bmp").size(), 1078u + 16u);
}

}   // namespace
}   // namespace tesk::test

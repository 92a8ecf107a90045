// The decoders through parsersrc: each compression against the uncompressed rows, the literal
// edge cases of each stream format, the shared row layout, hostile sizes and little-endian data.
#include <gtest/gtest.h>

#include <random>

#include "bitmap/palettes.hpp"
#include "engine/bitmap/bitmap_test_util.hpp"

namespace tesk::test {
namespace {

std::vector<std::uint16_t> randomValues(int count, int depth, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<std::uint16_t> v(static_cast<std::size_t>(count));
    const unsigned limit = depth == 16 ? 65536 : 1u << depth;
    // Runs of equal values so that every compression has something to do.
    for (std::size_t i = 0; i < v.size(); ++i)
        v[i] = (i % 5 != 0 && i > 0) ? v[i - 1] : static_cast<std::uint16_t>(rng() % limit);
    return v;
}

Bytes decoded(const BitmapBuilder& b, std::uint32_t options = 0x0090) {
    ResourceRun run{options};
    run.parse(b.build());
    EXPECT_EQ(run.ctx.errors.code, 0) << run.ctx.errors.procedure;
    return run.ctx.bitmap.pixels;
}

struct Shape {
    int width, height, depth, version;
};

class EveryCompression : public ::testing::TestWithParam<Shape> {};

TEST_P(EveryCompression, DecodesToTheSameBufferAsUncompressedRows) {
    const auto s = GetParam();
    auto base = BitmapBuilder{}
                    .size(s.width, s.height)
                    .depth(s.depth)
                    .version(s.version)
                    .values(randomValues(s.width * s.height, s.depth, static_cast<unsigned>(s.width * 31 + s.depth)));
    const auto plain = decoded(base);
    ASSERT_FALSE(plain.empty());
    EXPECT_EQ(decoded(BitmapBuilder{base}.compress(Compression::ScanLine)), plain);
    if (s.version >= 2) {
        EXPECT_EQ(decoded(BitmapBuilder{base}.compress(Compression::Rle)), plain);
        EXPECT_EQ(decoded(BitmapBuilder{base}.compress(Compression::PackBits)), plain);
    }
}

INSTANTIATE_TEST_SUITE_P(Shapes, EveryCompression,
                         ::testing::Values(Shape{1, 1, 1, 1}, Shape{17, 5, 1, 2}, Shape{9, 4, 2, 2}, Shape{13, 3, 4, 3},
                                           Shape{20, 20, 8, 2}, Shape{300, 2, 8, 3}, Shape{3, 4, 16, 3},
                                           Shape{70, 3, 16, 2}, Shape{31, 2, 16, 3}),
                         [](const ::testing::TestParamInfo<Shape>& i) {
                             const auto& s = i.param;
                             return "w" + std::to_string(s.width) + "h" + std::to_string(s.height) + "d" +
                                    std::to_string(s.depth) + "v" + std::to_string(s.version);
                         });

TEST(ScanLine, LiteralRowThenRepeatedRowAndTwoFlagBytesPerTenByteRow) {
    Bytes row0 = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    Bytes stream = {0xFF, 1,    2,   3, 4, 5, 6, 7, 8, 0xC0, 9, 10,   // row 0: all literal
                    0x00, 0x40, 0x63};                                // row 1: repeats, except byte 9
    auto b =
        BitmapBuilder{}.size(10, 2).depth(8).version(2).rowBytes(10).compressedStream(Compression::ScanLine, stream);
    const auto px = decoded(b);
    ASSERT_EQ(px.size(), 24u);   // rows of 10 padded to 12, bottom-up
    EXPECT_EQ(Bytes(px.begin() + 12, px.begin() + 22), row0);
    Bytes row1 = row0;
    row1[9] = 0x63;
    EXPECT_EQ(Bytes(px.begin(), px.begin() + 10), row1);
}

TEST(ScanLine, FlagBitsPastTheRowReadNothingAndTheLenientFirstRowRepeatsZeros) {
    // A full flag byte over a 2-byte row: the six bits beyond it must not take the next row's bytes.
    auto past = BitmapBuilder{}.size(2, 2).depth(8).version(2).rowBytes(2).compressedStream(Compression::ScanLine,
                                                                                            {0xFF, 1, 2, 0xFF, 3, 4});
    EXPECT_EQ(decoded(past), (Bytes{3, 4, 0, 0, 1, 2, 0, 0}));
    // 16-bit version 3: clear bits of the first row read as 0 instead of failing.
    ResourceRun lenient;
    lenient.parse(BitmapBuilder{}
                      .size(2, 1)
                      .depth(16)
                      .version(3)
                      .compressedStream(Compression::ScanLine, {0x50, 0xAB, 0xCD})
                      .build());
    EXPECT_EQ(lenient.ctx.errors.code, 0);
    EXPECT_EQ(lenient.ctx.bitmap.pixels, (Bytes{0xAB, 0x00, 0xCD, 0x00}));
}

TEST(ScanLine, FirstRowReferringToMissingRowIsError9WithZeroBuffer) {
    ResourceRun run;
    run.parse(
        BitmapBuilder{}.size(4, 1).depth(8).version(2).compressedStream(Compression::ScanLine, {0x80, 7}).build());
    EXPECT_EQ(run.ctx.errors.code, 9);
    EXPECT_EQ(run.ctx.errors.procedure, "uncompsl");
    EXPECT_EQ(run.ctx.bitmap.pixels, Bytes(4, 0));
}

TEST(ScanLine, Version3SixteenBitDataEndingEarlyIsWrittenInFullWithoutError) {
    // Row 0 literal, then the data stops: the missing flag bytes read 0 and repeat row 0.
    Bytes stream = {0xF0, 0x12, 0x34, 0x56, 0x78};
    ResourceRun lenient;
    lenient.parse(
        BitmapBuilder{}.size(2, 3).depth(16).version(3).compressedStream(Compression::ScanLine, stream).build());
    EXPECT_EQ(lenient.ctx.errors.code, 0);
    EXPECT_EQ(lenient.ctx.bitmap.pixels,
              (Bytes{0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0x78, 0x56}));
    ResourceRun strict;
    strict.parse(
        BitmapBuilder{}.size(4, 8).depth(8).version(3).compressedStream(Compression::ScanLine, stream).build());
    EXPECT_EQ(strict.ctx.errors.code, 9);
    EXPECT_EQ(strict.ctx.errors.procedure, "uncompsl");
}

TEST(Rle, EmptyPairsSpareByteAndOverrun) {
    // (0,7) stores nothing; a run of 5 into a row of 4 spills into the spare byte and is fine.
    EXPECT_EQ(decoded(BitmapBuilder{}.size(4, 1).depth(8).version(2).compressedStream(Compression::Rle, {0, 7, 5, 9})),
              (Bytes{9, 9, 9, 9}));
    ResourceRun run;
    run.parse(BitmapBuilder{}.size(4, 1).depth(8).version(2).compressedStream(Compression::Rle, {6, 9}).build());
    EXPECT_EQ(run.ctx.errors.code, 9);
    EXPECT_EQ(run.ctx.errors.procedure, "uncomprle");
}

TEST(Rle, TypeOneIsDecodedEvenWithTheCompressedFlagClear) {
    auto b =
        BitmapBuilder{}.size(4, 1).depth(8).version(2).compressedStream(Compression::Rle, {4, 3}).compressedFlag(false);
    EXPECT_EQ(decoded(b), (Bytes{3, 3, 3, 3}));
}

TEST(PackBits, RunsLiteralsAndSixteenBitUnits) {
    EXPECT_EQ(decoded(BitmapBuilder{}.size(6, 1).depth(8).version(2).compressedStream(Compression::PackBits,
                                                                                      {0xFE, 0x55, 0x02, 1, 2, 3})),
              (Bytes{0x55, 0x55, 0x55, 1, 2, 3, 0, 0}));
    EXPECT_EQ(decoded(BitmapBuilder{}.size(2, 1).depth(16).version(2).compressedStream(Compression::PackBits,
                                                                                       {0xFF, 0x12, 0x34})),
              (Bytes{0x34, 0x12, 0x34, 0x12}));
    ResourceRun run;
    run.parse(BitmapBuilder{}
                  .size(4, 1)
                  .depth(8)
                  .version(2)
                  .compressedStream(Compression::PackBits, {0x00, 0x05, 0xFB, 0x11})
                  .build());   // 1 + 6 > 4 + spare
    EXPECT_EQ(run.ctx.errors.code, 9);
    EXPECT_EQ(run.ctx.errors.procedure, "uncomppb");
}

TEST(RowLayout, SixteenBitTo24ExpandsAndPadsByWidth) {
    auto b = BitmapBuilder{}.size(3, 1).depth(16).version(3).values({0xF800, 0x07E0, 0x8410});
    const auto px = decoded(b, 0x4090);
    EXPECT_EQ(px, (Bytes{0, 0, 255, 0, 255, 0, 132, 130, 132, 0, 0, 0}));
}

TEST(RowLayout, TwoBitRowsWithoutPadAndWideRowBytesCutToTheWidth) {
    // 2-bit, 8 pixels: rowBytes 2, no pad (the writer doubles the row to 4 bytes).
    auto two = BitmapBuilder{}.size(8, 2).depth(2).version(2).values({0, 1, 2, 3, 3, 2, 1, 0, 1, 1, 1, 1, 2, 2, 2, 2});
    ResourceRun run;
    run.parse(two.build());
    const auto img = readBmp(run.file("Tbmp1000-2.bmp"));
    ASSERT_TRUE(img);
    EXPECT_EQ(img->at(3, 0), (Colour{0, 0, 0}));
    EXPECT_EQ(img->at(1, 1), (Colour{170, 170, 170}));
    // rowBytes 8 for a 3-pixel 8-bit row: buffer rows are 4 bytes, the extra Palm bytes dropped.
    Bytes rows = {1, 2, 3, 9, 9, 9, 9, 9, 4, 5, 6, 9, 9, 9, 9, 9};
    EXPECT_EQ(decoded(BitmapBuilder{}.size(3, 2).depth(8).version(2).rowBytes(8).rows(rows)),
              (Bytes{4, 5, 6, 9, 1, 2, 3, 9}));
}

TEST(HostileSizes, HugeHeaderOnTinyResourceIsRefusedBeforeAllocating) {
    for (auto c : {Compression::None, Compression::ScanLine, Compression::Rle, Compression::PackBits}) {
        auto b = BitmapBuilder{}.size(32767, 32767).depth(8).version(2).compressedStream(c, Bytes(60, 0));
        auto bytes = b.build();
        ASSERT_LT(bytes.size(), 100u);
        ResourceRun run;
        run.parse(bytes);
        EXPECT_EQ(run.ctx.errors.code, 9);
        EXPECT_TRUE(run.ctx.bitmap.pixels.empty());
        EXPECT_TRUE(run.files.files.empty());
    }
    // The lenient 16-bit version 3 path is bounded too.
    ResourceRun lenient;
    lenient.parse(
        BitmapBuilder{}.size(32767, 32767).depth(16).version(3).compressedStream(Compression::ScanLine, {0}).build());
    EXPECT_EQ(lenient.ctx.errors.code, 9);
    EXPECT_EQ(lenient.ctx.errors.procedure, "uncompsl");
    EXPECT_TRUE(lenient.ctx.bitmap.pixels.empty());
}

TEST(Uncompressed, DataEndingEarlyIsWrittenWithWhatIsThereAndError9) {
    auto bytes = BitmapBuilder{}.size(4, 3).depth(8).version(2).values({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}).build();
    bytes.resize(16 + 4 + 4 + 2);   // the last row cut after two bytes (a cut download)
    ResourceRun run;
    run.parse(bytes);
    EXPECT_EQ(run.ctx.errors.code, 9);
    EXPECT_EQ(run.ctx.errors.procedure, "flipImg");
    const auto& p = loadpalettes();
    EXPECT_EQ(run.file("Tbmp1000-8.bmp"),
              bmpFile(4, 3, 8, Bytes(p.bmp8.begin(), p.bmp8.end()), {9, 10, 0, 0, 5, 6, 7, 8, 1, 2, 3, 4}));
}

TEST(HostileSizes, NegativeSizesAndRowsTooShortForTheWidthAreError9) {
    for (const auto& b : {BitmapBuilder{}.size(-4, 2).depth(8).rowBytes(4), BitmapBuilder{}.size(4, -2).depth(8),
                          BitmapBuilder{}.size(40, 2).depth(8).rowBytes(4).rows(Bytes(8, 1))}) {
        ResourceRun run;
        run.parse(b.build());
        EXPECT_EQ(run.ctx.errors.code, 9);
        EXPECT_EQ(run.ctx.errors.procedure, "flipImg");
        EXPECT_TRUE(run.files.files.empty());
    }
}

TEST(LittleEndian, SixteenBitAndOneBitDecodeLikeTheirBigEndianTwins) {
    const auto v16 = randomValues(15, 16, 5);
    const auto v1 = randomValues(40, 1, 6);
    for (std::uint32_t options : {0x0090u, 0x4090u}) {
        auto be = BitmapBuilder{}.size(5, 3).depth(16).version(3).values(v16);
        EXPECT_EQ(decoded(BitmapBuilder{be}.littleEndian(2), options), decoded(be, options)) << options;
        EXPECT_EQ(decoded(BitmapBuilder{be}.littleEndian(2).compress(Compression::PackBits), options),
                  decoded(be, options));
    }
    auto be1 = BitmapBuilder{}.size(20, 2).depth(1).version(3).values(v1);
    EXPECT_EQ(decoded(BitmapBuilder{be1}.littleEndian(1)), decoded(be1));
    // Keeping the stored order leaves little-endian pixels swapped once, as stored big-endian.
    auto le = BitmapBuilder{}.size(2, 1).depth(16).version(3).values({0x1234, 0xABCD}).littleEndian(2);
    EXPECT_EQ(decoded(le), (Bytes{0x34, 0x12, 0xCD, 0xAB}));
    EXPECT_EQ(decoded(le, 0x0890), (Bytes{0x12, 0x34, 0xAB, 0xCD}));
}

}   // namespace
}   // namespace tesk::test

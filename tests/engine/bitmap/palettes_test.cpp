// System palettes against their generating rules, and the two pixel conversions.
#include <gtest/gtest.h>
#include <cmath>
#include <set>

#include "bitmap/conversions.hpp"
#include "bitmap/palettes.hpp"
#include "engine/bitmap/bitmap_test_util.hpp"

namespace tesk::test {
namespace {

void expectRgb(const Rgb& c, int r, int g, int b) {
    EXPECT_EQ(c.red, r);
    EXPECT_EQ(c.green, g);
    EXPECT_EQ(c.blue, b);
}

TEST(Palettes, EightBitIsCubeGreysExtrasAndBlack) {
    const auto& p = loadpalettes();
    expectRgb(p.rgb8[0], 255, 255, 255);
    expectRgb(p.rgb8[1], 255, 204, 255);
    expectRgb(p.rgb8[6], 255, 255, 204);
    expectRgb(p.rgb8[108], 255, 255, 102);
    expectRgb(p.rgb8[214], 0, 51, 0);
    expectRgb(p.rgb8[215], 17, 17, 17);
    expectRgb(p.rgb8[224], 238, 238, 238);
    expectRgb(p.rgb8[225], 192, 192, 192);
    expectRgb(p.rgb8[229], 0, 128, 128);
    for (int i = 230; i < 256; ++i) expectRgb(p.rgb8[i], 0, 0, 0);
    // The cube holds every multiple of 51 in every channel except black, each exactly once.
    std::set<int> seen;
    for (int k = 0; k < 215; ++k) {
        const auto& c = p.rgb8[k];
        EXPECT_EQ(c.red % 51 + c.green % 51 + c.blue % 51, 0) << k;
        seen.insert(c.red << 16 | c.green << 8 | c.blue);
    }
    EXPECT_EQ(seen.size(), 215u);
    EXPECT_EQ(seen.count(0), 0u);
}

TEST(Palettes, GreyRampsAndBmpTables) {
    const auto& p = loadpalettes();
    for (int i = 0; i < 16; ++i) expectRgb(p.rgb4[i], 255 - 17 * i, 255 - 17 * i, 255 - 17 * i);
    const int ramp2[] = {255, 170, 85, 0};
    for (int i = 0; i < 4; ++i) expectRgb(p.rgb2[i], ramp2[i], ramp2[i], ramp2[i]);
    EXPECT_EQ(std::vector<std::uint8_t>(p.bmp1.begin(), p.bmp1.end()),
              (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0}));
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(p.bmp8[4 * i], p.rgb8[i].blue);
        EXPECT_EQ(p.bmp8[4 * i + 1], p.rgb8[i].green);
        EXPECT_EQ(p.bmp8[4 * i + 2], p.rgb8[i].red);
        EXPECT_EQ(p.bmp8[4 * i + 3], 0);
    }
    EXPECT_EQ(std::vector<std::uint8_t>(p.masks16.begin(), p.masks16.end()),
              (std::vector<std::uint8_t>{0, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0}));
    EXPECT_EQ(&loadpalettes(), &p);   // built once, the same tables on every call
}

TEST(ExpandRgb565, ListedValues) {
    expectRgb(ExpandRgb565(0xFF, 0xFF), 255, 255, 255);
    expectRgb(ExpandRgb565(0xF8, 0x00), 255, 0, 0);
    expectRgb(ExpandRgb565(0x07, 0xE0), 0, 255, 0);
    expectRgb(ExpandRgb565(0x00, 0x1F), 0, 0, 255);
    expectRgb(ExpandRgb565(0x84, 0x10), 132, 130, 132);   // green 129.5 rounds to the even 130
    expectRgb(ExpandRgb565(0x08, 0x41), 8, 8, 8);
}

TEST(ExpandRgb565, EveryValueRoundsHalfToEvenWithinRange) {
    for (unsigned v = 0; v < 65536; ++v) {
        const auto c = ExpandRgb565(static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v));
        const double r = ((v >> 11) << 3) * 255.0 / 248, g = (((v >> 5) & 63) << 2) * 255.0 / 252,
                     b = ((v & 31) << 3) * 255.0 / 248;
        ASSERT_EQ(c.red, std::nearbyint(r)) << v;
        ASSERT_EQ(c.green, std::nearbyint(g)) << v;
        ASSERT_EQ(c.blue, std::nearbyint(b)) << v;
    }
}

TEST(Conv2to4bit, WidensEveryByteIncludingPadding) {
    ResourceRun run;
    run.ctx.bitmap.pixels = {0x1B, 0xE4, 0x00};
    conv2to4bit(run.ctx);
    EXPECT_EQ(run.ctx.bitmap.pixels, (Bytes{0x01, 0x23, 0x32, 0x10, 0x00, 0x00}));
    EXPECT_EQ(run.ctx.errors.code, 0);
}

}   // namespace
}   // namespace tesk::test

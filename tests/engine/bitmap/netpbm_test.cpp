// Cross-checks with netpbm as an independent implementation: bitmaps made by pnmtopalm from
// images of system-palette colours must come back pixel for pixel, and agree with palmtopnm.
#include <gtest/gtest.h>

#include <random>

#include <fmt/format.h>

#include "bitmap/conversions.hpp"
#include "engine/bitmap/bitmap_test_util.hpp"

namespace tesk::test {
namespace {

Bytes writePgm(const Image& image) {
    std::string head = "P5\n" + std::to_string(image.width) + " " + std::to_string(image.height) + "\n255\n";
    Bytes out(head.begin(), head.end());
    for (const auto& c : image.pixels) out.push_back(c.red);
    return out;
}

Image randomImage(int width, int height, const std::vector<Colour>& colours, unsigned seed) {
    std::mt19937 rng(seed);
    Image img{width, height, {}};
    for (int i = 0; i < width * height; ++i) img.pixels.push_back(colours[rng() % colours.size()]);
    return img;
}

std::vector<Colour> sixteenBitColours() {
    std::vector<Colour> out;
    std::mt19937 rng(7);
    for (int i = 0; i < 64; ++i) {
        const auto v = static_cast<std::uint16_t>(rng());
        const auto c = ExpandRgb565(static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v));
        out.push_back({c.red, c.green, c.blue});
    }
    return out;
}

bool withinOne(const Image& a, const Image& b) {
    if (a.width != b.width || a.height != b.height) return false;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) {
        const auto& p = a.pixels[i];
        const auto& q = b.pixels[i];
        if (std::abs(p.red - q.red) > 1 || std::abs(p.green - q.green) > 1 || std::abs(p.blue - q.blue) > 1)
            return false;
    }
    return true;
}

// The single image this system writes for a one-bitmap resource.
std::optional<Image> ours(const Bytes& palm, std::uint32_t options = 0x0090) {
    ResourceRun run{options};
    run.parse(palm);
    EXPECT_EQ(run.ctx.errors.code, 0) << run.ctx.errors.procedure;
    if (run.files.writeOrder.size() != 1) return std::nullopt;
    return readBmp(run.files.files[run.files.writeOrder[0]]);
}

struct Case {
    int depth;
    std::string options;
};

TEST(Netpbm, PnmtopalmBitmapsComeBackExactlyAndAgreeWithPalmtopnm) {
    if (!haveNetpbm()) GTEST_SKIP() << "netpbm not installed";
    std::vector<Case> cases;
    for (int depth : {1, 2, 4, 8})
        for (std::string compression : {"", " -scanline_compression", " -rle_compression", " -packbits_compression"})
            for (std::string density : {"", " -density 144"}) cases.push_back({depth, compression + density});
    cases.push_back({16, ""});   // pnmtopalm writes no compressed 16-bit bitmaps
    const std::pair<int, int> sizes[] = {{1, 1}, {7, 3}, {16, 5}, {33, 9}, {160, 12}};
    int checked = 0;
    for (const auto& c : cases) {
        std::vector<Colour> colours = c.depth == 16 ? sixteenBitColours() : systemColours(c.depth);
        if (c.depth == 8) colours.resize(231);   // 230 and on repeat black
        for (auto [w, h] : sizes) {
            const auto source = randomImage(w, h, colours, static_cast<unsigned>(w * 131 + c.depth));
            const auto input = c.depth <= 4 ? writePgm(source) : writePpm(source);
            const auto palm = runFilter("pnmtopalm -depth " + std::to_string(c.depth) + c.options, input);
            ASSERT_TRUE(palm) << c.depth << c.options;
            const auto mine = ours(*palm);
            ASSERT_TRUE(mine) << c.depth << c.options << " " << w << "x" << h;
            EXPECT_EQ(mine->pixels, source.pixels) << c.depth << c.options << " " << w << "x" << h;
            const auto theirs = runFilter("palmtopnm", *palm);
            ASSERT_TRUE(theirs);
            const auto decoded = readPnm(*theirs);
            ASSERT_TRUE(decoded);
            EXPECT_TRUE(withinOne(*mine, *decoded)) << c.depth << c.options << " " << w << "x" << h;
            ++checked;
        }
    }
    EXPECT_EQ(checked, static_cast<int>(cases.size() * std::size(sizes)));
}

TEST(Netpbm, OwnColourTablesAndTransparentIndex) {
    if (!haveNetpbm()) GTEST_SKIP() << "netpbm not installed";
    std::mt19937 rng(3);
    std::vector<Colour> colours;
    for (int i = 0; i < 40; ++i)
        colours.push_back(
            {static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng())});
    const auto source = randomImage(23, 7, colours, 11);
    for (std::string compression : {"", " -rle_compression", " -density 144 -packbits_compression"}) {
        const auto palm = runFilter("pnmtopalm -depth 8 -colormap" + compression, writePpm(source));
        ASSERT_TRUE(palm);
        const auto mine = ours(*palm);
        ASSERT_TRUE(mine) << compression;
        EXPECT_EQ(mine->pixels, source.pixels) << compression;
        const auto decoded = readPnm(*runFilter("palmtopnm", *palm));
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->pixels, mine->pixels) << compression;
    }
    // Transparent index: pnmtopalm names the system palette index of the colour.
    const auto palette = systemColours(8);
    const auto opaque = randomImage(5, 5, {palette[0], palette[17], palette[200]}, 5);
    const auto palm =
        runFilter("pnmtopalm -depth 8 -transparent '#" +
                      fmt::format("{:02x}{:02x}{:02x}", palette[17].red, palette[17].green, palette[17].blue) + "'",
                  writePpm(opaque));
    ASSERT_TRUE(palm);
    ResourceRun run{0x00A0};
    run.parse(*palm);
    EXPECT_NE(run.text().find("TRANSPARENTINDEX 17\r\n"), std::string::npos) << run.text();
}

}   // namespace
}   // namespace tesk::test

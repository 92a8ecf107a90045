// The exact PNG's structure per depth and header version, its rescale with alpha, and its failures.
#include <gtest/gtest.h>

#include <filesystem>

#include "bitmap/exact_png.hpp"
#include "engine/bitmap/bitmap_test_util.hpp"
#include "engine/bitmap/png_reader.hpp"
#include "support/test_run.hpp"
#include "tesk/tesk.h"

namespace tesk::test {
namespace {

namespace fs = std::filesystem;

// The only PNG a run wrote, decoded.
DecodedPng onlyPng(const ResourceRun& run) {
    std::vector<std::string> pngs;
    for (const auto& p : run.files.writeOrder)
        if (p.ends_with(".png")) pngs.push_back(p);
    EXPECT_EQ(pngs.size(), 1u);
    if (pngs.empty()) return {};
    auto png = readPng(run.files.files.at(pngs[0]));
    EXPECT_TRUE(png) << pngs[0];
    return png ? *png : DecodedPng{};
}

DecodedPng exactPngOf(const BitmapBuilder& bitmap, std::uint32_t options = EXTR_NO_PROGRESS) {
    ResourceRun run{options};
    run.ctx.settings.imageFormat = 3;
    run.parse(bitmap.build());
    EXPECT_EQ(run.ctx.errors.code, 0) << run.ctx.errors.procedure;
    return onlyPng(run);
}

std::vector<Colour> withOwn(int depth, std::vector<Colour> own) {
    auto palette = systemColours(depth);
    std::copy(own.begin(), own.end(), palette.begin());
    return palette;
}

std::vector<std::uint8_t> alphaFor(std::size_t index) {
    std::vector<std::uint8_t> a(index + 1, 255);
    a.back() = 0;
    return a;
}

// Each row: the bitmap, then the PNG it must give (samples top row first: palette index or 0xRRGGBB).
struct StructureCase {
    const char* name;
    BitmapBuilder bitmap;
    int bitDepth, colourType;
    std::vector<Colour> palette;
    std::vector<std::uint8_t> paletteAlpha;
    std::optional<Colour> transparentColour;
    std::vector<std::uint32_t> samples;
};

StructureCase row(const char* name, BitmapBuilder bitmap, int bitDepth, int colourType, std::vector<Colour> palette,
                  std::vector<std::uint8_t> alpha, std::optional<Colour> key, std::vector<std::uint32_t> samples) {
    return {name, std::move(bitmap), bitDepth, colourType, std::move(palette), std::move(alpha),
            key,  std::move(samples)};
}

BitmapBuilder bitmapOf(int version, int depth, int w, int h, std::vector<std::uint16_t> values) {
    return BitmapBuilder{}.version(version).depth(depth).size(w, h).values(std::move(values));
}

const StructureCase structureCases[] = {
    row("Version0", bitmapOf(0, 0, 5, 2, {1, 0, 0, 1, 1, 0, 1, 1, 0, 0}), 1, 3, systemColours(1), {}, {},
        {1, 0, 0, 1, 1, 0, 1, 1, 0, 0}),
    row("Bits1Transparent0", bitmapOf(2, 1, 9, 1, {1, 0, 1, 1, 0, 0, 1, 0, 1}).transparentIndex(0), 1, 3,
        systemColours(1), {0}, {}, {1, 0, 1, 1, 0, 0, 1, 0, 1}),
    row("Bits2IsTwoBitWithFourEntries", bitmapOf(2, 2, 5, 2, {0, 1, 2, 3, 1, 3, 2, 1, 0, 2}).transparentIndex(2), 2, 3,
        systemColours(2), alphaFor(2), {}, {0, 1, 2, 3, 1, 3, 2, 1, 0, 2}),
    row("Bits4Version1", bitmapOf(1, 4, 3, 2, {0, 15, 7, 8, 1, 14}), 4, 3, systemColours(4), {}, {},
        {0, 15, 7, 8, 1, 14}),
    row("Bits8Version3Density144", bitmapOf(3, 8, 3, 1, {229, 0, 255}).density(144).transparentIndex(229), 8, 3,
        systemColours(8), alphaFor(229), {}, {229, 0, 255}),
    row("Bits8OwnColourTable",
        bitmapOf(2, 8, 4, 1, {0, 1, 5, 1}).colourTable({{1, 2, 3}, {200, 100, 50}}).transparentIndex(1), 8, 3,
        withOwn(8, {{1, 2, 3}, {200, 100, 50}}), alphaFor(1), {}, {0, 1, 5, 1}),
    row("Bits4OwnColourTable", bitmapOf(3, 4, 2, 1, {2, 0}).colourTable({{9, 9, 9}, {0, 0, 0}, {250, 0, 5}}), 4, 3,
        withOwn(4, {{9, 9, 9}, {0, 0, 0}, {250, 0, 5}}), {}, {}, {2, 0}),
    // An index the depth cannot hold marks no pixel: the image is written without transparency.
    row("Bits4IndexBeyondTheDepth", bitmapOf(2, 4, 2, 1, {3, 4}).transparentIndex(20), 4, 3, systemColours(4), {}, {},
        {3, 4}),
    row("Bits16", bitmapOf(2, 16, 2, 2, {0xF800, 0x07E0, 0x001F, 0x8410}), 8, 2, {}, {}, {},
        {0xFF0000, 0x00FF00, 0x0000FF, 0x848284}),
    row("Bits16Version2TransparentColour",
        bitmapOf(2, 16, 3, 1, {0xF81F, 0x0841, 0xF81F}).transparentColour({255, 0, 255}), 8, 2, {}, {},
        Colour{255, 0, 255}, {0xFF00FF, 0x080808, 0xFF00FF}),
    row("Bits16Version3Transparent565", bitmapOf(3, 16, 2, 1, {0x07E0, 0xFFFF}).transparent565(0x07E0), 8, 2, {}, {},
        Colour{0, 255, 0}, {0x00FF00, 0xFFFFFF}),
    row("Bits16LittleEndian", bitmapOf(3, 16, 3, 1, {0x8410, 0xF800, 0x001F}).littleEndian(2).transparent565(0x8410), 8,
        2, {}, {}, Colour{132, 130, 132}, {0x848284, 0xFF0000, 0x0000FF}),
};

void PrintTo(const StructureCase& c, std::ostream* os) { *os << c.name; }

class Structure : public testing::TestWithParam<StructureCase> {};

TEST_P(Structure, DepthPaletteTransparencyAndSamplesAreTheBitmapsOwn) {
    const auto& c = GetParam();
    // 16-bit data arrives both as 16-bit and as 24-bit BMP; the PNG must not depend on which.
    for (std::uint32_t options : {EXTR_NO_PROGRESS, EXTR_NO_PROGRESS | EXTR_16_TO_24}) {
        const auto png = exactPngOf(c.bitmap, options);
        EXPECT_EQ(png.width, static_cast<std::uint32_t>(c.bitmap.width()));
        EXPECT_EQ(png.height, static_cast<std::uint32_t>(c.bitmap.height()));
        EXPECT_EQ(png.bitDepth, c.bitDepth);
        EXPECT_EQ(png.colourType, c.colourType);
        EXPECT_EQ(png.palette, c.palette);
        EXPECT_EQ(png.paletteAlpha, c.paletteAlpha);
        EXPECT_EQ(png.transparentColour.has_value(), c.transparentColour.has_value());
        if (png.transparentColour && c.transparentColour) {
            EXPECT_EQ(*png.transparentColour, *c.transparentColour);
        }
        EXPECT_EQ(png.samples, c.samples);
    }
}

INSTANTIATE_TEST_SUITE_P(ExactPng, Structure, testing::ValuesIn(structureCases),
                         [](const auto& p) { return std::string{p.param.name}; });

// Rescaling needs FreeImage; the exact PNG is then RGBA with the transparent pixels kept.
class Rescale : public testing::Test {
protected:
    void SetUp() override {
        if (!imageExportAvailable()) GTEST_SKIP() << "FreeImage is not available";
    }
    DecodedPng rescaled(const BitmapBuilder& bitmap, std::int32_t mode, std::int32_t w, std::int32_t h) {
        ResourceRun run{EXTR_NO_PROGRESS | EXTR_16_TO_24};
        run.ctx.settings.imageFormat = 3;
        run.ctx.settings.resizeMode = mode;
        run.ctx.settings.resizeWidth = w;
        run.ctx.settings.resizeHeight = h;
        run.parse(bitmap.build());
        EXPECT_EQ(run.ctx.errors.code, 0) << run.ctx.errors.procedure;
        return onlyPng(run);
    }
};

// Left half transparent white (index 0), right half red (index 125).
BitmapBuilder halves(int side) {
    std::vector<std::uint16_t> v;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) v.push_back(x < side / 2 ? 0 : 125);
    return BitmapBuilder{}.version(2).depth(8).size(side, side).values(v).transparentIndex(0);
}

TEST_F(Rescale, TransparentPixelsStayTransparentAfterATwofoldEnlargement) {
    const auto png = rescaled(halves(8), 2, 16, 16);
    ASSERT_EQ(png.colourType, 6);
    ASSERT_EQ(png.width, 16u);
    ASSERT_EQ(png.height, 16u);
    EXPECT_EQ(png.alphaAt(1, 8), 0);
    EXPECT_EQ(png.alphaAt(14, 8), 255);
    EXPECT_EQ(png.colourAt(14, 8), (Colour{255, 0, 0}));
    // Along the edge the picture fades out in its own colour: no white of the transparent pixels.
    for (std::uint32_t x = 0; x < 16; ++x)
        if (png.alphaAt(x, 8) != 0) {
            EXPECT_EQ(png.colourAt(x, 8), (Colour{255, 0, 0})) << x;
        }

    std::vector<std::uint16_t> v(64, 0xFFFF);
    for (int i = 0; i < 8; ++i) v[static_cast<std::size_t>(i)] = 0xF81F;   // top row the transparent colour
    const auto deep =
        rescaled(BitmapBuilder{}.version(2).depth(16).size(8, 8).values(v).transparentColour({255, 0, 255}), 2, 16, 16);
    ASSERT_EQ(deep.colourType, 6);
    EXPECT_EQ(deep.alphaAt(5, 0), 0);
    EXPECT_EQ(deep.alphaAt(5, 15), 255);
    EXPECT_EQ(deep.colourAt(5, 15), (Colour{255, 255, 255}));
}

TEST_F(Rescale, SizesAsForTheOtherFormats) {
    struct Case {
        int side;
        std::int32_t mode;
        std::uint32_t expected;
        int colourType;
    };
    for (auto c : {Case{32, 1, 22, 6}, Case{15, 1, 15, 3}, Case{15, 2, 22, 6}, Case{30, 0, 30, 3}}) {
        const auto png = rescaled(halves(c.side), c.mode, 22, 22);
        EXPECT_EQ(png.width, c.expected) << c.side << " mode " << c.mode;
        EXPECT_EQ(png.height, c.expected);
        EXPECT_EQ(png.colourType, c.colourType);
    }
}

// A run over the real disk writing one 8-bit bitmap as exact PNG.
struct DiskRun : TestRun {
    DiskRun()
        : TestRun(PrcBuilder{}.resource("Tbmp", 1000, halves(4).build()).build(), EXTR_NO_PROGRESS | EXTR_SHOW_ERRORS) {
        request.imageFormat = 3;
    }
};

TEST(ExactPngFailures, AReadOnlyTargetIsKeptAndRecordedAs75) {
    DiskRun run;
    writeBytes(run.out / "Tbmp1000-8.png", {1, 2, 3});
    fs::permissions(run.out / "Tbmp1000-8.png", fs::perms::owner_read);
    EXPECT_EQ(run.extract(), 75);
    ASSERT_EQ(run.ui.boxes.size(), 1u);
    EXPECT_EQ(run.ui.boxes[0].text,
              "Error In Dll module --> Write PNG, While working On Tbmp1000\r\n"
              "Error was --> 75 - Path/file access error");
    EXPECT_EQ(readBytes(run.out / "Tbmp1000-8.png"), (Bytes{1, 2, 3}));

    DiskRun plain;
    writeBytes(plain.out / "Tbmp1000-8.png", {1, 2, 3});
    EXPECT_EQ(plain.extract(), 0);
    EXPECT_TRUE(readPng(readBytes(plain.out / "Tbmp1000-8.png")));
}

TEST(ExactPngFailures, AFailedWriteLeavesNoFileAndNamesWritePng) {
    for (auto error : {ErrorNumber::DiskFull, ErrorNumber::PermissionDenied}) {
        DiskRun run;
        run.files.failWrite = [error](const std::string& path) {
            return path.ends_with(".png") ? error : ErrorNumber::None;
        };
        EXPECT_EQ(run.extract(), toInt(error));
        EXPECT_EQ(run.ctx.errors.procedure, "Write PNG");
        EXPECT_EQ(run.ctx.errors.resource, "Tbmp1000");
        EXPECT_TRUE(run.outputs().empty());
    }
}

TEST(ExactPngFailures, AMalformedMemoryBmpIsRefusedBeforeAnyEncoding) {
    std::vector<std::uint8_t> out;
    const Bytes notOurs{'B', 'M', 0, 0};
    EXPECT_EQ(encodeExactPng(8, notOurs, {}, {}, out), ErrorNumber::InternalError);
    EXPECT_TRUE(out.empty());
}

}   // namespace
}   // namespace tesk::test

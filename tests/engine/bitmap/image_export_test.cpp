#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "bitmap/image_export.hpp"
#include "engine/bitmap/export_fixture.hpp"
#include "support/bitmap_builder.hpp"

namespace tesk {

bool operator==(Rgb a, Rgb b) { return a.red == b.red && a.green == b.green && a.blue == b.blue; }
std::ostream& operator<<(std::ostream& os, Rgb c) {
    return os << '(' << int{c.red} << ',' << int{c.green} << ',' << int{c.blue} << ')';
}

namespace test {
namespace {

bool near(Rgb a, Rgb b, int tolerance) {
    return std::abs(a.red - b.red) <= tolerance && std::abs(a.green - b.green) <= tolerance &&
           std::abs(a.blue - b.blue) <= tolerance;
}

void exportPng(ExportRun& run, const std::string& stem, const BmpImage& image, std::int32_t kind = 0,
               std::int32_t index = 0, std::int32_t r = 0, std::int32_t g = 0, std::int32_t b = 0) {
    writePng(run.ctx, run.bmpName(stem), image.pixelSize, memoryBmp(image), kind, index, r, g, b);
}

// One image per depth: most pixels one colour, the top-left quarter another.
struct DepthCase {
    const char* name;
    std::int32_t pixelSize;
    bool sixteenTo24;
    std::uint32_t main, corner;
    Rgb mainColour, cornerColour;
};
const DepthCase depthCases[] = {
    {"Version0", 0, false, 0, 1, {255, 255, 255}, {0, 0, 0}},
    {"Bits1", 1, false, 1, 0, {0, 0, 0}, {255, 255, 255}},
    {"Bits2", 2, false, 1, 3, {170, 170, 170}, {0, 0, 0}},
    {"Bits4", 4, false, 5, 15, {170, 170, 170}, {0, 0, 0}},
    {"Bits8", 8, false, 125, 229, {255, 0, 0}, {0, 128, 128}},
    {"Bits16", 16, false, 0x001F, 0xFFFF, {0, 0, 255}, {255, 255, 255}},
    {"Bits16As24", 16, true, 0x00FF00, 0x800080, {0, 255, 0}, {128, 0, 128}},
};

BmpImage imageFor(const DepthCase& c, std::int32_t size = 32) {
    auto img = BmpImage::filled(size, size, c.pixelSize, c.main, c.corner);
    img.sixteenTo24 = c.sixteenTo24;
    return img;
}

// 16-bit without the 24-bit conversion is refused for JPEG: see SixteenBitJpeg.
bool jpegTakes(const DepthCase& c) { return c.pixelSize != 16 || c.sixteenTo24; }

class EachDepth : public testing::TestWithParam<DepthCase> {};

TEST_P(EachDepth, PngThroughA256EntryPaletteAndJpegShowTheSameColours) {
    const auto& c = GetParam();
    ExportRun run;
    exportPng(run, "Tbmp1000-8", imageFor(c));
    ASSERT_EQ(run.ctx.errors.code, 0) << run.ctx.errors.procedure;
    EXPECT_EQ(listFiles(run.dir.path()), std::vector<std::string>{"Tbmp1000-8.png"});
    EXPECT_EQ(run.ctx.tally.imagesWritten, 1u);
    auto png = openImage(run.dir / "Tbmp1000-8.png", FIF_PNG);
    ASSERT_TRUE(png);
    EXPECT_EQ(FreeImage_GetWidth(png.get()), 32u);
    EXPECT_EQ(FreeImage_GetHeight(png.get()), 32u);
    EXPECT_EQ(FreeImage_GetBPP(png.get()), 8u);
    EXPECT_FALSE(FreeImage_IsTransparent(png.get()));
    EXPECT_EQ(colourAt(png.get(), 3, 3), c.cornerColour);
    EXPECT_EQ(colourAt(png.get(), 15, 15), c.cornerColour);
    EXPECT_EQ(colourAt(png.get(), 16, 15), c.mainColour);
    EXPECT_EQ(colourAt(png.get(), 31, 31), c.mainColour);
    if (!jpegTakes(c)) return;

    ExportRun jpegRun;
    writeJpeg(jpegRun.ctx, jpegRun.bmpName("Tbmp1000-8"), c.pixelSize, memoryBmp(imageFor(c)));
    ASSERT_EQ(jpegRun.ctx.errors.code, 0) << jpegRun.ctx.errors.procedure;
    EXPECT_EQ(listFiles(jpegRun.dir.path()), std::vector<std::string>{"Tbmp1000-8.jpg"});
    auto jpg = openImage(jpegRun.dir / "Tbmp1000-8.jpg", FIF_JPEG);
    ASSERT_TRUE(jpg);
    EXPECT_EQ(FreeImage_GetWidth(jpg.get()), 32u);
    EXPECT_TRUE(near(colourAt(jpg.get(), 4, 4), c.cornerColour, 12)) << colourAt(jpg.get(), 4, 4);
    EXPECT_TRUE(near(colourAt(jpg.get(), 24, 24), c.mainColour, 12)) << colourAt(jpg.get(), 24, 24);
}

INSTANTIATE_TEST_SUITE_P(Export, EachDepth, testing::ValuesIn(depthCases),
                         [](const auto& p) { return std::string{p.param.name}; });

TEST(SixteenBitJpeg, RefusedSaveIsRecordedAndLeavesTheOldFileAlone) {
    ExportRun run;
    writeBytes(run.dir / "Tbmp1000-16.jpg", {1, 2, 3});
    writeJpeg(run.ctx, run.bmpName("Tbmp1000-16"), 16, memoryBmp(imageFor(depthCases[5])));
    EXPECT_EQ(run.ctx.errors.code, 5);
    EXPECT_EQ(run.ctx.errors.procedure, "Write JPEG");
    EXPECT_EQ(readBytes(run.dir / "Tbmp1000-16.jpg"), (Bytes{1, 2, 3}));
    EXPECT_EQ(run.ctx.tally.imagesWritten, 0u);
}

struct TransparencyCase {
    const char* name;
    DepthCase image;
    std::int32_t kind, index, red, green, blue;
    Rgb expected;
};
const TransparencyCase transparencyCases[] = {
    {"Bits8White", {"", 8, false, 125, 0, {}, {}}, 1, 0, 0, 0, 0, {255, 255, 255}},
    {"Bits8Teal", {"", 8, false, 0, 229, {}, {}}, 1, 229, 0, 0, 0, {0, 128, 128}},
    {"Bits4Grey", {"", 4, false, 15, 5, {}, {}}, 1, 5, 0, 0, 0, {170, 170, 170}},
    {"Bits2Black", {"", 2, false, 0, 3, {}, {}}, 1, 3, 0, 0, 0, {0, 0, 0}},
    {"Bits1White", {"", 1, false, 1, 0, {}, {}}, 1, 0, 0, 0, 0, {255, 255, 255}},
    {"Bits16Colour", {"", 16, false, 0x001F, 0xF800, {}, {}}, 2, 0, 255, 0, 0, {255, 0, 0}},
    {"Bits16As24Colour", {"", 16, true, 0x0000FF, 0x00FF00, {}, {}}, 2, 0, 0, 255, 0, {0, 255, 0}},
};

class Transparency : public testing::TestWithParam<TransparencyCase> {};

TEST_P(Transparency, CornerPixelsBecomeTheTransparentEntry) {
    const auto& c = GetParam();
    ExportRun run;
    exportPng(run, "t", imageFor(c.image), c.kind, c.index, c.red, c.green, c.blue);
    ASSERT_EQ(run.ctx.errors.code, 0);
    auto png = openImage(run.dir / "t.png", FIF_PNG);
    ASSERT_TRUE(png);
    const int index = FreeImage_GetTransparentIndex(png.get());
    ASSERT_GE(index, 0);
    const RGBQUAD entry = FreeImage_GetPalette(png.get())[index];
    EXPECT_EQ((Rgb{entry.rgbRed, entry.rgbGreen, entry.rgbBlue}), c.expected);
    BYTE corner = 0, main = 0;
    FreeImage_GetPixelIndex(png.get(), 0, 31, &corner);
    FreeImage_GetPixelIndex(png.get(), 31, 0, &main);
    EXPECT_EQ(corner, index);
    EXPECT_NE(main, index);
    EXPECT_EQ(FreeImage_GetTransparencyTable(png.get())[main], 255);
}

INSTANTIATE_TEST_SUITE_P(Export, Transparency, testing::ValuesIn(transparencyCases),
                         [](const auto& p) { return std::string{p.param.name}; });

TEST(TransparencyRules, NoneForVersion0OrWithoutAKind) {
    ExportRun run;
    exportPng(run, "v0", imageFor(depthCases[0]), 1, 0);
    exportPng(run, "none", imageFor(depthCases[4]), 0, 125);
    ASSERT_EQ(run.ctx.errors.code, 0);
    EXPECT_FALSE(FreeImage_IsTransparent(openImage(run.dir / "v0.png", FIF_PNG).get()));
    EXPECT_FALSE(FreeImage_IsTransparent(openImage(run.dir / "none.png", FIF_PNG).get()));
}

TEST(TransparencyRules, IndexOutsideTheDepthsPaletteRecords9AndWritesNothing) {
    const std::pair<std::int32_t, std::int32_t> badIndex[] = {{1, 2}, {2, 4}, {4, 20}, {8, 256}, {8, -1}};
    for (auto [depth, index] : badIndex) {
        ExportRun run;
        writeBytes(run.dir / "x.png", {9});
        exportPng(run, "x", BmpImage::filled(8, 8, depth, 0, 1), 1, index);
        EXPECT_EQ(run.ctx.errors.code, 9) << depth << " " << index;
        EXPECT_EQ(run.ctx.errors.procedure, "Write PNG");
        EXPECT_EQ(readBytes(run.dir / "x.png"), Bytes{9});
        EXPECT_EQ(run.ctx.tally.imagesWritten, 0u);
    }
}

TEST(NearestPaletteIndex, LowestIndexAmongTheNearest) {
    std::array<Rgb, 256> palette;
    palette.fill({255, 0, 255});
    palette[40] = {100, 100, 100};
    palette[10] = {100, 100, 102};
    palette[20] = {100, 100, 98};
    EXPECT_EQ(NearestPaletteIndex(100, 100, 100, palette), 40);
    EXPECT_EQ(NearestPaletteIndex(100, 100, 99, palette), 20);    // 20 at distance 1, 40 at 1: 20 is lower
    EXPECT_EQ(NearestPaletteIndex(100, 100, 101, palette), 10);   // 10 and 40 at distance 1
    EXPECT_EQ(NearestPaletteIndex(255, 0, 255, palette), 0);
}

struct ResizeCase {
    std::int32_t mode, width, height, targetWidth, targetHeight;
    unsigned expectedWidth, expectedHeight;
};

class Resize : public testing::TestWithParam<std::tuple<bool, ResizeCase>> {};

std::string resizeName(const testing::TestParamInfo<std::tuple<bool, ResizeCase>>& info) {
    const auto& c = std::get<1>(info.param);
    return std::string{std::get<0>(info.param) ? "Jpeg" : "Png"} + "Mode" + std::to_string(c.mode) + "From" +
           std::to_string(c.width) + "x" + std::to_string(c.height);
}

TEST_P(Resize, GivesTheExactTargetWhenItApplies) {
    const auto [jpeg, c] = GetParam();
    ExportRun run;
    run.ctx.settings.resizeMode = c.mode;
    run.ctx.settings.resizeWidth = c.targetWidth;
    run.ctx.settings.resizeHeight = c.targetHeight;
    auto img = BmpImage::filled(c.width, c.height, 8, 125, 0);
    if (jpeg)
        writeJpeg(run.ctx, run.bmpName("r"), 8, memoryBmp(img));
    else
        exportPng(run, "r", img, 1, 0);
    ASSERT_EQ(run.ctx.errors.code, 0);
    auto out = openImage(run.dir / (jpeg ? "r.jpg" : "r.png"), jpeg ? FIF_JPEG : FIF_PNG);
    ASSERT_TRUE(out);
    EXPECT_EQ(FreeImage_GetWidth(out.get()), c.expectedWidth);
    EXPECT_EQ(FreeImage_GetHeight(out.get()), c.expectedHeight);
    EXPECT_TRUE(near(colourAt(out.get(), c.expectedWidth - 1, c.expectedHeight - 1), {255, 0, 0}, 12));
}

INSTANTIATE_TEST_SUITE_P(
    Export, Resize,
    testing::Combine(testing::Bool(),
                     testing::Values(ResizeCase{1, 32, 32, 22, 22, 22, 22}, ResizeCase{1, 15, 15, 22, 22, 15, 15},
                                     ResizeCase{1, 20, 30, 22, 22, 22, 22}, ResizeCase{2, 15, 15, 22, 22, 22, 22},
                                     ResizeCase{2, 30, 20, 22, 22, 22, 22}, ResizeCase{0, 30, 20, 22, 22, 30, 20})),
    resizeName);

TEST(ResizeLimits, TargetsThatCannotBeMadeAreRecordedNotWritten) {
    struct Case {
        std::int32_t mode, width, height, error;
    };
    for (auto c : {Case{2, 0, 22, 5}, Case{1, 22, -3, 5}, Case{2, 99999, 99999, 7}}) {
        ExportRun run;
        run.ctx.settings.resizeMode = c.mode;
        run.ctx.settings.resizeWidth = c.width;
        run.ctx.settings.resizeHeight = c.height;
        exportPng(run, "r", BmpImage::filled(30, 30, 8, 0, 1));
        EXPECT_EQ(run.ctx.errors.code, c.error) << c.width << "x" << c.height;
        EXPECT_TRUE(listFiles(run.dir.path()).empty());
    }
}

TEST(ExistingOutput, PlainFileReplacedProtectedOnesKept) {
    ExportRun run;
    writeBytes(run.dir / "plain.png", {1, 2, 3});
    exportPng(run, "plain", imageFor(depthCases[4]));
    EXPECT_EQ(run.ctx.errors.code, 0);
    EXPECT_TRUE(openImage(run.dir / "plain.png", FIF_PNG));

    writeBytes(run.dir / "locked.jpg", {1});
    std::filesystem::permissions(run.dir / "locked.jpg", std::filesystem::perms::owner_read);
    writeJpeg(run.ctx, run.bmpName("locked"), 8, memoryBmp(imageFor(depthCases[4])));
    EXPECT_EQ(run.ctx.errors.code, 75);
    EXPECT_EQ(run.ctx.errors.procedure, "Write JPEG");
    EXPECT_EQ(readBytes(run.dir / "locked.jpg"), Bytes{1});

    // A link in the output folder is neither followed nor removed.
    TempDir elsewhere;
    writeBytes(elsewhere / "target", {7});
    std::filesystem::create_symlink(elsewhere / "target", run.dir / "link.png");
    run.ctx.errors.code = 0;
    exportPng(run, "link", imageFor(depthCases[4]));
    EXPECT_EQ(run.ctx.errors.code, 75);
    EXPECT_TRUE(std::filesystem::is_symlink(run.dir / "link.png"));
    EXPECT_EQ(readBytes(elsewhere / "target"), Bytes{7});
    EXPECT_EQ(run.ctx.tally.imagesWritten, 1u);
}

TEST(MalformedInput, MemoryBmpsOtherThanOursNeverReachFreeImage) {
    auto good = memoryBmp(imageFor(depthCases[4]));
    const Bytes truncated(good.begin(), good.end() - 1);
    auto lyingSize = good;
    lyingSize[22] = 0xFF;   // height far beyond the pixel data
    for (const auto& bytes : {Bytes{}, truncated, lyingSize}) {
        ExportRun run;
        writePng(run.ctx, run.bmpName("m"), 8, bytes, 0, 0, 0, 0, 0);
        EXPECT_EQ(run.ctx.errors.code, 51);
        EXPECT_TRUE(listFiles(run.dir.path()).empty());
    }
    ExportRun run;
    writeJpeg(run.ctx, run.bmpName("m"), 4, good);   // an 8-bit BMP for a 4-bit bitmap
    EXPECT_EQ(run.ctx.errors.code, 51);
    EXPECT_TRUE(listFiles(run.dir.path()).empty());
}

TEST(MalformedInput, ImageTooLargeToConvertIsRefusedAs7) {
    constexpr std::uint32_t side = 8193, stride = (side + 31) / 32 * 4;   // 1-bit rows
    auto big = memoryBmp(BmpImage::filled(1, 1, 1, 0, 0));
    big.resize(62 + std::size_t{stride} * side);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) big[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put32(2, static_cast<std::uint32_t>(big.size()));
    put32(18, side);
    put32(22, side);
    put32(34, stride * side);
    ExportRun run;
    writePng(run.ctx, run.bmpName("big"), 1, big, 0, 0, 0, 0, 0);
    EXPECT_EQ(run.ctx.errors.code, 7);
    EXPECT_TRUE(listFiles(run.dir.path()).empty());
}

// Fails every write as a full disk would.
class FullDisk final : public FileSystem {
public:
    std::optional<std::uint32_t> attributes(const std::string& p) const override { return disk.attributes(p); }
    ErrorNumber readFile(const std::string& p, Bytes& out, std::size_t max) const override {
        return disk.readFile(p, out, max);
    }
    ErrorNumber writeFile(const std::string&, std::span<const std::uint8_t>) override { return ErrorNumber::DiskFull; }
    ErrorNumber writeFileAtomic(const std::string&, std::span<const std::uint8_t>) override {
        return ErrorNumber::DiskFull;
    }
    ErrorNumber removeFile(const std::string& p) override { return disk.removeFile(p); }
    ErrorNumber createFolder(const std::string& p) override { return disk.createFolder(p); }
    ErrorNumber renameFile(const std::string& a, const std::string& b) override { return disk.renameFile(a, b); }
    ErrorNumber listFolder(const std::string& p, std::vector<std::string>& n) const override {
        return disk.listFolder(p, n);
    }

private:
    PosixFileSystem disk;
};

TEST(WriteFailure, RecordedUnderTheExportsName) {
    ExportRun run;
    FullDisk disk;
    Services services{disk, run.ui, run.progress};
    ExtractionContext ctx{services};
    writePng(ctx, run.bmpName("d"), 8, memoryBmp(imageFor(depthCases[4])), 0, 0, 0, 0, 0);
    EXPECT_EQ(ctx.errors.code, 61);
    EXPECT_EQ(ctx.errors.procedure, "Write PNG");
    EXPECT_EQ(ctx.tally.imagesWritten, 0u);
}

TEST(Concurrency, ContextsOnSeveralThreadsWriteWhatOneThreadWould) {
    constexpr int threads = 4, perThread = 12;
    std::vector<Bytes> inputs;
    for (int i = 0; i < perThread; ++i) inputs.push_back(memoryBmp(imageFor(depthCases[i % 5], 16 + i)));
    std::vector<Bytes> expectedPng(perThread), expectedJpeg(perThread);
    for (int i = 0; i < perThread; ++i) {
        const auto depth = depthCases[i % 5].pixelSize;
        ASSERT_EQ(encodePng(depth, inputs[i], {1, 0, 0, 0, 0}, {}, expectedPng[i]), ErrorNumber::None);
        ASSERT_EQ(encodeJpeg(depth, inputs[i], {}, expectedJpeg[i]), ErrorNumber::None);
    }
    std::vector<std::unique_ptr<ExportRun>> runs;
    for (int t = 0; t < threads; ++t) runs.push_back(std::make_unique<ExportRun>());
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([&, t] {
            auto& run = *runs[t];
            for (int i = 0; i < perThread; ++i) {
                const auto depth = depthCases[i % 5].pixelSize;
                writePng(run.ctx, run.bmpName(std::to_string(i)), depth, inputs[i], 1, 0, 0, 0, 0);
                writeJpeg(run.ctx, run.bmpName(std::to_string(i)), depth, inputs[i]);
            }
        });
    for (auto& w : workers) w.join();
    for (auto& run : runs) {
        EXPECT_EQ(run->ctx.errors.code, 0);
        EXPECT_EQ(run->ctx.tally.imagesWritten, 2u * perThread);
        for (int i = 0; i < perThread; ++i) {
            EXPECT_EQ(readBytes(run->dir / (std::to_string(i) + ".png")), expectedPng[i]);
            EXPECT_EQ(readBytes(run->dir / (std::to_string(i) + ".jpg")), expectedJpeg[i]);
        }
    }
}

// A bitmap with its own colour table: the transparent index means the table's colour, so the
// PNG marks the palette entry nearest that colour, not the system palette's entry.
TEST(PngTransparency, OwnColourTableDecidesTheTransparentColour) {
    auto bitmap = BitmapBuilder{}
                      .version(2)
                      .depth(8)
                      .size(2, 1)
                      .values({1, 2})
                      .colourTable({{0, 0, 0}, {10, 200, 30}, {250, 250, 250}})
                      .transparentIndex(1)
                      .build();
    TestRun run{PrcBuilder{}.resource("Tbmp", 1000, bitmap).build(), 0x0080};
    run.request.imageFormat = 2;
    ASSERT_EQ(run.extract(), 0);
    auto png = openImage(run.out / "Tbmp1000-8.png", FIF_PNG);
    ASSERT_TRUE(png);
    ASSERT_TRUE(FreeImage_IsTransparent(png.get()));
    const int index = FreeImage_GetTransparentIndex(png.get());
    ASSERT_GE(index, 0);
    const RGBQUAD entry = FreeImage_GetPalette(png.get())[index];
    EXPECT_EQ(entry.rgbRed, 10);
    EXPECT_EQ(entry.rgbGreen, 200);
    EXPECT_EQ(entry.rgbBlue, 30);
    EXPECT_EQ(colourAt(png.get(), 0, 0).green, 200);   // the pixel itself has the table's colour
}

}   // namespace
}   // namespace test
}   // namespace tesk

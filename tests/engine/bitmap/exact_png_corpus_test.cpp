// Every bitmap of the real databases and of the project's sample, written as BMP and as exact PNG
// and read back by two different decoders: the same size, the same colour at every pixel, the
// same palette index for indexed bitmaps, and exactly the pixels whose index or colour the bitmap
// declares transparent are transparent in the PNG.
#include <gtest/gtest.h>

#include <filesystem>

#include "driver/palm_database.hpp"
#include "engine/bitmap/bitmap_test_util.hpp"
#include "engine/bitmap/png_reader.hpp"
#include "support/test_run.hpp"
#include "tesk/tesk.h"

namespace tesk::test {
namespace {

namespace fs = std::filesystem;

// The palette index of every pixel of an indexed BMP, top row first.
std::vector<std::uint32_t> bmpIndices(const Bytes& f) {
    const auto le32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(f[at] | f[at + 1] << 8 | f[at + 2] << 16 | f[at + 3] << 24);
    };
    const std::uint32_t offset = le32(10), width = le32(18), height = le32(22);
    const unsigned bpp = f[28];
    const std::size_t stride = (std::size_t{width} * bpp + 31) / 32 * 4;
    std::vector<std::uint32_t> out;
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint8_t* r = f.data() + offset + (height - 1 - y) * stride;
        for (std::uint32_t x = 0; x < width; ++x)
            out.push_back(bpp == 8   ? r[x]
                          : bpp == 4 ? (r[x / 2] >> (x % 2 ? 0 : 4)) & 15
                                     : (r[x / 8] >> (7 - x % 8)) & 1);
    }
    return out;
}

struct Totals {
    std::size_t images = 0, transparentImages = 0, transparentPixels = 0;
};

// One bitmap resource three ways: BMP (16-bit as 24-bit, as the command writes it), exact PNG with
// and without the 24-bit form of 16-bit data, which must give the same file.
void compareResource(const Bytes& resource, const std::string& name, const std::string& kind, const std::string& label,
                     Totals& totals) {
    ResourceRun bmp{EXTR_NO_PROGRESS | EXTR_NO_TEXT | EXTR_16_TO_24};
    bmp.parse(resource, name, kind);
    ResourceRun png{EXTR_NO_PROGRESS | EXTR_NO_TEXT | EXTR_16_TO_24};
    png.ctx.settings.imageFormat = 3;
    png.ctx.recordImages = true;
    png.parse(resource, name, kind);
    ResourceRun png16{EXTR_NO_PROGRESS | EXTR_NO_TEXT};
    png16.ctx.settings.imageFormat = 3;
    png16.parse(resource, name, kind);
    EXPECT_EQ(png.ctx.errors.code, bmp.ctx.errors.code) << label;
    ASSERT_EQ(png.files.writeOrder.size(), bmp.files.writeOrder.size()) << label;
    ASSERT_EQ(png.ctx.tally.imageRecords.size(), png.files.writeOrder.size()) << label;
    for (std::size_t k = 0; k < bmp.files.writeOrder.size(); ++k) {
        const auto& bmpPath = bmp.files.writeOrder[k];
        const auto& pngPath = png.files.writeOrder[k];
        const auto where = label + " " + pngPath;
        ASSERT_EQ(pngPath, bmpPath.substr(0, bmpPath.size() - 3) + "png") << label;
        EXPECT_EQ(png.files.files[pngPath], png16.files.files[pngPath]) << where << ": 16-bit and 24-bit forms differ";
        const Bytes& bmpFile = bmp.files.files[bmpPath];
        const auto ours = readBmp(bmpFile);
        const auto decoded = readPng(png.files.files[pngPath]);
        ASSERT_TRUE(ours) << where;
        ASSERT_TRUE(decoded) << where << ": libpng refuses it";
        ASSERT_EQ(decoded->width, static_cast<std::uint32_t>(ours->width)) << where;
        ASSERT_EQ(decoded->height, static_cast<std::uint32_t>(ours->height)) << where;
        const auto& record = png.ctx.tally.imageRecords[k];
        const bool indexed = bmpFile[28] != 24;
        EXPECT_EQ(decoded->colourType, indexed ? 3 : 2) << where;
        const auto indices = indexed ? bmpIndices(bmpFile) : std::vector<std::uint32_t>{};
        const Colour declared{static_cast<std::uint8_t>(record.transparentRed),
                              static_cast<std::uint8_t>(record.transparentGreen),
                              static_cast<std::uint8_t>(record.transparentBlue)};
        std::size_t wrong = 0, transparent = 0;
        for (std::uint32_t y = 0; y < decoded->height; ++y)
            for (std::uint32_t x = 0; x < decoded->width; ++x) {
                const std::size_t i = std::size_t{y} * decoded->width + x;
                const Colour c = ours->pixels[i];
                bool shouldBeTransparent = false;
                if (record.transparencyKind == 1 && indexed)
                    shouldBeTransparent = indices[i] == static_cast<std::uint32_t>(record.transparentIndex);
                if (record.transparencyKind == 2 && !indexed) shouldBeTransparent = c == declared;
                if (indexed && decoded->sample(x, y) != indices[i]) ++wrong;
                if (!(decoded->colourAt(x, y) == c)) ++wrong;
                if ((decoded->alphaAt(x, y) == 0) != shouldBeTransparent) ++wrong;
                transparent += shouldBeTransparent;
            }
        EXPECT_EQ(wrong, 0u) << where << ": pixels that differ from the BMP";
        ++totals.images;
        totals.transparentImages += record.transparencyKind != 0;
        totals.transparentPixels += transparent;
    }
}

void compareDatabase(const fs::path& path, Totals& totals) {
    PalmDatabase db;
    db.loadBytes(readBytes(path));
    if (!db.IsSupported()) return;
    for (std::size_t i = 0; i < db.entries().size(); ++i) {
        const auto type = db.entries()[i].typeText();
        if (type != "Tbmp" && type != "tAIB" && type != "abmp") continue;
        const auto view = db.ResourceView(i);
        const std::string name = type + std::to_string(db.entries()[i].id);
        compareResource(Bytes(view.begin(), view.end()), name,
                        type == "Tbmp"   ? "tbmp"
                        : type == "tAIB" ? "taib"
                                         : "abmp",
                        path.filename().string() + " " + name, totals);
    }
}

TEST(ExactPngCorpus, EveryBitmapIsItsBmpPixelForPixelWithExactlyTheDeclaredTransparency) {
    Totals totals;
    compareDatabase(TESK_SAMPLE_PRC, totals);
    EXPECT_GT(totals.transparentPixels, 0u);   // the sample has transparent bitmaps of every kind
    const auto dir = corpusDir();
    if (dir.empty()) GTEST_SKIP() << "corpus not present; the sample alone was compared";
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().extension() != ".md" && e.path().extension() != ".tsv") files.push_back(e.path());
    std::sort(files.begin(), files.end());
    for (const auto& f : files) compareDatabase(f, totals);
    std::cout << "exact PNG: " << totals.images << " images compared, " << totals.transparentImages
              << " with transparency, " << totals.transparentPixels << " transparent pixels\n";
    EXPECT_GT(totals.images, 1000u);
}

}   // namespace
}   // namespace tesk::test

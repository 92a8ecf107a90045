// Bitmap families in files of their own: recognised by content, extracted exactly as the same
// family is from a database, named after the file; the library itself still refuses them.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "cli/command.hpp"
#include "cli/standalone_bitmap.hpp"
#include "support/bitmap_builder.hpp"

namespace tesk {
namespace {

namespace fs = std::filesystem;
using test::BitmapBuilder;
using test::Bytes;
using test::Compression;
using test::FamilyBuilder;

// Greys and colours every Palm palette holds (the 8-bit palette has the web colours).
Bytes pnm(char kind, int width, int height, std::function<std::uint8_t(int x, int y, int channel)> value) {
    const int channels = kind == '6' ? 3 : 1;
    auto head = fmt::format("P{}\n{} {}\n255\n", kind, width, height);
    Bytes b(head.begin(), head.end());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c) b.push_back(value(x, y, c));
    return b;
}

Bytes pnmtopalm(const test::TempDir& dir, const Bytes& image, std::vector<std::string> options) {
    test::writeBytes(dir / "image.pnm", image);
    options.push_back((dir / "image.pnm").string());
    auto r = test::runProgram("/usr/bin/pnmtopalm", options);
    EXPECT_EQ(r.status, 0) << r.err;
    return Bytes(r.out.begin(), r.out.end());
}

struct Family {
    std::string name;
    std::function<Bytes(const test::TempDir&)> make;
};

std::vector<Family> families() {
    auto grey = [](int levels) {
        return pnm('5', 19, 7, [levels](int x, int y, int) {
            return static_cast<std::uint8_t>(255 / (levels - 1) * ((x + y) % levels));
        });
    };
    auto colour =
        pnm('6', 21, 9, [](int x, int y, int c) { return static_cast<std::uint8_t>(0x33 * ((x + 2 * y + c) % 6)); });
    return {
        {"netpbm 1-bit",
         [=](auto& d) {
             return pnmtopalm(d, grey(2), {"-depth", "1"});
         }},
        {"netpbm 2-bit",
         [=](auto& d) {
             return pnmtopalm(d, grey(4), {"-depth", "2"});
         }},
        {"netpbm 4-bit scan-line",
         [=](auto& d) {
             return pnmtopalm(d, grey(16), {"-depth", "4", "-scanline_compression"});
         }},
        {"netpbm 8-bit RLE",
         [=](auto& d) {
             return pnmtopalm(d, colour, {"-depth", "8", "-rle_compression"});
         }},
        {"netpbm 8-bit PackBits 144",
         [=](auto& d) {
             return pnmtopalm(d, colour, {"-depth", "8", "-packbits_compression", "-density", "144"});
         }},
        {"netpbm 8-bit transparent 108",
         [=](auto& d) {
             return pnmtopalm(d, colour, {"-depth", "8", "-transparent", "rgb:33/66/99", "-density", "108"});
         }},
        {"netpbm colour table",
         [=](auto& d) {
             return pnmtopalm(
                 d,
                 pnm('6', 2, 1,
                     [](int x, int, int c) { return static_cast<std::uint8_t>(x ? 0xCC - 0x66 * c : 0x33 * (c + 1)); }),
                 {"-colormap"});
         }},
        {"netpbm 16-bit transparent",
         [=](auto& d) {
             return pnmtopalm(d, colour, {"-depth", "16", "-transparent", "rgb:33/66/99"});
         }},
        {"own encoder, three densities",
         [](auto&) {
             return FamilyBuilder{}
                 .add(BitmapBuilder{}.size(8, 2).depth(1).version(1).values(
                     {1, 0, 1, 0, 0, 1, 0, 1, 0, 0, 1, 1, 0, 0, 1, 1}))
                 .add(BitmapBuilder{}
                          .size(4, 2)
                          .depth(8)
                          .version(2)
                          .compress(Compression::Rle)
                          .transparentIndex(3)
                          .values({1, 2, 3, 4, 5, 6, 7, 8}))
                 .dummy()
                 .add(BitmapBuilder{}
                          .size(8, 4)
                          .depth(16)
                          .version(3)
                          .density(144)
                          .compress(Compression::PackBits)
                          .transparent565(0xF800)
                          .values(std::vector<std::uint16_t>(32, 0x07E0)))
                 .build();
         }},
    };
}

// The family as a file named Tbmp0000.palm gives exactly what resource Tbmp 0 of a database
// gives: the same image files, byte for byte, and the same index.
TEST(BitmapFiles, ExtractExactlyAsTheSameFamilyInADatabase) {
    for (const auto& f : families()) {
        SCOPED_TRACE(f.name);
        test::TempDir dir;
        const auto family = f.make(dir);
        ASSERT_TRUE(cli::isStandaloneBitmap(family));
        test::writeBytes(dir / "Tbmp0000.palm", family);
        test::writeBytes(dir / "db.prc", test::PrcBuilder{}.resource("Tbmp", 0, family).build());
        for (const char* out : {"file", "database"}) fs::create_directory(dir / out);
        const test::Setting here{{}, dir.path()};
        auto file =
            test::runTesk({"extract", "Tbmp0000.palm", "-o", "file", "--sort", "--index", "file/index.txt"}, here);
        auto db =
            test::runTesk({"extract", "db.prc", "-o", "database", "--sort", "--index", "database/index.txt"}, here);
        ASSERT_EQ(file.status, 0) << file.err;
        ASSERT_EQ(db.status, 0) << db.err;
        const auto images = test::listFiles(dir / "database");
        EXPECT_EQ(test::listFiles(dir / "file"), images);
        EXPECT_GE(images.size(), 2u);
        for (const auto& image : images) {
            if (image == "index.txt") continue;
            EXPECT_EQ(test::readBytes(dir / "file" / image), test::readBytes(dir / "database" / image)) << image;
        }
        auto index = test::readText(dir / "file" / "index.txt");
        for (std::size_t p; (p = index.find("file/")) != std::string::npos;) index.replace(p, 5, "database/");
        EXPECT_EQ(index, test::readText(dir / "database" / "index.txt"));
    }
}

// The images are named after the file, whose name may hold what a name table or a file name
// would not take; a script names the same files.
TEST(BitmapFiles, ImagesAreNamedAfterTheFile) {
    const auto family = BitmapBuilder{}.size(8, 1).depth(8).version(2).values({1, 2, 3, 4, 5, 6, 7, 8}).build();
    const std::vector<std::pair<std::string, std::string>> cases{{"icon.palm", "icon-8.bmp"},
                                                                 {"Star.PALM", "Star-8.bmp"},
                                                                 {"two.dots.bin", "two.dots-8.bmp"},
                                                                 {"a:b=c.palm", "a%3Ab%3Dc-8.bmp"},
                                                                 {" spaced .palm", "%20spaced%20-8.bmp"},
                                                                 {"50%.palm", "50%25-8.bmp"},
                                                                 {"tab\t.palm", "tab%09-8.bmp"}};
    for (const auto& [file, image] : cases) {
        SCOPED_TRACE(file);
        test::TempDir dir;
        test::writeBytes(dir / file, family);
        fs::create_directory(dir / "out");
        auto r = test::runTesk({"extract", (dir / file).string(), "-o", (dir / "out").string(), "--script",
                                (dir / "out" / "s.rcp").string()});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(fs::exists(dir / "out" / image)) << testing::PrintToString(test::listFiles(dir / "out"));
        EXPECT_NE(test::readText(dir / "out" / "s.rcp").find("BITMAP \"" + image + "\" BPP 8"), std::string::npos);
    }
    EXPECT_EQ(cli::standaloneName(std::string(300, 'x')).size(), 200u);
    EXPECT_EQ(cli::standaloneName(std::string(199, 'x') + ":").size(), 199u);   // never half an escape
    EXPECT_EQ(cli::standaloneName(std::string(199, 'x') + " y"),
              std::string(199, 'x'));   // nor a space the table trims
}

// Content decides, not the name: a database named .palm is a database, a family named .prc is a
// bitmap file. In a folder .palm files are taken when they hold a family and passed over when not.
TEST(BitmapFiles, RecognisedByContent) {
    test::TempDir dir;
    const auto family = BitmapBuilder{}.size(8, 1).depth(1).version(1).values({1, 0, 1, 0, 0, 1, 0, 1}).build();
    fs::create_directories(dir / "in");
    fs::create_directory(dir / "out");
    test::writeBytes(dir / "in" / "family.prc", family);
    test::writeBytes(dir / "in" / "shouting.PALM", family);
    test::writeBytes(dir / "in" / "database.palm",
                     test::PrcBuilder{}.resource("Tbmp", 7, family).build());   // not a family
    test::writeBytes(dir / "in" / "notes.palm", test::text("not a bitmap at all, only some words"));
    test::writeBytes(dir / "in" / "empty.palm", {});
    auto r = test::runTesk({"extract", (dir / "in").string(), "-o", (dir / "out").string(), "--summary", "-"});
    EXPECT_EQ(r.status, 0) << r.err;
    const auto summary = nlohmann::json::parse(r.out);
    std::map<std::string, std::string> kinds;
    for (const auto& d : summary["databases"])
        kinds[fs::path(d["path"].get<std::string>()).filename().string()] = d["kind"];
    EXPECT_EQ(kinds, (std::map<std::string, std::string>{{"family.prc", "bitmap"}, {"shouting.PALM", "bitmap"}}));
    EXPECT_EQ(test::listFiles(dir / "out"),
              (std::vector<std::string>{"family/family-1.bmp", "shouting/shouting-1.bmp"}));

    // Named on the command line, a database is a database whatever its name.
    r = test::runTesk({"extract", (dir / "in" / "database.palm").string(), "-o", (dir / "out").string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(dir / "out" / "Tbmp0007-1.bmp"));

    // A database is never taken for a bitmap, however its bytes fall; nor is a family cut short.
    for (const auto& name : {"Clock", "A", "", "ab\x01"})
        EXPECT_FALSE(cli::isStandaloneBitmap(test::PrcBuilder{}.name(name).resource("Tbmp", 1, family).build()))
            << name;
    EXPECT_FALSE(cli::isStandaloneBitmap(Bytes(family.begin(), family.begin() + 17)));
    EXPECT_FALSE(cli::isStandaloneBitmap(FamilyBuilder{}
                                             .add(BitmapBuilder{}.size(8, 1).depth(8).version(3))
                                             .add(BitmapBuilder{}.size(8, 1).depth(8).version(3))
                                             .loop()
                                             .build()));
}

// The library's entry keeps its refusal: the icon tool is not changed by what the command reads.
TEST(BitmapFiles, TheLibraryStillRefusesThem) {
    test::TestRun run{BitmapBuilder{}.size(8, 1).depth(8).version(2).values({1, 2, 3, 4, 5, 6, 7, 8}).build()};
    EXPECT_EQ(run.extract(), 0);
    EXPECT_TRUE(run.ctx.errors.refused);
    ASSERT_EQ(run.ui.boxes.size(), 1u);
    EXPECT_EQ(run.ui.boxes[0].text, "Error. The selected file is not a supported type.");
    EXPECT_TRUE(run.outputs().empty());
}

}   // namespace
}   // namespace tesk

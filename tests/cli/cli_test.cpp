// The tesk command: how its options map onto the library's arguments, and what a user sees
// (exit status, messages on stderr) when running it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>

#include "cli/commands.hpp"
#include "support/bitmap_builder.hpp"
#include "support/test_run.hpp"
#include "tesk/tesk.h"

namespace tesk {
namespace {

namespace fs = std::filesystem;
using cli::ExtractArguments;
using cli::ExtractOptions;

ExtractArguments map(const ExtractOptions& o) {
    ExtractArguments a;
    std::string error;
    EXPECT_TRUE(cli::toArguments(o, a, error)) << error;
    return a;
}

TEST(Arguments, OptionsBecomeTheLibrarysBits) {
    ExtractOptions o;
    EXPECT_EQ(map(o).options, EXTR_NO_PROGRESS);
    o.scriptFile = "app.rcp";
    o.skip = {"tbmp", "DATA"};
    o.only = "Tbmp1000";
    o.nameTables = "names";
    o.nameFolders = true;
    auto a = map(o);
    EXPECT_EQ(a.options, EXTR_NO_PROGRESS | EXTR_SCRIPT | EXTR_SKIP_TBMP | EXTR_SKIP_DATA | EXTR_SINGLE | EXTR_NAME_TABLE |
                             EXTR_NAME_FOLDERS);
    EXPECT_EQ(a.textOutputPath, "app.rcp");
    ExtractOptions none;
    none.noText = true;
    EXPECT_EQ(map(none).options, EXTR_NO_PROGRESS | EXTR_NO_TEXT);
}

TEST(Arguments, RawOptionsWinOverFlags) {
    ExtractOptions o;
    o.rawOptions = "0x4108";
    o.sort = true;
    EXPECT_EQ(map(o).options, 0x4108u);
    o.rawOptions = "16648";
    EXPECT_EQ(map(o).options, 0x4108u);
    ExtractArguments a;
    std::string error;
    o.rawOptions = "0x41zz";
    EXPECT_FALSE(cli::toArguments(o, a, error));
    EXPECT_NE(error.find("--raw-options"), std::string::npos);
}

TEST(Arguments, FormatsAndResizeModes) {
    ExtractOptions o;
    // JPEG and both PNG forms take 16-bit bitmaps as 24-bit colour; an explicit word stays as given.
    const struct { const char* format; std::int32_t code; std::uint32_t options; } formats[] = {
        {"bmp", 0, EXTR_NO_PROGRESS},
        {"jpeg", 1, EXTR_NO_PROGRESS | EXTR_16_TO_24},
        {"PNG", 3, EXTR_NO_PROGRESS | EXTR_16_TO_24},
        {"png-palette", 2, EXTR_NO_PROGRESS | EXTR_16_TO_24},
    };
    for (const auto& f : formats) {
        o.format = f.format;
        EXPECT_EQ(map(o).imageFormat, f.code) << f.format;
        EXPECT_EQ(map(o).options, f.options) << f.format;
    }
    o.rawOptions = "0x0108";
    EXPECT_EQ(map(o).options, 0x0108u);
    o.rawOptions.clear();
    o.format = "jpeg";
    o.resize = "22x22";
    auto a = map(o);
    EXPECT_EQ(a.resizeMode, 1);
    EXPECT_EQ(a.resizeWidth, 22);
    EXPECT_EQ(a.resizeHeight, 22);
    o.resize = "30x20,up";
    EXPECT_EQ(map(o).resizeMode, 2);
    for (auto bad : {"22", "0x5", "ax5", "5x5,down", "-1x5"}) {
        o.resize = bad;
        ExtractArguments b;
        std::string error;
        EXPECT_FALSE(cli::toArguments(o, b, error)) << bad;
    }
}

struct Result {
    int status;
    std::string output;   // stdout and stderr together
};

Result runTesk(const std::string& args, const std::string& environment = "") {
    std::string command = environment + std::string(TESK_CLI_PATH) + " " + args + " 2>&1";
    Result r{-1, {}};
    FILE* p = ::popen(command.c_str(), "r");
    if (p == nullptr) return r;
    std::array<char, 4096> buf;
    while (auto n = std::fread(buf.data(), 1, buf.size(), p)) r.output.append(buf.data(), n);
    int raw = ::pclose(p);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

TEST(Command, ExtractWritesFilesAndIndex) {
    test::TempDir dir;
    test::writeBytes(dir / "app.prc", test::PrcBuilder{}.resource("tSTR", 1000, {'h', 'i'}).build());
    fs::create_directory(dir / "out");
    auto r = runTesk("extract " + (dir / "app.prc").string() + " -o " + (dir / "out").string() + " --index " +
                     (dir / "index.txt").string());
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(test::readText(dir / "out" / "tSTR1000.bin"), "hi");
    EXPECT_TRUE(fs::exists(dir / "index.txt"));
}

TEST(Command, FailuresGiveTheErrorNumberAndTheLibrarysMessage) {
    test::TempDir dir;
    test::writeBytes(dir / "app.prc", test::PrcBuilder{}.build());
    auto r = runTesk("extract " + (dir / "app.prc").string() + " -o " + (dir / "missing").string());
    EXPECT_EQ(r.status, 76);
    EXPECT_NE(r.output.find("Error was --> 76 - Path not found"), std::string::npos) << r.output;

    // Without --index or --script the exit status is still the run's own error, not the note that
    // no text file was written.
    test::Bytes huge{0x7F, 0xFF, 0x7F, 0xFF, 0x7F, 0xFE, 0x00, 0x00, 0x08, 0x02, 0, 0, 0, 0, 0, 0};
    test::writeBytes(dir / "huge.prc", test::PrcBuilder{}.resource("Tbmp", 1000, huge).build());
    fs::create_directory(dir / "out");
    auto bad = runTesk("extract " + (dir / "huge.prc").string() + " -o " + (dir / "out").string());
    EXPECT_EQ(bad.status, 9) << bad.output;
    EXPECT_NE(bad.output.find("Error was --> 9 - "), std::string::npos) << bad.output;

    auto usage = runTesk("extract");
    EXPECT_EQ(usage.status, 2);
    auto help = runTesk("extract --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("--format"), std::string::npos);
}

// FreeImage is loaded only for JPEG, the quantised PNG and resizing: a BMP or exact PNG run
// succeeds without it, and a request that needs it writes nothing and says why under the export's name.
TEST(Command, ImageLibraryIsNeededOnlyForJpegQuantisedPngAndResizing) {
    test::TempDir dir;
    const auto icon = test::BitmapBuilder{}.size(8, 2).depth(1).build();
    test::writeBytes(dir / "app.prc", test::PrcBuilder{}.resource("Tbmp", 1000, icon).build());
    for (const char* folder : {"bmp", "png", "palette"}) fs::create_directory(dir / folder);
    const std::string missing = "TESK_FREEIMAGE=" + (dir / "no-such-library.so").string() + " ";
    const std::string input = (dir / "app.prc").string();

    auto bmp = runTesk("extract " + input + " -o " + (dir / "bmp").string(), missing);
    EXPECT_EQ(bmp.status, 0) << bmp.output;
    EXPECT_TRUE(fs::exists(dir / "bmp" / "Tbmp1000-1.bmp")) << bmp.output;
    auto exact = runTesk("extract " + input + " -o " + (dir / "png").string() + " --format png", missing);
    EXPECT_EQ(exact.status, 0) << exact.output;
    EXPECT_TRUE(fs::exists(dir / "png" / "Tbmp1000-1.png")) << exact.output;

    for (const char* args : {" --format png-palette", " --format png --resize 4x4,up"}) {
        auto refused = runTesk("extract " + input + " -o " + (dir / "palette").string() + args, missing);
        EXPECT_EQ(refused.status, 53) << args << refused.output;
        EXPECT_NE(refused.output.find("Write PNG"), std::string::npos) << refused.output;
        EXPECT_NE(refused.output.find("53 - File not found"), std::string::npos) << refused.output;
        EXPECT_TRUE(fs::is_empty(dir / "palette"));
    }
    auto found = runTesk("extract " + input + " -o " + (dir / "palette").string() + " --format png-palette");
    EXPECT_EQ(found.status, 0) << found.output;
    EXPECT_TRUE(fs::exists(dir / "palette" / "Tbmp1000-1.png")) << found.output;
}

TEST(Command, ListPrintsHeaderAndTable) {
    test::TempDir dir;
    test::writeBytes(dir / "app.prc",
                     test::PrcBuilder{}.name("Lister").resource("tSTR", 7, {'a', 'b', 'c'}).resource("code", 1, {'x'}).build());
    auto r = runTesk("list " + (dir / "app.prc").string());
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.output.find("Name:       Lister"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("tSTR       7        100          3"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("code       1        103          1"), std::string::npos) << r.output;
}

}  // namespace
}  // namespace tesk

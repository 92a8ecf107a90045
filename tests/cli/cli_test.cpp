// The tesk command: how its options map onto the library's arguments, what the basic commands
// write, and the help and progress a person sees at a terminal.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <regex>

#include "cli/command.hpp"
#include "cli/commands.hpp"
#include "support/bitmap_builder.hpp"
#include "tesk/tesk.h"
#include "tesk/version.h"

namespace tesk {
namespace {

namespace fs = std::filesystem;
using cli::ExtractArguments;
using cli::ExtractOptions;
using test::runTesk;

ExtractArguments map(const ExtractOptions& o) {
    ExtractArguments a;
    std::string error;
    EXPECT_TRUE(cli::toArguments(o, a, error)) << error;
    return a;
}

TEST(Arguments, OptionsBecomeTheLibrarysBits) {
    ExtractOptions o;
    EXPECT_EQ(map(o).options, EXTR_NO_PROGRESS | EXTR_NO_TEXT);   // no text file asked for: none built
    o.scriptFile = "app.rcp";
    o.skip = {"tbmp", "DATA"};
    o.only = "Tbmp1000";
    o.nameTables = "names";
    o.nameFolders = true;
    auto a = map(o);
    EXPECT_EQ(a.options, EXTR_NO_PROGRESS | EXTR_SCRIPT | EXTR_SKIP_TBMP | EXTR_SKIP_DATA | EXTR_SINGLE |
                             EXTR_NAME_TABLE | EXTR_NAME_FOLDERS);
    EXPECT_EQ(a.textOutputPath, "app.rcp");
    ExtractOptions index;
    index.indexFile = "index.txt";
    EXPECT_EQ(map(index).options, EXTR_NO_PROGRESS);
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
    const struct {
        const char* format;
        std::int32_t code;
        std::uint32_t options;
    } formats[] = {
        {"bmp", 0, EXTR_NO_PROGRESS | EXTR_NO_TEXT},
        {"jpeg", 1, EXTR_NO_PROGRESS | EXTR_NO_TEXT | EXTR_16_TO_24},
        {"PNG", 3, EXTR_NO_PROGRESS | EXTR_NO_TEXT | EXTR_16_TO_24},
        {"png-palette", 2, EXTR_NO_PROGRESS | EXTR_NO_TEXT | EXTR_16_TO_24},
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
    // BMP is never resized: asking for it is a mistake, not a silent no-op.
    o.format = "bmp";
    o.resize = "32x32";
    ExtractArguments bmp;
    std::string error;
    EXPECT_FALSE(cli::toArguments(o, bmp, error));
    EXPECT_NE(error.find("--resize"), std::string::npos);
}

TEST(Command, ExtractWritesFilesAndIndex) {
    test::TempDir dir;
    test::writeBytes(dir / "app.prc", test::PrcBuilder{}.resource("tSTR", 1000, {'h', 'i'}).build());
    fs::create_directory(dir / "out");
    auto r = runTesk(
        {"extract", (dir / "app.prc").string(), "-o", (dir / "out").string(), "--index", (dir / "index.txt").string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out + r.err, "");
    EXPECT_EQ(test::readText(dir / "out" / "tSTR1000.bin"), "hi");
    EXPECT_TRUE(fs::exists(dir / "index.txt"));
}

// FreeImage is loaded only for JPEG, the quantised PNG and resizing: a BMP or exact PNG run
// succeeds without it, and a request that needs it writes nothing and says why under the export's name.
TEST(Command, ImageLibraryIsNeededOnlyForJpegQuantisedPngAndResizing) {
    test::TempDir dir;
    const auto icon = test::BitmapBuilder{}.size(8, 2).depth(1).build();
    test::writeBytes(dir / "app.prc", test::PrcBuilder{}.resource("Tbmp", 1000, icon).build());
    for (const char* folder : {"bmp", "png", "palette"}) fs::create_directory(dir / folder);
    const test::Setting missing{{"TESK_FREEIMAGE=" + (dir / "no-such-library.so").string()}, {}};
    const std::string input = (dir / "app.prc").string();

    auto bmp = runTesk({"extract", input, "-o", (dir / "bmp").string()}, missing);
    EXPECT_EQ(bmp.status, 0) << bmp.err;
    EXPECT_TRUE(fs::exists(dir / "bmp" / "Tbmp1000-1.bmp")) << bmp.err;
    auto exact = runTesk({"extract", input, "-o", (dir / "png").string(), "--format", "png"}, missing);
    EXPECT_EQ(exact.status, 0) << exact.err;
    EXPECT_TRUE(fs::exists(dir / "png" / "Tbmp1000-1.png")) << exact.err;

    const std::vector<std::vector<std::string>> needFreeImage{{"--format", "png-palette"},
                                                              {"--format", "png", "--resize", "4x4,up"}};
    for (const auto& extra : needFreeImage) {
        std::vector<std::string> args{"extract", input, "-o", (dir / "palette").string()};
        args.insert(args.end(), extra.begin(), extra.end());
        auto refused = runTesk(args, missing);
        EXPECT_EQ(refused.status, 53) << refused.err;
        EXPECT_EQ(refused.err, "tesk: " + input + ": Tbmp1000: Write PNG: 53 File not found\n");
        EXPECT_TRUE(fs::is_empty(dir / "palette"));
    }
    auto found = runTesk({"extract", input, "-o", (dir / "palette").string(), "--format", "png-palette"});
    EXPECT_EQ(found.status, 0) << found.err;
    EXPECT_TRUE(fs::exists(dir / "palette" / "Tbmp1000-1.png")) << found.err;
}

TEST(Command, ListPrintsHeaderAndTable) {
    test::TempDir dir;
    test::writeBytes(
        dir / "app.prc",
        test::PrcBuilder{}.name("Lister").resource("tSTR", 7, {'a', 'b', 'c'}).resource("code", 1, {'x'}).build());
    auto r = runTesk({"list", (dir / "app.prc").string()});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Name:       Lister"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("tSTR       7        100          3\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("code       1        103          1\n"), std::string::npos) << r.out;
}

// Every way of asking for help gives the same text, with the defaults, examples and exit codes.
TEST(Help, EveryFormShowsDefaultsExamplesAndExitCodes) {
    const auto top = runTesk({"--help"});
    const auto extract = runTesk({"extract", "--help"});
    ASSERT_EQ(top.status, 0);
    ASSERT_EQ(extract.status, 0);
    EXPECT_EQ(runTesk({"help"}).out, top.out);
    EXPECT_EQ(runTesk({"help", "extract"}).out, extract.out);
    EXPECT_EQ(runTesk({"help", "list"}).out, runTesk({"list", "--help"}).out);
    for (const auto* help : {&top, &extract}) {
        EXPECT_NE(help->out.find("\nExit status:\n  0 "), std::string::npos) << help->out;
        EXPECT_NE(help->out.find("\n  130  interrupted"), std::string::npos);
        EXPECT_NE(help->out.find("\nExamples:\n  $ tesk "), std::string::npos);
    }
    EXPECT_NE(extract.out.find("(default: bmp)"), std::string::npos);
    EXPECT_NE(extract.out.find("(default: the number of cores)"), std::string::npos);
    for (auto flag : {"-V", "--version"}) {
        auto v = runTesk({flag});
        EXPECT_EQ(v.status, 0);
        EXPECT_EQ(v.out, std::string("tesk ") + TESK_VERSION + "\n");
    }
    EXPECT_EQ(runTesk({"help", "nothing"}).status, 2);
}

// On a narrow terminal the batch's progress line is cut, never wrapped (a wrapped line cannot be
// redrawn in place and fills the screen).
TEST(Progress, TheLineFitsTheTerminal) {
    test::TempDir dir;
    fs::create_directories(dir / "in");
    fs::create_directory(dir / "out");
    const std::string longName = "a-database-whose-name-is-much-wider-than-the-terminal-";
    for (char c = 'a'; c <= 'd'; ++c)
        test::writeBytes(dir / "in" / (longName + c + ".prc"), test::PrcBuilder{}.resource("tSTR", 1, {'x'}).build());
    int master = -1;
    winsize size{};
    size.ws_row = 24;
    size.ws_col = 30;
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, &size);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::execl(TESK_CLI_PATH, TESK_CLI_PATH, "extract", (dir / "in").c_str(), "-o", (dir / "out").c_str(), "-j", "1",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::string screen;
    char buffer[4096];
    for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;)
        screen.append(buffer, static_cast<std::size_t>(n));
    int raw = 0;
    ::waitpid(pid, &raw, 0);
    ::close(master);
    ASSERT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << screen;
    // Every redraw: carriage return, the line, then "erase to the end of the line".
    const std::regex redraw{"\r([^\r\x1b]*)\x1b\\[K"};
    int drawn = 0;
    for (std::sregex_iterator it(screen.begin(), screen.end(), redraw), end; it != end; ++it) {
        EXPECT_LE((*it)[1].length(), 29) << (*it)[1];
        drawn += (*it)[1].length() > 0;
    }
    EXPECT_GE(drawn, 4) << screen;
}

}   // namespace
}   // namespace tesk

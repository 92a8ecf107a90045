// The extraction run as a whole: start steps, dispatch, raw data files, statuses and messages.
#include <gtest/gtest.h>

#include <filesystem>

#include "driver/error_report.hpp"
#include "support/bitmap_builder.hpp"
#include "support/test_run.hpp"
#include "tesk/tesk.h"

namespace tesk {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::PrcBuilder;
using test::TestRun;

using test::text;

Bytes appWithData() {
    return PrcBuilder{}.resource("tSTR", 1000, text("hello")).resource("code", 1, text("\x4e\x75")).build();
}

TEST(RawData, EveryOtherTypeBecomesABinFileWithItsExactBytes) {
    TestRun run{appWithData()};
    EXPECT_EQ(run.extract(), 0);
    EXPECT_EQ(run.outputs(), (std::vector<std::string>{"code0001.bin", "tSTR1000.bin"}));
    EXPECT_EQ(test::readText(run.out / "tSTR1000.bin"), "hello");
    EXPECT_EQ(run.ctx.tally.dataFilesWritten, 2u);
}

TEST(RawData, SkipDataWritesNone) {
    TestRun run{appWithData(), EXTR_NO_PROGRESS | EXTR_SKIP_DATA};
    EXPECT_EQ(run.extract(), 0);
    EXPECT_TRUE(run.outputs().empty());
}

TEST(RawData, GoesToTheDataFolderOrFallsBackToTheOutputFolder) {
    TestRun run{appWithData()};
    fs::create_directory(run.dir / "data");
    run.request.dataFolder = (run.dir / "data").string();
    EXPECT_EQ(run.extract(), 0);
    EXPECT_EQ(test::listFiles(run.dir / "data"), (std::vector<std::string>{"code0001.bin", "tSTR1000.bin"}));

    TestRun missing{appWithData()};
    missing.request.dataFolder = (missing.dir / "nowhere").string();
    EXPECT_EQ(missing.extract(), 0);
    EXPECT_EQ(missing.outputs().size(), 2u);
}

TEST(RawData, HostileTypeBytesStayInsideTheDataFolder) {
    TestRun run{PrcBuilder{}
                    .resource(std::string("../\0", 4), 1, text("a"))
                    .resource("/etc", 2, text("b"))
                    .resource(".hid", 3, text("c"))
                    .resource(" .ab", 4, text("d"))   // hidden only once the spaces are trimmed
                    .build(),
                EXTR_NO_PROGRESS | EXTR_SCRIPT};
    run.request.textOutputPath = (run.dir / "app.rcp").string();
    EXPECT_EQ(run.extract(), 0);
    EXPECT_EQ(run.outputs(),
              (std::vector<std::string>{"%2E.%2F%000001.bin", "%2Eab0004.bin", "%2Ehid0003.bin", "%2Fetc0002.bin"}));
    EXPECT_EQ(test::listFiles(run.dir.path()).size(), 6u);   // input, script and the four files
    auto script = test::readText(run.dir / "app.rcp");
    EXPECT_NE(script.find("DATA \"%2Fetc\" ID 0002 \"%2Fetc0002.bin\"\r\n"), std::string::npos);
}

TEST(RawData, ReplaceRuleDeletesPlainFilesAndStopsAtProtectedOnes) {
    TestRun run{appWithData(), EXTR_NO_PROGRESS | EXTR_SHOW_ERRORS};
    test::writeBytes(run.out / "code0001.bin", text("old"));
    EXPECT_EQ(run.extract(), 0);
    EXPECT_EQ(test::readText(run.out / "code0001.bin"), "\x4e\x75");
    EXPECT_TRUE(run.ui.boxes.empty());

    for (auto kind : {"read-only", "folder", "symlink"}) {
        TestRun blocked{appWithData(), EXTR_NO_PROGRESS | EXTR_SHOW_ERRORS};
        auto target = blocked.out / "tSTR1000.bin";
        if (std::string(kind) == "read-only") {
            test::writeBytes(target, text("mine"));
            fs::permissions(target, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                            fs::perm_options::remove);
        } else if (std::string(kind) == "folder") {
            fs::create_directory(target);
        } else {
            test::writeBytes(blocked.dir / "elsewhere", text("mine"));
            fs::create_symlink(blocked.dir / "elsewhere", target);
        }
        EXPECT_EQ(blocked.extract(), 0) << kind;   // MainLoop exit with the message shown
        ASSERT_EQ(blocked.ui.boxes.size(), 1u) << kind;
        EXPECT_EQ(blocked.ui.boxes[0].text,
                  "Error In Dll module --> MainLoop, While working On tSTR1000.bin\r\nError was --> 75 - Path/file "
                  "access error");
        EXPECT_EQ(blocked.ui.boxes[0].caption, "Varnel Icon Tool");
        EXPECT_FALSE(fs::exists(blocked.out / "code0001.bin")) << kind;   // the run stopped there
        if (std::string(kind) == "symlink") {
            EXPECT_EQ(test::readText(blocked.dir / "elsewhere"), "mine");
        }
        if (std::string(kind) == "read-only") {
            EXPECT_EQ(test::readText(target), "mine");
        }
    }
}

TEST(Status, MissingInputOrOutputTakesTheMainLoopExit) {
    TestRun input{appWithData(), EXTR_NO_PROGRESS | EXTR_SHOW_ERRORS};
    input.request.inputPath = (input.dir / "absent.prc").string();
    EXPECT_EQ(input.extract(), 0);
    ASSERT_EQ(input.ui.boxes.size(), 1u);
    EXPECT_EQ(input.ui.boxes[0].text,
              "Error In Dll module --> MainLoop, While working On \r\nError was --> 64 - Bad file name");

    TestRun output{appWithData(), EXTR_NO_PROGRESS | EXTR_SHOW_ERRORS};
    output.request.outputFolder = (output.dir / "absent").string();
    EXPECT_EQ(output.extract(), 0);
    ASSERT_EQ(output.ui.boxes.size(), 1u);
    EXPECT_NE(output.ui.boxes[0].text.find("Error was --> 76 - Path not found"), std::string::npos);

    // Without the message box the number itself must come back, never 0.
    TestRun silent{appWithData()};
    silent.request.outputFolder = (silent.dir / "absent").string();
    EXPECT_EQ(silent.extract(), 76);
    EXPECT_TRUE(silent.ui.boxes.empty());
}

TEST(Status, EmptyOutputFolderIsMissingNotTheRoot) {
    TestRun run{appWithData()};
    run.request.outputFolder = "   ";
    EXPECT_EQ(run.extract(), 76);
    TestRun file{appWithData()};
    file.request.outputFolder = file.input.string();   // a file is no folder
    EXPECT_EQ(file.extract(), 76);
}

TEST(Status, UnsupportedFilesAreRefusedWithTheirMessage) {
    for (const auto& bytes : {PrcBuilder{}.attributes(0).resource("tSTR", 1, text("x")).build(),
                              PrcBuilder{}.creator("clpr").resource("tSTR", 1, text("x")).build(), Bytes{}}) {
        TestRun run{bytes, EXTR_NO_PROGRESS};
        run.request.textOutputPath = (run.dir / "index.txt").string();
        EXPECT_EQ(run.extract(), 0);
        ASSERT_EQ(run.ui.boxes.size(), 1u);
        EXPECT_EQ(run.ui.boxes[0].text, "Error. The selected file is not a supported type.");
        EXPECT_EQ(run.ui.boxes[0].caption, "Varnel Icon Tool");
        EXPECT_TRUE(run.outputs().empty());
        EXPECT_FALSE(fs::exists(run.dir / "index.txt"));
    }
}

TEST(Status, DataFileThatCannotBeWrittenIsReportedNotLost) {
    TestRun run{appWithData(), EXTR_NO_PROGRESS | EXTR_SHOW_ERRORS};
    run.files.failWrite = [](const std::string& p) {
        return p.ends_with("tSTR1000.bin") ? ErrorNumber::DiskFull : ErrorNumber::None;
    };
    EXPECT_EQ(run.extract(), 61);
    ASSERT_EQ(run.ui.boxes.size(), 1u);
    EXPECT_EQ(run.ui.boxes[0].text,
              "Error In Dll module --> MainLoop, While working On tSTR1000\r\nError was --> 61 - Disk full");
    EXPECT_EQ(run.outputs(), std::vector<std::string>{"code0001.bin"});   // the run went on

    TestRun silent{appWithData()};
    silent.request.textOutputPath = (silent.dir / "index.txt").string();
    silent.files.failWrite = [](const std::string& p) {
        return p.ends_with(".bin") ? ErrorNumber::PermissionDenied : ErrorNumber::None;
    };
    EXPECT_EQ(silent.extract(), 70);
}

TEST(Status, TextFileThatCannotBeWrittenIsReported) {
    TestRun run{appWithData(), EXTR_NO_PROGRESS};
    run.request.textOutputPath = (run.dir / "no" / "such" / "index.txt").string();
    EXPECT_EQ(run.extract(), toInt(ErrorNumber::FileNotFound));
    EXPECT_EQ(run.ctx.errors.procedure, "MainLoop");

    TestRun empty{appWithData(), EXTR_NO_PROGRESS};   // no path given: silent
    EXPECT_EQ(empty.extract(), 0);
    EXPECT_EQ(empty.ctx.errors.code, 0);
}

TEST(Status, NullArgumentsCountAsEmpty) {
    TestRun run{appWithData(), EXTR_NO_PROGRESS};
    run.request.textOutputPath.reset();
    run.request.singleResourceName.reset();
    run.request.resizeWidth.reset();
    EXPECT_EQ(run.extract(), 0);
    EXPECT_EQ(run.ctx.errors.code, 0);
    EXPECT_EQ(run.outputs().size(), 2u);

    TestRun noInput{appWithData()};
    noInput.request.inputPath.reset();
    EXPECT_EQ(noInput.extract(), 9);   // lastIoError of the null text stands
}

TEST(Run, TwoRunsInOneContextShareNothing) {
    TestRun run{appWithData(), EXTR_NO_PROGRESS};
    run.request.textOutputPath = (run.dir / "index.txt").string();
    auto good = run.request;
    run.request.outputFolder = (run.dir / "absent").string();
    EXPECT_EQ(run.extract(), 76);
    run.request = good;
    EXPECT_EQ(run.extract(), 0);
    EXPECT_EQ(run.ctx.errors.code, 0);
    EXPECT_EQ(run.ctx.errors.procedure, "");
    EXPECT_EQ(run.ctx.errors.lastIoError, 0);
}

TEST(Run, NoViewIntoTheReleasedDatabaseOutlivesTheRun) {
    const auto bitmap = test::BitmapBuilder{}.depth(8).size(4, 2).build();
    for (const auto& db : {PrcBuilder{}.resource("Tbmp", 1, bitmap).build(),
                           PrcBuilder{}.resource("abmp", 2, text("cBMP....")).build()}) {   // an early end
        TestRun run{db, EXTR_NO_PROGRESS};
        run.extract();
        EXPECT_TRUE(run.ctx.resource.bytes.empty());
        EXPECT_EQ(run.ctx.resource.bytes.data(), nullptr);
    }
}

TEST(Run, AbmpSetsTheOptionBitEvenWhenSkipped) {
    auto db = PrcBuilder{}.resource("abmp", 1000, Bytes(16, 0)).build();
    TestRun run{db, EXTR_NO_PROGRESS | EXTR_SKIP_ABMP | EXTR_HAS_ABMP};
    EXPECT_EQ(run.extract(), 0);
    EXPECT_TRUE(run.ctx.walk.optionsOut & EXTR_HAS_ABMP);
    TestRun none{appWithData(), EXTR_NO_PROGRESS | EXTR_HAS_ABMP};
    none.extract();
    EXPECT_FALSE(none.ctx.walk.optionsOut & EXTR_HAS_ABMP);   // cleared at entry
}

TEST(Run, RefusedAbmpEndsTheRunWithItsMessage) {
    auto db = PrcBuilder{}
                  .resource("tSTR", 1, text("kept"))
                  .resource("abmp", 2, text("cBMP...."))
                  .resource("tSTR", 3, text("never"))
                  .build();
    TestRun run{db, EXTR_NO_PROGRESS};
    run.request.textOutputPath = (run.dir / "index.txt").string();
    EXPECT_EQ(run.extract(), 0);
    ASSERT_EQ(run.ui.boxes.size(), 1u);
    EXPECT_EQ(run.ui.boxes[0].text, "Non-standard format. Can't continue.");
    EXPECT_EQ(run.outputs(), std::vector<std::string>{"tSTR0001.bin"});
    EXPECT_FALSE(fs::exists(run.dir / "index.txt"));
}

TEST(Run, SingleResourceModeStopsAfterItsResource) {
    auto bitmap = test::BitmapBuilder{}.depth(8).size(4, 2).build();
    auto db = PrcBuilder{}
                  .resource("Tbmp", 999, bitmap)
                  .resource("tSTR", 1, text("a"))
                  .resource("Tbmp", 1000, bitmap)
                  .resource("tSTR", 2, text("b"))
                  .build();
    TestRun run{db, EXTR_SINGLE};
    run.request.singleResourceName = "Tbmp1000";
    EXPECT_EQ(run.extract(), 0);
    EXPECT_TRUE(run.ctx.walk.stopRequested);
    // Other bitmaps write nothing, data before it is written, entries after it are not visited.
    EXPECT_EQ(run.outputs(), (std::vector<std::string>{"Tbmp1000-8.bmp", "tSTR0001.bin"}));
    EXPECT_TRUE(run.progress.captions.empty());   // single mode has no window

    TestRun abmp{PrcBuilder{}.resource("abmp", 1000, bitmap).resource("tSTR", 2, text("b")).build(), EXTR_SINGLE};
    abmp.request.singleResourceName = "abmp1000";
    EXPECT_EQ(abmp.extract(), 0);
    EXPECT_EQ(abmp.outputs(), (std::vector<std::string>{"abmp1000-8.bmp", "tSTR0002.bin"}));   // the loop goes on
}

TEST(Progress, StepsRoundHalvesToEvenAndReachAHundred) {
    PrcBuilder b;
    for (int i = 0; i < 8; ++i) b.resource("tSTR", static_cast<std::uint16_t>(i), text("x"));
    TestRun run{b.build(), 0};
    EXPECT_EQ(run.extract(), 0);
    ASSERT_EQ(run.progress.captions, std::vector<std::string>{"Extracting Bitmaps ..."});
    std::vector<std::int32_t> positions;
    for (auto& s : run.progress.steps) positions.push_back(s.position);
    // 12.5 -> 12, 25, 37.5 -> 38, 50, 62.5 -> 62, 75, 87.5 -> 88, 100
    EXPECT_EQ(positions, (std::vector<std::int32_t>{0, 12, 25, 38, 50, 62, 75, 88, 100}));
    EXPECT_EQ(run.progress.steps[3].text, " 38 %");
    EXPECT_EQ(run.progress.shutdowns, 1);
    EXPECT_EQ(run.progress.pumps, 9);
}

TEST(Progress, NoWindowEndsTheRunBeforeAnyResource) {
    TestRun run{appWithData(), 0};
    run.progress.failInit = true;
    EXPECT_EQ(run.extract(), 0);
    EXPECT_TRUE(run.outputs().empty());
}

}   // namespace
}   // namespace tesk

#include <gtest/gtest.h>

#include "fake_extractor.hpp"
#include "icon_tool_controller.hpp"
#include "support/test_run.hpp"

namespace tesk::icontool {
namespace {

using tesk::test::TempDir;
using test::FakeExtractor;

struct ControllerFixture : ::testing::Test {
    TempDir dir;
    PosixFileSystem files;
    RecordingUi ui;
    FakeExtractor extractor;
    IconToolSettings settings;
    std::string program = (dir / "bin").string();
    std::string data = (dir / "share" / "Varnel Icon Tool").string();
    IconToolController controller{settings, files, ui, extractor, program, data};
    std::string input = (dir / "app.prc").string();
    std::string output = (dir / "out").string();

    void SetUp() override {
        std::filesystem::create_directory(dir / "bin");
        std::filesystem::create_directory(dir / "out");
        tesk::test::writeBytes(dir / "app.prc", {0});
        controller.startUp();
        ui.boxes.clear();
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> t;
        for (const auto& b : ui.boxes) t.push_back(b.text);
        return t;
    }
};

TEST_F(ControllerFixture, StartUpCreatesTheDataFolderAndLoadsDefaults) {
    EXPECT_TRUE(std::filesystem::is_directory(data));
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(data) / "TESK.ini"));
    EXPECT_EQ(settings.bitmapFormat, "PNG");
    EXPECT_EQ(settings.targetWidth, 16);
}

TEST_F(ControllerFixture, RequestChecksRunInOrderAndStopBeforeTheLibrary) {
    EXPECT_EQ(controller.extract("   ", output), kNotCalled);
    std::filesystem::remove(dir / "app.prc");
    // A missing input is reported before the (also empty) output is looked at.
    EXPECT_EQ(controller.extract(input, ""), kNotCalled);
    tesk::test::writeBytes(dir / "app.prc", {0});
    EXPECT_EQ(controller.extract(input, "  "), kNotCalled);
    EXPECT_EQ(controller.extract(input, (dir / "gone").string()), kNotCalled);
    tesk::test::writeBytes(dir / ".hidden.prc", {0});
    EXPECT_EQ(controller.extract((dir / ".hidden.prc").string(), output), kNotCalled);
    EXPECT_EQ(texts(),
              (std::vector<std::string>{"Please select an input file first.", "Error, input file no longer exists.",
                                        "Please select and output directory first.",
                                        "Error, the directory selected to save bitmaps does not exist.",
                                        "Error, input file no longer exists."}));
    for (const auto& b : ui.boxes) EXPECT_EQ(b.caption, "Varnel Icon Tool");
    EXPECT_TRUE(extractor.calls.empty());
}

TEST_F(ControllerFixture, PassesTheThirteenArgumentsOfTheTable) {
    settings.bitmapFormat = "JPEG";
    settings.sortBitmaps = 1;
    settings.resizeIcons = true;
    settings.allowResizeUp = true;
    settings.targetWidth = 24;
    settings.targetHeight = 18;
    ASSERT_EQ(controller.extract("  " + input + "  ", " " + output + " "), 0);
    ASSERT_EQ(extractor.calls.size(), 1u);
    const auto& c = extractor.calls[0];
    EXPECT_EQ(c.text[0], input);
    EXPECT_EQ(c.text[1], output);
    EXPECT_EQ(c.text[2], std::optional<std::string>(""));   // a real empty text, not a null pointer
    EXPECT_EQ(c.text[3], std::nullopt);
    EXPECT_EQ(c.text[4], "Extracting Bitmaps ...");
    EXPECT_EQ(c.text[5], std::nullopt);
    EXPECT_EQ(c.text[6], program);
    EXPECT_EQ(c.format, 1);
    EXPECT_EQ(c.sort, 1);
    EXPECT_EQ(c.options, 0x4108u);
    EXPECT_EQ(c.resizeMode, 2);
    EXPECT_EQ(c.width, 24);
    EXPECT_EQ(c.height, 18);
    // Sort and size point at the settings record itself.
    EXPECT_EQ(c.sortAddress, &settings.sortBitmaps);
    EXPECT_EQ(c.widthAddress, &settings.targetWidth);
    EXPECT_EQ(c.heightAddress, &settings.targetHeight);
    EXPECT_TRUE(ui.boxes.empty());
}

// The host's events reach the window while the library works; a request made from there is
// dropped without a word, and the window is told when the controller is busy and when not.
TEST_F(ControllerFixture, ARequestWhileOneIsWithTheLibraryIsNotPassedOn) {
    std::vector<bool> told;
    controller.onBusyChanged([&] { told.push_back(controller.busy()); });
    std::int32_t nested = 0;
    bool viewBusy = false;
    extractor.during = [&] {
        viewBusy = controller.view().busy;
        nested = controller.extract(input, output);
    };
    EXPECT_EQ(controller.extract(input, output), 0);
    EXPECT_EQ(nested, kNotCalled);
    EXPECT_TRUE(viewBusy);
    EXPECT_EQ(extractor.calls.size(), 1u);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(told, (std::vector<bool>{true, false}));
    EXPECT_FALSE(controller.view().busy);
}

TEST_F(ControllerFixture, FormatCodesAndResizeModes) {
    struct Case {
        const char* format;
        bool resize;
        bool up;
        std::int32_t code;
        std::int32_t mode;
    };
    for (auto c : {Case{"BMP", false, true, 0, 0}, Case{"BMP", true, false, 0, 1}, Case{"BMP", true, true, 0, 2},
                   Case{"PNG", true, false, 2, 1}, Case{"JPEG", false, false, 1, 0}, Case{"GIF", true, true, 0, 2}}) {
        settings.bitmapFormat = c.format;
        settings.resizeIcons = c.resize;
        settings.allowResizeUp = c.up;
        ASSERT_EQ(controller.extract(input, output), 0);
        EXPECT_EQ(extractor.calls.back().format, c.code) << c.format;
        EXPECT_EQ(extractor.calls.back().resizeMode, c.mode) << c.format << c.resize << c.up;
        // Each request starts from the fixed options word, whatever the library left in the last.
        EXPECT_EQ(extractor.calls.back().options, 0x4108u);
    }
}

TEST_F(ControllerFixture, StatusMessages) {
    const std::string problem = "There was a problem extracting resources from the selected file.\r\nError number ";
    for (const auto& [status, text] : std::initializer_list<std::pair<std::int32_t, std::string>>{
             {1000, "There were errors in the selected skin. Can't extract."},
             {-5, problem + "-5 was returned from the Doza Vuzavu Dozoza."},
             {53, problem + "53 was returned from the Doza Vuzavu Dozoza."}}) {
        ui.boxes.clear();
        extractor.status = status;
        controller.extract(input, output);
        EXPECT_EQ(texts(), std::vector<std::string>{text}) << status;
    }
}

TEST_F(ControllerFixture, AFailedLibraryBindingIsReportedAndTheRequestEnds) {
    extractor.prepareProblem = "cannot load";
    EXPECT_EQ(controller.extract(input, output), kNotCalled);
    EXPECT_EQ(texts(), (std::vector<std::string>{"cannot load"}));
    EXPECT_TRUE(extractor.calls.empty());
}

TEST_F(ControllerFixture, ViewFollowsFormatSortAndResize) {
    struct Case {
        const char* format;
        bool resize;
        const char* note;
        bool controls;
        bool setup;
    };
    for (auto c : {Case{"BMP", true, "BMP is not supported in Varnel", false, false},
                   Case{"JPEG", true, "JPG doesn't support transparency", true, true},
                   Case{"PNG", false, "PNG provides best compatibility", true, false}}) {
        controller.chooseFormat(c.format);
        controller.setResizeIcons(c.resize);
        const auto v = controller.view();
        EXPECT_EQ(v.pressedFormat, c.format);
        EXPECT_EQ(v.formatNote, c.note);
        EXPECT_EQ(v.resizeControlsVisible, c.controls) << c.format;
        EXPECT_EQ(v.resizeSetupVisible, c.setup) << c.format;
    }
    controller.setSortBitmaps(false);
    EXPECT_EQ(controller.view().outputFolderCaption, "Bitmap Output Folder");
    controller.setSortBitmaps(true);
    EXPECT_EQ(controller.view().outputFolderCaption, "Root of Bitmap Output Folders");
    EXPECT_EQ(settings.sortBitmaps, 1);
}

TEST_F(ControllerFixture, DropsTakeTheFirstFileAsItIsWhenItIsAPalmDatabase) {
    EXPECT_EQ(controller.acceptDrop({"/Data/MyApp.PrC", "/other.prc"}), "/Data/MyApp.PrC");
    EXPECT_EQ(controller.acceptDrop({"/data/lib.PDB"}), "/data/lib.PDB");
    EXPECT_EQ(controller.acceptDrop({"/data/notes.txt", "/data/app.prc"}), std::nullopt);
    EXPECT_EQ(controller.acceptDrop({"", "/data/app.prc"}), std::nullopt);
    EXPECT_EQ(controller.acceptDrop({".prc"}), ".prc");
    EXPECT_EQ(controller.acceptDrop({}), std::nullopt);
    EXPECT_TRUE(settings.lastInputDir.empty());
}

TEST_F(ControllerFixture, DialogChoicesUpdateTheRememberedFolders) {
    EXPECT_EQ(controller.initialInputFolder(), program);
    EXPECT_EQ(controller.takeChosenInput(input), input);
    EXPECT_EQ(settings.lastInputDir, dir.str() + "/");
    EXPECT_EQ(controller.initialInputFolder(), dir.str() + "/");
    // Cancelled: the box empties and the folder stays.
    EXPECT_EQ(controller.takeChosenInput(""), "");
    EXPECT_EQ(settings.lastInputDir, dir.str() + "/");
    EXPECT_EQ(folderOf("app.prc"), "app.prc");

    controller.takeChosenOutput(output);
    EXPECT_EQ(settings.lastOutputDir, output);
    controller.takeChosenOutput((dir / "nowhere").string());
    EXPECT_EQ(settings.lastOutputDir, output);
}

TEST_F(ControllerFixture, MissingLibraryIsFatalAndSettingsAreStillWrittenOnce) {
    EXPECT_FALSE(controller.libraryPresent());
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "Fatal Error!. libtesk.so missing. Can't continue.");
    settings.targetWidth = 33;
    controller.shutDown();
    settings.targetWidth = 34;
    controller.shutDown();
    EXPECT_NE(tesk::test::readText(std::filesystem::path(data) / "TESK.ini").find("Target Width=33\r\n"),
              std::string::npos);
    tesk::test::writeBytes(dir / "bin" / "libtesk.so", {0});
    EXPECT_TRUE(controller.libraryPresent());
}

}   // namespace
}   // namespace tesk::icontool

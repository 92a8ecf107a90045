#include <gtest/gtest.h>

#include <map>

#include "mod_util.hpp"
#include "settings.hpp"
#include "support/test_run.hpp"

namespace tesk::icontool {
namespace {

using tesk::test::readText;
using tesk::test::TempDir;

void writeText(const std::filesystem::path& p, const std::string& s) {
    tesk::test::writeBytes(p, tesk::test::Bytes(s.begin(), s.end()));
}

struct SettingsFixture : ::testing::Test {
    TempDir dir;
    PosixFileSystem files;
    RecordingUi ui;
    cInifile ini{files};
    IconToolSettings s;
    std::string path = (dir / "TESK.ini").string();

    IconToolSettings loadFrom(const std::string& options) {
        writeText(path, "[Program Options]\r\n" + options);
        InitializeIni(ini, path, ui);
        IconToolSettings loaded;
        LoadIni(ini, path, loaded, files, ui);
        return loaded;
    }
};

TEST_F(SettingsFixture, EmptyFileLoadsTheDefaults) {
    auto d = loadFrom("");
    EXPECT_EQ(d.lastInputDir, "");
    EXPECT_EQ(d.lastOutputDir, "");
    EXPECT_EQ(d.bitmapFormat, "PNG");
    EXPECT_EQ(d.sortBitmaps, 1);
    EXPECT_TRUE(d.resizeIcons);
    EXPECT_EQ(d.targetWidth, 16);
    EXPECT_EQ(d.targetHeight, 14);
    EXPECT_FALSE(d.allowResizeUp);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_NE(readText(path).find("[Program]\r\nName=TESK\r\n"), std::string::npos);
}

// Each row loads one file and reads one value back: sizes outside five to forty, other format names
// than the three exact ones and unreadable flags load their defaults; an unknown format is saved as PNG.
TEST_F(SettingsFixture, EachValueLoadsOrFallsBackToItsDefault) {
    using S = IconToolSettings;
    for (const auto& [options, field, expected] :
         std::initializer_list<std::tuple<std::string, std::int32_t S::*, int>>{
             {"Target Width=41\r\nTarget Height=4\r\n", &S::targetWidth, 16},
             {"Target Width=4\r\nTarget Height=41\r\n", &S::targetHeight, 14},
             {"Target Width=5\r\nTarget Height=40\r\n", &S::targetWidth, 5},
             {"Target Width=5\r\nTarget Height=40\r\n", &S::targetHeight, 40},
             {"Target Width=wide\r\n", &S::targetWidth, 16},
             {"Sort Bitmaps=7\r\n", &S::sortBitmaps, 1},
             {"Sort Bitmaps=0\r\n", &S::sortBitmaps, 0}})
        EXPECT_EQ(loadFrom(options).*field, expected) << options;
    for (const auto& [options, field, expected] : std::initializer_list<std::tuple<std::string, bool S::*, bool>>{
             {"Resize Icons=FALSE\r\nAllow Resize Up=-1\r\n", &S::resizeIcons, false},
             {"Resize Icons=FALSE\r\nAllow Resize Up=-1\r\n", &S::allowResizeUp, true},
             {"Resize Icons=0\r\n", &S::resizeIcons, false},
             {"Resize Icons=maybe\r\n", &S::resizeIcons, true}})
        EXPECT_EQ(loadFrom(options).*field, expected) << options;
    for (const auto& [format, expected] : std::initializer_list<std::pair<std::string, std::string>>{
             {"JPEG", "JPEG"}, {"BMP", "BMP"}, {"png", "PNG"}, {"GIF", "PNG"}})
        EXPECT_EQ(loadFrom("Default Bitmap Format=" + format + "\r\n").bitmapFormat, expected) << format;
    s.bitmapFormat = "GIF";
    SaveIni(ini, path, s, ui);
    EXPECT_EQ(s.bitmapFormat, "PNG");
    EXPECT_NE(readText(path).find("Default Bitmap Format=PNG\r\n"), std::string::npos);
}

TEST_F(SettingsFixture, RememberedFoldersAreTrimmedAndAGoneOutputFolderLoadsEmpty) {
    std::filesystem::create_directory(dir / "out");
    auto kept =
        loadFrom("Last Input File Dir=  /data/palm/  \r\nLast Bitmap Output Dir=" + (dir / "out").string() + "\r\n");
    EXPECT_EQ(kept.lastInputDir, "/data/palm/");
    EXPECT_EQ(kept.lastOutputDir, (dir / "out").string());
    std::filesystem::remove(dir / "out");
    EXPECT_EQ(loadFrom("Last Bitmap Output Dir=" + (dir / "out").string() + "\r\n").lastOutputDir, "");
}

TEST_F(SettingsFixture, SaveWritesEveryKeyAndKeepsARememberedInputFolderItDoesNotKnow) {
    writeText(path, "[Program Options]\r\nLast Input File Dir=/earlier/\r\n");
    s.bitmapFormat = "JPEG";
    s.sortBitmaps = 0;
    s.resizeIcons = true;
    s.targetWidth = 22;
    s.targetHeight = 33;
    s.allowResizeUp = false;
    s.lastOutputDir = "  /pictures  ";
    SaveIni(ini, path, s, ui);
    EXPECT_EQ(readText(path),
              "[Program Options]\r\nLast Input File Dir=/earlier/\r\nLast Bitmap Output Dir=/pictures\r\n"
              "Default Bitmap Format=JPEG\r\nSort Bitmaps=0\r\nResize Icons=True\r\nTarget Width=22\r\n"
              "Target Height=33\r\nAllow Resize Up=False\r\n");
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(SettingsFixture, AnUnwritableFileGivesTheThreeMessagesAndDefaults) {
    path = (dir / "missing" / "TESK.ini").string();
    InitializeIni(ini, path, ui);
    LoadIni(ini, path, s, files, ui);
    SaveIni(ini, path, s, ui);
    ASSERT_EQ(ui.boxes.size(), 3u);
    EXPECT_EQ(ui.boxes[0].text, "Failed to save value to ini file.");
    EXPECT_EQ(ui.boxes[1].text, "Failed to get value from ini.");
    EXPECT_EQ(ui.boxes[2].text, "Failed to save value to ini file.");
    EXPECT_EQ(ui.boxes[0].style, MessageStyle::Information);
    EXPECT_EQ(s.targetWidth, 16);
}

TEST(DataPath, FollowsXdgDataHomeOrTheHomeFolder) {
    RecordingUi ui;
    auto env = [](std::map<std::string, std::string> vars) {
        return [vars](const char* name) {
            auto it = vars.find(name);
            return it == vars.end() ? std::string() : it->second;
        };
    };
    EXPECT_EQ(Get_Data_Path(env({{"XDG_DATA_HOME", "/x/data/"}, {"HOME", "/home/u"}}), ui), "/x/data/Varnel Icon Tool");
    // A relative XDG folder is not valid and is ignored.
    EXPECT_EQ(Get_Data_Path(env({{"XDG_DATA_HOME", "rel"}, {"HOME", "/home/u"}}), ui),
              "/home/u/.local/share/Varnel Icon Tool");
    EXPECT_TRUE(ui.boxes.empty());
}

TEST(FileTests, AttributesDecideWhatCounts) {
    TempDir dir;
    PosixFileSystem files;
    tesk::test::writeBytes(dir / "app.prc", {1});
    tesk::test::writeBytes(dir / ".hidden.prc", {1});
    std::filesystem::create_symlink(dir / "app.prc", dir / "link.prc");
    std::filesystem::create_directory(dir / "folder");
    std::filesystem::create_directory_symlink(dir / "folder", dir / "folderlink");
    EXPECT_TRUE(FileExists(files, (dir / "app.prc").string()));
    EXPECT_FALSE(FileExists(files, (dir / ".hidden.prc").string()));
    EXPECT_FALSE(FileExists(files, (dir / "link.prc").string()));
    EXPECT_FALSE(FileExists(files, (dir / "folder").string()));
    EXPECT_FALSE(FileExists(files, (dir / "none.prc").string()));
    EXPECT_TRUE(FileExists(files, (dir / "a*.p?c").string()));
    EXPECT_FALSE(FileExists(files, (dir / "*.pdb").string()));
    EXPECT_TRUE(DirExists(files, (dir / "folder").string()));
    EXPECT_TRUE(DirExists(files, (dir / "folderlink").string()));
    EXPECT_FALSE(DirExists(files, (dir / "app.prc").string()));
    EXPECT_FALSE(DirExists(files, ""));
    // A library is usually a link to its versioned file; a dangling link is still nothing.
    EXPECT_TRUE(LibraryFileExists(files, (dir / "link.prc").string()));
    std::filesystem::create_symlink(dir / "gone.so", dir / "dangling.so");
    EXPECT_FALSE(LibraryFileExists(files, (dir / "dangling.so").string()));
    EXPECT_FALSE(LibraryFileExists(files, (dir / "folderlink").string()));
}

}   // namespace
}   // namespace tesk::icontool

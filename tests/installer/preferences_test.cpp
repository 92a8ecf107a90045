// Default.txt rewrites compared byte for byte with the files in golden/ ("@ROOT@" stands for the
// data root of the temporary tree).
#include <gtest/gtest.h>

#include <filesystem>

#include "installer_fixtures.hpp"
#include "preferences.hpp"

namespace varnel {
namespace {

namespace fs = std::filesystem;
using test::FailingFileSystem;
using test::readFileText;
using test::ScriptedHost;

std::string golden(const std::string& name, const std::string& root) {
    auto text = readFileText(fs::path(VARNEL_GOLDEN_DIR) / name);
    EXPECT_FALSE(text.empty()) << name;
    for (std::size_t p; (p = text.find("@ROOT@")) != std::string::npos;) text.replace(p, 6, root);
    return text;
}

class PreferencesTest : public ::testing::Test {
protected:
    PreferencesTest() {
        paths.varnelMainPath = tree.program;
        paths.dataRoot = tree.palm + "/";
        paths.userFolderName = "Jo";
        paths.calendarFolder = paths.dataRoot + "Jo/Varnel/";
        fs::create_directories(paths.calendarFolder);
    }
    void useDefaultTxt(const std::string& goldenInput) {
        test::writeFileBytes(paths.calendarFolder + "Default.txt",
                             readFileText(fs::path(VARNEL_GOLDEN_DIR) / goldenInput));
    }
    bool firstPass(bool installDefaults = false) {
        FileSteps steps{disk, host};
        return updateDefaultPreferences(steps, paths, installDefaults);
    }
    std::string defaultTxt() const { return readFileText(paths.calendarFolder + "Default.txt"); }
    // The pass fails, Default.txt stays as it was, and one message names every fragment.
    void expectRefused(bool installDefaults, const std::string& before, const std::vector<std::string>& named) {
        EXPECT_FALSE(firstPass(installDefaults));
        EXPECT_EQ(defaultTxt(), before);
        ASSERT_EQ(host.messages.size(), 1u);
        for (const auto& n : named) EXPECT_NE(host.messages[0].text.find(n), std::string::npos) << n;
    }

    test::InstallTree tree;
    RunPaths paths;
    FailingFileSystem disk;
    ScriptedHost host;
};

// A lower-case synchronisation key is kept and the line appended.
TEST_F(PreferencesTest, FirstPassGoldenPerModeAndInput) {
    struct Case {
        Mode mode;
        const char* input;
        const char* golden;
    };
    for (const auto& c : std::vector<Case>{{Mode::Newer, "input-Default.txt", "newer-Default.txt"},
                                           {Mode::Legacy, "input-Default.txt", "legacy-Default.txt"},
                                           {Mode::Standalone, "input-Default.txt", "standalone-Default.txt"},
                                           {Mode::Newer, "input-no-sync.txt", "no-sync-Default.txt"}}) {
        paths.mode = c.mode;
        useDefaultTxt(c.input);
        ASSERT_TRUE(firstPass()) << c.golden;
        EXPECT_EQ(defaultTxt(), golden(c.golden, paths.dataRoot)) << c.golden;
        EXPECT_FALSE(fs::exists(paths.calendarFolder + "Default.tmp")) << c.golden;
    }
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(PreferencesTest, EmptyDatabasesComeFromTheNewerTemplatesAlsoUnderLegacyNames) {
    paths.mode = Mode::Legacy;
    useDefaultTxt("input-Default.txt");
    ASSERT_TRUE(firstPass());
    const auto jo = paths.dataRoot + "Jo/";
    EXPECT_EQ(readFileText(jo + "datebook/datebook.db"), readFileText(tree.program + "VarnelEmptyDatebook.mdb"));
    EXPECT_EQ(readFileText(jo + "todo/todo.db"), readFileText(tree.program + "VarnelEmptyTodolist.mdb"));

    // An existing database is never replaced.
    test::writeFileBytes(jo + "address/address.db", std::string_view("my contacts"));
    useDefaultTxt("input-Default.txt");
    ASSERT_TRUE(firstPass());
    EXPECT_EQ(readFileText(jo + "address/address.db"), "my contacts");
}

TEST_F(PreferencesTest, OldDesktopWarningOnlyForACalendarFolderWithDatFileAlone) {
    paths.mode = Mode::Legacy;
    test::writeFileBytes(paths.dataRoot + "Jo/datebook/datebook.dat", std::string_view("old"));
    useDefaultTxt("input-Default.txt");
    ASSERT_TRUE(firstPass());
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].title, "Old Palm Desktop Installed?");
    EXPECT_EQ(
        host.messages[0].text,
        "Varnel requires the V-6.2 Palm Desktop (Access Version) - it appears you have the older V-4.2 desktop "
        "installed\r\nInstallation will continue, but Varnel will not find your calendar data - see read-me-first "
        "file for further information");

    host.messages.clear();   // datebook.db now exists: no warning
    useDefaultTxt("input-Default.txt");
    ASSERT_TRUE(firstPass());
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(PreferencesTest, CountOtherThanFourFailsAndKeepsDefaultTxt) {
    const std::string four =
        "CalendarDatabasePath = (file) a\r\nContactsDatabasePath = (file) b\r\n"
        "TasksDatabasePath = (file) c\r\nMemoPadDatabasePath = (file) d\r\n";
    for (const std::string& input : std::vector<std::string>{
             "CalendarDatabasePath = (file) a\r\nContactsDatabasePath = (file) b\r\nMemoPadDatabasePath = (file) d\r\n",
             four + "CalendarDatabasePath = (file) again\r\n",
             // A line with both the synchronisation key and a database key counts as the synchronisation line.
             "CalendarDatabasePath = (file) a\r\nContactsDatabasePath = (file) b\r\nMemoPadDatabasePath = (file) d\r\n"
             "SynchronizeWithPalmOS TasksDatabasePath\r\n",
         }) {
        host.messages.clear();
        test::writeFileBytes(paths.calendarFolder + "Default.txt", input);
        EXPECT_FALSE(firstPass());
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].text, "Error: One or more database paths was missing in Default.txt file");
        EXPECT_EQ(defaultTxt(), input);
        EXPECT_TRUE(fs::exists(paths.calendarFolder + "Default.tmp"));
    }
}

TEST_F(PreferencesTest, InstallingDefaultsReplacesTheFileAndDropsDefaultDat) {
    test::writeFileBytes(paths.calendarFolder + "Default.txt", std::string_view("Old = (text) kept\r\n"));
    test::writeFileBytes(paths.calendarFolder + "Default.dat", std::string_view("cache"));
    ASSERT_TRUE(firstPass(true));
    EXPECT_NE(defaultTxt().find("WindowHeight = (integer) 720\r\n"), std::string::npos);
    EXPECT_EQ(defaultTxt().find("Old = (text) kept"), std::string::npos);
    EXPECT_FALSE(fs::exists(paths.calendarFolder + "Default.dat"));
}

TEST_F(PreferencesTest, DefaultsReplaceTheUsersFileOnlyWhenTheRewriteIsWritten) {
    test::writeFileBytes(paths.calendarFolder + "Default.txt", std::string_view("mine\r\n"));
    test::writeFileBytes(paths.calendarFolder + "Default.dat", std::string_view("cache"));
    disk.failOn(FailingFileSystem::Op::Write, "Default.tmp");
    expectRefused(true, "mine\r\n", {"Disk full (61)", "Default.txt was left as it was."});
    EXPECT_TRUE(fs::exists(paths.calendarFolder + "Default.dat"));
}

TEST_F(PreferencesTest, MissingTemplateLeavesTheUsersFileAndIsReported) {
    fs::remove(tree.program + "VarnelPreferences.def");
    test::writeFileBytes(paths.calendarFolder + "Default.txt", std::string_view("mine\r\n"));
    expectRefused(true, "mine\r\n", {"VarnelPreferences.def"});
}

TEST_F(PreferencesTest, FailedRenameIsReportedAndTheFileKept) {
    useDefaultTxt("input-Default.txt");
    const auto before = defaultTxt();
    disk.failOn(FailingFileSystem::Op::Rename, "Default.txt");
    expectRefused(false, before, {paths.calendarFolder + "Default.txt"});
}

TEST_F(PreferencesTest, SecondPassGivesTheTemplateCopyThePathsAndKeepsItsSyncLine) {
    paths.mode = Mode::Standalone;
    FileSteps steps{disk, host};
    ASSERT_TRUE(updateTemplatePreferences(steps, paths));
    EXPECT_EQ(readFileText(paths.calendarFolder + "VarnelPreferences.def"),
              golden("standalone-VarnelPreferences.def", paths.dataRoot));
    // Nothing is created by the second pass.
    EXPECT_FALSE(fs::exists(paths.dataRoot + "Jo/datebook"));
    EXPECT_TRUE(host.messages.empty());
}

TEST(PreferenceLines, SplittingAndMatching) {
    EXPECT_EQ(splitTextLines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(splitTextLines("a\r\n\r\n"), (std::vector<std::string>{"a", ""}));
    EXPECT_TRUE(splitTextLines("").empty());
    EXPECT_EQ(matchDatabaseRow("x MEMOPADDATABASEPATH y"), &DatabaseRows[3]);
    EXPECT_EQ(matchDatabaseRow("CalendarDatabase Path"), nullptr);
}

}   // namespace
}   // namespace varnel

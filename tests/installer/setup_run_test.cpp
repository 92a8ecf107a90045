// Whole setup runs against a temporary folder tree and registry file, with scripted answers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "installer_fixtures.hpp"
#include "palm_desktop.hpp"
#include "preferences.hpp"
#include "setup_run.hpp"
#include "support/faulty_file_system.hpp"

namespace varnel {
namespace {

namespace fs = std::filesystem;
using test::FailingFileSystem;
using test::readFileText;
using test::ScriptedHost;
using test::UsersDatBuilder;
using Kind = RunOutcome::Kind;

const std::vector<std::string> kScreens = {"ContactsScreenDisplayTemplate.txt", "DetailsScreenDisplayTemplate.txt",
                                           "TasksScreenDisplayTemplate.txt"};

class SetupRunTest : public ::testing::Test {
protected:
    SetupRunTest() : registry(disk, tree.registryFile) {
        state.varnelMainPath = tree.program;
        state.varnelUserPath = tree.tmp.root() + "docs/";
    }
    RunOutcome run(SetupOptions options) {
        SetupRun setup{disk, registry, host, state};
        return setup.run(options);
    }
    static SetupOptions options(bool screens, bool tabbed = false, bool icons = false, bool prefs = false) {
        SetupOptions o;
        o.defaultPreferences = prefs;
        o.files = {tabbed, screens, icons};
        return o;
    }
    std::vector<std::string> calendarFiles(const std::string& folder) const {
        return test::filesBelow(tree.calendarFolder(folder));
    }
    // The host was shown exactly one message, and it reads `text`.
    ::testing::AssertionResult soleMessage(const std::string& text) const {
        if (host.messages.size() != 1) return ::testing::AssertionFailure() << host.messages.size() << " messages";
        if (host.messages[0].text == text) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "the message reads: " << host.messages[0].text;
    }

    test::InstallTree tree;
    FailingFileSystem disk;
    tesk::RegFileRegistry registry;
    ScriptedHost host;
    MainState state;
};

class PalmSetupTest : public SetupRunTest {
protected:
    PalmSetupTest() {
        tree.writeUsers(UsersDatBuilder{}.user("Ann Lee", "LeeA"));
        tree.setRegistry(palm::DesktopUser, "Ann Lee");
        fs::create_directories(tree.palm + "/LeeA");
    }
};

TEST_F(PalmSetupTest, FirstInstallationWithNoBoxInstallsWhatIsMissingButNoScreenTemplates) {
    auto outcome = run(options(false));
    ASSERT_EQ(outcome.kind, Kind::Completed);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(calendarFiles("LeeA"),
              (std::vector<std::string>{"Default.txt", "SystemIcons.dat", "UserIcons.dat", "VarnelDBs.dat",
                                        "VarnelExportTemplate.txt", "VarnelPreferences.def", "WorldTimezones.txt"}));
    const auto cal = tree.calendarFolder("LeeA");
    EXPECT_EQ(readFileText(cal + "VarnelDBs.dat"), readFileText(tree.program + "VarnelDBs.def"));
    EXPECT_EQ(readFileText(cal + "UserIcons.dat"), readFileText(tree.program + "UserIcons.def"));
    EXPECT_NE(readFileText(cal + "Default.txt")
                  .find("CalendarDatabasePath = (file) " + tree.palm + "/LeeA/datebook/DateBook.mdb\r\n"),
              std::string::npos);
    EXPECT_TRUE(fs::exists(tree.palm + "/LeeA/memopad/MemoPad.mdb"));

    EXPECT_EQ(readFileText(tree.program + "Varnel.dat"), cal + "\r\n");
    EXPECT_EQ(readFileText(tree.program + "DisplayVarnelManual.bat"), "\"" + tree.program + "Varnel-manual.pdf\"\r\n");
    EXPECT_EQ(outcome.titleSuffix, " Installation Complete!");
    EXPECT_EQ(outcome.display,
              "Primary User Name: Ann Lee. User Folder: " + cal + "\r\nVarnel Preferences file update successful");

    // Palm Desktop's modules now name the newer files.
    EXPECT_EQ(tree.registryValue(palm::ModuleSettings[0].component), "DateBook.mdb");
    EXPECT_EQ(tree.registryValue(palm::ModuleSettings[3].uiModule), "Memopad.mdb");
}

TEST_F(PalmSetupTest, FirstInstallationWithScreenTemplatesBoxAddsThem) {
    ASSERT_EQ(run(options(true)).kind, Kind::Completed);
    auto files = calendarFiles("LeeA");
    for (const auto& s : kScreens) EXPECT_NE(std::find(files.begin(), files.end(), s), files.end()) << s;
    EXPECT_EQ(files.size(), 10u);
}

TEST_F(PalmSetupTest, LaterRunWithNoBoxKeepsUserFilesAndRestoresMissingTemplates) {
    ASSERT_EQ(run(options(true)).kind, Kind::Completed);
    const auto cal = tree.calendarFolder("LeeA");
    for (const auto* mine : {"VarnelDBs.dat", "UserIcons.dat", "VarnelExportTemplate.txt", "WorldTimezones.txt",
                             "DetailsScreenDisplayTemplate.txt", "SystemIcons.dat", "VarnelPreferences.def"}) {
        test::writeFileBytes(cal + mine, std::string_view("mine"));
    }
    test::writeFileBytes(cal + "Default.txt", readFileText(cal + "Default.txt") + "Personal = (text) kept\r\n");
    test::writeFileBytes(cal + "CalendarCache.dat", std::string_view("cache"));
    fs::remove(cal + "TasksScreenDisplayTemplate.txt");

    ASSERT_EQ(run(options(false)).kind, Kind::Completed);
    for (const auto* kept : {"VarnelDBs.dat", "UserIcons.dat", "VarnelExportTemplate.txt", "WorldTimezones.txt",
                             "DetailsScreenDisplayTemplate.txt"}) {
        EXPECT_EQ(readFileText(cal + kept), "mine") << kept;
    }
    EXPECT_EQ(readFileText(cal + "TasksScreenDisplayTemplate.txt"),
              readFileText(tree.program + "TasksScreenDisplayTemplate.txt"));
    EXPECT_EQ(readFileText(cal + "SystemIcons.dat"), readFileText(tree.program + "SystemIcons.dat"));
    EXPECT_NE(readFileText(cal + "VarnelPreferences.def"), "mine");
    EXPECT_NE(readFileText(cal + "Default.txt").find("Personal = (text) kept\r\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(cal + "CalendarCache.dat"));
    EXPECT_FALSE(fs::exists(cal + "VarnelDBs.dat.varnel-new"));
}

TEST_F(PalmSetupTest, CheckedBoxesReplaceTheUsersFiles) {
    ASSERT_EQ(run(options(false)).kind, Kind::Completed);
    const auto cal = tree.calendarFolder("LeeA");
    for (const auto* mine : {"VarnelDBs.dat", "UserIcons.dat", "Default.txt"})
        test::writeFileBytes(cal + mine, std::string_view("mine"));
    ASSERT_EQ(run(options(false, true, true, true)).kind, Kind::Completed);
    EXPECT_EQ(readFileText(cal + "VarnelDBs.dat"), readFileText(tree.program + "VarnelDBs.def"));
    EXPECT_EQ(readFileText(cal + "UserIcons.dat"), readFileText(tree.program + "UserIcons.def"));
    EXPECT_NE(readFileText(cal + "Default.txt"), "mine");
}

TEST_F(PalmSetupTest, MissingTemplateNeverDestroysTheUsersFile) {
    ASSERT_EQ(run(options(false)).kind, Kind::Completed);
    const auto cal = tree.calendarFolder("LeeA");
    test::writeFileBytes(cal + "UserIcons.dat", std::string_view("my icons"));
    fs::remove(tree.program + "UserIcons.def");

    auto outcome = run(options(false, false, true));
    EXPECT_EQ(outcome.kind, Kind::CompletedWithFailures);
    EXPECT_EQ(readFileText(cal + "UserIcons.dat"), "my icons");
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_NE(host.messages[0].text.find(tree.program + "UserIcons.def"), std::string::npos);
    EXPECT_NE(host.messages[0].text.find(cal + "UserIcons.dat was left as it was"), std::string::npos);
    EXPECT_EQ(outcome.display.find("successful"), std::string::npos);
    EXPECT_NE(outcome.titleSuffix, " Installation Complete!");
}

TEST_F(PalmSetupTest, FailedCopyKeepsTheUsersFileAndNamesIt) {
    ASSERT_EQ(run(options(false)).kind, Kind::Completed);
    const auto cal = tree.calendarFolder("LeeA");
    test::writeFileBytes(cal + "VarnelDBs.dat", std::string_view("my filters"));
    disk.failOn(FailingFileSystem::Op::Write, "VarnelDBs.dat");

    auto outcome = run(options(false, true));
    EXPECT_EQ(outcome.kind, Kind::CompletedWithFailures);
    EXPECT_EQ(readFileText(cal + "VarnelDBs.dat"), "my filters");
    EXPECT_TRUE(host.anyMessageContains(cal + "VarnelDBs.dat"));
    EXPECT_FALSE(fs::exists(cal + "VarnelDBs.dat.varnel-new"));
}

// Every write of a whole run (all four boxes checked) failing in turn, as on a full disk: each
// failure is named in the system's words, the run never reads as complete, and every file the
// user had is afterwards either as it was or as a clean run leaves it, never cut or gone.
TEST_F(PalmSetupTest, EachFailedWriteIsNamedAndNoUsersFileIsCutOrLost) {
    ASSERT_EQ(run(options(false)).kind, Kind::Completed);
    const fs::path root = tree.tmp.root();
    auto snapshot = [&] {
        std::map<std::string, std::string> files;
        for (const auto& f : test::filesBelow(root)) files[f] = readFileText(root / f);
        return files;
    };
    auto restore = [&](const std::map<std::string, std::string>& files) {
        for (const auto& f : test::filesBelow(root))
            if (!files.count(f)) fs::remove(root / f);
        for (const auto& [f, text] : files) test::writeFileBytes(root / f, std::string_view(text));
    };
    auto runWith = [&](tesk::FileSystem& files, ScriptedHost& h) {
        tesk::RegFileRegistry reg{files, tree.registryFile};
        MainState st = state;
        SetupRun setup{files, reg, h, st};
        return setup.run(options(true, true, true, true));
    };
    const auto before = snapshot();
    tesk::PosixFileSystem real;
    tesk::test::FaultyFileSystem counting{real};
    ScriptedHost quiet;
    ASSERT_EQ(runWith(counting, quiet).kind, Kind::Completed);
    const int writes = counting.writes;
    const auto clean = snapshot();
    ASSERT_GE(writes, 5);

    for (int k = 1; k <= writes; ++k) {
        restore(before);
        tesk::test::FaultyFileSystem faulty{real};
        faulty.failWrite = [&](const std::string&) {
            return faulty.writes == k ? tesk::ErrorNumber::DiskFull : tesk::ErrorNumber::None;
        };
        ScriptedHost h;
        const auto outcome = runWith(faulty, h);
        EXPECT_NE(outcome.kind, Kind::Completed) << "write " << k;
        EXPECT_TRUE(h.anyMessageContains("Disk full (61)")) << "write " << k;
        EXPECT_EQ(outcome.display.find("successful"), std::string::npos) << "write " << k;
        const auto now = snapshot();
        for (const auto& [f, text] : before) {
            auto it = now.find(f);
            ASSERT_NE(it, now.end()) << "write " << k << " lost " << f;
            EXPECT_TRUE(it->second == text || it->second == clean.at(f)) << "write " << k << " cut " << f;
        }
        for (const auto& [f, text] : now) EXPECT_EQ(f.find(".varnel-new"), std::string::npos) << "write " << k;
    }
}

// Without its template, the preference stage ends the run and says what became of Default.txt.
TEST_F(PalmSetupTest, AMissingPreferenceTemplateSaysSetupStoppedAndWhatBecameOfDefaultTxt) {
    const auto cal = tree.calendarFolder("LeeA");
    fs::remove(tree.program + "VarnelPreferences.def");
    EXPECT_EQ(run(options(false)).kind, Kind::EndedEarly);
    EXPECT_TRUE(soleMessage("Cannot read " + tree.program +
                            "VarnelPreferences.def: File not found (53)\r\nSetup stopped: " + cal +
                            "Default.txt was not installed."));

    host.messages.clear();
    test::writeFileBytes(cal + "Default.txt", std::string_view("mine"));
    EXPECT_EQ(run(options(false, false, false, true)).kind, Kind::EndedEarly);
    EXPECT_TRUE(soleMessage("Cannot read " + tree.program +
                            "VarnelPreferences.def: File not found (53)\r\nSetup stopped: " + cal +
                            "Default.txt was left as it was."));
    EXPECT_EQ(readFileText(cal + "Default.txt"), "mine");
}

// A file the user made read-only is left alone and said so (75); every other file that is
// replaced keeps its permissions.
TEST_F(PalmSetupTest, ReadOnlyFilesAreLeftAloneAndOthersKeepTheirPermissions) {
    ASSERT_EQ(run(options(false)).kind, Kind::Completed);
    const auto cal = tree.calendarFolder("LeeA");
    auto mode = [](const std::string& f) { return fs::status(f).permissions() & fs::perms::mask; };
    const auto before = readFileText(cal + "Default.txt");
    fs::permissions(cal + "Default.txt", fs::perms::owner_read | fs::perms::group_read);
    EXPECT_EQ(run(options(false, false, false, true)).kind, Kind::EndedEarly);
    EXPECT_TRUE(soleMessage("Cannot replace " + cal + "Default.txt: it is read-only - Path/file access error (75)\r\n" +
                            "Setup stopped: " + cal + "Default.txt was left as it was."));
    EXPECT_EQ(readFileText(cal + "Default.txt"), before);
    EXPECT_EQ(mode(cal + "Default.txt"), fs::perms::owner_read | fs::perms::group_read);

    host.messages.clear();
    fs::permissions(cal + "Default.txt", fs::perms::owner_read | fs::perms::owner_write);
    test::writeFileBytes(cal + "UserIcons.dat", std::string_view("my icons"));
    fs::permissions(cal + "UserIcons.dat", fs::perms::owner_read);
    EXPECT_EQ(run(options(false, false, true, true)).kind, Kind::CompletedWithFailures);
    EXPECT_EQ(mode(cal + "Default.txt"), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(readFileText(cal + "UserIcons.dat"), "my icons");
    EXPECT_TRUE(soleMessage("Cannot replace " + cal +
                            "UserIcons.dat: it is read-only - Path/file access error (75)\r\n" +
                            "The existing file was left as it was."));
}

TEST_F(PalmSetupTest, FailedDeleteOfTheCacheIsReported) {
    ASSERT_EQ(run(options(false)).kind, Kind::Completed);
    const auto cal = tree.calendarFolder("LeeA");
    test::writeFileBytes(cal + "CalendarCache.dat", std::string_view("c"));
    disk.failOn(FailingFileSystem::Op::Remove, "CalendarCache.dat", tesk::ErrorNumber::PermissionDenied);
    EXPECT_EQ(run(options(false)).kind, Kind::CompletedWithFailures);
    EXPECT_TRUE(host.anyMessageContains("Cannot delete " + cal + "CalendarCache.dat"));
}

TEST_F(PalmSetupTest, CalendarFolderThatCannotBeCreatedEndsTheRunBeforeAnyFile) {
    disk.failOn(FailingFileSystem::Op::CreateFolder, "/Varnel");
    EXPECT_EQ(run(options(true)).kind, Kind::EndedEarly);
    EXPECT_TRUE(host.anyMessageContains(tree.calendarFolder("LeeA")));
    EXPECT_FALSE(fs::exists(tree.program + "Varnel.dat"));
}

TEST_F(PalmSetupTest, CountFailureEndsTheRunBeforeDataFiles) {
    fs::create_directories(tree.calendarFolder("LeeA"));
    test::writeFileBytes(tree.calendarFolder("LeeA") + "Default.txt", std::string_view("Nothing = here\r\n"));
    EXPECT_EQ(run(options(true)).kind, Kind::EndedEarly);
    EXPECT_EQ(calendarFiles("LeeA"), (std::vector<std::string>{"Default.tmp", "Default.txt"}));
    EXPECT_FALSE(fs::exists(tree.program + "Varnel.dat"));
}

TEST_F(PalmSetupTest, LegacyModeUsesOldNamesEverywhere) {
    SetupOptions o = options(false);
    o.newerPIMs = false;
    ASSERT_EQ(run(o).kind, Kind::Completed);
    EXPECT_TRUE(fs::exists(tree.palm + "/LeeA/datebook/datebook.db"));
    EXPECT_EQ(tree.registryValue(palm::ModuleSettings[2].component), "todo.db");
    EXPECT_EQ(tree.registryValue(palm::ModuleSettings[2].uiModule), "todo.db");
}

// --- The Palm Desktop stage on its own ---

class PalmStageTest : public SetupRunTest {
protected:
    StageResult stage(Mode mode = Mode::Newer) {
        FileSteps steps{disk, host};
        paths.mode = mode;
        return runPalmDesktopStage(registry, steps, state, paths);
    }
    RunPaths paths;
};

TEST_F(PalmStageTest, ModuleSettingsComparedWithoutCaseAndWrittenWithTheModesNames) {
    tree.setRegistry(palm::ModuleSettings[0].component, "DATEBOOK.MDB");
    tree.setRegistry(palm::ModuleSettings[1].component, "address.db");
    tree.setRegistry(palm::ModuleSettings[2].component, "");
    tree.writeUsers(UsersDatBuilder{}.user("A", "AF"));
    ASSERT_EQ(stage(), StageResult::Continue);
    EXPECT_EQ(tree.registryValue(palm::ModuleSettings[0].component), "DATEBOOK.MDB");
    EXPECT_EQ(tree.registryValue(palm::ModuleSettings[1].component), "Address.mdb");
    EXPECT_EQ(tree.registryValue(palm::ModuleSettings[2].component), "Todolist.mdb");
    EXPECT_EQ(tree.registryValue(palm::ModuleSettings[0].uiModule), "DateBook.mdb");
}

TEST_F(PalmStageTest, NoPalmDesktopPathEndsTheProgram) {
    tree.setRegistry(palm::CorePath, "");
    EXPECT_EQ(stage(), StageResult::EndProgram);
    ASSERT_TRUE(soleMessage(
        "Palm Desktop not Installed, or Windows Registry not accessible from Installer\r\n"
        "Try running VarnelInstall-PalmUser.exe from C:\\Program Files\\Oskery\\Varnel at conclusion of installation"));
    EXPECT_EQ(host.messages[0].title, "");
}

TEST_F(PalmStageTest, MissingUsersDatEndsTheRun) {
    EXPECT_EQ(stage(), StageResult::EndRun);
    EXPECT_TRUE(soleMessage(
        "Unable to locate Users.Dat file - you will need to manually set the path to your user name folder in the "
        "VarnelPreferences.txt file"));
}

TEST_F(PalmStageTest, CountZeroGivesTheNoMatchMessageWithTheRegistryUser) {
    tree.setRegistry(palm::DesktopUser, "Ann");
    tree.writeUsers(UsersDatBuilder{}.user("Ann", "AnnF").count(0));
    EXPECT_EQ(stage(), StageResult::EndRun);
    EXPECT_TRUE(soleMessage("Users.dat - no match found on user: Ann. Cannot determine path to user folder"));
}

TEST_F(PalmStageTest, SingleUserFolderIsUsedWhateverTheRegistryName) {
    tree.setRegistry(palm::DesktopUser, "Somebody");
    tree.writeUsers(UsersDatBuilder{}.user("Ann", "AnnF"));
    ASSERT_EQ(stage(), StageResult::Continue);
    EXPECT_EQ(paths.dataRoot, tree.palm + "/");
    EXPECT_EQ(paths.userFolderName, "AnnF");
    EXPECT_EQ(state.palmUserName, "Somebody");
    EXPECT_EQ(host.dialogsShown, 0);
}

TEST_F(PalmStageTest, LastUserNameStandsInForAnEmptyDesktopUser) {
    tree.setRegistry(palm::DesktopUser, "");
    tree.setRegistry(palm::LastUserName, "Bob");
    tree.writeUsers(UsersDatBuilder{}.user("Ann", "AnnF").user("Bob", "BobF"));
    ASSERT_EQ(stage(), StageResult::Continue);
    EXPECT_EQ(host.dialogPreselected, 1u);
    EXPECT_EQ(paths.userFolderName, "BobF");
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(PalmStageTest, SameNameTwicePreselectsTheLaterButUsesTheEarlierFolder) {
    tree.setRegistry(palm::DesktopUser, "Sam");
    tree.writeUsers(UsersDatBuilder{}.user("Sam", "Sam1").user("Ann", "AnnF").user("Sam", "Sam2"));
    ASSERT_EQ(stage(), StageResult::Continue);
    EXPECT_EQ(host.dialogNames, (std::vector<std::string>{"Sam", "Ann", "Sam"}));
    EXPECT_EQ(host.dialogPreselected, 2u);
    EXPECT_EQ(paths.userFolderName, "Sam1");
}

TEST_F(PalmStageTest, NoPreselectionAndNoChoiceEndsWithNoMatch) {
    tree.setRegistry(palm::DesktopUser, "Zed");
    tree.writeUsers(UsersDatBuilder{}.user("Ann", "AnnF").user("Bob", "BobF"));
    host.userAnswers.push_back({false, std::nullopt});
    EXPECT_EQ(stage(), StageResult::EndRun);
    EXPECT_FALSE(host.dialogPreselected);
    EXPECT_TRUE(host.anyMessageContains("no match found on user: Zed"));
}

TEST_F(PalmStageTest, CancelInTheUserDialogEndsTheProgram) {
    tree.writeUsers(UsersDatBuilder{}.user("Ann", "AnnF").user("Bob", "BobF"));
    host.userAnswers.push_back({true, std::nullopt});
    EXPECT_EQ(stage(), StageResult::EndProgram);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(PalmStageTest, ParserMessagesAreShownAndFatalOnesEndRunOrProgram) {
    tree.writeUsers(UsersDatBuilder{}.user("Ann", "AnnF").classTag(7));
    EXPECT_EQ(stage(), StageResult::EndRun);
    EXPECT_EQ(host.messages.back().text, "Users.dat - no class entry in bytes 3-4? - cannot parse this file");

    tree.writeUsers(UsersDatBuilder{}.rawUser({0xFF, 0, 0, 1, 0}, {}, {}));
    EXPECT_EQ(stage(), StageResult::EndProgram);
    EXPECT_EQ(host.messages.back().text, "sequencing error");
}

TEST_F(PalmStageTest, FolderNamesThatLeaveThePalmFolderAreRefused) {
    for (const char* bad : {"..", "../elsewhere", "a/b", "a\\b"}) {
        host.messages.clear();
        tree.writeUsers(UsersDatBuilder{}.user("Ann", bad));
        EXPECT_EQ(stage(), StageResult::EndRun) << bad;
        EXPECT_TRUE(host.anyMessageContains("is not a folder inside")) << bad;
    }
}

TEST_F(PalmSetupTest, ADifferentUserChosenGetsItsOwnUserPathFile) {
    tree.writeUsers(UsersDatBuilder{}.user("Ann Lee", "LeeA").user("Bob", "BobF"));
    fs::create_directories(tree.palm + "/BobF");
    host.userAnswers.push_back({false, 1});
    auto outcome = run(options(false));
    ASSERT_EQ(outcome.kind, Kind::Completed);
    EXPECT_TRUE(
        soleMessage("Since you selected a different user from the current default user,\r\n"
                    "you will need to set up a separate launch icon for this user\r\n"
                    "(see Read-Me-First file displayed at end of this install for further details)"));
    EXPECT_EQ(state.varnelUserPathFilename, "Bob.dat");
    EXPECT_EQ(readFileText(tree.program + "Bob.dat"), tree.calendarFolder("BobF") + "\r\n");
    EXPECT_FALSE(fs::exists(tree.program + "Varnel.dat"));
    EXPECT_NE(outcome.display.find("Primary User Name: Bob. "), std::string::npos);
}

TEST_F(PalmSetupTest, AUserNameThatIsNoFileNameIsReportedNotWritten) {
    tree.writeUsers(UsersDatBuilder{}.user("Ann Lee", "LeeA").user("../../evil", "LeeA"));
    host.userAnswers.push_back({false, 1});
    auto outcome = run(options(false));
    EXPECT_EQ(outcome.kind, Kind::CompletedWithFailures);
    EXPECT_FALSE(fs::exists(tree.program + "../../evil.dat"));
    EXPECT_TRUE(host.anyMessageContains("user-path file cannot be named"));
}

// --- Standalone ---

class StandaloneTest : public SetupRunTest {
protected:
    SetupOptions standalone() {
        auto o = options(true);
        o.standAlone = true;
        return o;
    }
    std::string dataRoot() const { return tree.tmp.root() + "data"; }
};

TEST_F(StandaloneTest, TypedNameIsCleanedForTheFolderAndKeptForDisplay) {
    host.answers = {dataRoot(), "John Smith."};
    auto outcome = run(standalone());
    ASSERT_EQ(outcome.kind, Kind::Completed);
    ASSERT_EQ(host.inputs.size(), 2u);
    EXPECT_EQ(host.inputs[0].title, "Set Path to User Data");
    EXPECT_EQ(
        host.inputs[0].prompt,
        "Install Path for User Data:\r\n\r\n(Leave this path alone unless you previously installed Varnel elsewhere "
        "(or move your data after the install to this path) - see ReadMe File for more information");
    EXPECT_EQ(host.inputs[0].defaultAnswer, tree.tmp.root() + "docs/Oskery/");
    EXPECT_EQ(host.inputs[1].prompt, "Provide a User Name:");
    EXPECT_EQ(host.inputs[1].defaultAnswer, "");

    const auto cal = dataRoot() + "/John_Smith/Varnel/";
    EXPECT_EQ(outcome.paths.calendarFolder, cal);
    EXPECT_EQ(outcome.display,
              "Primary User Name: John Smith.. User Folder: " + cal + "\r\nVarnel Preferences file update successful");
    const auto prefsText = readFileText(cal + "Default.txt");
    EXPECT_NE(prefsText.find("SynchronizeWithPalmOS = (boolean) false   // Set true"), std::string::npos);
    EXPECT_NE(prefsText.find("TasksDatabasePath = (file) " + dataRoot() + "/John_Smith/todo/Todolist.mdb\r\n"),
              std::string::npos);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(StandaloneTest, ExistingFolderProposesItsFirstUserFolder) {
    fs::create_directories(dataRoot() + "/Kim");
    host.answers = {dataRoot() + "/", "Kim"};
    ASSERT_EQ(run(standalone()).kind, Kind::Completed);
    EXPECT_EQ(host.inputs[1].prompt, "Confirm User Name:");
    EXPECT_EQ(host.inputs[1].defaultAnswer, "Kim");
    EXPECT_EQ(host.inputs[1].title, "Set User Name for Calendar");
}

TEST_F(StandaloneTest, EmptyOrCancelledAnswersEndTheRun) {
    host.answers = {std::string()};
    EXPECT_EQ(run(standalone()).kind, Kind::EndedEarly);
    EXPECT_TRUE(host.messages.empty());

    host.answers = {dataRoot(), std::nullopt};
    EXPECT_EQ(run(standalone()).kind, Kind::EndedEarly);
    EXPECT_TRUE(soleMessage("Varnel Installation not completed"));
    EXPECT_FALSE(fs::exists(tree.program + "Varnel.dat"));
}

TEST_F(StandaloneTest, NamesWithOtherCharactersAreRejected) {
    for (const char* bad : {"Jos\xC3\xA9", "Mary-Ann", "O'Brien", "..."}) {
        host.messages.clear();
        host.answers = {dataRoot(), bad};
        EXPECT_EQ(run(standalone()).kind, Kind::EndedEarly) << bad;
        EXPECT_TRUE(soleMessage(
            "Invalid user name (use only letters a-z, digits 0-9 and underscore for UserName)\r\n\r\n"
            "This error may also occur if you changed the default path in the prior dialog to an invalid folder"))
            << bad;
    }
    EXPECT_EQ(test::filesBelow(dataRoot()), std::vector<std::string>{});
}

// The calendar resolves the paths written for it against its own working folder: a typed relative
// path is stored, and shown, as the absolute path it means here.
TEST_F(StandaloneTest, ARelativePathIsStoredAbsolute) {
    state.workingFolder = tree.tmp.root() + "here";
    fs::create_directories(tree.tmp.root() + "here/Oskery");
    host.answers = {"Oskery/./Kim", "Kim"};
    auto outcome = run(standalone());
    ASSERT_EQ(outcome.kind, Kind::Completed);
    const auto cal = tree.tmp.root() + "here/Oskery/Kim/Kim/Varnel/";
    EXPECT_EQ(outcome.paths.calendarFolder, cal);
    EXPECT_EQ(outcome.display,
              "Primary User Name: Kim. User Folder: " + cal + "\r\nVarnel Preferences file update successful");
    EXPECT_EQ(readFileText(tree.program + "Varnel.dat"), cal + "\r\n");
    EXPECT_NE(
        readFileText(cal + "Default.txt")
            .find("CalendarDatabasePath = (file) " + tree.tmp.root() + "here/Oskery/Kim/Kim/datebook/DateBook.mdb\r\n"),
        std::string::npos);
    EXPECT_NE(readFileText(cal + "VarnelPreferences.def").find("(file) " + tree.tmp.root() + "here/Oskery/Kim/Kim/"),
              std::string::npos);
}

TEST_F(StandaloneTest, ANameTooLongForAFolderIsSaidToBe) {
    const std::string name(300, 'W');
    host.answers = {dataRoot(), name};
    EXPECT_EQ(run(standalone()).kind, Kind::EndedEarly);
    EXPECT_TRUE(soleMessage("Cannot create the folder " + dataRoot() + "/" + name +
                            "/: Bad file name (64)\r\n"
                            "The name is too long for a folder: it has 300 characters, and a folder name can "
                            "have at most 255."));
}

TEST_F(StandaloneTest, FolderThatCannotBeCreatedIsReported) {
    host.answers = {tree.tmp.root() + "missing/parent/data", "Kim"};
    EXPECT_EQ(run(standalone()).kind, Kind::EndedEarly);
    EXPECT_TRUE(host.anyMessageContains("Cannot create the folder " + tree.tmp.root() + "missing/parent/data/"));
}

// --- Rules of the window ---

struct FakeFolders final : KnownFolders {
    std::string x86 = "/opt";
    std::string pathToFolder(int id) override {
        return id == csidl::ProgramFilesX86 ? x86 : id == csidl::ProgramFiles ? "/usr/local" : "/home/u/Documents";
    }
};

TEST(CommandLine, SplitAtTheFirstDoubleStarWithDefaults) {
    FakeFolders folders;
    auto both = parseCommandLine("/opt/Oskery/Varnel/**/home/u/Documents/x/**y", folders);
    EXPECT_EQ(both.varnelMainPath, "/opt/Oskery/Varnel/");
    EXPECT_EQ(both.varnelUserPath, "/home/u/Documents/x/**y/");
    EXPECT_EQ(both.varnelUserPathFilename, "Varnel.dat");

    auto empty = parseCommandLine("", folders);
    EXPECT_EQ(empty.varnelMainPath, "/opt/Oskery/Varnel/");
    EXPECT_EQ(empty.varnelUserPath, "/home/u/Documents/");

    EXPECT_EQ(parseCommandLine("**/somewhere", folders).varnelUserPath, "/home/u/Documents/");

    auto noStars = parseCommandLine("/opt/my prog", folders);
    EXPECT_EQ(noStars.varnelMainPath, "/opt/my prog/");
    EXPECT_EQ(noStars.varnelUserPath, "");

    folders.x86.clear();
    EXPECT_EQ(parseCommandLine("", folders).varnelMainPath, "/usr/local/Oskery/Varnel/");

    const char* argv[] = {"prog", "/opt/my", "prog/**/data"};
    EXPECT_EQ(joinArguments(3, argv), "/opt/my prog/**/data");
}

TEST(UserNames, Cleaning) {
    EXPECT_EQ(cleanUserName("John Smith."), "John_Smith");
    EXPECT_EQ(cleanUserName("J.R.R. Tolkien"), "JRR_Tolkien");
    EXPECT_EQ(cleanUserName("a_9 Z"), "a_9_Z");
    EXPECT_EQ(cleanUserName("Mary-Ann"), "");
    EXPECT_EQ(cleanUserName("\xC3\xA9"), "");
    EXPECT_EQ(cleanUserName("tab\there"), "");
}

TEST(WarningBoxes, CheckedShowsItsWarningUncheckedHides) {
    EXPECT_EQ(
        afterWarningBoxClick(WarningBox::DefaultIcons, true).text,
        "Warning: Checking this box will cause your current icons to be overwritten with the default installation "
        "icons!");
    EXPECT_EQ(afterWarningBoxClick(WarningBox::DefaultPreferences, true).text,
              "Warning: Checking this box will cause your current preferences to be overwritten with the default "
              "preferences!");
    EXPECT_EQ(afterWarningBoxClick(WarningBox::DefaultTabbedPane, true).text,
              "Warning: Checking this box will cause your current filters, templates, priority items to be overwritten "
              "with the default installation settings!");
    EXPECT_FALSE(afterWarningBoxClick(WarningBox::DefaultIcons, false).visible);
}

}   // namespace
}   // namespace varnel

namespace varnel {
namespace {

// The documented trial script must lay out a tree that a whole setup accepts.
TEST(TrialScript, LaysOutATreeThatAWholeSetupAccepts) {
    test::TempTree t;
    const std::string command = "TRY_INSTALLER_NO_START=1 TRY_INSTALLER_ROOT='" + t.path().string() + "' bash '" +
                                VARNEL_SOURCE_DIR + "/scripts/try-installer.sh' > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);

    tesk::PosixFileSystem disk;
    tesk::RegFileRegistry registry{disk, t.root() + "registry.reg"};
    ASSERT_TRUE(palmDesktopPathReadable(registry));
    auto users = parseUsersDat(test::readFileBytes(t.root() + "PalmDesktop/Users.dat"));
    EXPECT_EQ(users.names, (std::vector<std::string>{"Ann Lee", "Bob Smith"}));
    EXPECT_EQ(users.folders, (std::vector<std::string>{"LeeA", "SmithB"}));
    EXPECT_TRUE(users.notes.empty());

    test::ScriptedHost host;
    MainState state;
    state.varnelMainPath = t.root() + "opt/Oskery/Varnel/";
    SetupRun run{disk, registry, host, state};
    SetupOptions options;
    auto outcome = run.run(options);
    EXPECT_EQ(outcome.kind, RunOutcome::Kind::Completed);
    EXPECT_EQ(host.dialogPreselected, 0u);
    EXPECT_TRUE(std::filesystem::exists(t.root() + "PalmDesktop/LeeA/Varnel/Default.txt"));
    EXPECT_EQ(registry.regread(palm::ModuleSettings[0].component), "DateBook.mdb");
}

}   // namespace
}   // namespace varnel

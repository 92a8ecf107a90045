// The setup run and the window-independent rules of the setup window: the command line, the
// check-box warnings, the standalone prompts and the order of the stages.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "data_files.hpp"
#include "file_steps.hpp"
#include "platform/registry.hpp"
#include "setup_host.hpp"
#include "setup_state.hpp"

namespace varnel {

// The platform's well-known folders by their numeric identifiers.
namespace csidl {
inline constexpr int Personal = 5;
inline constexpr int ProgramFiles = 38;
inline constexpr int ProgramFilesX86 = 42;
}   // namespace csidl

class KnownFolders {
public:
    virtual ~KnownFolders() = default;
    // The folder's path without a trailing separator, or empty text when it cannot be given.
    virtual std::string pathToFolder(int csidlConstant) = 0;
};

// Program files = /opt, documents = the XDG documents folder handed in by the caller.
class LinuxKnownFolders final : public KnownFolders {
public:
    explicit LinuxKnownFolders(std::string documents) : documents_(std::move(documents)) {}
    std::string pathToFolder(int csidlConstant) override;

private:
    std::string documents_;
};

// The program's arguments joined by single spaces.
std::string joinArguments(int argc, const char* const* argv);

// The window's paths from the command line: program folder and user data base split at the first
// "**"; an empty program part takes both defaults.
MainState parseCommandLine(std::string_view commandLine, KnownFolders& folders);

namespace text {
inline constexpr std::string_view Label1 = "Check all 4 boxes below for a completely clean install.";
inline constexpr std::string_view Label2 = "You must check all 4 boxes when first installing Varnel!";
inline constexpr std::string_view IconsWarning =
    "Warning: Checking this box will cause your current icons to be overwritten with the default installation icons!";
inline constexpr std::string_view PreferencesWarning =
    "Warning: Checking this box will cause your current preferences to be overwritten with the default preferences!";
inline constexpr std::string_view TabbedPaneWarning =
    "Warning: Checking this box will cause your current filters, templates, priority items to be overwritten with "
    "the default installation settings!";
inline constexpr std::string_view PathTitle = "Set Path to User Data";
inline constexpr std::string_view NameTitle = "Set User Name for Calendar";
inline constexpr std::string_view ProvideName = "Provide a User Name:";
inline constexpr std::string_view ConfirmName = "Confirm User Name:";
inline constexpr std::string_view NotCompleted = "Varnel Installation not completed";
inline constexpr std::string_view CompleteSuffix = " Installation Complete!";
inline constexpr std::string_view IncompleteSuffix = " Installation Incomplete";
inline constexpr std::string_view UpdateSuccessful = "Varnel Preferences file update successful";
inline constexpr std::string_view UpdateWithErrors =
    "Setup finished with errors (see the messages shown): press Setup to try again";
std::string pathPrompt();
std::string invalidUserName();
std::string helpText();
}   // namespace text

// The three boxes that warn when they become checked.
enum class WarningBox { DefaultIcons, DefaultPreferences, DefaultTabbedPane };

// What `DisplayResult` shows after a click on a warning box: the box's warning when it is now
// checked, nothing (hidden) when it is now unchecked.
struct ResultDisplay {
    bool visible = false;
    std::string text;
};
ResultDisplay afterWarningBoxClick(WarningBox box, bool nowChecked);

// Removes every ".", turns blanks into "_", and gives empty text unless only A-Z, a-z, 0-9 and "_"
// remain.
std::string cleanUserName(std::string_view typed);

// Start-up: a Palm Desktop is usable when its folder value can be read and is not empty.
bool palmDesktopPathReadable(tesk::Registry& registry);

struct SetupOptions {
    bool newerPIMs = true;
    bool standAlone = false;
    bool defaultPreferences = false;
    DataFileChoices files;
};

struct RunOutcome {
    enum class Kind {
        EndedEarly,              // the window stays as it was; Setup may be pressed again
        Completed,               // every step done; nothing failed
        CompletedWithFailures,   // every step tried; failures were reported
        EndProgram,
    };
    Kind kind = Kind::EndedEarly;
    std::string titleSuffix;   // appended to the window title
    std::string display;       // the text of DisplayResult
    RunPaths paths;
};

class SetupRun {
public:
    SetupRun(tesk::FileSystem& fs, tesk::Registry& registry, SetupHost& host, MainState& state)
        : fs_(fs), registry_(registry), host_(host), state_(state) {}

    // RunSetup: the user-data stage of the mode, the calendar folder, the preference rewrite, the
    // program-folder files, the data files, and the completion display.
    RunOutcome run(const SetupOptions& options);

private:
    StageResult standalonePrompts(FileSteps& steps, RunPaths& paths);

    tesk::FileSystem& fs_;
    tesk::Registry& registry_;
    SetupHost& host_;
    MainState& state_;
};

}   // namespace varnel

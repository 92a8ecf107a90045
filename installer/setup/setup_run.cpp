// The order of a setup run. Deliberate: the completion display comes last, after the data files,
// so that what it says covers every step the run took.
#include "setup_run.hpp"

#include <filesystem>
#include <vector>

#include "join_lines.hpp"
#include "palm_desktop.hpp"
#include "platform/paths.hpp"
#include "preferences.hpp"

namespace varnel {
namespace {

bool isNameCharacter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// The first sub-folder the listing gives; hidden folders (a leading ".") are not user folders.
std::string firstSubfolderName(FileSteps& steps, const std::string& folder) {
    std::vector<std::string> names;
    if (steps.fs().listFolder(folder, names) != tesk::ErrorNumber::None) return {};
    for (const auto& name : names) {
        if (!name.empty() && name[0] != '.' && steps.isFolder(folder + name)) return name;
    }
    return {};
}

// A typed folder as an absolute path: the calendar reads the paths written for it from its own
// working folder, which need not be this program's.
std::string absoluteFolder(const std::string& typed, const std::string& workingFolder) {
    std::filesystem::path p(typed);
    if (p.is_absolute()) return typed;
    std::error_code ec;
    std::filesystem::path base =
        workingFolder.empty() ? std::filesystem::current_path(ec) : std::filesystem::path(workingFolder);
    return (base / p).lexically_normal().string();
}

}   // namespace

std::string LinuxKnownFolders::pathToFolder(int csidlConstant) {
    switch (csidlConstant) {
        case csidl::ProgramFiles:
        case csidl::ProgramFilesX86: return "/opt";
        case csidl::Personal: return documents_;
        default: return {};
    }
}

std::string joinArguments(int argc, const char* const* argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) line += ' ';
        line += argv[i];
    }
    return line;
}

MainState parseCommandLine(std::string_view commandLine, KnownFolders& folders) {
    MainState state;
    state.varnelMainPath = std::string(commandLine);
    if (auto p = commandLine.find("**"); p != std::string_view::npos) {
        state.varnelUserPath = std::string(commandLine.substr(p + 2));
        state.varnelMainPath = std::string(commandLine.substr(0, p));
    }
    if (state.varnelMainPath.empty()) {
        auto programFiles = folders.pathToFolder(csidl::ProgramFilesX86);
        if (programFiles.empty()) programFiles = folders.pathToFolder(csidl::ProgramFiles);
        state.varnelMainPath = programFiles + "/Oskery/Varnel/";
        state.varnelUserPath = folders.pathToFolder(csidl::Personal) + "/";
    }
    // File names are appended to both; a folder given without its separator still works.
    state.varnelMainPath = tesk::withTrailingSeparator(state.varnelMainPath);
    state.varnelUserPath = tesk::withTrailingSeparator(state.varnelUserPath);
    return state;
}

std::string text::pathPrompt() {
    return "Install Path for User Data:" + std::string(CrLf) + std::string(CrLf) +
           "(Leave this path alone unless you previously installed Varnel elsewhere (or move your data after the "
           "install to this path) - see ReadMe File for more information";
}

std::string text::invalidUserName() {
    return joinLines(
        {"Invalid user name (use only letters a-z, digits 0-9 and underscore for UserName)", "",
         "This error may also occur if you changed the default path in the prior dialog to an invalid folder"});
}

std::string text::helpText() {
    return joinLines(
        {"Starting with the Tungsten T3, Palm switched from the standard Palm OS PIM apps to their own "
         "proprietary PIM apps which have a completely different database format.",
         "All Treos (except the Treo-600, but including the Centro), T3/T5/Tx/E/E2/LifeDrive/Zire31/72 "
         "are considered 'Newer Palm Devices'",
         "While all other devices are considered to be 'Legacy' devices"});
}

ResultDisplay afterWarningBoxClick(WarningBox box, bool nowChecked) {
    if (!nowChecked) return {};
    switch (box) {
        case WarningBox::DefaultIcons: return {true, std::string(text::IconsWarning)};
        case WarningBox::DefaultPreferences: return {true, std::string(text::PreferencesWarning)};
        case WarningBox::DefaultTabbedPane: return {true, std::string(text::TabbedPaneWarning)};
    }
    return {};
}

std::string cleanUserName(std::string_view typed) {
    std::string cleaned;
    for (char c : typed) {
        if (c == '.') continue;
        cleaned += c == ' ' ? '_' : c;
    }
    for (unsigned char c : cleaned) {
        if (!isNameCharacter(c)) return {};
    }
    return cleaned;
}

bool palmDesktopPathReadable(tesk::Registry& registry) {
    auto path = registry.regread(palm::CorePath);
    return path && !path->empty();
}

StageResult SetupRun::standalonePrompts(FileSteps& steps, RunPaths& paths) {
    auto answer = host_.inputBox(text::pathPrompt(), text::PathTitle, state_.varnelUserPath + "Oskery/");
    if (!answer || answer->empty()) return StageResult::EndRun;
    // Names are appended to the folder, so a folder typed without its separator gets one.
    paths.dataRoot = tesk::withTrailingSeparator(absoluteFolder(*answer, state_.workingFolder));

    std::string existingName;
    if (steps.isFolder(paths.dataRoot)) {
        existingName = firstSubfolderName(steps, paths.dataRoot);
    } else if (!steps.ensureFolder(paths.dataRoot)) {
        return StageResult::EndRun;
    }

    auto typed =
        host_.inputBox(existingName.empty() ? text::ProvideName : text::ConfirmName, text::NameTitle, existingName);
    if (!typed || typed->empty()) {
        host_.message(text::NotCompleted, "");
        return StageResult::EndRun;
    }
    auto cleaned = cleanUserName(*typed);
    if (cleaned.empty()) {
        host_.message(text::invalidUserName(), "");
        return StageResult::EndRun;
    }
    paths.userFolderName = cleaned;
    state_.palmUserName = *typed;
    if (!steps.ensureFolder(paths.dataRoot + paths.userFolderName + "/")) return StageResult::EndRun;
    return StageResult::Continue;
}

RunOutcome SetupRun::run(const SetupOptions& options) {
    RunOutcome outcome;
    FileSteps steps{fs_, host_};
    auto& paths = outcome.paths;
    paths.mode = options.standAlone ? Mode::Standalone : options.newerPIMs ? Mode::Newer : Mode::Legacy;
    paths.varnelMainPath = state_.varnelMainPath;

    auto stage = paths.mode == Mode::Standalone ? standalonePrompts(steps, paths)
                                                : runPalmDesktopStage(registry_, steps, state_, paths);
    if (stage != StageResult::Continue) {
        outcome.kind = stage == StageResult::EndProgram ? RunOutcome::Kind::EndProgram : RunOutcome::Kind::EndedEarly;
        return outcome;
    }

    paths.calendarFolder = paths.dataRoot + paths.userFolderName + "/Varnel/";
    if (!steps.ensureFolder(paths.calendarFolder)) return outcome;
    if (!updateDefaultPreferences(steps, paths, options.defaultPreferences)) return outcome;
    writeProgramFolderFiles(steps, paths, state_.varnelUserPathFilename);
    installDataFiles(steps, paths, options.files);

    const bool clean = !steps.failed();
    outcome.kind = clean ? RunOutcome::Kind::Completed : RunOutcome::Kind::CompletedWithFailures;
    outcome.titleSuffix = clean ? text::CompleteSuffix : text::IncompleteSuffix;
    outcome.display = "Primary User Name: " + state_.palmUserName + ". User Folder: " + paths.calendarFolder +
                      std::string(CrLf) + std::string(clean ? text::UpdateSuccessful : text::UpdateWithErrors);
    return outcome;
}

}   // namespace varnel

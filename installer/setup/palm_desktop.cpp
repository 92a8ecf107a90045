#include "palm_desktop.hpp"

#include <algorithm>

#include "join_lines.hpp"
#include "platform/ascii.hpp"
#include "platform/paths.hpp"

namespace varnel {
namespace {

void writeSetting(tesk::Registry& registry, FileSteps& steps, std::string_view path, std::string_view value) {
    if (auto e = registry.regwrite(path, value); e != tesk::ErrorNumber::None) {
        steps.reportFailure("Cannot write the registry value " + std::string(path) + ": " + describeError(e));
    }
}

}   // namespace

void adjustModuleSettings(tesk::Registry& registry, FileSteps& steps, Mode mode) {
    for (const auto& setting : palm::ModuleSettings) {
        const auto compared = mode == Mode::Legacy ? setting.legacy : setting.newerCompared;
        const auto written = mode == Mode::Legacy ? setting.legacy : setting.newerWritten;
        for (auto path : {setting.component, setting.uiModule}) {
            // A missing setting reads as empty text and is written like any other wrong one.
            if (tesk::lower(registry.regread(path).value_or("")) != compared)
                writeSetting(registry, steps, path, written);
        }
    }
}

void applyPalmUserAnswer(MainState& state, SetupHost& host, const std::vector<std::string>& names,
                         const PalmUserAnswer& answer) {
    if (answer.cancelled || !answer.selected || *answer.selected >= names.size()) return;
    const auto& chosen = names[*answer.selected];
    if (chosen == state.palmUserName) return;
    state.palmUserName = chosen;
    state.varnelUserPathFilename = chosen + ".dat";
    host.message(joinLines({palm::DifferentUserLine1, palm::DifferentUserLine2, palm::DifferentUserLine3}), "");
}

StageResult runPalmDesktopStage(tesk::Registry& registry, FileSteps& steps, MainState& state, RunPaths& paths) {
    auto& host = steps.host();
    const auto corePath = registry.regread(palm::CorePath).value_or("");
    if (corePath.empty()) {
        host.message(joinLines({palm::NotInstalledLine1, palm::NotInstalledLine2}), "");
        return StageResult::EndProgram;
    }
    adjustModuleSettings(registry, steps, paths.mode);
    paths.dataRoot = tesk::withTrailingSeparator(corePath);

    state.palmUserName = registry.regread(palm::DesktopUser).value_or("");
    if (state.palmUserName.empty()) state.palmUserName = registry.regread(palm::LastUserName).value_or("");

    const auto usersFile = paths.dataRoot + "Users.dat";
    if (!steps.exists(usersFile)) {
        host.message(palm::UsersDatMissing, "");
        return StageResult::EndRun;
    }
    std::vector<std::uint8_t> bytes;
    if (auto e = steps.fs().readFile(usersFile, bytes, 16u << 20); e != tesk::ErrorNumber::None) {
        steps.reportFailure("Cannot read " + usersFile + ": " + describeError(e));
        return StageResult::EndRun;
    }
    auto users = parseUsersDat(bytes);
    for (const auto& note : users.notes) host.message(note, "");
    switch (users.status) {
        case UsersDat::Status::Ok: break;
        case UsersDat::Status::NoClassEntry: host.message(usersdat::NoClassEntry, ""); return StageResult::EndRun;
        case UsersDat::Status::NoConstant1: host.message(usersdat::NoConstant1, ""); return StageResult::EndRun;
        case UsersDat::Status::SequencingError:
            host.message(usersdat::SequencingError, "");
            return StageResult::EndProgram;
    }
    if (users.truncated) {
        host.message(usersFile + " ends inside a user record: only the first " + std::to_string(users.names.size()) +
                         " users could be read.",
                     "");
    }

    paths.userFolderName.clear();
    if (users.names.size() <= 1) {
        if (!users.folders.empty()) paths.userFolderName = users.folders.front();
    } else {
        std::optional<std::size_t> preselected;
        for (std::size_t i = 0; i < users.names.size(); ++i) {
            if (users.names[i] == state.palmUserName) preselected = i;   // the last match is preselected
        }
        auto answer = host.choosePalmUser(users.names, preselected);
        if (answer.cancelled) return StageResult::EndProgram;
        applyPalmUserAnswer(state, host, users.names, answer);
        auto first = std::find(users.names.begin(), users.names.end(), state.palmUserName);
        if (first != users.names.end())
            paths.userFolderName = users.folders[static_cast<std::size_t>(first - users.names.begin())];
    }

    if (paths.userFolderName.empty()) {
        host.message(
            "Users.dat - no match found on user: " + state.palmUserName + ". Cannot determine path to user folder", "");
        return StageResult::EndRun;
    }
    // The folder name comes from the file: it must name one folder inside the Palm Desktop folder.
    if (!isPlainName(paths.userFolderName)) {
        steps.reportFailure("Users.dat - the folder name \"" + paths.userFolderName + "\" of user " +
                            state.palmUserName + " is not a folder inside " + paths.dataRoot);
        return StageResult::EndRun;
    }
    return StageResult::Continue;
}

}   // namespace varnel

#include "data_files.hpp"

#include "preferences.hpp"

namespace varnel {

bool writeProgramFolderFiles(FileSteps& steps, const RunPaths& paths, const std::string& userPathFilename) {
    bool ok = true;
    // The name may come from Palm Desktop's user list: it must stay one name inside the folder.
    if (isPlainName(userPathFilename)) {
        ok = steps.writeReplacing(paths.varnelMainPath + userPathFilename, paths.calendarFolder + std::string(CrLf));
    } else {
        steps.reportFailure("The user-path file cannot be named \"" + userPathFilename +
                            "\": the name is not usable as a file name in " + paths.varnelMainPath);
        ok = false;
    }
    const std::string batch = "\"" + paths.varnelMainPath + "Varnel-manual.pdf\"" + std::string(CrLf);
    return steps.writeReplacing(paths.varnelMainPath + "DisplayVarnelManual.bat", batch) && ok;
}

bool installDataFiles(FileSteps& steps, const RunPaths& paths, const DataFileChoices& choices) {
    const int failuresBefore = steps.failures();
    const auto& from = paths.varnelMainPath;
    const auto& to = paths.calendarFolder;
    auto copySame = [&](std::string_view name) { steps.installCopy(from + std::string(name), to + std::string(name)); };

    steps.removeIfPresent(to + "CalendarCache.dat");

    if (choices.defaultTabbedPane || !steps.exists(to + "VarnelDBs.dat")) {
        steps.installCopy(from + "VarnelDBs.def", to + "VarnelDBs.dat");
        copySame("VarnelExportTemplate.txt");
        copySame("WorldTimezones.txt");
    } else {
        for (auto name : ScreenTemplates) {
            if (!steps.exists(to + std::string(name))) copySame(name);
        }
    }
    if (choices.screenTemplates) {
        for (auto name : ScreenTemplates) copySame(name);
    }
    if (choices.defaultIcons || !steps.exists(to + "UserIcons.dat")) {
        steps.installCopy(from + "UserIcons.def", to + "UserIcons.dat");
    }
    copySame("SystemIcons.dat");
    updateTemplatePreferences(steps, paths);
    return steps.failures() == failuresBefore;
}

}   // namespace varnel

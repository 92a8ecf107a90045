// The files a setup run leaves behind: the user-path file and the manual's batch file in the
// program folder, and the calendar's default data files in the user's calendar folder.
#pragma once

#include <string>

#include "file_steps.hpp"
#include "setup_state.hpp"

namespace varnel {

struct DataFileChoices {
    bool defaultTabbedPane = false;   // replace "VarnelDBs.dat" and its export and time-zone files
    bool screenTemplates = true;      // replace the three screen templates
    bool defaultIcons = false;        // replace "UserIcons.dat"
};

inline constexpr std::string_view ScreenTemplates[] = {
    "ContactsScreenDisplayTemplate.txt", "DetailsScreenDisplayTemplate.txt", "TasksScreenDisplayTemplate.txt"};

// Writes varnelMainPath + userPathFilename (one line, the calendar folder) and
// "DisplayVarnelManual.bat". False when either could not be written.
bool writeProgramFolderFiles(FileSteps& steps, const RunPaths& paths, const std::string& userPathFilename);

// The data files in their fixed order, ending with the second preference pass. False when any
// step failed (each failure has been reported).
bool installDataFiles(FileSteps& steps, const RunPaths& paths, const DataFileChoices& choices);

}   // namespace varnel

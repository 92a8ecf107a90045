// The terms one setup run shares between its stages.
#pragma once

#include <string>

namespace varnel {

enum class Mode {
    Standalone,   // data in a folder of the user's choosing, not synchronised
    Legacy,       // a Palm Desktop user's folder, the older database files (".db")
    Newer,        // a Palm Desktop user's folder, the newer database files (".mdb")
};

inline bool isPalmMode(Mode m) { return m != Mode::Standalone; }

// Where the run's files come from and go to. Every folder text ends in "/".
struct RunPaths {
    Mode mode = Mode::Newer;
    std::string varnelMainPath;   // the calendar's program folder, source of every template
    std::string dataRoot;         // folder that holds the user's folder
    std::string userFolderName;   // the user's folder below dataRoot, one plain name
    std::string calendarFolder;   // dataRoot + userFolderName + "/Varnel/"
};

}   // namespace varnel

namespace varnel {

// The public state of the setup window that the stages read and change.
struct MainState {
    std::string varnelMainPath;   // ends in "/"
    std::string varnelUserPath;   // ends in "/" or is empty
    std::string varnelUserPathFilename = "Varnel.dat";
    std::string palmUserName;
    // The folder the program runs in: a relative path the user types is taken from here (empty:
    // the process's current folder).
    std::string workingFolder;
};

// How a stage ends: the run goes on, the run ends (the window stays), or the program ends.
enum class StageResult { Continue, EndRun, EndProgram };

}   // namespace varnel

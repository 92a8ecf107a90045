// The calendar's preference file "Default.txt": installed from its template when asked for or
// missing, then rewritten line by line so that its four database paths point into the user's folder
// and its synchronisation flag fits the mode.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "file_steps.hpp"
#include "setup_state.hpp"

namespace varnel {

struct DatabaseRow {
    std::string_view key;    // searched in the lower-case form of a line
    std::string_view line;   // written before the path
    std::string_view subFolder;
    std::string_view newerFile;
    std::string_view legacyFile;
    std::string_view emptyTemplate;
};

inline constexpr std::array<DatabaseRow, 4> DatabaseRows{{
    {"calendardatabasepath", "CalendarDatabasePath = (file) ", "datebook", "DateBook.mdb", "datebook.db",
     "VarnelEmptyDatebook.mdb"},
    {"contactsdatabasepath", "ContactsDatabasePath = (file) ", "address", "Address.mdb", "address.db",
     "VarnelEmptyAddress.mdb"},
    {"tasksdatabasepath", "TasksDatabasePath = (file) ", "todo", "Todolist.mdb", "todo.db", "VarnelEmptyTodolist.mdb"},
    {"memopaddatabasepath", "MemoPadDatabasePath = (file) ", "memopad", "MemoPad.mdb", "memopad.db",
     "VarnelEmptyMemoPad.mdb"},
}};

namespace prefs {
inline constexpr std::string_view SyncKey = "SynchronizeWithPalmOS";
inline constexpr std::string_view SyncComment =
    "   // Set true if database is being synched with a Palm OS Handheld. Set FALSE for standalone operation. "
    "If true, imposes certain limits such as 32k as the maximum memo size, etc.";
inline constexpr std::string_view CountError = "Error: One or more database paths was missing in Default.txt file";
inline constexpr std::string_view OldDesktopTitle = "Old Palm Desktop Installed?";
inline constexpr std::string_view OldDesktopLine1 =
    "Varnel requires the V-6.2 Palm Desktop (Access Version) - it appears you have the older V-4.2 desktop installed";
inline constexpr std::string_view OldDesktopLine2 =
    "Installation will continue, but Varnel will not find your calendar data - see read-me-first file for further "
    "information";
}   // namespace prefs

std::string synchronisationLine(Mode mode);

// The database file of a row for the run: dataRoot + userFolderName + "/" + sub-folder + "/" + name.
std::string databaseFolder(const RunPaths& paths, const DatabaseRow& row);
std::string databaseFile(const RunPaths& paths, const DatabaseRow& row);

// The row whose key the line contains (first in table order), or nullptr.
const DatabaseRow* matchDatabaseRow(std::string_view line);

// Splits text into lines at CR LF, LF or CR; a final line end adds no empty line.
std::vector<std::string> splitTextLines(std::string_view text);

// The first pass. False when the run must end: "Default.txt" could not be installed or read, the
// count check failed, or the rewritten file could not be put in place. Other failures (a database
// folder or empty database that could not be made) are reported and counted but do not end it.
bool updateDefaultPreferences(FileSteps& steps, const RunPaths& paths, bool installDefaults);

// The second pass over the calendar folder's copy of "VarnelPreferences.def".
bool updateTemplatePreferences(FileSteps& steps, const RunPaths& paths);

}   // namespace varnel

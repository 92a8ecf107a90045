// The Palm Desktop stage of a setup run: make Palm Desktop's modules name the database files of the
// chosen kind, find the Palm Desktop folder and user in the registry and "Users.dat", let the user
// pick one of several Palm users, and hand back the data root and the user's folder.
#pragma once

#include <string_view>

#include "file_steps.hpp"
#include "platform/registry.hpp"
#include "setup_state.hpp"
#include "users_dat.hpp"

namespace varnel {

namespace palm {
inline constexpr std::string_view CorePath = "HKEY_CURRENT_USER\\Software\\U.S. Robotics\\Pilot Desktop\\Core\\Path";
inline constexpr std::string_view DesktopUser =
    "HKEY_CURRENT_USER\\Software\\U.S. Robotics\\Pilot Desktop\\Preferences\\DesktopUser";
inline constexpr std::string_view LastUserName =
    "HKEY_CURRENT_USER\\Software\\U.S. Robotics\\Pilot Desktop\\Preferences\\LastUserName";

inline constexpr std::string_view NotInstalledLine1 =
    "Palm Desktop not Installed, or Windows Registry not accessible from Installer";
inline constexpr std::string_view NotInstalledLine2 =
    "Try running VarnelInstall-PalmUser.exe from C:\\Program Files\\Oskery\\Varnel at conclusion of installation";
inline constexpr std::string_view UsersDatMissing =
    "Unable to locate Users.Dat file - you will need to manually set the path to your user name folder in the "
    "VarnelPreferences.txt file";
inline constexpr std::string_view DifferentUserLine1 =
    "Since you selected a different user from the current default user,";
inline constexpr std::string_view DifferentUserLine2 = "you will need to set up a separate launch icon for this user";
inline constexpr std::string_view DifferentUserLine3 =
    "(see Read-Me-First file displayed at end of this install for further details)";

struct ModuleSetting {
    std::string_view component;   // processed first
    std::string_view uiModule;    // receives the same text
    std::string_view newerCompared;
    std::string_view newerWritten;
    std::string_view legacy;   // compared and written
};
inline constexpr ModuleSetting ModuleSettings[] = {
    {"HKEY_LOCAL_MACHINE\\SOFTWARE\\PalmSource\\Desktop\\Component1\\File0",
     "HKEY_LOCAL_MACHINE\\SOFTWARE\\PalmSource\\Desktop\\UiModule0\\File0", "datebook.mdb", "DateBook.mdb",
     "datebook.db"},
    {"HKEY_LOCAL_MACHINE\\SOFTWARE\\PalmSource\\Desktop\\Component3\\File0",
     "HKEY_LOCAL_MACHINE\\SOFTWARE\\PalmSource\\Desktop\\UiModule1\\File0", "address.mdb", "Address.mdb", "address.db"},
    {"HKEY_LOCAL_MACHINE\\SOFTWARE\\PalmSource\\Desktop\\Component5\\File0",
     "HKEY_LOCAL_MACHINE\\SOFTWARE\\PalmSource\\Desktop\\UiModule2\\File0", "todolist.mdb", "Todolist.mdb", "todo.db"},
    {"HKEY_LOCAL_MACHINE\\SOFTWARE\\PalmSource\\Desktop\\Component7\\File0",
     "HKEY_LOCAL_MACHINE\\SOFTWARE\\PalmSource\\Desktop\\UiModule3\\File0", "memopad.mdb", "Memopad.mdb", "memopad.db"},
};
}   // namespace palm

// Rewrites the eight module settings that do not already name the mode's file (compared without
// regard to letter case). Failed writes are reported.
void adjustModuleSettings(tesk::Registry& registry, FileSteps& steps, Mode mode);

// What the user's answer in the Palm user dialog does to the window state (a different user gets
// its own user-path file and a note about a separate launch icon).
void applyPalmUserAnswer(MainState& state, SetupHost& host, const std::vector<std::string>& names,
                         const PalmUserAnswer& answer);

// The whole stage. On Continue, paths.dataRoot and paths.userFolderName are set.
StageResult runPalmDesktopStage(tesk::Registry& registry, FileSteps& steps, MainState& state, RunPaths& paths);

}   // namespace varnel

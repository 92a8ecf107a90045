// Read-only access to registry values kept in a registry export file (REGEDIT4 or version 5.00
// text; UTF-16 files as a registry editor writes them are read too).
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "mod_util.hpp"
#include "platform/file_system.hpp"
#include "platform/registry.hpp"
#include "platform/ui.hpp"

namespace tesk::icontool {

// $VARNEL_REGISTRY, or $XDG_CONFIG_HOME/varnel/registry.reg (~/.config when unset).
inline std::string registryFilePath(const EnvLookup& env) { return tesk::registryFilePath(env); }

// The about box's view of the registry file shared with the installer.
class RegistryFile {
public:
    RegistryFile(FileSystem& files, std::string path) : store_(files, std::move(path)) {}
    // One value of a key under a root ("HKEY_LOCAL_MACHINE" or "HKLM" and the like). False with
    // empty text when the key or value is missing; true with empty text for a value that is not a
    // string.
    bool GetKeyValue(const std::string& keyRoot, const std::string& keyName, const std::string& valueName,
                     std::string& keyVal) const;

private:
    mutable RegFileRegistry store_;
};

// Starts the system information program named by the registry, or shows "System Information Is
// Unavailable At This Time". The launcher starts a program detached and says whether it did.
using Launcher = std::function<bool(const std::string& program)>;
void StartSysInfo(const RegistryFile& registry, const FileSystem& files, const Launcher& launch, Ui& ui);

}   // namespace tesk::icontool

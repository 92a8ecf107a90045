// Registry values of type REG_SZ addressed by their full path ("HKEY_CURRENT_USER\Software\...\Name",
// "HKCU\..." and "HKLM\..." accepted). The file backend keeps them in a registry export file in the
// REGEDIT4 text format, so a stand-in Palm Desktop is a text file a person can read and edit.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/error_number.hpp"
#include "platform/file_system.hpp"

namespace tesk {

class Registry {
public:
    virtual ~Registry() = default;
    // The text of a REG_SZ value; nothing when the value (or the store) is missing or of another type.
    virtual std::optional<std::string> regread(std::string_view fullPath) = 0;
    // Whether the value exists at all, whatever its type (a dword or binary value counts).
    virtual bool valueExists(std::string_view fullPath) = 0;
    virtual ErrorNumber regwrite(std::string_view fullPath, std::string_view value) = 0;
};

// Splits "ROOT\Key\Path\Name" into the key (root spelled out in full) and the value name.
// Nothing when the path has no key part.
struct RegistryPath {
    std::string key;
    std::string name;
};
std::optional<RegistryPath> splitRegistryPath(std::string_view fullPath);

// Values in a REGEDIT4 / "Windows Registry Editor Version 5.00" text file. Every read parses the
// file afresh and every write rewrites it atomically, keeping all other lines as they were.
class RegFileRegistry final : public Registry {
public:
    RegFileRegistry(FileSystem& fs, std::string filePath) : fs_(fs), path_(std::move(filePath)) {}
    std::optional<std::string> regread(std::string_view fullPath) override;
    bool valueExists(std::string_view fullPath) override;
    ErrorNumber regwrite(std::string_view fullPath, std::string_view value) override;
    const std::string& filePath() const { return path_; }

private:
    FileSystem& fs_;
    std::string path_;
};

// The registry file of this user: $VARNEL_REGISTRY, else $XDG_CONFIG_HOME/varnel/registry.reg
// (the configuration home defaulting to ~/.config; a relative XDG_CONFIG_HOME is ignored, as the
// base directory rules say). Empty when no home is known. `env` looks a variable up.
std::string registryFilePath(const std::function<std::string(const char* name)>& env);
std::string defaultRegistryFile();

// REGEDIT4 string escapes: "\" and double quote are written with a backslash before them.
std::string escapeRegString(std::string_view text);
std::string unescapeRegString(std::string_view text);

}   // namespace tesk

// The about box reads two values of the shared registry file; value buffers hold 1,023 characters.
#include "registry_file.hpp"

#include "platform/paths.hpp"

namespace tesk::icontool {
namespace {

constexpr std::size_t kValueChars = 1023;   // a 1024-character buffer less its NUL

}   // namespace

bool RegistryFile::GetKeyValue(const std::string& keyRoot, const std::string& keyName, const std::string& valueName,
                               std::string& keyVal) const {
    keyVal.clear();
    const auto fullPath = keyRoot + "\\" + keyName + "\\" + valueName;
    if (!store_.valueExists(fullPath)) return false;
    if (auto text = store_.regread(fullPath)) keyVal = text->substr(0, kValueChars);
    return true;
}

void StartSysInfo(const RegistryFile& registry, const FileSystem& files, const Launcher& launch, Ui& ui) {
    std::string program;
    std::string value;
    if (registry.GetKeyValue("HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", value)) {
        program = value;
    } else if (registry.GetKeyValue("HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO",
                                    value)) {
        auto candidate = withTrailingSeparator(value) + "MSINFO32.EXE";
        if (!value.empty() && FileExists(files, candidate)) program = candidate;
    }
    if (program.empty() || !launch(program))
        ui.message("System Information Is Unavailable At This Time", "", MessageStyle::Plain);
}

}   // namespace tesk::icontool

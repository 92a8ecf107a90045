#include "settings.hpp"

#include "mod_util.hpp"
#include "platform/ascii.hpp"
#include "platform/paths.hpp"

namespace tesk::icontool {
namespace {

bool isKnownFormat(std::string_view f) { return f == "BMP" || f == "PNG" || f == "JPEG"; }

std::string read(cInifile& ini, const char* key, const char* fallback) {
    ini.key = key;
    ini.Default = fallback;
    return ini.Value();
}

void write(cInifile& ini, const char* key, const std::string& value) {
    ini.key = key;
    ini.setValue(value);
}

const char* boolText(bool b) { return b ? "True" : "False"; }

}   // namespace

bool readBoolean(std::string_view text, bool fallback) {
    const auto word = trimSpaces(tesk::lower(text));
    if (word == "true") return true;
    if (word == "false") return false;
    constexpr std::int32_t notANumber = INT32_MIN;
    auto n = cInifile::CLngDefault(word, notANumber);
    if (n == notANumber) return fallback;
    return n != 0;
}

std::string settingsFilePath(const std::string& userDataFolder) {
    if (userDataFolder.empty()) return {};
    return withTrailingSeparator(userDataFolder) + kSettingsFileName;
}

void InitializeIni(cInifile& ini, const std::string& iniPath, Ui& ui) {
    ini.path = iniPath;
    ini.Section = "Program";
    ini.key = "Name";
    ini.setValue("TESK");
    if (!ini.Success()) ui.message("Failed to save value to ini file.", "", MessageStyle::Information);
}

void LoadIni(cInifile& ini, const std::string& iniPath, IconToolSettings& s, const FileSystem& fs, Ui& ui) {
    ini.path = iniPath;
    ini.Section = kOptionsSection;

    if (auto v = trimSpaces(read(ini, "Last Input File Dir", "")); !v.empty()) s.lastInputDir = v;
    if (auto v = trimSpaces(read(ini, "Last Bitmap Output Dir", "")); !v.empty())
        s.lastOutputDir = DirExists(fs, v) ? v : std::string();

    s.bitmapFormat = read(ini, "Default Bitmap Format", "PNG");
    if (!isKnownFormat(s.bitmapFormat)) s.bitmapFormat = "PNG";

    s.sortBitmaps = cInifile::CLngDefault(read(ini, "Sort Bitmaps", "1"), 1);
    if (s.sortBitmaps > 1) s.sortBitmaps = 1;
    // A negative count would be passed on to the library as "sort"; it means nothing else.
    if (s.sortBitmaps < 0) s.sortBitmaps = 1;

    s.resizeIcons = readBoolean(read(ini, "Resize Icons", "True"), true);

    auto size = [&](const char* key, const char* text, std::int32_t def) {
        auto v = cInifile::CLngDefault(read(ini, key, text), def);
        return v < kMinSize || v > kMaxSize ? def : v;
    };
    s.targetWidth = size("Target Width", "16", kDefaultWidth);
    s.targetHeight = size("Target Height", "14", kDefaultHeight);

    s.allowResizeUp = readBoolean(read(ini, "Allow Resize Up", "False"), false);

    if (!ini.Success()) ui.message("Failed to get value from ini.", "", MessageStyle::Information);
}

void SaveIni(cInifile& ini, const std::string& iniPath, IconToolSettings& s, Ui& ui) {
    ini.path = iniPath;
    ini.Section = kOptionsSection;

    s.lastInputDir = trimSpaces(s.lastInputDir);
    if (!s.lastInputDir.empty()) write(ini, "Last Input File Dir", s.lastInputDir);
    s.lastOutputDir = trimSpaces(s.lastOutputDir);
    if (!s.lastOutputDir.empty()) write(ini, "Last Bitmap Output Dir", s.lastOutputDir);

    if (!isKnownFormat(s.bitmapFormat)) s.bitmapFormat = "PNG";
    write(ini, "Default Bitmap Format", s.bitmapFormat);
    write(ini, "Sort Bitmaps", std::to_string(s.sortBitmaps));
    write(ini, "Resize Icons", boolText(s.resizeIcons));
    write(ini, "Target Width", std::to_string(s.targetWidth));
    write(ini, "Target Height", std::to_string(s.targetHeight));
    write(ini, "Allow Resize Up", boolText(s.allowResizeUp));

    if (!ini.Success()) ui.message("Failed to save value to ini file.", "", MessageStyle::Information);
}

}   // namespace tesk::icontool

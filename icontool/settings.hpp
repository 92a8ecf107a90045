// The front end's settings record and its load and save steps over "TESK.ini".
#pragma once

#include <cstdint>
#include <string>

#include "ini_file.hpp"
#include "platform/file_system.hpp"
#include "platform/ui.hpp"

namespace tesk::icontool {

inline constexpr const char* kSettingsFileName = "TESK.ini";
inline constexpr const char* kOptionsSection = "Program Options";
inline constexpr std::int32_t kMinSize = 5;
inline constexpr std::int32_t kMaxSize = 40;
inline constexpr std::int32_t kDefaultWidth = 16;
inline constexpr std::int32_t kDefaultHeight = 14;

// Shared by the main window and the resize dialog. Before loading, texts are empty, numbers 0 and
// flags false. The 32-bit fields are handed to the library by address.
struct IconToolSettings {
    std::string lastInputDir;
    std::string lastOutputDir;
    std::string bitmapFormat;
    std::int32_t sortBitmaps = 0;
    bool resizeIcons = false;
    std::int32_t targetWidth = 0;
    std::int32_t targetHeight = 0;
    bool allowResizeUp = false;
};

// "True"/"False" in any letter case, or a number (0 false, anything else true); other text gives
// the fallback.
bool readBoolean(std::string_view text, bool fallback);

// The settings file in the data folder; empty when there is no data folder, so that no write lands
// anywhere else.
std::string settingsFilePath(const std::string& userDataFolder);

// Marker write at start-up; "Failed to save value to ini file." when it fails.
void InitializeIni(cInifile& ini, const std::string& iniPath, Ui& ui);
// Reads every key with its default and range check; "Failed to get value from ini." when the
// marker write before it failed.
void LoadIni(cInifile& ini, const std::string& iniPath, IconToolSettings& s, const FileSystem& fs, Ui& ui);
// Writes every key; "Failed to save value to ini file." when the last write fails.
void SaveIni(cInifile& ini, const std::string& iniPath, IconToolSettings& s, Ui& ui);

}   // namespace tesk::icontool

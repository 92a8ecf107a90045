// What the main window does, without the window: start-up and shutdown of the settings, the
// format and option choices, the input and output choices, dropped files and the extraction
// request. Form1 forwards its signals here and paints view().
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "extractor.hpp"
#include "ini_file.hpp"
#include "platform/file_system.hpp"
#include "platform/ui.hpp"
#include "settings.hpp"

namespace tesk::icontool {

inline constexpr const char* kProgramTitle = "Varnel Icon Tool";
inline constexpr std::uint32_t kRequestOptions = 0x4108;   // bitmaps only, library shows its errors, 16-bit as 24-bit
inline constexpr const char* kProgressCaption = "Extracting Bitmaps ...";

namespace msg {
inline constexpr const char* noInput = "Please select an input file first.";
inline constexpr const char* inputGone = "Error, input file no longer exists.";
inline constexpr const char* noOutput = "Please select and output directory first.";
inline constexpr const char* outputGone = "Error, the directory selected to save bitmaps does not exist.";
inline constexpr const char* tooDeep = "There were errors in the selected skin. Can't extract.";
}   // namespace msg

// Request status when the front end itself stopped the request before calling the library.
inline constexpr std::int32_t kNotCalled = -1'000'000;

// The three format names and the code each one passes to the library.
std::int32_t formatCode(std::string_view bitmapFormat);
// 0 no resizing, 1 shrink only, 2 shrink or enlarge; independent of the format.
std::int32_t resizeMode(const IconToolSettings& s);
// The report for a non-zero library status, or empty text for 0.
std::string statusMessage(std::int32_t status);
// The fatal start-up message, naming the platform's library file.
std::string missingLibraryMessage();
// The folder part of a chosen file, up to and including its last separator.
std::string folderOf(const std::string& path);

struct IconToolView {
    std::string pressedFormat;   // "BMP", "JPEG" or "PNG"
    std::string formatNote;
    std::string outputFolderCaption;
    bool sortChecked = false;
    bool resizeControlsVisible = false;   // the resize check box and its caption
    bool resizeChecked = false;
    bool resizeSetupVisible = false;
    bool busy = false;   // a request is with the library: no new one, no drops
};

class IconToolController {
public:
    IconToolController(IconToolSettings& settings, FileSystem& files, Ui& ui, Extractor& extractor,
                       std::string programFolder, std::string userDataFolder);

    // Start-up: the data folder, the marker write and the load.
    void startUp();
    // Whether the library file is in the program folder; shows the fatal message when it is not.
    bool libraryPresent();
    // Writes the settings once, whichever way the program ends.
    void shutDown();

    IconToolView view() const;

    void chooseFormat(std::string_view format);
    void setSortBitmaps(bool on);
    void setResizeIcons(bool on);

    // The folder the open-file dialog starts in.
    std::string initialInputFolder() const;
    // Takes the dialog's result (empty when cancelled) and returns the new input box text.
    std::string takeChosenInput(const std::string& chosen);
    // Takes a folder from the folder dialog; returns the new output box text.
    std::string takeChosenOutput(const std::string& chosen);
    // The first dropped file when it is a Palm database, as dropped; nothing otherwise.
    std::optional<std::string> acceptDrop(const std::vector<std::string>& files) const;

    // Runs one request from the two box texts. Returns the library's status, or kNotCalled when
    // a check or the library binding stopped the request (after its message), or when a request
    // is already with the library (without a message).
    std::int32_t extract(std::string_view inputText, std::string_view outputText);
    bool busy() const { return busy_; }
    // Called when a request goes to the library and when it comes back, so the window can show
    // that it takes no other request meanwhile.
    void onBusyChanged(std::function<void()> callback) { busyChanged_ = std::move(callback); }

    const std::string& programFolder() const { return programFolder_; }
    const std::string& userDataFolder() const { return userDataFolder_; }
    std::string settingsFile() const { return settingsFilePath(userDataFolder_); }

private:
    // Marks the controller busy for the library call.
    class BusyScope {
    public:
        explicit BusyScope(IconToolController& c);
        ~BusyScope();
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        IconToolController& c_;
    };

    void message(const std::string& text);
    std::int32_t stop(const std::string& text);

    IconToolSettings& settings_;
    FileSystem& files_;
    Ui& ui_;
    Extractor& extractor_;
    cInifile ini_;
    std::string programFolder_;
    std::string userDataFolder_;
    bool saved_ = false;
    bool busy_ = false;
    std::function<void()> busyChanged_;
};

}   // namespace tesk::icontool

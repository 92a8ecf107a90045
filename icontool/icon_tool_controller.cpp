#include "icon_tool_controller.hpp"

#include <algorithm>
#include <cctype>

#include "mod_util.hpp"
#include "platform/paths.hpp"

namespace tesk::icontool {
namespace {

// A writable NUL-terminated copy of exactly the text, as the library's text arguments expect.
std::vector<char> buffer(std::string_view text) {
    std::vector<char> b(text.begin(), text.end());
    b.push_back('\0');
    return b;
}

bool endsWithNoCase(std::string_view text, std::string_view ending) {
    if (text.size() < ending.size()) return false;
    return std::equal(
        ending.begin(), ending.end(), text.end() - static_cast<std::ptrdiff_t>(ending.size()), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
        });
}

}   // namespace

std::int32_t formatCode(std::string_view f) {
    if (f == "JPEG") return 1;
    if (f == "PNG") return 2;
    return 0;
}

std::int32_t resizeMode(const IconToolSettings& s) {
    if (!s.resizeIcons) return 0;
    return s.allowResizeUp ? 2 : 1;
}

std::string statusMessage(std::int32_t status) {
    if (status == 0) return {};
    if (status == 1000) return msg::tooDeep;
    return "There was a problem extracting resources from the selected file.\r\nError number " +
           std::to_string(status) + " was returned from the Doza Vuzavu Dozoza.";
}

std::string missingLibraryMessage() {
    return std::string("Fatal Error!. ") + kLibraryFileName + " missing. Can't continue.";
}

std::string folderOf(const std::string& path) {
    auto cut = path.find_last_of("/:\\");
    return cut == std::string::npos ? path : path.substr(0, cut + 1);
}

IconToolController::IconToolController(IconToolSettings& settings, FileSystem& files, Ui& ui, Extractor& extractor,
                                       std::string programFolder, std::string userDataFolder)
    : settings_(settings),
      files_(files),
      ui_(ui),
      extractor_(extractor),
      ini_(files),
      programFolder_(std::move(programFolder)),
      userDataFolder_(std::move(userDataFolder)) {}

void IconToolController::message(const std::string& text) { ui_.message(text, kProgramTitle, MessageStyle::Plain); }

IconToolController::BusyScope::BusyScope(IconToolController& c) : c_(c) {
    c_.busy_ = true;
    if (c_.busyChanged_) c_.busyChanged_();
}

IconToolController::BusyScope::~BusyScope() {
    c_.busy_ = false;
    if (c_.busyChanged_) c_.busyChanged_();
}

std::int32_t IconToolController::stop(const std::string& text) {
    message(text);
    return kNotCalled;
}

void IconToolController::startUp() {
    ensureFolder(files_, userDataFolder_);
    InitializeIni(ini_, settingsFile(), ui_);
    LoadIni(ini_, settingsFile(), settings_, files_, ui_);
}

bool IconToolController::libraryPresent() {
    if (LibraryFileExists(files_, withTrailingSeparator(programFolder_) + kLibraryFileName)) return true;
    message(missingLibraryMessage());
    return false;
}

void IconToolController::shutDown() {
    if (saved_) return;
    saved_ = true;
    SaveIni(ini_, settingsFile(), settings_, ui_);
}

IconToolView IconToolController::view() const {
    IconToolView v;
    v.pressedFormat = settings_.bitmapFormat;
    if (v.pressedFormat == "BMP")
        v.formatNote = "BMP is not supported in Varnel";
    else if (v.pressedFormat == "JPEG")
        v.formatNote = "JPG doesn't support transparency";
    else if (v.pressedFormat == "PNG")
        v.formatNote = "PNG provides best compatibility";
    else
        v.formatNote = "...";
    v.sortChecked = settings_.sortBitmaps != 0;
    v.outputFolderCaption = v.sortChecked ? "Root of Bitmap Output Folders" : "Bitmap Output Folder";
    v.resizeControlsVisible = v.pressedFormat != "BMP";
    v.resizeChecked = settings_.resizeIcons;
    v.resizeSetupVisible = v.resizeControlsVisible && settings_.resizeIcons;
    v.busy = busy_;
    return v;
}

void IconToolController::chooseFormat(std::string_view format) {
    if (format == "BMP" || format == "JPEG" || format == "PNG") settings_.bitmapFormat = std::string(format);
}

void IconToolController::setSortBitmaps(bool on) { settings_.sortBitmaps = on ? 1 : 0; }

void IconToolController::setResizeIcons(bool on) { settings_.resizeIcons = on; }

std::string IconToolController::initialInputFolder() const {
    auto dir = trimSpaces(settings_.lastInputDir);
    if (dir.empty() || !DirExists(files_, dir)) return programFolder_;
    return dir;
}

std::string IconToolController::takeChosenInput(const std::string& chosen) {
    if (!trimSpaces(chosen).empty()) settings_.lastInputDir = folderOf(trimSpaces(chosen));
    return chosen;
}

std::string IconToolController::takeChosenOutput(const std::string& chosen) {
    if (auto t = trimSpaces(chosen); !t.empty() && DirExists(files_, t)) settings_.lastOutputDir = chosen;
    return chosen;
}

std::optional<std::string> IconToolController::acceptDrop(const std::vector<std::string>& files) const {
    if (files.empty()) return std::nullopt;
    // The path is kept exactly as dropped: file names here tell letter case apart, so only the
    // ending is compared without regard to it.
    const auto& first = files.front();
    if (first.empty() || !(endsWithNoCase(first, ".prc") || endsWithNoCase(first, ".pdb"))) return std::nullopt;
    return first;
}

std::int32_t IconToolController::extract(std::string_view inputText, std::string_view outputText) {
    // The library runs one request at a time and hands the window events while it works; a
    // second request from there must not reach it.
    if (busy_) return kNotCalled;
    std::int32_t format = formatCode(settings_.bitmapFormat);

    auto input = trimSpaces(inputText);
    if (input.empty()) return stop(msg::noInput);
    if (!FileExists(files_, input)) return stop(msg::inputGone);
    auto output = trimSpaces(outputText);
    if (output.empty()) return stop(msg::noOutput);
    if (!DirExists(files_, output)) return stop(msg::outputGone);

    std::int32_t mode = resizeMode(settings_);
    std::uint32_t options = kRequestOptions;

    if (auto problem = extractor_.prepare(); !problem.empty()) return stop(problem);

    auto a1 = buffer(input);
    auto a2 = buffer(output);
    auto a3 = buffer("");
    auto a5 = buffer(kProgressCaption);
    auto a7 = buffer(programFolder_);
    std::int32_t status = 0;
    {
        const BusyScope busy{*this};
        status = extractor_.extrsrc(a1.data(), a2.data(), a3.data(), nullptr, a5.data(), nullptr, a7.data(), &format,
                                    &settings_.sortBitmaps, &options, &mode, &settings_.targetWidth,
                                    &settings_.targetHeight);
    }
    // Only the program folder is used again; the library may have rewritten it within its length.
    programFolder_ = std::string(a7.data());

    if (auto text = statusMessage(status); !text.empty()) message(text);
    return status;
}

}   // namespace tesk::icontool

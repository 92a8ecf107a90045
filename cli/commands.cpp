#include "cli/commands.hpp"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <regex>
#include <thread>

#include <fmt/format.h>

#include "cli/batch.hpp"
#include "cli/gallery.hpp"
#include "driver/error_report.hpp"
#include "driver/extraction_run.hpp"
#include "platform/paths.hpp"
#include "platform/terminal.hpp"
#include "tesk/tesk.h"

namespace tesk::cli {
namespace {

// The progress of a long run as one line on the terminal: caption and percentage, redrawn when
// the text changes and wiped at the end. Runs shorter than a moment leave the terminal alone,
// and nothing is drawn when stderr is not a terminal (scripts, logs, pipes).
class TerminalProgress final : public ProgressService {
public:
    WindowHandle init(WindowHandle, std::string_view caption) override {
        auto h = next_++;
        windows_[h] = {std::string(caption), {}, std::chrono::steady_clock::now(), false};
        return h;
    }
    void set(WindowHandle window, std::int32_t, std::string_view text) override {
        auto it = windows_.find(window);
        if (it == windows_.end() || !terminal_) return;
        auto& w = it->second;
        if (w.text == text) return;
        w.text = text;
        if (!w.drawn && std::chrono::steady_clock::now() - w.opened < kQuietStart) return;
        std::fprintf(stderr, "\r%s%s\x1b[K", w.caption.c_str(), w.text.c_str());
        std::fflush(stderr);
        w.drawn = true;
    }
    void shutdown(WindowHandle window) override {
        auto it = windows_.find(window);
        if (it == windows_.end()) return;
        if (it->second.drawn) {
            std::fputs("\r\x1b[K", stderr);
            std::fflush(stderr);
        }
        windows_.erase(it);
    }
    bool isCancelled(WindowHandle window) override { return !windows_.contains(window); }
    void pump() override {}

private:
    static constexpr std::chrono::milliseconds kQuietStart{400};
    struct Window {
        std::string caption;
        std::string text;
        std::chrono::steady_clock::time_point opened;
        bool drawn;
    };
    std::map<WindowHandle, Window> windows_;
    WindowHandle next_ = 1;
    bool terminal_ = stderrIsTerminal();
};

}  // namespace

void addExtractOptions(CLI::App& cmd, ExtractOptions& o) {
    cmd.add_option("FILES", o.inputs,
                   "Palm resource databases (.prc), or folders of them; with more than one, or a folder, each "
                   "database goes into its own sub-folder of the output folder")
        ->required();
    cmd.add_option("-o,--output", o.outputFolder, "Folder for the images (must exist)")->required();
    cmd.add_flag("-r,--recursive", o.recursive, "Walk folders given as input recursively for .prc/.pdb files");
    cmd.add_option("-j,--jobs", o.jobs, "Databases extracted at once (default: the number of cores)")
        ->check(CLI::Range(1u, 256u));
    cmd.add_option("--summary", o.summaryFile, "Write a summary of the run as JSON to this file");
    cmd.add_flag("--gallery", o.gallery, "Write index.html pages showing every extracted image");
    cmd.add_option("--data-dir", o.dataFolder, "Folder for raw .bin resources (default: the output folder)");
    cmd.add_option("--format", o.format,
                   "Image format: bmp, jpeg, png (every pixel and the transparency exactly as in the bitmap) or "
                   "png-palette (reduced to a 256-colour palette, the same bytes as the icon tool's PNG)")
        ->check(CLI::IsMember({"bmp", "jpeg", "jpg", "png", "png-palette"}, CLI::ignore_case));
    cmd.add_flag("--sort", o.sort, "Sort images into sub-folders by depth and density (\"8-Bit D144\")");
    auto* script = cmd.add_option("--script", o.scriptFile,
                                  "Write a resource script for the Palm resource compiler (in a batch: this file name "
                                  "in each database's folder)");
    auto* index = cmd.add_option("--index", o.indexFile,
                                 "Write a tab-separated index of the images (in a batch: in each database's folder)");
    auto* none = cmd.add_flag("--no-text", o.noText, "Write neither script nor index");
    script->excludes(index)->excludes(none);
    index->excludes(none);
    cmd.add_option("--only", o.only, "Extract a single bitmap resource, for example Tbmp1000");
    cmd.add_option("--skip", o.skip, "Resource kinds to skip: tbmp, taib, abmp, data")
        ->delimiter(',')
        ->check(CLI::IsMember({"tbmp", "taib", "abmp", "data"}, CLI::ignore_case));
    cmd.add_option("--name-tables", o.nameTables, "Folder of name tables (TYPE-CREATOR.dat)");
    cmd.add_flag("--name-folders", o.nameFolders, "Create the folders that name-table names ask for");
    cmd.add_option("--resize", o.resize,
                   "JPEG/PNG only: resize to WxH (shrink only), or WxH,up (also enlarge); the exact PNG is then "
                   "written as RGBA, transparent pixels kept");
    cmd.add_option("--raw-options", o.rawOptions, "The library's option word as a number (for example 0x4108)");
}

bool toArguments(const ExtractOptions& o, ExtractArguments& out, std::string& error) {
    out = {};
    if (!o.rawOptions.empty()) {
        try {
            std::size_t used = 0;
            auto v = std::stoul(o.rawOptions, &used, 0);
            if (used != o.rawOptions.size() || v > 0xFFFFFFFFul) throw std::out_of_range("options");
            out.options = static_cast<std::uint32_t>(v);
        } catch (const std::exception&) {
            error = fmt::format("--raw-options: \"{}\" is not a number", o.rawOptions);
            return false;
        }
    } else {
        out.options = EXTR_NO_PROGRESS;
        if (o.noText) out.options |= EXTR_NO_TEXT;
        if (!o.scriptFile.empty()) out.options |= EXTR_SCRIPT;
        for (auto kind : o.skip) {
            for (auto& c : kind) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (kind == "tbmp") out.options |= EXTR_SKIP_TBMP;
            if (kind == "taib") out.options |= EXTR_SKIP_TAIB;
            if (kind == "abmp") out.options |= EXTR_SKIP_ABMP;
            if (kind == "data") out.options |= EXTR_SKIP_DATA;
        }
        if (!o.only.empty()) out.options |= EXTR_SINGLE;
        if (!o.nameTables.empty()) out.options |= EXTR_NAME_TABLE;
        if (o.nameFolders) out.options |= EXTR_NAME_FOLDERS;
    }
    out.textOutputPath = !o.scriptFile.empty() ? o.scriptFile : o.indexFile;
    std::string format = o.format;
    for (auto& c : format) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    out.imageFormat = format == "png" ? 3 : format == "png-palette" ? 2 : (format == "jpeg" || format == "jpg") ? 1 : 0;
    // JPEG and PNG are 8 bits per channel: 16-bit bitmaps reach them as 24-bit colour (JPEG could
    // not take them otherwise). An explicit option word is passed on as given.
    if (out.imageFormat != 0 && o.rawOptions.empty()) out.options |= EXTR_16_TO_24;
    if (!o.resize.empty()) {
        static const std::regex pattern{R"((\d{1,5})[xX](\d{1,5})(,up)?)"};
        std::smatch m;
        if (!std::regex_match(o.resize, m, pattern)) {
            error = fmt::format("--resize: \"{}\" is not WxH or WxH,up", o.resize);
            return false;
        }
        out.resizeWidth = std::stoi(m[1]);
        out.resizeHeight = std::stoi(m[2]);
        if (out.resizeWidth < 1 || out.resizeHeight < 1) {
            error = "--resize: width and height must be at least 1";
            return false;
        }
        out.resizeMode = m[3].matched ? 2 : 1;
    }
    return true;
}

namespace {

namespace fs = std::filesystem;

// Keeps what the library says about one database of a batch, one line per message.
class CollectingUi final : public Ui {
public:
    explicit CollectingUi(std::vector<std::string>& lines) : lines_(lines) {}
    void message(std::string_view text, std::string_view, MessageStyle) override {
        std::string line(text);
        for (std::size_t p; (p = line.find("\r\n")) != std::string::npos;) line.replace(p, 2, " / ");
        lines_.push_back(std::move(line));
    }

private:
    std::vector<std::string>& lines_;
};

// One run in a context its caller keeps: a worker reuses its context, and with it the buffers
// of the previous database, for every database it takes.
DatabaseResult extractOne(ExtractionContext& ctx, const fs::path& input, const fs::path& outputFolder,
                          const std::string& textPath, const ExtractOptions& o, const ExtractArguments& args,
                          bool showProgress) {
    auto& ui = ctx.services.ui;
    ctx.recordImages = o.gallery;
    ExtractionRequest request;
    request.inputPath = input.string();
    request.outputFolder = outputFolder.string();
    request.dataFolder = o.dataFolder;
    request.textOutputPath = textPath;
    request.progressCaption = "Extracting Bitmaps ...";
    request.singleResourceName = o.only;
    request.nameTableFolder = o.nameTables;
    request.imageFormat = args.imageFormat;
    request.sortIntoFolders = o.sort ? 1 : 0;
    request.options = args.options;
    // Scripts get no progress; a person at a terminal sees it on long runs. An explicit option
    // word is passed on as given.
    if (showProgress && o.rawOptions.empty() && stderrIsTerminal()) request.options = args.options & ~EXTR_NO_PROGRESS;
    request.resizeMode = args.resizeMode;
    request.resizeWidth = args.resizeWidth;
    request.resizeHeight = args.resizeHeight;
    DatabaseResult result;
    result.input = input;
    result.outputFolder = outputFolder;
    const auto started = std::chrono::steady_clock::now();
    result.status = runExtraction(ctx, request);
    // Without the library's own message box the run's error is reported here, once.
    if (!(args.options & EXTR_SHOW_ERRORS) && ctx.errorCode != 0) {
        ui.message(ctx.mainLoopExitTaken ? mainLoopErrorMessage(ctx) : runErrorMessage(ctx), "tesk", MessageStyle::Plain);
        // Without a text file asked for, the library's status is its note of the missing text file
        // (64); the error the message names is the one to exit with.
        const bool onlyNoTextFile = textPath.empty() && result.status == toInt(ErrorNumber::BadFileName);
        if (result.status == 0 || onlyNoTextFile) result.status = ctx.errorCode;
    }
    result.refused = ctx.refused;
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    result.resources = ctx.resourcesHandled;
    result.imagesWritten = ctx.imagesWritten;
    result.dataFilesWritten = ctx.dataFilesWritten;
    result.images = std::move(ctx.imageRecords);
    return result;
}

bool writeTextFile(const fs::path& path, const std::string& text) {
    NativeFileSystem files;
    auto bytes = std::span{reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
    if (auto e = files.writeFileAtomic(path.string(), bytes); e != ErrorNumber::None) {
        std::fprintf(stderr, "tesk: %s: %s\n", path.string().c_str(), std::string(errorText(toInt(e))).c_str());
        return false;
    }
    return true;
}

int exitStatus(std::int32_t status) { return status == 0 ? 0 : (status > 0 && status < 256 ? status : 1); }

// One line for the whole batch on a terminal; nothing otherwise.
class BatchProgress {
public:
    explicit BatchProgress(std::size_t total) : total_(total), terminal_(stderrIsTerminal()) {}
    void done(const fs::path& input) {
        std::lock_guard lock(mutex_);
        ++done_;
        if (!terminal_) return;
        std::fprintf(stderr, "\r[%zu/%zu] %s\x1b[K", done_, total_, input.filename().string().c_str());
        std::fflush(stderr);
    }
    ~BatchProgress() {
        if (terminal_ && done_ > 0) std::fputs("\r\x1b[K", stderr);
    }

private:
    std::mutex mutex_;
    std::size_t total_;
    std::size_t done_ = 0;
    bool terminal_;
};

}  // namespace

int runExtract(const ExtractOptions& o) {
    ExtractArguments args;
    std::string error;
    if (!toArguments(o, args, error)) {
        std::fprintf(stderr, "tesk: %s\n", error.c_str());
        return 2;
    }
    bool sawFolder = false;
    std::vector<std::string> problems;
    auto inputs = expandInputs(o.inputs, o.recursive, sawFolder, problems);
    for (const auto& p : problems) std::fprintf(stderr, "tesk: %s\n", p.c_str());
    const bool batch = inputs.size() > 1 || sawFolder;

    if (!batch) {
        if (inputs.empty()) return 0;
        ConsoleUi ui;
        TerminalProgress progress;
        NativeFileSystem files;
        Services services{files, ui, progress};
        ExtractionContext ctx{services};
        auto result = extractOne(ctx, inputs[0], o.outputFolder, args.textOutputPath, o, args, true);
        BatchSummary summary;
        summary.databases.push_back(std::move(result));
        auto& db = summary.databases[0];
        if (o.gallery && db.status != 76) writeTextFile(fs::path(o.outputFolder) / "index.html", databaseGalleryHtml(db));
        if (!o.summaryFile.empty()) writeTextFile(o.summaryFile, summaryJson(summary));
        return db.refused ? 1 : exitStatus(db.status);
    }

    std::error_code ec;
    if (!fs::is_directory(o.outputFolder, ec)) {
        std::fprintf(stderr, "tesk: %s: %s\n", o.outputFolder.c_str(), std::string(errorText(76)).c_str());
        return 76;
    }
    const auto names = uniqueFolderNames(inputs);
    BatchSummary summary;
    summary.databases.resize(inputs.size());
    std::atomic<std::size_t> next{0};
    BatchProgress progressLine{inputs.size()};
    auto worker = [&] {
        std::vector<std::string> lines;
        CollectingUi ui{lines};
        RecordingProgress progress;   // per-database windows stay closed: the batch line speaks for them
        NativeFileSystem files;
        Services services{files, ui, progress};
        ExtractionContext ctx{services};
        for (std::size_t i; (i = next.fetch_add(1)) < inputs.size();) {
            lines.clear();
            const auto folder = fs::path(o.outputFolder) / names[i];
            std::error_code mk;
            fs::create_directory(folder, mk);
            std::string text;
            if (!args.textOutputPath.empty()) text = (folder / fs::path(args.textOutputPath).filename()).string();
            auto result = extractOne(ctx, inputs[i], folder, text, o, args, false);
            result.messages = lines;
            if (o.gallery) writeTextFile(folder / "index.html", databaseGalleryHtml(result));
            progressLine.done(inputs[i]);
            summary.databases[i] = std::move(result);
        }
    };
    unsigned jobs = o.jobs != 0 ? o.jobs : std::max(1u, std::thread::hardware_concurrency());
    jobs = static_cast<unsigned>(std::min<std::size_t>(jobs, inputs.size()));
    std::vector<std::thread> threads;
    for (unsigned t = 1; t < jobs; ++t) threads.emplace_back(worker);
    worker();
    for (auto& t : threads) t.join();

    if (o.gallery) writeTextFile(fs::path(o.outputFolder) / "index.html", batchGalleryHtml(summary, o.outputFolder));
    if (!o.summaryFile.empty()) writeTextFile(o.summaryFile, summaryJson(summary));
    std::fputs(summaryText(summary).c_str(), stdout);
    return summary.failed() == 0 ? 0 : 1;
}

int runList(const std::string& file) {
    NativeFileSystem files;
    PalmDatabase db;
    if (auto e = db.load(files, file); e != ErrorNumber::None) {
        std::fprintf(stderr, "tesk: %s: %s\n", file.c_str(), std::string(errorText(toInt(e))).c_str());
        return toInt(e);
    }
    const auto& h = db.header();
    fmt::print("Name:       {}\n", h.displayName());
    fmt::print("Type:       {}\nCreator:    {}\n", escapeNameBytes(h.typeText()), escapeNameBytes(h.creatorText()));
    fmt::print("Attributes: 0x{:04X}{}\n", static_cast<std::uint16_t>(h.attributes),
               (h.attributes & 1) ? " (resource database)" : " (record database)");
    fmt::print("Version:    {}\n", h.version);
    fmt::print("Entries:    {} declared, {} in the file\n", h.entryCount, db.entries().size());
    if (!(h.attributes & 1)) return 0;
    fmt::print("\n{:<6} {:>5} {:>10} {:>10}\n", "Type", "ID", "Offset", "Size");
    for (std::size_t i = 0; i < db.entries().size(); ++i) {
        const auto& e = db.entries()[i];
        auto range = db.ResourceRange(i);
        fmt::print("{:<6} {:>5} {:>10} {:>10}\n", escapeNameBytes(e.typeText()), e.id, e.offset, range.size);
    }
    return 0;
}

}  // namespace tesk::cli

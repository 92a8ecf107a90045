#include "cli/commands.hpp"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <regex>
#include <thread>

#include <fmt/format.h>

#include "cli/archive_input.hpp"
#include "cli/batch.hpp"
#include "cli/console.hpp"
#include "cli/gallery.hpp"
#include "cli/input_file_system.hpp"
#include "cli/interrupt.hpp"
#include "cli/report.hpp"
#include "cli/standalone_bitmap.hpp"
#include "driver/error_report.hpp"
#include "driver/extraction_run.hpp"
#include "platform/paths.hpp"
#include "tesk/tesk.h"

namespace tesk::cli {

void addExtractOptions(CLI::App& cmd, ExtractOptions& o) {
    cmd.add_option("FILES", o.inputs,
                   "Palm resource databases, bitmap files (a Palm bitmap in a file of its own, as pnmtopalm "
                   "writes), archives of them (.zip, .tar, .tar.gz, .7z ...) or folders of them; a file named "
                   "here is read by its content whatever its extension, a folder is searched for .prc, .pdb and "
                   ".palm files. With more than one, a folder or an archive, each database goes into its own "
                   "sub-folder of the output folder (an archive's into OUTPUT/ARCHIVE-NAME/PATH-INSIDE/)")
        ->required();
    cmd.add_option("-o,--output", o.outputFolder, "Folder for the images (must exist)")->required();
    cmd.add_flag("-r,--recursive", o.recursive,
                 "Walk folders given as input recursively, archives found in them included; each database's "
                 "output keeps its sub-folder (in/sub/x.prc goes to OUTPUT/sub/x/)");
    cmd.add_option("-j,--jobs", o.jobs, "Databases extracted at once (default: the number of cores)")
        ->check(CLI::Range(1u, 256u));
    cmd.add_option("--summary", o.summaryFile,
                   "Write a JSON summary of the run to this file, or with - to standard output (which then "
                   "carries nothing else); default: none");
    cmd.add_flag("--gallery", o.gallery, "Write index.html pages showing every extracted image");
    cmd.add_option("--data-dir", o.dataFolder,
                   "Folder for raw .bin resources (must exist; default: the output folder)");
    cmd.add_option("--format", o.format,
                   "Image format: bmp, jpeg, png (every pixel and the transparency exactly as in the bitmap) or "
                   "png-palette (reduced to a 256-colour palette, the same bytes as the icon tool's PNG) "
                   "(default: bmp)")
        ->check(CLI::IsMember({"bmp", "jpeg", "jpg", "png", "png-palette"}, CLI::ignore_case));
    cmd.add_flag("--sort", o.sort, "Sort images into sub-folders by depth and density (\"8-Bit D144\")");
    auto* script = cmd.add_option("--script", o.scriptFile,
                                  "Write a resource script for the Palm resource compiler (in a batch: this file name "
                                  "in each database's folder)");
    auto* index = cmd.add_option("--index", o.indexFile,
                                 "Write a tab-separated index of the images (in a batch: in each database's folder)");
    auto* none = cmd.add_flag("--no-text", o.noText, "Write neither script nor index (the default without either)");
    script->excludes(index)->excludes(none);
    index->excludes(none);
    cmd.add_option("--only", o.only,
                   "Extract a single bitmap resource, for example Tbmp1000 (letter case matters); a name the "
                   "database lacks is error 1001");
    cmd.add_option("--skip", o.skip, "Resource kinds to skip: tbmp, taib, abmp, data (default: none)")
        ->delimiter(',')
        ->check(CLI::IsMember({"tbmp", "taib", "abmp", "data"}, CLI::ignore_case));
    cmd.add_option("--name-tables", o.nameTables, "Folder of name tables (TYPE-CREATOR.dat)");
    cmd.add_flag("--name-folders", o.nameFolders, "Create the folders that name-table names ask for");
    cmd.add_option("--resize", o.resize,
                   "JPEG/PNG only: resize to WxH (shrink only), or WxH,up (also enlarge); the exact PNG is then "
                   "written as RGBA, transparent pixels kept; default: no resizing");
    cmd.add_option("--raw-options", o.rawOptions,
                   "The library's option word as a number (for example 0x4108), instead of the options above");
}

bool toArguments(const ExtractOptions& o, ExtractArguments& out, std::string& error) {
    out = {};
    out.textOutputPath = !o.scriptFile.empty() ? o.scriptFile : o.indexFile;
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
        // Without a file to write, no text is built either.
        if (o.noText || out.textOutputPath.empty()) out.options |= EXTR_NO_TEXT;
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
        if (out.imageFormat == 0) {
            error = "--resize: BMP images are written at their own size; resizing needs --format jpeg or png";
            return false;
        }
        out.resizeMode = m[3].matched ? 2 : 1;
    }
    return true;
}

namespace {

namespace fs = std::filesystem;

std::string oneLine(std::string_view text) {
    std::string line(text);
    for (std::size_t p; (p = line.find("\r\n")) != std::string::npos;) line.replace(p, 2, " / ");
    return line;
}

// Keeps what the library says during one run instead of showing it. The two refusals are kept
// apart: the command reports them in its own words.
class CollectingUi final : public Ui {
public:
    void message(std::string_view text, std::string_view, MessageStyle) override {
        if (text == kUnsupportedFileMessage)
            unsupported = true;
        else if (text != kNonStandardFormatMessage)
            messages.push_back(oneLine(text));
    }
    void reset() {
        messages.clear();
        unsupported = false;
    }
    std::vector<std::string> messages;
    bool unsupported = false;
};

// One extraction context with its services, reused from database to database (and with it the
// buffers of the previous database).
class Extractor {
public:
    Extractor(const ExtractOptions& o, const ExtractArguments& args, ProgressService& progress)
        : options_(o), args_(args), services_{files_, ui_, progress} {
        ctx_.recordImages = o.gallery;
        ctx_.failureObserver = [this](const FailureNote& note) { failures_.push_back(failureFrom(note)); };
    }

    // `bytes`: the input's content when it is already in memory (an archive member); a file is
    // read here.
    DatabaseResult run(const Input& input, std::optional<std::vector<std::uint8_t>> bytes, const fs::path& outputFolder,
                       const std::string& textPath, bool showProgress);

private:
    void settle(DatabaseResult& r, std::int32_t status, const std::string& textPath);
    void handOverInput(const Input& input, std::optional<std::vector<std::uint8_t>> bytes, DatabaseResult& result,
                       ExtractionRequest& request);

    const ExtractOptions& options_;
    const ExtractArguments& args_;
    InputFileSystem files_;
    CollectingUi ui_;
    Services services_;
    ExtractionContext ctx_{services_};
    std::vector<Failure> failures_;
};

DatabaseResult resultFor(const Input& input, const fs::path& outputFolder) {
    DatabaseResult result;
    result.input = input.name();
    if (input.inArchive()) {
        result.archive = input.path.string();
        result.member = input.member;
    }
    result.outputFolder = outputFolder;
    return result;
}

// Where a bitmap file's name table is handed over; nothing on disk is ever read there.
constexpr std::string_view kBitmapNameTables = "(bitmap file names)";

// The run reads the input from memory: a file is read here once, so that its content decides
// what it is. A bitmap family of its own is handed over wrapped as a database with the name
// table that names its one resource after the file. A file that cannot be read is left to the
// run, which reports it in its own words.
void Extractor::handOverInput(const Input& input, std::optional<std::vector<std::uint8_t>> bytes,
                              DatabaseResult& result, ExtractionRequest& request) {
    const auto name = input.name();
    if (!bytes) {
        std::vector<std::uint8_t> read;
        if (files_.readFile(name, read,
                            static_cast<std::size_t>(std::min<std::uint64_t>(kLargestDatabaseBytes, SIZE_MAX))) ==
            ErrorNumber::None)
            bytes = std::move(read);
    }
    if (!bytes) return;
    if (!isStandaloneBitmap(*bytes)) return files_.handOver(name, std::move(*bytes));
    result.bitmapFile = true;
    const auto resourceName = standaloneName(input.fileName().stem().string());
    files_.handOver(name, wrapAsDatabase(*bytes, resourceName));
    const std::string tables{kBitmapNameTables};
    files_.handOver(nameTablePathIn(tables), nameTableFor(resourceName));
    request.nameTableFolder = tables;
    request.options = *request.options | EXTR_NAME_TABLE;
}

DatabaseResult Extractor::run(const Input& input, std::optional<std::vector<std::uint8_t>> bytes,
                              const fs::path& outputFolder, const std::string& textPath, bool showProgress) {
    auto result = resultFor(input, outputFolder);
    // The library would delete whatever it finds at the text path: refuse first what the replace
    // rule does not allow, as for every other output.
    if (Failure f; !textPath.empty() && !textOutputReplaceable(textPath, f)) {
        f.operation = options_.scriptFile.empty() ? "index" : "script";
        result.status = f.number;
        result.errors.push_back(std::move(f));
        return result;
    }
    auto request = ExtractionRequest::given(input.name(), outputFolder.string(), args_.options);
    request.dataFolder = options_.dataFolder;
    request.textOutputPath = textPath;
    request.progressCaption = "Extracting Bitmaps ...";
    request.singleResourceName = options_.only;
    request.nameTableFolder = options_.nameTables;
    request.imageFormat = args_.imageFormat;
    request.sortIntoFolders = options_.sort ? 1 : 0;
    // Scripts get no progress; a person at a terminal sees it on long runs. An explicit option
    // word is passed on as given.
    if (showProgress && options_.rawOptions.empty()) request.options = args_.options & ~EXTR_NO_PROGRESS;
    request.resizeMode = args_.resizeMode;
    request.resizeWidth = args_.resizeWidth;
    request.resizeHeight = args_.resizeHeight;
    ui_.reset();
    failures_.clear();
    const auto started = std::chrono::steady_clock::now();
    handOverInput(input, std::move(bytes), result, request);
    const auto status = runExtraction(ctx_, request);
    files_.forgetHandedOver();
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    result.resources = ctx_.tally.resourcesHandled;
    result.imagesWritten = ctx_.tally.imagesWritten;
    result.dataFilesWritten = ctx_.tally.dataFilesWritten;
    result.images = std::move(ctx_.tally.imageRecords);
    settle(result, status, textPath);
    return result;
}

// The number a database ends with and the failures that explain it, so that no failure goes
// unreported and no database that lost something reads as a success.
void Extractor::settle(DatabaseResult& r, std::int32_t status, const std::string& textPath) {
    r.errors = std::move(failures_);
    r.messages = std::move(ui_.messages);
    // The line names the file already.
    for (auto& f : r.errors)
        if (f.resource == r.input.string()) f.resource.clear();
    if (ctx_.errors.refused) {
        r.refusal = ctx_.errors.refusalReason;
        r.status = ui_.unsupported ? number::unsupportedFile : number::nonStandardFormat;
        r.errors.push_back(makeFailure({}, {}, r.status, r.refusal));
        return;
    }
    // Without a text path the library's status may be its note of the text it could not write
    // (64): the recorded error is the one to end with.
    if (textPath.empty() && status == toInt(ErrorNumber::BadFileName) && ctx_.errors.code != 0)
        status = ctx_.errors.code;
    if (ctx_.settings.flags.single && !ctx_.walk.singleResourceFound && !ctx_.errors.mainLoopExitTaken) {
        r.errors.push_back(makeFailure(options_.only, std::string(op::mainLoop), number::noSuchResource));
        if (status == 0) status = number::noSuchResource;
    }
    // Faults the error record never holds (data outside the file), or a message box that took
    // the status: the last failure stands for the run.
    if (status == 0 && !r.errors.empty()) status = r.errors.back().number;
    if (status != 0 && r.errors.empty()) r.errors.push_back(makeFailure({}, {}, status));
    r.status = status;
}

std::string reportLines(const DatabaseResult& r) {
    std::string lines;
    const auto file = r.input.string();
    for (const auto& f : r.errors) lines += failureLine(file, f);
    for (const auto& m : r.messages) lines += fmt::format("tesk: {}: {}\n", file, m);
    return lines;
}

// A page that cannot be written counts against its database, like any output it lacks.
void writeGalleryPage(DatabaseResult& r, std::string_view topPage) {
    Failure f;
    if (writeTextOutput((r.outputFolder / "index.html").string(), databaseGalleryHtml(r, topPage), f)) return;
    f.operation = "gallery";
    if (r.status == 0) r.status = f.number;
    r.errors.push_back(std::move(f));
}

// The folders of one database below the output folder, made as needed. Each must be a real folder:
// a link there would carry the files somewhere the user did not name.
std::optional<Failure> makeOutputFolder(const fs::path& root, const fs::path& relative) {
    NativeFileSystem files;
    auto realFolder = [&](const fs::path& p) {
        const auto a = files.attributes(p.string());
        return a && (*a & attr::Directory) && !(*a & attr::System);
    };
    fs::path path = root;
    for (const auto& part : relative) {
        path /= part;
        if (realFolder(path)) continue;
        const auto e = files.createFolder(path.string());
        // Another worker may have made the same folder on the way to its own database, between the
        // look and the make: only what is there afterwards decides.
        if (e == ErrorNumber::None || realFolder(path)) continue;
        if (PathExists(files, path.string()))
            return makeFailure(path.string(), {}, toInt(ErrorNumber::PathFileAccessError), "not a folder");
        return makeFailure(path.string(), {}, toInt(e), "");
    }
    return std::nullopt;
}

std::string upLink(const fs::path& relative) {
    std::string link;
    for ([[maybe_unused]] const auto& part : relative) link += "../";
    return link + "index.html";
}

bool isFolder(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

// Problems found before any database is read: the number itself is the exit status.
std::optional<Failure> checkDestinations(const ExtractOptions& o) {
    if (!isFolder(o.outputFolder))
        return makeFailure(o.outputFolder, {}, toInt(ErrorNumber::PathNotFound), "no such folder");
    if (!o.dataFolder.empty() && !isFolder(o.dataFolder))
        return makeFailure(o.dataFolder, {}, toInt(ErrorNumber::PathNotFound), "no such folder");
    if (Failure f; !o.summaryFile.empty() && o.summaryFile != "-" && !textOutputReplaceable(o.summaryFile, f)) return f;
    return std::nullopt;
}

class Run {
public:
    Run(const ExtractOptions& o, const ExtractArguments& args, bool batch) : o_(o), args_(args), batch_(batch) {
        summary_.started = std::chrono::system_clock::now();
    }
    int single(const Input& input);
    int batch(const std::vector<Input>& inputs, std::vector<Failure> problems);

private:
    int finish(int status);
    void report(const DatabaseResult& r) { console_.print(reportLines(r)); }

    const ExtractOptions& o_;
    const ExtractArguments& args_;
    const bool batch_;
    Console console_;
    RunSummary summary_;
};

int Run::single(const Input& input) {
    if (interruptRequested()) {
        summary_.notStarted.push_back(input.name());
        return finish(0);
    }
    TerminalProgress progress{console_};
    Extractor extractor{o_, args_, progress};
    auto result = extractor.run(input, std::nullopt, o_.outputFolder, args_.textOutputPath, console_.terminal());
    if (o_.gallery) writeGalleryPage(result, {});
    report(result);
    const auto status = result.status;
    summary_.databases.push_back(std::move(result));
    return finish(exitStatusOf(status));
}

int Run::batch(const std::vector<Input>& inputs, std::vector<Failure> problems) {
    for (const auto& p : problems) console_.print(failureLine(p));
    summary_.errors = std::move(problems);
    const fs::path root = o_.outputFolder;
    const auto folders = outputFolders(inputs);
    std::vector<std::optional<DatabaseResult>> results(inputs.size());
    ArchiveMembers members{inputs};
    std::atomic<std::size_t> next{0}, done{0};
    auto worker = [&] {
        RecordingProgress progress;   // per-database windows stay closed: the batch line speaks for them
        Extractor extractor{o_, args_, progress};
        while (!interruptRequested()) {
            const auto i = next.fetch_add(1);
            if (i >= inputs.size()) break;
            const auto& in = inputs[i];
            // A member is taken before anything else, even when its folder cannot be made: the
            // archive's reader keeps what it read for the worker that asked, until it is taken.
            std::optional<MemberBytes> member;
            auto failure = in.unreadable;
            if (Failure f; in.inArchive() && !failure && !(member = members.take(in, f))) failure = std::move(f);
            if (!failure) failure = makeOutputFolder(root, folders[i]);
            DatabaseResult result;
            if (failure) {
                result = resultFor(in, root / folders[i]);
                result.status = failure->number;
                result.errors.push_back(std::move(*failure));
            } else {
                fs::path text;
                if (!args_.textOutputPath.empty()) text = root / folders[i] / fs::path(args_.textOutputPath).filename();
                auto bytes = member ? std::optional(std::move(member->bytes)) : std::nullopt;
                result = extractor.run(in, std::move(bytes), root / folders[i], text.string(), false);
                if (o_.gallery) writeGalleryPage(result, upLink(folders[i]));
            }
            member.reset();   // its memory goes back to the archive reader's budget
            report(result);
            console_.progress(fmt::format("[{}/{}] {}", done.fetch_add(1) + 1, inputs.size(), in.fileName().string()));
            results[i] = std::move(result);
        }
    };
    unsigned jobs = o_.jobs != 0 ? o_.jobs : std::max(1u, std::thread::hardware_concurrency());
    jobs = static_cast<unsigned>(std::clamp<std::size_t>(inputs.size(), 1, jobs));
    std::vector<std::thread> threads;
    for (unsigned t = 1; t < jobs; ++t) threads.emplace_back(worker);
    worker();
    for (auto& t : threads) t.join();
    console_.clearProgress();

    for (std::size_t i = 0; i < inputs.size(); ++i) {
        if (results[i])
            summary_.databases.push_back(std::move(*results[i]));
        else
            summary_.notStarted.push_back(inputs[i].name());
    }
    if (o_.gallery) {
        if (Failure f; !writeTextOutput((root / "index.html").string(), batchGalleryHtml(summary_, root), f)) {
            f.operation = "gallery";
            console_.print(failureLine(f));
            summary_.errors.push_back(std::move(f));
        }
    }
    return finish(summary_.failed() == 0 && summary_.errors.empty() ? 0 : 1);
}

// The summary and the last word: an interrupt overrides every other status.
int Run::finish(int status) {
    summary_.interrupted = interruptRequested();
    summary_.exitStatus = summary_.interrupted ? kInterruptedStatus : status;
    summary_.finished = std::chrono::system_clock::now();
    const bool toStdout = o_.summaryFile == "-";
    if (toStdout) {
        std::fputs(summaryJson(summary_).c_str(), stdout);
    } else if (!o_.summaryFile.empty()) {
        if (Failure f; !writeTextOutput(o_.summaryFile, summaryJson(summary_), f)) {
            console_.print(failureLine(f));
            if (summary_.exitStatus == 0) summary_.exitStatus = batch_ ? 1 : exitStatusOf(f.number);
        }
    }
    // A batch tells how it went; standard output belongs to the JSON when it was asked for there.
    if (batch_) std::fputs(summaryText(summary_).c_str(), toStdout ? stderr : stdout);
    if (summary_.interrupted) console_.print("tesk: interrupted\n");
    return summary_.exitStatus;
}

}   // namespace

int runExtract(const ExtractOptions& o) {
    ExtractArguments args;
    std::string error;
    if (!toArguments(o, args, error)) {
        std::fprintf(stderr, "tesk: %s\n", error.c_str());
        return 2;
    }
    if (auto problem = checkDestinations(o)) {
        std::fputs(failureLine(*problem).c_str(), stderr);
        return exitStatusOf(problem->number);
    }
    InterruptGuard guard;
    bool sawFolder = false;
    std::vector<Failure> problems;
    auto inputs = expandInputs(o.inputs, o.recursive, sawFolder, problems);
    const bool batch = inputs.size() != 1 || sawFolder;
    Run run{o, args, batch};
    return batch ? run.batch(inputs, std::move(problems)) : run.single(inputs[0]);
}

}   // namespace tesk::cli

// The run: start steps in their fixed order, the walk over the resource table with dispatch by
// the four type bytes, the end-of-run text, the join of split bitmaps and the status.
#include "driver/extraction_run.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <fmt/format.h>

#include "bitmap/palettes.hpp"
#include "bitmap/parse_resource.hpp"
#include "driver/abmp_join.hpp"
#include "driver/error_report.hpp"
#include "driver/name_table.hpp"
#include "driver/text_output.hpp"
#include "platform/paths.hpp"

namespace tesk {

OptionFlags OptionFlags::fromWord(std::uint32_t w) {
    OptionFlags f;
    f.skipTbmp = w & 0x0001;
    f.skipTaib = w & 0x0002;
    f.skipAbmp = w & 0x0004;
    f.skipData = w & 0x0008;
    f.noText = w & 0x0010;
    f.script = w & 0x0020;
    f.forceCompress = w & 0x0040;
    f.noProgress = w & 0x0080;
    f.showErrors = w & 0x0100;
    f.single = w & 0x0200;
    f.noLe16Swap = w & 0x0800;
    f.nameTable = w & 0x1000;
    f.nameFolders = w & 0x2000;
    f.sixteenTo24 = w & 0x4000;
    if (f.single) f.noProgress = true;
    return f;
}

namespace {

constexpr std::uint32_t kHasAbmpBit = 0x0400;

enum class Step { Continue, Stop };   // Stop: the run ended early with `status`

std::int32_t readNumber(ExtractionContext& ctx, const std::optional<std::int32_t>& v) {
    if (!v) {
        ctx.errors.lastIoError = toInt(ErrorNumber::SubscriptOutOfRange);
        return 0;
    }
    return *v;
}

std::string readText(ExtractionContext& ctx, const std::optional<std::string>& v) {
    if (!v) {
        ctx.errors.lastIoError = toInt(ErrorNumber::SubscriptOutOfRange);
        return {};
    }
    return *v;
}

std::string idText(std::uint16_t id) { return fmt::format("{:04d}", id); }

void progressTo(ExtractionContext& ctx, std::int32_t percent) {
    ctx.services.progress.set(ctx.progress.window, percent, fmt::format(" {} %", percent));
    ctx.services.progress.pump();
}

// After each handled entry: the sum of single-precision steps, rounded half to even, capped at 100.
void advanceProgress(ExtractionContext& ctx) {
    if (ctx.progress.window == 0) return;
    ctx.progress.value += ctx.progress.step;
    auto rounded = std::nearbyint(ctx.progress.value);   // default rounding mode: halves to even
    ctx.progress.percent = rounded >= 100.0f ? 100 : static_cast<std::int32_t>(rounded);
    progressTo(ctx, ctx.progress.percent);
}

// The loader keeps every entry in bounds by giving it less data or none; a caller that reports
// every failure hears which resources lost data that way. The error record is left alone.
void noteRangeFault(ExtractionContext& ctx, std::size_t i) {
    const auto fault = ctx.loaded.database.ResourceRange(i).fault;
    if (fault == PalmDatabase::Fault::None) return;
    noteFailure(ctx, ctx.errors.workingOn, op::mainLoop, ErrorNumber::SubscriptOutOfRange,
                std::string(PalmDatabase::describe(fault)));
}

// Name-table lookup for the current resource; a non-empty value replaces its name (true then).
bool applyNameTable(ExtractionContext& ctx) {
    if (!ctx.loaded.nameTablesOn) return false;
    auto value = chknametable(ctx, ctx.resource.name);
    if (value.empty()) return false;
    ctx.resource.name = std::move(value);
    return true;
}

Step handleBitmapResource(ExtractionContext& ctx, std::size_t i, std::string_view kind, std::string_view keyword,
                          std::int32_t& status) {
    const auto& entry = ctx.loaded.database.entries()[i];
    ctx.resource.kind = kind;
    ctx.resource.idText = idText(entry.id);
    ctx.resource.name = entry.typeText() + ctx.resource.idText;
    ctx.errors.workingOn = ctx.resource.name;
    applyNameTable(ctx);
    if (kind == "abmp") ctx.resource.name = trimSpaces(ctx.resource.name);
    if (ctx.resource.name.empty()) {
        showNonStandardFormat(ctx, "a resource without a name");
        status = 0;
        return Step::Stop;
    }
    // Single-resource mode looks at one resource only, so only its data faults matter.
    const bool wanted = !ctx.settings.flags.single || ctx.resource.name == ctx.settings.singleResourceName;
    if (ctx.settings.flags.single && wanted) ctx.walk.singleResourceFound = true;
    if (wanted) noteRangeFault(ctx, i);
    beginFamilyStatement(ctx, keyword, entry.id);
    ctx.resource.bytes = ctx.loaded.database.ResourceView(i);
    if (kind == "abmp" && !registerAbmp(ctx, i)) {
        showNonStandardFormat(ctx, "an abmp resource that holds a cBMP image");
        status = 0;
        return Step::Stop;
    }
    const auto part = kind == "abmp" ? splitPartSize(ctx, i) : std::nullopt;
    ctx.split.continuesInPart = part.has_value();
    ctx.split.partBytes = part.value_or(0);
    parsersrc(ctx);
    ctx.split.continuesInPart = false;
    ctx.split.partBytes = 0;
    endFamilyStatement(ctx);
    ++ctx.currentSection().counter;
    return Step::Continue;
}

Step handleDataResource(ExtractionContext& ctx, std::size_t i, std::int32_t& status) {
    const auto& entry = ctx.loaded.database.entries()[i];
    // Type bytes come from the file: escaped, they can neither leave the data folder nor hide.
    const auto type = escapeNameBytes(entry.typeText());
    ctx.resource.kind = "bin";
    ctx.resource.idText = idText(entry.id);
    ctx.resource.name = type + ctx.resource.idText;
    ctx.errors.workingOn = ctx.resource.name;
    if (applyNameTable(ctx)) {
        // A value whose trim would hide the file was refused by the lookup.
        ctx.resource.name = trimSpaces(ctx.resource.name + ".bin");
    } else {
        // Escaped last, after the trim: the type " .ab" must not become the hidden ".ab0001.bin".
        ctx.resource.name = escapeNameBytes(trimSpaces(entry.typeText() + ctx.resource.idText + ".bin"));
    }
    if (ctx.resource.name.empty()) {
        showNonStandardFormat(ctx, "a resource without a name");
        status = 0;
        return Step::Stop;
    }
    noteRangeFault(ctx, i);
    // A name-table name may use "\" for its folders; the path uses the native separator.
    const std::string name = nameValueToPath(ctx.resource.name);
    const auto path = ctx.settings.dataFolder + name;
    if (auto e = replaceExistingOutput(ctx.services.files, path); e == ErrorNumber::PathFileAccessError) {
        status = mainLoopExit(ctx, e);
        return Step::Stop;
    } else if (e != ErrorNumber::None) {
        recordIoError(ctx, e);
    }
    ctx.resource.name = name;
    appendDataStatement(ctx, type, entry.id, name);
    auto bytes = ctx.loaded.database.ResourceView(i);
    if (auto e = ctx.services.files.writeFile(path, bytes); e != ErrorNumber::None)
        recordDriverFailure(ctx, e);
    else
        ++ctx.tally.dataFilesWritten;
    ++ctx.text.data.counter;
    return Step::Continue;
}

bool typeIs(const ResourceEntry& e, const char (&t)[5]) { return std::memcmp(e.type.data(), t, 4) == 0; }

Step handleEntry(ExtractionContext& ctx, std::size_t i, std::int32_t& status) {
    const auto& entry = ctx.loaded.database.entries()[i];
    if (typeIs(entry, "Tbmp")) {
        if (!ctx.settings.flags.skipTbmp) return handleBitmapResource(ctx, i, "tbmp", "BITMAPFAMILYEX", status);
    } else if (typeIs(entry, "tAIB")) {
        if (!ctx.settings.flags.skipTaib) return handleBitmapResource(ctx, i, "taib", "ICONFAMILYEX", status);
    } else if (typeIs(entry, "abmp")) {
        ctx.walk.abmpSeen = true;
        ctx.walk.optionsOut |= kHasAbmpBit;
        if (!ctx.settings.flags.skipAbmp) return handleBitmapResource(ctx, i, "abmp", "BITMAPFAMILYEX", status);
    } else if (typeIs(entry, "2bmp")) {
        if (!writeSplitPart(ctx, i, status)) return Step::Stop;
        noteRangeFault(ctx, i);
        return Step::Continue;
    } else if (!ctx.settings.flags.skipData) {
        return handleDataResource(ctx, i, status);
    }
    return Step::Continue;
}

// Start steps 6 to 10: the text file, the input, the folders. False after a MainLoop exit.
bool validatePaths(ExtractionContext& ctx, const std::string& dataArgument, std::int32_t& status) {
    auto& fs = ctx.services.files;
    if (!ctx.settings.textOutputPath.empty() && PathExists(fs, ctx.settings.textOutputPath)) {
        if (auto e = fs.removeFile(ctx.settings.textOutputPath); e != ErrorNumber::None) recordIoError(ctx, e);
    }
    if (!PathExists(fs, ctx.settings.inputPath)) {
        status = mainLoopExit(ctx, ErrorNumber::BadFileName);
        return false;
    }
    // An empty folder would become the root of the file system once the separator is added.
    auto isFolder = [&](const std::string& p) {
        auto a = fs.attributes(p);
        return a && (*a & attr::Directory);
    };
    ctx.settings.outputFolder = withTrailingSeparator(ctx.settings.outputFolder);
    if (ctx.settings.outputFolder.empty() || !isFolder(ctx.settings.outputFolder)) {
        status = mainLoopExit(ctx, ErrorNumber::PathNotFound);
        return false;
    }
    if (dataArgument.empty() || !PathExists(fs, dataArgument)) {
        ctx.settings.dataFolder = ctx.settings.outputFolder;
    } else {
        ctx.settings.dataFolder = withTrailingSeparator(dataArgument);
        if (!isFolder(ctx.settings.dataFolder)) ctx.settings.dataFolder = ctx.settings.outputFolder;
    }
    ctx.settings.outputFolderSlashed = ctx.settings.outputFolder;
    std::replace(ctx.settings.outputFolderSlashed.begin(), ctx.settings.outputFolderSlashed.end(), '\\', '/');
    return true;
}

std::int32_t run(ExtractionContext& ctx, const ExtractionRequest& req) {
    // 1. numbers (a missing one reads as 0; its note is lost with the reset, as ever)
    RunSettings numbers;
    numbers.sortIntoFolders = readNumber(ctx, req.sortIntoFolders);
    numbers.imageFormat = readNumber(ctx, req.imageFormat);
    numbers.resizeMode = readNumber(ctx, req.resizeMode);
    numbers.resizeWidth = readNumber(ctx, req.resizeWidth);
    numbers.resizeHeight = readNumber(ctx, req.resizeHeight);
    // 2. per-run state and option flags
    ctx.resetRun();
    ctx.settings = std::move(numbers);
    std::uint32_t word = 0;
    if (req.options)
        word = *req.options;
    else
        ctx.errors.lastIoError = toInt(ErrorNumber::SubscriptOutOfRange);
    ctx.settings.flags = OptionFlags::fromWord(word);
    ctx.walk.optionsOut = word & ~kHasAbmpBit;
    // 3. palettes, once per process
    loadpalettes();
    // 4. texts
    ctx.settings.outputFolder = trimSpaces(readText(ctx, req.outputFolder));
    ctx.settings.inputPath = trimSpaces(readText(ctx, req.inputPath));
    const std::string dataArgument = readText(ctx, req.dataFolder);
    ctx.settings.progressCaption = trimSpaces(readText(ctx, req.progressCaption));
    ctx.settings.textOutputPath = trimSpaces(readText(ctx, req.textOutputPath));
    ctx.settings.singleResourceName = trimSpaces(readText(ctx, req.singleResourceName));
    ctx.settings.singleResourceType = ctx.settings.singleResourceName.substr(0, 4);
    ctx.settings.nameTableFolder = readText(ctx, req.nameTableFolder);
    // 5.
    ctx.walk.stopRequested = false;
    // 6-10.
    std::int32_t status = 0;
    if (!validatePaths(ctx, dataArgument, status)) return status;
    // 11. the database
    // A file that was there a moment ago but cannot be read (gone, no permission, a device error)
    // is a failure in the system's words, not an unsupported file and not a quiet status 0.
    if (auto e = ctx.loaded.database.load(ctx.services.files, ctx.settings.inputPath); e != ErrorNumber::None) {
        recordIoError(ctx, e);
        ctx.resource.name = ctx.errors.workingOn = ctx.settings.inputPath;
        return mainLoopExit(ctx, e);
    }
    if (!ctx.loaded.database.IsSupported()) {
        showUnsupportedFile(ctx);
        return 0;
    }
    if (auto fault = ctx.loaded.database.tableFault(); !fault.empty())
        noteFailure(ctx, {}, op::mainLoop, ErrorNumber::SubscriptOutOfRange, std::move(fault));
    // 12. name table
    if (ctx.settings.flags.nameTable) {
        auto path = nameTablePath(ctx);
        if (PathExists(ctx.services.files, path)) {
            ctx.loaded.nameTablesOn = true;
            loadnametable(ctx, path);
        }
    }
    // 13. progress window
    const auto& entries = ctx.loaded.database.entries();
    if (!ctx.settings.flags.noProgress) {
        ctx.progress.step = entries.empty() ? 0.0f : 100.0f / static_cast<float>(entries.size());
        ctx.progress.window = ctx.services.progress.init(0, ctx.settings.progressCaption);
        if (ctx.progress.window == 0) return 0;
        progressTo(ctx, 0);
    }
    // 14, 15.
    ctx.split.abmpTable.clear();
    ctx.split.partFiles.clear();
    startTextSections(ctx);

    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (ctx.walk.stopRequested) continue;
        if (handleEntry(ctx, i, status) == Step::Stop) return status;
        ++ctx.tally.resourcesHandled;
        advanceProgress(ctx);
    }

    writeTextOutput(ctx);
    if (!ctx.split.partFiles.empty()) joinabmp(ctx);
    ctx.loaded.nameTable.clear();
    return finishWithStatus(ctx);
}

}   // namespace

std::int32_t runExtraction(ExtractionContext& ctx, const ExtractionRequest& request) {
    // No exception crosses a run: allocation failure is error 7 like any other recorded failure.
    try {
        auto status = run(ctx, request);
        ctx.releaseDatabase();
        return status;
    } catch (const std::bad_alloc&) {
        ctx.releaseDatabase();
        recordError(ctx, ErrorNumber::OutOfMemory, op::mainLoop);
        return finishWithStatus(ctx);
    } catch (...) {
        ctx.releaseDatabase();
        recordError(ctx, ErrorNumber::InternalError, op::mainLoop);
        return finishWithStatus(ctx);
    }
}

}   // namespace tesk

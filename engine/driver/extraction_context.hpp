// The state of one extraction run. The library's C entry owns one per process; the command line
// may run one per worker thread. Every operation of the engine works on a context passed to it.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "bitmap/bitmap_host.hpp"
#include "driver/palm_database.hpp"
#include "platform/error_number.hpp"
#include "platform/progress.hpp"
#include "platform/services.hpp"

namespace tesk {

struct OptionFlags {
    bool skipTbmp = false;        // EXTR_SKIP_TBMP
    bool skipTaib = false;        // EXTR_SKIP_TAIB
    bool skipAbmp = false;        // EXTR_SKIP_ABMP
    bool skipData = false;        // EXTR_SKIP_DATA
    bool noText = false;          // EXTR_NO_TEXT
    bool script = false;          // EXTR_SCRIPT
    bool forceCompress = false;   // EXTR_FORCE_COMPRESS
    bool noProgress = false;      // EXTR_NO_PROGRESS, also set by EXTR_SINGLE
    bool showErrors = false;      // EXTR_SHOW_ERRORS
    bool single = false;          // EXTR_SINGLE
    bool noLe16Swap = false;      // EXTR_NO_LE16_SWAP
    bool nameTable = false;       // EXTR_NAME_TABLE
    bool nameFolders = false;     // EXTR_NAME_FOLDERS
    bool sixteenTo24 = false;     // EXTR_16_TO_24

    static OptionFlags fromWord(std::uint32_t word);
};

enum class TextMode { Index, Script, None };

// Per resource type, one text block per resource with its ID as the sort key. In script mode
// block 0 is the section heading.
struct TypeSection {
    std::vector<std::string> blocks;
    std::vector<std::int32_t> keys;
    std::int32_t counter = 0;

    // The block of the resource being handled (created on first use).
    std::string& current();
    void setCurrentKey(std::int32_t key);
    void clear() {
        blocks.clear();
        keys.clear();
        counter = 0;
    }
};

struct AbmpEntry {
    std::string name;            // the resource's name after name-table lookup and trimming
    std::size_t lastIndex = 0;   // resource size - 1 (size 0 is kept as an empty resource)
    std::size_t size = 0;
    std::size_t start = 0;   // 0-based offset of the abmp's first byte in the file bytes
    std::uint16_t id = 0;    // pairs it with the 2bmp of the same ID, whatever its name
};

struct NameTable {
    std::vector<std::string> keys;
    std::vector<std::string> values;
    // Upper-cased key -> index of its first entry: a lookup per resource must not scan the table.
    std::unordered_map<std::string, std::size_t> firstIndex;
    void clear() {
        keys.clear();
        values.clear();
        firstIndex.clear();
    }
};

// One image file a run wrote, with the values of its index row (for summaries and galleries).
struct ImageRecord {
    std::string resourceName;
    std::string resourceIdText;
    std::string path;                     // as written, below outputFolder
    std::int32_t width = 0, height = 0;   // of the image file (after any rescale)
    std::uint8_t pixelSize = 0;
    std::int16_t density = 72;
    bool compressed = false;
    std::int32_t transparencyKind = 0;
    std::int32_t transparentIndex = 0;
    std::int32_t transparentRed = 0, transparentGreen = 0, transparentBlue = 0;
};

// One failure of a run as it happened. The error record keeps only the last one; a caller that
// reports every failure is told of each through ExtractionContext::failureObserver.
struct FailureNote {
    std::string resource;    // the resource worked on at the time, empty before the first resource
    std::string operation;   // the operation's name as in messages ("parsersrc", "MainLoop", ...)
    std::int32_t number = 0;
    std::string detail;   // what the number alone does not say, or empty
};

// The run state is one object made of small records. Each record has one owner that writes it;
// the others only read it. A run starts by giving every record a fresh value (resetRun).

// The call's arguments, trimmed, and the folders after validation (ending in the separator).
// Written by the start steps of the run, read-only after them.
struct RunSettings {
    std::string inputPath;
    std::string outputFolder;
    std::string outputFolderSlashed;
    std::string dataFolder;
    std::string textOutputPath;
    std::string progressCaption;
    std::string singleResourceName;
    std::string singleResourceType;
    std::string nameTableFolder;
    std::int32_t imageFormat = 0;   // 0 BMP, 1 JPEG, 2 PNG (quantised), 3 exact PNG
    std::int32_t sortIntoFolders = 0;
    std::int32_t resizeMode = 0;   // 0 none, 1 shrink only, 2 always
    std::int32_t resizeWidth = 0;
    std::int32_t resizeHeight = 0;
    OptionFlags flags;
};

// The database and its name table. Written by the load step and loadnametable.
struct LoadedDatabase {
    PalmDatabase database;
    bool nameTablesOn = false;
    NameTable nameTable;
};

// The walk over the resource table. Written by the walk (extraction_run.cpp).
struct WalkState {
    std::uint32_t optionsOut = 0;   // the word handed back to the caller
    bool abmpSeen = false;
    bool stopRequested = false;
    bool singleResourceFound = false;   // single-resource mode met a bitmap resource of that name
};

// The resource being handled. Written by the walk and the join of split bitmaps.
struct CurrentResource {
    std::string name;
    std::string kind;   // "tbmp", "taib", "abmp" or "bin"
    std::string idText;
    std::span<const std::uint8_t> bytes;
};

// Split bitmaps: abmp resources whose family continues in a 2bmp part. Written by abmp_join.cpp
// and, around each abmp, by the walk.
struct SplitBitmaps {
    std::vector<AbmpEntry> abmpTable;
    std::vector<std::string> partFiles;
    std::vector<std::uint8_t> joinedBytes;   // backing store of a joined split bitmap
    // The current abmp's family continues in a part: running off the end of its bytes is
    // expected in the first pass and ends the walk quietly. The part's size counts as data the
    // decoders may expect (the join decodes both together).
    bool continuesInPart = false;
    std::size_t partBytes = 0;
};

// Text output: Tbmp, tAIB, abmp, DATA. Written by text_output.cpp.
struct TextSections {
    TypeSection tbmp, taib, abmp, data;
};

// The progress window and its position. Written by the walk.
struct ProgressState {
    WindowHandle window = 0;
    float step = 0.0f;
    float value = 0.0f;
    std::int32_t percent = 0;
};

// The error record: the last recording wins. Written by error_report.cpp alone.
struct ErrorRecord {
    std::int32_t code = 0;
    std::string procedure;
    std::string workingOn;   // the resource an operation works on, for the next recording
    std::string resource;    // workingOn when code was recorded
    std::int32_t lastIoError = 0;
    bool mainLoopExitTaken = false;   // the run stopped early at one of the driver's own checks
    bool refused = false;             // not a supported file, or a non-standard format: status 0, nothing done
    std::string refusalReason;        // why, in a few words, when refused
};

// Counts and image records for summaries (not part of the status). Written by the writers and
// the bitmap's text step.
struct RunTally {
    std::size_t imagesWritten = 0;
    std::size_t dataFilesWritten = 0;
    std::size_t resourcesHandled = 0;
    std::vector<ImageRecord> imageRecords;
};

class ExtractionContext final : public BitmapHost {
public:
    explicit ExtractionContext(Services& s) : services(s) {}
    ExtractionContext(const ExtractionContext&) = delete;
    ExtractionContext& operator=(const ExtractionContext&) = delete;
    ~ExtractionContext() = default;

    Services& services;

    RunSettings settings;
    LoadedDatabase loaded;
    WalkState walk;
    CurrentResource resource;
    SplitBitmaps split;
    TextSections text;
    ProgressState progress;
    ErrorRecord errors;
    RunTally tally;
    // The bitmap being decoded; written by the bitmap code.
    BitmapState bitmap;

    // Set by the caller and kept from run to run. The observer is told of every recorded failure,
    // and of what the record never holds: resources whose data lies outside the file and table
    // entries the file cut off; the library's own entry leaves it empty. With recordImages the
    // run keeps an image record per image file written.
    std::function<void(const FailureNote&)> failureObserver;
    bool recordImages = false;

    // Every record a fresh value; the caller's settings above are kept.
    void resetRun();
    // Releases the database together with every view into it (resource.bytes) and the joined
    // bytes of a split bitmap, so no view outlives the bytes it points to.
    void releaseDatabase();

    TextMode textMode() const;
    // The section that resource.kind names ("bin" names DATA).
    TypeSection& currentSection();

    // BitmapHost, for the bitmap code (extraction_context.cpp).
    Services& runServices() override { return services; }
    ImageSettings imageSettings() const override;
    BitmapState& bitmapState() override { return bitmap; }
    std::span<const std::uint8_t> resourceData() const override { return resource.bytes; }
    const std::string& currentResourceName() const override { return resource.name; }
    bool familyContinuesInPart() const override { return split.continuesInPart; }
    std::size_t splitPartBytes() const override { return split.partBytes; }
    bool takeCurrentResource() override;
    void workOnCurrentResource() override { errors.workingOn = resource.name; }
    void recordFailure(std::int32_t number, std::string_view operation) override;
    void recordTooDeep() override;
    ErrorMark errorMark() const override { return {errors.code, errors.procedure}; }
    void restoreErrorMark(const ErrorMark& mark) override;
    void imageFileWritten() override { ++tally.imagesWritten; }
    void bitmapDone(const BitmapTextValues& values, std::string writtenPath) override;
    void makeNameFolders(const std::string& base, std::string_view name) override;
};

// Records a failure of a named operation; the caller carries on.
void recordError(ExtractionContext& ctx, ErrorNumber number, std::string_view operation);
void recordError(ExtractionContext& ctx, std::int32_t number, std::string_view operation);
// A bitmap deeper than 16 bits: error 1000 with errorProcedure left as it was.
void recordBitmapTooDeep(ExtractionContext& ctx);
// Tells the failure observer of a fault the error record does not keep.
void noteFailure(ExtractionContext& ctx, std::string resource, std::string_view operation, ErrorNumber number,
                 std::string detail);
// Notes a failure of the driver's own file operations in lastIoError only.
void recordIoError(ExtractionContext& ctx, ErrorNumber number);
// A driver file operation whose failure loses the user's data (a data file or the text file not
// written): noted in lastIoError and recorded under "MainLoop", so the run reports it.
void recordDriverFailure(ExtractionContext& ctx, ErrorNumber number);

// The driver's operation names as they appear in messages (the bitmap code's: bitmap_host.hpp).
namespace op {
inline constexpr std::string_view mainLoop = "MainLoop";
inline constexpr std::string_view loadnametable = "loadnametable";
inline constexpr std::string_view chknametable = "chknametable";
inline constexpr std::string_view joinabmp = "joinabmp";
}   // namespace op

}   // namespace tesk

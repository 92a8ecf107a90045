// Many databases in one command: inputs expanded from files and folders, one output folder per
// database, and the summary of a run for people and for programs.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/report.hpp"
#include "driver/extraction_context.hpp"

namespace tesk::cli {

struct Input {
    Input(std::filesystem::path file, std::filesystem::path place = {}, std::string memberName = {},
          std::size_t index = 0)
        : path(std::move(file)), folder(std::move(place)), member(std::move(memberName)), ordinal(index) {}

    std::filesystem::path path;   // the file; for an archive member, the archive
    // Where the file sits below the folder given on the command line (with --recursive), so its
    // output keeps that place below the output folder; empty for files named directly. An
    // archive member's is ARCHIVE-NAME/PATH-INSIDE below the archive's own place.
    std::filesystem::path folder;
    std::string member;                  // the member's name in the archive; empty for a file of its own
    std::size_t ordinal = 0;             // the member's place among the archive's entries
    std::optional<Failure> unreadable;   // why the member is not read (a link, "..", its size)

    bool inArchive() const { return !member.empty(); }
    // How reports name it: the path, or ARCHIVE:MEMBER.
    std::string name() const;
    // The file's own name (a member's last part), whose stem names its output folder.
    std::filesystem::path fileName() const;
};

// The inputs named by the arguments. A file named is an archive when libarchive reads it as one,
// else a database or bitmap file whatever its extension. Folders are walked for .prc/.pdb (any
// letter case) and for .palm files that hold a bitmap family, recursively when asked, and then
// archives found in them are read too; in a stable sorted order, an archive's members in the
// order it holds them. A folder that cannot be read, or a damaged archive, is a problem, and the
// walk goes on with the rest.
std::vector<Input> expandInputs(const std::vector<std::string>& arguments, bool recursive, bool& sawFolder,
                                std::vector<Failure>& problems);

// One output folder per input, relative to the output folder: its place below the walked folder
// and its file name without extension. A repeated name gets "-2", "-3", ...; a database's folder
// is never another's, nor a folder on the way to another's, and never hidden.
std::vector<std::filesystem::path> outputFolders(const std::vector<Input>& inputs);

struct DatabaseResult {
    std::filesystem::path input;          // the input's name (Input::name)
    std::string archive, member;          // for an archive member
    bool bitmapFile = false;              // a bitmap family of its own, read as one Tbmp resource
    std::filesystem::path outputFolder;   // where its files went
    std::int32_t status = 0;              // 0, or the number it failed with
    std::string refusal;                  // why the file was refused, empty when it was read
    bool failed() const { return status != 0; }
    std::size_t resources = 0;
    std::size_t imagesWritten = 0;
    std::size_t dataFilesWritten = 0;
    std::vector<Failure> errors;         // every failure, in order
    std::vector<std::string> messages;   // what the library said besides, one line each
    std::vector<ImageRecord> images;
    double seconds = 0;
};

struct RunSummary {
    std::vector<DatabaseResult> databases;           // those that ran, in input order
    std::vector<std::filesystem::path> notStarted;   // left when the run was interrupted (Input::name)
    std::vector<Failure> errors;                     // failures that belong to no database
    std::chrono::system_clock::time_point started, finished;
    int exitStatus = 0;
    bool interrupted = false;

    std::size_t failed() const;
    std::size_t resources() const;
    std::size_t images() const;
    std::size_t rawFiles() const;
};

// "3 databases, 12 resources, 9 bitmaps written, 1 failed"
std::string summaryText(const RunSummary& s);
// The JSON of docs/summary.schema.json.
std::string summaryJson(const RunSummary& s);

}   // namespace tesk::cli

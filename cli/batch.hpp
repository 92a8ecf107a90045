// Many databases in one command: inputs expanded from files and folders, one output folder per
// database, and the summary of a run for people and for programs.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/report.hpp"
#include "driver/extraction_context.hpp"

namespace tesk::cli {

struct Input {
    std::filesystem::path path;
    // Where the file sits below the folder given on the command line (with --recursive), so its
    // output keeps that place below the output folder; empty for files named directly.
    std::filesystem::path folder;
};

// The databases named by the arguments: files as given, whatever their extension; folders walked
// for .prc/.pdb (any letter case), recursively when asked, in a stable sorted order. A folder
// that cannot be read is a problem, and the walk goes on with the rest.
std::vector<Input> expandInputs(const std::vector<std::string>& arguments, bool recursive, bool& sawFolder,
                                std::vector<Failure>& problems);

// One output folder per input, relative to the output folder: its place below the walked folder
// and its file name without extension. A repeated name gets "-2", "-3", ...; a database's folder
// is never another's, nor a folder on the way to another's, and never hidden.
std::vector<std::filesystem::path> outputFolders(const std::vector<Input>& inputs);

struct DatabaseResult {
    std::filesystem::path input;
    std::filesystem::path outputFolder;   // where its files went
    std::int32_t status = 0;              // 0, or the number it failed with
    std::string refusal;                  // why the file was refused, empty when it was read
    bool failed() const { return status != 0; }
    std::size_t resources = 0;
    std::size_t imagesWritten = 0;
    std::size_t dataFilesWritten = 0;
    std::vector<Failure> errors;          // every failure, in order
    std::vector<std::string> messages;    // what the library said besides, one line each
    std::vector<ImageRecord> images;
    double seconds = 0;
};

struct RunSummary {
    std::vector<DatabaseResult> databases;         // those that ran, in input order
    std::vector<std::filesystem::path> notStarted; // left when the run was interrupted
    std::vector<Failure> errors;                   // failures that belong to no database
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

}  // namespace tesk::cli

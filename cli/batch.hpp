// Many databases in one command: inputs expanded from files and folders, one output sub-folder
// per database, several extraction contexts at once, and a summary at the end.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "driver/extraction_context.hpp"

namespace tesk::cli {

// The databases named by the arguments: files as given, folders walked for .prc/.pdb (any letter
// case), recursively when asked, in a stable sorted order.
std::vector<std::filesystem::path> expandInputs(const std::vector<std::string>& arguments, bool recursive,
                                                bool& sawFolder, std::vector<std::string>& problems);

// One folder name per input, from its file name without extension; repeats get "-2", "-3", ...
std::vector<std::string> uniqueFolderNames(const std::vector<std::filesystem::path>& inputs);

struct DatabaseResult {
    std::filesystem::path input;
    std::filesystem::path outputFolder;   // where its files went
    std::int32_t status = 0;              // 0, 1000 or an error number
    bool refused = false;                 // not a supported database (the library says 0)
    bool failed() const { return status != 0 || refused; }
    std::size_t resources = 0;
    std::size_t imagesWritten = 0;
    std::size_t dataFilesWritten = 0;
    std::vector<std::string> messages;    // what the library said, in order
    std::vector<ImageRecord> images;
    double seconds = 0;
};

struct BatchSummary {
    std::vector<DatabaseResult> databases;
    std::size_t failed() const;
    std::size_t resources() const;
    std::size_t images() const;
};

std::string summaryText(const BatchSummary& s);
std::string summaryJson(const BatchSummary& s);

}  // namespace tesk::cli

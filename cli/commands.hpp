// The subcommands of tesk.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

namespace tesk::cli {

struct ExtractOptions {
    std::vector<std::string> inputs;
    bool recursive = false;
    unsigned jobs = 0;   // 0: the number of cores
    std::string summaryFile;
    bool gallery = false;
    std::string outputFolder;
    std::string dataFolder;
    std::string format = "bmp";
    bool sort = false;
    std::string scriptFile;
    std::string indexFile;
    bool noText = false;
    std::string only;
    std::vector<std::string> skip;
    std::string nameTables;
    bool nameFolders = false;
    std::string resize;
    std::string rawOptions;
};

void addExtractOptions(CLI::App& command, ExtractOptions& options);

// The options word, format code and resize values an ExtractOptions stands for; false with a
// message when a value is not understood.
struct ExtractArguments {
    std::uint32_t options = 0;
    std::int32_t imageFormat = 0;
    std::int32_t resizeMode = 0;
    std::int32_t resizeWidth = 0;
    std::int32_t resizeHeight = 0;
    std::string textOutputPath;
};
bool toArguments(const ExtractOptions& options, ExtractArguments& out, std::string& error);

int runExtract(const ExtractOptions& options);

}   // namespace tesk::cli

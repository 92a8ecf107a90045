// One extraction run: start steps, the walk over the resource table, the text output, the join
// of split bitmaps and the status. The C entry, the command line and the tests all call this.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "driver/extraction_context.hpp"

namespace tesk {

// The thirteen arguments of a run; an absent value stands for a null pointer.
struct ExtractionRequest {
    std::optional<std::string> inputPath;
    std::optional<std::string> outputFolder;
    std::optional<std::string> dataFolder;
    std::optional<std::string> textOutputPath;
    std::optional<std::string> progressCaption;
    std::optional<std::string> singleResourceName;
    std::optional<std::string> nameTableFolder;
    std::optional<std::int32_t> imageFormat;
    std::optional<std::int32_t> sortIntoFolders;
    std::optional<std::uint32_t> options;
    std::optional<std::int32_t> resizeMode;
    std::optional<std::int32_t> resizeWidth;
    std::optional<std::int32_t> resizeHeight;

    // A request with every text given and empty and every number 0, as a caller passes when it
    // means "none"; callers then set what they need.
    static ExtractionRequest given(std::string input, std::string output, std::uint32_t options) {
        return {std::move(input), std::move(output), "", "", "", "", "", 0, 0, options, 0, 0, 0};
    }
};

// Runs the extraction and returns its status. ctx.walk.optionsOut holds the word to hand back.
std::int32_t runExtraction(ExtractionContext& ctx, const ExtractionRequest& request);

}   // namespace tesk

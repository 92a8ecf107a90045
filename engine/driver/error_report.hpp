// Message texts of the library and the status a run returns.
#pragma once

#include <string>
#include <string_view>

#include "driver/extraction_context.hpp"

namespace tesk {

inline constexpr std::string_view kProgramTitle = "Varnel Icon Tool";
inline constexpr std::string_view kUnsupportedFileMessage = "Error. The selected file is not a supported type.";
inline constexpr std::string_view kNonStandardFormatMessage = "Non-standard format. Can't continue.";
inline constexpr std::string_view kParserTitle = "KRWT.dll";

// "Error In Dll module --> <procedure>, While working On <resource>" CR LF "Error was --> n - text".
std::string runErrorMessage(const ExtractionContext& ctx);
// The same for the driver's own early exits, naming the resource being handled.
std::string mainLoopErrorMessage(const ExtractionContext& ctx);

// The status of a finished run, after showing the run error message when asked to.
std::int32_t finishWithStatus(ExtractionContext& ctx);
// The status of a MainLoop exit (input or output missing, an output that cannot be replaced).
std::int32_t mainLoopExit(ExtractionContext& ctx, ErrorNumber number);

void showUnsupportedFile(ExtractionContext& ctx);
// `reason` is for callers that report refusals in their own words; the message box is the same.
void showNonStandardFormat(ExtractionContext& ctx, std::string_view reason);

}   // namespace tesk

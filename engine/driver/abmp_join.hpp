// Split bitmaps: an abmp family may continue in a 2bmp resource of the same ID. The main loop
// parks each 2bmp as a part file; joinabmp puts the halves together after the text output.
#pragma once

#include <cstddef>
#include <optional>

#include "driver/extraction_context.hpp"

namespace tesk {

// Records the abmp being handled; false when it starts with "cBMP" and must be refused.
bool registerAbmp(ExtractionContext& ctx, std::size_t entryIndex);
// The size of the 2bmp of the same ID as the abmp at entryIndex (the later one when two share
// it, as in the part file), or nothing when there is none. With one, joinabmp will extract the
// whole family, so the first pass may run off the end of the abmp quietly.
std::optional<std::size_t> splitPartSize(const ExtractionContext& ctx, std::size_t entryIndex);
// Writes the 2bmp resource as its part file; false after a MainLoop exit was taken (status set).
bool writeSplitPart(ExtractionContext& ctx, std::size_t entryIndex, std::int32_t& status);
void joinabmp(ExtractionContext& ctx);

}   // namespace tesk

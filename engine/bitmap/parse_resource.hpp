// Bitmap families: walks every bitmap of the current resource, decodes and writes each one and
// hands its values to the script/index text.
#pragma once

#include "driver/extraction_context.hpp"

namespace tesk {

void parsersrc(ExtractionContext& ctx);

}  // namespace tesk

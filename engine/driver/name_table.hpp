// Resource name tables: per database type and creator, a text file that gives resources names
// (and optionally folders) instead of their type and ID.
#pragma once

#include <string>

#include "driver/extraction_context.hpp"

namespace tesk {

// nameTableFolder + "/" + type + "-" + creator + ".dat"
std::string nameTablePath(const ExtractionContext& ctx);
void loadnametable(ExtractionContext& ctx, const std::string& path);
// The value for a resource name, or empty text when the table has none (or none that may be used).
std::string chknametable(ExtractionContext& ctx, const std::string& name);

}  // namespace tesk

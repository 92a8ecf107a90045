// Plain HTML pages to look at what a run wrote: every image at its size and enlarged without
// smoothing, grouped by resource, over a checkerboard where it is transparent. No script, no network.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "cli/batch.hpp"

namespace tesk::cli {

// index.html in the database's output folder; `topPage`, when not empty, is the relative link to
// the batch's page.
std::string databaseGalleryHtml(const DatabaseResult& db, std::string_view topPage = {});
// index.html for a batch, linking each database's page.
std::string batchGalleryHtml(const RunSummary& summary, const std::filesystem::path& root);

// Escapes text for HTML content and attribute values.
std::string htmlEscape(std::string_view text);

}   // namespace tesk::cli

// tesk list: the header and resource table of databases, bitmap files and the databases inside
// archives, as text for people or as JSON for programs (docs/listing.schema.json).
#pragma once

#include <string>
#include <vector>

namespace tesk::cli {

struct ListOptions {
    std::vector<std::string> files;
    bool json = false;
};

// The exit status follows extract's: one file gives its number, several (or an archive) 1
// when any failed.
int runList(const ListOptions& options);

}   // namespace tesk::cli

// Resource name tables: per database type and creator, a text file that gives resources names
// (and optionally folders) instead of their type and ID.
#pragma once

#include <string>
#include <string_view>

#include "driver/extraction_context.hpp"

namespace tesk {

// nameTableFolder + "/" + type + "-" + creator + ".dat" (type and creator escaped like any name
// taken from file data).
std::string nameTablePath(const ExtractionContext& ctx);

// Empties the table and reads the file. With EXTR_NAME_FOLDERS the folders of values that keep
// folder parts are made under outputFolder (and dataFolder when it is another folder).
void loadnametable(ExtractionContext& ctx, const std::string& path);

// The value for a resource name (keys compared without regard to case, the first match wins), or
// empty text when the table has none. A value that could leave the output or data folder is not
// used: error 52 is recorded and the text is empty.
std::string chknametable(ExtractionContext& ctx, const std::string& name);

// Makes the folder parts of a stored value below `base` (which ends in the separator). Existing
// folders are kept; an existing part that is not a plain folder (a file, a link) stops it with
// error 75 under "loadnametable".
void CreateNameFolders(ExtractionContext& ctx, const std::string& base, std::string_view value);

// True when a stored value may become part of a path below an output folder: no ".", ".." or
// empty part, no hidden part, no drive prefix or ":", no leading "/", no NUL or control byte,
// no part too long to be a file name once an image or ".bin" ending is added.
bool isUsableNameValue(std::string_view value);

// The value with "\" turned into the native separator and a leading separator dropped: the
// relative path it names below an output folder.
std::string nameValueToPath(std::string_view value);

}   // namespace tesk

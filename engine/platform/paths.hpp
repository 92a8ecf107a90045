// Path text helpers. Folders are normalised to end in the native separator before names are
// appended, so paths are built by concatenation.
#pragma once

#include <string>
#include <string_view>

namespace tesk {

inline constexpr char kSeparator = '/';

// Appends the separator unless the text already ends in one. Empty text stays empty.
std::string withTrailingSeparator(std::string folder);

// Removes spaces (character 32 only) at both ends.
std::string trimSpaces(std::string_view text);

// Writes bytes that cannot be part of a file name (NUL, control bytes, DEL, "/", "\", "%" and a
// leading ".") as %XX, so a name made from file data can never leave its folder, hide itself or
// collide with another escaped name.
std::string escapeNameBytes(std::string_view raw);

}  // namespace tesk

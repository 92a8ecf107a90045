// Path text helpers. Folders are normalised to end in the native separator before names are
// appended, so paths are built by concatenation.
#pragma once

#include <string>
#include <string_view>

namespace tesk {

#if defined(_WIN32)
inline constexpr char kSeparator = '\\';
#else
inline constexpr char kSeparator = '/';
#endif

// Appends the separator unless the text already ends in one (on Windows "/" counts as one too,
// as it does for the system). Empty text stays empty.
std::string withTrailingSeparator(std::string folder);

// Removes spaces (character 32 only) at both ends.
std::string trimSpaces(std::string_view text);

// Writes bytes that cannot be part of a file name (NUL, control bytes, DEL, "/", "\", "%" and a
// leading ".") as %XX, so a name made from file data can never leave its folder, hide itself or
// collide with another escaped name. On Windows ":", "*", "?", QUOTE, "<", ">" and "|" are escaped
// as well: there a ":" would name a stream or a drive, and the others are refused by the system.
std::string escapeNameBytes(std::string_view raw);

}   // namespace tesk

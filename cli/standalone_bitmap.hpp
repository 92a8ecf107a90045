// Bitmap families in files of their own (what netpbm's pnmtopalm writes, and the .palm files of
// other extractors): recognised by their content and extracted exactly as one Tbmp resource of
// ID 0 in a database named after the file, whose images are named after the file too.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tesk::cli {

// True when the bytes are not a resource database and are one bitmap family from their first
// byte: every header of the chain inside the file and the first one plausible (a depth Palm
// OS draws, a size and row length that fit each other, a known compression and density, and,
// uncompressed, all its rows present).
bool isStandaloneBitmap(std::span<const std::uint8_t> bytes);

// The name the family's images get: the file name without its extension, escaped so it stays a
// plain file name (like a resource's type bytes; also ":", "=" and spaces at either end) and
// cut to 200 bytes.
std::string standaloneName(std::string_view fileStem);

// The wrapping: a resource database named `name` (its first 31 bytes), type "Tbmp", creator
// "????", holding `family` as resource Tbmp 0; and the name table that names that resource
// `name`, with its path below `tableFolder` as the run looks it up.
inline constexpr std::string_view kStandaloneType = "Tbmp";
inline constexpr std::string_view kStandaloneCreator = "????";
std::vector<std::uint8_t> wrapAsDatabase(std::span<const std::uint8_t> family, std::string_view name);
std::vector<std::uint8_t> nameTableFor(std::string_view name);
std::string nameTablePathIn(const std::string& tableFolder);

}   // namespace tesk::cli

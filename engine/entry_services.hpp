// What the C entries take from their platform: the one set of services of the process, and the
// allocator of length-prefixed texts (the form the progress entries read). One source file per
// platform provides them.
#pragma once

#include <cstdint>

#include "platform/services.hpp"

namespace tesk::entry {

Services& processServices();

// A length-prefixed copy of len bytes (32-bit byte count just before the bytes, two NULs after).
const char* allocText(const char* bytes, std::uint32_t len);
void freeText(const char* text);

}   // namespace tesk::entry

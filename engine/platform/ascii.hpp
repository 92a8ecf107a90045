// Case folding of ASCII letters only: keys, registry paths and setting words are compared this way
// whatever the locale, and bytes outside ASCII stay as they are.
#pragma once

#include <string>
#include <string_view>

namespace tesk {

inline char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

inline std::string lower(std::string_view s) {
    std::string out(s);
    for (auto& c : out) c = lowerAscii(c);
    return out;
}

}   // namespace tesk

// Message texts of several lines, joined with the CR LF the installer's messages use.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "setup_host.hpp"

namespace varnel {

inline std::string joinLines(std::initializer_list<std::string_view> lines) {
    std::string out;
    bool first = true;
    for (auto l : lines) {
        if (!first) out += CrLf;
        out += l;
        first = false;
    }
    return out;
}

}   // namespace varnel

#include "platform/paths.hpp"

namespace tesk {
namespace {

#if defined(_WIN32)
constexpr bool kWindowsNames = true;
#else
constexpr bool kWindowsNames = false;
#endif

bool isWindowsReserved(unsigned char c) {
    switch (c) {
        case ':':
        case '*':
        case '?':
        case '"':
        case '<':
        case '>':
        case '|': return true;
        default: return false;
    }
}

}   // namespace

std::string withTrailingSeparator(std::string folder) {
    if (folder.empty() || folder.back() == kSeparator) return folder;
    if (kSeparator == '\\' && folder.back() == '/') return folder;
    folder.push_back(kSeparator);
    return folder;
}

std::string trimSpaces(std::string_view text) {
    auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    auto last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

std::string escapeNameBytes(std::string_view raw) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        auto c = static_cast<unsigned char>(raw[i]);
        bool unsafe = c < 0x20 || c == 0x7F || c == '/' || c == '\\' || c == '%' || (i == 0 && c == '.') ||
                      (kWindowsNames && isWindowsReserved(c));
        if (unsafe) {
            out.push_back('%');
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 15]);
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

}   // namespace tesk

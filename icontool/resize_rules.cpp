#include "resize_rules.hpp"

#include "ini_file.hpp"

namespace tesk::icontool {

SizeKey sizeKeyAction(char32_t typed) {
    if (typed == 13) return SizeKey::Validate;
    if (typed == 8 || (typed >= U'0' && typed <= U'9')) return SizeKey::Accept;
    return SizeKey::Discard;
}

SizeCheck validateSize(std::string_view text, std::int32_t defaultValue) {
    bool digitsOnly = !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
    auto v = digitsOnly ? cInifile::CLngDefault(text, -1) : -1;
    if (v < kMinSize || v > kMaxSize) return {defaultValue, true};
    return {v, false};
}

void resetResizeDefaults(IconToolSettings& s) {
    s.targetWidth = kDefaultWidth;
    s.targetHeight = kDefaultHeight;
    s.allowResizeUp = false;
}

}   // namespace tesk::icontool

// The rules of the resize dialog's two size boxes, apart from the dialog.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "settings.hpp"

namespace tesk::icontool {

enum class SizeKey { Accept, Discard, Validate };

// The filter for one typed character: Enter validates (and is discarded), Backspace and digits
// pass, everything else is discarded.
SizeKey sizeKeyAction(char32_t typed);

struct SizeCheck {
    std::int32_t value;   // the field's new value
    bool showValue;       // the box must show the value (it was replaced by the default)
};

// A box's text as a size: 5 to 40 is taken as typed; anything else, including empty text and
// numbers beyond 32 bits, gives the default.
SizeCheck validateSize(std::string_view text, std::int32_t defaultValue);

// "Reset to Defaults".
void resetResizeDefaults(IconToolSettings& s);

}   // namespace tesk::icontool

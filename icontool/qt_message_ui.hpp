// Message boxes of the front end: a modal box with an OK button, titled with the program's name
// when the caller gives no caption.
#pragma once

#include "platform/ui.hpp"

namespace tesk::icontool {

class QtMessageUi final : public Ui {
public:
    void message(std::string_view text, std::string_view caption, MessageStyle style) override;
};

}   // namespace tesk::icontool

// Message boxes as QMessageBox, for a process with a QApplication.
#pragma once

#include "platform/ui.hpp"

namespace tesk {

class QtUi final : public Ui {
public:
    // An empty caption gives the program's title, "Varnel Icon Tool".
    void message(std::string_view text, std::string_view caption, MessageStyle style) override;
};

}   // namespace tesk

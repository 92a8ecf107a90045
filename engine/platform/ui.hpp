// Message boxes. Every box has a single OK button; the style says how it is raised.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tesk {

enum class MessageStyle {
    Plain,                 // no icon
    Information,           // information icon
    TaskModalForeground,   // no icon, task-modal and brought to the foreground
};

class Ui {
public:
    virtual ~Ui() = default;
    // Shows a box and returns when the user has closed it. An empty caption means the box has no
    // caption of its own; the backend then uses the program's title.
    virtual void message(std::string_view text, std::string_view caption, MessageStyle style) = 0;
};

// One line "caption: text" on stderr (line breaks inside the text become " / ").
class ConsoleUi final : public Ui {
public:
    void message(std::string_view text, std::string_view caption, MessageStyle style) override;
};

// MessageBoxA with an OK button, owned by the calling thread's active window; Information adds the
// information icon, TaskModalForeground MB_TASKMODAL and MB_SETFOREGROUND. Built only for Windows.
class Win32Ui final : public Ui {
public:
    void message(std::string_view text, std::string_view caption, MessageStyle style) override;
};

// Keeps every box for tests.
class RecordingUi final : public Ui {
public:
    struct Box {
        std::string text;
        std::string caption;
        MessageStyle style;
    };
    void message(std::string_view text, std::string_view caption, MessageStyle style) override {
        boxes.push_back({std::string(text), std::string(caption), style});
    }
    std::vector<Box> boxes;
};

}   // namespace tesk

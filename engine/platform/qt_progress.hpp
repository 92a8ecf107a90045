// The progress window as a Qt dialog: modeless, top-most, with the text line ("301"), the hidden
// cancel marker ("302") and the bar ("300", 0 to 100). Only for a process with a QApplication,
// on its thread; qtWidgetsUsable() says whether that is the case.
#pragma once

#include <map>

#include <QPointer>

#include "platform/progress.hpp"

class QDialog;

namespace tesk {

// True when the process has a QApplication and the caller runs on its thread.
bool qtWidgetsUsable();

class QtProgress final : public ProgressService {
public:
    QtProgress() = default;
    ~QtProgress() override;
    QtProgress(const QtProgress&) = delete;
    QtProgress& operator=(const QtProgress&) = delete;

    WindowHandle init(WindowHandle parent, std::string_view caption) override;
    void set(WindowHandle window, std::int32_t position, std::string_view text) override;
    void shutdown(WindowHandle window) override;
    bool isCancelled(WindowHandle window) override;
    // Hands pending events to Qt once without waiting; sleeps 1 ms when none was waiting.
    void pump() override;

    // The live dialog a handle names, or null (for hosts that want to embed or watch it).
    QDialog* window(WindowHandle handle) const;

private:
    std::map<WindowHandle, QPointer<QDialog>> windows_;
    WindowHandle next_ = 1;
};

}   // namespace tesk

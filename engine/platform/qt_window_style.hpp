// How the Qt windows of the library and of both programs present themselves to the window manager
// and to assistive technology. Header-only, so every Qt target can use it without a library.
#pragma once

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

namespace tesk::qtstyle {

// Dialogs and message boxes: a title and a close button, nothing to minimise or maximise. The
// hints are given explicitly; without CustomizeWindowHint a window manager may choose its own.
inline constexpr Qt::WindowFlags kDialogFlags =
    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;

inline void useDialogFrame(QWidget& window) { window.setWindowFlags(kDialogFlags); }

// A top-level QWidget is announced to assistive technology as a filler; a program's main window
// is its frame. Installs, once per window class, a factory that says so.
template <typename MainWindow>
void announceAsFrame() {
    static const bool installed = [] {
        QAccessible::installFactory([](const QString&, QObject* object) -> QAccessibleInterface* {
            auto* window = qobject_cast<MainWindow*>(object);
            if (window == nullptr || !window->isWindow()) return nullptr;
            return new QAccessibleWidget(window, QAccessible::Window);
        });
        return true;
    }();
    static_cast<void>(installed);
}

}   // namespace tesk::qtstyle

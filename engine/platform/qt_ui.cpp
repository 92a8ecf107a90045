// Qt form of the library's message boxes: one OK button, plain text (names in messages come
// from files and must not be read as markup).
#include "platform/qt_ui.hpp"

#include <QApplication>
#include <QMessageBox>

#include "platform/qt_window_style.hpp"

namespace tesk {
namespace {

constexpr auto kProgramTitle = "Varnel Icon Tool";

QString fromAnsi(std::string_view text) {
    auto s = QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return s;
}

}   // namespace

void QtUi::message(std::string_view text, std::string_view caption, MessageStyle style) {
    // Over the host's active window, so the window manager keeps the box with it.
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(caption.empty() ? QString::fromLatin1(kProgramTitle) : fromAnsi(caption));
    box.setTextFormat(Qt::PlainText);
    box.setText(fromAnsi(text));
    box.setStandardButtons(QMessageBox::Ok);
    box.setIcon(style == MessageStyle::Information ? QMessageBox::Information : QMessageBox::NoIcon);
    // The frame comes after the modality, which resets the window's hints.
    if (style == MessageStyle::TaskModalForeground) box.setWindowModality(Qt::ApplicationModal);
    box.setWindowFlags(qtstyle::kDialogFlags |
                       (style == MessageStyle::TaskModalForeground ? Qt::WindowStaysOnTopHint : Qt::Widget));
    box.exec();   // exec shows, raises and activates the box
}

}   // namespace tesk

// Qt form of the library's message boxes: one OK button, plain text (names in messages come
// from files and must not be read as markup).
#include "platform/qt_ui.hpp"

#include <QMessageBox>

namespace tesk {
namespace {

constexpr auto kProgramTitle = "Varnel Icon Tool";

QString fromAnsi(std::string_view text) {
    auto s = QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return s;
}

}  // namespace

void QtUi::message(std::string_view text, std::string_view caption, MessageStyle style) {
    QMessageBox box;
    box.setWindowTitle(caption.empty() ? QString::fromLatin1(kProgramTitle) : fromAnsi(caption));
    box.setTextFormat(Qt::PlainText);
    box.setText(fromAnsi(text));
    box.setStandardButtons(QMessageBox::Ok);
    box.setIcon(style == MessageStyle::Information ? QMessageBox::Information : QMessageBox::NoIcon);
    if (style == MessageStyle::TaskModalForeground) {
        box.setWindowModality(Qt::ApplicationModal);
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    }
    box.exec();   // exec shows, raises and activates the box
}

}  // namespace tesk

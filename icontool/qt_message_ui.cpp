#include "qt_message_ui.hpp"

#include <QApplication>
#include <QMessageBox>

#include "icon_tool_controller.hpp"
#include "platform/qt_window_style.hpp"

namespace tesk::icontool {

void QtMessageUi::message(std::string_view text, std::string_view caption, MessageStyle style) {
    QMessageBox box(style == MessageStyle::Information ? QMessageBox::Information : QMessageBox::NoIcon,
                    QString::fromLocal8Bit(caption.empty() ? std::string_view(kProgramTitle) : caption),
                    QString::fromLocal8Bit(text), QMessageBox::Ok, QApplication::activeWindow());
    box.setObjectName("messageBox");
    qtstyle::useDialogFrame(box);
    box.setAccessibleName(box.windowTitle());
    box.setAccessibleDescription(box.text());
    box.exec();
}

}   // namespace tesk::icontool

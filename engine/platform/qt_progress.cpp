// Qt form of the progress window. Layout follows the dialog-unit plan of the window (200 wide,
// text line at 25,7, bar at 25,20, 85 units high), converted with the dialog font as dialog units
// are; the window grows wider when its title needs it.
#include "platform/qt_progress.hpp"

#include <algorithm>
#include <chrono>
#include <thread>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QThread>
#include <QWindow>

namespace tesk {
namespace {

constexpr auto kTextLineName = "301";
constexpr auto kCancelMarkerName = "302";
constexpr auto kBarName = "300";

// Dialog units: a quarter of the average character width across, an eighth of the line height down.
struct DialogUnits {
    explicit DialogUnits(const QFontMetrics& m) : x(std::max(m.averageCharWidth(), 1)), y(std::max(m.height(), 1)) {}
    QRect rect(int left, int top, int width, int height) const {
        return {left * x / 4, top * y / 8, width * x / 4, height * y / 8};
    }
    int x, y;
};

// The plan's frame, in dialog units.
constexpr int kFrameWidth = 200, kFrameHeight = 85, kMargin = 25;

// The width the window's title needs in a title bar: the caption, the application's name that
// the window system appends (as it does unless the caption already ends with it), in a bold font
// as title bars commonly use, and room for the bar's own icon and edges. An estimate: the window
// manager's font is not known here.
int titleWidth(const QString& caption) {
    QString shown = caption;
    const QString app = QGuiApplication::applicationDisplayName();
    if (!app.isEmpty() && !caption.endsWith(app)) shown += QStringLiteral(" \u2014 ") + app;
    QFont font = QApplication::font();
    font.setBold(true);
    const QFontMetrics m(font);
    return m.horizontalAdvance(shown) + 4 * m.height();
}

bool isUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride:
        case QEvent::InputMethod:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel:
        case QEvent::TabletPress:
        case QEvent::TabletMove:
        case QEvent::TabletRelease:
        case QEvent::NativeGesture:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop: return true;
        default: return false;
    }
}

// While the pump hands events to Qt, the host's own windows get none of the user's input: a click
// or key meant for them would start their work inside the run. Input is dropped, not kept for
// later, as a busy window drops it. A window that opens its own event loop meanwhile (a message
// box) runs that loop unfiltered.
class InputBlocker final : public QObject {
public:
    explicit InputBlocker(const std::map<WindowHandle, QPointer<QDialog>>& windows)
        : windows_(windows), loopLevel_(QThread::currentThread()->loopLevel()) {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~InputBlocker() override { QCoreApplication::instance()->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* receiver, QEvent* event) override {
        if (!isUserInput(event->type()) || QThread::currentThread()->loopLevel() != loopLevel_) return false;
        return !belongsToProgressWindow(receiver);
    }

private:
    bool belongsToProgressWindow(QObject* receiver) const {
        for (const auto& [handle, dialog] : windows_) {
            if (dialog.isNull()) continue;
            if (receiver == static_cast<QObject*>(dialog->windowHandle())) return true;
            if (auto* w = qobject_cast<QWidget*>(receiver); w != nullptr && (w == dialog || dialog->isAncestorOf(w)))
                return true;
        }
        return false;
    }

    const std::map<WindowHandle, QPointer<QDialog>>& windows_;
    int loopLevel_;
};

}   // namespace

bool qtWidgetsUsable() {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    return app != nullptr && QThread::currentThread() == app->thread();
}

QtProgress::~QtProgress() {
    // Windows still open when the library goes away are closed, unless Qt is already gone.
    if (QCoreApplication::instance() == nullptr) return;
    for (auto& [handle, dialog] : windows_) delete dialog.data();
}

WindowHandle QtProgress::init(WindowHandle parent, std::string_view caption) {
    if (!qtWidgetsUsable()) return 0;
    // A title only: closing the window would not stop the run, and there is nothing to minimise.
    auto* dialog = new QDialog(window(parent), Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                                   Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint);
    dialog->setObjectName("progress");
    dialog->setModal(false);
    dialog->setWindowTitle(QString::fromLocal8Bit(caption.data(), static_cast<qsizetype>(caption.size())));
    const DialogUnits du{dialog->fontMetrics()};
    const auto plan = du.rect(0, 0, kFrameWidth, kFrameHeight);
    const int width = std::max(plan.width(), titleWidth(dialog->windowTitle()));
    const int left = du.rect(kMargin, 0, 0, 0).left();
    // Created in the order 301, 302, 300.
    auto* line = new QLabel(dialog);
    line->setObjectName(kTextLineName);
    line->setTextFormat(Qt::PlainText);
    line->setGeometry(du.rect(kMargin, 7, 0, 12).adjusted(0, 0, width - 2 * left, 0));
    auto* marker = new QLabel(dialog);
    marker->setObjectName(kCancelMarkerName);
    marker->setGeometry(du.rect(0, 0, 1, 1));
    marker->hide();
    auto* bar = new QProgressBar(dialog);
    bar->setObjectName(kBarName);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    bar->setGeometry(du.rect(kMargin, 20, 0, 15).adjusted(0, 0, width - 2 * left, 0));
    const QSize frame{width, plan.height()};
    dialog->setFixedSize(frame);
    if (auto* screen = QGuiApplication::primaryScreen()) {
        auto centre = screen->availableGeometry().center();
        dialog->move(centre.x() - frame.width() / 2, centre.y() - frame.height() / 2);
    }
    dialog->show();   // modeless: returns at once
    auto handle = next_++;
    windows_[handle] = dialog;
    return handle;
}

QDialog* QtProgress::window(WindowHandle handle) const {
    auto it = windows_.find(handle);
    return it == windows_.end() ? nullptr : it->second.data();
}

void QtProgress::set(WindowHandle handle, std::int32_t position, std::string_view text) {
    auto* dialog = window(handle);
    if (dialog == nullptr) return;
    if (auto* bar = dialog->findChild<QProgressBar*>(kBarName)) bar->setValue(std::clamp(position, 0, 100));
    if (auto* line = dialog->findChild<QLabel*>(kTextLineName))
        line->setText(QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size())));
}

void QtProgress::shutdown(WindowHandle handle) {
    auto it = windows_.find(handle);
    if (it == windows_.end()) return;
    delete it->second.data();   // gone at once, not at the next turn of an event loop
    windows_.erase(it);
}

bool QtProgress::isCancelled(WindowHandle handle) {
    auto* dialog = window(handle);
    if (dialog == nullptr || !dialog->isVisible()) return true;
    auto* marker = dialog->findChild<QLabel*>(kCancelMarkerName);
    return marker != nullptr && marker->text() == QLatin1String("cancel");
}

void QtProgress::pump() {
    // Qt offers no "one message" step: the events already waiting are handled once, never waiting
    // for more, which keeps the window painted between entries.
    auto* dispatcher = QAbstractEventDispatcher::instance(QThread::currentThread());
    if (qtWidgetsUsable() && dispatcher != nullptr) {
        const InputBlocker blocker{windows_};
        if (dispatcher->processEvents(QEventLoop::AllEvents)) return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}   // namespace tesk

// The Qt progress window and message boxes as the library uses them.
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
#include <algorithm>

#include "platform/qt_progress.hpp"
#include "platform/qt_ui.hpp"
#include "support/test_run.hpp"
#include "tesk/tesk.h"

using namespace tesk;

namespace {

QList<QDialog*> progressDialogs() {
    QList<QDialog*> found;
    for (auto* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<QDialog*>(w); d != nullptr && d->objectName() == "progress") found.append(d);
    return found;
}

// True when the dialog holds the text line, the hidden marker and the bar, and nothing else.
bool hasItsThreeChildren(QDialog* d) {
    auto* line = d->findChild<QLabel*>("301", Qt::FindDirectChildrenOnly);
    auto* marker = d->findChild<QLabel*>("302", Qt::FindDirectChildrenOnly);
    auto* bar = d->findChild<QProgressBar*>("300", Qt::FindDirectChildrenOnly);
    return line != nullptr && line->isVisible() && marker != nullptr && !marker->isVisible() && bar != nullptr &&
           bar->isVisible() && bar->minimum() == 0 && bar->maximum() == 100 &&
           d->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).size() == 3;
}

// Watches the window through a run: after every update it must be the only progress window and
// hold its three children.
class WatchingProgress final : public ProgressService {
public:
    WindowHandle init(WindowHandle parent, std::string_view caption) override { return qt.init(parent, caption); }
    void set(WindowHandle w, std::int32_t position, std::string_view text) override {
        qt.set(w, position, text);
        auto dialogs = progressDialogs();
        if (dialogs.size() != 1 || dialogs[0] != qt.window(w) || !hasItsThreeChildren(dialogs[0])) ++faults;
        bars.push_back(dialogs.isEmpty() ? -1 : dialogs[0]->findChild<QProgressBar*>("300")->value());
    }
    void shutdown(WindowHandle w) override { qt.shutdown(w); }
    bool isCancelled(WindowHandle w) override { return qt.isCancelled(w); }
    void pump() override { qt.pump(); }

    QtProgress qt;
    int faults = 0;
    std::vector<int> bars;
};

}   // namespace

class QtBackendsTest : public QObject {
    Q_OBJECT

private slots:
    void windowIsATopMostModelessDialogWithThreeChildren() {
        QtProgress p;
        auto h = p.init(0, "Extracting Bitmaps ...");
        QVERIFY(h != 0);
        auto* d = p.window(h);
        QVERIFY(d != nullptr);
        QCOMPARE(progressDialogs().size(), 1);
        QCOMPARE(d->windowTitle(), QString("Extracting Bitmaps ..."));
        QVERIFY(d->isVisible());
        QVERIFY(!d->isModal());
        QVERIFY(d->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        // A title only: nothing to minimise, maximise or close (closing would not stop the run).
        QVERIFY(d->windowFlags().testFlag(Qt::CustomizeWindowHint));
        for (auto hint : {Qt::WindowMinimizeButtonHint, Qt::WindowMaximizeButtonHint, Qt::WindowCloseButtonHint})
            QVERIFY(!d->windowFlags().testFlag(hint));
        QVERIFY(hasItsThreeChildren(d));
        QCOMPARE(d->findChild<QProgressBar*>("300")->value(), 0);
        QCOMPARE(d->findChild<QLabel*>("301")->text(), QString());
        // Created in the order text line, marker, bar.
        auto children = d->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
        QCOMPARE(children[0]->objectName(), QString("301"));
        QCOMPARE(children[1]->objectName(), QString("302"));
        QCOMPARE(children[2]->objectName(), QString("300"));
        p.shutdown(h);
    }

    // The window keeps the plan's height in dialog units and is wide enough for its title with the
    // application's name that the window system appends.
    void windowFitsItsContentAndTitle() {
        QApplication::setApplicationDisplayName("Varnel Icon Tool");
        QtProgress p;
        auto h = p.init(0, "Extracting Bitmaps ...");
        auto* d = p.window(h);
        const auto line = d->findChild<QLabel*>("301")->geometry();
        const auto bar = d->findChild<QProgressBar*>("300")->geometry();
        const QFontMetrics m(d->font());
        QCOMPARE(d->height(), 85 * std::max(m.height(), 1) / 8);
        QCOMPARE(line.top(), 7 * std::max(m.height(), 1) / 8);
        QCOMPARE(bar.left(), d->width() - 1 - bar.right());
        QVERIFY(d->width() >
                QFontMetrics(QApplication::font())
                    .horizontalAdvance(QString::fromUtf8("Extracting Bitmaps ... \u2014 Varnel Icon Tool")));
        p.shutdown(h);
        QApplication::setApplicationDisplayName(QString());
    }

    void positionIsClampedAndTextShown() {
        QtProgress p;
        auto h = p.init(0, "c");
        auto* bar = p.window(h)->findChild<QProgressBar*>("300");
        auto* line = p.window(h)->findChild<QLabel*>("301");
        p.set(h, -5, " 0 %");
        QCOMPARE(bar->value(), 0);
        p.set(h, 42, " 42 %");
        QCOMPARE(bar->value(), 42);
        QCOMPARE(line->text(), QString(" 42 %"));
        p.set(h, 250, "<b>not markup</b>");
        QCOMPARE(bar->value(), 100);
        QCOMPARE(line->textFormat(), Qt::PlainText);
        p.shutdown(h);
    }

    void shutdownDestroysTheWindowAndCountsAsCancelled() {
        QtProgress p;
        auto h = p.init(0, "c");
        QVERIFY(!p.isCancelled(h));
        p.shutdown(h);
        QVERIFY(progressDialogs().isEmpty());
        QVERIFY(p.window(h) == nullptr);
        QVERIFY(p.isCancelled(h));
        p.set(h, 50, "stale");   // harmless
        p.shutdown(h);
        QVERIFY(p.isCancelled(0));
        auto next = p.init(0, "c");   // handles are not reused
        QVERIFY(next != h);
        QVERIFY(p.isCancelled(h));
        p.shutdown(next);
    }

    void cancelMarkerMustReadLowerCaseCancel() {
        QtProgress p;
        auto h = p.init(0, "c");
        auto* marker = p.window(h)->findChild<QLabel*>("302");
        marker->setText("Cancel");
        QVERIFY(!p.isCancelled(h));
        marker->setText("cancel ");
        QVERIFY(!p.isCancelled(h));
        marker->setText("cancel");
        QVERIFY(p.isCancelled(h));
        p.shutdown(h);
    }

    void hiddenOrClosedWindowCountsAsCancelled() {
        QtProgress p;
        auto h = p.init(0, "c");
        p.window(h)->hide();
        QVERIFY(p.isCancelled(h));
        auto h2 = p.init(0, "c");
        delete p.window(h2);   // a host may destroy the window itself
        QVERIFY(p.isCancelled(h2));
        p.set(h2, 10, "x");
        p.shutdown(h2);
        p.shutdown(h);
    }

    void windowExistsDuringARunAndIsGoneAfter() {
        test::PrcBuilder b;
        for (std::uint16_t i = 0; i < 7; ++i) b.resource("tSTR", i, {1});
        test::TestRun run{b.build(), EXTR_SKIP_DATA | EXTR_NO_TEXT};
        WatchingProgress watch;
        Services services{run.files, run.ui, watch};
        ExtractionContext ctx{services};
        QCOMPARE(runExtraction(ctx, run.request), 0);
        QCOMPARE(watch.faults, 0);
        QCOMPARE(watch.bars, (std::vector<int>{0, 14, 29, 43, 57, 71, 86, 100}));
        QVERIFY(progressDialogs().isEmpty());
    }

    // The pump runs the host's timers but none of the user's input to the host's windows: a click
    // there would start the host's work inside the run. A window that runs its own loop meanwhile
    // (a message box) still takes input, or it could never be closed.
    void pumpDropsInputToTheHostButRunsItsTimersAndDialogs() {
        QPushButton host("Extract Icons");
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        QSignalSpy clicked(&host, &QPushButton::clicked);
        QtProgress p;
        auto h = p.init(0, "Extracting Bitmaps ...");
        const QPoint centre = host.rect().center();
        for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
            QCoreApplication::postEvent(&host, new QMouseEvent(type, centre, host.mapToGlobal(centre), Qt::LeftButton,
                                                               Qt::LeftButton, Qt::NoModifier));
        bool timerRan = false;
        bool boxClosed = false;
        QTimer::singleShot(0, [&] {
            timerRan = true;
            QMessageBox box(QMessageBox::NoIcon, "Varnel Icon Tool", "x", QMessageBox::Ok);
            QTimer::singleShot(0, [&] { QTest::mouseClick(box.button(QMessageBox::Ok), Qt::LeftButton); });
            box.exec();
            boxClosed = true;
        });
        p.pump();
        QVERIFY(timerRan);
        QVERIFY(boxClosed);
        QCOMPARE(clicked.count(), 0);
        p.shutdown(h);
        QTest::mouseClick(&host, Qt::LeftButton);   // outside the pump the host takes input again
        QCOMPARE(clicked.count(), 1);
    }

    void messageBoxTitleTextAndIcon() {
        struct Seen {
            QString title, text;
            QMessageBox::Icon icon = QMessageBox::Information;
            Qt::TextFormat format = Qt::AutoText;
            bool topMost = false;
            bool closeOnly = false;
        };
        auto show = [](std::string_view text, std::string_view caption, MessageStyle style) {
            Seen seen;
            QTimer::singleShot(0, [&seen] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (box == nullptr) return;
                const auto f = box->windowFlags();
                seen = {box->windowTitle(),
                        box->text(),
                        box->icon(),
                        box->textFormat(),
                        f.testFlag(Qt::WindowStaysOnTopHint),
                        f.testFlag(Qt::CustomizeWindowHint) && f.testFlag(Qt::WindowCloseButtonHint) &&
                            !f.testFlag(Qt::WindowMinimizeButtonHint) && !f.testFlag(Qt::WindowMaximizeButtonHint)};
                box->accept();
            });
            QtUi{}.message(text, caption, style);
            return seen;
        };
        auto plain = show("Error In Dll module --> MainLoop, While working On \r\nError was --> 76 - Path not found",
                          "Varnel Icon Tool", MessageStyle::Plain);
        QCOMPARE(plain.title, QString("Varnel Icon Tool"));
        QCOMPARE(plain.text,
                 QString("Error In Dll module --> MainLoop, While working On \nError was --> 76 - Path not found"));
        QCOMPARE(plain.icon, QMessageBox::NoIcon);
        QCOMPARE(plain.format, Qt::PlainText);
        QVERIFY(plain.closeOnly);
        auto untitled = show("Non-standard format. Can't continue.", "", MessageStyle::TaskModalForeground);
        QCOMPARE(untitled.title, QString("Varnel Icon Tool"));
        QVERIFY(untitled.topMost);
        QVERIFY(untitled.closeOnly);
        auto info = show("x", "Other", MessageStyle::Information);
        QCOMPARE(info.title, QString("Other"));
        QCOMPARE(info.icon, QMessageBox::Information);
    }
};

QTEST_MAIN(QtBackendsTest)
#include "qt_backends_test.moc"

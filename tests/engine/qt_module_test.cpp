// A QApplication host whose Qt module cannot be used (TESK_QT_MODULE names a missing file or a
// library without the module's entry): the console forms serve it, and nothing waits for a window.
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>

#include <QtTest>

#include "support/test_run.hpp"
#include "tesk/tesk.h"

class UnusableModuleTest : public QObject {
    Q_OBJECT

private slots:
    void progressEntriesUseTheConsoleForm() {
        auto caption = tesk_alloc_lpstr("Extracting Bitmaps ...", 22);
        auto h = PROGRESS_INIT(0, &caption);
        tesk_free_lpstr(caption);
        QVERIFY(h != 0);
        for (auto* w : QApplication::topLevelWidgets()) QVERIFY(qobject_cast<QDialog*>(w) == nullptr);
        QCOMPARE(PROGESS_IS_CANCELLED(h), 0);
        PROGRESS_SHUTDOWN(h);
        QCOMPARE(PROGESS_IS_CANCELLED(h), -1);
    }

    void aRunAndItsErrorNeedNoWindow() {
        bool boxShown = false;
        QTimer watch;
        watch.setInterval(0);
        connect(&watch, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                boxShown = true;
                box->accept();
            }
        });
        watch.start();
        tesk::test::PrcBuilder b;
        b.resource("tSTR", 1, {1});
        tesk::test::TempDir dir;
        tesk::test::writeBytes(dir / "in.prc", b.build());
        const auto in = (dir / "in.prc").string();
        const auto missing = (dir / "missing").string();
        int32_t zero = 0;
        uint32_t options = EXTR_SHOW_ERRORS | EXTR_NO_TEXT;
        QCOMPARE(extrsrc(in.c_str(), missing.c_str(), "", "", "Extracting Bitmaps ...", "", "", &zero, &zero, &options,
                         &zero, &zero, &zero),
                 0);
        QVERIFY(!boxShown);
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    UnusableModuleTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "qt_module_test.moc"

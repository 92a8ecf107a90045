// libtesk's progress entries and message boxes: console forms while the process has no
// QApplication, Qt windows once it has one.
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QTimer>

#include <QtTest>
#include <algorithm>
#include <thread>

#include "support/test_run.hpp"
#include "tesk/tesk.h"

namespace {

// A length-prefixed text held in a variable, as the entries take it.
class ByRef {
public:
    explicit ByRef(std::string_view s) : text_(tesk_alloc_lpstr(s.data(), static_cast<uint32_t>(s.size()))) {}
    ~ByRef() { tesk_free_lpstr(text_); }
    ByRef(const ByRef&) = delete;
    ByRef& operator=(const ByRef&) = delete;
    const tesk_lpstr* ref() const { return &text_; }

private:
    tesk_lpstr text_;
};

QList<QDialog*> progressDialogs() {
    QList<QDialog*> found;
    for (auto* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<QDialog*>(w); d != nullptr && d->objectName() == "progress") found.append(d);
    return found;
}

struct Extraction {
    explicit Extraction(std::size_t entries, uint32_t optionWord) : options(optionWord) {
        tesk::test::PrcBuilder b;
        for (std::size_t i = 0; i < entries; ++i) b.resource("tSTR", static_cast<uint16_t>(i), {1});
        tesk::test::writeBytes(dir / "in.prc", b.build());
        std::filesystem::create_directory(dir / "out");
    }
    int32_t run(const std::string& outputFolder = {}) {
        auto in = (dir / "in.prc").string();
        auto out = outputFolder.empty() ? (dir / "out").string() : outputFolder;
        int32_t zero = 0;
        return extrsrc(in.c_str(), out.c_str(), "", "", "Extracting Bitmaps ...", "", "", &zero, &zero, &options, &zero,
                       &zero, &zero);
    }
    tesk::test::TempDir dir;
    uint32_t options;
};

}   // namespace

// Runs before any QApplication exists.
class ConsoleExportsTest : public QObject {
    Q_OBJECT

private slots:
    void progressEntriesWorkWithoutADisplay() {
        ByRef caption{"Extracting Bitmaps ..."};
        auto h = PROGRESS_INIT(0, caption.ref());
        QVERIFY(h != 0);
        QCOMPARE(PROGESS_IS_CANCELLED(h), 0);
        ByRef text{" 42 %"};
        PROGRESS_SET(h, 250, text.ref());
        PROGRESS_SET(h, 10, nullptr);
        PROGRESS_SHUTDOWN(h);
        QCOMPARE(PROGESS_IS_CANCELLED(h), -1);
        QCOMPARE(PROGESS_IS_CANCELLED(0), -1);
        QCOMPARE(PROGESS_IS_CANCELLED(12345), -1);
    }

    void runWithoutADisplayIsNotCutShort() {
        // The console form always makes its window, so the run goes on and writes its files.
        Extraction e{3, EXTR_NO_TEXT};
        QCOMPARE(e.run(), 0);
        QCOMPARE(tesk::test::listFiles(e.dir / "out").size(), std::size_t{3});
    }
};

class QtExportsTest : public QObject {
    Q_OBJECT

private slots:
    void progressEntriesMakeAQtWindow() {
        ByRef caption{"Extracting Bitmaps ..."};
        auto h = PROGRESS_INIT(0, caption.ref());
        QVERIFY(h != 0);
        auto dialogs = progressDialogs();
        QCOMPARE(dialogs.size(), 1);
        auto* d = dialogs[0];
        QCOMPARE(d->windowTitle(), QString("Extracting Bitmaps ..."));
        auto* bar = d->findChild<QProgressBar*>("300");
        auto* line = d->findChild<QLabel*>("301");
        auto* marker = d->findChild<QLabel*>("302");
        QVERIFY(bar != nullptr && line != nullptr && marker != nullptr);

        ByRef text{" 42 %"};
        PROGRESS_SET(h, 42, text.ref());
        QCOMPARE(bar->value(), 42);
        QCOMPARE(line->text(), QString(" 42 %"));
        PROGRESS_SET(h, -5, text.ref());
        QCOMPARE(bar->value(), 0);
        PROGRESS_SET(h, 250, text.ref());
        QCOMPARE(bar->value(), 100);

        QCOMPARE(PROGESS_IS_CANCELLED(h), 0);
        marker->setText("Cancel");
        QCOMPARE(PROGESS_IS_CANCELLED(h), 0);
        marker->setText("cancel");
        QCOMPARE(PROGESS_IS_CANCELLED(h), -1);

        PROGRESS_SHUTDOWN(h);
        QVERIFY(progressDialogs().isEmpty());
        QCOMPARE(PROGESS_IS_CANCELLED(h), -1);
        PROGRESS_SET(h, 10, text.ref());   // stale: nothing happens
        PROGRESS_SHUTDOWN(h);
    }

    void runShowsTheWindowWhileItWorks() {
        // A timer fires while the run hands its window the pending events.
        int seen = -1;
        bool complete = false;
        QTimer probe;
        probe.setInterval(0);
        connect(&probe, &QTimer::timeout, [&] {
            auto dialogs = progressDialogs();
            seen = static_cast<int>(dialogs.size());
            complete = seen == 1 && dialogs[0]->findChild<QProgressBar*>("300") != nullptr &&
                       dialogs[0]->findChild<QLabel*>("301") != nullptr &&
                       dialogs[0]->findChild<QLabel*>("302") != nullptr;
            probe.stop();
        });
        probe.start();
        Extraction e{50, EXTR_SKIP_DATA | EXTR_NO_TEXT};
        QCOMPARE(e.run(), 0);
        QCOMPARE(seen, 1);
        QVERIFY(complete);
        QVERIFY(progressDialogs().isEmpty());
    }

    // A host's timer fires while the run hands the window its events. A call it makes on the same
    // thread cannot wait for the run it is part of: it is refused at once with 5, the run goes on
    // undisturbed, and a call from another thread waits its turn and then runs.
    void aNestedCallIsRefusedAndAnotherThreadWaits() {
        Extraction outer{40, EXTR_SKIP_DATA | EXTR_NO_TEXT};
        Extraction nested{3, EXTR_NO_TEXT};
        Extraction other{3, EXTR_NO_TEXT};
        uint32_t nestedOptions = EXTR_NO_TEXT | EXTR_HAS_ABMP;
        int32_t nestedStatus = -1;
        int32_t otherStatus = -1;
        std::thread worker;
        QTimer::singleShot(0, [&] {
            nested.options = nestedOptions;
            nestedStatus = nested.run();
            nestedOptions = nested.options;
            worker = std::thread([&] { otherStatus = other.run(); });
        });
        QCOMPARE(outer.run(), 0);
        worker.join();
        QCOMPARE(nestedStatus, 5);
        QCOMPARE(nestedOptions, uint32_t{EXTR_NO_TEXT});
        QVERIFY(tesk::test::listFiles(nested.dir / "out").empty());
        QCOMPARE(otherStatus, 0);
        QCOMPARE(tesk::test::listFiles(other.dir / "out").size(), std::size_t{3});
    }

    // With EXTR_SHOW_ERRORS the refusal is shown like any error, once: its box runs an event loop
    // of its own, in which other calls only get the number.
    void aNestedCallShowsItsRefusalOnce() {
        Extraction outer{40, EXTR_SKIP_DATA | EXTR_NO_TEXT};
        Extraction nested{3, EXTR_SHOW_ERRORS | EXTR_NO_TEXT};
        auto call = [&] {
            nested.options = EXTR_SHOW_ERRORS | EXTR_NO_TEXT;
            return nested.run();
        };
        std::vector<int32_t> statuses;
        QStringList texts;
        qsizetype boxesAtOnce = 0;
        QTimer::singleShot(0, [&] { statuses.push_back(call()); });
        QTimer insideBox;
        insideBox.setInterval(0);
        connect(&insideBox, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return;
            if (statuses.size() < 2) return statuses.push_back(call());
            const auto windows = QApplication::topLevelWidgets();
            boxesAtOnce = std::count_if(windows.begin(), windows.end(),
                                        [](QWidget* w) { return qobject_cast<QMessageBox*>(w) && w->isVisible(); });
            texts << box->windowTitle() << box->text();
            box->accept();
            insideBox.stop();
        });
        insideBox.start();
        QCOMPARE(outer.run(), 0);
        insideBox.stop();
        QCOMPARE(statuses, (std::vector<int32_t>{5, 5, 5}));
        QCOMPARE(boxesAtOnce, qsizetype{1});
        QCOMPARE(texts,
                 (QStringList{
                     "Varnel Icon Tool",
                     "Error In Dll module --> extrsrc, While working On \nError was --> 5 - Illegal function call"}));
    }

    void runErrorIsAQtMessageBox() {
        QString title, text;
        QTimer::singleShot(0, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                title = box->windowTitle();
                text = box->text();
                box->accept();
            }
        });
        Extraction e{1, EXTR_SHOW_ERRORS | EXTR_NO_TEXT};
        QCOMPARE(e.run((e.dir / "missing").string()), 0);
        QCOMPARE(title, QString("Varnel Icon Tool"));
        QVERIFY(text.endsWith("Error was --> 76 - Path not found"));
    }
};

int main(int argc, char** argv) {
    int failures = 0;
    {
        ConsoleExportsTest console;
        failures += QTest::qExec(&console, argc, argv);
    }
    QApplication app(argc, argv);
    QtExportsTest qt;
    failures += QTest::qExec(&qt, argc, argv);
    return failures;
}

#include "qt_exports_test.moc"

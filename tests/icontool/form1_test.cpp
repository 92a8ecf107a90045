// The window wiring on the offscreen platform: buttons, check boxes, drops, dialogs and help.
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "fake_extractor.hpp"
#include "form1.hpp"
#include "frm_about.hpp"
#include "frm_scale_settings.hpp"
#include "help_file.hpp"
#include "qt_message_ui.hpp"
#include "support/prc_builder.hpp"
#include "support/test_run.hpp"

using namespace tesk::icontool;

class Form1Test : public QObject {
    Q_OBJECT

    struct World {
        tesk::test::TempDir dir;
        tesk::PosixFileSystem files;
        tesk::RecordingUi ui;
        test::FakeExtractor fake;
        std::unique_ptr<LibraryExtractor> library;
        IconToolSettings settings;
        std::unique_ptr<IconToolController> controller;
        std::unique_ptr<RegistryFile> registry;
        std::vector<QUrl> opened;
        std::unique_ptr<Form1> form;

        // With realLibrary the window drives the libtesk.so of the build, with its progress window.
        explicit World(const std::string& ini = "", bool realLibrary = false) {
            std::filesystem::create_directories(dir / "bin");
            std::filesystem::create_directories(dir / "data");
            tesk::test::writeBytes(dir / "bin" / "libtesk.so", {0});
            if (!ini.empty())
                tesk::test::writeBytes(dir / "data" / "TESK.ini", tesk::test::Bytes(ini.begin(), ini.end()));
            if (realLibrary) library = std::make_unique<LibraryExtractor>(TESK_BIN_DIR);
            Extractor& extractor = library ? static_cast<Extractor&>(*library) : fake;
            controller = std::make_unique<IconToolController>(settings, files, ui, extractor, (dir / "bin").string(),
                                                              (dir / "data").string());
            registry = std::make_unique<RegistryFile>(files, (dir / "registry.reg").string());
            Form1Hooks hooks;
            hooks.openFileDialog = [](QWidget*, const QString&) { return QString(); };
            hooks.folderDialog = [](QWidget*) { return QString(); };
            hooks.openUrl = [this](const QUrl& u) { opened.push_back(u); };
            hooks.launch = [](const std::string&) { return false; };
            form = std::make_unique<Form1>(*controller, settings, *registry, files, ui, hooks);
        }
        template <typename T>
        T* find(const char* name) const {
            auto* w = form->findChild<T*>(name);
            if (!w) qFatal("no control %s", name);
            return w;
        }
        bool visible(const char* name) const { return find<QWidget>(name)->isVisibleTo(form.get()); }
        // Drags the files over the window and drops them; true when the drag was taken.
        bool drop(const QStringList& paths) const {
            QMimeData mime;
            QList<QUrl> urls;
            for (const auto& p : paths) urls << QUrl::fromLocalFile(p);
            mime.setUrls(urls);
            // A drop reaches only the widget that took the drag when it entered.
            QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton,
                                  Qt::NoModifier);
            QApplication::sendEvent(form.get(), &enter);
            const bool taken = enter.isAccepted() && enter.dropAction() == Qt::CopyAction;
            QDropEvent event(QPointF(10, 10), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(form.get(), &event);
            return taken;
        }
    };

private slots:
    // The first row is the window as it starts; the note is also the label's accessible name.
    void formatButtonsShowTheirNoteAndResizeControls() {
        World w;
        QVERIFY(w.form->start());
        w.form->show();
        auto* note = QAccessible::queryAccessibleInterface(w.find<QLabel>("lbl_bmnote"));
        for (const auto& [click, pressed, format, text, resize] :
             std::initializer_list<std::tuple<const char*, const char*, std::string, QString, bool>>{
                 {nullptr, "cmd_png", "PNG", "PNG provides best compatibility", true},
                 {"cmd_bmp", "cmd_bmp", "BMP", "BMP is not supported in Varnel", false},
                 {"cmd_jpeg", "cmd_jpeg", "JPEG", "JPG doesn't support transparency", true}}) {
            if (click) QTest::mouseClick(w.find<QPushButton>(click), Qt::LeftButton);
            for (const char* button : {"cmd_png", "cmd_bmp", "cmd_jpeg"})
                QCOMPARE(w.find<QPushButton>(button)->isChecked(), std::string_view(button) == pressed);
            QCOMPARE(w.find<QLabel>("lbl_bmnote")->text(), text);
            QCOMPARE(note->text(QAccessible::Name), text);
            QCOMPARE(w.visible("chk_scale"), resize);
            QCOMPARE(w.visible("cmd_resizesetup"), resize);
            QCOMPARE(w.settings.bitmapFormat, format);
        }

        // Unticking resize hides the setup button and opens nothing.
        w.find<QCheckBox>("chk_scale")->click();
        QVERIFY(!w.settings.resizeIcons);
        QVERIFY(!w.visible("cmd_resizesetup"));
        QVERIFY(QApplication::activeModalWidget() == nullptr);

        w.find<QCheckBox>("chk_sortbm")->click();
        QCOMPARE(w.settings.sortBitmaps, 0);
        QCOMPARE(w.find<QLabel>("lbl_outfolder")->text(), QString("Bitmap Output Folder"));
    }

    // Choosing BMP moves nothing, the format buttons end where the "..." buttons do, and a taller
    // window keeps the request's rows together.
    void layoutHoldsStill() {
        World w;
        QVERIFY(w.form->start());
        w.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
        auto geometry = [&w](const char* name) { return w.find<QWidget>(name)->geometry(); };
        const auto sortWithPng = geometry("chk_sortbm");
        const auto extractWithPng = geometry("cmd_extract");
        QCOMPARE(geometry("cmd_png").right(), geometry("cmd_getinputfile").right());
        QTest::mouseClick(w.find<QPushButton>("cmd_bmp"), Qt::LeftButton);
        QCOMPARE(geometry("chk_sortbm"), sortWithPng);
        QCOMPARE(geometry("cmd_extract"), extractWithPng);
        const int rowsHeight = geometry("chk_sortbm").top() - geometry("Label1").top();
        w.form->resize(w.form->width() + 200, w.form->height() + 300);
        QApplication::processEvents();
        QCOMPARE(geometry("chk_sortbm").top() - geometry("Label1").top(), rowsHeight);
        QCOMPARE(geometry("cmd_png").right(), geometry("cmd_getbitmapdir").right());
    }

    void aRememberedBmpWithResizeHidesTheControlsButStillPassesTheMode() {
        World w("[Program Options]\r\nDefault Bitmap Format=BMP\r\nResize Icons=True\r\n");
        QVERIFY(w.form->start());
        w.form->show();
        QVERIFY(!w.visible("chk_scale"));
        QVERIFY(!w.visible("cmd_resizesetup"));
        tesk::test::writeBytes(w.dir / "app.prc", {0});
        w.find<QLineEdit>("txt_inputfile")->setText(QString::fromStdString((w.dir / "app.prc").string()));
        w.find<QLineEdit>("txt_bitmapdir")->setText(QString::fromStdString(w.dir.str()));
        QTest::mouseClick(w.find<QPushButton>("cmd_extract"), Qt::LeftButton);
        QCOMPARE(w.fake.calls.size(), size_t{1});
        QCOMPARE(w.fake.calls[0].format, 0);
        QCOMPARE(w.fake.calls[0].resizeMode, 1);
    }

    void dropOfThreeFilesTakesTheFirstPalmFileUnchanged() {
        World w;
        QVERIFY(w.form->start());
        QVERIFY(w.drop({"/Palm Files/My Skin.PrC", "/Palm Files/other.prc", "/Palm Files/third.pdb"}));
        QCOMPARE(w.find<QLineEdit>("txt_inputfile")->text(), QString("/Palm Files/My Skin.PrC"));
        QVERIFY(w.drop({"/Palm Files/readme.txt", "/Palm Files/app.prc"}));
        QCOMPARE(w.find<QLineEdit>("txt_inputfile")->text(), QString("/Palm Files/My Skin.PrC"));
        QVERIFY(w.settings.lastInputDir.empty());
        QVERIFY(w.find<QLineEdit>("txt_bitmapdir")->text().isEmpty());
    }

    // The library hands the window events while it works. A second click on Extract then must
    // neither start a second run nor wait for the first, which would never end; a drop is
    // ignored; afterwards the window takes requests again.
    void aSecondExtractDuringARunIsIgnored() {
        World w("", true);
        QVERIFY(w.form->start());
        w.form->show();
        tesk::test::PrcBuilder prc;
        for (std::uint16_t id = 0; id < 300; ++id) prc.resource("tSTR", id, {1});
        tesk::test::writeBytes(w.dir / "app.prc", prc.build());
        const auto input = QString::fromStdString((w.dir / "app.prc").string());
        w.find<QLineEdit>("txt_inputfile")->setText(input);
        w.find<QLineEdit>("txt_bitmapdir")->setText(QString::fromStdString(w.dir.str()));
        auto* extract = w.find<QPushButton>("cmd_extract");
        bool busyShown = false, secondClickDone = false, dropTaken = true;
        QTimer::singleShot(0, [&] {
            busyShown = !extract->isEnabled() && !w.find<QLineEdit>("txt_inputfile")->isEnabled() &&
                        !w.find<QPushButton>("cmd_getinputfile")->isEnabled();
            QTest::mouseClick(extract, Qt::LeftButton);
            secondClickDone = true;
            dropTaken = w.drop({"/Palm Files/other.prc"});
        });
        QTest::mouseClick(extract, Qt::LeftButton);
        QVERIFY(secondClickDone);
        QVERIFY(busyShown);
        QVERIFY(!dropTaken);
        QCOMPARE(w.find<QLineEdit>("txt_inputfile")->text(), input);
        QVERIFY(w.ui.boxes.empty());
        QVERIFY(extract->isEnabled());
        QVERIFY(w.find<QLineEdit>("txt_inputfile")->isEnabled());
    }

    void openWithFillsTheInputLikeADrop() {
        World w;
        QVERIFY(w.form->start());
        QVERIFY(!w.form->takeInputFile("/Palm Files/notes.txt"));
        QVERIFY(w.find<QLineEdit>("txt_inputfile")->text().isEmpty());
        QVERIFY(w.form->takeInputFile("/Palm Files/Other.PDB"));
        QCOMPARE(w.find<QLineEdit>("txt_inputfile")->text(), QString("/Palm Files/Other.PDB"));
        QVERIFY(!w.form->takeInputFile(""));
        QCOMPARE(w.find<QLineEdit>("txt_inputfile")->text(), QString("/Palm Files/Other.PDB"));
    }

    void extractWithAnEmptyInputAsksForOne() {
        World w;
        QVERIFY(w.form->start());
        QTest::mouseClick(w.find<QPushButton>("cmd_extract"), Qt::LeftButton);
        QCOMPARE(w.ui.boxes.size(), size_t{1});
        QCOMPARE(w.ui.boxes[0].text, std::string("Please select an input file first."));
        QCOMPARE(w.ui.boxes[0].caption, std::string("Varnel Icon Tool"));
        QVERIFY(w.fake.calls.empty());
    }

    void cancelledFileDialogEmptiesTheInputBox() {
        World w;
        QVERIFY(w.form->start());
        w.find<QLineEdit>("txt_inputfile")->setText("/old.prc");
        QTest::mouseClick(w.find<QPushButton>("cmd_getinputfile"), Qt::LeftButton);
        QVERIFY(w.find<QLineEdit>("txt_inputfile")->text().isEmpty());
        QVERIFY(w.settings.lastInputDir.empty());
    }

    void resizeDialogFiltersKeysAndValidates() {
        World w;
        QVERIFY(w.form->start());
        w.form->show();
        frm_ScaleSettings dialog(
            w.settings, [&w] { w.form->openHelp(kResizeHelpTopic); }, w.form.get());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.windowTitle(), QString("Resize Setup"));
        auto* width = dialog.findChild<QLineEdit*>("txt_width");
        auto* height = dialog.findChild<QLineEdit*>("txt_height");
        QCOMPARE(width->text(), QString("16"));

        // Enter validates without closing the dialog; so does leaving the box (a zero key here).
        for (const auto& [box, keys, typed, validate, shown, setting, value] :
             std::initializer_list<std::tuple<QLineEdit*, const char*, QString, Qt::Key, QString, int*, int>>{
                 {width, "4a -.1", "41", Qt::Key_Return, "16", &w.settings.targetWidth, 16},
                 {width, "007", "007", Qt::Key_Enter, "007", &w.settings.targetWidth, 7},
                 {height, "4", "4", Qt::Key(0), "14", &w.settings.targetHeight, 14}}) {
            box->setFocus();
            box->clear();
            QTest::keyClicks(box, keys);
            QCOMPARE(box->text(), typed);
            if (validate)
                QTest::keyClick(box, validate);
            else
                width->setFocus();
            QCOMPARE(box->text(), shown);
            QCOMPARE(*setting, value);
            QVERIFY(dialog.isVisible());
        }

        // Shortcut keys are no characters: they work, and pasted text keeps only its digits.
        width->setFocus();
        width->setText("16");
        QTest::keyClick(width, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(width, "9");
        QCOMPARE(width->text(), QString("9"));
        QTest::keyClick(width, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(width, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("9"));
        QTest::keyClick(width, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(width->text(), QString());
        QGuiApplication::clipboard()->setText("2 a-5.");
        QTest::keyClick(width, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(width->text(), QString("25"));
        QTest::keyClick(width, Qt::Key_Return);
        QCOMPARE(w.settings.targetWidth, 25);

        auto* up = dialog.findChild<QCheckBox*>("chk_resizeup");
        up->click();
        QVERIFY(w.settings.allowResizeUp);
        QTest::mouseClick(dialog.findChild<QPushButton*>("cmd_reset"), Qt::LeftButton);
        QVERIFY(!up->isChecked());
        QVERIFY(!w.settings.allowResizeUp);
        QCOMPARE(w.settings.targetWidth, 16);
        QCOMPARE(width->text(), QString("16"));
        QCOMPARE(resizeMode(w.settings), 1);

        QTest::keyClick(&dialog, Qt::Key_F1);
        QCOMPARE(w.opened.size(), size_t{1});
        QCOMPARE(w.opened[0].fragment(), QString("resize"));
        QCOMPARE(w.opened[0].toLocalFile(), QString::fromStdString((w.dir / "data" / "icontool.html").string()));
    }

    void helpAboutAndAccessibility() {
        World w;
        QVERIFY(w.form->start());
        QTest::mouseClick(w.find<QPushButton>("cmd_help"), Qt::LeftButton);
        QCOMPARE(w.opened.size(), size_t{1});
        QVERIFY(w.opened[0].fragment().isEmpty());
        QCOMPARE(w.form->windowTitle(), QString("Varnel Icon Tool"));
        for (auto* b : w.form->findChildren<QAbstractButton*>())
            QVERIFY2(!b->accessibleName().isEmpty(), qPrintable(b->objectName()));
        for (auto* e : w.form->findChildren<QLineEdit*>())
            QVERIFY2(!e->accessibleName().isEmpty(), qPrintable(e->objectName()));
        // The window is announced as a frame; the note's name follows the format (see the format test).
        QCOMPARE(QAccessible::queryAccessibleInterface(w.form.get())->role(), QAccessible::Window);
        QVERIFY(!QAccessible::queryAccessibleInterface(w.find<QLabel>("lbl_bmnote"))
                     ->text(QAccessible::Description)
                     .isEmpty());

        frmAbout about(*w.registry, w.files, [](const std::string&) { return true; }, w.ui, {});
        QCOMPARE(about.windowTitle(), QString("About Varnel Icon Tool"));
        QCOMPARE(about.findChild<QLabel*>("lblVersion")->text(), QString("Version " TESK_PROJECT_VERSION));
        QVERIFY(!about.isModal());
        QTest::mouseClick(about.findChild<QPushButton*>("cmdSysInfo"), Qt::LeftButton);
        QCOMPARE(w.ui.boxes.size(), size_t{1});
        QCOMPARE(w.ui.boxes[0].text, std::string("System Information Is Unavailable At This Time"));
    }

    // Dialogs and message boxes offer a close button but nothing to minimise or maximise.
    void dialogsHaveOnlyACloseButton() {
        World w;
        QVERIFY(w.form->start());
        auto closeOnly = [](QWidget* window) {
            const auto f = window->windowFlags();
            return f.testFlag(Qt::CustomizeWindowHint) && f.testFlag(Qt::WindowCloseButtonHint) &&
                   !f.testFlag(Qt::WindowMinimizeButtonHint) && !f.testFlag(Qt::WindowMaximizeButtonHint);
        };
        frm_ScaleSettings resize(w.settings, {}, w.form.get());
        QVERIFY(closeOnly(&resize));
        frmAbout about(*w.registry, w.files, [](const std::string&) { return true; }, w.ui, {});
        QVERIFY(closeOnly(&about));
        bool boxCloseOnly = false;
        QTimer::singleShot(0, [&] {
            auto* box = QApplication::activeModalWidget();
            boxCloseOnly = box != nullptr && closeOnly(box);
            if (box) box->close();
        });
        QtMessageUi{}.message("Please select an input file first.", "", tesk::MessageStyle::Plain);
        QVERIFY(boxCloseOnly);
    }

    void closingTheWindowSavesTheSettings() {
        World w;
        QVERIFY(w.form->start());
        w.form->show();
        QTest::mouseClick(w.find<QPushButton>("cmd_jpeg"), Qt::LeftButton);
        QTest::mouseClick(w.find<QPushButton>("cmd_exit"), Qt::LeftButton);
        QVERIFY(!w.form->isVisible());
        auto ini = tesk::test::readText(w.dir / "data" / "TESK.ini");
        QVERIFY(ini.find("Default Bitmap Format=JPEG\r\n") != std::string::npos);
    }

    void aMissingLibraryEndsTheStartWithTheFatalMessage() {
        World w;
        std::filesystem::remove(w.dir / "bin" / "libtesk.so");
        QVERIFY(!w.form->start());
        QCOMPARE(w.ui.boxes.back().text, std::string("Fatal Error!. libtesk.so missing. Can't continue."));
    }
};

QTEST_MAIN(Form1Test)
#include "form1_test.moc"

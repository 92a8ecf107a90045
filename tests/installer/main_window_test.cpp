// The setup window on the offscreen platform: warnings, start-up state, the completion display and
// what assistive technology is told.
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <filesystem>

#include "installer_fixtures.hpp"
#include "main_window.hpp"
#include "palm_user_dialog.hpp"

using namespace varnel;

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::InstallTree> tree;
    std::unique_ptr<tesk::PosixFileSystem> disk;
    std::unique_ptr<tesk::RegFileRegistry> registry;

    std::unique_ptr<Main> makeWindow(bool palmReadable) {
        MainState state;
        state.varnelMainPath = tree->program;
        state.varnelUserPath = tree->tmp.root();
        auto w = std::make_unique<Main>(state, palmReadable, *disk, *registry);
        w->show();
        return w;
    }
    // A title and a close button, nothing to minimise or maximise.
    static bool closeOnly(QWidget* window) {
        const auto f = window->windowFlags();
        return f.testFlag(Qt::CustomizeWindowHint) && f.testFlag(Qt::WindowCloseButtonHint) &&
               !f.testFlag(Qt::WindowMinimizeButtonHint) && !f.testFlag(Qt::WindowMaximizeButtonHint);
    }
    // Check boxes react only on their indicator and caption, not on the whole row.
    static void clickBox(QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2)); }
    template <typename T>
    static T* child(QWidget& w, const char* name) {
        auto* c = w.findChild<T*>(name);
        if (!c) qFatal("missing control %s", name);
        return c;
    }

    // Answers the modal windows the run opens, one handler per window in order of appearance.
    using ModalHandler = std::function<void(QWidget*)>;
    static void answerModals(QObject* owner, std::vector<ModalHandler> handlers) {
        auto* timer = new QTimer(owner);
        auto queue = std::make_shared<std::deque<ModalHandler>>(handlers.begin(), handlers.end());
        auto lastHandled = std::make_shared<QPointer<QWidget>>();
        QObject::connect(timer, &QTimer::timeout, timer, [timer, queue, lastHandled] {
            auto* modal = QApplication::activeModalWidget();
            if (!modal || modal == lastHandled->data()) return;
            if (queue->empty()) {
                QFAIL("an unexpected modal window");
                return;
            }
            *lastHandled = modal;
            auto handler = queue->front();
            queue->pop_front();
            handler(modal);
            if (queue->empty()) timer->stop();
        });
        timer->start(10);
    }

private slots:
    void init() {
        tree = std::make_unique<test::InstallTree>();
        disk = std::make_unique<tesk::PosixFileSystem>();
        registry = std::make_unique<tesk::RegFileRegistry>(*disk, tree->registryFile);
    }
    void cleanup() {
        registry.reset();
        tree.reset();
    }

    void initialStateWithPalmDesktop() {
        auto w = makeWindow(true);
        QCOMPARE(w->windowTitle(), QStringLiteral("Varnel: Windows Setup, Part 2, V-1.9f"));
        QVERIFY(child<QRadioButton>(*w, "NewerPIMs")->isChecked());
        QVERIFY(child<QRadioButton>(*w, "LegacyPIMs")->isEnabled());
        QVERIFY(child<QCheckBox>(*w, "ScreenTemplatesCheckbox")->isChecked());
        QVERIFY(!child<QCheckBox>(*w, "DefaultIconsCheckbox")->isChecked());
        QVERIFY(child<QPushButton>(*w, "Setup")->isEnabled());
        QVERIFY(!child<QPushButton>(*w, "NextButton")->isEnabled());
        QVERIFY(!child<QLabel>(*w, "DisplayResult")->isVisible());
        QVERIFY(!child<QLabel>(*w, "Picture1")->pixmap().isNull());
    }

    void withoutPalmDesktopOnlyStandaloneCanBeChosen() {
        auto w = makeWindow(false);
        QVERIFY(child<QRadioButton>(*w, "StandAlone")->isChecked());
        QVERIFY(!child<QRadioButton>(*w, "LegacyPIMs")->isEnabled());
        QVERIFY(!child<QRadioButton>(*w, "NewerPIMs")->isEnabled());
        QTest::mouseClick(child<QRadioButton>(*w, "NewerPIMs"), Qt::LeftButton);
        QVERIFY(child<QRadioButton>(*w, "StandAlone")->isChecked());
    }

    void checkBoxWarnings() {
        auto w = makeWindow(true);
        auto* result = child<QLabel>(*w, "DisplayResult");
        auto* icons = child<QCheckBox>(*w, "DefaultIconsCheckbox");
        auto* prefs = child<QCheckBox>(*w, "DefaultPreferencesCheckbox");
        auto* tabbed = child<QCheckBox>(*w, "DefaultTabbedPaneCheckbox");

        clickBox(icons);
        QVERIFY(result->isVisible());
        QCOMPARE(result->text(), QStringLiteral("Warning: Checking this box will cause your current icons to be "
                                                "overwritten with the default installation icons!"));
        QVERIFY(QApplication::activeModalWidget() == nullptr);   // a toggle never opens a dialog

        clickBox(prefs);
        QCOMPARE(result->text(), QStringLiteral("Warning: Checking this box will cause your current preferences to be "
                                                "overwritten with the default preferences!"));
        QCOMPARE(result->accessibleDescription(), result->text());

        clickBox(icons);   // unchecking hides, although prefs stays checked
        QVERIFY(prefs->isChecked());
        QVERIFY(!result->isVisible());

        clickBox(tabbed);
        const auto tabbedWarning = QStringLiteral(
            "Warning: Checking this box will cause your current filters, "
            "templates, priority items to be overwritten with the default "
            "installation settings!");
        QCOMPARE(result->text(), tabbedWarning);
        QVERIFY(result->isVisible());

        clickBox(child<QCheckBox>(*w, "ScreenTemplatesCheckbox"));
        QCOMPARE(result->text(), tabbedWarning);
    }

    void completionDisplayAfterAStandaloneRun() {
        auto w = makeWindow(false);
        test::ScriptedHost host;
        host.answers = {tree->tmp.root() + "data/", "Kim Lee"};
        w->setPromptHost(&host);
        QTest::mouseClick(child<QPushButton>(*w, "Setup"), Qt::LeftButton);

        QCOMPARE(w->windowTitle(), QStringLiteral("Varnel: Windows Setup, Part 2, V-1.9f Installation Complete!"));
        // Assistive technology hears the new title too, from the window announced as a frame.
        auto* frame = QAccessible::queryAccessibleInterface(w.get());
        QCOMPARE(frame->role(), QAccessible::Window);
        QCOMPARE(frame->text(QAccessible::Name),
                 QStringLiteral("Varnel: Windows Setup, Part 2, V-1.9f Installation Complete!"));
        auto* result = child<QLabel>(*w, "DisplayResult");
        QVERIFY(result->isVisible());
        QCOMPARE(result->text(),
                 QString::fromStdString("Primary User Name: Kim Lee. User Folder: " + tree->tmp.root() +
                                        "data/Kim_Lee/Varnel/\nVarnel Preferences file update successful"));
        for (const char* off : {"NewerPIMs", "LegacyPIMs", "StandAlone", "DefaultPreferencesCheckbox",
                                "DefaultTabbedPaneCheckbox", "DefaultIconsCheckbox", "Setup"}) {
            QVERIFY2(!child<QWidget>(*w, off)->isEnabled(), off);
        }
        for (const char* on : {"ScreenTemplatesCheckbox", "Help", "NextButton"}) {
            QVERIFY2(child<QWidget>(*w, on)->isEnabled(), on);
        }
        QVERIFY(std::filesystem::exists(tree->tmp.root() + "data/Kim_Lee/Varnel/Default.txt"));
    }

    // The "will be overwritten" warning does not outlast a run that stopped before writing.
    void aStoppedRunClearsTheWarning() {
        auto w = makeWindow(false);
        clickBox(child<QCheckBox>(*w, "DefaultPreferencesCheckbox"));
        QVERIFY(child<QLabel>(*w, "DisplayResult")->isVisible());
        std::filesystem::remove(tree->program + "VarnelPreferences.def");
        test::ScriptedHost host;
        host.answers = {tree->tmp.root() + "data/", "Kim"};
        w->setPromptHost(&host);
        QTest::mouseClick(child<QPushButton>(*w, "Setup"), Qt::LeftButton);
        QVERIFY(host.anyMessageContains("Setup stopped: "));
        QVERIFY(!child<QLabel>(*w, "DisplayResult")->isVisible());
    }

    // A Palm user name of hundreds of letters keeps the window, the user dialog and message boxes
    // within the screen, and the options unsqueezed; the whole name stays readable.
    void longNamesStayWithinTheScreen() {
        const QString name(254, 'W');
        const int screenWidth = QGuiApplication::primaryScreen()->availableGeometry().width();
        PalmUserDialog dialog({name, "Bob"}, 0);
        dialog.show();
        QVERIFY(dialog.width() <= screenWidth);
        QCOMPARE(dialog.usersCombo()->itemData(0, Qt::ToolTipRole).toString(), name);
        QVERIFY(dialog.findChild<QPushButton*>("CancelButton")->geometry().right() < dialog.width());

        auto w = makeWindow(false);
        test::ScriptedHost host;
        host.answers = {tree->tmp.root() + "data/", name.toStdString()};
        w->setPromptHost(&host);
        QTest::mouseClick(child<QPushButton>(*w, "Setup"), Qt::LeftButton);
        auto* result = child<QLabel>(*w, "DisplayResult");
        QVERIFY(result->isVisible());
        QVERIFY(w->width() <= screenWidth);
        QVERIFY(result->accessibleDescription().contains(name));
        auto* frame = child<QWidget>(*w, "Frame1");
        QVERIFY(frame->height() >= frame->minimumSizeHint().height());

        int boxWidth = 0;
        answerModals(w.get(), {[&](QWidget* m) {
                         boxWidth = m->width();
                         qobject_cast<QMessageBox*>(m)->accept();
                     }});
        w->message(
            ("Users.dat - no match found on user: " + name + ". Cannot determine path to user folder").toStdString(),
            "");
        QVERIFY(boxWidth > 0 && boxWidth <= screenWidth);
    }

    void runEndedEarlyLeavesOptionsAndEnablesNext() {
        auto w = makeWindow(false);
        test::ScriptedHost host;   // the path prompt is cancelled
        w->setPromptHost(&host);
        QTest::mouseClick(child<QPushButton>(*w, "Setup"), Qt::LeftButton);
        QVERIFY(child<QPushButton>(*w, "Setup")->isEnabled());
        QVERIFY(child<QPushButton>(*w, "NextButton")->isEnabled());
        QVERIFY(!child<QLabel>(*w, "DisplayResult")->isVisible());
        QCOMPARE(w->windowTitle(), QStringLiteral("Varnel: Windows Setup, Part 2, V-1.9f"));

        QSignalSpy ended(w.get(), &Main::programEnded);
        QTest::mouseClick(child<QPushButton>(*w, "NextButton"), Qt::LeftButton);
        QCOMPARE(ended.count(), 1);
    }

    void everyControlHasAnAccessibleName() {
        auto w = makeWindow(true);
        for (auto* widget : w->findChildren<QWidget*>()) {
            if (widget->objectName().isEmpty() || widget->objectName().startsWith("qt_")) continue;
            QVERIFY2(!widget->accessibleName().isEmpty(), qPrintable(widget->objectName()));
        }
        QCOMPARE(child<QPushButton>(*w, "Setup")->accessibleName(), QStringLiteral("Setup"));
        QCOMPARE(child<QPushButton>(*w, "NextButton")->accessibleName(), QStringLiteral("Next..."));
        QVERIFY(!child<QLabel>(*w, "Label1")->accessibleDescription().isEmpty());
        QVERIFY(!child<QLabel>(*w, "Label2")->accessibleDescription().isEmpty());
    }

    void realDialogsOfAPalmRunWithADifferentUser() {
        tree->writeUsers(test::UsersDatBuilder{}.user("Ann", "AnnF").user("Bob", "BobF"));
        tree->setRegistry("HKEY_CURRENT_USER\\Software\\U.S. Robotics\\Pilot Desktop\\Preferences\\DesktopUser", "Ann");
        std::filesystem::create_directories(tree->palm + "/BobF");
        auto w = makeWindow(true);
        QString boxTitle, boxText;
        answerModals(w.get(), {
                                  [](QWidget* m) {
                                      auto* dialog = qobject_cast<PalmUserDialog*>(m);
                                      QVERIFY(dialog);
                                      QCOMPARE(dialog->windowTitle(), QStringLiteral("Select Palm User"));
                                      QVERIFY(closeOnly(dialog));
                                      QCOMPARE(dialog->selectedIndex(), 0);
                                      dialog->usersCombo()->setCurrentIndex(1);
                                      QTest::mouseClick(dialog->findChild<QPushButton*>("OKButton"), Qt::LeftButton);
                                  },
                                  [&](QWidget* m) {
                                      auto* box = qobject_cast<QMessageBox*>(m);
                                      QVERIFY(box);
                                      QVERIFY(closeOnly(box));
                                      boxTitle = box->windowTitle();
                                      boxText = box->text();
                                      box->accept();
                                  },
                              });
        QTest::mouseClick(child<QPushButton>(*w, "Setup"), Qt::LeftButton);
        QCOMPARE(boxTitle, QStringLiteral("Varnel: Windows Setup, Part 2, V-1.9f"));
        QVERIFY(
            boxText.startsWith(QStringLiteral("Since you selected a different user from the current default user,\n")));
        QCOMPARE(QString::fromStdString(w->state().varnelUserPathFilename), QStringLiteral("Bob.dat"));
        QVERIFY(std::filesystem::exists(tree->program + "Bob.dat"));
        QVERIFY(w->windowTitle().endsWith(QStringLiteral(" Installation Complete!")));
    }

    void realInputBoxesOfAStandaloneRun() {
        auto w = makeWindow(false);
        const auto data = QString::fromStdString(tree->tmp.root() + "data/");
        QString pathDefault;
        answerModals(w.get(), {
                                  [&](QWidget* m) {
                                      auto* input = qobject_cast<QInputDialog*>(m);
                                      QVERIFY(input);
                                      QCOMPARE(input->windowTitle(), QStringLiteral("Set Path to User Data"));
                                      QVERIFY(closeOnly(input));
                                      pathDefault = input->textValue();
                                      input->setTextValue(data);
                                      input->accept();
                                  },
                                  [](QWidget* m) {
                                      auto* input = qobject_cast<QInputDialog*>(m);
                                      QVERIFY(input);
                                      QCOMPARE(input->labelText(), QStringLiteral("Provide a User Name:"));
                                      QVERIFY(!input->findChild<QLineEdit*>()->accessibleName().isEmpty());
                                      input->setTextValue(QStringLiteral("Kim"));
                                      input->accept();
                                  },
                              });
        QTest::mouseClick(child<QPushButton>(*w, "Setup"), Qt::LeftButton);
        QCOMPARE(pathDefault, QString::fromStdString(tree->tmp.root() + "Oskery/"));
        QVERIFY(std::filesystem::exists(tree->tmp.root() + "data/Kim/Varnel/Default.txt"));
    }

    void palmUserDialog() {
        PalmUserDialog d({"Ann", "Bob"}, 1);
        QCOMPARE(d.windowTitle(), QStringLiteral("Select Palm User"));
        QCOMPARE(d.selectedIndex(), 1);
        QCOMPARE(d.usersCombo()->accessibleName(), QStringLiteral("Palm User:"));
        PalmUserDialog none({"Ann", "Bob"}, -1);
        QCOMPARE(none.selectedIndex(), -1);
        QVERIFY(d.findChild<QPushButton*>("OKButton"));
        QVERIFY(d.findChild<QPushButton*>("CancelButton"));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VarnelInstall-Part2"));
    MainWindowTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "main_window_test.moc"

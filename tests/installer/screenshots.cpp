// Renders the setup window and its dialogs into PNG files for a look at the layout:
//   installer_screenshots <folder>
// The window at start, with a check-box warning, after a standalone run for a very long user
// name, the Palm user dialog with ordinary and with very long names, and a message box.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QPushButton>
#include <QTimer>

#include "installer_fixtures.hpp"
#include "main_window.hpp"
#include "palm_user_dialog.hpp"

namespace {

bool save(QWidget& window, const QString& folder, const char* name) {
    window.show();
    QApplication::processEvents();
    return window.grab().save(QDir(folder).filePath(name));
}

// Modal windows show only inside their own loop: grabbed and closed from there.
bool saveModal(const QString& folder, const char* name, const std::function<void()>& open) {
    bool ok = false;
    QTimer::singleShot(0, [&] {
        if (auto* modal = QApplication::activeModalWidget()) {
            ok = modal->grab().save(QDir(folder).filePath(name));
            modal->close();
        }
    });
    open();
    return ok;
}

}   // namespace

int main(int argc, char** argv) {
    using namespace varnel;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VarnelInstall-Part2"));
    if (argc < 2) return 2;
    const QString folder = QString::fromLocal8Bit(argv[1]);

    test::InstallTree tree;
    tesk::PosixFileSystem disk;
    tesk::RegFileRegistry registry{disk, tree.registryFile};
    MainState state;
    state.varnelMainPath = tree.program;
    state.varnelUserPath = tree.tmp.root();

    Main start{state, true, disk, registry};
    bool ok = save(start, folder, "installer-start.png");
    start.findChild<QCheckBox*>("DefaultTabbedPaneCheckbox")->click();
    ok = save(start, folder, "installer-warning.png") && ok;
    ok = saveModal(folder, "installer-message.png", [&] { start.message(text::helpText(), ""); }) && ok;

    const std::string longName(254, 'W');
    Main done{state, false, disk, registry};
    test::ScriptedHost host;
    host.answers = {tree.tmp.root() + "data/", longName};
    done.setPromptHost(&host);
    done.show();
    done.findChild<QPushButton*>("Setup")->click();
    ok = save(done, folder, "installer-complete-long-name.png") && ok;

    PalmUserDialog users({"Ann Lee", "Bob Smith"}, 0);
    ok = save(users, folder, "installer-palm-user.png") && ok;
    PalmUserDialog longUsers({QString::fromStdString(longName), "Bob Smith"}, 0);
    ok = save(longUsers, folder, "installer-palm-user-long-name.png") && ok;
    return ok ? 0 : 1;
}

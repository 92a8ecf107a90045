// VarnelIconTool: the window that drives libtesk.so.
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QSocketNotifier>

#include "extractor.hpp"
#include "form1.hpp"
#include "help_file.hpp"
#include "icon_tool_controller.hpp"
#include "mod_util.hpp"
#include "qt_message_ui.hpp"
#include "registry_file.hpp"
#include "tesk/version.h"

namespace {

// A termination signal (logout, kill) ends the program through the normal quit path, so the
// settings are written; the handler only writes a byte the event loop picks up.
int signalPipe[2] = {-1, -1};

void onTerminate(int) {
    char byte = 1;
    [[maybe_unused]] auto n = ::write(signalPipe[0], &byte, 1);
}

void quitOnTerminationSignals(QApplication& app) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [notifier] {
        notifier->setEnabled(false);
        QApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = onTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(sig, &action, nullptr);
}

}   // namespace

int main(int argc, char** argv) {
    using namespace tesk::icontool;
    QApplication app(argc, argv);
    QApplication::setApplicationName("VarnelIconTool");
    QApplication::setApplicationDisplayName(kProgramTitle);
    QApplication::setApplicationVersion(TESK_VERSION);
    QApplication::setDesktopFileName("VarnelIconTool");
    QApplication::setWindowIcon(QIcon(":/icontool/VarnelIconTool.png"));

    tesk::PosixFileSystem files;
    QtMessageUi ui;
    IconToolSettings settings;
    // The folder of the executable itself, links resolved, so the library beside it is found.
    const std::string programFolder = ShortPathName(QApplication::applicationDirPath().toLocal8Bit().toStdString());
    const std::string dataFolder = Get_Data_Path(systemEnv, ui);
    LibraryExtractor extractor(programFolder);
    IconToolController controller(settings, files, ui, extractor, programFolder, dataFolder);
    RegistryFile registry(files, registryFilePath(systemEnv));

    Form1 form(controller, settings, registry, files, ui, defaultHooks());
    // Every way out writes the settings once, also a logout that closes no window.
    QObject::connect(&app, &QApplication::aboutToQuit, [&controller] { controller.shutDown(); });
    quitOnTerminationSignals(app);

    if (!form.start()) {
        controller.shutDown();
        return 1;
    }
    QFile page(":/icontool/help.html");
    if (ensureFolder(files, dataFolder) && page.open(QIODevice::ReadOnly))
        installHelpFile(files, dataFolder, page.readAll().toStdString());
    // A file named on the command line (by a file manager's "Open With") fills the input box.
    if (const auto args = QApplication::arguments(); args.size() > 1)
        form.takeInputFile(args.at(1).toLocal8Bit().toStdString());
    form.show();
    form.activateWindow();
    return QApplication::exec();
}

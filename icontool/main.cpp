// VarnelIconTool: the window that drives libtesk.so.
#include <QApplication>
#include <QFile>
#include <QIcon>

#include "extractor.hpp"
#include "form1.hpp"
#include "help_file.hpp"
#include "icon_tool_controller.hpp"
#include "mod_util.hpp"
#include "qt_message_ui.hpp"
#include "registry_file.hpp"
#include "tesk/version.h"

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
    // Every way out writes the settings once, also a session end that closes no window.
    QObject::connect(&app, &QApplication::aboutToQuit, [&controller] { controller.shutDown(); });

    if (!form.start()) {
        controller.shutDown();
        return 1;
    }
    QFile page(":/icontool/help.html");
    if (ensureFolder(files, dataFolder) && page.open(QIODevice::ReadOnly))
        installHelpFile(files, dataFolder, page.readAll().toStdString());
    form.show();
    form.activateWindow();
    return app.exec();
}

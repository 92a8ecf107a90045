// Renders the main window and the resize dialog into PNG files for the documentation:
//   icontool_screenshots <folder>
// It uses the settings in the data folder the environment names, so run it with a scratch
// XDG_DATA_HOME.
#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QLineEdit>
#include <QPixmap>
#include <QTimer>

#include "extractor.hpp"
#include "form1.hpp"
#include "frm_scale_settings.hpp"
#include "mod_util.hpp"
#include "qt_message_ui.hpp"

int main(int argc, char** argv) {
    using namespace tesk::icontool;
    QApplication app(argc, argv);
    QApplication::setApplicationName("VarnelIconTool");
    QApplication::setApplicationDisplayName(kProgramTitle);
    if (argc < 2) return 2;
    const QString folder = QString::fromLocal8Bit(argv[1]);

    tesk::PosixFileSystem files;
    QtMessageUi ui;
    IconToolSettings settings;
    const std::string programFolder = QApplication::applicationDirPath().toLocal8Bit().toStdString();
    const std::string dataFolder = Get_Data_Path(systemEnv, ui);
    LibraryExtractor extractor(programFolder);
    IconToolController controller(settings, files, ui, extractor, programFolder, dataFolder);
    RegistryFile registry(files, "");
    Form1 form(controller, settings, registry, files, ui, defaultHooks());
    if (!form.start()) return 1;
    form.findChild<QLineEdit*>("txt_inputfile")->setText("/home/user/Palm/Backup/WeatherSkin.prc");
    form.findChild<QLineEdit*>("txt_bitmapdir")->setText("/home/user/Pictures/Icons");
    form.show();
    QApplication::processEvents();
    bool ok = form.grab().save(QDir(folder).filePath("icontool-main-window.png"));

    frm_ScaleSettings dialog(settings, {}, &form);
    dialog.show();
    QApplication::processEvents();
    ok = dialog.grab().save(QDir(folder).filePath("icontool-resize-dialog.png")) && ok;
    controller.shutDown();
    return ok ? 0 : 1;
}

// Renders the icon tool's windows into PNG files for the documentation and for a look at the
// layout:
//   icontool_screenshots <folder>
// writes icontool-main-window.png and icontool-resize-dialog.png (the two docs/screenshots show),
// and beside them the main window with BMP chosen and enlarged, the about box, a message box and
// the library's progress window. It uses the settings in the data folder the environment names,
// so run it with a scratch XDG_DATA_HOME.
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QIcon>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>

#include "extractor.hpp"
#include "form1.hpp"
#include "frm_about.hpp"
#include "frm_scale_settings.hpp"
#include "mod_util.hpp"
#include "platform/qt_progress.hpp"
#include "qt_message_ui.hpp"

namespace {

bool save(QWidget& window, const QString& folder, const char* name) {
    window.show();
    QApplication::processEvents();
    return window.grab().save(QDir(folder).filePath(name));
}

// A modal box shows only inside its own loop: it is grabbed and closed from there.
bool saveMessageBox(tesk::Ui& ui, const QString& folder, const char* name) {
    bool ok = false;
    QTimer::singleShot(0, [&] {
        if (auto* box = QApplication::activeModalWidget()) {
            ok = box->grab().save(QDir(folder).filePath(name));
            box->close();
        }
    });
    ui.message("Please select an input file first.", "", tesk::MessageStyle::Plain);
    return ok;
}

}   // namespace

int main(int argc, char** argv) {
    using namespace tesk::icontool;
    QApplication app(argc, argv);
    QApplication::setApplicationName("VarnelIconTool");
    QApplication::setApplicationDisplayName(kProgramTitle);
    QApplication::setWindowIcon(QIcon(":/icontool/VarnelIconTool.png"));
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
    bool ok = save(form, folder, "icontool-main-window.png");

    frm_ScaleSettings dialog(settings, {}, &form);
    ok = save(dialog, folder, "icontool-resize-dialog.png") && ok;
    dialog.close();

    const QSize normal = form.size();
    form.findChild<QPushButton*>("cmd_bmp")->click();
    ok = save(form, folder, "icontool-main-window-bmp.png") && ok;
    form.findChild<QPushButton*>("cmd_png")->click();
    form.resize(normal.width() + 200, normal.height() + 250);
    ok = save(form, folder, "icontool-main-window-large.png") && ok;
    form.resize(normal);

    frmAbout about(registry, files, [](const std::string&) { return false; }, ui, {});
    ok = save(about, folder, "icontool-about.png") && ok;
    about.close();

    ok = saveMessageBox(ui, folder, "icontool-message.png") && ok;

    tesk::QtProgress progress;
    auto handle = progress.init(0, "Extracting Bitmaps ...");
    progress.set(handle, 42, " 42 %");
    if (auto* window = progress.window(handle)) ok = save(*window, folder, "icontool-progress-window.png") && ok;
    progress.shutdown(handle);

    controller.shutDown();
    return ok ? 0 : 1;
}

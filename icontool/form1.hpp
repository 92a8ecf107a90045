// The main window: the given control names are the widgets' object names; every decision is the
// controller's, and the window paints its view.
#pragma once

#include <functional>
#include <string>

#include <QPointer>
#include <QWidget>

#include "icon_tool_controller.hpp"
#include "registry_file.hpp"

class QLabel;
class QLineEdit;
class QPushButton;
class QCheckBox;

namespace tesk::icontool {

// The outside world the window reaches: dialogs, the browser and help viewer, the program
// starter. Tests replace them.
struct Form1Hooks {
    std::function<QString(QWidget* parent, const QString& initialFolder)> openFileDialog;
    std::function<QString(QWidget* parent)> folderDialog;
    std::function<void(const QUrl&)> openUrl;
    Launcher launch;
};
Form1Hooks defaultHooks();

class Form1 final : public QWidget {
    Q_OBJECT
public:
    Form1(IconToolController& controller, IconToolSettings& settings, const RegistryFile& registry, FileSystem& files,
          Ui& ui, Form1Hooks hooks, QWidget* parent = nullptr);
    ~Form1() override;

    // The load sequence: settings, view, library check. False when the program must end.
    bool start();
    // Opens the help page, at a topic's section when one is given.
    void openHelp(std::int32_t topic = 0);
    // Puts a Palm database into the input box, as a drop does (a file manager's "Open With" hands
    // the program its path). False, with the box unchanged, for anything else.
    bool takeInputFile(const std::string& path);

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void refresh();
    // Shows whether a request is with the library: its controls disabled, the busy cursor, and
    // the focus back where it was once the request returns.
    void showBusy();
    void chooseInputFile();
    void chooseOutputFolder();
    void extract();
    void openResizeSetup();
    void openAbout();

    IconToolController& controller_;
    IconToolSettings& settings_;
    const RegistryFile& registry_;
    FileSystem& files_;
    Ui& ui_;
    Form1Hooks hooks_;

    QLabel* Label1;
    QLineEdit* txt_inputfile;
    QPushButton* cmd_getinputfile;
    QLabel* lbl_outfolder;
    QLineEdit* txt_bitmapdir;
    QPushButton* cmd_getbitmapdir;
    QLabel* Label3;
    QPushButton* cmd_bmp;
    QPushButton* cmd_jpeg;
    QPushButton* cmd_png;
    QLabel* lbl_bmnote;
    QCheckBox* chk_sortbm;
    QCheckBox* chk_scale;
    QPushButton* cmd_resizesetup;
    QPushButton* cmd_extract;
    QPushButton* cmd_exit;
    QPushButton* cmd_about;
    QPushButton* cmd_help;
    QPushButton* cmd_link;
    QPointer<QWidget> focusBeforeRequest_;
};

}   // namespace tesk::icontool

#include "form1.hpp"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QShortcut>
#include <QUrl>
#include <QVBoxLayout>

#include "frm_about.hpp"
#include "frm_scale_settings.hpp"
#include "gradient_painter.hpp"
#include "help_file.hpp"
#include "platform/qt_window_style.hpp"
#include "skins.hpp"

namespace tesk::icontool {
namespace {

QString local(const std::string& s) { return QString::fromLocal8Bit(s); }
std::string local(const QString& s) { return s.toLocal8Bit().toStdString(); }

constexpr const char* kLinkPage = "https://www.msf.org/";

QPushButton* button(QWidget* parent, const char* name, const QString& caption, const QString& tip, Skin skin) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setToolTip(tip);
    b->setAccessibleName(caption == "..." ? tip : caption);
    if (!tip.isEmpty()) b->setAccessibleDescription(tip);
    applySkin(*b, skin);
    return b;
}

}   // namespace

Form1Hooks defaultHooks() {
    Form1Hooks h;
    // File name patterns tell letter case apart here, so both common spellings are listed.
    h.openFileDialog = [](QWidget* parent, const QString& initialFolder) {
        return QFileDialog::getOpenFileName(parent, "Open A File", initialFolder,
                                            "PRC / PDB Files (*.prc *.pdb *.PRC *.PDB)", nullptr,
                                            QFileDialog::DontResolveSymlinks);
    };
    h.folderDialog = [](QWidget* parent) {
        return QFileDialog::getExistingDirectory(parent, "Select a Folder for Extracted Bitmaps");
    };
    h.openUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    h.launch = [](const std::string& program) { return QProcess::startDetached(local(program), {}); };
    return h;
}

Form1::Form1(IconToolController& controller, IconToolSettings& settings, const RegistryFile& registry,
             FileSystem& files, Ui& ui, Form1Hooks hooks, QWidget* parent)
    : QWidget(parent),
      controller_(controller),
      settings_(settings),
      registry_(registry),
      files_(files),
      ui_(ui),
      hooks_(std::move(hooks)) {
    setObjectName("Form1");
    setWindowTitle(kProgramTitle);
    setAccessibleName(kProgramTitle);
    qtstyle::announceAsFrame<Form1>();
    setAcceptDrops(true);

    Label1 = new QLabel("Input File (Drag and Drop supported.)", this);
    Label1->setObjectName("Label1");
    txt_inputfile = new QLineEdit(this);
    txt_inputfile->setObjectName("txt_inputfile");
    txt_inputfile->setAccessibleName("Input File");
    txt_inputfile->setAccessibleDescription("Full path of the Palm database to take the icons from");
    // Drops go to the window, which accepts only files; text dropped into the box would bypass that.
    txt_inputfile->setAcceptDrops(false);
    Label1->setBuddy(txt_inputfile);
    cmd_getinputfile = button(this, "cmd_getinputfile", "...", "Choose the icon source file.", Skin::Blue);

    lbl_outfolder = new QLabel(this);
    lbl_outfolder->setObjectName("lbl_outfolder");
    txt_bitmapdir = new QLineEdit(this);
    txt_bitmapdir->setObjectName("txt_bitmapdir");
    txt_bitmapdir->setAccessibleDescription("Folder the extracted images are written to");
    txt_bitmapdir->setAcceptDrops(false);
    lbl_outfolder->setBuddy(txt_bitmapdir);
    cmd_getbitmapdir = button(this, "cmd_getbitmapdir", "...", "", Skin::Blue);
    cmd_getbitmapdir->setAccessibleName("Choose the output folder.");

    Label3 = new QLabel("Bitmap Output Format", this);
    Label3->setObjectName("Label3");
    cmd_bmp = button(this, "cmd_bmp", "BMP", "Windows BMP Format", Skin::Blue);
    cmd_jpeg = button(this, "cmd_jpeg", "JPG", "JPEG Format", Skin::Blue);
    cmd_png = button(this, "cmd_png", "PNG", "PNG Format with transparency", Skin::Blue);
    auto* formats = new QButtonGroup(this);
    for (auto* b : {cmd_bmp, cmd_jpeg, cmd_png}) {
        b->setCheckable(true);
        formats->addButton(b);
    }
    lbl_bmnote = new QLabel("...", this);
    lbl_bmnote->setObjectName("lbl_bmnote");
    // No accessible name of its own: a screen reader reads the note itself, which a name would hide.
    lbl_bmnote->setAccessibleDescription("Note on the chosen output format");

    // Each check box carries its caption itself, so a screen reader and a click on the text both
    // reach the box.
    chk_sortbm = new QCheckBox("Sort icons into separate sub-folders", this);
    chk_sortbm->setObjectName("chk_sortbm");
    chk_sortbm->setAccessibleName(chk_sortbm->text());
    chk_scale = new QCheckBox("Resize Icons", this);
    chk_scale->setObjectName("chk_scale");
    chk_scale->setAccessibleName(chk_scale->text());
    cmd_resizesetup = button(this, "cmd_resizesetup", "Resize Setup", "", Skin::Dark);

    cmd_extract = button(this, "cmd_extract", "Extract Icons", "Extract icons from selected file.", Skin::Red);
    cmd_exit = button(this, "cmd_exit", "Exit", "Quit Program", Skin::Red);
    cmd_about = button(this, "cmd_about", "About", "About this program", Skin::Red);
    cmd_help = button(this, "cmd_help", "Help", "Open Help File", Skin::Red);
    cmd_link = button(this, "cmd_link", "Médecins Sans Frontières",
                      "Please visit Médecins Sans Frontières and consider supporting their work.", Skin::Blue);
    QFont linkFont("Monotype Corsiva");
    linkFont.setStyleHint(QFont::Cursive);
    linkFont.setPointSize(13);
    cmd_link->setFont(linkFont);

    // The format buttons share their row up to the right edge of the "..." buttons; the resize
    // controls keep their room when hidden, so choosing BMP moves nothing; a taller window puts its
    // extra room above the charity and action rows instead of between the rows of the request.
    auto row = [](std::initializer_list<QWidget*> widgets, bool stretchLast) {
        auto* r = new QHBoxLayout;
        for (auto* w : widgets) r->addWidget(w, stretchLast ? 0 : 1);
        if (stretchLast) r->addStretch();
        return r;
    };
    auto* inputRow = row({txt_inputfile, cmd_getinputfile}, false);
    inputRow->setStretch(1, 0);
    auto* outputRow = row({txt_bitmapdir, cmd_getbitmapdir}, false);
    outputRow->setStretch(1, 0);
    for (QWidget* w : std::initializer_list<QWidget*>{chk_scale, cmd_resizesetup}) {
        auto policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
    }

    auto* column = new QVBoxLayout(this);
    column->addWidget(Label1);
    column->addLayout(inputRow);
    column->addSpacing(8);
    column->addWidget(lbl_outfolder);
    column->addLayout(outputRow);
    column->addSpacing(8);
    column->addWidget(Label3);
    column->addLayout(row({cmd_bmp, cmd_jpeg, cmd_png}, false));
    column->addWidget(lbl_bmnote);
    column->addSpacing(4);
    column->addWidget(chk_sortbm);
    column->addLayout(row({chk_scale, cmd_resizesetup}, true));
    column->addStretch(1);
    column->addSpacing(8);
    column->addWidget(cmd_link);
    column->addSpacing(8);
    column->addLayout(row({cmd_extract, cmd_about, cmd_help, cmd_exit}, false));
    resize(460, sizeHint().height());

    connect(cmd_getinputfile, &QPushButton::clicked, this, &Form1::chooseInputFile);
    connect(cmd_getbitmapdir, &QPushButton::clicked, this, &Form1::chooseOutputFolder);
    connect(cmd_bmp, &QPushButton::clicked, this, [this] {
        controller_.chooseFormat("BMP");
        refresh();
    });
    connect(cmd_jpeg, &QPushButton::clicked, this, [this] {
        controller_.chooseFormat("JPEG");
        refresh();
    });
    connect(cmd_png, &QPushButton::clicked, this, [this] {
        controller_.chooseFormat("PNG");
        refresh();
    });
    connect(chk_sortbm, &QCheckBox::toggled, this, [this](bool on) {
        controller_.setSortBitmaps(on);
        refresh();
    });
    connect(chk_scale, &QCheckBox::toggled, this, [this](bool on) {
        controller_.setResizeIcons(on);
        refresh();
    });
    connect(cmd_resizesetup, &QPushButton::clicked, this, &Form1::openResizeSetup);
    connect(cmd_extract, &QPushButton::clicked, this, &Form1::extract);
    connect(cmd_exit, &QPushButton::clicked, this, &QWidget::close);
    connect(cmd_about, &QPushButton::clicked, this, &Form1::openAbout);
    connect(cmd_help, &QPushButton::clicked, this, [this] { openHelp(); });
    connect(cmd_link, &QPushButton::clicked, this, [this] { hooks_.openUrl(QUrl(kLinkPage)); });
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, this, [this] { openHelp(); });
    controller_.onBusyChanged([this] { showBusy(); });
}

Form1::~Form1() { controller_.onBusyChanged({}); }

bool Form1::start() {
    controller_.startUp();
    txt_bitmapdir->setText(local(settings_.lastOutputDir));
    txt_bitmapdir->end(false);
    refresh();
    QApplication::processEvents();
    return controller_.libraryPresent();
}

void Form1::refresh() {
    const auto v = controller_.view();
    cmd_bmp->setChecked(v.pressedFormat == "BMP");
    cmd_jpeg->setChecked(v.pressedFormat == "JPEG");
    cmd_png->setChecked(v.pressedFormat == "PNG");
    lbl_bmnote->setText(local(v.formatNote));
    lbl_outfolder->setText(local(v.outputFolderCaption));
    txt_bitmapdir->setAccessibleName(lbl_outfolder->text());
    const QSignalBlocker sortBlock(chk_sortbm);
    chk_sortbm->setChecked(v.sortChecked);
    const QSignalBlocker scaleBlock(chk_scale);
    chk_scale->setChecked(v.resizeChecked);
    chk_scale->setVisible(v.resizeControlsVisible);
    cmd_resizesetup->setVisible(v.resizeSetupVisible);
    for (QWidget* w :
         std::initializer_list<QWidget*>{txt_inputfile, cmd_getinputfile, txt_bitmapdir, cmd_getbitmapdir, cmd_bmp,
                                         cmd_jpeg, cmd_png, chk_sortbm, chk_scale, cmd_resizesetup, cmd_extract}) {
        w->setEnabled(!v.busy);
    }
}

void Form1::showBusy() {
    const bool busy = controller_.busy();
    if (busy) focusBeforeRequest_ = QApplication::focusWidget();
    refresh();
    if (busy) {
        setCursor(Qt::BusyCursor);
        return;
    }
    unsetCursor();
    if (focusBeforeRequest_ && focusBeforeRequest_->isEnabled()) focusBeforeRequest_->setFocus();
}

void Form1::chooseInputFile() {
    auto folder = controller_.initialInputFolder();
    auto chosen = hooks_.openFileDialog(this, local(folder));
    txt_inputfile->setText(local(controller_.takeChosenInput(local(chosen))));
    txt_inputfile->end(false);
}

void Form1::chooseOutputFolder() {
    auto chosen = hooks_.folderDialog(this);
    if (chosen.isEmpty()) return;
    txt_bitmapdir->setText(local(controller_.takeChosenOutput(local(chosen))));
    txt_bitmapdir->end(false);
}

void Form1::extract() { controller_.extract(local(txt_inputfile->text()), local(txt_bitmapdir->text())); }

void Form1::openResizeSetup() {
    frm_ScaleSettings dialog(
        settings_, [this] { openHelp(kResizeHelpTopic); }, this);
    dialog.exec();
}

void Form1::openAbout() {
    auto* about = new frmAbout(registry_, files_, hooks_.launch, ui_, [this] { openHelp(); });
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->show();
}

void Form1::openHelp(std::int32_t topic) {
    auto path = helpFilePath(controller_.userDataFolder());
    if (path.empty()) return;
    auto url = QUrl::fromLocalFile(local(path));
    if (auto anchor = helpAnchor(topic); !anchor.empty()) url.setFragment(local(anchor));
    hooks_.openUrl(url);
}

void Form1::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    BackgroundVerticalGradient(*this, painter, kGradientTop, kGradientBottom, kGradientSteps);
}

void Form1::closeEvent(QCloseEvent* event) {
    controller_.shutDown();
    event->accept();
}

void Form1::dragEnterEvent(QDragEnterEvent* event) {
    if (controller_.busy()) return event->ignore();
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void Form1::dragMoveEvent(QDragMoveEvent* event) {
    if (controller_.busy()) return event->ignore();
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void Form1::dropEvent(QDropEvent* event) {
    if (controller_.busy() || !(event->possibleActions() & Qt::CopyAction) || !event->mimeData()->hasUrls()) return;
    std::vector<std::string> files;
    for (const auto& url : event->mimeData()->urls())
        files.push_back(url.isLocalFile() ? local(url.toLocalFile()) : "");
    if (!files.empty() && takeInputFile(files.front())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    }
}

bool Form1::takeInputFile(const std::string& path) {
    if (controller_.busy()) return false;
    auto accepted = controller_.acceptDrop({path});
    if (!accepted) return false;
    txt_inputfile->setText(local(*accepted));
    txt_inputfile->end(false);
    return true;
}

}   // namespace tesk::icontool

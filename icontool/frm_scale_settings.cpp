#include "frm_scale_settings.hpp"

#include <algorithm>

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>
#include <QValidator>

#include "gradient_painter.hpp"
#include "platform/qt_window_style.hpp"
#include "resize_rules.hpp"
#include "skins.hpp"

namespace tesk::icontool {
namespace {

QLabel* label(QWidget* parent, const char* name, const char* text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

QFrame* line(QWidget* parent, const char* name) {
    auto* f = new QFrame(parent);
    f->setObjectName(name);
    f->setFrameShape(QFrame::HLine);
    return f;
}

// Text that reaches a size box other than by typing (a paste, a drop, the selection's middle
// click) keeps only its digits, as typing would have.
class DigitsOnly final : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override {
        QString kept;
        int keptBeforeCursor = 0;
        for (qsizetype i = 0; i < input.size(); ++i) {
            if (input[i] < u'0' || input[i] > u'9') continue;
            kept += input[i];
            if (i < pos) ++keptBeforeCursor;
        }
        input = kept;
        pos = keptBeforeCursor;
        return Acceptable;
    }
};

// Select all, copy, cut, paste, undo and redo are keys, not typed characters: the filter lets
// them through (some carry a control character as their text).
bool isEditingShortcut(const QKeyEvent& key) {
    for (auto standard : {QKeySequence::SelectAll, QKeySequence::Copy, QKeySequence::Cut, QKeySequence::Paste,
                          QKeySequence::Undo, QKeySequence::Redo}) {
        if (key.matches(standard)) return true;
    }
    return false;
}

}   // namespace

frm_ScaleSettings::frm_ScaleSettings(IconToolSettings& settings, std::function<void()> help, QWidget* parent)
    : QDialog(parent), settings_(settings), help_(std::move(help)) {
    setObjectName("frm_ScaleSettings");
    qtstyle::useDialogFrame(*this);
    setWindowTitle("Resize Setup");
    setAccessibleName(windowTitle());
    setModal(true);

    auto* Label1 = label(this, "Label1", "Target");
    auto* Label7 = label(this, "Label7", "Dimensions");
    auto* Label5 = label(this, "Label5", "Width");
    auto* Label2 = label(this, "Label2", "Pixels");
    auto* Label6 = label(this, "Label6", "Height");
    auto* Label3 = label(this, "Label3", "Pixels");
    QFont heading = Label1->font();
    heading.setBold(true);
    heading.setPointSizeF(heading.pointSizeF() * 1.3);
    Label1->setFont(heading);
    Label7->setFont(heading);

    txt_width = new QLineEdit(QString::number(settings_.targetWidth), this);
    txt_width->setObjectName("txt_width");
    txt_width->setAccessibleName("Width");
    txt_width->setAccessibleDescription("Target width in pixels, 5 to 40");
    Label5->setBuddy(txt_width);
    txt_height = new QLineEdit(QString::number(settings_.targetHeight), this);
    txt_height->setObjectName("txt_height");
    txt_height->setAccessibleName("Height");
    txt_height->setAccessibleDescription("Target height in pixels, 5 to 40");
    Label6->setBuddy(txt_height);
    for (auto* box : {txt_width, txt_height}) {
        box->setMaxLength(9);
        box->setMaximumWidth(60);
        box->setValidator(new DigitsOnly(box));
        box->installEventFilter(this);
    }

    chk_resizeup = new QCheckBox("Allow resizing upwards", this);
    chk_resizeup->setObjectName("chk_resizeup");
    chk_resizeup->setAccessibleName(chk_resizeup->text());
    chk_resizeup->setChecked(settings_.allowResizeUp);

    cmd_reset = new QPushButton("Reset to Defaults", this);
    cmd_reset->setObjectName("cmd_reset");
    cmd_reset->setToolTip("Reset to default values");
    cmd_reset->setAccessibleName(cmd_reset->text());
    cmd_reset->setAccessibleDescription(cmd_reset->toolTip());
    applySkin(*cmd_reset, Skin::Blue);
    cmd_exit = new QPushButton("Done", this);
    cmd_exit->setObjectName("cmd_exit");
    cmd_exit->setAccessibleName(cmd_exit->text());
    applySkin(*cmd_exit, Skin::Red);
    // Enter belongs to the size boxes (it validates them); it must not close the dialog.
    cmd_reset->setAutoDefault(false);
    cmd_exit->setAutoDefault(false);

    auto* grid = new QGridLayout;
    grid->addWidget(Label5, 0, 0);
    grid->addWidget(txt_width, 0, 1);
    grid->addWidget(Label2, 0, 2);
    grid->addWidget(Label6, 1, 0);
    grid->addWidget(txt_height, 1, 1);
    grid->addWidget(Label3, 1, 2);
    grid->setColumnStretch(3, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmd_reset);
    buttons->addStretch();
    buttons->addWidget(cmd_exit);

    // The dialog takes the height its rows need; extra height goes below the options, never
    // around the heading.
    auto* column = new QVBoxLayout(this);
    auto* headings = new QHBoxLayout;
    headings->addWidget(Label1);
    headings->addWidget(Label7);
    headings->addStretch();
    column->addLayout(headings);
    column->addWidget(line(this, "Line1"));
    column->addLayout(grid);
    column->addWidget(chk_resizeup);
    column->addStretch(1);
    column->addWidget(line(this, "Line2"));
    column->addLayout(buttons);
    resize(std::max(320, sizeHint().width()), sizeHint().height());

    connect(chk_resizeup, &QCheckBox::toggled, this, [this](bool on) { settings_.allowResizeUp = on; });
    connect(cmd_reset, &QPushButton::clicked, this, [this] {
        resetResizeDefaults(settings_);
        txt_width->setText(QString::number(settings_.targetWidth));
        txt_height->setText(QString::number(settings_.targetHeight));
        const QSignalBlocker block(chk_resizeup);
        chk_resizeup->setChecked(false);
    });
    connect(cmd_exit, &QPushButton::clicked, this, &QDialog::accept);
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, this, [this] {
        if (help_) help_();
    });
}

void frm_ScaleSettings::validate(QLineEdit* box) {
    const bool width = box == txt_width;
    auto check = validateSize(box->text().toStdString(), width ? kDefaultWidth : kDefaultHeight);
    (width ? settings_.targetWidth : settings_.targetHeight) = check.value;
    if (check.showValue) box->setText(QString::number(check.value));
}

void frm_ScaleSettings::done(int result) {
    // A size typed but not yet confirmed is taken over, checked, when the dialog closes.
    validate(txt_width);
    validate(txt_height);
    QDialog::done(result);
}

bool frm_ScaleSettings::eventFilter(QObject* watched, QEvent* event) {
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (box != txt_width && box != txt_height) return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::FocusOut) {
        validate(box);
    } else if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        // Keys that type nothing (arrows, Tab, Delete, F1) keep their usual meaning.
        const auto text = key->text();
        const bool navigation = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab ||
                                key->key() == Qt::Key_Delete || key->key() == Qt::Key_Escape;
        if (text.isEmpty() || navigation || isEditingShortcut(*key)) return false;
        switch (sizeKeyAction(text.front().unicode())) {
            case SizeKey::Accept: return false;
            case SizeKey::Discard: return true;
            case SizeKey::Validate: validate(box); return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frm_ScaleSettings::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    BackgroundVerticalGradient(*this, painter, kGradientTop, kGradientBottom, kGradientSteps);
}

}   // namespace tesk::icontool

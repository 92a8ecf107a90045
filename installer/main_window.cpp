#include "main_window.hpp"

#include <QAccessible>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "palm_user_dialog.hpp"
#include "platform/qt_window_style.hpp"

// The picture lives in a static library, whose resources are not registered on their own.
static void registerInstallerResources() { Q_INIT_RESOURCE(resources); }

namespace varnel {
namespace {

// The caption without its access-key marker, as a screen reader should say it.
QString spoken(const QString& caption) {
    QString s = caption;
    return s.remove('&').trimmed();
}

template <typename W>
W* named(W* widget, const char* objectName) {
    widget->setObjectName(objectName);
    return widget;
}

// The result line wraps at blanks; a word wider than the line (a Palm user name of hundreds of
// letters, a deep folder) is shortened in its middle, so the window stays within the screen. The
// whole text stays in the tooltip and the accessible description.
QString elideLongWords(const QString& text, const QFontMetrics& metrics, int width) {
    QStringList lines = text.split('\n');
    for (auto& line : lines) {
        QStringList words = line.split(' ');
        for (auto& word : words) {
            if (metrics.horizontalAdvance(word) > width) word = metrics.elidedText(word, Qt::ElideMiddle, width);
        }
        line = words.join(' ');
    }
    return lines.join('\n');
}

QString titleOr(std::string_view title) { return title.empty() ? toDisplay(ProgramTitle) : toDisplay(title); }

}   // namespace

QString toDisplay(std::string_view text) {
    auto s = QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
    return s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

std::string fromDisplay(const QString& text) { return text.toLocal8Bit().toStdString(); }

Main::Main(MainState state, bool palmDesktopReadable, tesk::FileSystem& fs, tesk::Registry& registry, QWidget* parent)
    : QWidget(parent), state_(std::move(state)), fs_(fs), registry_(registry), promptHost_(this) {
    registerInstallerResources();
    setObjectName("Main");
    // The accessible name is the title itself (none set), so it follows the title's changes.
    setWindowTitle(toDisplay(ProgramTitle));
    tesk::qtstyle::announceAsFrame<Main>();

    label1_ = named(new QLabel(toDisplay(text::Label1), this), "Label1");
    defaultPreferences_ = named(new QCheckBox(tr("Install Default.txt (Default Preference Settings)"), this),
                                "DefaultPreferencesCheckbox");
    defaultTabbedPane_ = named(new QCheckBox(tr("Install VarnelDbs.dat File (Priority/Templates/Filters)"), this),
                               "DefaultTabbedPaneCheckbox");
    defaultIcons_ =
        named(new QCheckBox(tr("Install UserIcons.dat file (Default User Icons)"), this), "DefaultIconsCheckbox");
    screenTemplates_ =
        named(new QCheckBox(tr("Install Contacts/Tasks/Details Screen Templates"), this), "ScreenTemplatesCheckbox");
    screenTemplates_->setChecked(true);

    frame1_ = named(new QGroupBox(tr(" PIM Database Selection "), this), "Frame1");
    standAlone_ = named(new QRadioButton(tr("Setup Standalone PIM databases"), frame1_), "StandAlone");
    legacyPIMs_ =
        named(new QRadioButton(tr("Setup Legacy PIM Databases (Date/Address/Memo/Todo)"), frame1_), "LegacyPIMs");
    newerPIMs_ = named(new QRadioButton(tr("Setup Newer Palm PIM Databases (Calendar/Contacts/Memos/Tasks)"), frame1_),
                       "NewerPIMs");
    newerPIMs_->setChecked(true);
    auto* frameLayout = new QVBoxLayout(frame1_);
    frameLayout->addWidget(standAlone_);
    frameLayout->addWidget(legacyPIMs_);
    frameLayout->addWidget(newerPIMs_);

    label2_ = named(new QLabel(toDisplay(text::Label2), this), "Label2");
    displayResult_ = named(new QLabel(this), "DisplayResult");
    displayResult_->setWordWrap(true);
    displayResult_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    displayResult_->setFocusPolicy(Qt::StrongFocus);   // reachable by keyboard so a screen reader reads it
    displayResult_->setAccessibleName(tr("Setup result"));
    displayResult_->hide();

    setup_ = named(new QPushButton(tr("&Setup"), this), "Setup");
    next_ = named(new QPushButton(tr("&Next..."), this), "NextButton");
    next_->setEnabled(false);
    help_ = named(new QPushButton(tr("&Help"), this), "Help");

    picture1_ = named(new QLabel(this), "Picture1");
    picture1_->setPixmap(QPixmap(QStringLiteral(":/installer/picture1.jpg")));
    picture1_->setAccessibleName(tr("Varnel picture"));
    picture1_->setAccessibleDescription(tr("Decoration"));

    for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{defaultPreferences_, defaultTabbedPane_,
                                                                      defaultIcons_, screenTemplates_, standAlone_,
                                                                      legacyPIMs_, newerPIMs_, setup_, next_, help_}) {
        b->setAccessibleName(spoken(b->text()));
    }
    frame1_->setAccessibleName(spoken(frame1_->title()));
    label1_->setAccessibleName(label1_->text());
    label1_->setAccessibleDescription(tr("Note"));
    label2_->setAccessibleName(label2_->text());
    label2_->setAccessibleDescription(tr("Note"));
    setup_->setAccessibleDescription(tr("Runs the setup with the options above"));
    next_->setAccessibleDescription(tr("Ends the installer"));
    help_->setAccessibleDescription(tr("Explains which Palm devices count as newer and which as legacy"));

    auto* options = new QVBoxLayout;
    options->addWidget(label1_);
    options->addWidget(defaultPreferences_);
    options->addWidget(defaultTabbedPane_);
    options->addWidget(defaultIcons_);
    options->addWidget(screenTemplates_);
    options->addWidget(frame1_);
    options->addWidget(label2_);
    options->addWidget(displayResult_);
    options->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(picture1_, 0, Qt::AlignTop);
    top->addLayout(options, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(help_);
    buttons->addStretch();
    buttons->addWidget(setup_);
    buttons->addWidget(next_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    setMinimumWidth(640);

    if (!palmDesktopReadable) {
        standAlone_->setChecked(true);
        legacyPIMs_->setEnabled(false);
        newerPIMs_->setEnabled(false);
    }

    // clicked() fires for the user's own clicks (and key presses) only, never for changes made in code.
    connect(defaultIcons_, &QCheckBox::clicked, this,
            [this](bool c) { onWarningBoxClicked(WarningBox::DefaultIcons, c); });
    connect(defaultPreferences_, &QCheckBox::clicked, this,
            [this](bool c) { onWarningBoxClicked(WarningBox::DefaultPreferences, c); });
    connect(defaultTabbedPane_, &QCheckBox::clicked, this,
            [this](bool c) { onWarningBoxClicked(WarningBox::DefaultTabbedPane, c); });
    connect(setup_, &QPushButton::clicked, this, &Main::onSetupClicked);
    connect(help_, &QPushButton::clicked, this, &Main::onHelpClicked);
    connect(next_, &QPushButton::clicked, this, [this] {
        close();
        emit programEnded();
    });
}

void Main::showResult(const QString& text) {
    constexpr int kLongestWord = 400;   // pixels: well inside the line the result has beside the picture
    displayResult_->setText(elideLongWords(text, displayResult_->fontMetrics(), kLongestWord));
    displayResult_->setToolTip(displayResult_->text() == text ? QString() : text);
    displayResult_->setAccessibleDescription(text);
    displayResult_->setVisible(!text.isEmpty());
    // A wrapped result of several lines needs more height than the window's minimum allows for,
    // which only knows the lines' widths; without it the options above would be squeezed.
    if (auto* l = layout(); l != nullptr && isVisible()) {
        l->activate();
        const int needed = l->hasHeightForWidth() ? l->totalHeightForWidth(width()) : sizeHint().height();
        if (needed > height()) resize(width(), needed);
    }
    // Screen readers learn of the new warning or result without the focus moving to it.
    QAccessibleEvent changed(displayResult_, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&changed);
}

void Main::onWarningBoxClicked(WarningBox box, bool checked) {
    auto view = afterWarningBoxClick(box, checked);
    showResult(view.visible ? toDisplay(view.text) : QString());
}

void Main::onHelpClicked() { message(text::helpText(), ""); }

void Main::onSetupClicked() {
    SetupOptions options;
    options.newerPIMs = newerPIMs_->isChecked();
    options.standAlone = standAlone_->isChecked();
    options.defaultPreferences = defaultPreferences_->isChecked();
    options.files.defaultTabbedPane = defaultTabbedPane_->isChecked();
    options.files.screenTemplates = screenTemplates_->isChecked();
    options.files.defaultIcons = defaultIcons_->isChecked();

    SetupRun run{fs_, registry_, *promptHost_, state_};
    auto outcome = run.run(options);
    next_->setEnabled(true);
    switch (outcome.kind) {
        case RunOutcome::Kind::EndProgram:
            close();
            emit programEnded();
            return;
        case RunOutcome::Kind::EndedEarly:
            // A check-box warning says files will be overwritten; after a run that stopped it would
            // contradict the message that nothing was.
            showResult(QString());
            return;
        case RunOutcome::Kind::Completed:
            for (QWidget* w : std::initializer_list<QWidget*>{newerPIMs_, legacyPIMs_, standAlone_, defaultPreferences_,
                                                              defaultTabbedPane_, defaultIcons_, setup_}) {
                w->setEnabled(false);
            }
            [[fallthrough]];
        case RunOutcome::Kind::CompletedWithFailures:
            // A run with failures leaves Setup enabled; a later run must not stack a second suffix.
            setWindowTitle(toDisplay(ProgramTitle) + toDisplay(outcome.titleSuffix));
            showResult(toDisplay(outcome.display));
            next_->setFocus();
            return;
    }
}

void Main::message(std::string_view text, std::string_view title) {
    QMessageBox box(QMessageBox::NoIcon, titleOr(title), toDisplay(text), QMessageBox::Ok, this);
    tesk::qtstyle::useDialogFrame(box);
    box.setAccessibleName(box.windowTitle());
    box.setAccessibleDescription(box.text());
    box.exec();
}

std::optional<std::string> Main::inputBox(std::string_view prompt, std::string_view title,
                                          std::string_view defaultAnswer) {
    QInputDialog dialog(this, tesk::qtstyle::kDialogFlags);
    dialog.setWindowTitle(titleOr(title));
    dialog.setLabelText(toDisplay(prompt));
    dialog.setTextValue(toDisplay(defaultAnswer));
    dialog.setAccessibleName(dialog.windowTitle());
    dialog.setAccessibleDescription(dialog.labelText());
    if (auto* edit = dialog.findChild<QLineEdit*>()) edit->setAccessibleName(dialog.labelText().section('\n', 0, 0));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return fromDisplay(dialog.textValue());
}

PalmUserAnswer Main::choosePalmUser(const std::vector<std::string>& names, std::optional<std::size_t> preselected) {
    QStringList list;
    for (const auto& n : names) list << toDisplay(n);
    PalmUserDialog dialog(list, preselected ? static_cast<int>(*preselected) : -1, this);
    PalmUserAnswer answer;
    if (dialog.exec() != QDialog::Accepted) {
        answer.cancelled = true;
        return answer;
    }
    if (dialog.selectedIndex() >= 0) answer.selected = static_cast<std::size_t>(dialog.selectedIndex());
    return answer;
}

}   // namespace varnel

#include "frm_about.hpp"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "appearance.hpp"
#include "icon_tool_controller.hpp"
#include "platform/qt_window_style.hpp"
#include "tesk/version.h"

namespace tesk::icontool {

frmAbout::frmAbout(const RegistryFile& registry, const FileSystem& files, Launcher launch, Ui& ui,
                   std::function<void()> help, QWidget* parent)
    : QDialog(parent), registry_(registry), files_(files), launch_(std::move(launch)), ui_(ui) {
    setObjectName("frmAbout");
    qtstyle::useDialogFrame(*this);
    setWindowTitle(QString("About ") + kProgramTitle);
    setAccessibleName(windowTitle());

    auto* picIcon = new QLabel(this);
    picIcon->setObjectName("picIcon");
    picIcon->setPixmap(QApplication::windowIcon().pixmap(48, 48));
    picIcon->setAccessibleName("Program emblem");
    auto* lblTitle = new QLabel(kProgramTitle, this);
    lblTitle->setObjectName("lblTitle");
    QFont big = lblTitle->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.5);
    lblTitle->setFont(big);
    auto* lblVersion = new QLabel(
        QString::fromStdString(versionLabel(TESK_VERSION_MAJOR, TESK_VERSION_MINOR, TESK_VERSION_PATCH)), this);
    lblVersion->setObjectName("lblVersion");
    auto* lblDisclaimer = new QLabel("Notice....", this);
    lblDisclaimer->setObjectName("lblDisclaimer");
    auto* Text1 = new QPlainTextEdit(QString::fromUtf8(kNoticeText), this);
    Text1->setObjectName("Text1");
    Text1->setReadOnly(true);
    Text1->setAccessibleName("Notice");
    Text1->setAccessibleDescription("Terms of use, credits and disclaimer");
    lblDisclaimer->setBuddy(Text1);
    auto* Line1 = new QFrame(this);
    Line1->setObjectName("Line1");
    Line1->setFrameShape(QFrame::HLine);
    auto* cmdOK = new QPushButton("OK", this);
    cmdOK->setObjectName("cmdOK");
    cmdOK->setAccessibleName("OK");
    cmdOK->setDefault(true);
    auto* cmdSysInfo = new QPushButton("System Info...", this);
    cmdSysInfo->setObjectName("cmdSysInfo");
    cmdSysInfo->setAccessibleName("System Info...");
    cmdSysInfo->setAccessibleDescription("Start the system information program");

    auto* head = new QHBoxLayout;
    head->addWidget(picIcon);
    auto* titles = new QVBoxLayout;
    titles->addWidget(lblTitle);
    titles->addWidget(lblVersion);
    head->addLayout(titles);
    head->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    auto* column = new QVBoxLayout(this);
    column->addLayout(head);
    column->addWidget(lblDisclaimer);
    column->addWidget(Text1);
    column->addWidget(Line1);
    column->addLayout(buttons);
    resize(440, 360);

    connect(cmdOK, &QPushButton::clicked, this, &QDialog::close);
    connect(cmdSysInfo, &QPushButton::clicked, this, [this] { StartSysInfo(registry_, files_, launch_, ui_); });
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, this, [help = std::move(help)] {
        if (help) help();
    });
}

}   // namespace tesk::icontool

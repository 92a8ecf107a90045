#include "palm_user_dialog.hpp"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "platform/qt_window_style.hpp"

namespace varnel {

PalmUserDialog::PalmUserDialog(const QStringList& names, int preselected, QWidget* parent) : QDialog(parent) {
    setObjectName("PalmUserDialog");
    tesk::qtstyle::useDialogFrame(*this);
    setWindowTitle(tr("Select Palm User"));
    setAccessibleName(windowTitle());
    setModal(true);

    label_ = new QLabel(tr("Palm User:"), this);
    label_->setObjectName("Label3");
    combo_ = new QComboBox(this);
    combo_->setObjectName("PalmUsersCombo");
    // A name of a few hundred letters must not make the dialog wider than the screen: the list
    // shows long names shortened in the middle, whole in their tooltips (the answer is an index).
    constexpr int kLongestName = 320;   // pixels
    for (const auto& name : names) {
        combo_->addItem(combo_->fontMetrics().elidedText(name, Qt::ElideMiddle, kLongestName));
        combo_->setItemData(combo_->count() - 1, name, Qt::ToolTipRole);
    }
    combo_->setCurrentIndex(preselected >= 0 && preselected < names.size() ? preselected : -1);
    combo_->setAccessibleName(label_->text());
    label_->setBuddy(combo_);

    ok_ = new QPushButton(tr("OK"), this);
    ok_->setObjectName("OKButton");
    ok_->setAccessibleName(ok_->text());
    ok_->setDefault(true);
    cancel_ = new QPushButton(tr("Cancel"), this);
    cancel_->setObjectName("CancelButton");
    cancel_->setAccessibleName(cancel_->text());
    cancel_->setAccessibleDescription(tr("Ends the installer without finishing the setup"));

    auto* row = new QHBoxLayout;
    row->addWidget(label_);
    row->addWidget(combo_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(buttons);

    if (auto* screen = this->screen()) setMaximumWidth(screen->availableGeometry().width());

    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

int PalmUserDialog::selectedIndex() const { return combo_->currentIndex(); }

}   // namespace varnel

// The modal choice of one Palm Desktop user from the names in "Users.dat".
#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

namespace varnel {

class PalmUserDialog final : public QDialog {
    Q_OBJECT
public:
    // An index of -1 leaves the list without a selection.
    PalmUserDialog(const QStringList& names, int preselected, QWidget* parent = nullptr);

    // The selected entry after OK, or -1 when the list had none.
    int selectedIndex() const;

    QComboBox* usersCombo() const { return combo_; }

private:
    QLabel* label_;
    QComboBox* combo_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

}   // namespace varnel

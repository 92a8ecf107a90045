// The resize dialog: edits the target size and the "resize upwards" flag of the shared settings
// record directly; every change takes effect at once.
#pragma once

#include <functional>

#include <QDialog>

#include "settings.hpp"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace tesk::icontool {

class frm_ScaleSettings final : public QDialog {
    Q_OBJECT
public:
    frm_ScaleSettings(IconToolSettings& settings, std::function<void()> help, QWidget* parent = nullptr);

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void validate(QLineEdit* box);

    IconToolSettings& settings_;
    std::function<void()> help_;
    QLineEdit* txt_width;
    QLineEdit* txt_height;
    QCheckBox* chk_resizeup;
    QPushButton* cmd_reset;
    QPushButton* cmd_exit;
};

}   // namespace tesk::icontool

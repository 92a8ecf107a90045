// The about box: title, version, notice and the system information button. Modeless.
#pragma once

#include <functional>

#include <QDialog>

#include "registry_file.hpp"

namespace tesk::icontool {

class frmAbout final : public QDialog {
    Q_OBJECT
public:
    frmAbout(const RegistryFile& registry, const FileSystem& files, Launcher launch, Ui& ui, std::function<void()> help,
             QWidget* parent = nullptr);

private:
    const RegistryFile& registry_;
    const FileSystem& files_;
    Launcher launch_;
    Ui& ui_;
};

}   // namespace tesk::icontool

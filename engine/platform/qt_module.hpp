// The one entry of libtesk-qt.so, the module holding the Qt forms of the message and progress
// services. libtesk.so opens it with dlopen once its host runs a QApplication, so the library
// itself never links Qt (qt_module_loader.hpp).
#pragma once

#include <cstdint>

#include "platform/progress.hpp"
#include "platform/ui.hpp"

namespace tesk {

// Raised whenever this record or the services' interfaces change; a module of another version is
// not used.
inline constexpr std::uint32_t kQtModuleVersion = 1;

struct QtBackends {
    std::uint32_t version;
    bool (*usable)();   // the process has a QApplication and the caller runs on its thread
    Ui* ui;
    ProgressService* progress;
};

inline constexpr const char* kQtModuleEntry = "tesk_qt_backends";
using QtModuleEntry = const QtBackends* (*)();

}   // namespace tesk

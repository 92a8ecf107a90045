// libtesk-qt.so: the Qt backends behind the module's one entry. The objects live until the
// process ends, as they did inside the library.
#include "platform/qt_module.hpp"

#include "platform/qt_progress.hpp"
#include "platform/qt_ui.hpp"

extern "C" __attribute__((visibility("default"))) const tesk::QtBackends* tesk_qt_backends() {
    static tesk::QtUi ui;
    static tesk::QtProgress progress;
    static const tesk::QtBackends backends{tesk::kQtModuleVersion, &tesk::qtWidgetsUsable, &ui, &progress};
    return &backends;
}

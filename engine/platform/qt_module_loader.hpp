// Finds and opens libtesk-qt.so, as the JPEG/PNG export opens FreeImage: only when it is needed,
// here once the host runs a Qt application. Qt itself is looked up without linking it, so a host
// without Qt never maps it.
#pragma once

#include "platform/qt_module.hpp"

namespace tesk {

// The module's backends when the host runs a QApplication, the caller is on its thread and the
// module could be loaded; null otherwise (the console forms apply). Decided per call: a host may
// create its application after loading the library. The module is looked for beside the library
// and in a "tesk" folder there, also beside the file a link to the library leads to; the
// environment variable TESK_QT_MODULE names the one file to load instead.
const QtBackends* qtBackends();

}   // namespace tesk

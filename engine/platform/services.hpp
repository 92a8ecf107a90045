// The platform services a run uses, passed by reference; never singletons.
#pragma once

#include "platform/file_system.hpp"
#include "platform/progress.hpp"
#include "platform/ui.hpp"

namespace tesk {

struct Services {
    FileSystem& files;
    Ui& ui;
    ProgressService& progress;
};

}   // namespace tesk

#include "cli/interrupt.hpp"

#include <atomic>
#include <csignal>

namespace tesk::cli {
namespace {

std::atomic<bool> requested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the flag is set from a signal handler");

extern "C" void onSignal(int signal) {
    if (requested.exchange(true)) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
}

using Handler = void (*)(int);
Handler previousInt = SIG_DFL;
Handler previousTerm = SIG_DFL;

}   // namespace

InterruptGuard::InterruptGuard() {
    requested = false;
    // A signal the shell told this process to ignore (a background job) stays ignored.
    auto install = [](int signal) {
        auto previous = std::signal(signal, onSignal);
        if (previous == SIG_IGN) std::signal(signal, SIG_IGN);
        return previous;
    };
    previousInt = install(SIGINT);
    previousTerm = install(SIGTERM);
}

InterruptGuard::~InterruptGuard() {
    std::signal(SIGINT, previousInt == SIG_ERR ? SIG_DFL : previousInt);
    std::signal(SIGTERM, previousTerm == SIG_ERR ? SIG_DFL : previousTerm);
}

bool interruptRequested() { return requested.load(); }

}   // namespace tesk::cli

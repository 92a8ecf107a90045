// Ctrl-C and SIGTERM as a request to stop cleanly. While a guard lives the first signal is only
// noted: the command starts no new database, lets the running ones finish and reports what was
// done. A second signal ends the process at once, the way it would have ended without the guard.
#pragma once

namespace tesk::cli {

class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;
};

bool interruptRequested();

// The exit status of an interrupted command, as a shell reports a process ended by SIGINT.
inline constexpr int kInterruptedStatus = 130;

}   // namespace tesk::cli

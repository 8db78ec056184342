// The signals stay blocked in every thread of the run (the worker inherits the mask) and are
// taken with sigtimedwait where the rule is decided, so no handler runs at an arbitrary point and
// no system call of the run is interrupted.
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <ctime>
#include <mutex>

#include "app/cli/InterruptHold.h"

namespace quillon::cli {

struct InterruptHold::State {
    sigset_t signals;
    sigset_t previousMask;
    std::mutex mutex;  // the decision of one taken signal against the hold's state
    bool held = false;
    bool released = false;
    std::atomic<bool> notice{false};
    bool told = false;

    // Takes every pending signal: held ones are noted, others end the program now.
    void Take() {
        const timespec now{0, 0};
        for (;;) {
            const int sig = ::sigtimedwait(&signals, nullptr, &now);
            if (sig <= 0) return;
            if (held) {
                notice = true;
            } else if (!released) {
                EndNow(sig);
            }
        }
    }
    // As the signal would have ended it: by its default action.
    static void EndNow(int sig) {
        std::signal(sig, SIG_DFL);
        sigset_t one;
        sigemptyset(&one);
        sigaddset(&one, sig);
        ::raise(sig);
        ::pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
        ::_exit(128 + sig);  // not reached
    }
};

InterruptHold::InterruptHold() : state_(std::make_unique<State>()) {
    sigemptyset(&state_->signals);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&state_->signals, sig);
    ::pthread_sigmask(SIG_BLOCK, &state_->signals, &state_->previousMask);
}

InterruptHold::~InterruptHold() {
    {
        // Before a run started (a refused file) a signal ends the program as it would have;
        // after the run it is dropped, as the program ends now anyway with the run's result.
        std::lock_guard lock(state_->mutex);
        state_->Take();
    }
    ::pthread_sigmask(SIG_SETMASK, &state_->previousMask, nullptr);
}

void InterruptHold::Hold() {
    std::lock_guard lock(state_->mutex);
    if (state_->held || state_->released) return;
    state_->Take();
    state_->held = true;
}

void InterruptHold::Release() {
    std::lock_guard lock(state_->mutex);
    state_->Take();
    state_->held = false;
    state_->released = true;
}

bool InterruptHold::TakeNotice() {
    std::lock_guard lock(state_->mutex);
    state_->Take();
    if (!state_->notice || state_->told) return false;
    state_->told = true;
    return true;
}

}  // namespace quillon::cli

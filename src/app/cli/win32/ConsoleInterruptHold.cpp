// The console calls its control handler on a thread of its own, without any context of ours, so
// the hold in force is reached through the one pointer below. Ctrl-C and Ctrl-Break can be
// refused for as long as the run needs; closing the console can only be put off: Windows ends the
// process a few seconds after the handler was called, whatever it returns.
#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "app/cli/InterruptHold.h"

namespace quillon::cli {

struct InterruptHold::State {
    std::mutex mutex;
    std::condition_variable released;
    bool held = false;
    bool ended = false;
    bool notice = false;
    bool told = false;
};

namespace {

std::atomic<InterruptHold::State*> g_active{nullptr};

BOOL WINAPI OnConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) {
        return FALSE;
    }
    InterruptHold::State* s = g_active.load();
    if (s == nullptr) return FALSE;
    std::unique_lock lock(s->mutex);
    if (!s->held && !s->ended) {
        // Ended here, with the lock held, so that the worker cannot write a first report after
        // the decision was taken.
        ::ExitProcess(STATUS_CONTROL_C_EXIT);
    }
    if (s->ended) return TRUE;  // the program is about to exit with the run's result
    s->notice = true;
    if (event == CTRL_CLOSE_EVENT) {
        // The process ends when this returns: let the run finish first, if Windows waits that long.
        s->released.wait(lock, [s] { return !s->held; });
    }
    return TRUE;
}

}  // namespace

InterruptHold::InterruptHold() : state_(std::make_unique<State>()) {
    g_active = state_.get();
    ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

InterruptHold::~InterruptHold() {
    Release();
    ::SetConsoleCtrlHandler(OnConsoleControl, FALSE);
    g_active = nullptr;
}

void InterruptHold::Hold() {
    std::lock_guard lock(state_->mutex);
    if (!state_->ended) state_->held = true;
}

void InterruptHold::Release() {
    {
        std::lock_guard lock(state_->mutex);
        state_->held = false;
        state_->ended = true;
    }
    state_->released.notify_all();
}

bool InterruptHold::TakeNotice() {
    std::lock_guard lock(state_->mutex);
    if (!state_->notice || state_->told) return false;
    state_->told = true;
    return true;
}

}  // namespace quillon::cli

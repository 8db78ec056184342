// The logic every front end shares: starting an update (refused while one is running) and the
// timer tick that turns the worker's progress counters into the bar and the label.
#pragma once

#include <functional>
#include <thread>

#include "app/DialogView.h"
#include "app/PolicyGate.h"
#include "hid/LinkServices.h"

namespace quillon {

class UpdateController {
  public:
    UpdateController(LinkServices& services, DialogView& view) : s_(services), view_(view) {}
    ~UpdateController();
    UpdateController(const UpdateController&) = delete;
    UpdateController& operator=(const UpdateController&) = delete;

    // The update button and the Enter key: nothing while a run is busy or the progress display is
    // live; otherwise load the file and judge it by the policy (a refusal has been shown) and
    // start the worker. True when a run started.
    bool StartUpdate();
    // One tick of timer 1.
    void Tick();
    bool Busy() const { return s_.st.g_bBusy != 0; }
    // An admin's policy that every file must pass after the loader's checks, before anything is
    // sent (null: none, and every run is as it always was). Not owned.
    void Enforce(PolicyGate* gate) { gate_ = gate; }
    // The policy's decision on the file of the last start that came past the loader.
    const signature::Decision& LastDecision() const { return decision_; }
    // Runs when a start is allowed, before the loader reads the file, with no worker left (the
    // simulated bus fits its device to the chosen file here).
    void BeforeLoad(std::function<void()> hook) { beforeLoad_ = std::move(hook); }
    // Around each worker thread: starting runs on the thread that starts it, before it exists;
    // ending runs on the worker thread as its last act (runs on a shared virtual clock join it
    // and leave it here).
    void WorkerHooks(std::function<void()> starting, std::function<void()> ending) {
        starting_ = std::move(starting);
        ending_ = std::move(ending);
    }
    // Waits until the worker thread has ended; its exit code (-1 when none ran).
    int WaitForRun();

  private:
    LinkServices& s_;
    DialogView& view_;
    PolicyGate* gate_ = nullptr;
    signature::Decision decision_;
    std::thread worker_;
    int exitCode_ = -1;
    std::function<void()> beforeLoad_;
    std::function<void()> starting_;
    std::function<void()> ending_;
};

// "%d%%" of a percentage.
std::string PercentText(int percent);

}  // namespace quillon

// What ends "quillon update" from outside (SIGINT, SIGTERM, SIGHUP; on Windows Ctrl-C,
// Ctrl-Break and closing the console): before the run has touched the device it ends the
// program at once, as usual; from the first report until the run ends it is held, because an
// interrupted run leaves the device unusable, and the program exits with the run's own result.
#pragma once

#include <memory>

namespace quillon::cli {

class InterruptHold {
  public:
    // Takes over the interrupts of the process; one at a time.
    InterruptHold();
    ~InterruptHold();
    InterruptHold(const InterruptHold&) = delete;
    InterruptHold& operator=(const InterruptHold&) = delete;

    // Just before the first report is written (on the worker). An interrupt that came before it
    // ends the program here, so nothing reaches the device.
    void Hold();
    // The run has ended: from here on interrupts are dropped, as the program is about to exit
    // with the run's result.
    void Release();
    // True once, after the first interrupt that was held: the caller tells the operator.
    // Interrupts that came while not held end the program here (POSIX).
    bool TakeNotice();

    // Each platform's own (the POSIX signal mask, the Windows console handler).
    struct State;

  private:
    std::unique_ptr<State> state_;
};

// What is told on standard error about a held interrupt.
inline constexpr char kInterruptHeldNotice[] =
    "an update is in progress: interrupting it now would leave the device unusable, so it goes "
    "on to its end";

}  // namespace quillon::cli

// One update run, as the worker thread carries it out: discovery, waiting for a restarting
// device, the boot switch, the model check, programming, and the busy and progress flags.
#pragma once

#include <cstdint>

#include "hid/LinkServices.h"
#include "protocol/Receiver.h"

namespace quillon {

inline constexpr std::uint8_t kSwitchMismatch = 0xFF;

class UpdateWorker {
  public:
    explicit UpdateWorker(LinkServices& s) : s_(s) {}

    // The whole run; 0 when it ended with "완료", 1 when it failed. Clears g_bBusy on every exit.
    int UpdateThreadProc();

    // Brings a boot-switch model into its boot loader: 0 ready, 1 failed, 0xFF mismatch.
    static std::uint8_t SwitchToBootLoader(Receiver& rx);

  private:
    // Ends the run: its end on the phase channel, the text (if any), the link and the flags.
    int Exit(Receiver& rx, const char* text, int code, RunEnd end);
    // A failure before anything changed the device: none there fits the file.
    RunEnd NothingFits() const;
    bool WaitForRestartedDevice(Receiver& rx);
    int ModelCheck(Receiver& rx);

    LinkServices& s_;
};

}  // namespace quillon

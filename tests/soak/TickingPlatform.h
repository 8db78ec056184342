// Passes every call to the simulator and runs the dialog's timer tick before each transfer, so
// that a single-threaded soak run sees the progress display move as the run goes.
#pragma once

#include <functional>

#include "hid/ForwardingHidPlatform.h"

namespace quillon::soak {

class TickingPlatform : public ForwardingHidPlatform {
  public:
    TickingPlatform(HidPlatform& inner, std::function<void()> tick)
        : ForwardingHidPlatform(inner), tick_(std::move(tick)) {}

    TransferStart StartWrite(Handle d, const std::uint8_t* data, std::size_t len,
                             Overlapped& r) override {
        tick_();
        return inner_->StartWrite(d, data, len, r);
    }
    TransferStart StartRead(Handle d, std::uint8_t* data, std::size_t len, Overlapped& r) override {
        tick_();
        return inner_->StartRead(d, data, len, r);
    }

  private:
    std::function<void()> tick_;
};

}  // namespace quillon::soak

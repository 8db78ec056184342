// Passes every call of the HID link on, and calls a hook once, just before the first report is
// written: the moment from which a run has touched the device.
#pragma once

#include <functional>

#include "hid/ForwardingHidPlatform.h"

namespace quillon {

class FirstReportWatch : public ForwardingHidPlatform {
  public:
    FirstReportWatch(HidPlatform& inner, std::function<void()> hook)
        : ForwardingHidPlatform(inner), hook_(std::move(hook)) {}

    TransferStart StartWrite(Handle device, const std::uint8_t* data, std::size_t len,
                             Overlapped& record) override {
        if (hook_) {
            hook_();
            hook_ = nullptr;
        }
        return inner_->StartWrite(device, data, len, record);
    }

  private:
    std::function<void()> hook_;  // only the worker writes, so no lock is needed
};

}  // namespace quillon

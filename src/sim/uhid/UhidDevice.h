// One kernel HID device made through /dev/uhid: created with a report descriptor, fed input
// reports, and passing on the output reports that the kernel's hidraw writers send it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/uhid/SimBridge.h"

namespace quillon::sim {

class UhidDevice : public KernelTwin {
  public:
    // label names the device in the log lines on standard error and in its HID name.
    // label names it; port becomes its physical place, as the kernel shows it (HID_PHYS).
    UhidDevice(std::string label, std::string port)
        : label_(std::move(label)), port_(std::move(port)) {}
    ~UhidDevice() override;
    UhidDevice(const UhidDevice&) = delete;
    UhidDevice& operator=(const UhidDevice&) = delete;

    // Opens the uhid node; false with the reason in error.
    bool Open(const std::string& uhidPath, std::string& error);
    int Fd() const { return fd_; }

    bool Create(const Identity& identity, const std::vector<std::uint8_t>& descriptor) override;
    void Destroy() override;
    bool Input(const std::uint8_t* report, std::size_t len) override;

    enum class Event { kNothing, kOther, kOutput, kFailed };
    // Takes one event from the kernel (kNothing when none is waiting). kOutput leaves the output
    // report in report; requests for feature reports are refused on the spot.
    Event Read(std::vector<std::uint8_t>& report);

  private:
    bool Send(const void* event, std::size_t size);

    std::string label_;
    std::string port_;
    int fd_ = -1;
    bool created_ = false;
};

}  // namespace quillon::sim

// One interface of a hidraw node as the Linux backend opens it: identity and capabilities from
// sysfs, and for transfers the open node, whose reports are read when poll() says one is there
// and written on a writer thread.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "hid/EmulatedHidPlatform.h"
#include "hid/linux/ReportDescriptor.h"
#include "hid/linux/ReportWriter.h"
#include "hid/linux/UniqueFd.h"

namespace quillon::hidraw {

// A node and one of its top-level collections.
struct HidrawTarget {
    std::string name;  // "hidraw3"
    std::string node;
    HidAttributes attributes;
    TopLevelCollection collection;
    bool numbered = false;
};

class HidrawInterface : public EmulatedInterface {
  public:
    // For identity and capability queries only.
    explicit HidrawInterface(HidrawTarget target) : target_(std::move(target)) {}
    // Holding the open node fd, and for transfers over it when transfers is set.
    HidrawInterface(HidrawTarget target, UniqueFd fd, bool transfers);

    bool Attributes(HidAttributes& attributes) override;
    bool Caps(HidCaps& caps) override;
    TransferStart Write(const std::uint8_t* data, std::size_t len) override;
    WaitOutcome WaitWrite(std::uint32_t timeoutMs) override;
    void AwaitWrite() override { writer_->AwaitEnded(); }
    TransferStart Read(std::uint8_t* data, std::size_t len) override;
    WaitOutcome WaitRead(std::uint8_t* data, std::size_t len, std::uint32_t timeoutMs) override;
    bool Drain(std::uint8_t* data, std::size_t len) override;
    std::string Error() const override { return why_; }

  private:
    enum class ReadResult { kGot, kNothing, kGone, kFailed };
    ReadResult ReadOne(std::uint8_t* buffer, std::size_t len);
    // Records errno err as the reason of the failure at hand; 0 for one the system gave no
    // reason for.
    void Note(int err);

    HidrawTarget target_;
    UniqueFd fd_;
    std::unique_ptr<ReportWriter> writer_;  // after fd_, so that it ends before the node closes
    std::vector<std::uint8_t> scratch_;     // one whole report as the kernel hands it over
    std::string why_;
};

}  // namespace quillon::hidraw

// Passes every call to the simulator and runs the dialog's timer tick before each transfer, so
// that a single-threaded soak run sees the progress display move as the run goes.
#pragma once

#include <functional>

#include "hid/HidPlatform.h"

namespace quillon::soak {

class TickingPlatform : public HidPlatform {
  public:
    TickingPlatform(HidPlatform& inner, std::function<void()> tick)
        : inner_(inner), tick_(std::move(tick)) {}

    Handle OpenInterfaceList() override { return inner_.OpenInterfaceList(); }
    bool EnumInterface(Handle l, std::uint32_t i, std::string& p) override {
        return inner_.EnumInterface(l, i, p);
    }
    void DestroyInterfaceList(Handle l) override { inner_.DestroyInterfaceList(l); }
    Handle OpenForQuery(const std::string& p) override { return inner_.OpenForQuery(p); }
    Handle OpenSynchronous(const std::string& p) override { return inner_.OpenSynchronous(p); }
    Handle OpenOverlapped(const std::string& p) override { return inner_.OpenOverlapped(p); }
    bool GetAttributes(Handle d, HidAttributes& a) override { return inner_.GetAttributes(d, a); }
    bool GetCaps(Handle d, HidCaps& c) override { return inner_.GetCaps(d, c); }
    Handle CreateTransferEvent() override { return inner_.CreateTransferEvent(); }
    void CloseHandle(Handle h) override { inner_.CloseHandle(h); }
    TransferStart StartWrite(Handle d, const std::uint8_t* data, std::size_t len,
                             Overlapped& r) override {
        tick_();
        return inner_.StartWrite(d, data, len, r);
    }
    TransferStart StartRead(Handle d, std::uint8_t* data, std::size_t len, Overlapped& r) override {
        tick_();
        return inner_.StartRead(d, data, len, r);
    }
    WaitOutcome WaitTransfer(Handle e, std::uint32_t t) override {
        return inner_.WaitTransfer(e, t);
    }
    void CancelTransfer(Handle d) override { inner_.CancelTransfer(d); }
    void Sleep(std::uint32_t ms) override { inner_.Sleep(ms); }
    std::uint64_t NowMs() override { return inner_.NowMs(); }

  private:
    HidPlatform& inner_;
    std::function<void()> tick_;
};

}  // namespace quillon::soak

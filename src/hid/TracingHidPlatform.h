// Wraps a platform layer and writes every event on the link to a file, one line each:
// "<ms> write <hex>", "<ms> read <hex>", "<ms> read-timeout", "<ms> write-timeout",
// "<ms> open <path>", "<ms> close <path>", "<ms> gone <path>".
#pragma once

#include <cstdio>
#include <map>
#include <string>

#include "hid/HidPlatform.h"

namespace quillon {

class TracingHidPlatform : public HidPlatform {
  public:
    // out stays owned by the caller.
    TracingHidPlatform(HidPlatform& inner, std::FILE* out) : inner_(inner), out_(out) {}

    Handle OpenInterfaceList() override { return inner_.OpenInterfaceList(); }
    bool EnumInterface(Handle list, std::uint32_t index, std::string& path) override {
        return inner_.EnumInterface(list, index, path);
    }
    void DestroyInterfaceList(Handle list) override { inner_.DestroyInterfaceList(list); }
    Handle OpenForQuery(const std::string& path) override;
    Handle OpenSynchronous(const std::string& path) override;
    Handle OpenOverlapped(const std::string& path) override;
    bool GetAttributes(Handle device, HidAttributes& attributes) override {
        return inner_.GetAttributes(device, attributes);
    }
    bool GetCaps(Handle device, HidCaps& caps) override { return inner_.GetCaps(device, caps); }
    Handle CreateTransferEvent() override { return inner_.CreateTransferEvent(); }
    void CloseHandle(Handle handle) override;
    TransferStart StartWrite(Handle device, const std::uint8_t* data, std::size_t len,
                             Overlapped& record) override;
    TransferStart StartRead(Handle device, std::uint8_t* data, std::size_t len,
                            Overlapped& record) override;
    WaitOutcome WaitTransfer(Handle event, std::uint32_t timeoutMs) override;
    void CancelTransfer(Handle device) override { inner_.CancelTransfer(device); }
    void Sleep(std::uint32_t ms) override { inner_.Sleep(ms); }
    std::uint64_t NowMs() override { return inner_.NowMs(); }

  private:
    struct PendingTransfer {
        bool write;
        Handle device;
        const std::uint8_t* data;
        std::size_t len;
    };
    Handle Opened(Handle h, const std::string& path);
    void Line(const char* what, const std::string& detail);
    void Bytes(const char* what, const std::uint8_t* data, std::size_t len);
    void Gone(Handle device);

    HidPlatform& inner_;
    std::FILE* out_;
    std::map<Handle, std::string> paths_;
    std::map<Handle, PendingTransfer> pending_;  // by event
};

}  // namespace quillon

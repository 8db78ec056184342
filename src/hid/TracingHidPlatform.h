// Wraps a platform layer and writes every event on the link to a file, one line each:
// "<ms> write <hex>", "<ms> read <hex>", "<ms> read-timeout", "<ms> write-timeout",
// "<ms> open <path>", "<ms> close <path>", "<ms> gone <path>", and "<ms> stale <hex>" for an
// input report dropped because it arrived before the request it would have answered, or because
// a read took it and it was then recognised as the late answer to an earlier request (a "read"
// line with the same bytes comes just before). Where the system gave a reason for a failure, it
// follows after ": ": "<ms> gone <path>: ENODEV: No such device", and a failed open, list or
// transfer start that has one gets its own line ("<ms> open-failed <path>: EACCES: Permission
// denied", "<ms> list-failed: ...", "<ms> write-failed: ...", "<ms> read-failed: ...").
#pragma once

#include <cstdio>
#include <map>
#include <string>

#include "hid/ForwardingHidPlatform.h"

namespace quillon {

class TracingHidPlatform : public ForwardingHidPlatform {
  public:
    // out stays owned by the caller.
    TracingHidPlatform(HidPlatform& inner, std::FILE* out)
        : ForwardingHidPlatform(inner), out_(out) {}

    Handle OpenInterfaceList() override;
    Handle OpenForQuery(const std::string& path) override;
    Handle OpenSynchronous(const std::string& path) override;
    Handle OpenOverlapped(const std::string& path) override;
    void CloseHandle(Handle handle) override;
    TransferStart StartWrite(Handle device, const std::uint8_t* data, std::size_t len,
                             Overlapped& record) override;
    TransferStart StartRead(Handle device, std::uint8_t* data, std::size_t len,
                            Overlapped& record) override;
    WaitOutcome WaitTransfer(Handle event, std::uint32_t timeoutMs) override;
    bool TakeQueuedReport(Handle device, std::uint8_t* data, std::size_t len) override;
    void ReportDropped(Handle device, const std::uint8_t* data, std::size_t len) override;

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
    // A line for a failure the system gave a reason for; nothing when it gave none.
    void Failed(const char* what, const std::string& detail);
    // ": reason" for the calling thread's last failure, or nothing.
    std::string Because();

    std::FILE* out_;
    std::map<Handle, std::string> paths_;
    std::map<Handle, PendingTransfer> pending_;  // by event
};

}  // namespace quillon

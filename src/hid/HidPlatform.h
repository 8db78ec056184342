// What the HID link needs from the operating system: enumerating HID interfaces, opening them,
// reading their identity and capabilities, overlapped report transfers with bounded waits, and
// the clock. Every sleep, wait and time-out of the system goes through here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "state/Handles.h"

namespace quillon {

struct HidAttributes {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t versionNumber = 0;
};

// How starting a transfer went.
enum class TransferStart {
    kDone,        // completed at once
    kPending,     // runs on; the event signals its end
    kDeviceGone,  // the device is no longer there
    kFailed,      // any other error
};

// How waiting for a pending transfer went.
enum class WaitOutcome {
    kCompleted,  // the transfer completed successfully
    kTimedOut,   // still pending when the time ran out
    kFailed,     // the transfer ended in an error, or the wait itself failed
};

class HidPlatform {
  public:
    virtual ~HidPlatform() = default;

    // The list of present HID interfaces, walked by index; kInvalidHandle when it cannot be had.
    virtual Handle OpenInterfaceList() = 0;
    // The path of interface index, or false once index is past the last one.
    virtual bool EnumInterface(Handle list, std::uint32_t index, std::string& path) = 0;
    virtual void DestroyInterfaceList(Handle list) = 0;
    // The physical place of the device that interface index of list belongs to, read without
    // opening it: the same for every interface of one device and across its restarts (a USB
    // port path such as "1-1.2", a Windows location path, a simulated port); empty when the
    // platform cannot tell.
    virtual std::string InterfacePort(Handle list, std::uint32_t index) {
        (void)list;
        (void)index;
        return {};
    }

    // A handle good only for identity and capability queries (also on collections that the
    // system holds open), or kInvalidHandle.
    virtual Handle OpenForQuery(const std::string& path) = 0;
    // A synchronous read/write handle, or kInvalidHandle.
    virtual Handle OpenSynchronous(const std::string& path) = 0;
    // A read/write handle for overlapped transfers of whole reports, or kInvalidHandle.
    virtual Handle OpenOverlapped(const std::string& path) = 0;
    virtual bool GetAttributes(Handle device, HidAttributes& attributes) = 0;
    // The top-level collection's usage and report lengths (report-ID byte included).
    virtual bool GetCaps(Handle device, HidCaps& caps) = 0;
    // An unnamed manual-reset event, created signalled.
    virtual Handle CreateTransferEvent() = 0;
    // Closes any handle made here; kInvalidHandle is ignored.
    virtual void CloseHandle(Handle handle) = 0;

    // Starts writing len bytes of data (byte 0 the report ID) with the record's event.
    virtual TransferStart StartWrite(Handle device, const std::uint8_t* data, std::size_t len,
                                     Overlapped& record) = 0;
    // Starts reading one input report of up to len bytes into data (byte 0 the report ID).
    virtual TransferStart StartRead(Handle device, std::uint8_t* data, std::size_t len,
                                    Overlapped& record) = 0;
    // Waits at most timeoutMs for the transfer that signals event.
    virtual WaitOutcome WaitTransfer(Handle event, std::uint32_t timeoutMs) = 0;
    // Abandons the pending transfer on device and returns only once it has really ended, so
    // that its buffer and record may be reused.
    virtual void CancelTransfer(Handle device) = 0;
    // Takes one input report that has already arrived on device and waits to be read, into data
    // (up to len bytes, byte 0 the report ID), without waiting; false when none is there. No
    // transfer may be pending on device.
    virtual bool TakeQueuedReport(Handle device, std::uint8_t* data, std::size_t len) = 0;
    // Told of an input report that a read took and that was then dropped as the late answer to
    // an earlier request; there is nothing to do with it but to write it down in a trace.
    virtual void ReportDropped(Handle device, const std::uint8_t* data, std::size_t len) {
        (void)device;
        (void)data;
        (void)len;
    }

    // Why the calling thread's last failed call here failed, in the system's words
    // ("ENODEV: No such device", "error 5: Access is denied."); empty when the system gave no
    // reason. Asked right after the failure, as a later call may replace it.
    virtual std::string LastError() { return {}; }

    virtual void Sleep(std::uint32_t ms) = 0;
    // Milliseconds on the platform's clock (virtual time on the simulator).
    virtual std::uint64_t NowMs() = 0;
};

}  // namespace quillon

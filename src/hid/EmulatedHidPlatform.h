// The Windows-shaped handle, event and transfer bookkeeping of the platform interface, kept once
// for every system that has no such calls of its own: a backend supplies only the primitives
// (list, open, write and read with a time limit, drain, the reason of a failure) and this base
// hands out the handles, pairs each event with the transfer that will signal it, and keeps each
// thread's last error. Safe to use from several threads at once, each with its own handles; no
// lock of the base is held while a primitive runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "hid/HidPlatform.h"
#include "hid/LastErrors.h"

namespace quillon {

// One opened interface as a backend sees it; it owns what the system gave for it (a descriptor,
// a writer thread) and gives it back when destroyed. Transfers are asked only of interfaces
// opened for them, one at a time.
class EmulatedInterface {
  public:
    virtual ~EmulatedInterface() = default;

    virtual bool Attributes(HidAttributes& attributes) = 0;
    virtual bool Caps(HidCaps& caps) = 0;
    // Starts writing one whole report: kDone, kPending (ended by WaitWrite), kDeviceGone or
    // kFailed.
    virtual TransferStart Write(const std::uint8_t* data, std::size_t len) = 0;
    virtual WaitOutcome WaitWrite(std::uint32_t timeoutMs) = 0;
    // Returns once the write in flight has really ended, however long that takes.
    virtual void AwaitWrite() = 0;
    // Reads a report that is already there: kDone, kPending (none yet, WaitRead will wait for
    // one), kDeviceGone or kFailed.
    virtual TransferStart Read(std::uint8_t* data, std::size_t len) = 0;
    virtual WaitOutcome WaitRead(std::uint8_t* data, std::size_t len, std::uint32_t timeoutMs) = 0;
    // Takes a report that has already arrived, never waiting; false when none is there.
    virtual bool Drain(std::uint8_t* data, std::size_t len) = 0;
    // Why the last of these calls that failed failed, in the system's words; empty when it gave
    // no reason.
    virtual std::string Error() const = 0;
};

class EmulatedHidPlatform : public HidPlatform {
  public:
    enum class OpenMode { kQuery, kSynchronous, kOverlapped };
    struct ListedInterface {
        std::string path;
        std::string port;
    };

    Handle OpenInterfaceList() override;
    bool EnumInterface(Handle list, std::uint32_t index, std::string& path) override;
    void DestroyInterfaceList(Handle list) override;
    std::string InterfacePort(Handle list, std::uint32_t index) override;
    Handle OpenForQuery(const std::string& path) override;
    Handle OpenSynchronous(const std::string& path) override;
    Handle OpenOverlapped(const std::string& path) override;
    bool GetAttributes(Handle device, HidAttributes& attributes) override;
    bool GetCaps(Handle device, HidCaps& caps) override;
    Handle CreateTransferEvent() override;
    void CloseHandle(Handle handle) override;
    TransferStart StartWrite(Handle device, const std::uint8_t* data, std::size_t len,
                             Overlapped& record) override;
    TransferStart StartRead(Handle device, std::uint8_t* data, std::size_t len,
                            Overlapped& record) override;
    WaitOutcome WaitTransfer(Handle event, std::uint32_t timeoutMs) override;
    void CancelTransfer(Handle device) override;
    bool TakeQueuedReport(Handle device, std::uint8_t* data, std::size_t len) override;
    std::string LastError() override { return errors_.Get(); }

    // Handles made here and not yet closed (every kind).
    std::size_t OpenHandles() const;

  protected:
    // The interfaces die with the base, after the backend: they may not need it then.
    EmulatedHidPlatform() = default;

    // The interfaces present now; false (why says why, if the system said) when they cannot be
    // listed.
    virtual bool ListInterfaces(std::vector<ListedInterface>& interfaces, std::string& why) = 0;
    // The interface at path opened for mode, or null (why says why, if the system said).
    virtual std::unique_ptr<EmulatedInterface> OpenInterface(const std::string& path, OpenMode mode,
                                                             std::string& why) = 0;

  private:
    struct Opened {
        OpenMode mode;
        std::unique_ptr<EmulatedInterface> link;  // not "interface": a macro of the Windows headers
    };
    // What an event stands for: the transfer that will signal it, if any.
    struct Transfer {
        enum class Kind { kIdle, kWrite, kRead } kind = Kind::kIdle;
        Handle device = kInvalidHandle;
        std::uint8_t* buffer = nullptr;
        std::size_t len = 0;
    };

    Handle Open(const std::string& path, OpenMode mode);
    EmulatedInterface* Find(Handle h, bool overlappedOnly);
    // The overlapped interface and the idle event a transfer is to start on, or null.
    EmulatedInterface* StartOn(Handle device, Handle event, std::size_t len);
    TransferStart Started(TransferStart start, const EmulatedInterface& in, Handle event,
                          const Transfer& transfer);
    // Records the reason of a failure for the calling thread and returns what is given.
    template <typename T>
    T Failed(T result, std::string why) {
        errors_.Set(std::move(why));
        return result;
    }

    mutable std::mutex mutex_;
    std::map<Handle, std::vector<ListedInterface>> lists_;
    std::map<Handle, Opened> interfaces_;
    std::map<Handle, Transfer> events_;
    Handle next_ = 0x100;
    LastErrors errors_;
};

}  // namespace quillon

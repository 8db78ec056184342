// The HID platform layer on Windows: SetupAPI lists the HID interfaces, the HID class driver
// answers identity and capability queries, and reports move by overlapped ReadFile and WriteFile
// with the channel's event, all on the system tick clock.
#pragma once

#include <map>
#include <memory>

#include "hid/HidPlatform.h"
#include "hid/LastErrors.h"
#include "hid/win32/HidApi.h"
#include "hid/win32/UniqueHandle.h"

namespace quillon::win32 {

class Win32HidPlatform : public HidPlatform {
  public:
    Win32HidPlatform() = default;
    ~Win32HidPlatform() override;
    Win32HidPlatform(const Win32HidPlatform&) = delete;
    Win32HidPlatform& operator=(const Win32HidPlatform&) = delete;

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
    void Sleep(std::uint32_t ms) override;
    std::uint64_t NowMs() override;

  private:
    // The system's transfer record behind one event. It must stay where it is while a transfer
    // that was given it runs, so it lives here rather than in the caller's Overlapped.
    struct Transfer {
        explicit Transfer(UniqueHandle e) : event(std::move(e)) {}
        UniqueHandle event;  // the caller's event, which ends with the record
        OVERLAPPED ov{};
        HANDLE device = INVALID_HANDLE_VALUE;
        DWORD thread = 0;  // the thread that started it, which CancelIo acts for
        bool pending = false;
    };

    Transfer* TransferOf(Handle event);
    Handle Open(const std::string& path, DWORD access, DWORD flags);
    TransferStart Start(bool write, Handle device, std::uint8_t* data, std::size_t len,
                        Overlapped& record);
    // Cancels the transfer and waits for it to end, so that its buffer and record may be reused.
    static void EndPending(Transfer& t);
    // Records the calling thread's last system error as the reason of a failure; returns result.
    template <typename T>
    T Failed(T result) {
        errors_.Set(ErrorTextOfLast());
        return result;
    }
    static std::string ErrorTextOfLast();

    GUID hidGuid_{};
    UniqueHandle staleEvent_;  // for the reads that take queued reports, made when first used
    std::map<Handle, std::unique_ptr<Transfer>> transfers_;  // by event
    LastErrors errors_;
};

}  // namespace quillon::win32

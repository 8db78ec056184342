#include "hid/win32/Win32HidPlatform.h"

#include <memory>
#include <new>

#include "hid/win32/InterfaceDetail.h"
#include "hid/win32/LocationPath.h"
#include "hid/win32/WideText.h"
#include "hid/win32/Win32Errors.h"

namespace quillon::win32 {

namespace {

HANDLE AsHandle(Handle h) {
    return reinterpret_cast<HANDLE>(h);
}

Handle FromHandle(HANDLE h) {
    return reinterpret_cast<Handle>(h);
}

}  // namespace

std::string Win32HidPlatform::ErrorTextOfLast() {
    return ErrorText(::GetLastError());
}

Handle Win32HidPlatform::Open(const std::string& path, DWORD access, DWORD flags) {
    const std::wstring wide = WideFromUtf8(path);
    if (wide.empty()) {
        errors_.Set({});
        return kInvalidHandle;
    }
    const HANDLE h = ::CreateFileW(wide.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, flags, nullptr);
    return h == INVALID_HANDLE_VALUE ? Failed(kInvalidHandle) : FromHandle(h);
}

Win32HidPlatform::~Win32HidPlatform() {
    // The records die with this object: nothing may still be writing into them.
    for (auto& [event, t] : transfers_) {
        if (t->pending) EndPending(*t);
    }
}

Handle Win32HidPlatform::OpenInterfaceList() {
    ::HidD_GetHidGuid(&hidGuid_);
    const HDEVINFO list =
        ::SetupDiGetClassDevsW(&hidGuid_, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    return list == INVALID_HANDLE_VALUE ? Failed(kInvalidHandle) : FromHandle(list);
}

bool Win32HidPlatform::EnumInterface(Handle list, std::uint32_t index, std::string& path) {
    if (list == kInvalidHandle) return false;
    const HDEVINFO info = AsHandle(list);
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof(data);
    if (!::SetupDiEnumDeviceInterfaces(info, nullptr, &hidGuid_, index, &data)) return false;
    path.clear();
    // First the size, then the record itself; an interface whose path cannot be had still counts
    // as one, with an empty path that opens nothing.
    DWORD size = 0;
    ::SetupDiGetDeviceInterfaceDetailW(info, &data, nullptr, 0, &size, nullptr);
    if (size < DetailFixedSize()) return true;
    const std::unique_ptr<std::uint8_t[]> record(new (std::nothrow) std::uint8_t[size]);
    if (!record) return true;
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(record.get());
    detail->cbSize = static_cast<DWORD>(DetailFixedSize());
    if (::SetupDiGetDeviceInterfaceDetailW(info, &data, detail, size, nullptr, nullptr)) {
        path = Utf8FromWide(DevicePathOf(record.get(), size));
    }
    return true;
}

std::string Win32HidPlatform::InterfacePort(Handle list, std::uint32_t index) {
    if (list == kInvalidHandle) return {};
    const HDEVINFO info = AsHandle(list);
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof(data);
    if (!::SetupDiEnumDeviceInterfaces(info, nullptr, &hidGuid_, index, &data)) return {};
    DWORD size = 0;
    ::SetupDiGetDeviceInterfaceDetailW(info, &data, nullptr, 0, &size, nullptr);
    if (size < DetailFixedSize()) return {};
    const std::unique_ptr<std::uint8_t[]> record(new (std::nothrow) std::uint8_t[size]);
    if (!record) return {};
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(record.get());
    detail->cbSize = static_cast<DWORD>(DetailFixedSize());
    SP_DEVINFO_DATA node{};
    node.cbSize = sizeof(node);
    if (!::SetupDiGetDeviceInterfaceDetailW(info, &data, detail, size, nullptr, &node)) return {};
    return DevicePort(node.DevInst);
}

void Win32HidPlatform::DestroyInterfaceList(Handle list) {
    if (list != kInvalidHandle) ::SetupDiDestroyDeviceInfoList(AsHandle(list));
}

Handle Win32HidPlatform::OpenForQuery(const std::string& path) {
    // No access rights: enough for attributes and capabilities, and allowed on the keyboard and
    // mouse collections that the system holds open exclusively.
    return Open(path, 0, 0);
}

Handle Win32HidPlatform::OpenSynchronous(const std::string& path) {
    return Open(path, GENERIC_READ | GENERIC_WRITE, 0);
}

Handle Win32HidPlatform::OpenOverlapped(const std::string& path) {
    return Open(path, GENERIC_READ | GENERIC_WRITE, FILE_FLAG_WRITE_THROUGH | FILE_FLAG_OVERLAPPED);
}

bool Win32HidPlatform::GetAttributes(Handle device, HidAttributes& attributes) {
    HIDD_ATTRIBUTES a{};
    a.Size = sizeof(a);
    if (device == kInvalidHandle || !::HidD_GetAttributes(AsHandle(device), &a)) {
        return Failed(false);
    }
    attributes = {a.VendorID, a.ProductID, a.VersionNumber};
    return true;
}

bool Win32HidPlatform::GetCaps(Handle device, HidCaps& caps) {
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    if (device == kInvalidHandle || !::HidD_GetPreparsedData(AsHandle(device), &preparsed)) {
        return Failed(false);
    }
    HIDP_CAPS c{};
    const NTSTATUS status = ::HidP_GetCaps(preparsed, &c);
    ::HidD_FreePreparsedData(preparsed);
    if (status != HIDP_STATUS_SUCCESS) return false;
    caps = {c.Usage, c.UsagePage, c.InputReportByteLength, c.OutputReportByteLength};
    return true;
}

Handle Win32HidPlatform::CreateTransferEvent() {
    // Manual reset, signalled, unnamed.
    UniqueHandle event(::CreateEventW(nullptr, TRUE, TRUE, nullptr));
    if (!event) return Failed(kInvalidHandle);
    const Handle h = FromHandle(event.Get());
    transfers_.emplace(h, std::make_unique<Transfer>(std::move(event)));
    return h;
}

void Win32HidPlatform::CloseHandle(Handle handle) {
    if (handle == kInvalidHandle || handle == 0) return;
    if (const auto it = transfers_.find(handle); it != transfers_.end()) {
        if (it->second->pending) EndPending(*it->second);
        transfers_.erase(it);  // its event with it
        return;
    }
    // A device handle, the caller's to give back: a transfer still running on it would write
    // into its record after the close, so it ends first.
    CancelTransfer(handle);
    ::CloseHandle(AsHandle(handle));
}

Win32HidPlatform::Transfer* Win32HidPlatform::TransferOf(Handle event) {
    const auto it = transfers_.find(event);
    return it == transfers_.end() ? nullptr : it->second.get();
}

TransferStart Win32HidPlatform::Start(bool write, Handle device, std::uint8_t* data,
                                      std::size_t len, Overlapped& record) {
    Transfer* t = TransferOf(record.hEvent);
    // One transfer per record at a time: reusing a record that is still in flight would corrupt
    // both transfers.
    if (t == nullptr || t->pending || device == kInvalidHandle || len == 0 || len > MAXDWORD) {
        errors_.Set({});
        return TransferStart::kFailed;
    }
    t->ov = OVERLAPPED{};
    t->ov.Offset = record.offset;
    t->ov.OffsetHigh = record.offsetHigh;
    t->ov.hEvent = AsHandle(record.hEvent);
    const HANDLE h = AsHandle(device);
    const DWORD n = static_cast<DWORD>(len);
    const BOOL started =
        write ? ::WriteFile(h, data, n, nullptr, &t->ov) : ::ReadFile(h, data, n, nullptr, &t->ov);
    const DWORD error = started ? 0 : ::GetLastError();
    const TransferStart outcome = OutcomeOfStart(started != FALSE, error);
    if (outcome == TransferStart::kDeviceGone || outcome == TransferStart::kFailed) {
        errors_.Set(ErrorText(error));
    }
    if (outcome == TransferStart::kPending) {
        t->device = h;
        t->thread = ::GetCurrentThreadId();
        t->pending = true;
    }
    return outcome;
}

TransferStart Win32HidPlatform::StartWrite(Handle device, const std::uint8_t* data, std::size_t len,
                                           Overlapped& record) {
    // WriteFile only reads the buffer.
    return Start(true, device, const_cast<std::uint8_t*>(data), len, record);
}

TransferStart Win32HidPlatform::StartRead(Handle device, std::uint8_t* data, std::size_t len,
                                          Overlapped& record) {
    return Start(false, device, data, len, record);
}

WaitOutcome Win32HidPlatform::WaitTransfer(Handle event, std::uint32_t timeoutMs) {
    switch (WaitEndOf(::WaitForSingleObject(AsHandle(event), timeoutMs))) {
        case WaitEnd::kTimedOut:
            return WaitOutcome::kTimedOut;
        case WaitEnd::kFailed:
            return Failed(
                WaitOutcome::kFailed);  // the transfer may still run; the caller cancels it
        case WaitEnd::kSignalled:
            break;
    }
    Transfer* t = TransferOf(event);
    if (t == nullptr || !t->pending) return WaitOutcome::kCompleted;  // nothing in flight
    // The event says the transfer ended; only its own result says whether it succeeded.
    DWORD moved = 0;
    const BOOL got = ::GetOverlappedResult(t->device, &t->ov, &moved, FALSE);
    const DWORD error = got ? 0 : ::GetLastError();
    errors_.Set(ErrorText(error));
    if (StillRunning(got != FALSE, error)) return WaitOutcome::kFailed;
    t->pending = false;
    return got ? WaitOutcome::kCompleted : WaitOutcome::kFailed;
}

void Win32HidPlatform::EndPending(Transfer& t) {
    // CancelIo cancels only what the calling thread started; from any other thread the transfer
    // is named by its record.
    if (t.thread == ::GetCurrentThreadId()) {
        ::CancelIo(t.device);
    } else {
        ::CancelIoEx(t.device, &t.ov);
    }
    DWORD moved = 0;
    ::GetOverlappedResult(t.device, &t.ov, &moved, TRUE);
    t.pending = false;
}

void Win32HidPlatform::CancelTransfer(Handle device) {
    const HANDLE h = AsHandle(device);
    for (auto& [event, t] : transfers_) {
        if (t->pending && t->device == h) EndPending(*t);
    }
}

// HidD_FlushQueue would drop the queued reports unseen; reads that never wait drop the same
// reports and let the trace show what was dropped. The HID class driver completes a read at once
// from its queue when a report waits there; otherwise the read is cancelled, and a report that
// arrived in between completes it all the same, which is as stale as the others.
bool Win32HidPlatform::TakeQueuedReport(Handle device, std::uint8_t* data, std::size_t len) {
    if (device == kInvalidHandle || len == 0 || len > MAXDWORD) return false;
    if (!staleEvent_) staleEvent_ = UniqueHandle(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!staleEvent_) return false;
    OVERLAPPED ov{};
    ov.hEvent = staleEvent_.Get();
    ::ResetEvent(staleEvent_.Get());
    const HANDLE h = AsHandle(device);
    if (::ReadFile(h, data, static_cast<DWORD>(len), nullptr, &ov)) return true;
    if (::GetLastError() != ERROR_IO_PENDING) return false;
    if (::WaitForSingleObject(staleEvent_.Get(), 0) != WAIT_OBJECT_0) ::CancelIoEx(h, &ov);
    DWORD moved = 0;
    return ::GetOverlappedResult(h, &ov, &moved, TRUE) != FALSE;
}

void Win32HidPlatform::Sleep(std::uint32_t ms) {
    ::Sleep(ms);
}

std::uint64_t Win32HidPlatform::NowMs() {
    return ::GetTickCount64();
}

}  // namespace quillon::win32

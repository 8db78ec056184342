#include "support/PipeDevice.h"

#include <atomic>

#include "hid/win32/WideText.h"

namespace quillon::test {

PipeDevice::PipeDevice() {
    static std::atomic<int> counter{0};
    path_ = "\\\\.\\pipe\\quillon-test-" + std::to_string(::GetCurrentProcessId()) + "-" +
            std::to_string(counter++);
    server_ = ::CreateNamedPipeW(
        win32::WideFromUtf8(path_).c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
        PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr);
    event_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

PipeDevice::~PipeDevice() {
    Vanish();
    if (event_ != nullptr) ::CloseHandle(event_);
}

bool PipeDevice::Finish(BOOL started, DWORD timeoutMs, DWORD& moved) {
    if (!started && ::GetLastError() != ERROR_IO_PENDING) return false;
    if (::WaitForSingleObject(event_, timeoutMs) != WAIT_OBJECT_0) {
        ::CancelIoEx(server_, &ov_);
        ::GetOverlappedResult(server_, &ov_, &moved, TRUE);
        return false;
    }
    return ::GetOverlappedResult(server_, &ov_, &moved, FALSE) != FALSE;
}

bool PipeDevice::Accept() {
    ov_ = OVERLAPPED{};
    ov_.hEvent = event_;
    if (::ConnectNamedPipe(server_, &ov_)) return true;
    if (::GetLastError() == ERROR_PIPE_CONNECTED) return true;
    DWORD moved = 0;
    return Finish(FALSE, 5000, moved);
}

bool PipeDevice::Send(const std::vector<std::uint8_t>& report) {
    ov_ = OVERLAPPED{};
    ov_.hEvent = event_;
    DWORD moved = 0;
    const BOOL started =
        ::WriteFile(server_, report.data(), static_cast<DWORD>(report.size()), nullptr, &ov_);
    return Finish(started, 5000, moved) && moved == report.size();
}

std::vector<std::uint8_t> PipeDevice::Receive(DWORD timeoutMs) {
    std::vector<std::uint8_t> report(4096);
    ov_ = OVERLAPPED{};
    ov_.hEvent = event_;
    DWORD moved = 0;
    const BOOL started =
        ::ReadFile(server_, report.data(), static_cast<DWORD>(report.size()), nullptr, &ov_);
    if (!Finish(started, timeoutMs, moved)) return {};
    report.resize(moved);
    return report;
}

void PipeDevice::Vanish() {
    if (server_ == INVALID_HANDLE_VALUE) return;
    ::DisconnectNamedPipe(server_);
    ::CloseHandle(server_);
    server_ = INVALID_HANDLE_VALUE;
}

bool RunningUnderWine() {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace quillon::test

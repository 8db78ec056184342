// A stand-in device for the Windows backend's transfers: the server end of a local message pipe,
// whose client end the backend opens like a HID interface path. Each report is one message.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace quillon::test {

class PipeDevice {
  public:
    PipeDevice();
    ~PipeDevice();
    PipeDevice(const PipeDevice&) = delete;
    PipeDevice& operator=(const PipeDevice&) = delete;

    // The path to open, UTF-8 as the core keeps paths.
    const std::string& Path() const { return path_; }
    // Completes the connection once the client end is open.
    bool Accept();
    // One report from the device; false when it could not be delivered.
    bool Send(const std::vector<std::uint8_t>& report);
    // The next report written to the device, waiting at most timeoutMs; empty when none came.
    std::vector<std::uint8_t> Receive(DWORD timeoutMs);
    // The device goes away: the pipe breaks under the client.
    void Vanish();

  private:
    bool Finish(BOOL started, DWORD timeoutMs, DWORD& moved);

    std::string path_;
    HANDLE server_ = INVALID_HANDLE_VALUE;
    HANDLE event_ = nullptr;
    OVERLAPPED ov_{};
};

// Whether this process runs under Wine rather than Windows.
bool RunningUnderWine();

}  // namespace quillon::test

// One device's writer thread: the kernel may block a hidraw write for longer than the wait the
// transport allows, so writes run here and the caller waits with its own time-out.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace quillon::hidraw {

class ReportWriter {
  public:
    // fd stays owned by the caller and must outlive the writer.
    explicit ReportWriter(int fd);
    // Waits for a write in flight to end, then stops the thread.
    ~ReportWriter();
    ReportWriter(const ReportWriter&) = delete;
    ReportWriter& operator=(const ReportWriter&) = delete;

    // Hands over a copy of one report; false while the previous write has not ended.
    bool Start(const std::uint8_t* data, std::size_t len);
    // Waits until the write has ended or the deadline has passed; true when it has ended.
    bool WaitEnded(std::chrono::steady_clock::time_point deadline);
    // Waits however long the kernel takes to end the write in flight.
    void AwaitEnded();
    // How the last ended write went: 0, an errno, or -1 for a write the kernel cut short.
    int Error();

  private:
    void Run();

    const int fd_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::uint8_t> report_;
    bool inFlight_ = false;
    bool stop_ = false;
    int error_ = 0;
    std::thread thread_;  // last, so that it starts once everything above is set up
};

}  // namespace quillon::hidraw

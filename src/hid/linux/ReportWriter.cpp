#include "hid/linux/ReportWriter.h"

#include <unistd.h>

#include <cerrno>

namespace quillon::hidraw {

ReportWriter::ReportWriter(int fd) : fd_(fd), thread_([this] { Run(); }) {}

ReportWriter::~ReportWriter() {
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !inFlight_; });
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

bool ReportWriter::Start(const std::uint8_t* data, std::size_t len) {
    {
        std::lock_guard lock(mutex_);
        if (inFlight_) return false;
        report_.assign(data, data + len);
        inFlight_ = true;
        error_ = 0;
    }
    changed_.notify_all();
    return true;
}

bool ReportWriter::WaitEnded(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(mutex_);
    return changed_.wait_until(lock, deadline, [this] { return !inFlight_; });
}

void ReportWriter::AwaitEnded() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !inFlight_; });
}

int ReportWriter::Error() {
    std::lock_guard lock(mutex_);
    return error_;
}

void ReportWriter::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stop_ || inFlight_; });
        if (stop_) return;
        lock.unlock();
        // The report is not touched by anyone else while a write is in flight.
        ssize_t n;
        do {
            n = ::write(fd_, report_.data(), report_.size());
        } while (n < 0 && errno == EINTR);
        const int error = n < 0 ? errno : static_cast<std::size_t>(n) != report_.size() ? -1 : 0;
        lock.lock();
        error_ = error;
        inFlight_ = false;
        changed_.notify_all();
    }
}

}  // namespace quillon::hidraw

// A file descriptor that closes itself: the one owner of an open node.
#pragma once

#include <unistd.h>

#include <utility>

namespace quillon::hidraw {

class UniqueFd {
  public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() {
        if (fd_ >= 0) ::close(fd_);
    }
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        UniqueFd(std::move(other)).Swap(*this);
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }

  private:
    void Swap(UniqueFd& other) noexcept { std::swap(fd_, other.fd_); }

    int fd_ = -1;
};

}  // namespace quillon::hidraw

// A kernel object handle that closes itself: the one owner of an event.
#pragma once

#include <utility>

#include "hid/win32/HidApi.h"

namespace quillon::win32 {

class UniqueHandle {
  public:
    UniqueHandle() = default;
    // Takes h over; nullptr and INVALID_HANDLE_VALUE stand for none.
    explicit UniqueHandle(HANDLE h) : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    ~UniqueHandle() {
        if (h_ != nullptr) ::CloseHandle(h_);
    }
    UniqueHandle(UniqueHandle&& other) noexcept : h_(std::exchange(other.h_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        std::swap(h_, other.h_);
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    HANDLE Get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }

  private:
    HANDLE h_ = nullptr;
};

}  // namespace quillon::win32

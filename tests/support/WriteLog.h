// A platform wrapper for tests that keeps every output report written, in order.
#pragma once

#include <cstdint>
#include <vector>

#include "hid/ForwardingHidPlatform.h"

namespace quillon::test {

class WriteLog : public ForwardingHidPlatform {
  public:
    explicit WriteLog(HidPlatform& inner) : ForwardingHidPlatform(inner) {}

    const std::vector<std::vector<std::uint8_t>>& Writes() const { return writes_; }
    const std::vector<std::uint8_t>& Last() const { return writes_.back(); }
    void Clear() { writes_.clear(); }

    TransferStart StartWrite(Handle d, const std::uint8_t* data, std::size_t len,
                             Overlapped& r) override {
        writes_.emplace_back(data, data + len);
        return inner_->StartWrite(d, data, len, r);
    }

  private:
    std::vector<std::vector<std::uint8_t>> writes_;
};

}  // namespace quillon::test

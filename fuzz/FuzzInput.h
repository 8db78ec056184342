// Hands out a fuzzer's bytes as the values a target needs; zeros once they run out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace quillon::fuzz {

class FuzzInput {
  public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : p_(data), n_(size) {}

    std::uint8_t Byte() { return n_ > 0 ? (--n_, *p_++) : 0; }
    std::uint16_t U16() { return static_cast<std::uint16_t>(Byte() | Byte() << 8); }
    std::uint32_t U32() {
        return static_cast<std::uint32_t>(U16() | static_cast<std::uint32_t>(U16()) << 16);
    }
    // Copies up to len bytes into out, the rest zero.
    void Fill(std::uint8_t* out, std::size_t len) {
        const std::size_t k = len < n_ ? len : n_;
        if (k > 0) std::memcpy(out, p_, k);
        if (len > k) std::memset(out + k, 0, len - k);
        p_ += k;
        n_ -= k;
    }
    std::size_t Left() const { return n_; }
    const std::uint8_t* Rest() const { return p_; }

  private:
    const std::uint8_t* p_;
    std::size_t n_;
};

}  // namespace quillon::fuzz

// SHA-256 (FIPS 180-4), to name a firmware file in logs by its content.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace quillon {

class Sha256 {
  public:
    Sha256();
    void Update(const std::uint8_t* data, std::size_t n);
    std::array<std::uint8_t, 32> Final();

  private:
    void Block(const std::uint8_t* p);

    std::array<std::uint32_t, 8> h_;
    std::array<std::uint8_t, 64> buffer_{};
    std::size_t used_ = 0;
    std::uint64_t bytes_ = 0;
};

// A digest as 64 lowercase hex digits.
std::string HexDigest(const std::array<std::uint8_t, 32>& digest);

// The digest of a file's bytes as 64 lowercase hex digits; empty when it cannot be read.
std::string Sha256OfFile(const std::string& path);

}  // namespace quillon

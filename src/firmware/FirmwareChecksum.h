// The firmware file's checksum: CRC-16 (poly 0x1021, init 0xFFFF, MSB first) run in a 32-bit
// register that is never cut back, so the upper half holds the last 16 bits shifted out.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon {

// By carry-less multiplication where the processor has it, else by tables; gives the same 32
// bits as the bit-serial definition for every input.
std::uint32_t FirmwareChecksum(const std::uint8_t* data, std::uint32_t count);

// The same checksum over data that arrives in pieces of any size, so that it is taken while the
// file is read, each piece still in the cache.
class FirmwareChecksumStream {
  public:
    void Update(const std::uint8_t* data, std::size_t count);
    // The checksum of everything given so far.
    std::uint32_t Value() const;

  private:
    // All but the last two bytes go into a plain CRC-16; the last two take the register's
    // final 16 shifts.
    std::uint16_t crc_ = 0xFFFF;
    std::uint8_t tail_[2] = {};
    std::size_t tailCount_ = 0;
};

// The table method alone, which processors without carry-less multiplication use (the one
// above takes it where it can).
std::uint32_t FirmwareChecksumTable(const std::uint8_t* data, std::uint32_t count);

// The bit-serial definition itself, kept as the reference.
std::uint32_t FirmwareChecksumBitSerial(const std::uint8_t* data, std::uint32_t count);

}  // namespace quillon

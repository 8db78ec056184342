// The firmware file's checksum: CRC-16 (poly 0x1021, init 0xFFFF, MSB first) run in a 32-bit
// register that is never cut back, so the upper half holds the last 16 bits shifted out.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon {

// Table-driven; gives the same 32 bits as the bit-serial definition for every input.
std::uint32_t FirmwareChecksum(const std::uint8_t* data, std::uint32_t count);

// The bit-serial definition itself, kept as the reference.
std::uint32_t FirmwareChecksumBitSerial(const std::uint8_t* data, std::uint32_t count);

}  // namespace quillon

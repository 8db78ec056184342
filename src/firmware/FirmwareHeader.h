// The 36-byte little-endian header of a ".fw" file and the helpers that read and write it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillon {

inline constexpr std::uint32_t kHeaderSize = 36;

namespace header {
inline constexpr std::uint32_t kDataLength = 0;
inline constexpr std::uint32_t kChecksum = 4;
inline constexpr std::uint32_t kType = 8;
inline constexpr std::uint32_t kStorage = 9;
inline constexpr std::uint32_t kStartAddress = 12;
inline constexpr std::uint32_t kSkipFinal = 16;
inline constexpr std::uint32_t kFinalArg = 20;
inline constexpr std::uint32_t kModel = 24;
inline constexpr std::uint32_t kZeroWord = 32;
}  // namespace header

inline std::uint32_t ReadLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

inline void WriteLe32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

// The header fields a ".fw" file is made from; the length and checksum are computed.
struct FirmwareFields {
    std::uint8_t type = 0;
    std::uint8_t storage = 0;
    std::uint32_t startAddress = 0;
    std::uint8_t skipFinal = 0;
    std::uint32_t finalArg = 0;
    std::uint32_t model = 3;
    std::uint32_t zeroWord = 0;
};

// A complete, valid ".fw" file (as far as the fields are valid) holding the image.
std::vector<std::uint8_t> PackFirmware(const FirmwareFields& fields,
                                       const std::vector<std::uint8_t>& image);

}  // namespace quillon

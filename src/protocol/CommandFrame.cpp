#include "protocol/CommandFrame.h"

#include <array>
#include <cstring>

namespace quillon {

namespace {

constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1u) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t[i] = c;
    }
    return t;
}

constexpr std::array<std::uint32_t, 256> kCrcTable = MakeCrcTable();

}  // namespace

std::uint32_t Crc32(const std::uint8_t* data, std::size_t len) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < len; ++i) c = kCrcTable[(c ^ data[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

std::size_t BuildFrame(std::uint8_t* report, std::uint8_t format, std::uint8_t opcode,
                       std::uint16_t lengthField, const std::uint8_t* payload,
                       std::size_t payloadLen) {
    std::memset(report, 0, kFrameArea);
    report[0] = 0xBA;
    report[1] = opcode;
    std::size_t pos = 2;
    if (format == FRAME_CRC_LEN16) {
        report[pos++] = static_cast<std::uint8_t>(lengthField >> 8);
    }
    report[pos++] = static_cast<std::uint8_t>(lengthField);
    if (payloadLen > 0) std::memcpy(report + pos, payload, payloadLen);
    pos += payloadLen;
    if (format == FRAME_XOR) {
        std::uint8_t x = 0;
        for (std::size_t i = 0; i < pos; ++i) x ^= report[i];
        report[pos++] = x;
    } else {
        WriteBe32(report + pos, Crc32(report, pos));
        pos += 4;
    }
    return pos;
}

std::size_t BuildAddressFrame(std::uint8_t* report, std::uint8_t format, std::uint8_t opcode,
                              std::uint32_t value) {
    std::uint8_t payload[4];
    WriteBe32(payload, value);
    return BuildFrame(report, format, opcode, 4, payload, 4);
}

std::size_t BuildSignatureFrame(std::uint8_t* report, std::uint8_t format, std::uint8_t opcode,
                                const std::uint8_t (&signature)[4]) {
    return BuildFrame(report, format, opcode, 4, signature, 4);
}

std::size_t BuildReadFrame(std::uint8_t* report, std::uint8_t format, std::uint8_t opcode,
                           std::uint32_t address, std::uint32_t count) {
    std::uint8_t payload[6];
    WriteBe32(payload, address);
    if (format == FRAME_CRC_LEN16) {
        payload[4] = static_cast<std::uint8_t>(count >> 8);
        payload[5] = static_cast<std::uint8_t>(count);
        return BuildFrame(report, format, opcode, 6, payload, 6);
    }
    payload[4] = static_cast<std::uint8_t>(count & 0x3F);
    return BuildFrame(report, format, opcode, 5, payload, 5);
}

std::size_t BuildWriteFrame(std::uint8_t* report, std::uint8_t format, std::uint8_t opcode,
                            std::uint32_t address, const std::uint8_t* data, std::uint32_t count) {
    std::uint8_t payload[4 + kMaxChunk];
    WriteBe32(payload, address);
    if (count > 0) std::memcpy(payload + 4, data, count);
    const std::uint16_t field = format == FRAME_CRC_LEN16
                                    ? static_cast<std::uint16_t>(count + 4)
                                    : static_cast<std::uint16_t>((count + 4) & 0x3F);
    return BuildFrame(report, format, opcode, field, payload, count + 4);
}

}  // namespace quillon

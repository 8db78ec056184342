#include "firmware/FirmwareChecksum.h"

#include <array>

namespace quillon {

namespace {

constexpr std::uint32_t kPoly = 0x1021;
constexpr int kSlices = 16;

std::uint32_t SerialSteps(std::uint32_t reg, const std::uint8_t* data, std::uint32_t count) {
    for (std::uint32_t i = 0; i < count; ++i) {
        for (int bit = 7; bit >= 0; --bit) {
            const std::uint32_t feedback = ((reg >> 15) ^ (data[i] >> bit)) & 1u;
            reg <<= 1;
            if (feedback) reg ^= kPoly;
        }
    }
    return reg;
}

// kTables[k][x]: the CRC-16 contribution of byte x followed by k zero bytes.
using Tables = std::array<std::array<std::uint16_t, 256>, kSlices>;

constexpr Tables MakeTables() {
    Tables t{};
    for (std::uint32_t x = 0; x < 256; ++x) {
        std::uint32_t crc = x << 8;
        for (int i = 0; i < 8; ++i) crc = (crc & 0x8000u) ? (crc << 1) ^ kPoly : crc << 1;
        t[0][x] = static_cast<std::uint16_t>(crc);
    }
    for (int k = 1; k < kSlices; ++k) {
        for (std::uint32_t x = 0; x < 256; ++x) {
            const std::uint16_t prev = t[k - 1][x];
            t[k][x] = static_cast<std::uint16_t>((prev << 8) ^ t[0][prev >> 8]);
        }
    }
    return t;
}

constexpr Tables kTables = MakeTables();

// Plain CRC-16 (the low half of the register) over data, 16 bytes per round.
std::uint16_t Crc16(std::uint16_t crc, const std::uint8_t* p, std::size_t n) {
    while (n >= kSlices) {
        const std::uint32_t a = static_cast<std::uint32_t>(crc >> 8) ^ p[0];
        const std::uint32_t b = static_cast<std::uint32_t>(crc & 0xFF) ^ p[1];
        std::uint32_t r = kTables[15][a] ^ kTables[14][b];
        for (int i = 2; i < kSlices; ++i) r ^= kTables[kSlices - 1 - i][p[i]];
        crc = static_cast<std::uint16_t>(r);
        p += kSlices;
        n -= kSlices;
    }
    while (n-- > 0) crc = static_cast<std::uint16_t>((crc << 8) ^ kTables[0][(crc >> 8) ^ *p++]);
    return crc;
}

}  // namespace

std::uint32_t FirmwareChecksumBitSerial(const std::uint8_t* data, std::uint32_t count) {
    return SerialSteps(0x0000FFFFu, data, count);
}

std::uint32_t FirmwareChecksum(const std::uint8_t* data, std::uint32_t count) {
    FirmwareChecksumStream sum;
    sum.Update(data, count);
    return sum.Value();
}

void FirmwareChecksumStream::Update(const std::uint8_t* data, std::size_t count) {
    if (count >= 2) {
        crc_ = Crc16(crc_, tail_, tailCount_);
        crc_ = Crc16(crc_, data, count - 2);
        tail_[0] = data[count - 2];
        tail_[1] = data[count - 1];
        tailCount_ = 2;
    } else if (count == 1) {
        if (tailCount_ == 2) {
            crc_ = Crc16(crc_, tail_, 1);
            tail_[0] = tail_[1];
            tailCount_ = 1;
        }
        tail_[tailCount_++] = data[0];
    }
}

std::uint32_t FirmwareChecksumStream::Value() const {
    // Only the last 16 shifts reach the upper half: everything before them is a plain CRC-16.
    return SerialSteps(crc_, tail_, static_cast<std::uint32_t>(tailCount_));
}

}  // namespace quillon

#include "firmware/FirmwareChecksum.h"

#include <array>

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#endif

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
std::uint16_t Crc16Table(std::uint16_t crc, const std::uint8_t* p, std::size_t n) {
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

// x^k mod P, P being the polynomial with the register's bit 16: x^16 + x^12 + x^5 + 1.
constexpr std::uint64_t XPowMod(int k) {
    std::uint32_t r = 1;
    for (int i = 0; i < k; ++i) {
        r <<= 1;
        if (r & 0x10000u) r ^= 0x10000u | kPoly;
    }
    return r;
}

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define QUILLON_CLMUL_CRC 1

// The same CRC-16 by carry-less multiplication, for processors that have it (nearly all x86 ones
// since 2010), 64 bytes a round. The data is taken as one polynomial, first bit highest; four
// lanes of 128 bits each stand for their part of it. Once 64 more bytes are in, a lane X stands
// for X * x^512, which is congruent mod P to Xhigh * (x^576 mod P) + Xlow * (x^512 mod P): two
// products of under 80 bits, with the next 64 bytes added. The remainder is taken only at the
// end, by the table method over the last lane's 16 bytes.
#define QUILLON_CLMUL_TARGET __attribute__((target("pclmul,ssse3")))

QUILLON_CLMUL_TARGET inline __m128i LoadBigEndian(const std::uint8_t* p) {
    const __m128i reverse = _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), reverse);
}

// x * x^(bits of the constants' distance), reduced to under 80 bits; k holds (high, low).
QUILLON_CLMUL_TARGET inline __m128i Fold(__m128i x, __m128i k) {
    return _mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x11), _mm_clmulepi64_si128(x, k, 0x00));
}

QUILLON_CLMUL_TARGET std::uint16_t Crc16Clmul(std::uint16_t crc, const std::uint8_t* p,
                                              std::size_t n) {
    const __m128i by512 =
        _mm_set_epi64x(static_cast<long long>(XPowMod(576)), static_cast<long long>(XPowMod(512)));
    const __m128i by128 =
        _mm_set_epi64x(static_cast<long long>(XPowMod(192)), static_cast<long long>(XPowMod(128)));
    // A register that starts at crc is the same as one from zero with crc added to the data's
    // first 16 bits.
    __m128i x0 = _mm_xor_si128(LoadBigEndian(p),
                               _mm_set_epi64x(static_cast<long long>(std::uint64_t{crc} << 48), 0));
    __m128i x1 = LoadBigEndian(p + 16), x2 = LoadBigEndian(p + 32), x3 = LoadBigEndian(p + 48);
    p += 64;
    n -= 64;
    for (; n >= 64; p += 64, n -= 64) {
        x0 = _mm_xor_si128(Fold(x0, by512), LoadBigEndian(p));
        x1 = _mm_xor_si128(Fold(x1, by512), LoadBigEndian(p + 16));
        x2 = _mm_xor_si128(Fold(x2, by512), LoadBigEndian(p + 32));
        x3 = _mm_xor_si128(Fold(x3, by512), LoadBigEndian(p + 48));
    }
    __m128i x = _mm_xor_si128(Fold(x0, by128), x1);
    x = _mm_xor_si128(Fold(x, by128), x2);
    x = _mm_xor_si128(Fold(x, by128), x3);
    for (; n >= 16; p += 16, n -= 16) x = _mm_xor_si128(Fold(x, by128), LoadBigEndian(p));
    // The register after all of it is X * x^16 mod P: the CRC from zero of X's bytes.
    alignas(16) std::uint8_t bytes[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(bytes),
                    LoadBigEndian(reinterpret_cast<const std::uint8_t*>(&x)));
    return Crc16Table(Crc16Table(0, bytes, 16), p, n);
}

bool HasClmul() {
    static const bool has = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("ssse3");
    return has;
}
#endif

std::uint16_t Crc16(std::uint16_t crc, const std::uint8_t* p, std::size_t n) {
#ifdef QUILLON_CLMUL_CRC
    if (n >= 64 && HasClmul()) return Crc16Clmul(crc, p, n);
#endif
    return Crc16Table(crc, p, n);
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

std::uint32_t FirmwareChecksumTable(const std::uint8_t* data, std::uint32_t count) {
    if (count < 2) return SerialSteps(0x0000FFFFu, data, count);
    return SerialSteps(Crc16Table(0xFFFF, data, count - 2), data + count - 2, 2);
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

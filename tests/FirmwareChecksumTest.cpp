#include <gtest/gtest.h>

#include <cstring>

#include "firmware/FirmwareChecksum.h"
#include "support/TempDir.h"

namespace quillon {
namespace {

struct Known {
    const char* data;
    std::uint32_t value;
};

TEST(FirmwareChecksum, KnownValuesInBothMethods) {
    const Known known[] = {{"", 0x0000FFFF}, {"abc", 0x9269514A}, {"123456789", 0x73A829B1}};
    for (const Known& k : known) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(k.data);
        const auto n = static_cast<std::uint32_t>(std::strlen(k.data));
        EXPECT_EQ(FirmwareChecksumBitSerial(p, n), k.value) << k.data;
        EXPECT_EQ(FirmwareChecksum(p, n), k.value) << k.data;
    }
}

TEST(FirmwareChecksum, SingleByteFillsOnlyBits16To23) {
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<std::uint8_t>(b);
        const std::uint32_t v = FirmwareChecksum(&byte, 1);
        EXPECT_EQ(v, FirmwareChecksumBitSerial(&byte, 1));
        EXPECT_EQ(v >> 24, 0u) << b;
    }
}

TEST(FirmwareChecksum, FastMethodMatchesBitSerialForEveryLength) {
    for (std::uint32_t len = 0; len <= 400; ++len) {
        const std::vector<std::uint8_t> data = test::RandomBytes(len, 1000 + len);
        ASSERT_EQ(FirmwareChecksum(data.data(), len), FirmwareChecksumBitSerial(data.data(), len))
            << "length " << len;
    }
}

TEST(FirmwareChecksum, FastMethodMatchesOnLargeAndExtremeData) {
    for (std::uint8_t fill : {std::uint8_t{0x00}, std::uint8_t{0xFF}}) {
        const std::vector<std::uint8_t> data(70001, fill);
        EXPECT_EQ(FirmwareChecksum(data.data(), 70001),
                  FirmwareChecksumBitSerial(data.data(), 70001));
    }
    const std::vector<std::uint8_t> data = test::RandomBytes(1 << 20, 7);
    EXPECT_EQ(FirmwareChecksum(data.data(), 1 << 20),
              FirmwareChecksumBitSerial(data.data(), 1 << 20));
}

}  // namespace
}  // namespace quillon

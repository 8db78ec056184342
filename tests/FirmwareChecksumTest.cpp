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
        const std::uint32_t reference = FirmwareChecksumBitSerial(data.data(), len);
        ASSERT_EQ(FirmwareChecksum(data.data(), len), reference) << "length " << len;
        ASSERT_EQ(FirmwareChecksumTable(data.data(), len), reference) << "length " << len;
    }
}

TEST(FirmwareChecksum, FastMethodMatchesOnLargeAndExtremeData) {
    for (std::uint8_t fill : {std::uint8_t{0x00}, std::uint8_t{0xFF}}) {
        const std::vector<std::uint8_t> data(70001, fill);
        EXPECT_EQ(FirmwareChecksum(data.data(), 70001),
                  FirmwareChecksumBitSerial(data.data(), 70001));
    }
    const std::vector<std::uint8_t> data = test::RandomBytes(1 << 20, 7);
    const std::uint32_t reference = FirmwareChecksumBitSerial(data.data(), 1 << 20);
    EXPECT_EQ(FirmwareChecksum(data.data(), 1 << 20), reference);
    EXPECT_EQ(FirmwareChecksumTable(data.data(), 1 << 20), reference);
}

// The loader sums the file as it reads it, in pieces of whatever size the reads return: the sum
// must not depend on where the pieces end, least of all around the last two bytes.
TEST(FirmwareChecksum, StreamEqualsOneShotWhereverThePiecesEnd) {
    const std::vector<std::uint8_t> data = test::RandomBytes(5000, 77);
    struct Split {
        std::size_t length;
        std::vector<std::size_t> pieces;  // repeated until length is reached
    };
    const Split splits[] = {
        {0, {1}},       {1, {1}},
        {2, {1}},       {3, {1}},
        {2, {2}},       {3, {2, 1}},
        {17, {16, 1}},  {17, {1, 16}},
        {18, {17}},     {5000, {1}},
        {5000, {3}},    {5000, {4999}},
        {5000, {4096}}, {5000, {7, 1, 1, 52}},
    };
    for (const Split& s : splits) {
        FirmwareChecksumStream sum;
        std::size_t at = 0;
        for (std::size_t i = 0; at < s.length; ++i) {
            const std::size_t n = std::min(s.pieces[i % s.pieces.size()], s.length - at);
            sum.Update(data.data() + at, n);
            at += n;
        }
        EXPECT_EQ(sum.Value(),
                  FirmwareChecksumBitSerial(data.data(), static_cast<std::uint32_t>(s.length)))
            << "length " << s.length << ", first piece " << s.pieces.front();
    }
}

}  // namespace
}  // namespace quillon

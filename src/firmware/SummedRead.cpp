#include "firmware/SummedRead.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "firmware/FirmwareChecksum.h"

namespace quillon {

namespace {

// Small enough to stay in the cache between the read and the checksum.
constexpr std::size_t kPiece = 128 * 1024;
// The checksum leaves out the data length and checksum fields.
constexpr std::size_t kSummedFrom = 8;

}  // namespace

bool ReadSummed(ReadableFile& file, std::size_t length, std::uint8_t* dest, bool keepAll,
                std::size_t keepHead, SummedRead& out) {
    out = SummedRead{};
    std::vector<std::uint8_t> scratch(keepAll ? 0 : std::min(kPiece, length));
    FirmwareChecksumStream sum;
    while (out.got < length) {
        const std::size_t want = std::min(kPiece, length - out.got);
        std::uint8_t* piece = keepAll ? dest + out.got : scratch.data();
        std::size_t got = 0;
        if (!file.Read(piece, want, got)) return false;
        if (!keepAll && out.got < keepHead) {
            std::memcpy(dest + out.got, piece, std::min(got, keepHead - out.got));
        }
        if (out.got + got > kSummedFrom) {
            const std::size_t skip = out.got < kSummedFrom ? kSummedFrom - out.got : 0;
            sum.Update(piece + skip, got - skip);
        }
        out.got += got;
        if (got < want) break;  // the end of the file
    }
    out.checksum = sum.Value();
    return true;
}

}  // namespace quillon

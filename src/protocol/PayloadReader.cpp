#include "protocol/PayloadReader.h"

#include <cstring>
#include <vector>

#include "firmware/FirmwareHeader.h"

namespace quillon {

bool ReloadValidatedPayload(LinkServices& s, ReadableFile& file) {
    SharedState& st = s.st;
    std::uint64_t length = 0;
    if (!file.Length(length) || length != st.g_cbValidatedFile || length < kHeaderSize) {
        return false;
    }
    if (!file.Seek(0)) return false;
    // The buffer still holds the validated file: compare the file with it piece by piece.
    std::uint8_t* buf = st.g_fileBuffer.get();
    std::vector<std::uint8_t> piece(64 * 1024);
    std::uint64_t done = 0;
    while (done < length) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(piece.size(), length - done));
        std::size_t got = 0;
        if (!file.Read(piece.data(), want, got) || got != want) return false;
        if (std::memcmp(piece.data(), buf + done, want) != 0) return false;
        done += want;
    }
    std::size_t extra = 0;
    std::uint8_t probe;
    if (!file.Read(&probe, 1, extra) || extra != 0) return false;  // it grew meanwhile

    const auto imageLength = static_cast<std::size_t>(length - kHeaderSize);
    std::memmove(buf, buf + kHeaderSize, imageLength);
    // What follows the image is cleared, so that a word read past a very short image is not
    // left over from the header.
    std::memset(buf + imageLength, 0, kHeaderSize);
    return true;
}

}  // namespace quillon

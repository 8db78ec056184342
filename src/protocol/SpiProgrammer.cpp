#include "protocol/SpiProgrammer.h"

#include <cstring>

#include "state/Texts.h"

namespace quillon {

namespace {

constexpr std::uint32_t kSector = 4096;
constexpr std::uint32_t kChunksPerSector = 79;  // 78 of 52 bytes and one of 40
constexpr std::int32_t kChunkCredit = 53;
constexpr std::uint32_t kLastChunk = kSector % kChunk;

}  // namespace

std::uint8_t SpiProgrammer::Run(ReadableFile& file) {
    LinkServices& s = rx_.services;
    SharedState& st = s.st;
    const std::uint32_t imageLength = run_.PayloadLength();
    const std::uint32_t sectors = (imageLength + kSector - 1) / kSector;
    const std::uint32_t start = st.g_fwStartAddress;
    if (!run_.BeginTransferPhase(file)) return 1;
    if (!run_.CreateLog()) {
        s.op.ShowMessage(text::kNoFile);
        return 1;
    }
    st.g_bProgressActive = 1;
    run_.OpenDeviceChannel();
    if (!run_.HasDevice()) return run_.Fail(text::kNoDevice);
    const Channel& ch = run_.DeviceChannel();

    const std::uint8_t* buf = st.g_fileBuffer.get();
    std::uint8_t readBack[64];
    bool last = false;
    st.phases.EnterProgramming(true, sectors, imageLength, s.hid.NowMs());
    for (std::uint32_t b = 0; b < sectors && !last; ++b) {
        run_.Advance(ProgramStep::kErase, b + 1, b * kSector);
        if (rx_.commands.SpiErase(ch, start + b * kSector) != 0) return run_.Fail(nullptr);
        st.phases.Step(ProgramStep::kWrite, b + 1, s.hid.NowMs());
        for (std::uint32_t k = 0; k < kChunksPerSector && !last; ++k) {
            const std::uint32_t o = b * kSector + kChunk * k;
            std::uint32_t n = k < kChunksPerSector - 1 ? kChunk : kLastChunk;
            if (o + n > imageLength) {
                n = imageLength - o;
                last = true;
            }
            if (rx_.commands.SpiWrite(ch, n, start + o, buf + o) != 0) return run_.Fail(nullptr);
            if (rx_.commands.SpiRead(ch, n, start + o, readBack) != 0) return run_.Fail(nullptr);
            if (!run_.Log(readBack, n)) return run_.Fail(text::kNoFile);
            if (std::memcmp(readBack, buf + o, n) != 0) return run_.Fail(text::kVerifyFailed);
            st.g_progressAccum.fetch_add(
                k < kChunksPerSector - 1 ? kChunkCredit : static_cast<std::int32_t>(kLastChunk));
            run_.Advance(ProgramStep::kNone, 0, o + n);
        }
    }
    if (!run_.CloseLog()) return run_.Fail(text::kNoFile);
    run_.CloseDevice();
    return run_.Completion();
}

}  // namespace quillon

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

    const std::uint8_t* image = st.g_fileBuffer.get();
    std::uint8_t readBack[64];
    bool lastOfImage = false;
    st.phases.EnterProgramming(true, sectors, imageLength, s.hid.NowMs());
    for (std::uint32_t sector = 0; sector < sectors && !lastOfImage; ++sector) {
        run_.Advance(ProgramStep::kErase, sector + 1, sector * kSector);
        if (rx_.commands.SpiErase(ch, start + sector * kSector) != 0) return run_.Fail(nullptr);
        st.phases.Step(ProgramStep::kWrite, sector + 1, s.hid.NowMs());
        for (std::uint32_t chunk = 0; chunk < kChunksPerSector && !lastOfImage; ++chunk) {
            const std::uint32_t offset = sector * kSector + kChunk * chunk;
            std::uint32_t length = chunk < kChunksPerSector - 1 ? kChunk : kLastChunk;
            if (offset + length > imageLength) {
                length = imageLength - offset;
                lastOfImage = true;
            }
            if (rx_.commands.SpiWrite(ch, length, start + offset, image + offset) != 0) {
                return run_.Fail(nullptr);
            }
            if (rx_.commands.SpiRead(ch, length, start + offset, readBack) != 0) {
                return run_.Fail(nullptr);
            }
            if (!run_.Log(readBack, length)) return run_.Fail(text::kNoFile);
            if (std::memcmp(readBack, image + offset, length) != 0) {
                return run_.Fail(text::kVerifyFailed);
            }
            st.g_progressAccum.fetch_add(chunk < kChunksPerSector - 1
                                             ? kChunkCredit
                                             : static_cast<std::int32_t>(kLastChunk));
            run_.Advance(ProgramStep::kNone, 0, offset + length);
        }
    }
    if (!run_.CloseLog()) return run_.Fail(text::kNoFile);
    run_.CloseDevice();
    return run_.Completion();
}

}  // namespace quillon

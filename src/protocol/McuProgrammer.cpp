#include "protocol/McuProgrammer.h"

#include <cstring>

#include "protocol/CommandFrame.h"
#include "state/Texts.h"

namespace quillon {

namespace {

constexpr std::uint8_t kPlaceholderAllOnes[4] = {0xFF, 0xFF, 0xFF, 0xFF};
constexpr std::uint8_t kPlaceholderLow[4] = {0xFF, 0xE1, 0xC3, 0xDD};
constexpr std::uint8_t kPlaceholderPlus3[4] = {0xA3, 0x89, 0xEE, 0xB2};
constexpr std::int32_t kHighArea = 0x1024000;
constexpr int kBlockAttempts = 10;
// A chunk before the last of its block is credited two bytes more than it carries.
constexpr std::uint32_t kChunkCredit = kChunk + 2;

}  // namespace

McuProgrammer::McuProgrammer(Receiver& rx, Programmer& run)
    : rx_(rx),
      run_(run),
      st_(rx.services.st),
      profile_(LoadedProfile(rx.services.st)),
      image_(rx.services.st.g_fileBuffer.get()),
      imageLength_(run.PayloadLength()),
      start_(rx.services.st.g_fwStartAddress),
      blockCount_((imageLength_ + profile_.blockSize - 1) / profile_.blockSize),
      chunksPerBlock_((profile_.blockSize + kChunk - 1) / kChunk),
      lastChunkLength_(profile_.blockSize % kChunk) {}

void McuProgrammer::HoldBackFirstWord() {
    firstWord_ = ReadBe32(image_);
    const std::uint32_t offset = profile_.FirstWordOffset(start_);
    // An image too short to hold the whole word has nothing to hold back: a placeholder cut
    // short, and a word written past the image, would leave the flash unlike the image.
    wordHeldBack_ = imageLength_ >= offset + 4;
    if (!wordHeldBack_) return;
    const bool highArea = static_cast<std::int32_t>(start_) >= kHighArea;
    if (highArea && profile_.firstWord.allOnesInHighArea) {
        std::memcpy(image_, kPlaceholderAllOnes, 4);
    } else if (profile_.firstWord.place == FirstWordPlace::kPlus3Below0x24000) {
        if (offset == 0) {
            std::memcpy(image_, kPlaceholderAllOnes, 4);
        } else {
            firstWord_ = ReadBe32(image_ + 3);
            std::memcpy(image_ + 3, kPlaceholderPlus3, 4);
            wordAtPlus3_ = true;
        }
    } else if (start_ != 0 || profile_.firstWord.heldBackAtZero) {
        std::memcpy(image_, kPlaceholderLow, 4);
    }
}

std::uint8_t McuProgrammer::CheckModule() {
    LinkServices& s = rx_.services;
    const ModuleRule& module = profile_.module;
    run_.Enter(Phase::kWakingModule);
    std::uint8_t wake = 0;
    bool ready = false;
    for (int attempt = 0; attempt < module.attempts && !ready; ++attempt) {
        ready = rx_.commands.QueryMode(run_.DeviceChannel()) == 0;
        if (ready) break;
        s.hid.Sleep(module.wakeDelayMs);
        wake = rx_.commands.WakeModule(run_.DeviceChannel());
        s.hid.Sleep(module.settleMs);
    }
    if (ready && wake == 0) return 0;
    run_.Fail(module.kind == ModuleKind::kBluetooth ? text::kNoBluetoothModule : text::kNoModule);
    st_.g_bBusy = 0;
    return 1;
}

McuProgrammer::Attempt McuProgrammer::End(const char* text) {
    run_.Fail(text);
    return Attempt::kEnded;
}

McuProgrammer::Attempt McuProgrammer::Failed(int& failures, const char* text) {
    return ++failures < kBlockAttempts ? Attempt::kAgain : End(text);
}

McuProgrammer::Attempt McuProgrammer::AttemptBlock(std::uint32_t block, int& failures) {
    LinkServices& s = rx_.services;
    const Channel& ch = run_.DeviceChannel();
    const std::uint32_t blockSize = profile_.blockSize;
    const bool retries = profile_.eraseAndWriteFailuresRetry;
    // Every attempt of a block starts over from the block's first byte.
    const bool erasesBlock = !profile_.wholeChipErase;
    run_.Advance(erasesBlock ? ProgramStep::kErase : ProgramStep::kWrite, block + 1,
                 block * blockSize);
    if (erasesBlock) {
        if (rx_.commands.EraseFlash(ch, start_ + block * blockSize) != 0) {
            if (!retries) return End(text::kEraseFailed);
            return Failed(failures, text::kEraseRetriesFailed);
        }
        st_.phases.Step(ProgramStep::kWrite, block + 1, s.hid.NowMs());
    }
    const bool readsBack = profile_.chunkReadBack && st_.g_bSkipChunkVerify == 0;
    std::uint8_t readBack[64];
    for (std::uint32_t chunk = 0; chunk < chunksPerBlock_; ++chunk) {
        const bool lastOfBlock = chunk == chunksPerBlock_ - 1;
        const std::uint32_t offset = block * blockSize + kChunk * chunk;
        std::uint32_t length = lastOfBlock ? lastChunkLength_ : kChunk;
        const bool lastOfImage = offset + length > imageLength_;
        if (lastOfImage) length = imageLength_ - offset;
        const auto credit =
            static_cast<std::int32_t>(lastOfBlock ? lastChunkLength_ : kChunkCredit);

        Attempt failed = Attempt::kPassed;
        if (rx_.commands.WriteFlash(ch, length, start_ + offset, image_ + offset) != 0) {
            if (!retries) return End(text::kWriteVerifyFailed);
            failed = Failed(failures, text::kWriteRetriesFailed);
        } else if (readsBack) {
            if (rx_.commands.ReadFlash(ch, length, start_ + offset, readBack) != 0) {
                return End(nullptr);
            }
            if (!run_.Log(readBack, length)) return End(text::kNoFile);
            if (std::memcmp(readBack, image_ + offset, length) != 0) {
                failed = Failed(failures, text::kVerifyFailed);
            }
        }
        if (failed == Attempt::kEnded) return failed;
        if (failed == Attempt::kAgain) {
            // Take back what this attempt of the block was credited.
            const std::uint32_t index = lastOfImage ? chunksPerBlock_ : chunk;
            st_.g_progressAccum.fetch_sub(credit * static_cast<std::int32_t>(index));
            return failed;
        }
        st_.g_progressAccum.fetch_add(credit);
        run_.Advance(ProgramStep::kNone, 0, offset + length);
        if (lastOfImage) break;
    }
    return Attempt::kPassed;
}

std::uint8_t McuProgrammer::ProgramBlocks() {
    st_.phases.EnterProgramming(false, blockCount_, imageLength_, rx_.services.hid.NowMs());
    for (std::uint32_t block = 0; block < blockCount_; ++block) {
        int failures = 0;
        Attempt attempt = Attempt::kAgain;
        while (attempt == Attempt::kAgain) attempt = AttemptBlock(block, failures);
        if (attempt == Attempt::kEnded) return 1;
    }
    return 0;
}

std::uint8_t McuProgrammer::WriteFirstWord() {
    const FirstWordRule& rule = profile_.firstWord;
    const Channel& ch = run_.DeviceChannel();
    run_.Enter(Phase::kFirstWord);
    WriteBe32(image_, firstWord_);
    if (rule.writeAttempts > 1) {
        bool written = false;
        for (int i = 0; i < rule.writeAttempts && !written; ++i) {
            written = rx_.commands.WriteFlash(ch, 4, start_, image_) == 0;
        }
        if (!written) return run_.Fail(text::kWriteRetriesFailed);
    } else {
        // WriteFlash tells nobody; a run must not end without a word to the operator.
        const std::uint32_t at = wordAtPlus3_ ? start_ + 3 : start_;
        if (rx_.commands.WriteFlash(ch, 4, at, image_) != 0) {
            return run_.Fail(text::kWriteVerifyFailed);
        }
        // The header is read again by the next run; until then the start stays raised.
        if (wordAtPlus3_) {
            st_.g_fwStartAddress += 3;
            start_ += 3;
        }
    }
    if (!rule.readBack) return 0;
    std::uint8_t readBack[64];
    if (rx_.commands.ReadFlash(ch, 4, start_, readBack) != 0) return run_.Fail(nullptr);
    if (std::memcmp(readBack, image_, 4) != 0) return run_.Fail(text::kVerifyFailed);
    return 0;
}

std::uint8_t McuProgrammer::Run(ReadableFile& file) {
    LinkServices& s = rx_.services;
    if (!run_.BeginTransferPhase(file)) return 1;
    // The first word stays out of the flash until everything else is in: a placeholder stands
    // in for it, so an interrupted update never leaves a valid-looking image.
    HoldBackFirstWord();

    st_.g_bProgressActive = 1;
    run_.OpenDeviceChannel();
    if (!run_.CreateLog()) return run_.Fail(text::kNoFile);
    if (!run_.HasDevice()) return run_.Fail(text::kNoDevice);
    if (profile_.module.kind != ModuleKind::kNone && CheckModule() != 0) return 1;
    s.op.WriteStatusLine(text::kInProgress);
    if (profile_.wholeChipErase) {
        run_.Enter(Phase::kErasingAll);
        if (rx_.commands.EraseFlash(run_.DeviceChannel(), start_) != 0) {
            return run_.Fail(text::kEraseFailed);
        }
    }
    if (ProgramBlocks() != 0) return 1;

    // A word kept 3 bytes in is put back also when the image starts at 0, so that no
    // placeholder stays.
    const bool putBack = start_ != 0 || profile_.firstWord.heldBackAtZero || wordAtPlus3_;
    if (wordHeldBack_ && putBack && WriteFirstWord() != 0) return 1;
    if (!run_.CloseLog()) return run_.Fail(text::kNoFile);
    if (st_.g_fwSkipFinal == 0) {
        run_.Enter(Phase::kStartingFirmware);
        rx_.commands.JumpTo(run_.DeviceChannel(), st_.g_fwFinalArg);
    }
    run_.CloseDevice();
    return run_.Completion();
}

}  // namespace quillon

// The programming sequence: re-reads the image, then programs the MCU flash block by block with
// read-back and retries, or hands over to the SPI path; ends with "완료".
#pragma once

#include <cstdint>
#include <memory>

#include "firmware/FileSystem.h"
#include "protocol/Receiver.h"

namespace quillon {

inline constexpr char kReadBackLogName[] = "Readtest.bin";
inline constexpr std::uint32_t kChunk = 52;

class Programmer {
  public:
    explicit Programmer(Receiver& rx) : rx_(rx), s_(rx.services), st_(rx.services.st) {}

    // 0 when completed ("완료" shown), 1 when failed (the failure shown, if it has a text).
    std::uint8_t ProgramDevice();

    // Shared with the SPI path.
    std::uint8_t Completion();
    // Ends a run that failed: the text (if any), the channel and the log closed, progress off.
    std::uint8_t Fail(const char* text);
    // Resets the progress counters for a transfer phase of L bytes and re-reads the validated
    // image; false (the no-file text shown) when the file is not what was validated.
    bool BeginTransferPhase(ReadableFile& file);
    // Creates the read-back log; false (why told on the phase channel) when it cannot be.
    bool CreateLog();
    // Appends read-back bytes to the log; false when the file cannot take them.
    bool Log(const std::uint8_t* data, std::uint32_t n);
    // Tells the phase channel: a phase entered; the block or sector in hand (unless kNone) and
    // the image bytes programmed so far.
    void Enter(Phase phase);
    void Advance(ProgramStep step, std::uint32_t index, std::uint64_t bytesDone);

    Channel ch{};
    std::unique_ptr<WritableFile> log;
    std::uint32_t L = 0;

  private:
    std::uint8_t McuPath(ReadableFile& file);
    std::uint8_t ModuleCheck(std::uint32_t m);
    std::uint8_t FirstWord(std::uint32_t m, bool atPlus3);
    void CloseChannel();

    Receiver& rx_;
    LinkServices& s_;
    SharedState& st_;
};

}  // namespace quillon

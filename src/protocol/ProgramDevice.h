// The programming sequence: re-reads the image, then hands over to the MCU or the SPI path, which
// share the channel, the read-back log, the progress and the completion kept here.
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

    // Shared by both paths.
    std::uint8_t Completion();
    // Ends a run that failed: the text (if any), the channel and the log closed, progress off.
    std::uint8_t Fail(const char* text);
    // Resets the progress counters for a transfer phase of the whole payload and re-reads the
    // validated image; false (the no-file text shown) when the file is not what was validated.
    bool BeginTransferPhase(ReadableFile& file);
    // Creates the read-back log; false (why told on the phase channel) when it cannot be.
    bool CreateLog();
    // Appends read-back bytes to the log; false when the file cannot take them.
    bool Log(const std::uint8_t* data, std::uint32_t n);
    // Closes and releases the log; false when what it held could not be kept.
    bool CloseLog();
    // Opens the channel on the chosen device; whether it has a device handle is asked apart.
    void OpenDeviceChannel();
    bool HasDevice() const { return ch_.hDevice != kInvalidHandle; }
    // Closes the device handle once programming is over; the event stays for the completion.
    void CloseDevice();
    const Channel& DeviceChannel() const { return ch_; }
    // The image bytes after the header.
    std::uint32_t PayloadLength() const { return payloadLength_; }
    // Tells the phase channel: a phase entered; the block or sector in hand (unless kNone) and
    // the image bytes programmed so far.
    void Enter(Phase phase);
    void Advance(ProgramStep step, std::uint32_t index, std::uint64_t bytesDone);

  private:
    void CloseChannel();

    Receiver& rx_;
    LinkServices& s_;
    SharedState& st_;
    Channel ch_{};
    std::unique_ptr<WritableFile> log_;
    std::uint32_t payloadLength_ = 0;
};

}  // namespace quillon

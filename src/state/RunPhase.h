// What an update run is doing, told by the run beside the progress counters: the phase, the block
// or sector in hand, the image bytes programmed, each stamped with the platform clock. Front ends
// that show more than the dialog read it; the dialogs ignore it.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

namespace quillon {

enum class Phase : std::uint8_t {
    kIdle,
    kCheckingFile,
    kFindingDevice,
    kCheckingModel,
    kSwitching,         // a switch into the boot loader is being sent
    kWaitingForDevice,  // for the restarted device to come back
    kSettling,          // the device is back; it is given time before it is asked anything
    kRereadingFile,
    kWakingModule,
    kErasingAll,   // the one erase of the whole region (model 10)
    kProgramming,  // block by block (MCU) or sector by sector (SPI)
    kFirstWord,
    kStartingFirmware,
};

// Within kProgramming: what is done to the block or sector in hand.
enum class ProgramStep : std::uint8_t { kNone, kErase, kWrite };

// How a run ended, as far as the one who started it needs to know.
enum class RunEnd : std::uint8_t {
    kRunning,
    kDone,
    kFailed,        // at the device, or on the way there
    kFileRefused,   // nothing was sent that changes the device
    kNoDeviceFits,  // likewise
    kNoLog,         // the read-back log could not be kept; nothing was sent at all
};

struct PhaseStatus {
    Phase phase = Phase::kIdle;
    ProgramStep step = ProgramStep::kNone;
    bool spi = false;                         // kProgramming counts sectors, not blocks
    std::uint32_t index = 0;                  // kProgramming: the block or sector in hand, from 1
    std::uint32_t count = 0;                  // kProgramming: how many there are
    std::uint64_t waitedMs = 0, boundMs = 0;  // kWaitingForDevice, kSettling
    std::uint64_t bytesDone = 0, bytesTotal = 0;
    std::uint64_t startMs = 0;     // the run began (the file check)
    std::uint64_t transferMs = 0;  // the programming began
    std::uint64_t nowMs = 0;       // the last report
    bool deviceChanged = false;    // a switch or programming command has been sent
    RunEnd end = RunEnd::kRunning;
    std::string reason;  // why a file could not be used, in the system's words (else empty)
    // The system's reason for the link's last failure ("ENODEV: No such device"), until the link
    // next works; empty when it gave none.
    std::string osError;
    // The model value the device last answered, whether or not it fits the file.
    std::optional<std::uint32_t> deviceModel;

    // Image bytes per second since the programming began; nothing before a millisecond passed.
    std::optional<double> BytesPerSecond() const;
    // What the rate so far leaves for the rest of the image.
    std::optional<std::uint64_t> MsLeft() const;
};

class PhaseChannel {
  public:
    enum class Event { kPhase, kProgress };
    using Listener = std::function<void(Event, const PhaseStatus&)>;

    // Set before a run; called on the reporting thread, outside the channel's lock, for every
    // phase entered and for every whole percent of the image reached.
    void Listen(Listener listener) { listener_ = std::move(listener); }

    // Starts a new run (the file check).
    void Begin(std::uint64_t nowMs);
    void Enter(Phase phase, std::uint64_t nowMs);
    // A wait of at most boundMs: kWaitingForDevice or kSettling.
    void EnterWait(Phase phase, std::uint64_t boundMs, std::uint64_t nowMs);
    void Waited(std::uint64_t waitedMs, std::uint64_t nowMs);
    // kProgramming: count blocks or sectors over an image of bytesTotal.
    void EnterProgramming(bool spi, std::uint32_t count, std::uint64_t bytesTotal,
                          std::uint64_t nowMs);
    void Step(ProgramStep step, std::uint32_t index, std::uint64_t nowMs);
    void Advance(std::uint64_t bytesDone, std::uint64_t nowMs);
    // The first end told stands.
    void End(RunEnd end, std::uint64_t nowMs);
    // Why the run cannot go on, beside the operator's text: "cannot read x.fw: is a folder".
    void Explain(const std::string& reason);
    // How the link's last open, list or transfer went: the system's reason for a failure, or
    // empty for one that worked (or failed without a reason).
    void LinkSaid(const std::string& osError);
    // The device answered what model it is.
    void Identified(std::uint32_t model);

    PhaseStatus Snapshot() const;
    bool DeviceChanged() const { return Snapshot().deviceChanged; }

  private:
    void Tell(Event event, const PhaseStatus& status) const;

    mutable std::mutex mutex_;
    PhaseStatus status_;
    int percentTold_ = -1;
    Listener listener_;
};

}  // namespace quillon

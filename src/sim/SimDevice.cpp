#include "sim/SimDevice.h"

#include <algorithm>
#include <cstring>

#include "protocol/CommandFrame.h"

namespace quillon::sim {

namespace {

constexpr std::uint8_t kErrorStatus = 1;
constexpr std::uint32_t kSpiSector = 4096;
constexpr std::uint8_t kModuleAsleep = 2;

}  // namespace

const char* FaultName(FaultKind kind) {
    switch (kind) {
        case FaultKind::kNoAnswer:
            return "no-answer";
        case FaultKind::kWriteTimeout:
            return "write-timeout";
        case FaultKind::kErrorStatus:
            return "error-status";
        case FaultKind::kCorruptRead:
            return "corrupt-read";
        case FaultKind::kGone:
            return "gone";
        case FaultKind::kLate:
            return "late";
        case FaultKind::kPowerCut:
            return "power-cut";
    }
    return "?";
}

std::string DefaultPort(std::size_t index) {
    return "sim-" + std::to_string(index + 1);
}

SimDevice::SimDevice(SimDeviceConfig config, std::uint32_t firstIncarnation)
    : config_(std::move(config)),
      flash_(config_.flashSize, config_.seed),
      spi_(config_.spiSize, config_.seed ^ 0x5A5A5A5Au),
      inBootloader_(config_.startInBootloader),
      incarnation_(firstIncarnation) {}

bool SimDevice::Present(std::uint64_t now) {
    if (now < config_.plugAtMs || now >= config_.unplugAtMs) return false;
    if (gone_ && now >= goneAt_) return false;
    if (restartAt_ <= now) {
        ++incarnation_;
        ++restarts_;
        // A jump into the application ends in the boot loader when there is none to start.
        inBootloader_ = restartIntoBootloader_ || !ApplicationInPlace();
        absentUntil_ = config_.restartNever ? UINT64_MAX : restartAt_ + config_.restartDelayMs;
        restartAt_ = UINT64_MAX;
    }
    return now >= absentUntil_;
}

std::uint64_t SimDevice::VanishesAt() const {
    return std::min(gone_ ? goneAt_ : restartAt_, config_.unplugAtMs);
}

std::uint64_t SimDevice::ReturnsAt() const {
    if (gone_) return UINT64_MAX;
    const std::uint64_t at = std::max(absentUntil_, config_.plugAtMs);
    return at >= config_.unplugAtMs ? UINT64_MAX : at;
}

bool SimDevice::ModuleReady() const {
    return config_.hasModule && !config_.moduleAbsent && wakes_ >= config_.moduleWakes;
}

bool SimDevice::ApplicationInPlace() const {
    return !flash_.InRange(config_.firstWordAt, 4) || !flash_.HoldsPlaceholder(config_.firstWordAt);
}

void SimDevice::PowerCut(std::uint64_t now) {
    gone_ = true;
    goneAt_ = now;
}

void SimDevice::Replug(std::uint64_t now) {
    if (Present(now)) return;
    gone_ = false;
    goneAt_ = UINT64_MAX;
    restartAt_ = UINT64_MAX;
    absentUntil_ = now;
    config_.plugAtMs = std::min(config_.plugAtMs, now);
    if (now >= config_.unplugAtMs) config_.unplugAtMs = UINT64_MAX;
    ++incarnation_;
    inBootloader_ = !ApplicationInPlace();
    wakes_ = 0;
}

void SimDevice::ScheduleRestart(std::uint64_t at, bool intoBootloader) {
    if (restartAt_ != UINT64_MAX) return;
    restartAt_ = at;
    restartIntoBootloader_ = intoBootloader;
}

const FaultRule* SimDevice::MatchingFault(SimCommand c, std::uint32_t occurrence) const {
    for (const FaultRule& r : config_.faults) {
        if (r.command == c && occurrence >= r.from && occurrence <= r.to) return &r;
    }
    return nullptr;
}

SimDevice::Reaction SimDevice::Receive(const std::uint8_t* report, std::size_t len,
                                       std::uint64_t now, std::size_t inputLength) {
    Reaction r;
    r.report.assign(inputLength < 8 ? 8 : inputLength, 0);
    r.report[0] = 0xBA;
    r.report[1] = !config_.echoesOpcode ? config_.commandByte : len > 1 ? report[1] : 0;
    const DecodedFrame d =
        DecodeFrame(report, len, config_.frameModel != 0 ? config_.frameModel : config_.model);
    const std::uint32_t occurrence = ++counts_[static_cast<int>(d.command)];
    if (!d.error.empty()) {
        ++badFrames_;
        lastBad_ = std::string(CommandName(d.command)) + ": " + d.error;
        r.answer = true;
        r.report[2] = kErrorStatus;
        return r;
    }
    const FaultRule* fault = MatchingFault(d.command, occurrence);
    if (fault != nullptr) {
        switch (fault->kind) {
            case FaultKind::kWriteTimeout:
                r.writeCompletes = false;
                return r;
            case FaultKind::kNoAnswer:
                return r;
            case FaultKind::kErrorStatus:
                r.answer = true;
                r.report[2] = kErrorStatus;
                return r;
            case FaultKind::kGone:
                PowerCut(now);
                return r;
            case FaultKind::kPowerCut:
                if (fault->after)
                    Execute(d.command, d.value, d.count, d.data, now, r.report, r.answer);
                r.answer = false;  // there is nobody left to send it
                PowerCut(now);
                return r;
            case FaultKind::kLate:
                r.delayMs = fault->delayMs;
                break;
            case FaultKind::kCorruptRead:
                break;
        }
    }
    Execute(d.command, d.value, d.count, d.data, now, r.report, r.answer);
    if (fault != nullptr && fault->kind == FaultKind::kCorruptRead && r.answer) {
        r.report[4] ^= 0x01;
    }
    return r;
}

void SimDevice::Execute(SimCommand c, std::uint32_t value, std::uint32_t count,
                        const std::uint8_t* data, std::uint64_t now, std::vector<std::uint8_t>& out,
                        bool& answer) {
    answer = true;
    std::uint8_t& status = out[2];
    switch (c) {
        case SimCommand::kQueryMode: {
            std::uint8_t mode = inBootloader_ ? config_.bootloaderKind : 1;
            if (config_.hasModule) mode = ModuleReady() ? 0 : kModuleAsleep;
            out[2] = mode;
            out[4] = mode;
            break;
        }
        case SimCommand::kQueryModel:
            WriteBe32(out.data() + 4, config_.model);
            break;
        case SimCommand::kReadDeviceInfo:
            out[3] = config_.generation;
            out[6] = config_.family;
            break;
        case SimCommand::kEraseFlash:
            if (config_.erase == EraseKind::kWhole) {
                if (!flash_.InRange(value, 0))
                    status = kErrorStatus;
                else
                    flash_.EraseFrom(value);
            } else if (!flash_.InRange(value, config_.blockSize)) {
                status = kErrorStatus;
            } else {
                flash_.Erase(value, config_.blockSize);
            }
            break;
        case SimCommand::kWriteFlash:
        case SimCommand::kSpiWrite: {
            SimFlash& f = c == SimCommand::kWriteFlash ? flash_ : spi_;
            if (!f.InRange(value, count))
                status = kErrorStatus;
            else
                f.Program(value, data, count);
            break;
        }
        case SimCommand::kReadFlash:
        case SimCommand::kSpiRead: {
            SimFlash& f = c == SimCommand::kReadFlash ? flash_ : spi_;
            if (!f.InRange(value, count))
                status = kErrorStatus;
            else
                f.Read(value, out.data() + 4, count);
            break;
        }
        case SimCommand::kSpiErase:
            if (!spi_.InRange(value, kSpiSector))
                status = kErrorStatus;
            else
                spi_.Erase(value, kSpiSector);
            break;
        case SimCommand::kJumpTo:
            if (inBootloader_) {
                ScheduleRestart(now, false);
            } else if (value == 0x01001004u || value == 0x1003u) {
                ScheduleRestart(now, true);
            }
            break;
        case SimCommand::kWakeModule:
            ++wakes_;
            break;
        case SimCommand::kSwitch:
            answer = false;
            if (!inBootloader_) ScheduleRestart(now, true);
            break;
        case SimCommand::kUnknown:
            status = kErrorStatus;
            break;
    }
}

}  // namespace quillon::sim

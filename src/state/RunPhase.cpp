#include "state/RunPhase.h"

namespace quillon {

std::optional<double> PhaseStatus::BytesPerSecond() const {
    if (bytesTotal == 0 || bytesDone == 0 || nowMs <= transferMs) return std::nullopt;
    return static_cast<double>(bytesDone) * 1000.0 / static_cast<double>(nowMs - transferMs);
}

std::optional<std::uint64_t> PhaseStatus::MsLeft() const {
    const std::optional<double> rate = BytesPerSecond();
    if (!rate || bytesDone > bytesTotal) return std::nullopt;
    return static_cast<std::uint64_t>(static_cast<double>(bytesTotal - bytesDone) * 1000.0 / *rate);
}

void PhaseChannel::Tell(Event event, const PhaseStatus& status) const {
    if (listener_) listener_(event, status);
}

void PhaseChannel::Begin(std::uint64_t nowMs) {
    PhaseStatus s;
    {
        std::lock_guard lock(mutex_);
        status_ = PhaseStatus{};
        status_.phase = Phase::kCheckingFile;
        status_.startMs = status_.nowMs = nowMs;
        percentTold_ = -1;
        s = status_;
    }
    Tell(Event::kPhase, s);
}

void PhaseChannel::Enter(Phase phase, std::uint64_t nowMs) {
    PhaseStatus s;
    {
        std::lock_guard lock(mutex_);
        status_.phase = phase;
        status_.step = ProgramStep::kNone;
        status_.nowMs = nowMs;
        if (phase >= Phase::kSwitching && phase != Phase::kRereadingFile) {
            status_.deviceChanged = true;
        }
        s = status_;
    }
    Tell(Event::kPhase, s);
}

void PhaseChannel::EnterWait(Phase phase, std::uint64_t boundMs, std::uint64_t nowMs) {
    {
        std::lock_guard lock(mutex_);
        status_.waitedMs = 0;
        status_.boundMs = boundMs;
    }
    Enter(phase, nowMs);
}

void PhaseChannel::Waited(std::uint64_t waitedMs, std::uint64_t nowMs) {
    std::lock_guard lock(mutex_);
    status_.waitedMs = waitedMs;
    status_.nowMs = nowMs;
}

void PhaseChannel::EnterProgramming(bool spi, std::uint32_t count, std::uint64_t bytesTotal,
                                    std::uint64_t nowMs) {
    {
        std::lock_guard lock(mutex_);
        status_.spi = spi;
        status_.index = 0;
        status_.count = count;
        status_.bytesDone = 0;
        status_.bytesTotal = bytesTotal;
        status_.transferMs = nowMs;
        percentTold_ = -1;
    }
    Enter(Phase::kProgramming, nowMs);
}

void PhaseChannel::Step(ProgramStep step, std::uint32_t index, std::uint64_t nowMs) {
    std::lock_guard lock(mutex_);
    status_.step = step;
    status_.index = index;
    status_.nowMs = nowMs;
}

void PhaseChannel::Advance(std::uint64_t bytesDone, std::uint64_t nowMs) {
    PhaseStatus s;
    {
        std::lock_guard lock(mutex_);
        status_.bytesDone = bytesDone;
        status_.nowMs = nowMs;
        const std::uint64_t total = status_.bytesTotal;
        const int percent = total == 0 ? 100 : static_cast<int>(bytesDone * 100 / total);
        if (percent == percentTold_) return;
        percentTold_ = percent;
        s = status_;
    }
    Tell(Event::kProgress, s);
}

void PhaseChannel::End(RunEnd end, std::uint64_t nowMs) {
    std::lock_guard lock(mutex_);
    if (status_.end != RunEnd::kRunning) return;
    status_.end = end;
    status_.nowMs = nowMs;
}

void PhaseChannel::Explain(const std::string& reason) {
    std::lock_guard lock(mutex_);
    status_.reason = reason;
}

void PhaseChannel::LinkSaid(const std::string& osError) {
    std::lock_guard lock(mutex_);
    status_.osError = osError;
}

void PhaseChannel::Identified(std::uint32_t model) {
    std::lock_guard lock(mutex_);
    status_.deviceModel = model;
}

PhaseStatus PhaseChannel::Snapshot() const {
    std::lock_guard lock(mutex_);
    return status_;
}

}  // namespace quillon

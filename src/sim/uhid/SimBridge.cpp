#include "sim/uhid/SimBridge.h"

#include <algorithm>

namespace quillon::sim {

SimBridge::SimBridge(SimDeviceConfig config, KernelTwin& twin)
    : device_(std::move(config)),
      twin_(twin),
      layout_(BuildSimReportDescriptor(device_.Config().collections)) {}

bool SimBridge::Tick(std::uint64_t now) {
    while (up_ && !answers_.empty() && answers_.front().at <= now) {
        const Answer a = std::move(answers_.front());
        answers_.pop_front();
        if (!twin_.Input(a.report.data(), a.report.size())) return false;
    }
    const bool present = device_.Present(now);
    if (up_ && (!present || device_.Incarnation() != incarnation_)) {
        // Answers not yet sent die with the incarnation that owed them.
        twin_.Destroy();
        up_ = false;
        answers_.clear();
    }
    if (!up_ && present) {
        if (!twin_.Create(device_.CurrentIdentity(), layout_.descriptor)) return false;
        up_ = true;
        incarnation_ = device_.Incarnation();
    }
    return true;
}

bool SimBridge::Output(const std::uint8_t* report, std::size_t len, std::uint64_t now) {
    const std::size_t c = layout_.protocolCollection;
    if (!up_ || c == SimReportLayout::kNone || len == 0 || report[0] != layout_.reportIds[c]) {
        return Tick(now);
    }
    const std::uint16_t inputLength = device_.Config().collections[c].inputLength;
    SimDevice::Reaction r = device_.Receive(report, len, now, inputLength);
    // The kernel takes a write to a uhid device at once, so a write can never hang here: a
    // write-timeout fault comes out as a missing answer.
    if (r.answer) {
        // The kernel sizes an input report after the descriptor, not after the device model.
        r.report.resize(std::max<std::size_t>(inputLength, 1));
        answers_.push_back({now + device_.Config().latencyMs + r.delayMs, std::move(r.report)});
    }
    return Tick(now);
}

std::uint64_t SimBridge::NextDue() const {
    std::uint64_t due = answers_.empty() ? UINT64_MAX : answers_.front().at;
    if (up_) return std::min(due, device_.VanishesAt());
    return std::min(due, device_.ReturnsAt());
}

}  // namespace quillon::sim

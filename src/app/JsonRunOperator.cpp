#include "app/JsonRunOperator.h"

namespace quillon {

void JsonRunOperator::Attach(PhaseChannel& phases) {
    phases_ = &phases;
    phases.Listen([this](PhaseChannel::Event event, const PhaseStatus& s) {
        out_.Write(events_.OfPhase(event, s));
    });
}

void JsonRunOperator::ShowMessage(const std::string& text) {
    const PhaseStatus s = phases_ != nullptr ? phases_->Snapshot() : PhaseStatus{};
    const std::uint64_t now = clock_.NowMs();
    out_.Write(events_.Message(text, now > s.startMs ? now - s.startMs : 0, s.osError));
    last_ = text;
}

void JsonRunOperator::Finish(int exitCode) {
    out_.Write(events_.Result(exitCode, phases_ != nullptr ? phases_->Snapshot() : PhaseStatus{}));
}

}  // namespace quillon

#include "hid/LateAnswers.h"

namespace quillon {

void LateAnswers::Follow(const Channel& channel) {
    if (channel.hDevice == channel_.hDevice && channel.hEvent == channel_.hEvent) return;
    *this = LateAnswers{};
    channel_ = channel;
}

void LateAnswers::TimedOut(const Channel& channel, std::uint8_t request) {
    Follow(channel);
    timedOut_.set(request);
}

bool LateAnswers::IsLate(const Channel& channel, std::uint8_t request, std::uint8_t answer) const {
    return channel.hDevice == channel_.hDevice && channel.hEvent == channel_.hEvent && Echoes() &&
           answer != request && timedOut_.test(answer);
}

void LateAnswers::Taken(const Channel& channel, std::uint8_t request, std::uint8_t answer) {
    Follow(channel);
    if (answer != request) {
        mismatched_ = true;
        return;
    }
    if (echoedKinds_ == 0) {
        firstEchoed_ = request;
        echoedKinds_ = 1;
    } else if (request != firstEchoed_) {
        echoedKinds_ = 2;
    }
    // Answers come in the order of their requests: every earlier one has come or never will.
    timedOut_.reset();
}

}  // namespace quillon

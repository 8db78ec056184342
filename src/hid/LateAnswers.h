// Recognises the late answer to a request whose read timed out by the command byte that the
// device puts at byte 1 of each answer, so that a later request does not take it for its own.
#pragma once

#include <bitset>
#include <cstdint>

#include "state/Handles.h"

namespace quillon {

class LateAnswers {
  public:
    // The read for the request with this opcode timed out on channel.
    void TimedOut(const Channel& channel, std::uint8_t request);
    // Whether an answer whose byte 1 is answer, read on channel for the request with opcode
    // request, is recognisably the answer to an earlier request that timed out.
    bool IsLate(const Channel& channel, std::uint8_t request, std::uint8_t answer) const;
    // That answer was taken as the answer to request.
    void Taken(const Channel& channel, std::uint8_t request, std::uint8_t answer);

  private:
    void Follow(const Channel& channel);
    bool Echoes() const { return !mismatched_ && echoedKinds_ >= 2; }

    // What is known holds for one channel: a new one starts with nothing known.
    Channel channel_;
    // The device is taken to echo the opcode only once every answer taken on the channel has
    // carried its request's opcode, for two different opcodes at least: a device that puts a
    // fixed byte there, even one equal to an opcode, is never taken to echo.
    bool mismatched_ = false;
    int echoedKinds_ = 0;
    std::uint8_t firstEchoed_ = 0;
    std::bitset<256> timedOut_;  // opcodes of requests whose answers may still come
};

}  // namespace quillon

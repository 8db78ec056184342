// The simulator's clock: virtual (time jumps, tests take milliseconds) or real (it sleeps).
#pragma once

#include <chrono>
#include <cstdint>

namespace quillon::sim {

class SimClock {
  public:
    explicit SimClock(bool virtualTime) : virtual_(virtualTime), start_(Steady::now()) {}

    bool IsVirtual() const { return virtual_; }
    std::uint64_t Now() const;
    // Moves time on to t (never back); the real clock sleeps until then.
    void AdvanceTo(std::uint64_t t);

  private:
    using Steady = std::chrono::steady_clock;
    bool virtual_;
    std::uint64_t now_ = 0;
    Steady::time_point start_;
};

}  // namespace quillon::sim

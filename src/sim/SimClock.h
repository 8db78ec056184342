// The simulator's clock: virtual (time jumps, tests take milliseconds) or real (it sleeps).
// Threads that run at the same time on virtual time (one per device, as in station mode) join
// it: time then moves on only once every one of them waits for it, to the earliest time one of
// them waits for, so each device sees the same virtual times as if it were alone. A step wakes
// only the threads whose time has come, not every device's thread.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>

namespace quillon::sim {

class SimClock {
  public:
    explicit SimClock(bool virtualTime) : virtual_(virtualTime), start_(Steady::now()) {}

    bool IsVirtual() const { return virtual_; }
    std::uint64_t Now() const;
    // Moves time on to t (never back); the real clock sleeps until then. On virtual time with
    // threads joined, the caller (one of them) waits until time has reached t.
    void AdvanceTo(std::uint64_t t);

    // A thread that will call AdvanceTo joins before it starts (on the thread that starts it,
    // so that time cannot run ahead of it) and leaves when it ends.
    void Join();
    void Leave();
    // On virtual time, for a joined thread that looks at what the others did: waits until every
    // other joined thread waits for time to move on or has left, so that all they do at this
    // time is done, whichever thread the system ran first. Nothing on the real clock.
    void WaitForOthers();

  private:
    using Steady = std::chrono::steady_clock;
    // Moves time on when every joined thread waits; called with mutex_ held.
    void Settle();

    // Whether every joined thread but the caller waits for a time still to come.
    bool OthersWait() const;

    bool virtual_;
    std::atomic<std::uint64_t> now_{0};
    Steady::time_point start_;
    std::mutex mutex_;
    std::condition_variable waiting_;  // the others all wait, or one left
    int joined_ = 0;
    // The times the joined threads wait for, each with what wakes that thread.
    std::multimap<std::uint64_t, std::condition_variable*> waits_;
};

// Joins a clock for the life of the scope; does nothing without a clock.
class ClockMembership {
  public:
    explicit ClockMembership(SimClock* clock) : clock_(clock) {
        if (clock_ != nullptr) clock_->Join();
    }
    ~ClockMembership() {
        if (clock_ != nullptr) clock_->Leave();
    }
    ClockMembership(const ClockMembership&) = delete;
    ClockMembership& operator=(const ClockMembership&) = delete;

  private:
    SimClock* clock_;
};

}  // namespace quillon::sim

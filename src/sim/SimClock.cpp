#include "sim/SimClock.h"

#include <iterator>
#include <thread>

namespace quillon::sim {

std::uint64_t SimClock::Now() const {
    if (virtual_) return now_.load();
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now() - start_).count());
}

void SimClock::Settle() {
    if (joined_ == 0 || waits_.size() < static_cast<std::size_t>(joined_)) return;
    const std::uint64_t next = *waits_.begin();
    if (next > now_.load()) now_.store(next);
    moved_.notify_all();
}

void SimClock::AdvanceTo(std::uint64_t t) {
    if (!virtual_) {
        std::this_thread::sleep_until(start_ + std::chrono::milliseconds(t));
        return;
    }
    std::unique_lock lock(mutex_);
    if (joined_ == 0) {
        if (t > now_.load()) now_.store(t);
        return;
    }
    if (t <= now_.load()) return;
    const auto mine = waits_.insert(t);
    waiting_.notify_all();
    Settle();
    moved_.wait(lock, [&] { return now_.load() >= t; });
    waits_.erase(mine);
}

void SimClock::Join() {
    std::lock_guard lock(mutex_);
    ++joined_;
}

void SimClock::Leave() {
    std::lock_guard lock(mutex_);
    --joined_;
    waiting_.notify_all();
    Settle();
}

void SimClock::WaitForOthers() {
    if (!virtual_) return;
    std::unique_lock lock(mutex_);
    // A wait for a time already reached belongs to a thread that is waking up, not waiting.
    waiting_.wait(lock, [&] {
        const auto still = std::distance(waits_.upper_bound(now_.load()), waits_.end());
        return still + 1 >= joined_;
    });
}

}  // namespace quillon::sim

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
    const std::uint64_t next = waits_.begin()->first;
    if (next > now_.load()) now_.store(next);
    for (auto it = waits_.begin(); it != waits_.end() && it->first <= now_.load(); ++it) {
        it->second->notify_one();
    }
}

bool SimClock::OthersWait() const {
    // A wait for a time already reached belongs to a thread that is waking up, not waiting.
    const auto still = std::distance(waits_.upper_bound(now_.load()), waits_.end());
    return still + 1 >= joined_;
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
    std::condition_variable moved;
    const auto mine = waits_.emplace(t, &moved);
    // The thread in WaitForOthers is woken once its wait is over, not each time one begins.
    if (OthersWait()) waiting_.notify_all();
    Settle();
    moved.wait(lock, [&] { return now_.load() >= t; });
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
    waiting_.wait(lock, [&] { return OthersWait(); });
}

}  // namespace quillon::sim

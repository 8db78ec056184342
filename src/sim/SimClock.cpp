#include "sim/SimClock.h"

#include <thread>

namespace quillon::sim {

std::uint64_t SimClock::Now() const {
    if (virtual_) return now_;
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now() - start_).count());
}

void SimClock::AdvanceTo(std::uint64_t t) {
    if (virtual_) {
        if (t > now_) now_ = t;
        return;
    }
    std::this_thread::sleep_until(start_ + std::chrono::milliseconds(t));
}

}  // namespace quillon::sim

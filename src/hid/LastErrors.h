// Each thread's last error, as the system keeps it for its callers: several runs share one
// platform, and each asks only why its own call failed.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace quillon {

class LastErrors {
  public:
    // An empty reason forgets the thread's entry, so that ended threads leave nothing behind.
    void Set(std::string why) {
        std::lock_guard lock(mutex_);
        if (why.empty()) {
            byThread_.erase(std::this_thread::get_id());
        } else {
            byThread_[std::this_thread::get_id()] = std::move(why);
        }
    }
    std::string Get() const {
        std::lock_guard lock(mutex_);
        const auto it = byThread_.find(std::this_thread::get_id());
        return it == byThread_.end() ? std::string() : it->second;
    }

  private:
    mutable std::mutex mutex_;
    std::map<std::thread::id, std::string> byThread_;
};

}  // namespace quillon

// An operator that shows nothing and keeps every text and status line in order, serving a fixed
// path: for a check whose texts are told some other way (inspect --json, a simulated bus loading
// its file), and for tests that read what a run said.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "state/Operator.h"

namespace quillon {

class CollectingOperator : public Operator {
  public:
    explicit CollectingOperator(std::string path = {}) : path_(std::move(path)) {}

    void ShowMessage(const std::string& text) override {
        std::function<void(const std::string&)> hook;
        {
            std::lock_guard lock(mutex_);
            messages_.push_back(text);
            hook = onMessage_;
        }
        if (hook) hook(text);
    }
    std::string ReadPathBox() override {
        std::lock_guard lock(mutex_);
        return path_;
    }
    void WriteStatusLine(const std::string& text) override {
        std::lock_guard lock(mutex_);
        statusLines_.push_back(text);
    }

    void SetPath(std::string path) {
        std::lock_guard lock(mutex_);
        path_ = std::move(path);
    }
    // Runs on every message, on the sender's thread, before ShowMessage returns.
    void OnMessage(std::function<void(const std::string&)> hook) {
        std::lock_guard lock(mutex_);
        onMessage_ = std::move(hook);
    }
    std::vector<std::string> Messages() const {
        std::lock_guard lock(mutex_);
        return messages_;
    }
    std::vector<std::string> StatusLines() const {
        std::lock_guard lock(mutex_);
        return statusLines_;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        messages_.clear();
        statusLines_.clear();
    }

  private:
    mutable std::mutex mutex_;
    std::string path_;
    std::vector<std::string> messages_;
    std::vector<std::string> statusLines_;
    std::function<void(const std::string&)> onMessage_;
};

}  // namespace quillon

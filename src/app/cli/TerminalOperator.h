// The command line's operator: each text alone on its line of standard output, the path given on
// the command line, the status line handed to whoever draws the terminal's progress.
#pragma once

#include <cstdio>
#include <functional>
#include <mutex>
#include <string>

#include "state/Operator.h"

namespace quillon {

class TerminalOperator : public Operator {
  public:
    explicit TerminalOperator(std::string path, std::FILE* out = stdout)
        : path_(std::move(path)), out_(out) {}

    void ShowMessage(const std::string& text) override;
    std::string ReadPathBox() override { return path_; }
    void WriteStatusLine(const std::string& text) override;

    // Called with the lock held before a text is printed (to clear a progress line) and for every
    // status line.
    void OnBeforeMessage(std::function<void()> hook) { beforeMessage_ = std::move(hook); }
    void OnStatusLine(std::function<void(const std::string&)> hook) { status_ = std::move(hook); }
    // The lock that keeps the texts and the progress display from interleaving on the terminal.
    std::mutex& TerminalLock() { return mutex_; }
    int MessageCount() const { return count_; }
    const std::string& LastMessage() const { return last_; }

  private:
    std::mutex mutex_;
    std::string path_;
    std::FILE* out_;
    std::function<void()> beforeMessage_;
    std::function<void(const std::string&)> status_;
    int count_ = 0;
    std::string last_;
};

}  // namespace quillon

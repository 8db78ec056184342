#include "app/cli/TerminalOperator.h"

namespace quillon {

void TerminalOperator::ShowMessage(const std::string& text) {
    std::lock_guard lock(mutex_);
    if (beforeMessage_) beforeMessage_();
    std::fputs(text.c_str(), out_);
    std::fputc('\n', out_);
    std::fflush(out_);
    ++count_;
    last_ = text;
}

void TerminalOperator::WriteStatusLine(const std::string& text) {
    std::lock_guard lock(mutex_);
    if (status_) status_(text);
}

}  // namespace quillon

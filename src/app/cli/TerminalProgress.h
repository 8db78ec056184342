// The command line's progress display: a bar and the percentage on one line of standard error,
// redrawn in place, with the status line beside it; only when standard error is a terminal.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>

#include "app/DialogView.h"
#include "state/Texts.h"

namespace quillon::cli {

class TerminalProgress : public DialogView {
  public:
    TerminalProgress(std::mutex& terminal, bool enabled) : terminal_(terminal), enabled_(enabled) {}

    void SetBarPosition(int position) override { position_ = position; }
    void StepBar() override {
        if (position_ < 100) ++position_;
    }
    void SetPercentLabel(const std::string& text) override { label_ = text; }
    void EnableControls(bool) override {}

    // Called with the terminal lock held.
    void SetStatus(const std::string& text) { status_ = text; }
    void ClearLine();
    // Redraws the line when something changed; takes the terminal lock.
    void Draw();

  private:
    std::mutex& terminal_;
    bool enabled_;
    int position_ = 0;
    std::string label_ = text::kZeroPercent;
    std::string status_;
    std::string drawn_;
};

}  // namespace quillon::cli

// The command line's progress display: one line of standard error, redrawn in place, with a bar,
// the percentage, what the run is doing, how far the image is and the time left; only when
// standard error is a terminal.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>

#include "app/DialogView.h"
#include "state/RunPhase.h"
#include "state/Texts.h"

namespace quillon::cli {

class TerminalProgress : public DialogView {
  public:
    TerminalProgress(std::mutex& terminal, bool enabled, const PhaseChannel& phases,
                     int columns = 80)
        : terminal_(terminal), enabled_(enabled), phases_(phases), columns_(columns) {}

    void SetBarPosition(int position) override { position_ = position; }
    void StepBar() override {
        if (position_ < 100) ++position_;
    }
    void SetPercentLabel(const std::string& text) override { label_ = text; }
    void EnableControls(bool) override {}

    // Called with the terminal lock held.
    void ClearLine();
    // Redraws the line when something changed; takes the terminal lock.
    void Draw();
    // Clears the line and prints the run's summary in its place, with the last text the run
    // showed; takes the terminal lock.
    void Finish(const std::string& lastText);

  private:
    std::mutex& terminal_;
    bool enabled_;
    const PhaseChannel& phases_;
    int columns_;
    int position_ = 0;
    std::string label_ = text::kZeroPercent;
    std::string drawn_;
};

}  // namespace quillon::cli

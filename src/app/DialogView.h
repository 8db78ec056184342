// What the shared update controller drives on a front end: the progress bar, the percentage
// label and the controls that are disabled during a run.
#pragma once

#include <string>

namespace quillon {

class DialogView {
  public:
    virtual ~DialogView() = default;
    virtual void SetBarPosition(int position) = 0;
    virtual void StepBar() = 0;
    virtual void SetPercentLabel(const std::string& text) = 0;
    // Controls 1002, 1001, 1000 and 1012, in that order.
    virtual void EnableControls(bool enable) = 0;
};

}  // namespace quillon

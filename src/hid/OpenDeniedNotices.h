// A side interface that a HID backend may offer besides HidPlatform: it tells of device nodes
// that are there but that this user may not open, and of the fix, so that a front end can say so.
#pragma once

#include <functional>
#include <string>

namespace quillon {

class OpenDeniedNotices {
  public:
    // node: what could not be opened; fix: what the user can do about it, in one sentence.
    using Hook = std::function<void(const std::string& node, const std::string& fix)>;

    virtual ~OpenDeniedNotices() = default;
    // Replaces any earlier hook; it is called on the thread that tried the open.
    virtual void OnOpenDenied(Hook hook) = 0;
};

}  // namespace quillon

// The application: common controls, the platform the dialog runs over (real HID devices or a
// simulated bus), then the main dialog, modally; the process ends when it closes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace quillon::win32 {

class CQuillonApp {
  public:
    explicit CQuillonApp(HINSTANCE instance) : instance_(instance) {}

    // Runs the dialog to its end and returns false, so that the process ends then. args are the
    // command line's words after the program name (UTF-8).
    bool InitInstance(const std::vector<std::string>& args);
    // The process's exit code: 0, or 1 when the dialog could not be started, 2 for a wrong
    // command line.
    int ExitCode() const { return exitCode_; }

  private:
    void Tell(const std::string& text) const;

    HINSTANCE instance_;
    int exitCode_ = 0;
};

}  // namespace quillon::win32

// The dialog's command line: none, except --simulate [SCENARIO] and --help.
#pragma once

#include <string>
#include <vector>

namespace quillon::gui {

struct GuiOptions {
    bool help = false;
    bool simulate = false;
    std::string scenario;  // empty: one simulated device that fits the chosen file
};

extern const char kGuiUsage[];

// False with a message for anything else.
bool ParseGuiArgs(const std::vector<std::string>& words, GuiOptions& out, std::string& error);

}  // namespace quillon::gui

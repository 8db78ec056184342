// The command line both update dialogs take: none for the real devices; --simulate
// [SCENARIO.json] for a simulated bus, a firmware FILE for the path box, --start to press update
// at once, --policy FILE.json for an update policy other than the system's, --help.
#pragma once

#include <string>
#include <vector>

namespace quillon {

struct DialogOptions {
    bool help = false;
    bool simulate = false;
    std::string scenario;  // empty: one simulated device that fits the file being updated
    std::string file;      // put into the path box at start
    bool start = false;    // start an update as soon as the dialog is up
    std::string policy;    // empty: the system's update policy, if there is one
};

// Parses the arguments after the program name (UTF-8); false with a message in error.
bool ParseDialogArgs(const std::vector<std::string>& words, DialogOptions& out, std::string& error);

// The usage text, naming the program.
std::string DialogUsage(const std::string& program);

}  // namespace quillon

#include "app/DialogArgs.h"

#include "app/CommandLine.h"

namespace quillon {

bool ParseDialogArgs(const std::vector<std::string>& words, DialogOptions& out,
                     std::string& error) {
    out = DialogOptions{};
    bool haveFile = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (w == "--help") {
            out.help = true;
        } else if (w == "--simulate") {
            if (out.simulate) {
                error = "--simulate given twice";
                return false;
            }
            out.simulate = true;
            if (i + 1 < words.size() && IsScenarioWord(words[i + 1])) out.scenario = words[++i];
        } else if (w == "--start") {
            out.start = true;
        } else if (w == "--policy") {
            if (i + 1 == words.size() || words[i + 1].rfind("-", 0) == 0) {
                error = "--policy needs a policy file";
                return false;
            }
            out.policy = words[++i];
        } else if (w.rfind("-", 0) == 0) {
            error = "unknown option " + w;
            return false;
        } else if (IsScenarioWord(w)) {
            error = "a scenario goes right after --simulate: " + w;
            return false;
        } else if (haveFile) {
            error = "only one firmware file may be given";
            return false;
        } else {
            out.file = w;
            haveFile = true;
        }
    }
    if (out.start && !haveFile) {
        error = "--start needs a firmware file";
        return false;
    }
    return true;
}

std::string DialogUsage(const std::string& program) {
    return "usage: " + program +
           " [--simulate [SCENARIO.json]] [--start] [--policy FILE.json] [FILE.fw]\n"
           "\n"
           "Opens the update dialog. Choose a firmware file (.fw) with the browse button or type\n"
           "its path, then press the update button or Enter; every message of the run is shown in\n"
           "a box. While an update runs the dialog cannot be closed.\n"
           "\n"
           "  --simulate [SCENARIO.json]  use simulated devices instead of real ones: those of "
           "the\n"
           "                              scenario file, or one device that fits each chosen "
           "file;\n"
           "                              in real time, 1 ms per report\n"
           "  FILE.fw                     put into the path box at start\n"
           "  --start                     start the update of FILE.fw at once\n"
           "  --policy FILE.json          judge files by this update policy instead of the\n"
           "                              system's (a refused file is shown why, never sent)\n"
           "  --help                      print this text and exit\n"
           "\n"
           "Exit code 0 when the dialog was closed, 1 when the scenario could not be read or\n"
           "there is no HID backend, 2 when the command line was wrong.\n";
}

}  // namespace quillon

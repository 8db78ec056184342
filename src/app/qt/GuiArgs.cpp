#include "app/qt/GuiArgs.h"

namespace quillon::gui {

const char kGuiUsage[] =
    "usage: quillon-gui [--simulate [SCENARIO.json]]\n"
    "\n"
    "Opens the update dialog. Choose a firmware file (.fw) with the browse button or type its\n"
    "path, then press the update button or Enter; every message of the run is shown in a box.\n"
    "While an update runs the dialog cannot be closed.\n"
    "\n"
    "  --simulate [SCENARIO.json]  use simulated devices instead of real ones: those of the\n"
    "                              scenario file, or one device that fits each chosen file;\n"
    "                              in real time, 1 ms per report\n"
    "  --help                      print this text and exit\n"
    "\n"
    "Exit code 0 when the dialog was closed, 1 when the scenario could not be read or there\n"
    "is no HID backend, 2 when the command line was wrong.\n";

bool ParseGuiArgs(const std::vector<std::string>& words, GuiOptions& out, std::string& error) {
    out = GuiOptions{};
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (w == "--help") {
            out.help = true;
        } else if (w == "--simulate" && !out.simulate) {
            out.simulate = true;
            if (i + 1 < words.size() && words[i + 1].rfind("-", 0) != 0) out.scenario = words[++i];
        } else if (w == "--simulate") {
            error = "--simulate given twice";
            return false;
        } else {
            error = (w.rfind("-", 0) == 0 ? "unknown option " : "unexpected argument ") + w;
            return false;
        }
    }
    return true;
}

}  // namespace quillon::gui

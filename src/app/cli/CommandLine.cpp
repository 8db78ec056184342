// The quillon command line: the command word picks the subcommand.
#include <cstdio>
#include <string>
#include <vector>

#include "app/cli/Commands.h"

namespace {

constexpr char kUsage[] =
    "usage: quillon COMMAND [ARGS]\n"
    "\n"
    "Updates the firmware of the scanner family over USB HID.\n"
    "\n"
    "commands:\n"
    "  inspect FILE            check a \".fw\" file and show its header and what it implies\n"
    "  update FILE [options]   update the device that FILE is meant for (real or simulated)\n"
    "  pack [options] IMAGE OUTPUT\n"
    "                          make a \".fw\" file from an image and header fields\n"
    "  list [--simulate [SCENARIO.json]]\n"
    "                          list the HID interfaces present and mark the family's\n"
    "\n"
    "Run \"quillon COMMAND --help\" for a command's options.\n"
    "Exit codes: 0 done, 1 failed (the reason was printed), 2 the command line was wrong.\n";

}  // namespace

namespace quillon::cli {

int UsageError(const char* command, const std::string& message, const char* usage) {
    std::fprintf(stderr, "quillon %s: %s\n\n%s", command, message.c_str(), usage);
    return kExitUsage;
}

int RunCommandLine(const std::vector<std::string>& args) {
    if (args.empty()) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    const std::string& command = args[0];
    const std::vector<std::string> words(args.begin() + 1, args.end());
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    if (command == "--version") {
        std::puts("quillon 2.0.0");
        return kExitOk;
    }
    if (command == "inspect") return RunInspect(words);
    if (command == "pack") return RunPack(words);
    if (command == "list") return RunList(words);
    if (command == "update") return RunUpdate(words);
    std::fprintf(stderr, "quillon: unknown command \"%s\"\n\n%s", command.c_str(), kUsage);
    return kExitUsage;
}

}  // namespace quillon::cli

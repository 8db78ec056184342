// The quillon command line: the command word picks the subcommand.
#include <cstdio>

#include "app/cli/Commands.h"

namespace quillon::cli {

int RunCommandLine(const std::vector<std::string>& args) {
    CLI::App app("Updates the firmware of the scanner family over USB HID.", "quillon");
    app.set_version_flag("--version", VersionLine("quillon"));
    app.require_subcommand(1);
    std::unique_ptr<Command> commands[] = {DefineInspect(app), DefineUpdate(app),
                                           DefineStation(app), DefinePack(app), DefineList(app)};
    // Set after the commands are defined, which would inherit it.
    app.footer(
        "Run \"quillon COMMAND --help\" for a command's options.\n"
        "Exit codes: 0 done, 1 failed (the reason was printed), 2 the command line was wrong.");
    if (const auto code = ParseCommandLine(app, args)) return *code;
    for (const auto& c : commands) {
        if (c->Chosen()) return c->Run();
    }
    return kExitUsage;  // not reached: a command is required
}

}  // namespace quillon::cli

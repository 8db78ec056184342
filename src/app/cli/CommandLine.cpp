// The quillon command line: the command word picks the subcommand.
#include <algorithm>
#include <cstdio>
#include <mutex>

#include "app/cli/Commands.h"
#include "app/cli/TextColumns.h"
#include "app/schema/JsonLines.h"
#include "app/schema/RunObjects.h"

namespace quillon::cli {

CLI::Option* Command::AddSimulation(RunOptions& options, const char* help) {
    CLI::Option* simulate = sub_->add_option("--simulate", options.scenario, help)
                                ->expected(0, 1)
                                ->type_name("[SCENARIO.json]");
    sub_->add_flag("--virtual-time", options.virtualTime,
                   "simulated time: at once, then its duration on standard error")
        ->needs(simulate);
    return simulate;
}

void Command::AddPolicy(std::string& path) {
    sub_->add_option("--policy", path, "judge FILE by this update policy, not the system's")
        ->type_name("FILE.json");
}

int Command::Fail(int code, const std::string& error, bool json, std::mutex* stdoutLock) const {
    std::fprintf(stderr, "quillon %s: %s\n", sub_->get_name().c_str(), error.c_str());
    if (json) {
        std::mutex own;
        schema::JsonLines(stdout, stdoutLock != nullptr ? *stdoutLock : own)
            .Write(schema::RunObjects().Error(code, error));
    }
    return code;
}

std::unique_ptr<PolicyGate> PolicyInForce(const std::string& path, std::string& error) {
    std::unique_ptr<PolicyGate> gate = GateOf(path);
    error = gate != nullptr ? gate->Loaded().error : std::string();
    if (!error.empty()) gate.reset();
    return gate;
}

namespace {

// A script that asked for JSON gets its usage error as JSON too, on standard output.
void TellUsageErrorAsJson(const std::vector<std::string>& args, const ParseOutcome& outcome) {
    const auto end = std::find(args.begin(), args.end(), "--");
    if (outcome.kind != ParseOutcome::kUsageError ||
        std::find(args.begin(), end, "--json") == end) {
        return;
    }
    std::mutex lock;
    schema::JsonLines(stdout, lock)
        .Write(schema::RunObjects().Error(kExitUsage, outcome.what, outcome.command));
}

// Every help screen fits a terminal of 80 columns without wrapping: descriptions beside the
// 30-column name column in the rest, footers in 79.
void FitHelp(CLI::App& app) {
    constexpr std::size_t kWidth = 79, kNames = 30;
    app.footer(WrapColumns(app.get_footer(), kWidth));
    // A command's description is also listed beside its name in the help of the whole.
    const bool listed = app.get_parent() != nullptr;
    app.description(WrapColumns(app.get_description(), listed ? kWidth - kNames : kWidth));
    for (CLI::Option* o : app.get_options()) {
        o->description(WrapColumns(o->get_description(), kWidth - kNames));
    }
    for (CLI::App* sub : app.get_subcommands([](CLI::App*) { return true; })) FitHelp(*sub);
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& args) {
    CLI::App app("Updates the firmware of the scanner family over USB HID.", "quillon");
    // Options begin with - on every system: on Windows, CLI11 would also take a word beginning
    // with / for one, and a path such as /tmp/x.fw would be refused. The commands inherit this.
    app.allow_windows_style_options(false);
    app.set_version_flag("--version", VersionLine("quillon"));
    app.require_subcommand(1);
    std::unique_ptr<Command> commands[] = {
        DefineInspect(app), DefineUpdate(app), DefineStation(app),   DefinePack(app),
        DefineList(app),    DefineStatus(app), DefineCompletion(app)};
    // Set after the commands are defined, which would inherit it.
    app.footer(
        "Run \"quillon COMMAND --help\" for a command's options.\n\n"
        "Exit codes, the same for every command: 0 done (every run ended with \"완료\");\n"
        "1 a run failed after something was sent that may have changed a device; 2 the\n"
        "command line or one of its files cannot be used (nothing sent); 3 the file was\n"
        "refused (nothing sent); 4 no device fits the file (nothing sent).");
    FitHelp(app);
    const ParseOutcome outcome = ParseWords(app, args);
    TellUsageErrorAsJson(args, outcome);
    if (const auto code = TellOutcome(outcome)) return *code;
    for (const auto& c : commands) {
        if (c->Chosen()) return c->Run();
    }
    return kExitUsage;  // not reached: a command is required
}

}  // namespace quillon::cli

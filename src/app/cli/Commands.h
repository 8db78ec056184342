// The subcommands of the quillon command line: each defines its words on a CLI11 subcommand and,
// once they are parsed, runs and returns the process exit code.
#pragma once

#include <CLI/CLI.hpp>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/PolicyGate.h"
#include "app/RunSetup.h"
#include "hid/HidPlatform.h"

namespace quillon::cli {

class Command {
  public:
    virtual ~Command() = default;
    virtual int Run() = 0;
    bool Chosen() const { return sub_->parsed(); }

  protected:
    explicit Command(CLI::App* sub) : sub_(sub) {}
    // --simulate [SCENARIO.json] and --virtual-time, as the commands that run updates take them
    // (what lets --simulate alone: help), the --simulate option, to see whether it was given.
    CLI::Option* AddSimulation(RunOptions& options,
                               const char* help =
                                   "simulated devices: the scenario's, or one that "
                                   "fits FILE");
    // --policy FILE.json, as the commands that send or judge a firmware file take it.
    void AddPolicy(std::string& path);
    // Ends the command before anything was sent: "quillon COMMAND: error" on standard error and,
    // for --json, the error object on standard output (under stdoutLock where threads share it);
    // returns code.
    int Fail(int code, const std::string& error, bool json, std::mutex* stdoutLock = nullptr) const;
    CLI::App* sub_;
};

std::unique_ptr<Command> DefineInspect(CLI::App& app);
std::unique_ptr<Command> DefinePack(CLI::App& app);
std::unique_ptr<Command> DefineList(CLI::App& app);
std::unique_ptr<Command> DefineUpdate(CLI::App& app);
std::unique_ptr<Command> DefineCompletion(CLI::App& app);
std::unique_ptr<Command> DefineStation(CLI::App& app);
std::unique_ptr<Command> DefineStatus(CLI::App& app);

// The policy in force: the file given, else the platform's if there is one. Null with error set
// when it cannot be used (a command then ends with exit 2, nothing sent); null with error empty
// when there is none.
std::unique_ptr<PolicyGate> PolicyInForce(const std::string& path, std::string& error);

// One update run of the firmware file against hid, as "quillon update" makes it: every text on
// standard output, progress on standard error, interrupts held while the run touches the
// device. The exit code.
int RunUpdateOn(HidPlatform& hid, const std::string& firmware);

// The whole command line after the program name: the command word and its arguments (UTF-8).
int RunCommandLine(const std::vector<std::string>& args);

}  // namespace quillon::cli

// The rules every program's command line follows: how a usage error is told and its exit code,
// --help and --version, and the optional scenario word of --simulate.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>
#include <vector>

#include "app/ExitCodes.h"

namespace quillon {

// "<name> <version>", the version being the project's.
std::string VersionLine(const std::string& program);

// --simulate takes the word after it as its scenario only when that word ends in ".json", so
// that "--simulate FILE.fw" leaves the firmware file where it is.
bool IsScenarioWord(const std::string& word);

struct ParseOutcome {
    enum Kind { kRun, kHelp, kVersion, kUsageError } kind = kRun;
    std::string what;     // kUsageError: what was wrong; kHelp, kVersion: the text to print
    std::string command;  // kUsageError: "<program> [<command>]" that the words reached
    std::string help;     // kUsageError: that command's help
};

// Parses words (UTF-8, the program's name left out) into app.
ParseOutcome ParseWords(CLI::App& app, std::vector<std::string> words);

// Tells an outcome of ParseWords as ParseCommandLine does; nothing for kRun.
std::optional<int> TellOutcome(const ParseOutcome& outcome);

// ParseWords, then tells the outcome. Returns the exit code when the program is to end at once:
// 0 once help or the version has been printed on standard output, 2 once a usage error has been
// told on standard error ("<command>: <what>", then the command's help). Nothing when the
// program goes on.
std::optional<int> ParseCommandLine(CLI::App& app, std::vector<std::string> words);

}  // namespace quillon

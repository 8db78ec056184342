#include "app/CommandLine.h"

#include <algorithm>
#include <cstdio>

namespace quillon {

std::string VersionLine(const std::string& program) {
    return program + " " QUILLON_VERSION;
}

bool IsScenarioWord(const std::string& word) {
    constexpr char kJson[] = ".json";
    const std::size_t n = sizeof kJson - 1;
    return word.size() > n && word.compare(word.size() - n, n, kJson) == 0;
}

namespace {

// CLI11 would take the word after an option with an optional value whenever a required word
// is still to come, so the rule is spelt out for it: "--simulate=S.json" for a scenario word, and
// "--simulate --" otherwise (a "--" right after the option ends its values and is dropped; the
// words after it are read as usual). Words after the user's own "--" are left alone.
void ApplyScenarioRule(std::vector<std::string>& words) {
    for (std::size_t i = 0; i < words.size() && words[i] != "--"; ++i) {
        if (words[i] != "--simulate" && words[i] != "--simulate=") continue;
        words[i] = "--simulate";
        const auto next = words.begin() + static_cast<std::ptrdiff_t>(i) + 1;
        if (next != words.end() && IsScenarioWord(*next)) {
            words[i] += "=" + *next;
            words.erase(next);
        } else {
            words.insert(next, "--");
            ++i;
        }
    }
}

// The deepest command that the words reached.
const CLI::App* Reached(const CLI::App& app) {
    const CLI::App* at = &app;
    for (;;) {
        const auto subs = at->get_subcommands();
        if (subs.empty()) return at;
        at = subs.front();
    }
}

// "<program> [<command> ...]" of the commands above reached, reached left out.
std::string PathAbove(const CLI::App& app, const CLI::App& reached) {
    std::string path;
    for (const CLI::App* at = reached.get_parent(); at != nullptr; at = at->get_parent()) {
        path.insert(0, path.empty() ? at->get_name() : at->get_name() + " ");
        if (at == &app) break;
    }
    return path;
}

std::string HelpOf(const CLI::App& app, const CLI::App& reached) {
    return reached.help(PathAbove(app, reached));
}

std::string CommandName(const CLI::App& app, const CLI::App& reached) {
    const std::string above = PathAbove(app, reached);
    return above.empty() ? reached.get_name() : above + " " + reached.get_name();
}

// CLI11's own words for a word that fits nowhere ("A subcommand is required", "The following
// argument was not expected") say neither which word nor what it was taken for.
std::string WhatWasWrong(const CLI::App& reached, const CLI::ParseError& e) {
    const bool hasCommands = !reached.get_subcommands({}).empty();
    const std::vector<std::string> extra = reached.remaining();
    if (!extra.empty()) {
        const std::string& word = extra.front();
        if (word.size() > 1 && word[0] == '-') return "unknown option " + word;
        return (hasCommands ? "unknown command " : "unexpected word ") + word;
    }
    if (hasCommands && reached.get_require_subcommand_min() > 0) return "no command given";
    return e.what();
}

}  // namespace

ParseOutcome ParseWords(CLI::App& app, std::vector<std::string> words) {
    ApplyScenarioRule(words);
    std::reverse(words.begin(), words.end());  // CLI11 takes them last first
    ParseOutcome outcome;
    try {
        app.parse(words);
    } catch (const CLI::CallForHelp&) {
        outcome.kind = ParseOutcome::kHelp;
        outcome.what = HelpOf(app, *Reached(app));
    } catch (const CLI::CallForVersion& e) {
        outcome.kind = ParseOutcome::kVersion;
        outcome.what = std::string(e.what()) + "\n";
    } catch (const CLI::ParseError& e) {
        const CLI::App& reached = *Reached(app);
        outcome.kind = ParseOutcome::kUsageError;
        outcome.what = WhatWasWrong(reached, e);
        outcome.command = CommandName(app, reached);
        outcome.help = HelpOf(app, reached);
    }
    return outcome;
}

std::optional<int> ParseCommandLine(CLI::App& app, std::vector<std::string> words) {
    return TellOutcome(ParseWords(app, std::move(words)));
}

std::optional<int> TellOutcome(const ParseOutcome& outcome) {
    switch (outcome.kind) {
        case ParseOutcome::kRun:
            return std::nullopt;
        case ParseOutcome::kHelp:
        case ParseOutcome::kVersion:
            std::fputs(outcome.what.c_str(), stdout);
            return kExitOk;
        case ParseOutcome::kUsageError:
            break;
    }
    std::fprintf(stderr, "%s: %s\n\n%s", outcome.command.c_str(), outcome.what.c_str(),
                 outcome.help.c_str());
    return kExitUsage;
}

}  // namespace quillon

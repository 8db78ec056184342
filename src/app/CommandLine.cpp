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

// CLI11 would take any word after an option with an optional value; "--simulate=" and
// "--simulate=S.json" say exactly what the rule means.
void ApplyScenarioRule(std::vector<std::string>& words) {
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (words[i] != "--simulate") continue;
        if (i + 1 < words.size() && IsScenarioWord(words[i + 1])) {
            words[i] += "=" + words[i + 1];
            words.erase(words.begin() + static_cast<std::ptrdiff_t>(i) + 1);
        } else {
            words[i] += "=";
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
        outcome.what = e.what();
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

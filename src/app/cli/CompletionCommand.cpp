// quillon completion: prints the bash completion of the command line, made from the commands'
// own definitions, so that it never names an option that is not there. The build writes it to
// the file that is installed; the command is left out of the help.
#include <cstdio>
#include <string>

#include "app/cli/Commands.h"

namespace quillon::cli {

namespace {

enum class Value { kNone, kAnything, kAnyFile, kFolder, kFirmwareFile, kScenarioFile };

// What a word after opt is completed with.
Value ValueOf(const CLI::Option& opt) {
    const std::string type = opt.get_type_name();
    if (opt.get_positional())
        return opt.get_name() == "FILE" ? Value::kFirmwareFile : Value::kAnyFile;
    if (opt.get_expected_max() == 0) return Value::kNone;  // a flag
    if (type.find(".json") != std::string::npos) return Value::kScenarioFile;
    if (type.find("FILE") != std::string::npos) return Value::kAnyFile;
    if (type == "DIR") return Value::kFolder;
    return Value::kAnything;
}

// The bash words that complete a value of this kind ($cur being the word so far).
std::string Reply(Value v) {
    switch (v) {
        case Value::kAnyFile:
            return "COMPREPLY=($(compgen -f -- \"$cur\"))";
        case Value::kFolder:
            return "COMPREPLY=($(compgen -d -- \"$cur\"))";
        case Value::kFirmwareFile:
            return "COMPREPLY=($(compgen -f -X '!*.fw' -- \"$cur\") $(compgen -d -- \"$cur\"))";
        case Value::kScenarioFile:
            // The value is optional: the word may as well be the firmware file.
            return "COMPREPLY=($(compgen -f -X '!*.json' -- \"$cur\") "
                   "$(compgen -f -X '!*.fw' -- \"$cur\") $(compgen -d -- \"$cur\"))";
        case Value::kNone:
        case Value::kAnything:
            break;
    }
    return "COMPREPLY=()";
}

std::string Script(const CLI::App& root) {
    std::string commands;
    std::string perCommand;
    for (const CLI::App* sub : root.get_subcommands({})) {
        if (sub->get_group().empty()) continue;  // hidden, like this one
        commands += (commands.empty() ? "" : " ") + sub->get_name();
        std::string options = "--help";
        std::string values;
        std::string positional = Reply(Value::kNone);
        for (const CLI::Option* opt : sub->get_options()) {
            if (opt->get_positional()) {
                positional = Reply(ValueOf(*opt));
                continue;
            }
            const std::string name = opt->get_name(false, true);
            if (name.rfind("--", 0) != 0 || name == "--help") continue;
            options += " " + name;
            const Value v = ValueOf(*opt);
            if (v != Value::kNone)
                values += "            " + name + ") " + Reply(v) + "; return ;;\n";
        }
        perCommand += "        " + sub->get_name() + ")\n";
        perCommand += "            options=\"" + options + "\"\n";
        perCommand += "            case $prev in\n" + values + "            esac\n";
        perCommand += "            [[ $cur == -* ]] || { " + positional + "; return; }\n";
        perCommand += "            ;;\n";
    }
    std::string s;
    s += "# bash completion for quillon; made by \"quillon completion\" from its commands.\n";
    s += "_quillon() {\n";
    s += "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n";
    s += "    local command= options i\n";
    s += "    for ((i = 1; i < COMP_CWORD; i++)); do\n";
    s += "        [[ ${COMP_WORDS[i]} == -* ]] || { command=${COMP_WORDS[i]}; break; }\n";
    s += "    done\n";
    s += "    case $command in\n";
    s += "        \"\")\n";
    s +=
        "            COMPREPLY=($(compgen -W \"" + commands + " --help --version\" -- \"$cur\"))\n";
    s += "            return ;;\n";
    s += perCommand;
    s += "        *) return ;;\n";
    s += "    esac\n";
    s += "    COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n";
    s += "}\n";
    s += "complete -o filenames -F _quillon quillon\n";
    return s;
}

class Completion : public Command {
  public:
    explicit Completion(CLI::App& app)
        : Command(app.add_subcommand("completion", "print the bash completion")), root_(app) {
        sub_->group("");
    }

    int Run() override {
        std::fputs(Script(root_).c_str(), stdout);
        return kExitOk;
    }

  private:
    const CLI::App& root_;
};

}  // namespace

std::unique_ptr<Command> DefineCompletion(CLI::App& app) {
    return std::make_unique<Completion>(app);
}

}  // namespace quillon::cli

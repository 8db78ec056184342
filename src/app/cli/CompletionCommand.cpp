// quillon completion: prints the bash completion of the command line, made from the commands'
// own definitions, so that it never names an option that is not there (or, with --commands, the
// commands' names, which the man page takes). The build writes it to the file that is installed;
// the command is left out of the help.
#include <cctype>
#include <cstdio>
#include <string>

#include "app/cli/Commands.h"

namespace quillon::cli {

namespace {

// What a word is completed with: nothing, a folder, any file, or files of one extension (and
// folders, to get to them).
struct Value {
    enum Kind { kNone, kFolder, kFile } kind = kNone;
    std::string extension;    // kFile: "fw", "json", "jsonl"; empty for any file
    bool orFirmware = false;  // the value is optional: the word may as well be the firmware file
};

// The extension a value's name shows: "FILE.jsonl" -> "jsonl", "[SCENARIO.json]" -> "json".
std::string ExtensionOf(const std::string& type) {
    const std::size_t dot = type.rfind('.');
    if (dot == std::string::npos) return "";
    std::string ext;
    for (std::size_t i = dot + 1;
         i < type.size() && std::isalnum(static_cast<unsigned char>(type[i])); ++i) {
        ext += type[i];
    }
    return ext;
}

// What a word after opt is completed with, in a command that takes a firmware FILE or not.
Value ValueOf(const CLI::Option& opt, bool takesFirmware) {
    if (opt.get_positional()) {
        return {Value::kFile, opt.get_name() == "FILE" ? "fw" : "", false};
    }
    if (opt.get_expected_max() == 0) return {};  // a flag
    const std::string type = opt.get_type_name();
    if (type == "DIR") return {Value::kFolder, "", false};
    const std::string ext = ExtensionOf(type);
    if (ext.empty() && type.find("FILE") == std::string::npos) return {};  // a PORT, a number
    return {Value::kFile, ext, opt.get_expected_min() == 0 && takesFirmware};
}

// The bash words that complete a value of this kind ($cur being the word so far).
std::string Reply(const Value& v) {
    if (v.kind == Value::kNone) return "COMPREPLY=()";
    if (v.kind == Value::kFolder) return "COMPREPLY=($(compgen -d -- \"$cur\"))";
    if (v.extension.empty()) return "COMPREPLY=($(compgen -f -- \"$cur\"))";
    std::string words = "$(compgen -f -X '!*." + v.extension + "' -- \"$cur\") ";
    if (v.orFirmware) words += "$(compgen -f -X '!*.fw' -- \"$cur\") ";
    return "COMPREPLY=(" + words + "$(compgen -d -- \"$cur\"))";
}

bool TakesFirmware(const CLI::App& command) {
    for (const CLI::Option* opt : command.get_options()) {
        if (opt->get_positional() && opt->get_name() == "FILE") return true;
    }
    return false;
}

std::string Script(const CLI::App& root) {
    std::string commands;
    std::string perCommand;
    for (const CLI::App* sub : root.get_subcommands({})) {
        if (sub->get_group().empty()) continue;  // hidden, like this one
        commands += (commands.empty() ? "" : " ") + sub->get_name();
        std::string options = "--help";
        std::string values;
        std::string positional = Reply({});
        const bool takesFirmware = TakesFirmware(*sub);
        for (const CLI::Option* opt : sub->get_options()) {
            if (opt->get_positional()) {
                positional = Reply(ValueOf(*opt, takesFirmware));
                continue;
            }
            const std::string name = opt->get_name(false, true);
            if (name.rfind("--", 0) != 0 || name == "--help") continue;
            options += " " + name;
            // Every option that takes a value has a case of its own, so that a PORT or a number
            // is never offered the command's files.
            if (opt->get_expected_max() != 0)
                values += "            " + name + ") " + Reply(ValueOf(*opt, takesFirmware)) +
                          "; return ;;\n";
        }
        perCommand += "        " + sub->get_name() + ")\n";
        perCommand += "            options=\"" + options + "\"\n";
        // A word that begins with - is an option, even after one whose value is optional.
        perCommand +=
            "            [[ $cur == -* ]] && { COMPREPLY=($(compgen -W \"$options\" -- "
            "\"$cur\")); return; }\n";
        perCommand += "            case $prev in\n" + values + "            esac\n";
        perCommand += "            " + positional + "\n";
        perCommand += "            return ;;\n";
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
    s += "}\n";
    s += "complete -o filenames -F _quillon quillon\n";
    return s;
}

class Completion : public Command {
  public:
    explicit Completion(CLI::App& app)
        : Command(app.add_subcommand("completion", "print the bash completion")), root_(app) {
        sub_->group("");
        sub_->add_flag("--commands", commandsOnly_,
                       "the commands' names, one a line (for the man page)");
    }

    int Run() override {
        if (commandsOnly_) {
            for (const CLI::App* sub : root_.get_subcommands({})) {
                if (!sub->get_group().empty()) std::printf("%s\n", sub->get_name().c_str());
            }
            return kExitOk;
        }
        std::fputs(Script(root_).c_str(), stdout);
        return kExitOk;
    }

  private:
    const CLI::App& root_;
    bool commandsOnly_ = false;
};

}  // namespace

std::unique_ptr<Command> DefineCompletion(CLI::App& app) {
    return std::make_unique<Completion>(app);
}

}  // namespace quillon::cli

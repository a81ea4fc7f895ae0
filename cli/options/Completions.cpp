#include "cli/options/Completions.h"

#include "cli/options/OptionTable.h"

namespace qmduck {
namespace {

std::string bashScript() {
    std::string names;
    std::string cases;
    for (const OptionInfo& option : optionTable()) {
        names += std::string(names.empty() ? "" : " ") + option.name + (option.shortName ? std::string(" ") + option.shortName : "");
        if (option.value == OptionValue::None) continue;
        const std::string pattern = std::string(option.name) + (option.shortName ? std::string("|") + option.shortName : "");
        std::string action;
        switch (option.value) {
        case OptionValue::Choice: action = "COMPREPLY=($(compgen -W '" + std::string(option.values) + "' -- \"$cur\"))"; break;
        case OptionValue::File:
            action = option.values ? "COMPREPLY=($(compgen -f -X '!" + std::string(option.values) + "' -- \"$cur\") $(compgen -d -- \"$cur\"))"
                                   : "COMPREPLY=($(compgen -f -- \"$cur\"))";
            break;
        default: action = "COMPREPLY=()"; break;
        }
        cases += "        " + pattern + ") " + action + "; return ;;\n";
    }
    return "# bash completion for quellmar-duck, generated from its option table.\n"
           "_quellmar_duck() {\n"
           "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
           "    shopt -s extglob\n"
           "    case $prev in\n" + cases +
           "    esac\n"
           "    if [[ $cur == -* ]]; then\n"
           "        COMPREPLY=($(compgen -W '" + names + "' -- \"$cur\"))\n"
           "    else\n"
           "        COMPREPLY=($(compgen -f -- \"$cur\"))\n"
           "    fi\n"
           "}\n"
           "complete -o filenames -F _quellmar_duck quellmar-duck\n";
}

// bash's extended glob "*.@(a|b)" in zsh's words: "*.(a|b)".
std::string zshGlob(std::string glob) {
    if (const auto at = glob.find("@("); at != std::string::npos) glob.erase(at, 1);
    return glob;
}

std::string zshScript() {
    std::string specs;
    for (const OptionInfo& option : optionTable()) {
        std::string action;
        switch (option.value) {
        case OptionValue::None: break;
        case OptionValue::Choice: action = ":value:(" + std::string(option.values) + ")"; break;
        case OptionValue::File: action = option.values ? ":file:_files -g \"" + zshGlob(option.values) + "\"" : ":file:_files"; break;
        default: action = ":value: "; break;
        }
        const std::string repeat = option.value == OptionValue::File || option.value == OptionValue::Text ? "*" : "";
        specs += "    '" + repeat + option.name + action + "' \\\n";
        if (option.shortName) specs += "    '" + repeat + option.shortName + action + "' \\\n";
    }
    return "#compdef quellmar-duck\n"
           "# zsh completion for quellmar-duck, generated from its option table.\n"
           "_arguments -s \\\n" + specs +
           "    '*:sound file:_files'\n";
}

}  // namespace

std::string completionScript(const std::string& shell) {
    if (shell == "bash") return bashScript();
    if (shell == "zsh") return zshScript();
    return {};
}

}  // namespace qmduck

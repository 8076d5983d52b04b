// `lumenrt completion bash`: a bash completion script made from the tool's own command definitions,
// so it knows every command, verb and option the tool has (the build installs its output as
// share/bash-completion/completions/lumenrt).
//
// The script's function follows the words typed so far through the commands: a word that names a
// verb of the command reached so far goes one level down, the value after an option that takes one
// is skipped. Then it offers that command's verbs, or, when the word being completed starts with
// '-', its options with those of its groups and of the tool itself (a verb takes them all). After an
// option that takes a value, and where a command expects files, bash completes file names
// (complete -o default).
#include <iostream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "command.h"
#include "records.h"

namespace lumenrt::tool {
namespace {

// A command's place in the script: the words that lead to it, each preceded by a space ("" for the
// tool, " cipher list" for a verb).
std::string CompletionKey(const CLI::App& command) {
  std::string key;
  for (const CLI::App* a = &command; a->get_parent() != nullptr; a = a->get_parent())
    key.insert(0, " " + a->get_name());
  return key;
}

// The option names a command accepts (its own and its groups'; the tool's own options, --help and
// --version, at the tool only), and those that take a value.
void CompletionOptions(const CLI::App& command, std::set<std::string>& names, std::set<std::string>& valued) {
  for (const CLI::App* a = &command; a != nullptr && (a == &command || a->get_parent() != nullptr);
       a = a->get_parent()) {
    for (const CLI::Option* o : a->get_options()) {
      if (!o->nonpositional()) continue;
      std::vector<std::string> spelled;
      for (const std::string& l : o->get_lnames()) spelled.push_back("--" + l);
      for (const std::string& s : o->get_snames()) spelled.push_back("-" + s);
      for (const std::string& name : spelled) {
        names.insert(name);
        if (o->get_type_size_max() > 0 && !o->get_type_name().empty()) valued.insert(name);
      }
    }
  }
}

std::string CompletionWords(const std::set<std::string>& words) {
  std::string text;
  for (const std::string& w : words) text += (text.empty() ? "" : " ") + w;
  return text;
}

struct CompletionCases {
  std::string walk;     // case patterns of the commands below the tool
  std::string valued;   // case patterns "<command>:<option>" of options that take a value
  std::string offered;  // case branches setting the verbs and options of each command
};

void CollectCompletion(const CLI::App& command, CompletionCases& cases) {
  const std::string key = CompletionKey(command);
  std::set<std::string> verbs, options, valued;
  for (const CLI::App* verb : command.get_subcommands([](const CLI::App*) { return true; })) {
    verbs.insert(verb->get_name());
    cases.walk += (cases.walk.empty() ? "" : "|") + ("\"" + CompletionKey(*verb) + "\"");
  }
  CompletionOptions(command, options, valued);
  for (const std::string& name : valued)
    cases.valued += (cases.valued.empty() ? "" : "|") + ("\"" + key + ":" + name + "\"");
  cases.offered += "    \"" + key + "\") verbs=\"" + CompletionWords(verbs) + "\" options=\"" +
                   CompletionWords(options) + "\" ;;\n";
  for (const CLI::App* verb : command.get_subcommands([](const CLI::App*) { return true; }))
    CollectCompletion(*verb, cases);
}

std::string BashCompletion(const CLI::App& tool) {
  CompletionCases cases;
  CollectCompletion(tool, cases);
  // An empty case pattern list would be a syntax error; "" never matches what the script compares.
  if (cases.walk.empty()) cases.walk = "\"\"";
  if (cases.valued.empty()) cases.valued = "\"\"";
  const std::string name = tool.get_name();
  return "# bash completion for " + name + ", made by `" + name + " completion bash`\n" + "_" + name +
         "_takes_value() {\n" +
         "  case \"$1:$2\" in\n"
         "    " +
         cases.valued + ") return 0 ;;\n" +
         "  esac\n"
         "  return 1\n"
         "}\n\n" +
         "_" + name + "() {\n" +
         "  local cur=\"${COMP_WORDS[COMP_CWORD]}\" path=\"\" word verbs=\"\" options=\"\" i\n"
         "  for ((i = 1; i < COMP_CWORD; i++)); do\n"
         "    word=\"${COMP_WORDS[i]}\"\n"
         "    if ((i > 1)) && _" +
         name + "_takes_value \"$path\" \"${COMP_WORDS[i-1]}\"; then continue; fi\n" +
         "    case \"$path $word\" in\n"
         "      " +
         cases.walk + ") path=\"$path $word\" ;;\n" +
         "    esac\n"
         "  done\n"
         "  COMPREPLY=()\n"
         "  if ((COMP_CWORD > 1)) && _" +
         name + "_takes_value \"$path\" \"${COMP_WORDS[COMP_CWORD-1]}\"; then\n" +
         "    return 0\n"
         "  fi\n"
         "  case \"$path\" in\n" +
         cases.offered + "  esac\n" +
         "  if [[ \"$cur\" == -* ]]; then\n"
         "    COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
         "  else\n"
         "    COMPREPLY=($(compgen -W \"$verbs\" -- \"$cur\"))\n"
         "  fi\n"
         "}\n"
         "complete -o default -F _" +
         name + " " + name + "\n";
}

const Registration kCompletion{[](CLI::App& tool) {
  CLI::App* completion = AddCommand(tool, "completion", "print a shell completion script for lumenrt");
  CLI::App* bash = AddCommand(*completion, "bash",
                              "print the bash completion script (source it, or install it as "
                              "share/bash-completion/completions/lumenrt)",
                              [&tool] {
                                std::cout << BashCompletion(tool);
                                return kExitOk;
                              });
  AddExamples(*bash, {"source <(lumenrt completion bash)",
                      "lumenrt completion bash > ~/.local/share/bash-completion/completions/lumenrt"});
}};

}  // namespace
}  // namespace lumenrt::tool

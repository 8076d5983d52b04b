// lumenrt: the library in a user's hands. See `lumenrt help`.
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ios>
#include <iostream>
#include <map>
#include <memory>
#include <new>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <vector>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "lumenrt/core/message_catalogue.h"
#include "lumenrt/core/version.h"
#include "lumenrt/core/zerror.h"

#include "command.h"

namespace lumenrt::tool {
namespace {

// Marks a validator's message that is the whole error line (CLI11 puts the option's name before it).
const std::string kWholeMessage = "\x1f";

std::vector<std::function<void(CLI::App&)>>& Registrations() {
  static std::vector<std::function<void(CLI::App&)>> registrations;
  return registrations;
}

std::map<const CLI::App*, Action>& Actions() {
  static std::map<const CLI::App*, Action> actions;
  return actions;
}

bool IsHelp(const CLI::Option* option) { return option->get_name() == "--help"; }

bool IsCommand(const CLI::App& tool, const std::string& name) {
  for (const CLI::App* command : tool.get_subcommands([](const CLI::App*) { return true; }))
    if (command->get_name() == name) return true;
  return false;
}

// "--source FILE", or "[--chunk N]"; a repeatable option gets " ...".
std::string OptionUsage(const CLI::Option& option) {
  std::string text = option.get_positional() ? option.get_name(true) : option.get_name();
  if (!option.get_positional() && option.get_type_size_max() > 0 && !option.get_type_name().empty())
    text += " " + option.get_type_name();
  if (option.get_items_expected_max() > 1) text += " ...";
  return option.get_required() ? text : "[" + text + "]";
}

std::string CommandPath(const CLI::App& command) {
  std::string path = command.get_name();
  for (const CLI::App* p = command.get_parent(); p != nullptr; p = p->get_parent())
    path = p->get_name() + " " + path;
  return path;
}

// Help for a single command: its usage line, its summary, then CLI11's lists of options and verbs.
class ToolFormatter : public CLI::Formatter {
 public:
  std::string make_usage(const CLI::App* app, std::string) const override {
    return "usage: " + UsageLine(*app) + "\n";
  }
  // A verb's help also lists the options it takes from its groups, before its footer.
  std::string make_help(const CLI::App* app, std::string name, CLI::AppFormatMode mode) const override {
    std::string help = CLI::Formatter::make_help(app, std::move(name), mode);
    while (help.size() > 1 && help.ends_with("\n\n")) help.pop_back();
    for (const CLI::App* group = app->get_parent(); group != nullptr && group->get_parent() != nullptr;
         group = group->get_parent()) {
      auto options =
          group->get_options([](const CLI::Option* o) { return o->nonpositional() && !IsHelp(o); });
      if (!options.empty()) help += make_group("Options of " + CommandPath(*group), false, options);
    }
    const std::string footer = CLI::Formatter::make_footer(app);  // notes and examples end the help
    return footer.empty() ? help : help + "\n" + footer;
  }
  std::string make_footer(const CLI::App*) const override { return {}; }
  std::string make_option_opts(const CLI::Option* option) const override {
    if (!option->get_positional()) return CLI::Formatter::make_option_opts(option);
    return option->get_required() ? " " + get_label("REQUIRED") : "";
  }
};

// Leaf commands in the order of their paths, for `lumenrt help`.
void CollectLeaves(const CLI::App& app, std::vector<const CLI::App*>& leaves) {
  auto subs = app.get_subcommands([](const CLI::App*) { return true; });
  if (subs.empty() && app.get_parent() != nullptr) leaves.push_back(&app);
  for (const CLI::App* sub : subs) CollectLeaves(*sub, leaves);
}

void PrintOverview(const CLI::App& tool, std::ostream& out) {
  out << "usage: lumenrt <command> [options]   (lumenrt <command> --help for a command's options)\n\n"
         "commands:\n";
  std::vector<const CLI::App*> leaves;
  CollectLeaves(tool, leaves);
  std::stable_sort(leaves.begin(), leaves.end(),
                   [](const CLI::App* a, const CLI::App* b) { return CommandPath(*a) < CommandPath(*b); });
  for (const CLI::App* leaf : leaves) {
    out << "  " << UsageLine(*leaf).substr(sizeof "lumenrt " - 1) << "\n      " << leaf->get_description()
        << "\n";
  }
  out << "\nlumenrt --version prints the library's version.\n\n"
         "exit codes: 0 success; 1 the answer is none, the request is refused, or an operation failed on\n"
         "the system's side (output that cannot be written, a module that cannot be loaded, something\n"
         "left behind); 2 bad usage or bad input (a wrong command line; an input that is missing,\n"
         "unreadable or malformed)\n";
}

// The deepest command the parse selected.
const CLI::App* Selected(const CLI::App& tool) {
  const CLI::App* command = &tool;
  while (!command->get_subcommands().empty()) command = command->get_subcommands().front();
  return command;
}

// "FACILITY NUMBER [ARGUMENT]"
std::string PositionalUsage(const CLI::App& command) {
  std::string text;
  for (const CLI::Option* o : command.get_options())
    if (o->get_positional()) text += (text.empty() ? "" : " ") + OptionUsage(*o);
  return text;
}

// Whether a "... is required" message is about one of the command's positionals.
bool MissesPositional(const CLI::App& command, const std::string& message) {
  for (const CLI::Option* o : command.get_options())
    if (o->get_positional() && message == o->get_name(true) + " is required") return true;
  return false;
}

bool IsOption(const std::string& word) {
  return word.starts_with('-') && !ParseInteger(word, LLONG_MIN, LLONG_MAX);
}

// The first word no command took, named with the command it was given to ("unknown option '--x' for
// 'encrypt'"), or empty when the parse used every word. `args` are the tool's arguments.
std::string LeftOver(const CLI::App& tool, const std::vector<std::string>& args) {
  if (tool.remaining_size(true) == 0) return {};  // counts no "--" that ends the options
  std::string word;
  for (const std::string& w : tool.remaining(true))
    if (w != "--") {
      word = w;
      break;
    }
  const CLI::App& command = *Selected(tool);
  const std::string full = CommandPath(command);
  const std::string path = command.get_parent() ? full.substr(full.find(' ') + 1) : full;
  const auto optionsEnd = std::find(args.begin(), args.end(), "--");  // what follows is no option
  if (IsOption(word) && std::find(args.begin(), optionsEnd, word) != optionsEnd)
    return "unknown option '" + word.substr(0, word.find('=')) + "' for '" + path +
           "' (usage: " + UsageLine(command) + ")";
  if (!command.get_subcommands([](const CLI::App*) { return true; }).empty())
    return "unknown command '" + word + "' for '" + path + "'";
  return "unexpected argument '" + word + "' for '" + path + "' (usage: " + UsageLine(command) + ")";
}

// The exit code of an exception that escaped an action: a failure of the system (a stream, a file,
// memory) is 1, an error raised over a value the command was given is 2, anything else 1.
int ExitCodeOf(const std::exception& e) {
  if (dynamic_cast<const std::system_error*>(&e) != nullptr ||
      dynamic_cast<const std::ios_base::failure*>(&e) != nullptr ||
      dynamic_cast<const std::bad_alloc*>(&e) != nullptr)
    return kExitNone;
  if (dynamic_cast<const std::invalid_argument*>(&e) != nullptr ||
      dynamic_cast<const std::out_of_range*>(&e) != nullptr ||
      dynamic_cast<const std::length_error*>(&e) != nullptr ||
      dynamic_cast<const std::domain_error*>(&e) != nullptr)
    return kExitUsage;
  return kExitNone;
}

// `code`, unless standard output did not take the answer whole (a full disk, say): that is a
// failure, never success.
int Finish(int code) {
  const bool written =
      static_cast<bool>(std::cout.flush()) && std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
  if (!written && code == kExitOk) return Fail(kExitNone, "cannot write standard output");
  return code;
}

std::string OneLine(std::string text) {
  std::replace(text.begin(), text.end(), '\n', ' ');
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

}  // namespace

Registration::Registration(std::function<void(CLI::App&)> add) { Registrations().push_back(std::move(add)); }

CLI::App* AddCommand(CLI::App& parent, const std::string& name, const std::string& summary, Action action) {
  CLI::App* command = parent.add_subcommand(name, summary);
  if (action) {
    Actions()[command] = std::move(action);
  } else {
    command->require_subcommand(1);
  }
  return command;
}

int Fail(int code, const std::string& message) {
  std::cerr << "lumenrt: " << message << "\n";
  return code;
}

int ReportRaised(ZError* error) {
  char line[2048] = {};
  MessageSink sink;
  sink.textBuffer = line;
  sink.textCapacity = sizeof(line);
  error->Report(&sink);
  delete error;
  std::string text(line);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  if (!text.empty()) std::cerr << "lumenrt: " << text << '\n';
  return kExitNone;
}

std::optional<long long> ParseInteger(std::string_view text, long long lo, long long hi) {
  std::string s(text);
  if (s.empty()) return std::nullopt;
  int base = 10;
  size_t start = (s[0] == '-' || s[0] == '+') ? 1 : 0;
  if (s.size() > start + 2 && s[start] == '0' && (s[start + 1] == 'x' || s[start + 1] == 'X')) base = 16;
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(s.c_str(), &end, base);
  if (errno != 0 || end == s.c_str() || *end != '\0' || v < lo || v > hi) return std::nullopt;
  return v;
}

CLI::Validator ValueCheck(std::function<std::string(const std::string&)> problem) {
  return CLI::Validator(
      [problem = std::move(problem)](std::string& value) -> std::string {
        std::string message = problem(value);
        return message.empty() ? message : kWholeMessage + message;
      },
      "");
}

CLI::Validator IntegerCheck(long long lo, long long hi, const std::string& what) {
  return ValueCheck([lo, hi, what](const std::string& text) -> std::string {
    if (ParseInteger(text, lo, hi)) return {};
    std::string message = what;
    if (auto at = message.find("{}"); at != std::string::npos)
      message.replace(at, 2, text);
    else
      message += " '" + text + "'";
    return message;
  });
}

CLI::Option* AddInteger(CLI::App& command, const std::string& name, long long& target, long long lo,
                        long long hi, const std::string& type, const std::string& description) {
  auto* option = command.add_option_function<std::string>(
      name,
      [&target, lo, hi](const std::string& text) { target = ParseInteger(text, lo, hi).value_or(target); },
      description);
  option->check(IntegerCheck(
      lo, hi,
      name + " must be a number from " + std::to_string(lo) + " to " + std::to_string(hi) + ", not '{}'"));
  return option->type_name(type);
}

std::optional<std::string> ReadFirstLine(std::istream& in) {
  std::string line;
  if (!std::getline(in, line)) return std::nullopt;
  if (!in.eof() && line.ends_with('\r')) line.pop_back();  // the line ended with CR LF
  return line;
}

std::string UsageLine(const CLI::App& command) {
  std::string line = CommandPath(command);
  // A verb also takes the options of its groups.
  std::vector<const CLI::App*> chain;
  for (const CLI::App* a = &command; a != nullptr && a->get_parent() != nullptr; a = a->get_parent())
    chain.insert(chain.begin(), a);
  for (const CLI::App* a : chain)
    for (const CLI::Option* o : a->get_options())
      if (o->nonpositional() && !IsHelp(o)) line += " " + OptionUsage(*o);
  for (const CLI::Option* o : command.get_options())
    if (o->get_positional()) line += " " + OptionUsage(*o);
  auto verbs = command.get_subcommands([](const CLI::App*) { return true; });
  if (!verbs.empty()) {
    line += " ";
    for (size_t i = 0; i < verbs.size(); ++i) line += (i ? "|" : "") + verbs[i]->get_name();
  }
  return line;
}

}  // namespace lumenrt::tool

int main(int argc, char** argv) {
  using namespace lumenrt::tool;
#ifdef _WIN32
  // The standard streams carry bytes as they are, line ends included, as on Linux: enciphered data
  // passes through unchanged and every text comes out as the Linux tool writes it.
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
#endif
  CLI::App tool{"the backup agent's runtime library in a user's hands", "lumenrt"};
  tool.set_help_flag("--help", "print this help and exit");
  // The version of the library the tool runs with, which may be newer than the one it was built with.
  tool.set_version_flag("--version", std::string("lumenrt ") + lumenrt::Version(),
                        "print the library's version and exit");
  // The same command line on every system: a word starting with '/' is a path, never an option (the
  // parser's default on Windows); commands made below take this over.
  tool.allow_windows_style_options(false);
  tool.formatter(std::make_shared<ToolFormatter>());
  tool.require_subcommand(1);
  tool.fallthrough();  // a verb takes its group's options
  tool.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);  // the last value counts
  for (const auto& add : Registrations()) add(tool);

  if (argc < 2 || std::string_view(argv[1]) == "help" || std::string_view(argv[1]) == "--help") {
    PrintOverview(tool, argc < 2 ? std::cerr : std::cout);
    return argc < 2 ? kExitUsage : Finish(kExitOk);
  }
  if (!IsCommand(tool, argv[1]) && std::string_view(argv[1]) != "--version")
    return Fail(kExitUsage,
                std::string(IsOption(argv[1]) ? "unknown option '" : "unknown command '") + argv[1] + "'");
  try {
    tool.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    std::cout << tool.help();
    return Finish(kExitOk);
  } catch (const CLI::CallForVersion& e) {
    std::cout << e.what() << '\n';
    return Finish(kExitOk);
  } catch (const CLI::ParseError& e) {
    if (std::string error = LeftOver(tool, {argv + 1, argv + argc}); !error.empty())
      return Fail(kExitUsage, error);
    // A refused value names itself; a misplaced or missing word gets the command's usage.
    if (dynamic_cast<const CLI::ValidationError*>(&e) != nullptr) {
      std::string message = e.what();
      if (auto at = message.find(kWholeMessage); at != std::string::npos) message.erase(0, at + 1);
      return Fail(kExitUsage, OneLine(message));
    }
    const CLI::App& command = *Selected(tool);
    std::string message = OneLine(e.what());
    if (dynamic_cast<const CLI::RequiredError*>(&e) != nullptr && MissesPositional(command, message))
      message = "expected " + PositionalUsage(command);
    return Fail(kExitUsage, message + " (usage: " + UsageLine(command) + ")");
  }

  const CLI::App* command = Selected(tool);
  auto action = Actions().find(command);
  if (action == Actions().end()) return Fail(kExitUsage, "usage: " + UsageLine(*command));
  // The library's own reports (a bad file name, a registry failure) go to stderr, with their time
  // prefix, so that standard output carries only the command's answer. Commands that want the
  // library's default route (the log writer) clear this.
  static LogFileRecord diagnostics{&std::cerr, "standard error"};
  DefaultLogFile = &diagnostics;
  int code = kExitOk;
  try {
    code = action->second();
  } catch (const std::exception& e) {
    return Fail(ExitCodeOf(e), e.what());
  } catch (ZError* error) {
    return ReportRaised(error);
  } catch (...) {
    // Never std::terminate: whatever a command (or a module it called) raised ends it with one line.
    return Fail(kExitNone, "the command was ended by an error of an unknown kind");
  }
  return Finish(code);
}

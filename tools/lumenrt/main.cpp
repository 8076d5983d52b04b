// lumenrt: the library in a user's hands. See `lumenrt help`.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>

#include "command.h"
#include "lumenrt/core/message_catalogue.h"

namespace lumenrt::tool {
namespace {

struct Entry {
  std::string usage;
  std::string summary;
  Handler run;
};

std::map<std::string, std::vector<Entry>>& Registry() {
  static std::map<std::string, std::vector<Entry>> registry;
  return registry;
}

void PrintHelp(std::ostream& out) {
  out << "usage: lumenrt <command> [options]\n\ncommands:\n";
  for (const auto& [name, entries] : Registry())
    for (const auto& e : entries) out << "  " << e.usage << "\n      " << e.summary << "\n";
  out << "\nexit codes: 0 success, 1 none or refused, 2 bad usage or bad input\n";
}

}  // namespace

Command::Command(std::string name, std::string usage, std::string summary, Handler run) {
  Registry()[std::move(name)].push_back({std::move(usage), std::move(summary), std::move(run)});
}

int Fail(int code, const std::string& message) {
  std::cerr << "lumenrt: " << message << "\n";
  return code;
}

Parsed::Parsed(const Args& args, std::initializer_list<std::string_view> with_value,
               std::initializer_list<std::string_view> flags) {
  auto listed = [](std::initializer_list<std::string_view> list, std::string_view n) {
    for (auto v : list)
      if (v == n) return true;
    return false;
  };
  bool only_positional = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (only_positional || a.size() < 3 || a.compare(0, 2, "--") != 0) {
      if (a == "--") {
        only_positional = true;
        continue;
      }
      positional_.push_back(a);
      continue;
    }
    std::string name = a.substr(2), value;
    bool has_inline = false;
    if (auto eq = name.find('='); eq != std::string::npos) {
      value = name.substr(eq + 1);
      name.resize(eq);
      has_inline = true;
    }
    if (name == "help") {
      help_ = true;
      error_ = "help";
      return;
    }
    if (listed(with_value, name)) {
      if (!has_inline) {
        if (i + 1 >= args.size()) {
          error_ = "option --" + name + " needs a value";
          return;
        }
        value = args[++i];
      }
      options_.emplace_back(name, value);
    } else if (listed(flags, name) && !has_inline) {
      options_.emplace_back(name, "");
    } else {
      error_ = "unknown option --" + name;
      return;
    }
  }
}

bool Parsed::Has(std::string_view name) const {
  for (const auto& o : options_)
    if (o.first == name) return true;
  return false;
}

std::optional<std::string> Parsed::Get(std::string_view name) const {
  std::optional<std::string> v;
  for (const auto& o : options_)
    if (o.first == name) v = o.second;
  return v;
}

std::vector<std::string> Parsed::GetAll(std::string_view name) const {
  std::vector<std::string> v;
  for (const auto& o : options_)
    if (o.first == name) v.push_back(o.second);
  return v;
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

std::optional<int> CheckParsed(const Parsed& p, std::string_view usage) {
  if (p.help()) {
    std::cout << "usage: lumenrt " << usage << "\n";
    return kExitOk;
  }
  if (!p.ok()) return Fail(kExitUsage, p.error() + " (usage: lumenrt " + std::string(usage) + ")");
  return std::nullopt;
}

}  // namespace lumenrt::tool

int main(int argc, char** argv) {
  using namespace lumenrt::tool;
  if (argc < 2 || std::string_view(argv[1]) == "help" || std::string_view(argv[1]) == "--help") {
    PrintHelp(argc < 2 ? std::cerr : std::cout);
    return argc < 2 ? kExitUsage : kExitOk;
  }
  auto it = Registry().find(argv[1]);
  if (it == Registry().end()) return Fail(kExitUsage, std::string("unknown command '") + argv[1] + "'");
  // The library's own reports (a bad file name, a registry failure) go to stderr, with their time
  // prefix, so that standard output carries only the command's answer. Commands that want the
  // library's default route (the log writer) clear this.
  static LogFileRecord diagnostics{&std::cerr, "standard error"};
  DefaultLogFile = &diagnostics;
  Args args(argv + 2, argv + argc);
  try {
    return it->second.front().run(args);
  } catch (const std::exception& e) {
    return Fail(kExitUsage, e.what());
  }
}

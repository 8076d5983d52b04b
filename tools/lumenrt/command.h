// Command registry and small argument helpers of the lumenrt tool.
//
// Each command family lives in its own file and registers itself with a static `Command` object:
//
//   static const lumenrt::tool::Command kCipher{"cipher", "cipher list", "list the ciphers", RunCipher};
//
// A command's function receives the arguments after the command word and returns the exit code:
// 0 success, 1 when the answer is "none" or a request is refused, 2 for bad usage or bad input.
// Errors are written to stderr as one line, "lumenrt: ...", through `Fail`.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumenrt::tool {

inline constexpr int kExitOk = 0;
inline constexpr int kExitNone = 1;
inline constexpr int kExitUsage = 2;

using Args = std::vector<std::string>;
using Handler = std::function<int(const Args&)>;

struct Command {
  // Registers the command; `usage` is printed by `lumenrt help` and by `--help`.
  Command(std::string name, std::string usage, std::string summary, Handler run);
};

// Prints "lumenrt: <message>" on stderr and returns `code`.
int Fail(int code, const std::string& message);

// Splits arguments into options and positional words. Options listed in `with_value` take the next
// argument as their value ("--key K" or "--key=K"); `flags` take none. An unknown option, a missing
// value or "--help" is reported by `ok()` being false (and `help` true for "--help").
class Parsed {
 public:
  Parsed(const Args& args, std::initializer_list<std::string_view> with_value,
         std::initializer_list<std::string_view> flags = {});

  bool ok() const { return error_.empty(); }
  bool help() const { return help_; }
  const std::string& error() const { return error_; }
  const std::vector<std::string>& positional() const { return positional_; }

  bool Has(std::string_view name) const;
  std::optional<std::string> Get(std::string_view name) const;  // last value given
  std::vector<std::string> GetAll(std::string_view name) const;  // every value, in order

 private:
  std::vector<std::pair<std::string, std::string>> options_;
  std::vector<std::string> positional_;
  std::string error_;
  bool help_ = false;
};

// Parses a decimal or 0x-prefixed hexadecimal integer that must fit in [lo, hi].
std::optional<long long> ParseInteger(std::string_view text, long long lo, long long hi);

// Handles the common "--help" / parse-error outcome for a command: returns an exit code to return
// immediately, or nothing when the command should go on.
std::optional<int> CheckParsed(const Parsed& p, std::string_view usage);

}  // namespace lumenrt::tool

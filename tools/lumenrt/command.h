// How the lumenrt tool's commands are defined: CLI11 subcommands that register themselves.
//
// Each command family lives in its own .cpp file under tools/lumenrt/ (the build picks up every file
// there) and registers itself with one static `Registration`. At start-up the tool calls every
// registration's function with its `CLI::App`; the function adds the family's subcommand(s) with
// `AddCommand`, declares options and positionals on them with CLI11's own calls, and gives each leaf
// command an `Action` that returns the exit code. Values land in variables that the action shares
// (a `std::shared_ptr` captured by the action keeps them alive):
//
//   namespace {
//   struct EchoOptions { std::string text; long long times = 1; };
//
//   int RunEcho(const EchoOptions& o) {
//     if (o.text.empty()) return Fail(kExitUsage, "TEXT must not be empty");
//     for (long long i = 0; i < o.times; ++i) std::cout << o.text << '\n';
//     return kExitOk;
//   }
//
//   const Registration kEcho{[](CLI::App& tool) {
//     auto o = std::make_shared<EchoOptions>();
//     CLI::App* echo = AddCommand(tool, "echo", "print TEXT", [o] { return RunEcho(*o); });
//     echo->add_option("TEXT", o->text, "what to print")->required();
//     AddInteger(*echo, "--times", o->times, 1, 100, "N", "how often (1 to 100)");
//   }};
//   }  // namespace
//
// A family with verbs ("lumenrt cipher list") adds the group with `AddCommand(tool, "cipher", ...)`
// and no action, then each verb below it with its own action. Options declared on the group are
// accepted before or after the verb; a verb's own options only after it.
//
// CLI11 reports parse failures (an unknown option, a missing required value, a value its validator
// refuses) and the tool prints them as one line, "lumenrt: ...", with exit 2; `--help` on any command
// prints the help generated from the same definitions, and `lumenrt help` lists every command's
// usage line. Everything runs on the main thread, once per process.
//
// Exit codes, the same for every command (an action returns its code, writing errors through `Fail`):
//   0  success.
//   1  the answer is "none" (no such value, no line of its own for a code, a route that does not
//      reach); or a well-formed request is refused for what the command finds on the system (an
//      output file that is read-only or is the input, a link given where a directory is wanted); or
//      an operation failed on the system's side (an output that cannot be written whole, standard
//      output included; memory; a module that cannot be loaded; a socket; something left behind).
//   2  bad usage or bad input: the command line is wrong (an unknown word, a value out of range, a
//      path the command never takes, such as "/" for rmtree), or an input the command reads (a file,
//      standard input, a key, a catalogue) is missing, unreadable or malformed.
// An exception escaping an action is reported as one line too: std::system_error (stream and file
// failures included) and std::bad_alloc exit 1, std::invalid_argument, std::out_of_range,
// std::length_error and std::domain_error (raised over a value the command was given) exit 2, a
// library error (ZError*) and anything else exit 1.
#pragma once

#include <functional>
#include <istream>
#include <optional>
#include <string>
#include <string_view>

#include <CLI/CLI.hpp>

class ZError;

namespace lumenrt::tool {

inline constexpr int kExitOk = 0;
inline constexpr int kExitNone = 1;   // none, refused, or failed on the system's side
inline constexpr int kExitUsage = 2;  // bad usage or bad input

// What a leaf command does once its arguments are parsed; returns the exit code.
using Action = std::function<int()>;

// Registers a command family: `add` is called once, before parsing, with the tool's root app.
class Registration {
 public:
  explicit Registration(std::function<void(CLI::App& tool)> add);
};

// Adds the subcommand `name` below `parent`. With an action it is a leaf command; without one it is a
// group that requires one of its verbs. The returned app belongs to `parent`.
CLI::App* AddCommand(CLI::App& parent, const std::string& name, const std::string& summary,
                     Action action = {});

// Prints "lumenrt: <message>" on stderr and returns `code`.
int Fail(int code, const std::string& message);

// Prints a raised library error as its catalogue line ("lumenrt: <line>", nothing for an error that
// carries nothing) on stderr, deletes it, and returns kExitNone.
int ReportRaised(ZError* error);

// Parses a decimal or 0x-prefixed hexadecimal integer that must fit in [lo, hi].
std::optional<long long> ParseInteger(std::string_view text, long long lo, long long hi);

// A validator from a function that returns what is wrong with a value, or nothing when it is good.
// The text is the whole error line, so it should name the value ("bad severity 'Q' (one of E, F,
// I, W)"); CLI11's own validators (CLI::IsMember, CLI::Range) are prefixed with the option's name.
CLI::Validator ValueCheck(std::function<std::string(const std::string& value)> problem);

// A validator that accepts what `ParseInteger(text, lo, hi)` accepts. Its error is `what` with "{}"
// replaced by the text, or followed by " '<text>'" when `what` has no "{}".
CLI::Validator IntegerCheck(long long lo, long long hi, const std::string& what);

// Adds an integer option (or positional, when `name` has no leading dashes) checked against [lo, hi]
// and parsed into `target`, which keeps its value when the option is not given. `type` is the
// placeholder shown in the usage ("N").
CLI::Option* AddInteger(CLI::App& command, const std::string& name, long long& target, long long lo,
                        long long hi, const std::string& type, const std::string& description);

// The first line of `in` without its line end (LF or CR LF), or nothing when `in` ends before its
// first byte (an empty line is an empty text). After a read error `in.bad()` is set.
std::optional<std::string> ReadFirstLine(std::istream& in);

// The one-line usage of a command as built from its definitions, for instance
// "lumenrt encrypt --cipher C --key K [--chunk N] [IN] [OUT]".
std::string UsageLine(const CLI::App& command);

}  // namespace lumenrt::tool

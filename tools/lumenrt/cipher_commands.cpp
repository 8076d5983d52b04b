// The cipher commands: list the ciphers, obscure and reveal passwords (encrypt and decrypt are in
// transform_commands.cpp).
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#ifdef _WIN32
#include <windows.h>
#else
#include <termios.h>
#include <unistd.h>
#endif

#include "lumenrt/crypto/password.h"
#include "lumenrt/crypto/zcipher.h"

#include "command.h"
#include "records.h"

namespace lumenrt::tool {
namespace {

int RunCipherList() {
  Records records({"type", "id", "name", "short name", "key bits", "rating"});
  for (const CipherInfo& c : kCipherTable)
    records.Add({c.type, c.id, c.name, c.short_name, c.key_bits, c.rating});
  records.Print();
  return kExitOk;
}

int RunPasswordDecode(const std::string& hex) {
  std::string error;
  auto text = DecodeStoredPassword(hex, &error);
  if (!text) return Fail(kExitUsage, error);
  std::cout << *text << '\n';
  return kExitOk;
}

// Keeps what is typed on the terminal of standard input from showing, until it ends; `terminal()` is
// false when standard input is no terminal (a pipe, a file), which is left as it is.
class HiddenTyping {
 public:
  HiddenTyping(const HiddenTyping&) = delete;
  HiddenTyping& operator=(const HiddenTyping&) = delete;
#ifdef _WIN32
  HiddenTyping() : input_(GetStdHandle(STD_INPUT_HANDLE)) {
    terminal_ = GetConsoleMode(input_, &saved_) != 0;  // false for a pipe, a file and NUL
    hidden_ = terminal_ && SetConsoleMode(input_, saved_ & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) != 0;
  }
  ~HiddenTyping() {
    if (hidden_) SetConsoleMode(input_, saved_);
  }
#else
  HiddenTyping() {
    terminal_ = isatty(STDIN_FILENO) != 0 && tcgetattr(STDIN_FILENO, &saved_) == 0;
    termios quiet = saved_;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    hidden_ = terminal_ && tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
  }
  ~HiddenTyping() {
    if (hidden_) tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
  }
#endif
  bool terminal() const { return terminal_; }
  bool hidden() const { return hidden_; }

 private:
#ifdef _WIN32
  HANDLE input_;
  DWORD saved_ = 0;
#else
  termios saved_{};
#endif
  bool terminal_ = false, hidden_ = false;
};

// The password as the first line of standard input; on a terminal it is asked for and not shown.
// Otherwise `error` says why, and `code` is its exit code.
std::optional<std::string> ReadPassword(std::string& error, int& code) {
  HiddenTyping typing;
  code = kExitUsage;
  if (typing.terminal() && !typing.hidden()) {
    error = "cannot hide the password while it is typed; give it through a pipe";
    code = kExitNone;  // the terminal refused
    return std::nullopt;
  }
  if (typing.terminal()) std::cerr << "password: " << std::flush;
  std::optional<std::string> line = ReadFirstLine(std::cin);
  if (typing.terminal()) std::cerr << '\n';  // the end of the line did not show either
  if (std::cin.bad())
    error = "cannot read standard input";
  else if (!line)
    error = "no password on standard input";
  return error.empty() ? line : std::nullopt;
}

// TEXT, or the first line of standard input when there is none.
int RunPasswordEncode(std::optional<std::string> text, long long modifier) {
  std::string error;
  int code = kExitUsage;
  if (!text && !(text = ReadPassword(error, code))) return Fail(code, error);
  std::string hex = EncodePassword(*text, static_cast<int>(modifier), &error);
  if (hex.empty()) return Fail(kExitUsage, error);
  std::cout << hex << '\n';
  return kExitOk;
}

const Registration kCipherCommands{[](CLI::App& tool) {
  CLI::App* cipher = AddCommand(tool, "cipher", "the cipher table");
  CLI::App* list =
      AddCommand(*cipher, "list", "list the ciphers: type number, id, name, short name, key bits, rating",
                 RunCipherList);
  AddJsonFlag(*list);
  AddExamples(*list, {"lumenrt cipher list", "lumenrt cipher list --json"});

  CLI::App* password = AddCommand(tool, "password", "obscured passwords (64 hexadecimal digits)");
  auto hex = std::make_shared<std::string>();
  CLI::App* decode = AddCommand(*password, "decode", "reveal an obscured password",
                                [hex] { return RunPasswordDecode(*hex); });
  decode->add_option("HEX", *hex, "64 hexadecimal digits")->required();
  AddExamples(*decode, {"lumenrt password decode "
                        "7597E224288BC16106DAC70F7E8EEDA85DD6814F5203008072E667FF09775800"});
  struct Encode {
    std::string text;
    CLI::Option* textOption = nullptr;
    long long modifier = -1;
  };
  auto e = std::make_shared<Encode>();
  CLI::App* encode =
      AddCommand(*password, "encode", "obscure a password (TEXT, or the first line of standard input)", [e] {
        const bool given = e->textOption->count() > 0 && e->text != "-";
        return RunPasswordEncode(given ? std::optional(e->text) : std::nullopt, e->modifier);
      });
  e->textOption = encode->add_option(
      "TEXT", e->text,
      "the password; other users of the machine see it in process listings. - or none: the first line of "
      "standard input, asked for without showing it on a terminal");
  AddInteger(*encode, "--modifier", e->modifier, 0, 255, "N", "the modifier byte (default: a random one)");
  AddExamples(*encode,
              {"lumenrt password encode < password.txt", "lumenrt password encode --modifier 7 s3cret"});
}};

}  // namespace
}  // namespace lumenrt::tool

// The cipher commands: list the ciphers, obscure and reveal passwords (encrypt and decrypt are in
// transform_commands.cpp).
#include <iostream>
#include <memory>
#include <string>

#include "lumenrt/crypto/password.h"
#include "lumenrt/crypto/zcipher.h"

#include "command.h"

namespace lumenrt::tool {
namespace {

int RunCipherList() {
  std::cout << "type\tid\tname\tshort name\tkey bits\trating\n";
  for (const CipherInfo& c : kCipherTable)
    std::cout << c.type << '\t' << c.id << '\t' << c.name << '\t' << c.short_name << '\t' << c.key_bits
              << '\t' << c.rating << '\n';
  return kExitOk;
}

int RunPasswordDecode(const std::string& hex) {
  std::string error;
  auto text = DecodeStoredPassword(hex, &error);
  if (!text) return Fail(kExitUsage, error);
  std::cout << *text << '\n';
  return kExitOk;
}

int RunPasswordEncode(const std::string& text, long long modifier) {
  std::string error;
  std::string hex = EncodePassword(text, static_cast<int>(modifier), &error);
  if (hex.empty()) return Fail(kExitUsage, error);
  std::cout << hex << '\n';
  return kExitOk;
}

const Registration kCipherCommands{[](CLI::App& tool) {
  CLI::App* cipher = AddCommand(tool, "cipher", "the cipher table");
  AddCommand(*cipher, "list", "list the ciphers: type number, id, name, short name, key bits, rating",
             RunCipherList);

  CLI::App* password = AddCommand(tool, "password", "obscured passwords (64 hexadecimal digits)");
  auto hex = std::make_shared<std::string>();
  AddCommand(*password, "decode", "reveal an obscured password", [hex] { return RunPasswordDecode(*hex); })
      ->add_option("HEX", *hex, "64 hexadecimal digits")
      ->required();
  struct Encode {
    std::string text;
    long long modifier = -1;
  };
  auto e = std::make_shared<Encode>();
  CLI::App* encode = AddCommand(*password, "encode", "obscure a password",
                                [e] { return RunPasswordEncode(e->text, e->modifier); });
  encode->add_option("TEXT", e->text, "the password")->required();
  AddInteger(*encode, "--modifier", e->modifier, 0, 255, "N", "the modifier byte (default: a random one)");
}};

}  // namespace
}  // namespace lumenrt::tool

// The cipher commands: list the ciphers, encipher and decipher files, obscure and reveal passwords.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// A type number or a short name in any letter case.
const CipherInfo* FindCipher(const std::string& word) {
  if (auto n = ParseInteger(word, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()))
    return FindCipherByType(static_cast<int>(*n));
  for (const CipherInfo& c : kCipherTable) {
    std::string_view name = c.short_name;
    if (name.size() != word.size()) continue;
    bool same = true;
    for (size_t i = 0; i < name.size() && same; ++i)
      same = std::tolower(static_cast<unsigned char>(name[i])) ==
             std::tolower(static_cast<unsigned char>(word[i]));
    if (same) return &c;
  }
  return nullptr;
}

// Reads through istream::read, which marks a failing read (a directory, an I/O error) as bad; copying
// the stream buffer would take such a failure for the end of the input.
bool ReadAll(std::istream& in, std::string& data) {
  char piece[1 << 16];
  while (in.read(piece, sizeof piece) || in.gcount() > 0)
    data.append(piece, static_cast<size_t>(in.gcount()));
  return !in.bad();
}

bool WriteAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Writes `data` to a temporary file beside `path` and renames it over `path`, so a failure leaves no
// partial output; an existing file keeps its permissions. A path that is a symbolic link or not a
// regular file (a device such as /dev/null, a pipe) is written in place instead, never replaced.
bool WriteFileAtomically(const std::string& path, const std::string& data, std::string& error) {
  struct stat existing {};
  const bool exists = lstat(path.c_str(), &existing) == 0;
  if (exists && !S_ISREG(existing.st_mode)) {
    int fd = open(path.c_str(), O_WRONLY | O_TRUNC);
    bool ok = fd >= 0 && WriteAll(fd, data);
    if (fd >= 0 && close(fd) != 0) ok = false;
    if (!ok) error = "cannot write '" + path + "': " + std::strerror(errno);
    return ok;
  }
  std::string temp = path + ".tmpXXXXXX";
  int fd = mkstemp(temp.data());
  if (fd < 0) {
    error = "cannot create a file beside '" + path + "': " + std::strerror(errno);
    return false;
  }
  if ((exists && fchmod(fd, existing.st_mode & 07777) != 0) || !WriteAll(fd, data)) {
    error = "cannot write '" + path + "': " + std::strerror(errno);
    close(fd);
    unlink(temp.c_str());
    return false;
  }
  if (close(fd) != 0 || std::rename(temp.c_str(), path.c_str()) != 0) {
    error = "cannot write '" + path + "': " + std::strerror(errno);
    unlink(temp.c_str());
    return false;
  }
  return true;
}

struct TransformOptions {
  std::string cipher, key;
  long long chunk = 0;
  std::string in = "-", out = "-";  // "-": the standard streams
};

int RunTransform(const TransformOptions& o, bool encrypt) {
  const CipherInfo* info = FindCipher(o.cipher);  // checked while parsing
  if (o.key.empty()) return Fail(kExitUsage, "--key must be given and not empty");
  if (o.key.find('\0') != std::string::npos) return Fail(kExitUsage, "--key cannot hold a zero byte");
  const auto chunk = static_cast<uint64_t>(o.chunk);
  const auto* key = &o.key;

  std::string data;
  const bool from_stdin = o.in == "-";
  if (from_stdin) {
    // std::cin reads through the C stream, which keeps the read error to itself.
    if (!ReadAll(std::cin, data) || std::ferror(stdin)) return Fail(kExitUsage, "cannot read standard input");
  } else {
    std::ifstream in(o.in, std::ios::binary);
    if (!in || !ReadAll(in, data)) return Fail(kExitUsage, "cannot read '" + o.in + "'");
  }
  if (chunk == 0 && data.size() > std::numeric_limits<uint32_t>::max())
    return Fail(kExitUsage, "the input is larger than one call takes (4294967295 bytes); use --chunk");

  std::unique_ptr<ZCipher> cipher(CreateCipher(info->type));
  if (cipher->SetKey(encrypt ? 1 : 0, key->c_str()) != 1) return Fail(kExitUsage, "the key was refused");
  auto* bytes = reinterpret_cast<unsigned char*>(data.data());
  const uint64_t step = chunk == 0 ? std::max<uint64_t>(data.size(), 1) : chunk;
  for (uint64_t done = 0; done < data.size(); done += step) {
    const auto n = static_cast<uint32_t>(std::min<uint64_t>(step, data.size() - done));
    if (encrypt)
      cipher->Encrypt(bytes + done, n);
    else
      cipher->Decrypt(bytes + done, n);
  }

  if (o.out == "-") {
    std::cout.write(data.data(), static_cast<std::streamsize>(data.size()));
    std::cout.flush();
    if (!std::cout) return Fail(kExitUsage, "cannot write standard output");
    return kExitOk;
  }
  std::string error;
  if (!WriteFileAtomically(o.out, data, error)) return Fail(kExitUsage, error);
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

void AddTransform(CLI::App& tool, bool encrypt) {
  auto o = std::make_shared<TransformOptions>();
  CLI::App* command =
      encrypt
          ? AddCommand(tool, "encrypt",
                       "encipher IN (or standard input) into OUT (or standard output); C is a type number "
                       "or a short name; --chunk N enciphers each N-byte piece by its own call",
                       [o] { return RunTransform(*o, true); })
          : AddCommand(tool, "decrypt", "decipher, with the same options as encrypt",
                       [o] { return RunTransform(*o, false); });
  command->add_option("--cipher", o->cipher, "a type number or a short name (see lumenrt cipher list)")
      ->type_name("C")
      ->required()
      ->check(ValueCheck([](const std::string& word) {
        return FindCipher(word) ? std::string() : "unknown cipher '" + word + "' (see lumenrt cipher list)";
      }));
  command->add_option("--key", o->key, "the key text")->type_name("K")->required();
  command
      ->add_option_function<std::string>(
          "--chunk", [o](const std::string& t) { o->chunk = *ParseInteger(t, 1, 0xffffffffLL); },
          "encipher each N-byte piece by its own call")
      ->type_name("N")
      ->check(IntegerCheck(1, 0xffffffffLL, "--chunk must be a byte count from 1 to 4294967295, not '{}'"));
  command->add_option("IN", o->in, "the input file (default or -: standard input)");
  command->add_option("OUT", o->out, "the output file (default or -: standard output)");
}

const Registration kCipherCommands{[](CLI::App& tool) {
  CLI::App* cipher = AddCommand(tool, "cipher", "the cipher table");
  AddCommand(*cipher, "list", "list the ciphers: type number, id, name, short name, key bits, rating",
             RunCipherList);
  AddTransform(tool, true);
  AddTransform(tool, false);

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

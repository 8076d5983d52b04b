// The cipher commands: list the ciphers, encipher and decipher files, obscure and reveal passwords.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <limits>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "lumenrt/crypto/password.h"
#include "lumenrt/crypto/zcipher.h"

#include "command.h"

namespace lumenrt::tool {
namespace {

constexpr const char* kListUsage = "cipher list";
constexpr const char* kEncryptUsage = "encrypt --cipher C --key K [--chunk N] [IN [OUT]]";
constexpr const char* kDecryptUsage = "decrypt --cipher C --key K [--chunk N] [IN [OUT]]";
constexpr const char* kPasswordUsage = "password decode HEX | password encode TEXT [--modifier N]";

int RunCipher(const Args& args) {
  Parsed p(args, {});
  if (auto code = CheckParsed(p, kListUsage)) return *code;
  if (p.positional().size() != 1 || p.positional()[0] != "list")
    return Fail(kExitUsage, std::string("usage: lumenrt ") + kListUsage);
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

int RunTransform(const Args& args, bool encrypt) {
  const char* usage = encrypt ? kEncryptUsage : kDecryptUsage;
  Parsed p(args, {"cipher", "key", "chunk"});
  if (auto code = CheckParsed(p, usage)) return *code;
  const auto& files = p.positional();
  if (files.size() > 2)
    return Fail(kExitUsage, std::string("too many arguments (usage: lumenrt ") + usage + ")");
  auto cipher_word = p.Get("cipher");
  if (!cipher_word)
    return Fail(kExitUsage, std::string("--cipher is required (usage: lumenrt ") + usage + ")");
  const CipherInfo* info = FindCipher(*cipher_word);
  if (info == nullptr)
    return Fail(kExitUsage, "unknown cipher '" + *cipher_word + "' (see lumenrt cipher list)");
  auto key = p.Get("key");
  if (!key || key->empty()) return Fail(kExitUsage, "--key must be given and not empty");
  if (key->find('\0') != std::string::npos) return Fail(kExitUsage, "--key cannot hold a zero byte");
  uint64_t chunk = 0;
  if (auto c = p.Get("chunk")) {
    auto n = ParseInteger(*c, 1, std::numeric_limits<uint32_t>::max());
    if (!n) return Fail(kExitUsage, "--chunk must be a byte count from 1 to 4294967295, not '" + *c + "'");
    chunk = static_cast<uint64_t>(*n);
  }

  std::string data;
  const bool from_stdin = files.empty() || files[0] == "-";
  if (from_stdin) {
    // std::cin reads through the C stream, which keeps the read error to itself.
    if (!ReadAll(std::cin, data) || std::ferror(stdin)) return Fail(kExitUsage, "cannot read standard input");
  } else {
    std::ifstream in(files[0], std::ios::binary);
    if (!in || !ReadAll(in, data)) return Fail(kExitUsage, "cannot read '" + files[0] + "'");
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

  if (files.size() < 2 || files[1] == "-") {
    std::cout.write(data.data(), static_cast<std::streamsize>(data.size()));
    std::cout.flush();
    if (!std::cout) return Fail(kExitUsage, "cannot write standard output");
    return kExitOk;
  }
  std::string error;
  if (!WriteFileAtomically(files[1], data, error)) return Fail(kExitUsage, error);
  return kExitOk;
}

int RunPassword(const Args& args) {
  Parsed p(args, {"modifier"});
  if (auto code = CheckParsed(p, kPasswordUsage)) return *code;
  const auto& words = p.positional();
  if (words.size() != 2 || (words[0] != "decode" && words[0] != "encode"))
    return Fail(kExitUsage, std::string("usage: lumenrt ") + kPasswordUsage);
  std::string error;
  if (words[0] == "decode") {
    if (p.Has("modifier")) return Fail(kExitUsage, "--modifier belongs to password encode");
    auto text = DecodeStoredPassword(words[1], &error);
    if (!text) return Fail(kExitUsage, error);
    std::cout << *text << '\n';
    return kExitOk;
  }
  int modifier = -1;
  if (auto m = p.Get("modifier")) {
    auto n = ParseInteger(*m, 0, 255);
    if (!n) return Fail(kExitUsage, "--modifier must be 0 to 255, not '" + *m + "'");
    modifier = static_cast<int>(*n);
  }
  std::string hex = EncodePassword(words[1], modifier, &error);
  if (hex.empty()) return Fail(kExitUsage, error);
  std::cout << hex << '\n';
  return kExitOk;
}

const Command kCipherCommand{
    "cipher", kListUsage, "list the ciphers: type number, id, name, short name, key bits, rating", RunCipher};
const Command kEncryptCommand{
    "encrypt", kEncryptUsage,
    "encipher IN (or standard input) into OUT (or standard output); C is a type number or a short name; "
    "--chunk N enciphers each N-byte piece by its own call",
    [](const Args& a) { return RunTransform(a, true); }};
const Command kDecryptCommand{"decrypt", kDecryptUsage, "decipher, with the same options as encrypt",
                              [](const Args& a) { return RunTransform(a, false); }};
const Command kPasswordCommand{"password", kPasswordUsage,
                               "reveal an obscured password (64 hexadecimal digits) or obscure one",
                               RunPassword};

}  // namespace
}  // namespace lumenrt::tool

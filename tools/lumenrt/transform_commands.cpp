// lumenrt encrypt / decrypt: a file or standard input through a cipher.
//
// Without --chunk the whole input is one cipher call, so it is held in memory once (an anonymous
// mapping that grows in place, never copied) and may be at most 4294967295 bytes, the most one call
// takes. With --chunk N each N-byte piece is its own call and the input streams through a buffer of
// about 16 MiB (or one piece, when N is larger), whatever its size.
//
// The ciphers work in place, so bytes are read into the buffer, processed there and written from it.
// A file OUT is written to a temporary file beside it, synced and renamed over it, so that a failure
// leaves no partial output; an existing OUT keeps its permissions, and a read-only one is refused. A
// symbolic link or a file that is not regular (a device such as /dev/null, a pipe) is written in place
// instead, never replaced.
//
// The file being read is never truncated or overwritten while it is read. OUT may name the input file
// itself (the same name, a hard link): the new file replaces that name once it is whole, and the input
// keeps its bytes until then. OUT that reaches the input only through a link (a symbolic link,
// /dev/stdin, /proc/self/fd/N), and standard output opened on the input, would be written in place
// over it, and are refused.
//
// The key comes from exactly one of --key K, --key-file F (the file's first line without its line end)
// and --key-env NAME (an environment variable): text on the command line is visible to every user of
// the machine in process listings, a file or the environment are not.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <memory>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/mman.h>
#endif

#include "lumenrt/crypto/zcipher.h"

#include "command.h"
#include "output_file.h"
#include "records.h"

namespace lumenrt::tool {
namespace {

constexpr uint64_t kCallLimit = std::numeric_limits<uint32_t>::max();
constexpr size_t kStreamBuffer = size_t{16} << 20;

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

#ifdef _WIN32
// Files are binary: no line-end translation, no end-of-file character.
constexpr int kOpenRead = O_RDONLY | O_BINARY | O_NOINHERIT;
// Windows reports no inode numbers (and there are no links to pass through here).
bool SameFile(const struct stat&, const struct stat&) { return false; }
#else
constexpr int kOpenRead = O_RDONLY | O_CLOEXEC;
bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}
#endif

// Why OUT cannot be written without destroying the input it reads, or empty when it can. Only files
// that hold data (regular files, pipes, block devices) count: a terminal or /dev/null read and
// written at once loses nothing.
std::string OverwritesInput(const struct stat& in, const std::string& out) {
  if (!S_ISREG(in.st_mode) && !S_ISFIFO(in.st_mode) && !S_ISBLK(in.st_mode)) return {};
  struct stat target {};
  if (out == "-")
    return fstat(STDOUT_FILENO, &target) == 0 && SameFile(in, target)
               ? "standard output is the input file; it is not overwritten"
               : std::string();
  if (stat(out.c_str(), &target) != 0 || !SameFile(in, target)) return {};
  struct stat named {};
  if (LinkStatus(out.c_str(), &named) == 0 && S_ISREG(named.st_mode)) return {};  // replaced, as any OUT
  return "'" + out + "' leads to the input file through a link; it is not overwritten (name the file itself)";
}

// Anonymous memory that grows without copying (mremap moves the pages, not the bytes); pages never
// written cost nothing. On Windows the heap's realloc stands in.
class Region {
 public:
  Region() = default;
  Region(const Region&) = delete;
  Region& operator=(const Region&) = delete;
#ifdef _WIN32
  ~Region() { std::free(data_); }

  bool Reserve(size_t capacity) {
    if (capacity <= capacity_) return true;
    void* p = std::realloc(data_, capacity);
    if (p == nullptr) return false;
    data_ = static_cast<unsigned char*>(p);
    capacity_ = capacity;
    return true;
  }
#else
  ~Region() {
    if (data_ != nullptr) munmap(data_, capacity_);
  }

  bool Reserve(size_t capacity) {
    if (capacity <= capacity_) return true;
    void* p = data_ == nullptr
                  ? mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0)
                  : mremap(data_, capacity_, capacity, MREMAP_MAYMOVE);
    if (p == MAP_FAILED) return false;
    data_ = static_cast<unsigned char*>(p);
    capacity_ = capacity;
    // Large pages where the system offers them: far fewer page faults while the input comes in.
    madvise(data_, capacity_, MADV_HUGEPAGE);
    return true;
  }
#endif
  unsigned char* data() const { return data_; }
  size_t capacity() const { return capacity_; }

 private:
  unsigned char* data_ = nullptr;
  size_t capacity_ = 0;
};

struct TransformOptions {
  std::string cipher;
  std::string key, keyFile, keyEnv;  // the one of them whose option was given
  CLI::Option *keyOption = nullptr, *keyFileOption = nullptr, *keyEnvOption = nullptr;
  uint64_t chunk = 0;               // 0: the whole input in one call
  std::string in = "-", out = "-";  // "-": the standard streams
};

void Run(ZCipher& cipher, bool encrypt, unsigned char* data, uint32_t size) {
  if (encrypt)
    cipher.Encrypt(data, size);
  else
    cipher.Decrypt(data, size);
}

// The whole input, held once, through one call.
// The output is opened only once the input is in, so that unreadable input leaves OUT as it was.
int TransformWhole(int in, const std::string& inName, off_t knownSize, const std::string& out,
                   ZCipher& cipher, bool encrypt) {
  Output output;
  Region region;
  size_t size = 0;
  if (!region.Reserve(std::max<size_t>(static_cast<size_t>(knownSize) + 1, size_t{1} << 20)))
    return Fail(kExitNone, "not enough memory for the input");
  for (;;) {
    // In 64 bits: twice the capacity, or one byte past the limit, need not fit a 32-bit size.
    const uint64_t grown = std::min<uint64_t>(uint64_t{region.capacity()} * 2, kCallLimit + 1);
    if (size == region.capacity() &&
        (grown > std::numeric_limits<size_t>::max() || !region.Reserve(static_cast<size_t>(grown))))
      return Fail(kExitNone, "not enough memory for the input");
    const ssize_t n = ReadFull(in, region.data() + size, region.capacity() - size);
    if (n < 0) return Fail(kExitUsage, "cannot read " + inName + ": " + Errno());
    size += static_cast<size_t>(n);
    if (size > kCallLimit)
      return Fail(kExitUsage, "the input is larger than one call takes (4294967295 bytes); use --chunk");
    if (size < region.capacity()) break;  // the input ended
  }
  if (size > 0) Run(cipher, encrypt, region.data(), static_cast<uint32_t>(size));
  std::string error;
  if (!output.Open(out, error) || !output.Write(region.data(), size, error) || !output.Commit(error))
    return Fail(kExitNone, error);
  return kExitOk;
}

// Piece by piece: a buffer holds whole pieces, refilled until the input ends.
int TransformStream(int in, const std::string& inName, uint64_t chunk, const std::string& out,
                    ZCipher& cipher, bool encrypt) {
  Output output;
  std::string error;
  if (!output.Open(out, error)) return Fail(kExitNone, error);
  const size_t buffer = chunk >= kStreamBuffer ? static_cast<size_t>(chunk) : kStreamBuffer / chunk * chunk;
  Region region;
  if (!region.Reserve(buffer)) return Fail(kExitNone, "not enough memory for a piece of --chunk bytes");
  for (;;) {
    const ssize_t n = ReadFull(in, region.data(), buffer);
    if (n < 0) return Fail(kExitUsage, "cannot read " + inName + ": " + Errno());
    const auto filled = static_cast<size_t>(n);
    for (size_t at = 0; at < filled; at += chunk)
      Run(cipher, encrypt, region.data() + at, static_cast<uint32_t>(std::min<uint64_t>(chunk, filled - at)));
    if (!output.Write(region.data(), filled, error)) return Fail(kExitNone, error);
    if (filled < buffer) break;
  }
  if (!output.Commit(error)) return Fail(kExitNone, error);
  return kExitOk;
}

// The key from the option that was given (the parser let at most one through), or an error.
std::string ReadKey(const TransformOptions& o, std::string& key) {
  std::string source;
  if (o.keyOption->count() > 0) {
    if (o.key.empty()) return "--key must be given and not empty";
    key = o.key;
    source = "--key";
  } else if (o.keyFileOption->count() > 0) {
    errno = 0;
    std::ifstream file(o.keyFile, std::ios::binary);
    if (!file) return "cannot read the key file '" + o.keyFile + "'" + (errno ? ": " + Errno() : "");
    source = "the key file '" + o.keyFile + "'";
    key = ReadFirstLine(file).value_or("");
    if (file.bad()) return "cannot read " + source;
    if (key.empty()) return source + " has no key in its first line";
  } else if (o.keyEnvOption->count() > 0) {
    const char* value = std::getenv(o.keyEnv.c_str());
    source = "the environment variable " + o.keyEnv;
    if (value == nullptr) return source + " is not set";
    key = value;
    if (key.empty()) return source + " is empty";
  } else {
    return "a key is required: --key K, --key-file F or --key-env NAME";
  }
  return key.find('\0') == std::string::npos ? std::string() : source + " cannot hold a zero byte";
}

int RunTransform(const TransformOptions& o, bool encrypt) {
  const CipherInfo* info = FindCipher(o.cipher);  // checked while parsing
  std::string key;
  if (std::string error = ReadKey(o, key); !error.empty()) return Fail(kExitUsage, error);

  const bool fromStdin = o.in == "-";
  const std::string inName = fromStdin ? "standard input" : "'" + o.in + "'";
  Fd file(fromStdin ? -1 : open(o.in.c_str(), kOpenRead));
  const int in = fromStdin ? STDIN_FILENO : file.get();
  struct stat inStat {};
  if (in < 0 || fstat(in, &inStat) != 0) return Fail(kExitUsage, "cannot read " + inName + ": " + Errno());
  if (S_ISDIR(inStat.st_mode))
    return Fail(kExitUsage, "cannot read " + inName + ": " + std::strerror(EISDIR));
  const off_t knownSize = S_ISREG(inStat.st_mode) ? inStat.st_size : 0;
  if (o.chunk == 0 && static_cast<uint64_t>(knownSize) > kCallLimit)
    return Fail(kExitUsage, "the input is larger than one call takes (4294967295 bytes); use --chunk");

  std::unique_ptr<ZCipher> cipher(CreateCipher(info->type));
  if (cipher->SetKey(encrypt ? 1 : 0, key.c_str()) != 1) return Fail(kExitUsage, "the key was refused");
  // What OUT is on the system refuses the request; a failed write is the system's failure.
  if (std::string error; !Output::Check(o.out, error)) return Fail(kExitNone, error);
  if (std::string error = OverwritesInput(inStat, o.out); !error.empty()) return Fail(kExitNone, error);
  if (o.chunk == 0) return TransformWhole(in, inName, knownSize, o.out, *cipher, encrypt);
  return TransformStream(in, inName, o.chunk, o.out, *cipher, encrypt);
}

// What the stored format implies, at the end of both commands' help.
constexpr const char kFormatNotes[] =
    "The output carries no integrity check: deciphering with a wrong key (or cipher) gives other bytes\n"
    "and no error.\n"
    "DES and AES encipher whole blocks (8 and 16 bytes) with the key and only rotate the bits of the\n"
    "bytes after the last one: an input shorter than one block is not enciphered with the key at all.\n"
    "With --chunk N each piece is its own call, starting afresh from the key, so the output of an input\n"
    "longer than N differs from that of the whole input (for DES, Qwik and ZCrypt1 unless N is a\n"
    "multiple of 8, 4 or 1024): decipher it with the same --chunk N.";

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
  // Exactly one key source: each excludes the others, and the action asks for one.
  o->keyOption = command
                     ->add_option("--key", o->key,
                                  "the key text; other users of the machine see it in process listings, "
                                  "--key-file and --key-env keep it off the command line")
                     ->type_name("K");
  o->keyFileOption =
      command
          ->add_option("--key-file", o->keyFile, "a file whose first line (without its line end) is the key")
          ->type_name("F")
          ->excludes(o->keyOption);
  o->keyEnvOption = command->add_option("--key-env", o->keyEnv, "an environment variable that holds the key")
                        ->type_name("NAME")
                        ->excludes(o->keyOption)
                        ->excludes(o->keyFileOption);
  command
      ->add_option_function<std::string>(
          "--chunk",
          [o](const std::string& t) { o->chunk = static_cast<uint64_t>(*ParseInteger(t, 1, kCallLimit)); },
          "encipher each N-byte piece by its own call, streaming the input (default: the whole input in one "
          "call, at most 4294967295 bytes)")
      ->type_name("N")
      ->check(IntegerCheck(1, kCallLimit, "--chunk must be a byte count from 1 to 4294967295, not '{}'"));
  command->add_option("IN", o->in, "the input file (default or -: standard input)");
  command->add_option("OUT", o->out, "the output file (default or -: standard output)");
  command->footer(kFormatNotes);
  if (encrypt)
    AddExamples(*command,
                {"lumenrt encrypt --cipher AES --key-file key.txt notes.txt notes.enc",
                 "tar c docs | lumenrt encrypt --cipher Blowfish128 --key-env KEY --chunk 65536 > docs.enc"});
  else
    AddExamples(*command,
                {"lumenrt decrypt --cipher AES --key-file key.txt notes.enc notes.txt",
                 "lumenrt decrypt --cipher Blowfish128 --key-env KEY --chunk 65536 < docs.enc | tar x"});
}

const Registration kTransformCommands{[](CLI::App& tool) {
  AddTransform(tool, true);
  AddTransform(tool, false);
}};

}  // namespace
}  // namespace lumenrt::tool

// libFuzzer target: file names of the counted syntax (119) made of untrusted bytes.
//
// A counted name is two count bytes, then each element as a length byte and its characters. Byte 0
// of the input picks the part code of a change and byte 1 where the rest splits into the name and the
// text of the change. A name that parses must come back byte for byte from its elements; a change
// that succeeds must leave a name that parses, and a refused one must leave the name as it was.
//
// Built by the fuzz preset (clang); the ordinary test suite replays fuzz/corpus/counted_filename/.
//   build-fuzz/bin/counted_filename_fuzz -max_len=4200 CORPUS_DIR fuzz/corpus/counted_filename
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "lumenrt/core/zerror.h"
#include "lumenrt/core/zfilename.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// The counted form of a parsed name, rebuilt from its table and element texts.
std::string Rebuild(const ZFileName& f) {
  const FileNamePartTable* table = f.PartTable();
  Check(table != nullptr && table->partsInUse == 4);
  const int node = f.ElementCount(kFileNameNode), device = f.ElementCount(kFileNameDevice);
  const int directory = f.ElementCount(kFileNameDirectory), file = f.ElementCount(kFileNameFile);
  std::string out;
  if (node + device + directory + file == 0) return out;
  out += static_cast<char>(0x80 | node << 4 | device << 2 | file);
  out += static_cast<char>(0x80 | directory);
  for (int part = 0; part < 4; ++part) {
    for (int k = 0; k < f.ElementCount(part); ++k) {
      const FileNameElement& e = table->parts[part].elements[k];
      Check(e.offset + e.length <= f.GetName().Length());
      const ZString element = f.ElementText(part, k);
      Check(element.Length() == e.length);
      out += static_cast<char>(e.length);
      out.append(element.c_str(), static_cast<std::size_t>(element.Length()));
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const int code = data[0] % 17;
  const std::string_view all(reinterpret_cast<const char*>(data + 2), size - 2);
  const std::size_t split = all.size() * data[1] / 255;
  const ZString name(all.substr(0, split)), text(all.substr(split));

  ZFileName parsed(name, kSyntaxCounted);
  const int p = parsed.Parse();
  Check(p == 1 || p == -1);
  if (p == 1) {
    const std::string rebuilt = Rebuild(parsed);
    const ZString kept = parsed.GetName();  // the first 4095 characters
    std::string_view original(kept.c_str(), static_cast<std::size_t>(kept.Length()));
    if (rebuilt.empty()) {
      // An empty name: no count bytes, a zero count byte, or both counts 0x80.
      Check(original.size() < 2 || original[0] == '\0' || original[1] == '\0' ||
            (original[0] == '\x80' && original[1] == '\x80'));
    } else {
      if (original.size() == rebuilt.size() + 1 && original.back() == '\0') original.remove_suffix(1);
      Check(original == rebuilt);
    }
  }

  ZFileName f(name, kSyntaxCounted);
  const ZString before = f.GetName();
  int result = 0;
  try {
    result = f.SetPart(code, text, data[0] & 0x80);
  } catch (ZError* e) {
    Check((data[0] & 0x80) != 0 && e->facility == 40 && e->code == 4352);
    delete e;
  }
  Check(result >= -1 && result <= 1);
  if (result <= 0) Check(f.GetName() == before);
  if (result == 1) {
    Check(f.GetName().Length() <= 4095);
    Check(f.Parse() == 1);
    Rebuild(f);
  }
  return 0;
}

// libFuzzer target for ZFileName: parses a name and changes one part under every name syntax, and
// checks that the result stays within the name's bounds. Built by the fuzz preset (clang); the
// ordinary test suite replays fuzz/corpus/zfilename/.
//
//   cmake --preset fuzz && cmake --build --preset fuzz
//   build-fuzz/bin/zfilename_fuzz -max_len=9000 -max_total_time=60 CORPUS_DIR fuzz/corpus/zfilename
//
// Input: byte 0 picks the syntax, byte 1 the part code, byte 2 the raise flag, byte 3 where the rest
// is split into the name and the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "lumenrt/core/zerror.h"
#include "lumenrt/core/zfilename.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// Every element of a parsed name lies inside the name.
void CheckTable(const ZFileName& f) {
  const FileNamePartTable* table = f.PartTable();
  Check(table != nullptr && table->partsInUse == 4);
  for (const auto& part : table->parts) {
    Check(part.count >= 0 && part.count <= 256);
    for (int k = 0; k < part.count; ++k)
      Check(part.elements[k].offset + part.elements[k].length <= f.GetName().Length());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static constexpr int kSyntaxes[] = {0, 1, 2, 4, 7, 8, 9, 119, 3, -1};
  if (size < 4) return 0;
  const int syntax = kSyntaxes[data[0] % (sizeof kSyntaxes / sizeof kSyntaxes[0])];
  const int code = data[1] % 17;
  const int raise = data[2] & 1;
  const std::size_t rest = size - 4;
  const std::size_t split = rest * data[3] / 255;
  const std::string_view all(reinterpret_cast<const char*>(data + 4), rest);
  const ZString name(all.substr(0, split)), text(all.substr(split));

  ZFileName parsed(name, syntax);
  const int p = parsed.Parse();
  Check(p == 1 || p == -1);
  if (p == 1) CheckTable(parsed);

  ZFileName f(name, syntax);
  const ZString before = f.GetName();
  int result;
  try {
    result = f.SetPart(code, text, raise);
    Check(result == 1 || raise == 0);
  } catch (ZError* e) {
    Check(raise != 0 && e->facility == 40 && e->code == 4352);
    delete e;
    result = 0;
  }
  Check(result >= -1 && result <= 1);
  if (result <= 0) Check(f.GetName() == before);
  if (result == 1) {
    Check(f.GetName().Length() <= 4095 && (syntax == 119 || !f.GetName().IsEmpty()));
    if (f.Parse() == 1) CheckTable(f);
  }
  return 0;
}

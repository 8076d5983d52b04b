// The library's small shared helpers: hexadecimal digits, little-endian words, case folding and
// copying into a caller's buffer.
#include "lumenrt/platform/internal/text_helpers.h"

#include <string>

#include <gtest/gtest.h>

namespace lumenrt {
namespace {

TEST(TextHelpers, HexadecimalDigitsBothWays) {
  const std::pair<char, int> digits[] = {{'0', 0},  {'9', 9},  {'a', 10}, {'F', 15},
                                         {'g', -1}, {' ', -1}, {'\0', -1}};
  for (auto [c, v] : digits) EXPECT_EQ(HexDigitValue(c), v) << c;
  const unsigned char bytes[] = {0x00, 0x7f, 0xa5, 0xff};
  EXPECT_EQ(HexEncode(bytes, 4), "007FA5FF");
  EXPECT_EQ(HexEncode(bytes, 4, false), "007fa5ff");
  unsigned char back[4] = {};
  EXPECT_EQ(HexDecode("007fA5Ff", back), std::string_view::npos);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(back), 4),
            std::string(reinterpret_cast<const char*>(bytes), 4));
  unsigned char untouched[2] = {1, 2};
  EXPECT_EQ(HexDecode("12x4", untouched), 2u);  // nothing decoded when a character is not a digit
  EXPECT_EQ(untouched[0], 1);
}

TEST(TextHelpers, LittleEndianWordsWhateverTheMachine) {
  const unsigned char bytes[] = {0x78, 0x56, 0x34, 0x12};
  EXPECT_EQ(LoadLittleEndian32(bytes), 0x12345678u);
  unsigned char out[4];
  StoreLittleEndian32(out, 0xA1B2C3D4u);
  EXPECT_EQ(out[0], 0xD4);
  EXPECT_EQ(out[3], 0xA1);
}

TEST(TextHelpers, CaseFoldedComparisonStopsAtTheTerminatorOrTheCount) {
  EXPECT_EQ(CompareFoldedCase("Backup.Mode", "BACKUP.mode", 11), 0);
  EXPECT_LT(CompareFoldedCase("abc", "ABD", 3), 0);
  EXPECT_GT(CompareFoldedCase("b", "A", 1), 0);
  EXPECT_EQ(CompareFoldedCase("ab\0x", "AB\0y", 4), 0);  // nothing after the terminator counts
  EXPECT_EQ(CompareFoldedCase("abX", "ABy", 2), 0);
  EXPECT_NE(CompareFoldedCase("\xC4", "\xE4", 1), 0);  // only ASCII letters fold
}

TEST(TextHelpers, CopyCutsToTheBufferAndTerminates) {
  char buffer[6] = "xxxxx";
  EXPECT_EQ(CopyCutTerminate("hello world", buffer, sizeof buffer), 5);
  EXPECT_STREQ(buffer, "hello");
  EXPECT_EQ(CopyCutTerminate("", buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(CopyCutTerminate("abc", buffer, 1), 0);
  EXPECT_EQ(CopyCutTerminate("abc", nullptr, 4), 0);
  EXPECT_EQ(CopyCutTerminate("abc", buffer, 0), 0);
}

}  // namespace
}  // namespace lumenrt

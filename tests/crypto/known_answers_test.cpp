// Table-driven known answers from tests/data/crypto/known_answers.txt: every cipher row enciphers to
// its answer and deciphers back; every password row encodes to its stored form and decodes back.
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "lumenrt/crypto/password.h"

#include "crypto/test_util.h"

namespace {

using namespace lumenrt::test;

Bytes Field(const std::string& f) { return f == "." ? Bytes{} : FromHex(f); }

TEST(KnownAnswers, FromDataFile) {
  std::ifstream in(std::string(LUMENRT_TEST_DATA_DIR) + "/crypto/known_answers.txt");
  ASSERT_TRUE(in) << "known_answers.txt missing";
  std::string line;
  int ciphers = 0, passwords = 0, line_no = 0;
  while (std::getline(in, line)) {
    ++line_no;
    if (line.empty() || line[0] == '#') continue;
    std::istringstream row(line);
    std::string kind;
    row >> kind;
    if (kind == "C") {
      int type;
      std::string key_hex, plain_hex, cipher_hex;
      ASSERT_TRUE(row >> type >> key_hex >> plain_hex >> cipher_hex) << "line " << line_no;
      Bytes key = key_hex == "-" ? Bytes{} : FromHex(key_hex);
      std::string key_text(key.begin(), key.end());
      auto c = Make(type, key_hex == "-" ? nullptr : key_text.c_str());
      ASSERT_TRUE(c) << "line " << line_no;
      EXPECT_EQ(Encrypted(*c, Field(plain_hex)), Field(cipher_hex)) << "line " << line_no;
      EXPECT_EQ(Decrypted(*c, Field(cipher_hex)), Field(plain_hex)) << "line " << line_no;
      ++ciphers;
    } else if (kind == "P") {
      std::string text_hex, stored;
      int modifier;
      ASSERT_TRUE(row >> text_hex >> modifier >> stored) << "line " << line_no;
      Bytes text_bytes = Field(text_hex);
      std::string text(text_bytes.begin(), text_bytes.end());
      EXPECT_EQ(EncodePassword(text, modifier), stored) << "line " << line_no;
      EXPECT_EQ(lumenrt::DecodeStoredPassword(stored).value_or("?"), text) << "line " << line_no;
      ++passwords;
    } else {
      ADD_FAILURE() << "line " << line_no << ": unknown row kind '" << kind << "'";
    }
  }
  EXPECT_GT(ciphers, 200);
  EXPECT_GT(passwords, 5);
}

}  // namespace

#include "lumenrt/config/lookups.h"

#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "lumenrt/config/config_source.h"
#include "lumenrt/core/zerror.h"
#include "lumenrt/crypto/password.h"

namespace {

using Entries = std::vector<std::pair<int, const char*>>;

// Installs sources for one test and empties every slot and both current texts around it.
class Lookups : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { Reset(); }
  static void Reset() {
    for (int slot = 1; slot <= 4; ++slot) RemoveConfigSource(slot);
    CurrentKeyName = "<none>";
    CurrentKeyValue = "<none>";
  }
  ConfigSource& Install(int slot, int version, const Entries& entries, unsigned kinds = 1) {
    sources_.push_back(std::make_unique<ConfigSource>(kinds, version));
    for (const auto& [id, text] : entries) EXPECT_EQ(sources_.back()->AddEntry(id, text), 1);
    EXPECT_EQ(InstallConfigSource(slot, sources_.back().get()), 1);
    return *sources_.back();
  }
  std::vector<std::unique_ptr<ConfigSource>> sources_;
};

std::string S(const ZString& z) { return z.c_str(); }

TEST_F(Lookups, SourcesAreAskedInSlotOrderAndNameTheKeyUnderTheirVersion) {
  Install(1, 101, {{1005, "Max"}, {107, "1"}, {107, "2"}});
  Install(3, 105, {{1005, "None"}, {802, "yes"}, {13203, "/opt/p"}});
  Install(4, 104, {{1032, "full"}, {13203, "other"}});
  struct Step {
    int id;
    int result;
    const char *value, *name, *raw;
  } steps[] = {
      {1005, 1, "Max", "Backup.Compression", "Max"},            // slot 1 shadows slot 3
      {107, 1, "1", "Priority", "1"},                           // the first of two entries counts
      {802, 1, "yes", "Scheduler.Auto_Restart_Missed", "yes"},  // no row under 101; 105 names it
      {13203, 1, "/opt/p", "Plugin3.Path", "/opt/p"},           // slot 3 answers before slot 4
      {1032, 1, "full", "Backup.EXCH_Backup_Type", "full"},     // slot 4; slot 2 is skipped
      {803, 0, "", "Scheduler.Auto_Restart_Failed", ""},        // named by slot 3; slot 4 (104) keeps it
      {9999, 0, "", "9999", ""},                                // no row, no entry
      {1013, 0, "", "1013", ""},                                // never the previous key's name
      {10025, 0, "", "Server5.Net_Address", ""},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.id);
    ZString value("stale");
    EXPECT_EQ(cfg_get_string(s.id, value), s.result);
    EXPECT_EQ(S(value), s.value);
    EXPECT_EQ(S(CurrentKeyName), s.name);
    EXPECT_EQ(S(CurrentKeyValue), s.raw);
  }
}

TEST_F(Lookups, EmptySlotOneAsksNoSource) {
  Install(2, 105, {{1005, "Max"}, {103, "yes"}, {1032, "full"}});
  ZString value("kept");
  EXPECT_EQ(cfg_get_string(1005, value), -1);
  EXPECT_EQ(S(value), "kept");
  EXPECT_EQ(S(CurrentKeyName), "Backup.Compression");
  EXPECT_EQ(S(CurrentKeyValue), "");
  EXPECT_EQ(cfg_get_password(1005, value), 0);
  EXPECT_EQ(S(value), "");
  EXPECT_EQ(cfg_get_bool(103, 7), 7);
  std::int32_t index = 5;
  EXPECT_EQ(cfg_get_choice(1032, index), 0);
  EXPECT_EQ(index, -1);
  std::int32_t number = 5;
  EXPECT_EQ(cfg_get_number(1005, number), -1);
  EXPECT_EQ(number, 0);
  char buffer[8] = "junk";
  EXPECT_EQ(cfg_get_string_buf(1005, buffer), -1);
  EXPECT_STREQ(buffer, "");
  // Retry keys apply their rule to the text held on entry and always answer 1.
  for (auto [entry, want] : {std::pair{"", "1800"}, {"600", "600"}, {"10", "1800"}}) {
    value = entry;
    EXPECT_EQ(cfg_get_string(10093, value), 1);
    EXPECT_EQ(S(value), want);
  }
}

TEST_F(Lookups, RetryKeysKeepTheirRangeAndAlwaysAnswer) {
  struct Case {
    int id;
    std::optional<const char*> stored;
    const char *value, *raw;
  } cases[] = {
      {10093, "10", "1800", "10"},        {10093, "600", "600", "600"},
      {10093, std::nullopt, "1800", ""},  {10090, "30", "30", "30"},
      {10099, "43200", "43200", "43200"}, {10099, "43201", "1800", "43201"},
      {10091, "29", "1800", "29"},        {10092, "600abc", "600", "600abc"},
      {10092, " 0600", "600", " 0600"},   {10092, "4294967326", "1800", "4294967326"},  // 2^32 + 30
      {10100, "5000", "60", "5000"},      {10109, "1800", "1800", "1800"},
      {10109, "1801", "60", "1801"},      {10105, std::nullopt, "60", ""},
      {10100, "-45", "60", "-45"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.id) + " " + c.stored.value_or("(absent)"));
    Reset();
    if (c.stored) {
      Install(1, 103, {{c.id, *c.stored}});
    } else {
      Install(1, 103, {});
    }
    ZString value;
    EXPECT_EQ(cfg_get_string(c.id, value), 1);
    EXPECT_EQ(S(value), c.value);
    EXPECT_EQ(S(CurrentKeyValue), c.raw);
    std::int32_t number = 0;
    EXPECT_EQ(cfg_get_number(c.id, number), 1);
    EXPECT_EQ(number, std::stoi(c.value));
  }
  // Neighbours of the retry families follow the ordinary rule.
  Reset();
  Install(1, 103, {});
  ZString value;
  EXPECT_EQ(cfg_get_string(10089, value), 0);
  EXPECT_EQ(cfg_get_string(10110, value), 0);
}

TEST_F(Lookups, NumbersTakeTheLeadingDecimalValueAndSaturate) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  struct Case {
    const char* text;
    std::int32_t number;
  } cases[] = {
      {"12abc", 12},
      {"-5", -5},
      {"+7", 7},
      {"  42", 42},
      {"abc", 0},
      {"", 0},
      {"2147483647", kMax},
      {"2147483648", kMax},
      {"4294967296", kMax},
      {"99999999999999999999999", kMax},
      {"-2147483648", kMin},
      {"-2147483649", kMin},
      {"-99999999999999999999999", kMin},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Reset();
    Install(1, 105, {{1010, c.text}});
    std::int32_t number = -1;
    EXPECT_EQ(cfg_get_number(1010, number), 1);
    EXPECT_EQ(number, c.number);
    EXPECT_EQ(S(CurrentKeyValue), c.text);
  }
  std::int32_t number = -1;
  EXPECT_EQ(cfg_get_number(1016, number), 0);
  EXPECT_EQ(number, 0);
}

TEST(ConfigSourceGetBool, YesNoWords) {
  struct Case {
    const char* text;
    int result, flag;
  } cases[] = {
      {"y", 1, 1},     {"Ye", 1, 1},    {"YES", 1, 1},   {"T", 1, 1},  {"tru", 1, 1}, {"TRUE", 1, 1},
      {"1", 1, 1},     {"", 1, 1},      {"n", 1, 0},     {"NO", 1, 0}, {"F", 1, 0},   {"fals", 1, 0},
      {"false", 1, 0}, {"0", 1, 0},     {"yess", 0, 0},  {"2", 0, 0},  {"on", 0, 0},  {"01", 0, 0},
      {" yes", 0, 0},  {"truer", 0, 0}, {"maybe", 0, 0},
  };
  for (const Case& c : cases) {
    ConfigSource source(1, 105);
    source.AddEntry(103, c.text);
    int flag = 7;
    ZString raw("stale");
    EXPECT_EQ(source.GetBool(103, flag, &raw), c.result) << c.text;
    EXPECT_EQ(flag, c.flag) << c.text;
    EXPECT_EQ(S(raw), c.text);
  }
  ConfigSource empty(1, 105);
  int flag = 7;
  ZString raw("stale");
  EXPECT_EQ(empty.GetBool(103, flag, &raw), 0);
  EXPECT_EQ(flag, 0);
  EXPECT_EQ(S(raw), "");
}

TEST_F(Lookups, BoolChainPassesOverInvalidTexts) {
  Install(1, 105, {{103, "maybe"}, {401, "TRUE"}});
  Install(2, 105, {{103, "no"}, {401, "no"}, {303, "on"}});
  EXPECT_EQ(cfg_get_bool(103, 7), 0);
  EXPECT_EQ(S(CurrentKeyValue), "no");
  EXPECT_EQ(cfg_get_bool(401, 7), 1);
  EXPECT_EQ(S(CurrentKeyName), "Log.Log_To_File");
  EXPECT_EQ(cfg_get_bool(303, 7), 7);  // invalid in slot 2, absent in slot 1
  EXPECT_EQ(S(CurrentKeyValue), "on");
  EXPECT_EQ(cfg_get_bool(304, 7), 7);
  EXPECT_EQ(S(CurrentKeyValue), "");
}

TEST_F(Lookups, ChoicesMatchAnUnambiguousLeadingPart) {
  struct Case {
    int id;
    const char* text;  // null: absent
    int result, index;
  } cases[] = {
      {1032, "f", 1, 0},           {1032, "FU", 1, 0},     {1032, "full", 1, 0},     {1032, "i", 1, 1},
      {1032, "INCR", 1, 1},        {1032, "x", -1, -1},    {1032, "", -1, -1},       {1032, "fulll", -1, -1},
      {1032, "full/incr", -1, -1}, {1032, nullptr, 0, -1}, {1005, "N", -2, -1},      {1005, "no", -2, -1},
      {1005, "non", 1, 3},         {1005, "M", -2, -1},    {1005, "min", 1, 4},      {1005, "maximum", 1, 6},
      {1005, "s", 1, 0},           {707, "Log", -2, -1},   {707, "log and h", 1, 1}, {707, "log and", -2, -1},
      {5001, "t", -2, -1},         {5001, "e1", 1, 11},    {10030, "tcp", 1, 0},     {10031, "TCP", -1, -1},
      {1001, "x", -1, -1},         {2019, "p", 1, 2},      {1013, "yes", -1, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.id) + " '" + (c.text ? c.text : "(absent)") + "'");
    Reset();
    if (c.text) {
      Install(1, 105, {{c.id, c.text}});
    } else {
      Install(1, 105, {});
    }
    std::int32_t index = 99;
    EXPECT_EQ(cfg_get_choice(c.id, index), c.result);
    EXPECT_EQ(index, c.index);
    EXPECT_EQ(S(CurrentKeyValue), c.text ? c.text : "");
  }
}

TEST_F(Lookups, ChoiceChainStopsAtInvalidAndUsesEachSourcesKindsAndVersion) {
  Install(1, 105, {{1032, "x"}, {2043, "new"}});
  Install(2, 105, {{1032, "full"}, {1005, "min"}, {1102, "t"}}, 2);
  std::int32_t index = 0;
  EXPECT_EQ(cfg_get_choice(1032, index), -1);
  EXPECT_EQ(S(CurrentKeyValue), "x");
  EXPECT_EQ(cfg_get_choice(1005, index), -1);  // slot 2's kinds 2 give the key no type
  EXPECT_EQ(S(CurrentKeyValue), "min");
  EXPECT_EQ(cfg_get_choice(2043, index), 1);
  EXPECT_EQ(index, 1);
}

TEST_F(Lookups, BoundedBufferNeverOverflows) {
  Install(1, 105, {{1001, "abcd"}});
  char buffer[8];
  std::memset(buffer, 'z', sizeof(buffer));
  EXPECT_EQ(cfg_get_string_buf_n(1001, buffer, 5), 1);
  EXPECT_STREQ(buffer, "abcd");
  std::memset(buffer, 'z', sizeof(buffer));
  EXPECT_EQ(cfg_get_string_buf_n(1001, buffer, 4), lumenrt::kValueTooLong);
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_EQ(buffer[1], 'z');
  EXPECT_EQ(S(CurrentKeyValue), "abcd");
  EXPECT_EQ(cfg_get_string_buf_n(1001, buffer, 0), lumenrt::kValueTooLong);
  EXPECT_EQ(cfg_get_string_buf_n(1001, nullptr, 8), lumenrt::kValueTooLong);
  std::memset(buffer, 'z', sizeof(buffer));
  EXPECT_EQ(cfg_get_string_buf_n(1002, buffer, 1), 0);
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_EQ(cfg_get_string_buf_n(10100, buffer, 3), 1);  // "60" fits in three bytes
  EXPECT_STREQ(buffer, "60");
  EXPECT_EQ(cfg_get_string_buf(1001, buffer), 1);
  EXPECT_STREQ(buffer, "abcd");
}

TEST_F(Lookups, PasswordsOfOtherLengthsOrDigitsAreReturnedAsWritten) {
  const std::string hex63(63, 'a'), hex65(65, 'b'), notHex = std::string(63, 'a') + "g";
  Install(1, 105, {{104, hex63.c_str()}, {3502, hex65.c_str()}, {502, notHex.c_str()}, {12040, "plain"}});
  for (auto [id, text] :
       {std::pair{104, hex63}, {3502, hex65}, {502, notHex}, {12040, std::string("plain")}}) {
    ZString value;
    EXPECT_EQ(cfg_get_password(id, value), 1);
    EXPECT_EQ(S(value), text);
    EXPECT_EQ(S(CurrentKeyValue), text);
  }
  ZString value("x");
  EXPECT_EQ(cfg_get_password(10080, value), 0);
  EXPECT_EQ(S(value), "");
  EXPECT_EQ(S(CurrentKeyValue), "");
}

TEST_F(Lookups, SixtyFourHexDigitsAreDecodedAsAnObscuredPassword) {
  struct Case {
    std::string stored, text;
  } cases[] = {
      // Fixed stored forms: the built-in key and the cipher must keep reading them.
      {"07CD566242806BD87B23F7DF082D577850CBFDC0427FF5B75E9692480E7E9B5A", "S3cret pass"},
      {"07cd566242806bd87b23f7df082d577850cbfdc0427ff5b75e9692480e7e9b5a", "S3cret pass"},
      {"41C6D0321899B80971B0B2630DE09CD832A4EC3B397569F8159C67CE09444A00", "abcdefghijklmnopqrstuvwxyz01234"},
      {EncodePassword("", 7), ""},
      {EncodePassword("x", -1), "x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    ASSERT_EQ(c.stored.size(), 64u);
    Reset();
    Install(1, 105, {{3502, c.stored.c_str()}});
    ZString value;
    EXPECT_EQ(cfg_get_password(3502, value), 1);
    EXPECT_EQ(S(value), c.text);
    EXPECT_EQ(S(CurrentKeyValue), c.text);  // the value found, as for cfg_get_string
    EXPECT_EQ(S(CurrentKeyName), "RunAs.Password");
    ZString plain;
    EXPECT_EQ(cfg_get_string(3502, plain), 1);  // only the password lookup decodes
    EXPECT_EQ(S(plain), c.stored);
  }
}

TEST_F(Lookups, RaiseFunctionsQuoteTheKeyAndValue) {
  Install(1, 105, {{1032, "x"}});
  std::int32_t index = 0;
  ASSERT_EQ(cfg_get_choice(1032, index), -1);
  struct Case {
    void (*raise)();
    const char* text;
  } cases[] = {
      {cfg_raise_ambiguous, "Backup.EXCH_Backup_Type was specified with an ambiguous value 'x'."},
      {cfg_raise_invalid, "Backup.EXCH_Backup_Type was specified with an invalid value 'x'."},
      {cfg_raise_required, "A value is required for Backup.EXCH_Backup_Type."},
  };
  for (const Case& c : cases) {
    std::unique_ptr<ZError> error;
    try {
      c.raise();
    } catch (ZError* e) {
      error.reset(e);
    }
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->facility, 45);
    EXPECT_EQ(error->code, 4456);
    EXPECT_EQ(error->hasText, 1);
    EXPECT_EQ(S(error->text), c.text);
    EXPECT_EQ(S(error->severity), "");
    EXPECT_EQ(error->cause, nullptr);
  }
  // Absent: required names the key just looked up.
  ASSERT_EQ(cfg_get_choice(2044, index), 0);
  try {
    cfg_raise_required();
  } catch (ZError* e) {
    EXPECT_EQ(S(e->text), "A value is required for Restore.EXCHMAPI_Resolve.");
    delete e;
  }
}

TEST(UnescapeEntry, DecodesWholeEscapesAndNeverReadsPastTheText) {
  struct Case {
    const char *in, *out;
    char escape;
  } cases[] = {
      {"a^41b", "aAb", '^'}, {"^5e41", "^41", '^'}, {"^5E41", "^41", '^'}, {"^4F", "O", '^'},
      {"^4", "^4", '^'},     {"^", "^", '^'},       {"x^", "x^", '^'},     {"^zz1", "^zz1", '^'},
      {"^4g", "^4g", '^'},   {"^00", "^00", '^'},   {"^^41", "^A", '^'},   {"", "", '^'},
      {"%41%42", "AB", '%'}, {"^41", "^41", '%'},   {"^7e^7E", "~~", '^'},
  };
  for (const Case& c : cases) {
    // Exactly sized, so that a read past the terminator is caught by the address sanitizer.
    const std::size_t size = std::strlen(c.in) + 1;
    auto text = std::make_unique<char[]>(size);
    std::memcpy(text.get(), c.in, size);
    EXPECT_EQ(unescapeEntry(text.get(), c.escape), text.get());
    EXPECT_STREQ(text.get(), c.out) << c.in;
  }
  EXPECT_EQ(unescapeEntry(nullptr, '^'), nullptr);
}

}  // namespace

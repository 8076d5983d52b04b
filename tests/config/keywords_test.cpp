#include "lumenrt/config/keywords.h"

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "lumenrt/config/internal/keyword_lookup.h"
#include "lumenrt/config/schema.h"

namespace {

TEST(KeywordTables, CountsEndRowsAndSamples) {
  int commands = 0;
  while (CommandKeywords[commands].id != -1) ++commands;
  ASSERT_EQ(commands, lumenrt::kCommandKeywordCount);
  const CommandKeyword& endCommand = CommandKeywords[commands];
  EXPECT_STREQ(endCommand.keyword, "");
  EXPECT_EQ(endCommand.flag, 0);
  EXPECT_EQ(endCommand.code, 255);

  int switches = 0;
  while (SwitchKeywords[switches].commandId != -1) ++switches;
  ASSERT_EQ(switches, lumenrt::kSwitchKeywordCount);
  const SwitchKeyword& endSwitch = SwitchKeywords[switches];
  EXPECT_STREQ(endSwitch.keyword, "");
  EXPECT_EQ(endSwitch.keyId, 0);
  EXPECT_STREQ(endSwitch.impliedValue, "");

  struct Command {
    int index, id;
    const char* keyword;
    int flag, code;
  } commandRows[] = {
      {0, 1, "BACKUP", 1, 0},       {3, 5, "SYNCH", 1, 3},           {6, 8, "ANALYZE", 1, 12},
      {8, 10, "INVENTORY", 0, 255}, {9, 101, "ENCPASSWORD", 0, 255}, {13, 203, "$CATCHECK", 0, 255},
  };
  for (const Command& want : commandRows) {
    const CommandKeyword& got = CommandKeywords[want.index];
    EXPECT_EQ(got.id, want.id) << want.index;
    EXPECT_STREQ(got.keyword, want.keyword);
    EXPECT_EQ(got.flag, want.flag) << want.keyword;
    EXPECT_EQ(got.code, want.code) << want.keyword;
  }

  struct Switch {
    int index, command;
    const char* keyword;
    int key;
    const char* implied;
  } switchRows[] = {
      {0, 0, "DIAGNOSTICS", 103, "YES"},  {13, 0, "PRIORITY", 107, "5"},
      {14, 102, "DIRECTORY", 101, ""},    {20, 1, "REGISTRY", 1013, "YES"},
      {29, 1, "ENCTYPE", 1009, "DES"},    {50, 2, "INCLUDE", 4001, ""},
      {53, 8, "START", 5005, ""},         {63, 5, "SOURCE", 9101, ""},
      {79, 3, "EXCHLOGALTLOC", 2028, ""}, {85, 6, "DESTINATION", 3002, ""},
      {94, 11, "DESTINATION", 6001, ""},  {97, 0, "STOKEN", 800, ""},
      {98, 1, "SQLTYPE", 1102, "Full"},
  };
  for (const Switch& want : switchRows) {
    const SwitchKeyword& got = SwitchKeywords[want.index];
    EXPECT_EQ(got.commandId, want.command) << want.index;
    EXPECT_STREQ(got.keyword, want.keyword) << want.index;
    EXPECT_EQ(got.keyId, want.key) << want.index;
    EXPECT_STREQ(got.impliedValue, want.implied) << want.index;
  }
}

TEST(KeywordTables, SwitchesSetTheKeysTheyName) {
  struct Case {
    int command;
    const char* keyword;
    int key;
    const char* name;  // null: no schema row
  } cases[] = {
      {201, "SOURCE", 9201, "DTACheck.Filename"},
      {203, "SOURCE", 9301, "CATCheck.Filename"},
      {202, "SOURCE", 9400, "SYNCheck.Filename"},
      {3, "SOURCE", 2001, "Restore.Source"},
      {0, "ENCPASSWORD", 104, "Enc_Password"},
      {1, "ENCPASSWORD", 104, "Enc_Password"},
      {1, "SVRPASSWORD", 10080, "Server0.Password"},
      {1, "REGISTRY", 1013, nullptr},
      {1, "AD", 1025, nullptr},
      {8, "REFRESH", 5007, nullptr},
      {0, "STOKEN", 800, ""},
  };
  for (const Case& c : cases) {
    const SwitchKeyword* row = lumenrt::FindSwitchKeyword(c.command, c.keyword);
    ASSERT_NE(row, nullptr) << c.keyword;
    EXPECT_EQ(row->keyId, c.key) << c.keyword;
    ZString name("<none>");
    FormatKeyName(row->keyId, name, 105, 1);
    EXPECT_STREQ(name.c_str(), c.name ? c.name : "<none>") << c.keyword;
  }
  EXPECT_EQ(lumenrt::FindSwitchKeyword(2, "ENCPASSWORD"), nullptr);
  EXPECT_EQ(lumenrt::FindSwitchKeyword(1, "encpassword"), nullptr);
  ASSERT_NE(lumenrt::FindCommandKeyword("ENCPASSWORD"), nullptr);
  EXPECT_EQ(lumenrt::FindCommandKeyword("ENCPASSWORD")->id, 101);
  EXPECT_EQ(lumenrt::FindCommandKeyword("EXPORT"), nullptr);
}

}  // namespace

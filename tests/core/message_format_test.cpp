// Message formats: the safety check, catalogue files and lookups through module handles.
#include "lumenrt/core/message_format.h"

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "lumenrt/core/internal/catalogue_store.h"
#include "lumenrt/core/message_catalogue.h"
#include "lumenrt/platform/message_module.h"

namespace {

using lumenrt::CheckMessageFormat;

const std::string kData = LUMENRT_TEST_DATA_DIR "/messages/";

TEST(MessageFormatCheckTest, AcceptsOnlyFormatsThatCannotReadOrWriteWhatWasNotPassed) {
  const std::pair<const char*, char> accepted[] = {
      {"%s-E-ID, the text %s", 's'},  {"%s-I-HEX, code 0x%08lX", 'X'},      {"%s-I-PAD, [%-5.3s]", 's'},
      {"%s-W-PCT, %s at 100%%", 's'}, {"%s-E-NOARG, nothing to insert", 0}, {"Plain text.\t", 0},
  };
  for (const auto& [format, conversion] : accepted) {
    auto check = CheckMessageFormat(format);
    EXPECT_TRUE(check.ok) << format << ": " << check.problem;
    EXPECT_EQ(check.argumentConversion, conversion) << format;
  }
  const std::pair<std::string, const char*> refused[] = {
      {"%s-E-X, %s%n", "conversion \"%n\" at character 11 is not allowed"},
      {"%s%s%s", "conversion \"%s\" at character 5 is one too many"},
      {"%d%d", "the first conversion receives the facility code and must be \"%s\", not \"%d\""},
      {"%s-E-X, %p", "\"%p\""},
      {"%s-E-X, %f", "\"%f\""},
      {"%s-E-X, %*d", "\"%*d\""},
      {"%s-E-X, %.*s", "\"%.*s\""},
      {"%s-E-X, %lld", "\"%lld\""},
      {"%s-E-X, %ls", "\"%ls\""},
      {"%s-I-N, %hhu and %hd", "one too many"},
      {"%s-E-X, 50%", "incomplete conversion"},
      {"%s-E-X, %5", "incomplete conversion"},
      {"%s-E-X, %y", "incomplete conversion"},
      {"%s-E-X, 100%%s", "\"%%s\" at character 12"},
      {"", "the format is empty"},
      {std::string("%s-E-X, a") + '\x01' + "b", "control character 1 at character 10"},
      {std::string("%s-E-X, a") + '\0' + "b %s", "control character 0"},
      {"%s-I-LONG, " + std::string(117, 'x'), "128 characters, at most 127"},
  };
  for (const auto& [format, problem] : refused) {
    auto check = CheckMessageFormat(format);
    EXPECT_FALSE(check.ok) << format;
    EXPECT_NE(check.problem.find(problem), std::string::npos) << format << ": " << check.problem;
  }
  EXPECT_TRUE(CheckMessageFormat("%s-I-LONG, " + std::string(116, 'x')).ok);
}

TEST(MessageCatalogueFileTest, LoadsEntriesAsWritten) {
  std::string error;
  ModuleHandle catalogue = lumenrt::LoadMessageCatalogue((kData + "agent.msg").c_str(), &error);
  ASSERT_NE(catalogue, nullptr) << error;
  EXPECT_TRUE(lumenrt::IsMessageCatalogue(catalogue));
  const std::pair<std::uint32_t, const char*> entries[] = {
      {4101, "%s-E-SYSERR, system error: %s"},
      {4109, "%s-F-NOMEMORY, unable to allocate %d bytes of memory"},
      {4314, "%s-I-VERSION, version %s"},
      {20001, "%s-W-RETRY, retrying after %d seconds"},
      {20002, "%s-I-DONE, job %s finished at 100%% "},  // trailing blank kept
      {0x4E25, "%s-E-HEXID, hexadecimal identifier %08lX"},
      {5, "Access to the object is denied."},
      {4294967295u, "%s-I-LAST, the last number"},
  };
  char buffer[128];
  for (const auto& [id, format] : entries) {
    EXPECT_EQ(lumenrt::CopyCatalogueEntry(catalogue, id, buffer, sizeof buffer),
              static_cast<int>(std::strlen(format)));
    EXPECT_STREQ(buffer, format) << id;
  }
  EXPECT_EQ(lumenrt::CopyCatalogueEntry(catalogue, 4099, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(lumenrt::CopyCatalogueEntry(catalogue, 4101, buffer, 7), 6);
  EXPECT_STREQ(buffer, "%s-E-S");

  ModuleHandle crlf = lumenrt::LoadMessageCatalogue((kData + "crlf.msg").c_str(), &error);
  ASSERT_NE(crlf, nullptr) << error;
  EXPECT_GT(lumenrt::CopyCatalogueEntry(crlf, 20003, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "%s-I-CRLF, line with a carriage return %s");

  ModuleHandle empty = lumenrt::LoadMessageCatalogue((kData + "empty.msg").c_str(), &error);
  EXPECT_NE(empty, nullptr) << error;

  lumenrt::FreeMessageCatalogue(catalogue);
  lumenrt::FreeMessageCatalogue(crlf);
  lumenrt::FreeMessageCatalogue(empty);
}

TEST(MessageCatalogueFileTest, RefusesAMalformedFileNamingFileAndLine) {
  const std::pair<const char*, const char*> files[] = {
      {"bad_number.msg", ":3: expected a message number, a blank or tab, and the format"},
      {"glued.msg", ":2: expected a message number"},
      {"duplicate.msg", ":3: message 20001: already defined on line 1"},
      {"missing_format.msg", ":2: message 20002: the format is missing"},
      {"number_too_large.msg", ":1: message number 4294967296 is above 4294967295"},
      {"hostile_n.msg", ":2: message 20001: conversion \"%n\" at character 15 is not allowed"},
      {"hostile_three.msg", ":1: message 20001: conversion \"%s\" at character 5 is one too many"},
      {"hostile_dd.msg", ":1: message 20001: the first conversion receives the facility code"},
      {"hostile_pointer.msg", ":1: message 20001: conversion \"%p\""},
      {"hostile_star.msg", ":1: message 20001: conversion \"%*d\""},
      {"too_long.msg", ":1: message 20001: the format has 131 characters"},
      {"lone_percent.msg", ":1: message 20001: incomplete conversion"},
#ifdef _WIN32  // the system's own words, and Windows refuses to open a folder as a file
      {"does_not_exist.msg", ": cannot open: "},
      {"", ": cannot "},
#else
      {"does_not_exist.msg", ": cannot open: No such file or directory"},
      {"", ": cannot read: Is a directory"},
#endif
  };
  for (const auto& [name, problem] : files) {
    std::string path = kData + name;
    std::string error;
    EXPECT_EQ(lumenrt::LoadMessageCatalogue(path.c_str(), &error), nullptr) << name;
    EXPECT_EQ(error.rfind(path + problem, 0), 0u) << error;
  }
  std::string error;
  EXPECT_EQ(lumenrt::LoadMessageCatalogue(nullptr, &error), nullptr);
  EXPECT_EQ(lumenrt::ParseMessageCatalogue("1 %s-E-X, %n\n", nullptr, nullptr), nullptr);
#ifndef _WIN32  // a device is refused before a byte is read
  EXPECT_EQ(lumenrt::LoadMessageCatalogue("/dev/zero", &error), nullptr);
  EXPECT_EQ(error, "/dev/zero: not a regular file, not a catalogue");
#endif
}

TEST(MessageCatalogueFileTest, HandlesAreCheckedBeforeUse) {
  std::string error;
  ModuleHandle catalogue = lumenrt::ParseMessageCatalogue("7 %s-I-SEVEN, seven %s\n", "mem", &error);
  ASSERT_NE(catalogue, nullptr) << error;
  char buffer[128];
  auto& env = lumenrt::platform::SystemMessageTables();
  EXPECT_GT(env.LoadString(catalogue, 7, buffer, sizeof buffer), 0);
  EXPECT_GT(env.LoadMessageText(catalogue, 7, buffer, sizeof buffer), 0);

  // the library's own image: the built-in string table, no message table
  EXPECT_GT(env.LoadString(nullptr, 4101, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "%s-E-SYSERR, system error: %s");
  EXPECT_EQ(env.LoadString(nullptr, 7, buffer, sizeof buffer), 0);
  EXPECT_EQ(env.LoadMessageText(nullptr, 4101, buffer, sizeof buffer), 0);

  // a handle of something else has no tables
  int notACatalogue = 0;
  EXPECT_FALSE(lumenrt::IsMessageCatalogue(&notACatalogue));
  EXPECT_EQ(env.LoadString(&notACatalogue, 7, buffer, sizeof buffer), 0);
  lumenrt::FreeMessageCatalogue(&notACatalogue);
  lumenrt::FreeMessageCatalogue(nullptr);

  lumenrt::FreeMessageCatalogue(catalogue);
  EXPECT_FALSE(lumenrt::IsMessageCatalogue(catalogue));
  EXPECT_EQ(env.LoadString(catalogue, 7, buffer, sizeof buffer), 0);
}

TEST(MessageCatalogueFileTest, MessageModuleReplacesTheBuiltInTable) {
  std::string error;
  ModuleHandle catalogue = lumenrt::LoadMessageCatalogue((kData + "agent.msg").c_str(), &error);
  ASSERT_NE(catalogue, nullptr) << error;
  MessageModule = catalogue;
  ZString line;
  FormatMessageText(line, 1, 20001, 30, nullptr);
  EXPECT_EQ(line, "AGNT-W-RETRY, retrying after 30 seconds");
  FormatMessageText(line, 86, 4099, "x", nullptr);  // only the catalogue is asked
  EXPECT_EQ(line, "Unable to load string #4099");
  MessageModule = nullptr;
  FormatMessageText(line, 86, 4099, "x", nullptr);
  EXPECT_EQ(line, "PLGN-E-PLGUNLOAD, unable to unload the plug-in modules: x");
  lumenrt::FreeMessageCatalogue(catalogue);
}

}  // namespace

// The message catalogue: tables, formatting, routing to every kind of sink, counting and the
// reports of ZError.
#include "lumenrt/core/message_catalogue.h"

#include <climits>
#include <cstring>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "lumenrt/core/facility_table.h"
#include "lumenrt/core/internal/built_in_messages.h"
#include "lumenrt/core/internal/catalogue_store.h"
#include "lumenrt/core/message_format.h"
#include "lumenrt/core/zerror.h"
#include "lumenrt/platform/message_module.h"
#include "lumenrt/platform/system_error.h"

namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;

// Formats of the tests' own messages; everything else comes from the library's table.
class TestModuleEnv : public lumenrt::platform::MessageTables {
 public:
  std::map<std::uint32_t, std::string> formats;
  int LoadString(ModuleHandle module, std::uint32_t id, char* buffer, int size) override {
    auto it = formats.find(id);
    if (module != nullptr || it == formats.end())
      return lumenrt::platform::SystemMessageTables().LoadString(module, id, buffer, size);
    std::string text = it->second.substr(0, static_cast<std::size_t>(size - 1));
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<int>(text.size());
  }
  int LoadMessageText(ModuleHandle module, std::uint32_t id, char* buffer, int size) override {
    return lumenrt::platform::SystemMessageTables().LoadMessageText(module, id, buffer, size);
  }
};

class TestSystemErrorEnv : public lumenrt::platform::ErrorTexts {
 public:
  std::map<int, std::string> texts;
  int SystemText(int code, char* buffer, int size) override {
    buffer[0] = '\0';
    auto it = texts.find(code);
    if (it == texts.end()) return 0;
    std::string text = it->second.substr(0, static_cast<std::size_t>(size - 1));
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<int>(text.size());
  }
};

constexpr int kText = 100;     // "%s-E-ID, the text %s"
constexpr int kNumber = 101;   // "%s-I-NUM, count %d"
constexpr int kWarning = 102;  // "%s-W-WARN, beware of %s"

class MessageCatalogueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    env_.formats = {{kText, "%s-E-ID, the text %s"},
                    {kNumber, "%s-I-NUM, count %d"},
                    {kWarning, "%s-W-WARN, beware of %s"}};
    previousModuleEnv_ = lumenrt::platform::SubstituteMessageTables(&env_);
    previousSystemEnv_ = lumenrt::platform::SubstituteErrorTexts(&system_);
    ResetGlobals();
  }
  void TearDown() override {
    ResetGlobals();
    lumenrt::platform::SubstituteMessageTables(previousModuleEnv_);
    lumenrt::platform::SubstituteErrorTexts(previousSystemEnv_);
  }
  static void ResetGlobals() {
    MessageModule = nullptr;
    DefaultLogFile = nullptr;
    CountMessages = 0;
    SeverityCountE = SeverityCountF = SeverityCountI = SeverityCountW = 0;
  }

  std::string Format(int facility, int message, MessageArgument a, char* letter = nullptr) {
    ZString result;
    int n = FormatMessageText(result, facility, message, a, letter);
    EXPECT_EQ(n, result.Length());
    return std::string(result.view());
  }

  // What reached the log writer (standard output while no log is open) during `action`.
  static std::string LogOutput(const std::function<void()>& action) {
    ::testing::internal::CaptureStdout();
    action();
    return ::testing::internal::GetCapturedStdout();
  }
  // A log line holds the text and a line feed, after a time prefix of 12 characters at most.
  static void ExpectLogLine(const std::string& logged, const std::string& text) {
    EXPECT_THAT(logged, EndsWith(text + "\n"));
    EXPECT_LE(logged.size(), text.size() + 13) << logged;
  }

  TestModuleEnv env_;
  TestSystemErrorEnv system_;
  lumenrt::platform::MessageTables* previousModuleEnv_ = nullptr;
  lumenrt::platform::ErrorTexts* previousSystemEnv_ = nullptr;
};

// --- tables ---

TEST(FacilityTableTest, HoldsNinetyThreeFourCharacterCodesInTwelveByteRows) {
  static_assert(sizeof(lumenrt::kFacilityTable) == 93 * 12);
  std::map<std::string, std::vector<int>> rowsOf;
  for (int f = 0; f < lumenrt::kFacilityCount; ++f) {
    const char* row = lumenrt::kFacilityTable[f];
    EXPECT_EQ(std::strlen(row), 4u) << "row " << f;
    for (int i = 4; i < lumenrt::kFacilityRowSize; ++i) EXPECT_EQ(row[i], '\0') << "row " << f;
    rowsOf[row].push_back(f);
  }
  std::map<std::string, std::vector<int>> repeated;
  for (const auto& [code, rows] : rowsOf)
    if (rows.size() > 1) repeated[code] = rows;
  EXPECT_EQ(repeated, (std::map<std::string, std::vector<int>>{{"AGNT", {1, 3}}, {"PMGR", {56, 66}}}));
}

TEST(FacilityTableTest, AnswersCodesByNumber) {
  const std::pair<int, const char*> cases[] = {
      {0, "NONE"},   {1, "AGNT"},   {2, "OPSY"},   {23, "CXXX"},  {39, "LOGS"},      {40, "FNAM"},
      {43, "SYST"},  {45, "PARS"},  {66, "PMGR"},  {75, "ZSTR"},  {78, "FLM "},      {82, "SS  "},
      {86, "PLGN"},  {87, "EXDB"},  {88, "EXMA"},  {89, "    "},  {90, "GCFG"},      {92, "RSM "},
      {93, "????"},  {150, "????"}, {200, "????"}, {201, "EXMA"}, {202, "MSQL"},     {203, "ORCL"},
      {204, "ORCL"}, {205, ""},     {206, "????"}, {-1, "????"},  {INT_MAX, "????"}, {INT_MIN, "????"},
  };
  for (const auto& [facility, code] : cases) EXPECT_STREQ(lumenrt::FacilityCode(facility), code) << facility;
}

TEST(FacilityTableTest, GlobalMessageTableHoldsEightRowsOfEightyCharacters) {
  static_assert(sizeof(lumenrt::kGlobalMessageTable) == 8 * 80);
  EXPECT_STREQ(lumenrt::kGlobalMessageTable[0], "MESSAGERR, unknown global message code /%d/");
  EXPECT_STREQ(lumenrt::kGlobalMessageTable[3],
               "NORPCNAM, rpc program name /%s/ not found in network configuration file /%s/");
  EXPECT_STREQ(lumenrt::kGlobalMessageTable[7], "NOLIBS, no valid libraries found for batch /%s/");
  EXPECT_STREQ(kAgentMessageModuleName, "QXClMsg.dll");
}

TEST(FacilityTableTest, LibraryMessagesHaveWellShapedBuiltInFormats) {
  // message number -> argument conversion the library passes
  const std::pair<int, char> messages[] = {{4099, 's'}, {4101, 's'}, {4109, 'd'}, {4152, 's'}, {4164, 's'},
                                           {4314, 's'}, {4320, 's'}, {4352, 's'}, {4456, 's'}};
  for (const auto& [number, conversion] : messages) {
    const char* format = lumenrt::BuiltInMessageFormat(number);
    ASSERT_NE(format, nullptr) << number;
    // std::regex: GoogleTest's own matcher has no bracket expressions on Windows.
    EXPECT_TRUE(std::regex_match(format, std::regex("%s-[EFIW]-[A-Z]+, .*"))) << format;
    lumenrt::MessageFormatCheck check = lumenrt::CheckMessageFormat(format);
    EXPECT_TRUE(check.ok) << format << ": " << check.problem;
    EXPECT_EQ(check.argumentConversion, conversion) << format;
  }
}

// --- formats ---

TEST_F(MessageCatalogueTest, LoadMessageStringFallsBackForMissingEntriesAndCutsToTheBuffer) {
  char buffer[128];
  EXPECT_EQ(LoadMessageString(kText, buffer, sizeof buffer), 20);
  EXPECT_STREQ(buffer, "%s-E-ID, the text %s");
  EXPECT_EQ(LoadMessageString(-5, buffer, sizeof buffer), 25);
  EXPECT_STREQ(buffer, "Unable to load string #-5");
  char small[8];
  EXPECT_EQ(LoadMessageString(9999, small, sizeof small), 7);
  EXPECT_STREQ(small, "Unable ");
  EXPECT_EQ(LoadMessageString(kText, small, 0), 0);
  EXPECT_EQ(small[0], 'U');
}

struct FormatCase {
  const char* format;  // installed as message 500
  int facility;
  bool numberArgument;
  const char* text;
  int number;
  char letterIn;
  const char* expected;
  char letterOut;
};

TEST_F(MessageCatalogueTest, FormatMessageTextFillsEveryShapeOfFormat) {
  const FormatCase cases[] = {
      {"%s-E-ID, the text %s", 43, false, "abc", 0, 0, "SYST-E-ID, the text abc", 'E'},
      {"%s-E-ID, the text %s", 43, false, "abc", 0, 'W', "SYST-W-ID, the text abc", 'W'},
      {"%s-E-ID, the text %s", 43, false, "abc", 0, 'x', "SYST-E-ID, the text abc", 'E'},
      {"%s-E-ID, the text %s", 43, false, "50%d %s %n", 0, 0, "SYST-E-ID, the text 50%d %s %n", 'E'},
      {"%s-E-ID, the text %s", 43, false, nullptr, 0, 0, "SYST-E-ID, the text (null)", 'E'},
      {"%s-E-ID, the text %s", 201, false, "x", 0, 0, "EXMA-E-ID, the text x", 'E'},
      {"%s-E-ID, the text %s", 205, false, "x", 0, 0, "-E-ID, the text x", 'E'},
      {"%s-E-ID, the text %s", 150, false, "x", 0, 0, "???\?-E-ID, the text x", 'E'},
      // the rest after the argument is appended as written
      {"%s-W-PCT, %s at 100%%", 43, false, "abc", 0, 0, "SYST-W-PCT, abc at 100%%", 'W'},
      {"%s-I-NUM, count %d", 43, true, nullptr, 42, 0, "SYST-I-NUM, count 42", 'I'},
      {"%s-I-NUM, count %d", 43, true, nullptr, -7, 'F', "SYST-F-NUM, count -7", 'F'},
      {"%s-I-HEX, code 0x%08X (%%)", 43, true, nullptr, 255, 0, "SYST-I-HEX, code 0x000000FF (%)", 'I'},
      {"%s-I-W, [%-5d]", 43, true, nullptr, 4, 0, "SYST-I-W, [4    ]", 'I'},
      {"%s-I-P, [%+5.3d]", 43, true, nullptr, 4, 0, "SYST-I-P, [ +004]", 'I'},
      {"%s-I-H, [%hhu]", 43, true, nullptr, 260, 0, "SYST-I-H, [4]", 'I'},
      {"%s-I-H, [%hd] [%lu]", 43, true, nullptr, 65535, 0, "SYST-I-H, [-1] [%lu]", 'I'},
      {"%s-I-U, [%#o] [%u]", 43, true, nullptr, -1, 0, "SYST-I-U, [037777777777] [%u]", 'I'},
      {"%s-I-CHR, [%c]", 43, true, nullptr, 'q', 0, "SYST-I-CHR, [q]", 'I'},
      {"[%-6s|%.2s]", 43, false, "abc", 0, 0, "[SYST  |ab]", 0},
      // sound answers where a caller mixes up the argument's kind
      {"%s-E-ID, the text %s", 43, true, nullptr, 5, 0, "SYST-E-ID, the text 5", 'E'},
      {"%s-I-NUM, count %d", 43, false, "abc", 0, 0, "SYST-I-NUM, count abc", 'I'},
      // formats without the head keep no letter
      {"plain %s text", 43, false, "abc", 0, 'E', "plain SYST text", 0},
      {"no conversion at all", 43, false, "abc", 0, 0, "no conversion at all", 0},
      {"%s-", 43, false, "abc", 0, 'W', "SYST-W", 'W'},
      {"%s-", 43, false, "abc", 0, 0, "SYST-", 0},
      // conversions without a value, or never filled, are copied as written
      {"%s-E-X, %s%s%s", 43, false, "a", 0, 0, "SYST-E-X, a%s%s", 'E'},
      {"%s-E-X, %d %d %n", 43, true, nullptr, 3, 0, "SYST-E-X, 3 %d %n", 'E'},
      {"%s-E-X, %p %*d %f %lld 50%", 43, true, nullptr, 3, 0, "SYST-E-X, %p %*d %f %lld 50%", 'E'},
      {"%d-E-X, %d", 43, true, nullptr, 3, 0, "SYST-E-X, 3", 0},
  };
  for (const auto& c : cases) {
    env_.formats[500] = c.format;
    char letter = c.letterIn;
    std::string got = c.numberArgument ? Format(c.facility, 500, c.number, &letter)
                                       : Format(c.facility, 500, c.text, &letter);
    EXPECT_EQ(got, c.expected) << c.format;
    EXPECT_EQ(letter, c.letterOut) << c.format;
  }
}

TEST_F(MessageCatalogueTest, MissingFormatGivesTheFallbackTextWithoutALetter) {
  char letter = 'W';
  EXPECT_EQ(Format(43, 9999, "abc", &letter), "Unable to load string #9999");
  EXPECT_EQ(letter, 0);
  CountMessages = 1;
  MessageSink quiet;
  quiet.quiet = 1;
  EXPECT_EQ(ReportMessage(&quiet, 43, 9999, "abc", "E"), 1);
  EXPECT_EQ(SeverityCountE + SeverityCountF + SeverityCountI + SeverityCountW, 0);
}

TEST_F(MessageCatalogueTest, OneConversionFormIsCutToTheWorkArea) {
  env_.formats[500] = "%s-I-WIDE, %4000d|";
  std::string got = Format(43, 500, 1);
  EXPECT_EQ(got.size(), 2047u);
  EXPECT_THAT(got, ::testing::StartsWith("SYST-I-WIDE,   "));
  // the two-placeholder form inserts an argument of any length
  std::string longText(5000, 'a');
  EXPECT_EQ(Format(43, kText, longText.c_str()).size(), 20 + 5000u);
}

// --- system error texts ---

TEST_F(MessageCatalogueTest, SystemErrorTextAsksTheModuleThenTheSystemThenFallsBack) {
  system_.texts[5] = "Access is denied.\r\n";
  std::string error;
  ModuleHandle catalogue =
      lumenrt::ParseMessageCatalogue("5 Denied by the agent's policy.\n", "t.msg", &error);
  ASSERT_NE(catalogue, nullptr) << error;
  char text[1024];
  EXPECT_EQ(SystemErrorText(5, text, sizeof text, catalogue), 29);
  EXPECT_STREQ(text, "Denied by the agent's policy.");
  EXPECT_EQ(SystemErrorText(5, text, sizeof text, nullptr), 19);
  EXPECT_STREQ(text, "Access is denied.\r\n");
  EXPECT_EQ(SystemErrorText(0x1234ABCD, text, sizeof text, catalogue), 0);
  EXPECT_STREQ(text, "unknown error code 0x1234ABCD");
  EXPECT_EQ(SystemErrorText(-1, text, sizeof text, nullptr), 0);
  EXPECT_STREQ(text, "unknown error code 0xFFFFFFFF");
  lumenrt::FreeMessageCatalogue(catalogue);
}

TEST_F(MessageCatalogueTest, ReportSystemErrorCleansTheSystemText) {
  const std::pair<const char*, const char*> cases[] = {
      {"Access is denied.\r\n", "Access is denied"},
      {"two\r\nlines.\r\n", "two lines"},
      {"ends in a blank. ", "ends in a blank"},
      {"two stops..", "two stops."},
      {"two blanks  ", "two blanks "},
      {"\r\n", ""},
  };
  for (const auto& [raw, cleaned] : cases) {
    system_.texts[77] = raw;
    char buffer[256] = "";
    MessageSink sink;
    sink.textBuffer = buffer;
    EXPECT_EQ(ReportSystemError(&sink, 43, 4101, 77), 1);
    EXPECT_EQ(std::string(buffer), std::string("SYST-E-SYSERR, system error: ") + cleaned + "\n") << raw;
  }
}

// --- ZError::Report ---

TEST_F(MessageCatalogueTest, ReportWritesAChainOutermostFirstWithTheOverrideOnTheFirstOnly) {
  auto* inner = new ZError(43, kNumber, 3);
  auto* middle = new ZError(45, kWarning, "the middle");
  middle->cause = inner;
  ZError outer(40, kText, "the outer", "F");
  outer.cause = middle;

  char buffer[1024] = "";
  MessageSink sink;
  sink.textBuffer = buffer;
  CountMessages = 1;
  outer.Report(&sink, "I");
  EXPECT_STREQ(buffer,
               "FNAM-I-ID, the text the outer\n"
               "PARS-W-WARN, beware of the middle\n"
               "SYST-I-NUM, count 3\n");
  EXPECT_EQ(SeverityCountI, 2);
  EXPECT_EQ(SeverityCountW, 1);

  buffer[0] = '\0';
  outer.Report(&sink);  // without an override each error has its own letter
  EXPECT_THAT(buffer, ::testing::StartsWith("FNAM-F-ID, the text the outer\n"));
}

TEST_F(MessageCatalogueTest, ReportWritesNothingForAnErrorThatCarriesNothing) {
  char buffer[256] = "";
  MessageSink sink;
  sink.textBuffer = buffer;
  ZError empty(43, 0, "");
  empty.cause = new ZError(43, kText, "never written");
  empty.Report(&sink);
  ZError nonAscii(43, 0, "\xE9t\xE9");
  nonAscii.Report(&sink);
  ZError zero(43, 0, 0);
  zero.Report(&sink);
  EXPECT_STREQ(buffer, "");

  ZError seven(43, 0, 7);  // carries its number: message 0 has no format
  seven.Report(&sink);
  EXPECT_STREQ(buffer, "Unable to load string #0\n");
}

TEST_F(MessageCatalogueTest, ReportTurnsCode4101IntoTheSystemText) {
  system_.texts[2] = "The system cannot find the file specified.\r\n";
  char buffer[256] = "";
  MessageSink sink;
  sink.textBuffer = buffer;
  ZError(43, 4101, 2).Report(&sink);
  EXPECT_STREQ(buffer, "SYST-E-SYSERR, system error: The system cannot find the file specified\n");

  std::string error;
  ModuleHandle catalogue = lumenrt::ParseMessageCatalogue("2 Not in the agent's store.\n", "t.msg", &error);
  ASSERT_NE(catalogue, nullptr) << error;
  buffer[0] = '\0';
  ZError(43, 4101, 2, ZString("W"), catalogue).Report(&sink);
  EXPECT_STREQ(buffer, "SYST-W-SYSERR, system error: Not in the agent's store\n");
  lumenrt::FreeMessageCatalogue(catalogue);
}

// --- routing ---

struct Destinations {
  std::string buffer, logged, file;
  int counted = 0;
  int result = -1;
};

enum Field { kQuiet = 1, kLogFile = 2, kTextBuffer = 4, kToLog = 8 };

TEST_F(MessageCatalogueTest, SinksAreTriedInTheirOrderAndTheFirstThatAppliesDecides) {
  const std::string line = "SYST-W-WARN, beware of dogs";
  struct Case {
    const char* name;
    int fields;           // fields set on a record; -1 null sink, -2 the log writer value
    bool defaultLogFile;  // DefaultLogFile set
    const char* where;    // "buffer", "log", "log-headless", "file", "none"
    bool counted;
  };
  const Case cases[] = {
      {"every field", kQuiet | kLogFile | kTextBuffer | kToLog, true, "buffer", true},
      {"to-log, file, quiet", kQuiet | kLogFile | kToLog, false, "log-headless", true},
      {"file and quiet", kQuiet | kLogFile, false, "file", true},
      {"quiet", kQuiet, true, "none", true},
      {"empty record", 0, true, "log", false},
      {"null with default file", -1, true, "file", true},
      {"null", -1, false, "log", true},
      {"log writer value", -2, true, "log", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ResetGlobals();
    CountMessages = 1;
    char buffer[256] = "";
    std::ostringstream stream;
    LogFileRecord file{&stream, "file.log"};
    MessageSink record;
    record.quiet = (c.fields & kQuiet) ? 1 : 0;
    record.logFile = (c.fields & kLogFile) ? &file : nullptr;
    record.textBuffer = (c.fields & kTextBuffer) ? buffer : nullptr;
    record.toLog = (c.fields & kToLog) ? 1 : 0;
    MessageSink* sink = c.fields == -1 ? nullptr : c.fields == -2 ? LogWriterSink() : &record;
    if (c.defaultLogFile) DefaultLogFile = &file;

    int result = 0;
    std::string logged = LogOutput([&] { result = ReportMessage(sink, 43, kWarning, "dogs"); });
    EXPECT_EQ(result, 1);
    std::string where = c.where;
    EXPECT_EQ(std::string(buffer), where == "buffer" ? line + "\n" : "");
    if (where == "log") {
      ExpectLogLine(logged, line);
    } else if (where == "log-headless") {
      ExpectLogLine(logged, "beware of dogs");
      EXPECT_THAT(logged, Not(HasSubstr("SYST")));
    } else {
      EXPECT_EQ(logged, "");
    }
    if (where == "file") {
      ASSERT_EQ(stream.str().size(), 12 + line.size() + 1);
      EXPECT_EQ(stream.str().substr(12), line + "\n");
      EXPECT_EQ(stream.str()[11], ' ');
    } else {
      EXPECT_EQ(stream.str(), "");
    }
    EXPECT_EQ(SeverityCountW, c.counted ? 1 : 0);
  }
}

TEST_F(MessageCatalogueTest, TextBufferLinesAreCutTo1022CharactersAndAppended) {
  std::vector<char> buffer(4096, '\0');
  std::strcpy(buffer.data(), "earlier\n");
  MessageSink sink;
  sink.textBuffer = buffer.data();
  std::string argument(2980, 'a');  // after "SYST-E-ID, the text ", 3000 characters
  EXPECT_EQ(ReportMessage(&sink, 43, kText, argument.c_str()), 1);
  std::string expected = "earlier\n" + ("SYST-E-ID, the text " + argument).substr(0, 1022) + "\n";
  EXPECT_EQ(std::string(buffer.data()), expected);
}

TEST_F(MessageCatalogueTest, BoundedTextBufferIsNeverOverrun) {
  std::vector<char> memory(80, 'Z');
  char* buffer = memory.data();
  std::strcpy(buffer, "earlier ");
  MessageSink sink;
  sink.textBuffer = buffer;
  sink.textCapacity = 64;
  EXPECT_EQ(ReportMessage(&sink, 43, kText, std::string(100, 'a').c_str()), 0);
  EXPECT_EQ(std::strlen(buffer), 63u);
  EXPECT_EQ(std::string(buffer, 28), "earlier SYST-E-ID, the text ");
  for (int i = 64; i < 80; ++i) EXPECT_EQ(memory[i], 'Z') << i;

  // a full buffer takes nothing more; one without a terminator in its room is not touched
  EXPECT_EQ(ReportMessage(&sink, 43, kText, "more"), 0);
  EXPECT_EQ(std::strlen(buffer), 63u);
  std::memset(buffer, 'y', 64);
  EXPECT_EQ(ReportMessage(&sink, 43, kText, "more"), 0);
  for (int i = 0; i < 64; ++i) ASSERT_EQ(buffer[i], 'y');

  buffer[0] = '\0';
  EXPECT_EQ(ReportMessage(&sink, 43, kText, "fits"), 1);
  EXPECT_STREQ(buffer, "SYST-E-ID, the text fits\n");
}

TEST_F(MessageCatalogueTest, FailedLogFileWriteIsReportedAndAnswersZero) {
  std::ostream broken(nullptr);  // no buffer: every write fails
  LogFileRecord file{&broken, "C:\\Logs\\agent.log"};
  LogFileRecord none{nullptr, "none.log"};
  CountMessages = 1;

  MessageSink sink;
  sink.logFile = &file;
  int result = 1;
  std::string logged = LogOutput([&] { result = ReportMessage(&sink, 43, kText, "lost", "W"); });
  EXPECT_EQ(result, 0);
  ExpectLogLine(logged, "LOGS-E-LOGWRITE, unable to write a message to log file C:\\Logs\\agent.log");
  EXPECT_EQ(SeverityCountW, 1);  // a sink's file counts before the write

  DefaultLogFile = &none;
  logged = LogOutput([&] { result = ReportMessage(nullptr, 43, kText, "lost", "W"); });
  EXPECT_EQ(result, 0);
  ExpectLogLine(logged, "LOGS-E-LOGWRITE, unable to write a message to log file none.log");
  EXPECT_EQ(SeverityCountW, 1);  // the default file counts only written lines
}

// --- the log path ---

TEST_F(MessageCatalogueTest, LogMessageKeepsTheHeadExceptForFacilityZero) {
  env_.formats[501] = "%s-E-NOBLANK,%s";
  const struct {
    int facility;
    int message;
    const char* expected;
  } cases[] = {
      {43, kText, "SYST-E-ID, the text abc"},
      {0, kText, "the text abc"},
      {0, 501, "abc-E-NOBLANK,%s"},  // no blank: the whole format with the argument alone
      {0, 9999, "to load string #9999"},
  };
  for (const auto& c : cases) {
    std::string logged = LogOutput([&] { LogMessage(0, c.facility, c.message, "abc", nullptr); });
    ExpectLogLine(logged, c.expected);
  }
  char letter = 'W';
  ExpectLogLine(LogOutput([&] { LogMessage(0, 43, kText, "abc", &letter); }), "SYST-W-ID, the text abc");
}

// --- counting and the time prefix ---

TEST_F(MessageCatalogueTest, CountSeverityCountsTheFourLettersWhenSwitchedOn) {
  const int letters[] = {'E', 'F', 'F', 'I', 'W', 'W', 'W', 'e', 0, 'X', 0x100 + 'E', -256 + 'I'};
  for (int letter : letters) CountSeverity(letter);
  EXPECT_EQ(SeverityCountE + SeverityCountF + SeverityCountI + SeverityCountW, 0);
  CountMessages = 1;
  for (int letter : letters) CountSeverity(letter);
  EXPECT_EQ(SeverityCountE, 2);
  EXPECT_EQ(SeverityCountF, 2);
  EXPECT_EQ(SeverityCountI, 2);
  EXPECT_EQ(SeverityCountW, 3);
}

}  // namespace

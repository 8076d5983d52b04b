// `lumenrt demo`: the library at work on its embedded defaults, each step checked as it goes.
//
// It writes nothing outside a scratch directory it removes at the end: the log files and the
// registry store of the log step live there.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>
#ifdef _WIN32
#include <filesystem>
#include <system_error>

#include <windows.h>
#endif

#include "lumenrt/config/config_file.h"
#include "lumenrt/config/config_source.h"
#include "lumenrt/config/lookups.h"
#include "lumenrt/config/schema.h"
#include "lumenrt/core/message_catalogue.h"
#include "lumenrt/core/registry_values.h"
#include "lumenrt/core/zerror.h"
#include "lumenrt/core/zfilename.h"
#include "lumenrt/crypto/password.h"
#include "lumenrt/crypto/zcipher.h"
#include "lumenrt/platform/registry_store.h"
#include "lumenrt/system/remove_tree.h"
#include "lumenrt/timelog/log_writer.h"
#include "lumenrt/timelog/time_record.h"

#include "command.h"
#include "records.h"

namespace lumenrt::tool {
namespace {

constexpr char kSampleText[] = "The agent backs up what matters, byte for byte.";
constexpr char kSampleKey[] = "demo key";
constexpr char kSampleConfig[] =
    "Backup.EXCH_Backup_Type = incr\n"
    "Backup.EXCH_Del_Log = yes\n"
    "Backup.Retry_Delay = 90\n"
    "Backup.EXCH_Server_Name = mail01\n";

int g_failures = 0;

void Check(bool ok, const std::string& what) {
  if (!ok) {
    ++g_failures;
    std::cout << "  !! " << what << " did not come out as expected\n";
  }
}

void Heading(const std::string& title) { std::cout << "\n== " << title << "\n"; }

std::string Hex(const unsigned char* p, size_t n) {
  static const char digits[] = "0123456789ABCDEF";
  std::string s;
  for (size_t i = 0; i < n; ++i) {
    s += digits[p[i] >> 4];
    s += digits[p[i] & 15];
  }
  return s;
}

void ShowMessages() {
  Heading("message catalogue");
  for (auto [facility, message, argument] :
       {std::tuple{43, 4320, kAgentKey}, std::tuple{75, 4109, "64"}, std::tuple{201, 4099, "module busy"}}) {
    ZString line;
    char letter = 0;
    if (message == 4109)
      FormatMessageText(line, facility, message, MessageArgument(64), &letter);
    else
      FormatMessageText(line, facility, message, MessageArgument(argument), &letter);
    std::cout << "  " << line.c_str() << "\n";
    Check(line.Length() > 0 && letter != 0, "message " + std::to_string(message));
  }
}

void ShowTime() {
  Heading("time");
  TimeRecord now{};
  GetTimeRecord(&now, 0);
  char utc[32], local[32];
  FormatTimestamp(utc, &now, 0);
  FormatTimestamp(local, &now, 1);
  std::cout << "  UTC   " << utc << "\n  local " << local << "\n";
  TimeRecord newYear{}, moved{};
  newYear.year = 2026, newYear.month = 12, newYear.day = 31, newYear.hour = 23, newYear.minute = 30;
  ConvertTimeZone(&moved, &newYear, 60);
  char printed[32];
  FormatTimestamp(printed, &moved, 0);
  std::cout << "  31-DEC-2026 23:30 UTC at +0100 is" << printed << "\n";
  Check(std::string(printed) == " 1-JAN-2027 00:30:00.00 +0100", "zone conversion");
}

void ShowCiphers() {
  Heading("ciphers (key \"" + std::string(kSampleKey) + "\", " + std::to_string(sizeof kSampleText - 1) +
          " bytes)");
  for (int type : {1, 2, 3, 4, 5, 6, 8}) {
    std::unique_ptr<ZCipher> cipher(CreateCipher(type));
    std::vector<unsigned char> data(kSampleText, kSampleText + sizeof kSampleText - 1);
    cipher->SetKey(1, kSampleKey);
    cipher->Process(data.data(), static_cast<uint32_t>(data.size()));
    std::string enciphered = Hex(data.data(), 12);
    cipher->SetKey(0, kSampleKey);
    cipher->Process(data.data(), static_cast<uint32_t>(data.size()));
    bool back = std::string(data.begin(), data.end()) == kSampleText;
    std::printf("  %d %-20s %s...  %s\n", type, cipher->GetName().c_str(), enciphered.c_str(),
                back ? "deciphers back" : "DOES NOT DECIPHER");
    Check(back, cipher->GetName() + " round trip");
  }
}

void ShowPassword() {
  Heading("password obscuring");
  std::string stored = EncodePassword("s3cret", 0);
  auto decoded = lumenrt::DecodeStoredPassword(stored);
  std::cout << "  s3cret -> " << stored << "\n  decoded: " << decoded.value_or("(failed)") << "\n";
  Check(decoded && *decoded == "s3cret", "password round trip");
}

void ShowFileName() {
  Heading("file names");
  ZFileName name(ZString("\\\\srv\\share\\dir\\file.txt"), 8);
  name.Parse();
  std::cout << "  " << name.GetName().c_str() << ": device " << name.ElementText(1, 0).c_str()
            << ", directory " << name.ElementText(2, 0).c_str() << ", name " << name.ElementText(3, 0).c_str()
            << ", extension " << name.ElementText(3, 1).c_str() << "\n";
  name.SetPart(9, ZString("log"));
  std::cout << "  with the extension set to log: " << name.GetName().c_str() << "\n";
  Check(name.GetName() == "\\\\srv\\share\\dir\\file.log", "file name change");
}

void ShowConfig() {
  Heading("configuration lookups");
  ConfigSource source(1, 105);
  std::vector<lumenrt::ConfigFileProblem> problems;
  lumenrt::LoadConfigText(kSampleConfig, source, problems);
  Check(problems.empty(), "embedded configuration");
  InstallConfigSource(1, &source);
  std::int32_t index = -1, number = 0;
  int r = cfg_get_choice(1032, index);
  std::cout << "  " << CurrentKeyName.c_str() << " = " << CurrentKeyValue.c_str() << " -> choice " << index
            << " (result " << r << ")\n";
  Check(r == 1 && index == 1, "choice lookup");
  int flag = cfg_get_bool(1033, 0);
  std::cout << "  " << CurrentKeyName.c_str() << " = " << CurrentKeyValue.c_str() << " -> " << flag << "\n";
  Check(flag == 1, "yes/no lookup");
  r = cfg_get_number(1022, number);
  std::cout << "  " << CurrentKeyName.c_str() << " = " << CurrentKeyValue.c_str() << " -> " << number << "\n";
  Check(r == 1 && number == 90, "number lookup");
  ZString server;
  cfg_get_string(1034, server);
  std::cout << "  " << CurrentKeyName.c_str() << " = " << server.c_str() << "\n";
  try {
    cfg_get_string(1001, server);  // absent: the caller decides it is required
    cfg_raise_required();
  } catch (ZError* e) {
    ZString line;
    char letter = 0;
    FormatMessageText(line, e->facility, e->code, MessageArgument(e->text.c_str()), &letter);
    std::cout << "  a missing required value raises: " << line.c_str() << "\n";
    delete e;
  }
  RemoveConfigSource(1);
}

void ShowLog(const std::string& scratch) {
  Heading("rotating log (in a scratch directory, with its own registry store)");
  const std::string store = scratch + "/registry.db";
  lumenrt::platform::SetRegistryStorePath(store.c_str());
  LogFileRecord* saved = DefaultLogFile;
  DefaultLogFile = nullptr;  // the library's default route: the log writer
  std::string dir = scratch + "/";
  LogOpen(dir.c_str(), "Demo", 1);
  for (int i = 1; i <= 3; ++i) LogWrite(0, ("demo line " + std::to_string(i)).c_str());
  // A component's report on the default route lands in the log too: here a plug-in announcing its
  // version as it starts.
  ZError(201, 4314, "5.00.1524").Report(nullptr);
  DefaultLogFile = saved;
  std::ifstream in(dir + "Demo-1.LOG");
  std::string line;
  int lines = 0;
  while (std::getline(in, line)) {
    std::cout << "  " << line << "\n";
    ++lines;
  }
  std::int32_t bytes = 0;
  ReadAgentNumber("Demo_CurrLogBytesWritten", &bytes, -1);
  std::cout << "  Demo_CurrLogBytesWritten = " << bytes << "\n";
  Check(lines == 5 && bytes > 0, "log writer");
}

// A new, empty directory for the log files; empty when none could be made.
std::string MakeScratchDirectory() {
#ifdef _WIN32
  std::error_code error;
  const std::filesystem::path base = std::filesystem::temp_directory_path(error);
  if (error) return {};
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    const auto dir =
        base / ("lumenrt-demo-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt));
    if (std::filesystem::create_directory(dir, error)) return dir.string();
  }
  return {};
#else
  char pattern[] = "/tmp/lumenrt-demo-XXXXXX";
  return mkdtemp(pattern) == nullptr ? std::string() : std::string(pattern);
#endif
}

int RunDemo() {
  const std::string scratch = MakeScratchDirectory();
  if (scratch.empty()) return Fail(kExitNone, "cannot make a scratch directory");
  std::cout << "lumenrt demo: the library on its embedded defaults\n";
  ShowMessages();
  ShowTime();
  ShowCiphers();
  ShowPassword();
  ShowFileName();
  ShowConfig();
  ShowLog(scratch);
  RemoveTree(scratch.c_str(), 0);
  std::cout << "\n" << (g_failures == 0 ? "every step came out as expected" : "some steps failed") << "\n";
  return g_failures == 0 ? kExitOk : kExitNone;
}

const Registration kDemo{[](CLI::App& tool) {
  CLI::App* demo = AddCommand(tool, "demo",
                              "run the library on its embedded defaults (messages, time, ciphers, passwords, "
                              "file names, configuration, log), checking each step; exit 1 when one fails",
                              RunDemo);
  AddExamples(*demo, {"lumenrt demo"});
}};

}  // namespace
}  // namespace lumenrt::tool

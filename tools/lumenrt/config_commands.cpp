// lumenrt schema / keywords / config: the configuration vocabulary, typed lookups and the checker of
// configuration files from the shell.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lumenrt/config/config_file.h"
#include "lumenrt/config/config_source.h"
#include "lumenrt/config/keywords.h"
#include "lumenrt/config/lookups.h"
#include "lumenrt/config/schema.h"
#include "lumenrt/core/message_catalogue.h"
#include "lumenrt/core/zerror.h"
#include "lumenrt/crypto/password.h"

#include "command.h"
#include "config_sources.h"
#include "records.h"

namespace lumenrt::tool {
namespace {

constexpr long long kInt32Min = -2147483648LL;
constexpr long long kInt32Max = 2147483647LL;
constexpr long long kUint32Max = 0xffffffffLL;

// The table the schema commands read: --version and --kinds, given to the group or a verb.
struct SchemaRequest {
  long long version = kLastFormatVersion;
  long long kinds = 1;
  long long id = 0;
};

// Prints the records when there are any (a "none" answer prints nothing) and gives the exit code.
int PrintFound(const Records& records, int count) {
  if (count == 0) return kExitNone;
  records.Print();
  return kExitOk;
}

// A zero-padded keyword field, which may fill its array without a terminator.
template <std::size_t N>
std::string Field(const char (&chars)[N]) {
  return std::string(chars, strnlen(chars, N));
}

int RunSchemaList(const SchemaRequest& request) {
  Records records({"id", "key", "type", "display name"});
  int count = 0;
  for (const SchemaEntry* row = SchemaTable; row->id != 0; ++row) {
    if (!RowApplies(*row, static_cast<int>(request.version), static_cast<unsigned int>(request.kinds)))
      continue;
    records.Add({row->id, row->key, row->type, row->displayName});
    ++count;
  }
  return PrintFound(records, count);
}

int RunSchemaName(const SchemaRequest& request) {
  int instance = 0;
  const SchemaEntry* row = FindNameRow(static_cast<int>(request.id), static_cast<int>(request.version),
                                       static_cast<unsigned int>(request.kinds), &instance);
  if (row == nullptr) return kExitNone;
  std::cout << KeyNameOf(*row, instance).c_str() << '\n';
  return kExitOk;
}

int RunSchemaType(const SchemaRequest& request) {
  ZString type = FindKeyType(static_cast<int>(request.id), static_cast<unsigned int>(request.kinds),
                             static_cast<int>(request.version));
  if (type.IsEmpty()) return kExitNone;
  std::cout << type.c_str() << '\n';
  return kExitOk;
}

int RunKeywordCommands() {
  Records records({"id", "keyword", "flag", "code"});
  int count = 0;
  for (const CommandKeyword* row = CommandKeywords; row->id != -1; ++row, ++count)
    records.Add({row->id, Field(row->keyword), row->flag, row->code});
  return PrintFound(records, count);
}

int RunKeywordSwitches(std::optional<long long> command) {
  Records records({"command id", "keyword", "key id", "implied value"});
  int count = 0;
  for (const SwitchKeyword* row = SwitchKeywords; row->commandId != -1; ++row) {
    if (command && row->commandId != *command) continue;
    records.Add({row->commandId, Field(row->keyword), row->keyId, Field(row->impliedValue)});
    ++count;
  }
  return PrintFound(records, count);
}

struct ConfigRequest {
  std::vector<std::string> files, versionTexts, kindTexts;
  std::string as, key;
  std::optional<std::string> defaultText;
};

int RunConfig(const ConfigRequest& request) {
  const std::vector<std::string>& files = request.files;
  if (files.empty() || files.size() > 4) return Fail(kExitUsage, "give one to four --source files");
  std::vector<long long> versions, kinds;  // the texts were checked while parsing
  for (const auto& t : request.versionTexts) versions.push_back(*ParseInteger(t, kInt32Min, kInt32Max));
  for (const auto& t : request.kindTexts) kinds.push_back(*ParseInteger(t, 0, kUint32Max));
  auto perSource = [&](std::vector<long long>& values, long long fallback, const char* what) {
    if (values.empty()) values.assign(files.size(), fallback);
    if (values.size() == 1) values.assign(files.size(), values[0]);
    if (values.size() != files.size()) {
      Fail(kExitUsage, std::string("give one --") + what + " for all sources or one for each");
      return false;
    }
    return true;
  };
  if (!perSource(versions, kLastFormatVersion, "version") || !perSource(kinds, 1, "kinds")) return kExitUsage;

  const std::string& as = request.as;
  long long defaultValue = 0;
  if (const auto& text = request.defaultText) {
    if (as != "bool") return Fail(kExitUsage, "--default goes with --as bool only");
    auto v = ParseInteger(*text, kInt32Min, kInt32Max);
    if (!v) return Fail(kExitUsage, "bad default '" + *text + "'");
    defaultValue = *v;
  }

  InstalledSources installed;
  std::vector<unsigned int> sourceKinds;
  std::vector<int> sourceVersions;
  for (std::size_t i = 0; i < files.size(); ++i) {
    sourceKinds.push_back(static_cast<unsigned int>(kinds[i]));
    sourceVersions.push_back(static_cast<int>(versions[i]));
  }
  // A line that cannot be used is reported and skipped; the other lines still count.
  if (!installed.Load(files, sourceKinds, sourceVersions, InstalledSources::BadLines::kSkip))
    return kExitUsage;

  const std::string& key = request.key;
  int id = 0;
  if (auto numeric = ParseInteger(key, kInt32Min, kInt32Max)) {
    id = static_cast<int>(*numeric);
  } else {
    bool known = false;
    for (std::size_t i = 0; i < files.size() && !known; ++i) {
      known = FindKeyId(key.c_str(), static_cast<int>(versions[i]), static_cast<unsigned int>(kinds[i]),
                        &id) == 1;
    }
    if (!known) return Fail(kExitUsage, "unknown key name '" + key + "'");
  }

  try {
    int result = 0;
    if (as == "bool") {
      Records answer({"value"});
      answer.Add({cfg_get_bool(id, static_cast<int>(defaultValue))});
      answer.Print();
      return kExitOk;
    }
    Records answer({"value", "result"});
    if (as == "choice") {
      std::int32_t index = 0;
      result = cfg_get_choice(id, index);
      answer.Add({index, result});
      answer.Print();
      if (result == -2) cfg_raise_ambiguous();
      if (result == -1) cfg_raise_invalid();
    } else if (as == "number") {
      std::int32_t number = 0;
      result = cfg_get_number(id, number);
      answer.Add({number, result});
      answer.Print();
    } else {
      ZString value;
      result = as == "string" ? cfg_get_string(id, value) : cfg_get_password(id, value);
      answer.Add({std::string(value.view()), result});
      answer.Print();
    }
    if (result == 0) cfg_raise_required();
    return result == 1 ? kExitOk : kExitNone;
  } catch (ZError* error) {
    std::cout.flush();
    return ReportRaised(error);
  }
}

// lumenrt config check: every line of job or global configuration files that the lookups cannot use
// as written, judged by the library's own loader and value rules.
struct CheckRequest {
  std::vector<std::string> files;
  long long version = kLastFormatVersion;
  long long kinds = 1;
};

struct Finding {
  std::string file;
  int line;
  std::string key, problem;
};

std::string Hex(unsigned int n) {
  char digits[16];
  auto end = std::to_chars(digits, digits + sizeof digits, n, 16).ptr;
  return "0x" + std::string(digits, end);
}

std::string Quote(std::string_view text) { return "'" + std::string(text) + "'"; }

// The words of an enumeration type, "Full, Incr" for "/Full/Incr".
std::string Words(std::string_view type) {
  std::string words;
  for (std::size_t at = 1; at <= type.size();) {
    std::size_t end = std::min(type.find('/', at), type.size());
    words += (words.empty() ? "" : ", ") + std::string(type.substr(at, end - at));
    at = end + 1;
  }
  return words;
}

// What is wrong with the value of the entry that counts for its key, judged by the rules of the
// key's type; nothing when it is usable. Instances of an indexed key have the type of their row.
std::optional<std::string> ValueProblem(const ConfigEntry& entry, std::string_view type) {
  const std::string value(entry.value.view());
  if (type == "#B") {
    // A source of this entry alone: asking the whole file would walk it once per key.
    ConfigSource alone(1, kLastFormatVersion);
    int flag = 0;
    if (alone.AddEntry(entry.id, entry.value) == 1 && alone.GetBool(entry.id, flag) == 1) return std::nullopt;
    return Quote(value) + " is not a yes/no word (a leading part of yes, true, no or false, or 1 or 0)";
  }
  if (type == "#N") {
    const ConfigNumber number = ReadConfigNumber(entry.value.c_str());
    if (const RetryRange* range = FindRetryRange(entry.id)) {
      if (number.digits && number.value >= range->low && number.value <= range->high) return std::nullopt;
      return Quote(value) + " is not a number from " + std::to_string(range->low) + " to " +
             std::to_string(range->high) + " (the lookups use " + range->fallback + ")";
    }
    if (!number.digits) return Quote(value) + " is not a number (the lookups read 0)";
    if (number.saturated)
      return Quote(value) + " lies outside the 32-bit range (the lookups read " +
             std::to_string(number.value) + ")";
    return std::nullopt;
  }
  if (type == "#P") {
    // 64 characters are taken for a stored password; a longer run of hexadecimal digits than any
    // password holds is one that lost or gained digits. Either is then used as written.
    const bool hex = !value.empty() && value.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
    std::string error;
    if ((value.size() == kStoredPasswordHexDigits || (hex && value.size() > kMaxPasswordText)) &&
        !DecodeStoredPassword(value, &error))
      return error + " (the lookups use the text as written)";
    return std::nullopt;
  }
  if (type.starts_with('/')) {
    const int match = MatchChoice(type, entry.value.view());
    if (match == 1) return std::nullopt;
    if (match == -2) return Quote(value) + " is ambiguous: it begins more than one of " + Words(type);
    return (value.empty() ? std::string("an empty value") : Quote(value)) + " is not one of " + Words(type);
  }
  return std::nullopt;
}

// Checks one file into findings; false when it cannot be read. lineCount grows by its lines.
bool CheckFile(const std::string& file, const CheckRequest& request, std::vector<Finding>& findings,
               int& lineCount) {
  const int version = static_cast<int>(request.version);
  const auto kinds = static_cast<unsigned int>(request.kinds);
  ConfigSource source(kinds, version);
  std::vector<ConfigFileProblem> problems;
  ConfigFileLines lines;
  if (LoadConfigFile(file, source, problems, lines) < 0) {
    Fail(kExitUsage, problems.empty() ? file + ": cannot be read" : problems.front().message);
    return false;
  }
  lineCount += lines.count;
  const std::size_t first = findings.size();
  for (const ConfigFileProblem& p : problems) findings.push_back({file, p.line, p.key, p.message});

  std::map<int, int> counted;  // key id -> the line whose value the lookups take
  for (int i = 0; i < source.Count() && i < static_cast<int>(lines.entries.size()); ++i) {
    const ConfigEntry& entry = *source.EntryAt(i);
    const int line = lines.entries[static_cast<std::size_t>(i)];
    int instance = 0;
    const SchemaEntry* row = FindNameRow(entry.id, version, kinds, &instance);
    const std::string key = row != nullptr ? KeyNameOf(*row, instance).c_str() : std::to_string(entry.id);
    auto report = [&](std::string problem) { findings.push_back({file, line, key, std::move(problem)}); };
    if (row == nullptr) {
      report("key id " + key + " has no row for version " + std::to_string(version) + ", kinds " +
             Hex(kinds));
      continue;
    }
    auto [winner, fresh] = counted.emplace(entry.id, line);
    if (!fresh) {
      report(key + " is set again: line " + std::to_string(winner->second) + " wins, this line is ignored");
      continue;
    }
    if (auto problem = ValueProblem(entry, row->type)) report(key + ": " + *problem);
  }
  std::stable_sort(findings.begin() + static_cast<std::ptrdiff_t>(first), findings.end(),
                   [](const Finding& a, const Finding& b) { return a.line < b.line; });
  return true;
}

std::string Count(std::size_t n, const char* what) {
  return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

int RunConfigCheck(const CheckRequest& request) {
  std::vector<Finding> findings;
  int lineCount = 0;
  std::size_t read = 0;
  for (const std::string& file : request.files) read += CheckFile(file, request, findings, lineCount) ? 1 : 0;
  if (read == 0) return kExitUsage;  // nothing was checked: the errors say why
  if (JsonWanted()) {
    Records records({"file", "line", "key", "problem"});
    for (const Finding& f : findings) records.Add({f.file, f.line, f.key, f.problem});
    records.Print();
  } else {
    for (const Finding& f : findings) std::cout << f.file << ':' << f.line << ": " << f.problem << '\n';
    std::cout << Count(read, "file") << ", " << Count(static_cast<std::size_t>(lineCount), "line") << ", "
              << Count(findings.size(), "problem") << '\n';
  }
  if (read < request.files.size()) return kExitUsage;
  return findings.empty() ? kExitOk : kExitNone;
}

const Registration kConfigCommands{[](CLI::App& tool) {
  auto schema = std::make_shared<SchemaRequest>();
  CLI::App* group = AddCommand(tool, "schema", "the configuration-key schema");
  AddInteger(*group, "--version", schema->version, kInt32Min, kInt32Max, "V",
             "the format version (default 105)");
  AddInteger(*group, "--kinds", schema->kinds, 0, kUint32Max, "K",
             "the kinds of table (default 1, 0x.. allowed)");
  AddExamples(*group, {"lumenrt schema name 10025 --version 103", "lumenrt schema list --kinds 0x2"});
  const auto addId = [&](CLI::App* verb) {
    verb->add_option_function<std::string>(
            "ID", [schema](const std::string& t) { schema->id = *ParseInteger(t, kInt32Min, kInt32Max); },
            "a key id")
        ->required()
        ->check(IntegerCheck(kInt32Min, kInt32Max, "bad key id"));
    return verb;
  };
  AddExamples(*addId(AddCommand(*group, "name", "the key name of an id (empty line: a row with no key)",
                                [schema] { return RunSchemaName(*schema); })),
              {"lumenrt schema name 10025 --version 103", "lumenrt schema name 31007 --kinds 0x2"});
  AddExamples(*addId(AddCommand(*group, "type", "the type text of an id",
                                [schema] { return RunSchemaType(*schema); })),
              {"lumenrt schema type 1032", "lumenrt schema type 210 --version 101"});
  CLI::App* list = AddCommand(*group, "list", "every row that applies: id, key, type, display name",
                              [schema] { return RunSchemaList(*schema); });
  AddJsonFlag(*list);
  AddExamples(*list, {"lumenrt schema list --version 101", "lumenrt schema list --kinds 0x4 --json"});

  CLI::App* keywords = AddCommand(tool, "keywords", "the command-line keyword tables");
  AddExamples(*keywords, {"lumenrt keywords commands", "lumenrt keywords switches --command 1"});
  CLI::App* commands =
      AddCommand(*keywords, "commands", "the command words: id, keyword, flag, code", RunKeywordCommands);
  AddJsonFlag(*commands);
  AddExamples(*commands, {"lumenrt keywords commands", "lumenrt keywords commands --json"});
  auto command = std::make_shared<std::optional<long long>>();
  CLI::App* switches =
      AddCommand(*keywords, "switches",
                 "the switch words: command id (0 = every command), keyword, key id, implied value",
                 [command] { return RunKeywordSwitches(*command); });
  switches
      ->add_option_function<std::string>(
          "--command", [command](const std::string& t) { *command = *ParseInteger(t, kInt32Min, kInt32Max); },
          "only the switches of this command id")
      ->type_name("ID")
      ->check(IntegerCheck(kInt32Min, kInt32Max, "bad command id"));
  AddJsonFlag(*switches);
  AddExamples(*switches, {"lumenrt keywords switches --command 201", "lumenrt keywords switches --json"});

  auto config = std::make_shared<ConfigRequest>();
  CLI::App* configGroup =
      AddCommand(tool, "config", "typed lookups over configuration files, and their checker");
  AddExamples(*configGroup, {"lumenrt config get --source job.cfg --as choice Backup.EXCH_Backup_Type",
                             "lumenrt config check job.cfg Global.qxc"});
  CLI::App* get =
      AddCommand(*configGroup, "get",
                 "a typed lookup over 1-4 files of NAME = VALUE lines; prints value and result "
                 "(choice: the word's index; bool: the value only); a missing, invalid or ambiguous "
                 "value exits 1; lines that cannot be used are reported and skipped",
                 [config] { return RunConfig(*config); });
  get->add_option("--source", config->files, "a file of NAME = VALUE lines (1 to 4, in lookup order)")
      ->type_name("FILE")
      ->required()
      ->allow_extra_args(false);
  get->add_option("--version", config->versionTexts, "the format version: one for all files or one each")
      ->type_name("V")
      ->allow_extra_args(false)
      ->check(IntegerCheck(kInt32Min, kInt32Max, "bad version"));
  get->add_option("--kinds", config->kindTexts, "the kinds of table: one for all files or one each")
      ->type_name("K")
      ->allow_extra_args(false)
      ->check(IntegerCheck(0, kUint32Max, "bad kinds"));
  get->add_option("--as", config->as, "the lookup")
      ->type_name("string|number|bool|password|choice")
      ->required()
      ->check(CLI::IsMember({"string", "number", "bool", "password", "choice"}).description(""));
  get->add_option_function<std::string>(
         "--default", [config](const std::string& t) { config->defaultText = t; },
         "the answer of --as bool when the key is not set")
      ->type_name("N");
  get->add_option("KEY", config->key, "a key name or a numeric id")->required();
  AddJsonFlag(*get);
  AddExamples(*get,
              {"lumenrt config get --source job.cfg --source Global.qxc --as choice Backup.EXCH_Backup_Type",
               "lumenrt config get --source job.cfg --as bool Diagnostics --default 1 --json"});

  auto check = std::make_shared<CheckRequest>();
  CLI::App* checker =
      AddCommand(*configGroup, "check",
                 "report every line of job or global configuration files that the lookups cannot "
                 "use (FILE:LINE: reason), then a summary; exit 1 when any is reported",
                 [check] { return RunConfigCheck(*check); });
  checker->add_option("FILE", check->files, "a configuration file of NAME = VALUE lines")->required();
  AddInteger(*checker, "--version", check->version, kInt32Min, kInt32Max, "V",
             "the format version of the files (default 105)");
  AddInteger(*checker, "--kinds", check->kinds, 0, kUint32Max, "K",
             "the kinds of table of the files (default 1, 0x.. allowed)");
  AddJsonFlag(*checker);
  AddExamples(*checker, {"lumenrt config check job.cfg Global.qxc",
                         "lumenrt config check --version 104 --json job.cfg"});
}};

}  // namespace
}  // namespace lumenrt::tool

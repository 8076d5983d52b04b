// lumenrt schema / keywords / config: the configuration vocabulary and typed lookups from the shell.
#include <cstdint>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "lumenrt/config/config_file.h"
#include "lumenrt/config/config_source.h"
#include "lumenrt/config/keywords.h"
#include "lumenrt/config/lookups.h"
#include "lumenrt/config/schema.h"
#include "lumenrt/core/message_catalogue.h"
#include "lumenrt/core/zerror.h"

#include "command.h"

namespace lumenrt::tool {
namespace {

constexpr long long kInt32Min = -2147483648LL;
constexpr long long kInt32Max = 2147483647LL;
constexpr long long kUint32Max = 0xffffffffLL;

constexpr const char kSchemaNameUsage[] = "schema name ID [--version V] [--kinds K]";
constexpr const char kSchemaTypeUsage[] = "schema type ID [--version V] [--kinds K]";
constexpr const char kSchemaListUsage[] = "schema list [--version V] [--kinds K]";
constexpr const char kSchemaUsage[] =
    "schema name ID | schema type ID | schema list  [--version V (default 105)] [--kinds K (default 1, "
    "0x.. allowed)]";
constexpr const char kKeywordsUsage[] = "keywords commands | keywords switches [--command ID]";
constexpr const char kConfigUsage[] =
    "config get --source FILE [--source FILE ...] [--version V ...] [--kinds K ...] "
    "--as string|number|bool|password|choice [--default N] KEY";

// Parses "--version" or "--kinds" values: none (the default), one for every source, or one per source.
bool ParseAll(const std::vector<std::string>& texts, long long lo, long long hi, std::vector<long long>& out,
              const char* what) {
  for (const auto& t : texts) {
    auto v = ParseInteger(t, lo, hi);
    if (!v) {
      Fail(kExitUsage, std::string("bad ") + what + " '" + t + "'");
      return false;
    }
    out.push_back(*v);
  }
  return true;
}

struct SchemaRequest {
  int version = kLastFormatVersion;
  unsigned int kinds = 1;
};

std::optional<int> ParseSchemaRequest(const Parsed& p, SchemaRequest& request) {
  std::vector<long long> versions, kinds;
  if (!ParseAll(p.GetAll("version"), kInt32Min, kInt32Max, versions, "version")) return kExitUsage;
  if (!ParseAll(p.GetAll("kinds"), 0, kUint32Max, kinds, "kinds")) return kExitUsage;
  if (!versions.empty()) request.version = static_cast<int>(versions.back());
  if (!kinds.empty()) request.kinds = static_cast<unsigned int>(kinds.back());
  return std::nullopt;
}

int RunSchema(const Args& args) {
  Parsed p(args, {"version", "kinds"});
  const auto& words = p.positional();
  std::string_view usage = kSchemaUsage;
  if (!words.empty() && words[0] == "name") usage = kSchemaNameUsage;
  if (!words.empty() && words[0] == "type") usage = kSchemaTypeUsage;
  if (!words.empty() && words[0] == "list") usage = kSchemaListUsage;
  if (auto done = CheckParsed(p, usage)) return *done;
  SchemaRequest request;
  if (auto done = ParseSchemaRequest(p, request)) return *done;

  if (words.size() == 1 && words[0] == "list") {
    int printed = 0;
    for (const SchemaEntry* row = SchemaTable; row->id != 0; ++row) {
      if (!RowApplies(*row, request.version, request.kinds)) continue;
      std::cout << row->id << '\t' << row->key << '\t' << row->type << '\t' << row->displayName << '\n';
      ++printed;
    }
    return printed > 0 ? kExitOk : kExitNone;
  }
  if (words.size() != 2 || (words[0] != "name" && words[0] != "type")) {
    return Fail(kExitUsage, "usage: lumenrt " + std::string(kSchemaUsage));
  }
  auto id = ParseInteger(words[1], kInt32Min, kInt32Max);
  if (!id) return Fail(kExitUsage, "bad key id '" + words[1] + "'");
  if (words[0] == "name") {
    int instance = 0;
    const SchemaEntry* row = FindNameRow(static_cast<int>(*id), request.version, request.kinds, &instance);
    if (row == nullptr) return kExitNone;
    std::cout << KeyNameOf(*row, instance).c_str() << '\n';
    return kExitOk;
  }
  ZString type = FindKeyType(static_cast<int>(*id), request.kinds, request.version);
  if (type.IsEmpty()) return kExitNone;
  std::cout << type.c_str() << '\n';
  return kExitOk;
}

int RunKeywords(const Args& args) {
  Parsed p(args, {"command"});
  if (auto done = CheckParsed(p, kKeywordsUsage)) return *done;
  const auto& words = p.positional();
  if (words.size() == 1 && words[0] == "commands" && !p.Has("command")) {
    for (const CommandKeyword* row = CommandKeywords; row->id != -1; ++row) {
      std::cout << row->id << '\t' << row->keyword << '\t' << row->flag << '\t' << row->code << '\n';
    }
    return kExitOk;
  }
  if (words.size() != 1 || words[0] != "switches") {
    return Fail(kExitUsage, "usage: lumenrt " + std::string(kKeywordsUsage));
  }
  std::optional<long long> command;
  if (auto text = p.Get("command")) {
    command = ParseInteger(*text, kInt32Min, kInt32Max);
    if (!command) return Fail(kExitUsage, "bad command id '" + *text + "'");
  }
  int printed = 0;
  for (const SwitchKeyword* row = SwitchKeywords; row->commandId != -1; ++row) {
    if (command && row->commandId != *command) continue;
    std::cout << row->commandId << '\t' << row->keyword << '\t' << row->keyId << '\t' << row->impliedValue
              << '\n';
    ++printed;
  }
  return printed > 0 ? kExitOk : kExitNone;
}

// Writes a raised value error as the catalogue's line on stderr.
int ReportRaised(ZError* error) {
  char line[2048] = {};
  MessageSink sink;
  sink.textBuffer = line;
  sink.textCapacity = sizeof(line);
  error->Report(&sink);
  delete error;
  std::string text(line);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  if (!text.empty()) std::cerr << "lumenrt: " << text << '\n';
  return kExitNone;
}

// Empties the slots when the command ends, before the sources go away.
struct InstalledSources {
  std::vector<std::unique_ptr<ConfigSource>> sources;
  ~InstalledSources() {
    for (int slot = 1; slot <= 4; ++slot) RemoveConfigSource(slot);
  }
};

int RunConfig(const Args& args) {
  Parsed p(args, {"source", "version", "kinds", "as", "default"});
  if (auto done = CheckParsed(p, kConfigUsage)) return *done;
  const auto& words = p.positional();
  if (words.size() != 2 || words[0] != "get")
    return Fail(kExitUsage, "usage: lumenrt " + std::string(kConfigUsage));
  const std::vector<std::string> files = p.GetAll("source");
  if (files.empty() || files.size() > 4) return Fail(kExitUsage, "give one to four --source files");
  std::vector<long long> versions, kinds;
  if (!ParseAll(p.GetAll("version"), kInt32Min, kInt32Max, versions, "version")) return kExitUsage;
  if (!ParseAll(p.GetAll("kinds"), 0, kUint32Max, kinds, "kinds")) return kExitUsage;
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

  const std::string as = p.Get("as").value_or("");
  if (as != "string" && as != "number" && as != "bool" && as != "password" && as != "choice") {
    return Fail(kExitUsage, "--as must be string, number, bool, password or choice");
  }
  long long defaultValue = 0;
  if (auto text = p.Get("default")) {
    if (as != "bool") return Fail(kExitUsage, "--default goes with --as bool only");
    auto v = ParseInteger(*text, kInt32Min, kInt32Max);
    if (!v) return Fail(kExitUsage, "bad default '" + *text + "'");
    defaultValue = *v;
  }

  InstalledSources installed;
  bool clean = true;
  for (std::size_t i = 0; i < files.size(); ++i) {
    auto source =
        std::make_unique<ConfigSource>(static_cast<unsigned int>(kinds[i]), static_cast<int>(versions[i]));
    std::vector<ConfigFileProblem> problems;
    LoadConfigFile(files[i], *source, problems);
    for (const auto& problem : problems) {
      Fail(kExitUsage, problem.line > 0
                           ? files[i] + ":" + std::to_string(problem.line) + ": " + problem.message
                           : problem.message);
      clean = false;
    }
    installed.sources.push_back(std::move(source));
  }
  if (!clean) return kExitUsage;
  for (std::size_t i = 0; i < installed.sources.size(); ++i) {
    InstallConfigSource(static_cast<int>(i) + 1, installed.sources[i].get());
  }

  const std::string& key = words[1];
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
      std::cout << cfg_get_bool(id, static_cast<int>(defaultValue)) << '\n';
      return kExitOk;
    }
    if (as == "choice") {
      std::int32_t index = 0;
      result = cfg_get_choice(id, index);
      std::cout << index << '\t' << result << '\n';
      if (result == -2) cfg_raise_ambiguous();
      if (result == -1) cfg_raise_invalid();
    } else if (as == "number") {
      std::int32_t number = 0;
      result = cfg_get_number(id, number);
      std::cout << number << '\t' << result << '\n';
    } else {
      ZString value;
      result = as == "string" ? cfg_get_string(id, value) : cfg_get_password(id, value);
      std::cout << value.c_str() << '\t' << result << '\n';
    }
    if (result == 0) cfg_raise_required();
    return result == 1 ? kExitOk : kExitNone;
  } catch (ZError* error) {
    std::cout.flush();
    return ReportRaised(error);
  }
}

const Command kSchemaName{"schema", kSchemaNameUsage, "the key name of an id (empty line: a row with no key)",
                          RunSchema};
const Command kSchemaType{"schema", kSchemaTypeUsage, "the type text of an id", RunSchema};
const Command kSchemaList{"schema", kSchemaListUsage, "every row that applies: id, key, type, display name",
                          RunSchema};
const Command kKeywordCommands{"keywords", "keywords commands", "the command words: id, keyword, flag, code",
                               RunKeywords};
const Command kKeywordSwitches{
    "keywords", "keywords switches [--command ID]",
    "the switch words: command id (0 = every command), keyword, key id, implied value", RunKeywords};
const Command kConfigGet{"config", kConfigUsage,
                         "a typed lookup over 1-4 files of NAME = VALUE lines; prints value and result "
                         "(bool: the answer only); a missing, invalid or ambiguous value exits 1",
                         RunConfig};

}  // namespace
}  // namespace lumenrt::tool

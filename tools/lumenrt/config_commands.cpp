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
#include "config_sources.h"

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

int RunSchemaList(const SchemaRequest& request) {
  int printed = 0;
  for (const SchemaEntry* row = SchemaTable; row->id != 0; ++row) {
    if (!RowApplies(*row, static_cast<int>(request.version), static_cast<unsigned int>(request.kinds)))
      continue;
    std::cout << row->id << '\t' << row->key << '\t' << row->type << '\t' << row->displayName << '\n';
    ++printed;
  }
  return printed > 0 ? kExitOk : kExitNone;
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
  for (const CommandKeyword* row = CommandKeywords; row->id != -1; ++row) {
    std::cout << row->id << '\t' << row->keyword << '\t' << row->flag << '\t' << row->code << '\n';
  }
  return kExitOk;
}

int RunKeywordSwitches(std::optional<long long> command) {
  int printed = 0;
  for (const SwitchKeyword* row = SwitchKeywords; row->commandId != -1; ++row) {
    if (command && row->commandId != *command) continue;
    std::cout << row->commandId << '\t' << row->keyword << '\t' << row->keyId << '\t' << row->impliedValue
              << '\n';
    ++printed;
  }
  return printed > 0 ? kExitOk : kExitNone;
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
  if (!installed.Load(files, sourceKinds, sourceVersions)) return kExitUsage;

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

const Registration kConfigCommands{[](CLI::App& tool) {
  auto schema = std::make_shared<SchemaRequest>();
  CLI::App* group = AddCommand(tool, "schema", "the configuration-key schema");
  AddInteger(*group, "--version", schema->version, kInt32Min, kInt32Max, "V",
             "the format version (default 105)");
  AddInteger(*group, "--kinds", schema->kinds, 0, kUint32Max, "K",
             "the kinds of table (default 1, 0x.. allowed)");
  const auto addId = [&](CLI::App* verb) {
    verb->add_option_function<std::string>(
            "ID", [schema](const std::string& t) { schema->id = *ParseInteger(t, kInt32Min, kInt32Max); },
            "a key id")
        ->required()
        ->check(IntegerCheck(kInt32Min, kInt32Max, "bad key id"));
  };
  addId(AddCommand(*group, "name", "the key name of an id (empty line: a row with no key)",
                   [schema] { return RunSchemaName(*schema); }));
  addId(AddCommand(*group, "type", "the type text of an id", [schema] { return RunSchemaType(*schema); }));
  AddCommand(*group, "list", "every row that applies: id, key, type, display name",
             [schema] { return RunSchemaList(*schema); });

  CLI::App* keywords = AddCommand(tool, "keywords", "the command-line keyword tables");
  AddCommand(*keywords, "commands", "the command words: id, keyword, flag, code", RunKeywordCommands);
  auto command = std::make_shared<std::optional<long long>>();
  AddCommand(*keywords, "switches",
             "the switch words: command id (0 = every command), keyword, key id, implied value",
             [command] { return RunKeywordSwitches(*command); })
      ->add_option_function<std::string>(
          "--command", [command](const std::string& t) { *command = *ParseInteger(t, kInt32Min, kInt32Max); },
          "only the switches of this command id")
      ->type_name("ID")
      ->check(IntegerCheck(kInt32Min, kInt32Max, "bad command id"));

  auto config = std::make_shared<ConfigRequest>();
  CLI::App* get = AddCommand(*AddCommand(tool, "config", "typed lookups over configuration files"), "get",
                             "a typed lookup over 1-4 files of NAME = VALUE lines; prints value and result "
                             "(bool: the answer only); a missing, invalid or ambiguous value exits 1",
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
}};

}  // namespace
}  // namespace lumenrt::tool

#include "lumenrt/config/config_file.h"

#include <charconv>

#include "lumenrt/config/schema.h"
#include "lumenrt/core/internal/text_file.h"

namespace lumenrt {
namespace {

std::string_view Trim(std::string_view s) {
  const char* blanks = " \t";
  std::size_t first = s.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

// A numeric id: decimal digits with an optional leading "-". 1 with id set, 0 when the text is not
// a number, -1 when it is one but lies outside 32 bits.
int ParseId(std::string_view text, int* id) {
  std::string_view digits = text.substr(text.starts_with('-') ? 1 : 0);
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) return 0;
  std::int32_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return -1;
  *id = value;
  return 1;
}

std::string Quoted(std::string_view s) { return "'" + std::string(s) + "'"; }

}  // namespace

int LoadConfigText(std::string_view text, ConfigSource& source, std::vector<ConfigFileProblem>& problems) {
  ConfigFileLines lines;
  return LoadConfigText(text, source, problems, lines);
}

int LoadConfigText(std::string_view text, ConfigSource& source, std::vector<ConfigFileProblem>& problems,
                   ConfigFileLines& lines) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  int added = 0;
  int lineNumber = 0;
  while (!text.empty()) {
    lines.count = ++lineNumber;
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);

    std::string_view content = Trim(line);
    if (content.empty() || content.front() == ';') continue;
    std::size_t equals = content.find('=');
    std::string_view name = Trim(content.substr(0, equals));
    auto problem = [&](std::string message) {
      problems.push_back({lineNumber, std::move(message), std::string(name)});
    };
    if (content.find('\0') != std::string_view::npos) {
      name = {};  // not a text to show
      problem("line holds a zero byte");
      continue;
    }
    std::string_view value;
    if (equals != std::string_view::npos) {
      value = Trim(content.substr(equals + 1));
      if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    }
    if (name.empty()) {
      problem("missing key name before '='");
      continue;
    }

    int id = 0;
    int numeric = ParseId(name, &id);
    if (numeric < 0) {
      problem("key id " + std::string(name) + " lies outside 32 bits");
      continue;
    }
    // Only a section head ("#...") may stand alone; anything else lacks its value, whatever its name.
    if (equals == std::string_view::npos && !(numeric == 0 && name.front() == '#')) {
      problem("expected NAME = VALUE, found " + Quoted(content));
      continue;
    }
    if (numeric == 0 && FindKeyId(std::string(name).c_str(), source.GetVersion(), source.Kinds(), &id) == 0) {
      problem("unknown key name " + Quoted(name));
      continue;
    }
    if (value.size() > static_cast<std::size_t>(0x7fffffff - 64)) {
      problem("value too long");
      continue;
    }
    if (source.AddEntry(id, ZString(value)) == 0) {
      problem("the source cannot hold another entry");
      continue;
    }
    lines.entries.push_back(lineNumber);
    ++added;
  }
  return added;
}

int LoadConfigFile(const std::string& path, ConfigSource& source, std::vector<ConfigFileProblem>& problems) {
  ConfigFileLines lines;
  return LoadConfigFile(path, source, problems, lines);
}

int LoadConfigFile(const std::string& path, ConfigSource& source, std::vector<ConfigFileProblem>& problems,
                   ConfigFileLines& lines) {
  std::string contents, problem;
  if (!ReadTextFile(path.c_str(), kMaxConfigFileBytes, "a configuration file", &contents, &problem)) {
    problems.push_back({0, path + ": " + problem, std::string()});
    return -1;
  }
  return LoadConfigText(contents, source, problems, lines);
}

}  // namespace lumenrt

// Every command that prints records names its columns in a header line, and with --json prints the
// same records as one JSON document: an array of objects keyed by the column names.
#include <cctype>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "support/run_tool.h"

namespace {

using lumenrt::test::RunTool;
using lumenrt::test::ToolRun;

struct RecordCommand {
  std::vector<std::string> args;
  std::string header;  // the first line, columns separated by tabs
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> Columns(const std::string& header) {
  std::vector<std::string> columns;
  std::istringstream in(header);
  for (std::string c; std::getline(in, c, '\t');) {
    for (char& ch : c)
      if (ch == ' ') ch = '_';
    columns.push_back(c);
  }
  return columns;
}

// A field as the text line shows it: a text as it stands, nothing for null, a number in JSON form.
std::string Field(const nlohmann::ordered_json& value) {
  if (value.is_null()) return {};
  return value.is_string() ? value.get<std::string>() : value.dump();
}

class RecordOutput : public testing::TestWithParam<RecordCommand> {};

TEST_P(RecordOutput, HeaderLineThenTheSameRecordsAsJson) {
  const RecordCommand& c = GetParam();
  const ToolRun text = RunTool(c.args);
  ASSERT_EQ(text.exit, 0) << text.err;
  const auto lines = Lines(text.out);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], c.header);

  auto args = c.args;
  args.push_back("--json");
  const ToolRun json = RunTool(args);
  ASSERT_EQ(json.exit, 0) << json.err;
  const nlohmann::ordered_json document = nlohmann::ordered_json::parse(json.out);
  ASSERT_TRUE(document.is_array()) << json.out;
  ASSERT_EQ(document.size(), lines.size() - 1);
  const auto columns = Columns(c.header);
  for (size_t i = 0; i < document.size(); ++i) {
    std::vector<std::string> keys;
    for (const auto& [key, value] : document[i].items()) keys.push_back(key);
    EXPECT_EQ(keys, columns) << "record " << i;
    // Each field prints in the text line as it stands in the document.
    std::string line;
    for (const auto& [key, value] : document[i].items())
      line += (key == columns[0] ? "" : "\t") + Field(value);
    EXPECT_EQ(line, lines[i + 1]);
  }
}

const RecordCommand kRecordCommands[] = {
    {{"cipher", "list"}, "type\tid\tname\tshort name\tkey bits\trating"},
    {{"filename", "parse", "\\\\srv\\share\\d\\f.txt"}, "part\telement\ttext"},
    {{"time", "zones"}, "offset\tabbreviation\tname"},
    {{"schema", "list"}, "id\tkey\ttype\tdisplay name"},
    {{"keywords", "commands"}, "id\tkeyword\tflag\tcode"},
    {{"keywords", "switches", "--command", "201"}, "command id\tkeyword\tkey id\timplied value"},
    {{"config", "get", "--source", LUMENRT_TEST_DATA_DIR "/config/job.cfg", "--as", "choice",
      "Backup.EXCH_Backup_Type"},
     "value\tresult"},
    {{"time", "convert", "--date", "2026-12-31", "--time", "23:30", "--to", "60"},
     "record\ttimestamp\tzone word"},
    {{"plugins", "modules"}, "kind\tfile\tfacility\tcode\tid\ttype"},
    {{"plugins", "describe"}, "kind\ttype\tdescription"},
    {{"plugins", "check", "--kind", "2", LUMENRT_EXAMPLE_FACTORY_MODULE}, "entry\tresult"},
};

// "cipher_list", "keywords_switches": the command's words.
std::string CommandName(const testing::TestParamInfo<RecordCommand>& info) {
  std::string name;
  for (const std::string& word : info.param.args) {
    if (word.empty() || !std::isalpha(static_cast<unsigned char>(word[0]))) break;
    name += (name.empty() ? "" : "_") + word;
  }
  return name + "_" + std::to_string(info.index);
}

INSTANTIATE_TEST_SUITE_P(Commands, RecordOutput, testing::ValuesIn(kRecordCommands), CommandName);

}  // namespace

// The registry commands of the lumenrt tool: listing keys, and registry editor files (format 5 in
// UTF-16LE, REGEDIT4 in 8-bit text) written and read both ways.
#include <cerrno>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "lumenrt/platform/registry_store.h"

#include "platform/registry_test_support.h"

namespace lumenrt::testing {
namespace {

using lumenrt::test::RunToolCommand;
using lumenrt::test::ShellQuote;

struct StoredValue {
  std::string key, name;
  int type;
  std::string data;
};

std::string Read(const std::string& key, const std::string& name, int* type) {
  std::string data(4096, '\0');
  auto size = static_cast<std::uint32_t>(data.size());
  if (RegistryQueryValue(key.c_str(), name.c_str(), type, reinterpret_cast<unsigned char*>(data.data()),
                         &size) != 0)
    return "(missing)";
  data.resize(size);
  return data;
}

void Store(const std::vector<StoredValue>& values) {
  for (const auto& v : values) {
    ASSERT_EQ(RegistryCreateKey(v.key.c_str()), 0);
    ASSERT_EQ(RegistrySetValue(v.key.c_str(), v.name.c_str(), v.type, v.data.data(),
                               static_cast<std::uint32_t>(v.data.size())),
              0);
  }
}

void ExpectStored(const std::vector<StoredValue>& values, const std::string& context) {
  for (const auto& v : values) {
    int type = -1;
    EXPECT_EQ(Read(v.key, v.name, &type), v.data) << context << ": " << v.key << "\\" << v.name;
    EXPECT_EQ(type, v.type) << context << ": " << v.key << "\\" << v.name;
  }
}

// Latin-1 text as UTF-16LE (each byte is its own code point), with \x01 standing for U+1F600, a
// surrogate pair.
std::string Widen(const std::string& latin1) {
  std::string wide;
  for (char c : latin1) wide += c == '\x01' ? std::string("\x3d\xd8\x00\xde", 4) : std::string{c, '\0'};
  return wide;
}

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

// A key with a value of every kind, as the registry editor writes it (values sorted by name, hex
// lists wrapped before the 80th column); `name`, `expand` and `multi` in the file's form.
std::string AgentKeys(const std::string& name, const std::string& expand, const std::string& multi) {
  return Lines({
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvane\\Lumenhold\\Agent]",
      "@=\"default\"",
      "\"Big\"=hex(b):01,00,00,00,00,00,00,80",
      "\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\",
      "  16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,\\",
      "  2f,30,31",
      "\"Diagnostics\"=dword:0000002a",
      "\"Logs\"=hex(2):" + expand,
      "\"Name\"=\"" + name + "\"",
      "\"Nothing\"=hex(0):",
      "\"Path\"=\"C:\\\\Program Files\\\\Lumenhold \\\"agent\\\"\"",
      "\"Servers\"=hex(7):" + multi,
      "",
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvane\\Lumenhold\\Agent\\Jobs]",
      "\"Count\"=dword:ffffffff",
      "",
  });
}

const std::string kFormat5 =
    "\xFF\xFE" + Widen(Lines({"Windows Registry Editor Version 5.00", ""}) +
                       AgentKeys("caf\xe9 \x01", "25,00,54,00,45,00,4d,00,50,00,25,00,5c,00,6c,00,00,00",
                                 "61,00,00,00,62,00,63,00,00,00,00,00"));
const std::string kRegedit4 =
    Lines({"REGEDIT4", ""}) +
    AgentKeys("caf\xc3\xa9 \xf0\x9f\x98\x80", "25,54,45,4d,50,25,5c,6c,00", "61,00,62,63,00,00");

std::string Bytes(int from, int to) {
  std::string bytes;
  for (int b = from; b < to; ++b) bytes += static_cast<char>(b);
  return bytes;
}

const std::string kAgent = "SOFTWARE\\Orvane\\Lumenhold\\Agent";
// What both files hold, as the store keeps it: texts in UTF-8 with their terminating zero.
const std::vector<StoredValue> kAgentValues = {
    {kAgent, "", 1, std::string("default", 8)},
    {kAgent, "Big", 11, std::string("\x01\0\0\0\0\0\0\x80", 8)},
    {kAgent, "Blob", 3, Bytes(0, 0x32)},
    {kAgent, "Diagnostics", 4, std::string("\x2a\0\0\0", 4)},
    {kAgent, "Logs", 2, std::string("%TEMP%\\l", 9)},
    {kAgent, "Name", 1, std::string("caf\xc3\xa9 \xf0\x9f\x98\x80", 11)},
    {kAgent, "Nothing", 0, ""},
    {kAgent, "Path", 1, std::string("C:\\Program Files\\Lumenhold \"agent\"", 35)},
    {kAgent, "Servers", 7, std::string("a\0bc\0", 6)},
    {kAgent + "\\Jobs", "Count", 4, "\xff\xff\xff\xff"},
};

class RegistryTool : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return dir_.path() + "/" + name; }
  ToolRun Run(const std::string& args) const { return RunToolCommand(args); }

  TempDir dir_;
};

TEST_F(RegistryTool, ImportsAndExportsEditorFilesOfBothFormats) {
  const struct {
    const char* flags;
    std::string file;
  } cases[] = {{"", kFormat5}, {"--regedit4 ", kRegedit4}};
  for (const auto& c : cases) {
    ScopedRegistry store;
    WriteFile(Path("in.reg"), c.file);
    const ToolRun imported = Run("registry import " + ShellQuote(Path("in.reg")));
    EXPECT_EQ(imported.exit, 0) << c.flags << imported.err;
    EXPECT_EQ(imported.out, "2 keys, 10 values imported\n");
    ExpectStored(kAgentValues, c.flags);
    // Written back, the file comes out byte for byte as the editor wrote it, to a file and to
    // standard output alike.
    const ToolRun exported = Run("registry export " + std::string(c.flags) + ShellQuote(kAgent) + " " +
                                 ShellQuote(Path("out.reg")));
    EXPECT_EQ(exported.exit, 0) << c.flags << exported.err;
    EXPECT_EQ(ReadFile(Path("out.reg")), c.file) << c.flags;
    EXPECT_EQ(Run("registry export " + std::string(c.flags) + ShellQuote(kAgent)).out, c.file) << c.flags;
  }
}

TEST_F(RegistryTool, ExportImportExportKeepsEveryValueAndEveryByte) {
  // Values that cannot be written as quoted texts travel as hex(N) data.
  const std::vector<StoredValue> odd = {
      {"K", "line\\\"breaks\"", 1, std::string("a\r\nb", 5)},
      {"K", "empty", 1, ""},
      {"K", "unterminated", 1, "abc"},
      {"K", "two zeros", 2, std::string("x\0y", 4)},
      {"K", "short dword", 4, "\x01\x02\x03"},
      {"K", "big-endian", 5, std::string("\0\0\0\x2a", 4)},
      {"K", "type 0x12345", 0x12345, "\x7f"},
      {"K\\Sub\\Deeper", "long", 3, Bytes(0, 256)},
      {"K\\Empty key", "", 1, std::string("", 1)},
  };
  for (const char* flags : {"", "--regedit4 "}) {
    std::string first;
    {
      ScopedRegistry store;
      Store(odd);
      ASSERT_EQ(RegistryCreateKey("K\\No values"), 0);
      const ToolRun exported =
          Run("registry export " + std::string(flags) + "K " + ShellQuote(Path("a.reg")));
      ASSERT_EQ(exported.exit, 0) << exported.err;
      first = ReadFile(Path("a.reg"));
    }
    ScopedRegistry fresh;
    EXPECT_EQ(Run("registry import " + ShellQuote(Path("a.reg"))).out, "5 keys, 9 values imported\n")
        << flags;
    ExpectStored(odd, flags);
    EXPECT_EQ(RegistryOpenKey("K\\No values"), 0) << flags;
    EXPECT_EQ(Run("registry export " + std::string(flags) + "K").out, first) << flags;
  }
}

TEST_F(RegistryTool, ImportTakesWhatOtherEditorsWrite) {
  // Line feeds alone, comments, blank lines and spaces, upper-case hex, short dwords, a key named
  // twice, continuations indented as they come, the root itself, and an 8-bit format 5 file.
  const struct {
    std::string file;
    std::vector<StoredValue> values;
  } cases[] = {
      {"REGEDIT4\n; a comment\n\n[hkey_local_machine\\A]\n  \"d\" = dword:2A\n\"h\"=hex:0A,\\\n\t0B ,\\\n0c\n"
       "[HKEY_LOCAL_MACHINE]\n@=\"root\"\n[HKEY_LOCAL_MACHINE\\a]\n\"D\"=dword:7\n",
       {{"A", "d", 4, std::string("\x07\0\0\0", 4)},
        {"A", "h", 3, "\x0a\x0b\x0c"},
        {"", "", 1, std::string("root", 5)}}},
      {"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\B]\r\n\"e\"=hex(2):41,00,00,00\r\n",
       {{"B", "e", 2, std::string("A", 2)}}},
  };
  for (const auto& c : cases) {
    ScopedRegistry store;
    WriteFile(Path("in.reg"), c.file);
    const ToolRun run = Run("registry import " + ShellQuote(Path("in.reg")));
    EXPECT_EQ(run.exit, 0) << c.file << run.err;
    ExpectStored(c.values, c.file);
  }
}

TEST_F(RegistryTool, AFileWithABadLineChangesNothing) {
  const std::string before =
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Fresh]\r\n\"v\"=\"new\"\r\n"
      "[HKEY_LOCAL_MACHINE\\Keep]\r\n\"v\"=\"new\"\r\n";  // lines 1 to 6
  const struct {
    std::string file;
    std::string where;  // FILE:LINE: and the start of the reason
  } cases[] = {
      {before + "[HKEY_CURRENT_USER\\Software]\r\n",
       ":7: key outside HKEY_LOCAL_MACHINE: 'HKEY_CURRENT_USER'"},
      {before + "[-HKEY_LOCAL_MACHINE\\Keep]\r\n", ":7: deleting a key"},
      {before + "\"v\"=-\r\n", ":7: deleting a value"},
      {before + "\"h\"=hex:01,\\\r\n  02,zz\r\n", ":7: not a hexadecimal byte: 'zz'"},
      {before + "\"h\"=hex:01,\\\r\n", ":7: a continued hex list without its next line"},
      {before + "\"d\"=dword:123456789\r\n", ":7: dword: needs 1 to 8"},
      {before + "\"s\"=\"open\r\n", ":7: a quoted text without its closing quote"},
      {before + "\"s\"=\"a\\n\"\r\n", ":7: a backslash in quotes"},
      {before + "\"s\"=\"a\" b\r\n", ":7: text after the closing quote"},
      {before + "\"s\"=word:1\r\n", ":7: unknown data"},
      {before + "\"s\"=hex(zz):00\r\n", ":7: hex(N): needs a type"},
      {before + "[HKEY_LOCAL_MACHINE\\A\\\\B]\r\n", ":7: an empty key name"},
      {before + "[HKEY_LOCAL_MACHINE\\" + std::string(256, 'k') + "]\r\n", ":7: a key name longer than 255"},
      {before + "\"" + std::string(16384, 'n') + "\"=\"x\"\r\n", ":7: a value name longer than 16383"},
      {before + "just words\r\n", ":7: not a key, a value or a comment"},
      {"REGEDIT4\r\n\"v\"=\"x\"\r\n", ":2: a value before the first key"},
      {"REGEDIT5\r\n", ":1: not a registry file"},
      {"\xFF\xFE" +
           Widen("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Keep]\r\n\"v\"=\"") +
           std::string("\x00\xdc", 2) + Widen("\"\r\n"),
       ":4: not UTF-16LE text"},
      {"Windows Registry Editor Version 5.00\r\n[HKEY_LOCAL_MACHINE\\Keep]\r\n\"v\"=hex(1):41,00,00\r\n",
       ":3: text data of type 1 is not UTF-16LE"},
  };
  for (const auto& c : cases) {
    ScopedRegistry store;
    Store({{"Keep", "v", 1, std::string("old", 4)}});
    WriteFile(Path("bad.reg"), c.file);
    const ToolRun run = Run("registry import " + ShellQuote(Path("bad.reg")));
    EXPECT_EQ(run.exit, 2) << c.where;
    EXPECT_EQ(run.err.rfind("lumenrt: " + Path("bad.reg") + c.where, 0), 0u) << run.err;
    ExpectStored({{"Keep", "v", 1, std::string("old", 4)}}, c.where);
    EXPECT_EQ(RegistryOpenKey("Fresh"), ENOENT) << c.where;
  }
}

TEST_F(RegistryTool, ListsValuesAndSubkeysWithTheirTypes) {
  ScopedRegistry store;
  Store({{"S\\A", "n", 4, std::string("\xfe\xff\xff\xff", 4)},
         {"S\\A", "", 1, std::string("text", 5)},
         {"S\\A", "raw", 3, "\x01\xab"},
         {"S\\A", "tab", 1, std::string("a\tb", 4)},
         {"S\\A\\c", "q", 11, std::string("\x2a\0\0\0\0\0\0\0", 8)},
         {"S\\B", "x", 7, std::string("a\0\0", 3)}});
  const struct {
    std::string args;
    int exit;
    std::string out;
  } cases[] = {
      {"registry list S", 0, "key\tname\ttype\tdata\nA\t\tkey\t\nB\t\tkey\t\n"},
      {"registry list", 0, "key\tname\ttype\tdata\nS\t\tkey\t\n"},
      {"registry list -r S\\\\A", 0,
       "key\tname\ttype\tdata\n\t\tstring\ttext\n\tn\tdword\t-2\n\traw\tbinary\t01 ab\n\ttab\tstring\t61 09 "
       "62 00\n"
       "c\t\tkey\t\nc\tq\tqword\t42\n"},
      {"registry list --json S\\\\B", 0,
       "[\n  {\n    \"key\": \"\",\n    \"name\": \"x\",\n    \"type\": \"multi-string\",\n    \"data\": "
       "\"61 00 00\"\n  }\n]\n"},
      {"registry list S\\\\C", 1, ""},
      {"registry list S\\\\\\\\C", 2, ""},
  };
  for (const auto& c : cases) {
    const ToolRun run = Run(c.args);
    EXPECT_EQ(run.exit, c.exit) << c.args << run.err;
    EXPECT_EQ(run.out, c.out) << c.args;
  }
}

TEST_F(RegistryTool, RefusalsAndFailuresHaveTheirExitCodes) {
  ScopedRegistry store;
  Store({{"K", "bad", 1, std::string("\xff\xfe", 3)}});
  const struct {
    std::string args;
    int exit;
    std::string err;
  } cases[] = {
      {"registry export K", 1,
       "lumenrt: cannot write HKEY_LOCAL_MACHINE\\K\\bad in format 5"},  // not UTF-8: no UTF-16 for it
      {"registry export Missing", 1, "lumenrt: no such key: Missing"},
      {"registry export --regedit4 K /nonexistent/dir/out.reg", 1,
       "lumenrt: cannot write '/nonexistent/dir/out.reg'"},
      {"registry import /nonexistent/in.reg", 2, "lumenrt: cannot read '/nonexistent/in.reg'"},
      {"registry import", 2, "lumenrt: "},
  };
  for (const auto& c : cases) {
    const ToolRun run = Run(c.args);
    EXPECT_EQ(run.exit, c.exit) << c.args;
    EXPECT_EQ(run.err.rfind(c.err, 0), 0u) << c.args << ": " << run.err;
  }
  // The 8-bit format carries those bytes as they are.
  const ToolRun exported = Run("registry export --regedit4 K");
  EXPECT_EQ(exported.out, "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\"bad\"=\"\xff\xfe\"\r\n\r\n");
}

}  // namespace
}  // namespace lumenrt::testing

#include "lumenrt/core/zfilename.h"

#include <array>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "lumenrt/core/message_catalogue.h"
#include "lumenrt/core/zerror.h"

namespace {

constexpr int kDriveSyntaxes[] = {0, 1, 4, 7};
constexpr int kSlashSyntaxes[] = {2, 9};

std::string Hex(const std::string& hex) {
  std::string bytes;
  std::string digits;
  for (char c : hex)
    if (c != ' ') digits += c;
  for (size_t i = 0; i + 1 < digits.size(); i += 2)
    bytes += static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16));
  return bytes;
}

ZString Z(const std::string& s) { return ZString(std::string_view(s)); }

using Parts = std::array<std::vector<std::string>, 4>;

Parts Snapshot(const ZFileName& f) {
  Parts parts;
  for (int p = 0; p < 4; ++p)
    for (int k = 0; k < f.ElementCount(p); ++k) parts[p].emplace_back(f.ElementText(p, k).view());
  return parts;
}

// "node|device|directory|file", elements separated by commas.
std::string Describe(const Parts& parts) {
  std::string out;
  for (int p = 0; p < 4; ++p) {
    if (p > 0) out += '|';
    for (size_t k = 0; k < parts[p].size(); ++k) out += (k ? "," : "") + parts[p][k];
  }
  return out;
}

std::string ParseAndDescribe(const std::string& name, int syntax) {
  ZFileName f(Z(name), syntax);
  if (f.Parse() != 1) return "FAILED";
  return Describe(Snapshot(f));
}

struct ParseCase {
  const char* name;
  const char* parts;
};

void ExpectParses(const std::vector<ParseCase>& cases, int syntax) {
  for (const auto& c : cases)
    EXPECT_EQ(ParseAndDescribe(c.name, syntax), c.parts) << c.name << " syntax " << syntax;
}

TEST(ZFileNameTest, ConstructorAppendsTheSeparatorOfItsSyntaxOnce) {
  struct Case {
    const char* text;
    int syntax, add;
    const char* name;
  } cases[] = {
      {"C:\\data", -1, 1, "C:\\data\\"},
      {"C:\\data\\", 0, 1, "C:\\data\\"},
      {"", 2, 1, "/"},
      {"", 8, 1, "\\"},
      {"a/", 9, 1, "a/"},
      {"a/", 0, 1, "a/\\"},
      {"a", 119, 1, "a"},
      {"a", 8, 0, "a"},
      {"a", 5, 1, "a\\"},
  };
  for (const auto& c : cases) EXPECT_EQ(ZFileName(c.text, c.syntax, c.add).GetName(), c.name) << c.text;
  EXPECT_EQ(ZFileName("a", -1).Syntax(), 8);
  EXPECT_EQ(ZFileName(Z(std::string(5000, 'a'))).GetName().Length(), 4095);
  ZFileName empty;
  EXPECT_EQ(empty.GetName(), "");
  EXPECT_EQ(empty.Syntax(), 8);
  EXPECT_FALSE(empty.IsParsed());
  EXPECT_EQ(empty.PartTable(), nullptr);
}

TEST(ZFileNameTest, ParsesDriveNames) {
  std::vector<ParseCase> cases = {
      {"C:\\a\\b\\f.x", "|C|a,b|f,x"},
      {"C:/a/b/f.x", "|C|a,b|f,x"},
      {"a\\b/c", "||a,b|c"},
      {"\\a\\f.x", "||a|f,x"},
      {"host::C:\\f", "host|C||f"},
      {"host\"user word\"::C:\\a\\b.c.d", "host,user,word|C|a|b.c,d"},
      {"host\"x::f", "host\"x|||f"},  // a quote without a closing "\"::" is an ordinary character
      {"a.b.c", "|||a.b,c"},
      {".profile", "|||.profile"},
      {"a.", "|||a."},
      {"dir\\", "||dir|"},
      {"", "|||"},
      {"x:y", "|x||y"},
      {"C:", "|C||"},
      {"a/b:c\\d", "|a/b|c|d"},  // the run before the last colon keeps its slash
      {"a:b::c", "a,b|||c"},     // both runs lie before the node part's end
      {"::f", "|||f"},
      {"a\\\\b", "||a|b"},
  };
  for (int syntax : kDriveSyntaxes) ExpectParses(cases, syntax);
}

TEST(ZFileNameTest, ParsesNetworkNames) {
  ExpectParses(
      {
          {"\\\\srv\\share\\dir\\file.txt", "|\\\\srv\\share|dir|file,txt"},
          {"\\\\srv\\share", "|\\\\srv\\share||"},
          {"\\\\srv\\share\\x:y", "|\\\\srv\\share||x:y"},
          {"C:\\a:b\\f", "|C|a:b|f"},  // after a drive name colons are ordinary
          {"x:y\\z", "|x|y|z"},        // not a drive name: the colon is not followed by a backslash
          {"a/b\\c", "||a/b|c"},
          {"host::\\\\srv\\share\\f", "host|\\\\srv\\share||f"},
          {"host::C:\\a:b\\f", "host|C|a:b|f"},
      },
      8);
}

TEST(ZFileNameTest, ParsesSlashNames) {
  std::vector<ParseCase> cases = {
      {"/usr/lib/f.so", "||usr,lib|f,so"},
      {"/a:b/c", "||a:b|c"},
      {"dev:/x/f", "|dev|x|f"},
      {"host::x/f.x", "host||x|f,x"},
      {"a\\b.c", "|||a\\b,c"},
      {"rel/f.x", "||rel|f,x"},
      {"/", "|||"},
      {"host::/a:b/c", "host||a:b|c"},
      {"dev:/x:y/f", "|dev|x:y|f"},
  };
  for (int syntax : kSlashSyntaxes) ExpectParses(cases, syntax);
}

TEST(ZFileNameTest, ParsesCountedNames) {
  ExpectParses(
      {
          {"", "|||"},
          {Hex("8080").c_str(), "|||"},
          {Hex("9181 04686f7374 0161 0166").c_str(), "host||a|f"},
          {Hex("9782 0168 0144 0161 0162 0166 0178 017a").c_str(), "h|D|a,b|f,x,z"},
      },
      119);
  EXPECT_EQ(ParseAndDescribe(Hex("8181 0161 0166 00"), 119), "||a|f");  // the closing zero byte
  EXPECT_EQ(ParseAndDescribe(Hex("8100 0161"), 119), "|||");            // a zero second byte: empty
}

TEST(ZFileNameTest, ParseFailsWithoutReadingPastTheName) {
  for (int syntax : {-2, 3, 5, 6, 10, 118, 120}) EXPECT_EQ(ZFileName("a", syntax).Parse(), -1) << syntax;
  std::string within, beyond;
  for (int i = 0; i < 64; ++i) within += "a\\";
  beyond = within + "a\\";
  EXPECT_EQ(ZFileName(Z(within)).Parse(), 1);
  ZFileName tooMany(Z(beyond));
  std::ostringstream reported;
  LogFileRecord record{&reported, "messages.log"};
  LogFileRecord* const saved = DefaultLogFile;
  DefaultLogFile = &record;
  EXPECT_EQ(tooMany.Parse(), -1);
  DefaultLogFile = saved;
  EXPECT_NE(reported.str().find("FNAM-E-TOOMANYSEP, file name has more than 64 separators: " + beyond),
            std::string::npos)
      << reported.str();
  EXPECT_FALSE(tooMany.IsParsed());
  EXPECT_EQ(ZFileName(Z(std::string(65, '/')), 0).Parse(), -1);
  for (const char* hex :
       {"8181 05 61", "8181 0161", "8181 0161 0166 61", "0181 0161", "8101 0161", "9280 0161"})
    EXPECT_EQ(ZFileName(Z(Hex(hex)), 119).Parse(), -1) << hex;
}

struct SetCase {
  const char* name;
  int code;
  const char* text;
  int result;
  const char* after;
};

void ExpectSets(const std::vector<SetCase>& cases, int syntax) {
  for (const auto& c : cases) {
    ZFileName f(c.name, syntax);
    EXPECT_EQ(f.SetPart(c.code, c.text), c.result) << c.name << " code " << c.code << " '" << c.text << "'";
    EXPECT_EQ(f.GetName(), c.after) << c.name << " code " << c.code << " '" << c.text << "'";
  }
}

TEST(ZFileNameTest, SetPartUnderTheDriveSyntax) {
  std::vector<SetCase> cases = {
      {"C:\\a\\b\\f.x", 7, "c", 1, "C:\\a\\b\\c\\f.x"},
      {"C:\\a\\b\\c\\f.x", 7, "", 1, "C:\\a\\b\\f.x"},
      {"C:\\f.x", 8, "", 1, "C:\\f.x"},  // not the last element: unchanged, success
      {"C:\\f.x", 9, "", 1, "C:\\f"},
      {"C:\\f", 10, "", 0, "C:\\f"},       // further past the end: refused
      {"C:\\f.x", 10, "z", 1, "C:\\f.x"},  // element 2 is not written back here
      {"C:\\f", 1, "host", 1, "host::C:\\f"},
      {"host::C:\\f", 2, "pw", 1, "host\"pw\"::C:\\f"},
      {"host\"pw x\"::C:\\f", 3, "", 1, "host\"pw\"::C:\\f"},
      {"host::\\a\\f", 1, "", 1, "\\a\\f"},
      {"C:\\a\\f", 6, "", 1, "a\\f"},
      {"C:\\a\\f", 6, "D", 1, "D:\\a\\f"},
      {"C:\\a\\f", 11, "host.example.com", 1, "host.example.com::C:\\a\\f"},
      {"C:\\a\\f", 12, "D:", 1, "D:\\a\\f"},
      {"\\a\\f", 12, "D", 1, "D:\\a\\f"},
      {"C:\\a\\f", 13, "x\\y\\", 1, "C:\\x\\y\\f"},
      {"C:\\a\\f", 13, "x.y", 1, "C:\\x.y\\f"},
      {"C:\\a\\f", 14, "g.h", 1, "C:\\a\\g.h"},
      {"C:\\a\\f", 14, "x\\g", 1, "C:\\a\\g"},
      {"C:\\a\\", 15, "", 1, "C:\\"},
      {"C:\\", 15, "", 0, "C:\\"},  // the result would be empty
      {"", 15, "x", 0, ""},
      {"", 7, "usr", 1, "usr\\"},
      {"f", 8, "", 0, "f"},
      {"C:\\f", 0, "x", 0, "C:\\f"},
      {"C:\\f", 16, "x", 0, "C:\\f"},
      // Rooted names stay rooted.
      {"\\a\\f.x", 9, "y", 1, "\\a\\f.y"},
      {"/a/f.x", 9, "y", 1, "\\a\\f.y"},
      {"\\f", 8, "", 1, "\\"},
  };
  for (int syntax : kDriveSyntaxes) ExpectSets(cases, syntax);
}

TEST(ZFileNameTest, SetPartUnderTheNetworkSyntax) {
  ExpectSets(
      {
          {"\\\\srv\\share\\dir\\file.txt", 9, "log", 1, "\\\\srv\\share\\dir\\file.log"},
          {"\\\\srv\\share\\f", 1, "host", 1, "host::\\\\srv\\share\\f"},
          {"\\\\srv\\share\\f", 12, "\\\\other\\s", 1, "\\\\other\\s\\f"},
          {"\\\\srv\\share", 8, "f", 1, "\\\\srv\\share\\f"},
          {"C:\\a:b\\f", 9, "x", 1, "C:\\a:b\\f.x"},
          {"\\a\\f.x", 9, "y", 1, "\\a\\f.y"},
          {"a/b\\f", 7, "", 1, "f"},
      },
      8);
}

TEST(ZFileNameTest, SetPartUnderTheSlashSyntax) {
  std::vector<SetCase> cases = {
      {"", 7, "usr", 1, "/usr/"},
      {"", 8, "f", 1, "/f"},
      {"rel/f.x", 9, "y", 1, "rel/f.y"},
      {"host::x/f.x", 9, "y", 1, "host::x/f.y"},
      {"host::/x/f", 9, "y", 1, "host::/x/f.y"},
      {"/a/f", 7, "", 1, "/f"},
      {"/f", 8, "", 1, "/"},
      {"f", 8, "", 0, "f"},  // not rooted: an empty result is refused
      {"dev:/x/f", 9, "g", 1, "dev:/x/f.g"},
      {"dev:/x/f", 6, "", 1, "/x/f"},
      {"/a/f", 12, "D", 1, "D:/a/f"},
      {"/a:b/c", 9, "d", 1, "/a:b/c.d"},
      {"/a:b/c", 1, "t", 1, "t::/a:b/c"},
      {"/a:b/c", 12, "D", 1, "D:/a:b/c"},
      // A file whose colons are ordinary keeps the slash that makes them so.
      {"dev:/a:b", 9, "x", 1, "dev:/a:b.x"},
      {"/a:b", 12, "D", 1, "D:/a:b"},
  };
  for (int syntax : kSlashSyntaxes) ExpectSets(cases, syntax);
}

TEST(ZFileNameTest, SetPartUnderTheCountedSyntax) {
  struct Case {
    const char* name;
    int code;
    std::string text;
    int result;
    const char* after;
  } cases[] = {
      {"9181 04686f7374 0161 0166", 9, "x", 1, "9281 04686f7374 0161 0166 0178"},
      {"9281 04686f7374 0161 0166 0178", 10, "z", 1, "9381 04686f7374 0161 0166 0178 017a"},
      {"9381 04686f7374 0161 0166 0178 017a", 15, "q", 0, "9381 04686f7374 0161 0166 0178 017a"},
      {"9181 04686f7374 0161 0166", 7, "", 1, "9180 04686f7374 0166"},
      {"9181 04686f7374 0161 0166", 11, Hex("8180 0168"), 1, "9181 0168 0161 0166"},
      {"9181 04686f7374 0161 0166", 8, std::string(256, 'n'), 0, "9181 04686f7374 0161 0166"},
      {"", 8, "f", 1, "8180 0166"},
      {"8180 0166", 8, "", 1, "8080"},
  };
  for (const auto& c : cases) {
    ZFileName f(Z(Hex(c.name)), 119);
    EXPECT_EQ(f.SetPart(c.code, Z(c.text)), c.result) << c.name << " code " << c.code;
    EXPECT_EQ(std::string(f.GetName().view()), Hex(c.after)) << c.name << " code " << c.code;
  }
  std::string dirs = "81ff";  // 127 directories are the most the count byte holds
  for (int i = 0; i < 127; ++i) dirs += "0161";
  ZFileName full(Z(Hex(dirs + "0166")), 119);
  EXPECT_EQ(full.SetPart(7, "b"), 0);
}

TEST(ZFileNameTest, SetPartRefusesWhatWouldNotFitAndLeavesTheNameAlone) {
  const std::string name = std::string(4000, 'd') + "\\f";  // 4002 characters
  struct Case {
    int textLength, result;
  } cases[] = {{92, 1}, {93, 0}, {94, 0}, {5000, 0}};  // joined 4095 fits; 4096 does not
  for (const auto& c : cases) {
    ZFileName f(Z(name), 0);
    EXPECT_EQ(f.SetPart(7, Z(std::string(c.textLength, 'x'))), c.result) << c.textLength;
    if (c.result == 1) {
      EXPECT_EQ(f.GetName().Length(), 4095);
    } else {
      EXPECT_EQ(std::string(f.GetName().view()), name);
    }
  }
}

TEST(ZFileNameTest, SetPartRaisesWhenAsked) {
  auto raised = [](ZFileName& f, int code, const char* text) -> ZError* {
    try {
      f.SetPart(code, text, 1);
    } catch (ZError* e) {
      return e;
    }
    return nullptr;
  };
  ZFileName refused("C:\\f", 0);
  std::string many;
  for (int i = 0; i < 70; ++i) many += "a\\";
  ZFileName unparsable(Z(many), 0);
  for (ZFileName* f : {&refused, &unparsable}) {
    ZError* e = raised(*f, f == &refused ? 99 : 9, "x");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->facility, 40);
    EXPECT_EQ(e->code, 4352);
    EXPECT_EQ(e->hasText, 1);
    EXPECT_EQ(e->text, "ZFileName::SetPart");
    EXPECT_EQ(e->severity, "");
    delete e;
  }
  EXPECT_EQ(unparsable.SetPart(9, "x"), -1);
  ZFileName fine("C:\\f", 0);
  EXPECT_EQ(fine.SetPart(9, "x", 1), 1);
}

TEST(ZFileNameTest, ParsingIsLazyAndCopiesCarryTheTable) {
  ZFileName a("C:\\f.x", 0);
  EXPECT_FALSE(a.IsParsed());
  ASSERT_EQ(a.Parse(), 1);
  EXPECT_EQ(a.PartTable()->partsInUse, 4);
  ZFileName b;
  b = a;
  EXPECT_TRUE(b.IsParsed());
  EXPECT_EQ(b.GetName().c_str(), a.GetName().c_str());  // the text is shared
  EXPECT_EQ(b.ElementText(kFileNameFile, 1), "x");
  ZFileName c(a);
  EXPECT_EQ(Describe(Snapshot(c)), "|C||f,x");

  EXPECT_EQ(b.SetPart(9, "y"), 1);
  EXPECT_FALSE(b.IsParsed());  // the table is stale until the next parse
  EXPECT_EQ(b.ElementText(kFileNameFile, 1), "");
  EXPECT_EQ(a.GetName(), "C:\\f.x");
  EXPECT_EQ(b.Parse(), 1);
  EXPECT_EQ(b.ElementText(kFileNameFile, 1), "y");

  ZFileName unparsed("D:\\g", 0);
  b = unparsed;
  EXPECT_FALSE(b.IsParsed());
  EXPECT_EQ(b.GetName(), "D:\\g");
}

// Round trips: every name of the corpus, changed by every part code, parses again to the parts the
// change describes, and a rooted name stays rooted.
struct Entry {
  int syntax;
  std::string name;
};

std::vector<Entry> ReadCorpus() {
  std::ifstream in(std::string(LUMENRT_TEST_DATA_DIR) + "/filenames/corpus.txt");
  std::vector<Entry> corpus;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    auto tab = line.find('\t');
    if (tab == std::string::npos) continue;
    int syntax = std::stoi(line.substr(0, tab));
    std::string name = line.substr(tab + 1);
    corpus.push_back({syntax, syntax == 119 ? Hex(name) : name});
  }
  return corpus;
}

bool IsSeparator(int syntax, char c) {
  if (syntax == 2 || syntax == 9) return c == '/';
  if (syntax == 8) return c == '\\';
  return c == '\\' || c == '/';
}

bool Rooted(const std::string& name, int syntax, const Parts& parts) {
  const bool slash = syntax == 2 || syntax == 9;
  if (!parts[kFileNameDevice].empty()) return slash;
  if (slash && name.empty()) return true;
  size_t after = parts[kFileNameNode].empty() ? 0 : name.rfind("::") + 2;
  return after < name.size() && IsSeparator(syntax, name[after]);
}

// The parts after a change, or nothing when the change is refused.
std::optional<Parts> Expected(Parts parts, int code, const std::string& text, int syntax, bool rooted) {
  const bool setting = !text.empty();
  if (code >= 11 && code <= 14) {
    static const Parts kWhole = {{{"h"}, {"D"}, {"x"}, {"g", "h"}}};
    parts[code - 11] = setting ? kWhole[code - 11] : std::vector<std::string>{};
  } else {
    int part, index;
    if (code <= 5) {
      part = kFileNameNode, index = code - 1;
    } else if (code == 6) {
      part = kFileNameDevice, index = 0;
    } else if (code <= 10 && code != 7) {
      part = kFileNameFile, index = code - 8;
    } else {
      part = code == 7 ? kFileNameDirectory : -1;
      for (int p : {kFileNameFile, kFileNameDirectory, kFileNameDevice, kFileNameNode})
        if (part < 0 && !parts[p].empty()) part = p;
      if (part < 0) return std::nullopt;
      index = static_cast<int>(parts[part].size()) - (setting ? 0 : 1);
    }
    auto& elements = parts[part];
    const int count = static_cast<int>(elements.size());
    if (index > count) return std::nullopt;
    if (setting && index == count) elements.push_back(text);
    if (setting && index < count) elements[index] = text;
    if (!setting && count > 0 && index == count - 1) elements.pop_back();
  }
  if (syntax == 119) {
    if (parts[0].size() > 7 || parts[1].size() > 3 || parts[2].size() > 127 || parts[3].size() > 3)
      return std::nullopt;
    return parts;
  }
  if (parts[kFileNameFile].size() > 2) parts[kFileNameFile].resize(2);  // only name and extension are written
  bool empty = true;
  for (const auto& p : parts) empty = empty && p.empty();
  if (empty && !rooted) return std::nullopt;
  return parts;
}

TEST(ZFileNameTest, ChangesRoundTripOverTheCorpus) {
  const std::vector<Entry> corpus = ReadCorpus();
  ASSERT_GE(corpus.size(), 30u);
  for (const auto& entry : corpus) {
    ZFileName original(Z(entry.name), entry.syntax);
    ASSERT_EQ(original.Parse(), 1) << entry.name;
    const Parts before = Snapshot(original);
    const bool rooted = Rooted(entry.name, entry.syntax, before);
    for (int code = 1; code <= 15; ++code) {
      for (bool setting : {true, false}) {
        std::string text = setting ? "t" : "";
        if (setting && code >= 11 && code <= 14) {
          static const char* kText[] = {"h", "D", "x\\", "g.h"};
          static const char* kSlashText[] = {"h", "D", "x/", "g.h"};
          static const char* kCountedText[] = {"9080 0168", "8480 0144", "8081 0178", "8280 0167 0168"};
          const bool slash = entry.syntax == 2 || entry.syntax == 9;
          text = entry.syntax == 119 ? Hex(kCountedText[code - 11]) : (slash ? kSlashText : kText)[code - 11];
        }
        const std::string what = "'" + entry.name + "' syntax " + std::to_string(entry.syntax) + " code " +
                                 std::to_string(code) + (setting ? " set" : " remove");
        std::optional<Parts> expected = Expected(before, code, text, entry.syntax, rooted);
        ZFileName f(Z(entry.name), entry.syntax);
        const int result = f.SetPart(code, Z(text));
        const std::string after(f.GetName().view());
        if (!expected) {
          EXPECT_EQ(result, 0) << what;
          EXPECT_EQ(after, entry.name) << what;
          continue;
        }
        ASSERT_EQ(result, 1) << what;
        ASSERT_EQ(f.Parse(), 1) << what << " -> " << after;
        const Parts parts = Snapshot(f);
        EXPECT_EQ(Describe(parts), Describe(*expected)) << what << " -> " << after;
        if (entry.syntax != 119 && parts[kFileNameDevice].empty()) {
          EXPECT_EQ(Rooted(after, entry.syntax, parts), rooted) << what << " -> " << after;
        }
      }
    }
  }
}

}  // namespace

// Selection lists of both adapter families, built from the agent's configuration service.
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "lumenrt/core/zfilename.h"
#include "lumenrt/plugins/ifactory.h"
#include "lumenrt/plugins/iselection_list.h"
#include "lumenrt/plugins/plugin_exception.h"
#include "lumenrt/plugins/plugin_loading.h"

#include "plug_support.h"

namespace {

using plugtest::MapService;

struct Entry {
  std::int32_t kind, source;
  std::string name;
  int include;
  bool operator==(const Entry&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Entry& e) {
  return os << "{" << e.kind << "," << e.source << ",\"" << e.name << "\"," << e.include << "}";
}

// Everything the list hands out after a restart.
std::vector<Entry> Drain(Plugins::ISelectionList& list) {
  std::vector<Entry> entries;
  SelectionEntry buffer;
  for (bool restart = true; list.next(restart, &buffer); restart = false) {
    entries.push_back(
        {buffer.kind, buffer.source, std::string(buffer.name, ::strnlen(buffer.name, 260)), buffer.include});
  }
  return entries;
}

// The closing entry's name: an empty file name given the device $EXCH$ and the file END.
std::string ClosingName() {
  ZFileName name;
  name.SetPart(12, "$EXCH$");
  name.SetPart(14, "END");
  return name.GetName().c_str();
}

std::string PluginError(Plugins::ISelectionList& list) {
  try {
    Drain(list);
  } catch (const Plugins::PluginException& e) {
    EXPECT_EQ(e.code, 1);
    return e.message;
  }
  return "";
}

struct Family {
  int kind;
  int backupKey, restoreKey, source;
  bool closing;
  const char* className;
};
const Family kFamilies[] = {
    {0, 1031, 2026, 0, true, "ExchSelectionListImpl"},
    {1, 1039, 2031, 1, false, "MapiSelectionListImpl"},
};

TEST(SelectionList, ValuesAreSplitTrimmedUnquotedAndUnescaped) {
  const std::string s259(259, 'n'), s260(260, 'm');
  struct Row {
    std::string value;
    std::vector<std::string> names;
  };
  const std::vector<Row> rows = {
      {"a, \"b\" ,^2cx", {"a", "b", ",x"}},
      {"", {}},
      {" \t \r\n", {}},
      {"\"", {}},
      {"a,\",b", {"a", "b"}},
      {",,  ,x,", {"x"}},
      {"\"quoted, no\"", {"quote", "no\""}},  // a comma inside quotes still splits
      {"\"\"", {}},
      {"\"ab", {"a"}},
      {"first  \t", {"first"}},
      {"^41^4", {"A^4"}},
      {"^00z", {"^00z"}},
      {s259, {s259}},
      {s260, {s260.substr(0, 259)}},
      {s260 + "," + s260 + ",tail", {s260.substr(0, 259), s260.substr(0, 259), "tail"}},
  };
  for (const Family& f : kFamilies) {
    Plugins::IFactory* factory = lumenrt::BuiltInFactory(f.kind);
    ASSERT_NE(factory, nullptr);
    for (const auto& row : rows) {
      for (int token : {0, 1}) {
        MapService service({{token == 0 ? f.backupKey : f.restoreKey, row.value}, {9999, "elsewhere"}});
        Plugins::ISelectionList* list = factory->createSelectionList();
        list->setup(token, &service, 0);
        std::vector<Entry> expected;
        for (const auto& name : row.names) expected.push_back({3, f.source, name, 1});
        if (f.closing && !expected.empty()) expected.push_back({3, f.source, ClosingName(), 0});
        EXPECT_EQ(Drain(*list), expected)
            << f.className << " token " << token << " value [" << row.value << "]";
        factory->releaseSelectionList(list);
      }
    }
  }
}

TEST(SelectionList, TheClosingEntryNamesTheExchangeEndMarker) { EXPECT_EQ(ClosingName(), "$EXCH$:\\END"); }

TEST(SelectionList, LongValuesAreReadWholeByAskingTheServiceAgain) {
  struct Row {
    std::size_t length;
    std::vector<std::int32_t> capacities;
  };
  // A value of 259 characters fits the first 260-byte buffer with its terminator; 260 does not.
  for (const Row& row : {Row{259, {260}}, Row{260, {260, 261}}, Row{1000, {260, 1001}}}) {
    std::string value = "first," + std::string(row.length - 11, 'x') + ",last";
    ASSERT_EQ(value.size(), row.length);
    MapService service({{1039, value}});
    Plugins::ISelectionList* list = lumenrt::BuiltInFactory(1)->createSelectionList();
    list->setup(0, &service, 0);
    std::vector<Entry> entries = Drain(*list);
    EXPECT_EQ(service.Capacities(), row.capacities) << row.length;
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries.back().name, "last");
    lumenrt::BuiltInFactory(1)->releaseSelectionList(list);
  }
}

TEST(SelectionList, TokenTypesAndMissingServices) {
  MapService service({{1031, "a"}, {2026, "b"}, {1039, "c"}, {2031, "d"}});
  struct Row {
    std::int32_t token;
    bool setup, withService;
    std::size_t entries;  // exch; mapi has one fewer
    std::string error;    // with "#" for the class name
  };
  const std::vector<Row> rows = {
      {0, true, true, 2, ""},
      {1, true, true, 2, ""},
      {2, true, true, 0, ""},
      {3, true, false, 0, ""},
      {5, true, true, 0, "#.initialize: Bad token type."},
      {-1, true, true, 0, "#.initialize: Bad token type."},
      {4, false, false, 0, "#.initialize: Bad token type."},  // never set up
      {0, true, false, 0, "#.initialize: No ICfgService interface."},
      {1, true, false, 0, "#.initialize: No ICfgService interface."},
  };
  for (const Family& f : kFamilies) {
    for (const auto& row : rows) {
      Plugins::ISelectionList* list = lumenrt::BuiltInFactory(f.kind)->createSelectionList();
      if (row.setup) list->setup(row.token, row.withService ? &service : nullptr, 7);
      std::string expected = row.error;
      if (!expected.empty()) expected.replace(0, 1, f.className);
      EXPECT_EQ(PluginError(*list), expected) << f.className << " token " << row.token;
      std::size_t want = row.entries == 0 || f.closing ? row.entries : row.entries - 1;
      if (row.error.empty()) {
        EXPECT_EQ(Drain(*list).size(), want) << f.className << " token " << row.token;
      }
      SelectionEntry buffer;
      EXPECT_FALSE(list->next(false, &buffer));  // a failed rebuild leaves the list empty, or at its end
      lumenrt::BuiltInFactory(f.kind)->releaseSelectionList(list);
    }
  }
}

TEST(SelectionList, NextWithoutRestartContinuesAndRestartRewinds) {
  MapService service({{1039, "x,y"}});
  Plugins::ISelectionList* list = lumenrt::BuiltInFactory(1)->createSelectionList();
  SelectionEntry buffer;
  std::memset(&buffer, 0xEE, sizeof buffer);
  EXPECT_FALSE(list->next(false, &buffer));  // empty until the first restart
  list->setup(0, &service, 0);
  ASSERT_TRUE(list->next(true, &buffer));
  EXPECT_STREQ(buffer.name, "x");
  EXPECT_EQ(buffer.unused[0], 0);  // the whole 272-byte record is copied
  ASSERT_TRUE(list->next(false, &buffer));
  EXPECT_STREQ(buffer.name, "y");
  EXPECT_FALSE(list->next(false, &buffer));
  ASSERT_TRUE(list->next(true, &buffer));
  EXPECT_STREQ(buffer.name, "x");
  EXPECT_EQ(service.Capacities().size(), 2u);  // read again on each restart
  lumenrt::BuiltInFactory(1)->releaseSelectionList(list);
}

}  // namespace

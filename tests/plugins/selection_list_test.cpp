// Selection lists of both adapter families, built from the agent's configuration service.
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <gtest/gtest.h>

// The selection list's memory test counts what operator new hands out, with a replacement of its
// own. Not on Windows, where the library's DLL keeps its own operator new, nor under the sanitizers,
// whose runtimes bring theirs.
#if defined(_WIN32) || defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define LUMENRT_COUNT_HEAP 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define LUMENRT_COUNT_HEAP 0
#else
#define LUMENRT_COUNT_HEAP 1
#endif
#else
#define LUMENRT_COUNT_HEAP 1
#endif

#if LUMENRT_COUNT_HEAP
#include <malloc.h>
#endif

#include "lumenrt/core/zfilename.h"
#include "lumenrt/plugins/ifactory.h"
#include "lumenrt/plugins/iselection_list.h"
#include "lumenrt/plugins/plugin_exception.h"
#include "lumenrt/plugins/plugin_loading.h"

#include "plug_support.h"

#if LUMENRT_COUNT_HEAP
// The bytes this process holds through operator new, and the most it held since the last reset
// (malloc_usable_size measures each block the same way on allocation and release). The library's
// allocations come here too.
namespace heap {
std::atomic<std::int64_t> live{0}, peak{0};
void Add(void* p) {
  const auto n = static_cast<std::int64_t>(malloc_usable_size(p));
  const std::int64_t now = live.fetch_add(n) + n;
  for (std::int64_t seen = peak.load(); now > seen && !peak.compare_exchange_weak(seen, now);) {
  }
}
}  // namespace heap

void* operator new(std::size_t size) {
  void* p = std::malloc(size != 0 ? size : 1);
  if (p == nullptr) throw std::bad_alloc();
  heap::Add(p);
  return p;
}
void operator delete(void* p) noexcept {
  if (p == nullptr) return;
  heap::live.fetch_sub(static_cast<std::int64_t>(malloc_usable_size(p)));
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
#endif

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

#if LUMENRT_COUNT_HEAP
// A service that hands out one value without copying it.
class OneValueService : public ICfgService {
 public:
  explicit OneValueService(const std::string& value) : value_(value) {}
  std::int32_t getValue(std::int32_t, char* buffer, std::int32_t* length) override {
    const auto n = std::min(value_.size(), static_cast<std::size_t>(*length - 1));
    std::memcpy(buffer, value_.data(), n);
    buffer[n] = '\0';
    *length = static_cast<std::int32_t>(value_.size()) + 1;
    return 1;
  }

 private:
  const std::string& value_;
};

TEST(SelectionList, BuildingCostsUnderSixteenTimesTheValuesSize) {
  std::string oneLetterNames;  // the most entries a megabyte can give: 524288 of them
  for (int i = 0; i < 1 << 19; ++i) oneLetterNames += "a,";
  std::string oneLongName(1 << 20, 'x');
  for (const Family& f : kFamilies) {
    for (std::string* value : {&oneLetterNames, &oneLongName}) {
      OneValueService service(*value);
      Plugins::IFactory* factory = lumenrt::BuiltInFactory(f.kind);
      Plugins::ISelectionList* list = factory->createSelectionList();
      list->setup(0, &service, 0);
      SelectionEntry entry;
      const std::int64_t before = heap::live.load();
      heap::peak = before;
      ASSERT_TRUE(list->next(true, &entry));
      const double peak =
          static_cast<double>(heap::peak.load() - before) / static_cast<double>(value->size());
      const double kept =
          static_cast<double>(heap::live.load() - before) / static_cast<double>(value->size());
      EXPECT_LT(peak, 16) << f.className << " " << value->size();
      EXPECT_LT(kept, 16) << f.className << " " << value->size();
      std::size_t entries = 1;
      while (list->next(false, &entry)) ++entries;
      EXPECT_EQ(entries, (value == &oneLongName ? 1 : 1u << 19) + (f.closing ? 1 : 0));
      factory->releaseSelectionList(list);
    }
  }
}

#endif

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

// The Exchange forwarders against entry points of this test put into ExchEntryTable directly (the
// adapters' tests in tests/plugins reach the forwarders only through a loaded module and the
// Plugins interfaces, which never send dispatch request 20).
#include "lumenrt/plugins/exch/internal/exch_forwarders.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "lumenrt/core/zarray.h"
#include "lumenrt/platform/debug_output.h"
#include "lumenrt/plugins/exch/internal/exch_entry_fill.h"

namespace {

using Strings = std::vector<std::string>;

Strings calls;
ZArray logList(0, 0, 0);  // an empty list of log errors

std::int32_t LUMENRT_STDCALL Dispatch(std::int32_t request, Plugins::Word, Plugins::Word, Plugins::Word,
                                      Plugins::Word, Plugins::Word) {
  calls.push_back("dispatch " + std::to_string(request));
  return 7;
}
std::int32_t LUMENRT_STDCALL GetLogObjects(Plugins::Word context, ZArray** list) {
  calls.push_back("get " + std::to_string(context));
  *list = &logList;
  return 1;
}
std::int32_t LUMENRT_STDCALL ClearLogObjects(Plugins::Word context) {
  calls.push_back("clear " + std::to_string(context));
  return 1;
}

class ExchForwarders : public ::testing::Test {
 protected:
  void SetUp() override {
    calls.clear();
    ExchEntryTable.slots[lumenrt::kExchDispatch] = reinterpret_cast<void*>(&Dispatch);
    ExchEntryTable.slots[lumenrt::kExchGetLogObjects] = reinterpret_cast<void*>(&GetLogObjects);
    ExchEntryTable.slots[lumenrt::kExchClearLogObjects] = reinterpret_cast<void*>(&ClearLogObjects);
    previous_ = lumenrt::SetDebugOutputSink([this](const char* text) { trace_.emplace_back(text); });
  }
  void TearDown() override {
    lumenrt::SetDebugOutputSink(previous_);
    lumenrt::ClearExchEntryTable();
  }

  Strings trace_;
  lumenrt::DebugOutputSink previous_;
};

TEST_F(ExchForwarders, DispatchRequest20CollectsTheLogWithContext0AndNeverReachesTheModulesDispatch) {
  EXPECT_EQ(lumenrt::ForwardExchDispatch(lumenrt::kExchLogRequest, 1, 2, 3, 4, 5), 1);
  EXPECT_EQ(calls, (Strings{"get 0", "clear 0"}));
  EXPECT_EQ(trace_, (Strings{"interface: exch_dispatch\n", "interface: exch_get_log_objects\n",
                             "interface: exch_clear_log_objects\n"}));

  calls.clear();
  EXPECT_EQ(lumenrt::ForwardExchDispatch(lumenrt::kExchQueryRequest, 1, 2, 3, 4, 5), 7);
  EXPECT_EQ(calls, Strings{"dispatch 2"});
}

}  // namespace

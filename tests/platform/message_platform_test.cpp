// System error texts and the debug output.
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "lumenrt/platform/debug_output.h"
#include "lumenrt/platform/system_error.h"

#include "support/system_text.h"

namespace {

TEST(SystemErrorEnvTest, DefaultGivesTheSystemTextOrNothing) {
  auto& env = lumenrt::platform::SystemErrorTexts();
  char text[256];
  EXPECT_EQ(env.SystemText(ENOENT, text, sizeof text),
            static_cast<int>(lumenrt::test::SystemErrorString(ENOENT).size()));
  EXPECT_EQ(text, lumenrt::test::SystemErrorString(ENOENT));
  const int unknown[] = {99999, -5, 0x7FFFFFFF};
  for (int code : unknown) {
    EXPECT_EQ(env.SystemText(code, text, sizeof text), 0) << code;
    EXPECT_STREQ(text, "");
  }
  char small[5];
  EXPECT_EQ(env.SystemText(ENOENT, small, sizeof small), 4);
  EXPECT_EQ(std::string(small), lumenrt::test::SystemErrorString(ENOENT).substr(0, 4));
}

TEST(DebugOutputTest, GoesNowhereUntilASinkIsInstalled) {
  lumenrt::WriteDebugOutput("nowhere\n");  // no sink: nothing happens
  std::vector<std::string> seen;
  auto previous = lumenrt::SetDebugOutputSink([&seen](const char* text) { seen.emplace_back(text); });
  EXPECT_FALSE(previous);
  lumenrt::WriteDebugOutput("interface: exch_set_backup_options\n");
  lumenrt::WriteDebugOutput(nullptr);
  EXPECT_EQ(seen, std::vector<std::string>{"interface: exch_set_backup_options\n"});

  auto mine = lumenrt::SetDebugOutputSink(nullptr);
  EXPECT_TRUE(mine);
  lumenrt::WriteDebugOutput("after\n");
  EXPECT_EQ(seen.size(), 1u);
}

}  // namespace

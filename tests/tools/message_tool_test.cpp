// The lumenrt message command.
#include <array>
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "support/run_tool.h"

namespace {

// The message command with its arguments; standard error follows standard output.
using lumenrt::test::ToolRun;

ToolRun Tool(const std::string& arguments) {
  auto run = lumenrt::test::RunToolCommand("message " + arguments);
  run.out += run.err;
  return run;
}

TEST(MessageCommandTest, PrintsTheFormattedLineOrRefusesBadNumbers) {
  const std::string data = LUMENRT_TEST_DATA_DIR "/messages/";
  const struct {
    std::string arguments;
    int status;
    std::string out;  // whole output, or for failures a part of it
  } cases[] = {
      {"43 4101 'disk full'", 0, "SYST-E-SYSERR, system error: disk full\n"},
      {"75 4109 300", 0, "ZSTR-F-NOMEMORY, unable to allocate 300 bytes of memory\n"},
      {"201 4314 5.00 --severity W", 0, "EXMA-W-VERSION, version 5.00\n"},
      {"1 9999", 1, "Unable to load string #9999\n"},  // none: the answer is the library's fallback
      {"1 20001 7 --catalogue " + data + "agent.msg", 0, "AGNT-W-RETRY, retrying after 7 seconds\n"},
      {"43 0x4E25 255 --catalogue " + data + "agent.msg", 0,
       "SYST-E-HEXID, hexadecimal identifier 000000FF\n"},
      {"agnt 4101 x", 0, "AGNT-E-SYSERR, system error: x\n"},  // a code, in any letter case
      {"PmGr 4101 x", 0, "PMGR-E-SYSERR, system error: x\n"},
      {"'RSM ' 4101 x", 0, "RSM -E-SYSERR, system error: x\n"},
      {"AGN 4101", 2, "unknown facility code 'AGN'"},
      {"x 4101", 2, "unknown facility code 'x'"},
      {"99999999999 4101", 2, "bad facility number '99999999999'"},
      {"43 -1", 2, "bad message number '-1'"},
      {"43 4294967296", 2, "bad message number"},
      {"75 4109 many", 2, "message 4109 takes a number, not 'many'"},
      {"43", 2, "expected FACILITY NUMBER"},
      {"43 4101 --severity Q", 2, "bad severity 'Q'"},
      {"43 4101 --catalogue " + data + "hostile_n.msg", 2,
       "hostile_n.msg:2: message 20001: conversion \"%n\""},
  };
  for (const auto& c : cases) {
    ToolRun run = Tool(c.arguments);
    EXPECT_EQ(run.exit, c.status) << c.arguments << "\n" << run.out;
    if (c.status != 2) {
      EXPECT_EQ(run.out, c.out) << c.arguments;
    } else {
      EXPECT_NE(run.out.find("lumenrt: "), std::string::npos) << run.out;
      EXPECT_NE(run.out.find(c.out), std::string::npos) << c.arguments << "\n" << run.out;
    }
  }
}

}  // namespace

// Test support for the registry store and its users: a private temporary store per test, captured
// library messages, and running the built tool.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "lumenrt/core/message_catalogue.h"

#include "tools/run_tool.h"

namespace lumenrt::testing {

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// A fresh directory, removed with everything in it at the end.
class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/lumenrt-test-XXXXXX";
    path_ = mkdtemp(pattern);
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Points LUMENRT_REGISTRY at a store file of its own (not yet created) for its lifetime.
class ScopedRegistry {
 public:
  ScopedRegistry() : file_(dir_ / "registry.db") {
    if (const char* old = std::getenv("LUMENRT_REGISTRY")) old_ = old, hadOld_ = true;
    setenv("LUMENRT_REGISTRY", file_.c_str(), 1);
  }
  ~ScopedRegistry() { hadOld_ ? setenv("LUMENRT_REGISTRY", old_.c_str(), 1) : unsetenv("LUMENRT_REGISTRY"); }
  const std::string& file() const { return file_; }

 private:
  TempDir dir_;
  std::string file_, old_;
  bool hadOld_ = false;
};

// True when the message catalogue formats and routes messages (the catalogue's placeholder writes
// every message to standard error whatever the sink).
inline bool CatalogueIsLive() {
  char buffer[2048] = "";
  MessageSink sink;
  sink.textBuffer = buffer;
  sink.textCapacity = sizeof buffer;
  ::testing::internal::CaptureStderr();
  ReportMessage(&sink, 43, 4320, "probe");
  ::testing::internal::GetCapturedStderr();
  return buffer[0] != '\0';
}

// Collects the messages reported to the default sink (sent to standard error) as lines.
class MessageCapture {
 public:
  MessageCapture() : saved_(DefaultLogFile) {
    DefaultLogFile = &record_;
    ::testing::internal::CaptureStderr();
  }
  ~MessageCapture() {
    if (!stopped_) Lines();
    DefaultLogFile = saved_;
  }
  std::vector<std::string> Lines() {
    if (!stopped_) {
      std::istringstream in(::testing::internal::GetCapturedStderr());
      for (std::string line; std::getline(in, line);) lines_.push_back(line);
      stopped_ = true;
    }
    return lines_;
  }

 private:
  LogFileRecord record_{&std::cerr, "standard error"};
  LogFileRecord* saved_;
  std::vector<std::string> lines_;
  bool stopped_ = false;
};

using lumenrt::test::RunTool;
using lumenrt::test::ToolRun;

// Runs body in a child process that may not write the store file: as root the child becomes the
// unprivileged user 65534, otherwise the file is made read-only. Returns the child's exit code.
template <typename Body>
int RunWithReadOnlyStore(const std::string& storeFile, Body body) {
  std::cout.flush();
  const pid_t pid = fork();
  if (pid == 0) {
    if (geteuid() == 0) {
      // The user must still reach the store: open the temporary directory for reading.
      chmod(std::filesystem::path(storeFile).parent_path().c_str(), 0755);
      if (setgid(65534) != 0 || setuid(65534) != 0) _exit(125);
    } else if (chmod(storeFile.c_str(), 0444) != 0) {
      _exit(125);
    }
    _exit(body());
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace lumenrt::testing

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

#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "lumenrt/core/message_catalogue.h"
#include "lumenrt/platform/internal/registry_store_sqlite.h"
#include "lumenrt/platform/registry_store.h"

#include "support/environment.h"
#include "support/run_tool.h"
#include "support/scratch_dir.h"

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

using lumenrt::test::SetEnvironment;
using lumenrt::test::UnsetEnvironment;

// A fresh directory, removed with everything in it at the end.
using TempDir = lumenrt::test::ScratchDir;

// Points the registry store at a file of its own (not yet created) for its lifetime, through
// SetRegistryStorePath. The tool that a test runs is another process: it finds the same file through
// $LUMENRT_REGISTRY, which is set for it as well.
class ScopedRegistry {
 public:
  ScopedRegistry() : file_(dir_ / "registry.db"), oldPath_(platform::SetRegistryStorePathValue()) {
    if (const char* old = std::getenv("LUMENRT_REGISTRY")) oldEnv_ = old, hadOldEnv_ = true;
    platform::SetRegistryStorePath(file_.c_str());
    SetEnvironment("LUMENRT_REGISTRY", file_.c_str());
  }
  ~ScopedRegistry() {
    platform::SetRegistryStorePath(oldPath_.c_str());
    hadOldEnv_ ? SetEnvironment("LUMENRT_REGISTRY", oldEnv_.c_str()) : UnsetEnvironment("LUMENRT_REGISTRY");
  }
  const std::string& file() const { return file_; }

 private:
  TempDir dir_;
  std::string file_, oldPath_, oldEnv_;
  bool hadOldEnv_ = false;
};

// Closes this process's connection to the store (the next call opens it again), so that the
// store's journal and the journal's index go with it.
inline void CloseStoreConnection() {
  const std::string path = platform::SetRegistryStorePathValue();
  platform::SetRegistryStorePath("/nonexistent/lumenrt-registry.db");
  platform::RegistryOpenKey("K");
  platform::SetRegistryStorePath(path.c_str());
}

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

#ifndef _WIN32
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
#endif

}  // namespace lumenrt::testing

// Test support for the plug-in adapter suites: the recording modules, configuration files loaded
// into real sources, and captures of the debug output and of the default message destination.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "lumenrt/config/config_file.h"
#include "lumenrt/config/config_source.h"
#include "lumenrt/config/lookups.h"
#include "lumenrt/core/message_catalogue.h"
#include "lumenrt/platform/debug_output.h"
#include "lumenrt/platform/module_loader.h"
#include "lumenrt/plugins/cfg_service.h"

#include "recording_module.h"

namespace plugtest {

struct Call {
  std::string name;
  std::vector<std::pair<std::string, std::string>> args;  // name, value

  std::vector<std::string> Values() const {
    std::vector<std::string> v;
    for (const auto& a : args) v.push_back(a.second);
    return v;
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> v;
    for (const auto& a : args) v.push_back(a.first);
    return v;
  }
};

// The record and answers of a recording module that the library has loaded: the module is opened a
// second time (the loader shares it) to reach its rec_* functions.
class Recording {
 public:
  explicit Recording(const char* path) : module_(lumenrt::platform::LoadModule(path)) {
    EXPECT_NE(module_, nullptr) << path;
  }
  ~Recording() { lumenrt::platform::ReleaseModule(module_); }
  Recording(const Recording&) = delete;
  Recording& operator=(const Recording&) = delete;

  template <typename Fn>
  Fn Get(const char* name) const {
    auto fn = reinterpret_cast<Fn>(lumenrt::platform::FindSymbol(module_, name));
    EXPECT_NE(fn, nullptr) << name;
    return fn;
  }

  void Reset() const { Get<RecResetFn>("rec_reset")(); }
  std::vector<Call> Calls() const {
    std::vector<Call> calls;
    int n = Get<RecCallCountFn>("rec_call_count")();
    for (int i = 0; i < n; ++i) {
      Call c{Get<RecCallNameFn>("rec_call_name")(i), {}};
      int args = Get<RecArgCountFn>("rec_arg_count")(i);
      for (int j = 0; j < args; ++j) {
        c.args.emplace_back(Get<RecArgNameFn>("rec_arg_name")(i, j),
                            Get<RecArgValueFn>("rec_arg_value")(i, j));
      }
      calls.push_back(std::move(c));
    }
    return calls;
  }
  std::vector<std::string> CallNames() const {
    std::vector<std::string> names;
    for (const auto& c : Calls()) names.push_back(c.name);
    return names;
  }
  void SetResult(const char* entry, long long value) const {
    Get<RecSetResultFn>("rec_set_result")(entry, value);
  }
  void SetNullAccess(bool on) const { Get<RecSetFlagFn>("rec_set_null_access")(on ? 1 : 0); }
  void SetQueryText(const char* text) const { Get<RecSetTextFn>("rec_set_query_text")(text); }
  void AddLogError(int facility, int code, const char* text) const {
    Get<RecAddLogErrorFn>("rec_add_log_error")(facility, code, text);
  }
  void SetLogGrowth(int count) const { Get<RecSetLogGrowthFn>("rec_set_log_growth")(count); }

 private:
  ModuleHandle module_;
};

// Collects every text written to the debug output while it lives.
class TraceCapture {
 public:
  TraceCapture() {
    previous_ = lumenrt::SetDebugOutputSink([this](const char* text) { lines_.emplace_back(text); });
  }
  ~TraceCapture() { lumenrt::SetDebugOutputSink(previous_); }
  const std::vector<std::string>& Lines() const { return lines_; }
  void Clear() { lines_.clear(); }

 private:
  std::vector<std::string> lines_;
  lumenrt::DebugOutputSink previous_;
};

// Makes the default message destination a string stream while it lives.
class LogCapture {
 public:
  LogCapture() : record_{&stream_, "capture.log"} {
    previous_ = DefaultLogFile;
    DefaultLogFile = &record_;
  }
  ~LogCapture() { DefaultLogFile = previous_; }
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    std::istringstream in(stream_.str());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

 private:
  std::ostringstream stream_;
  LogFileRecord record_;
  LogFileRecord* previous_;
};

// Configuration sources loaded from NAME = VALUE files and installed in slots 1 to 4, in the order
// given; every slot is emptied again (and the files removed) when the object goes.
class Configuration {
 public:
  explicit Configuration(const std::vector<std::string>& fileTexts) {
    for (int slot = 1; slot <= 4; ++slot) RemoveConfigSource(slot);
    int slot = 1;
    for (const auto& text : fileTexts) {
      auto path = std::filesystem::temp_directory_path() /
                  ("plug-cfg-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++) + ".qxc");
      std::ofstream(path) << text;
      paths_.push_back(path);
      sources_.push_back(std::make_unique<ConfigSource>(1u, 105));
      std::vector<lumenrt::ConfigFileProblem> problems;
      lumenrt::LoadConfigFile(path.string(), *sources_.back(), problems);
      for (const auto& p : problems) ADD_FAILURE() << "line " << p.line << ": " << p.message;
      InstallConfigSource(slot++, sources_.back().get());
    }
  }
  ~Configuration() {
    for (int slot = 1; slot <= 4; ++slot) RemoveConfigSource(slot);
    for (const auto& p : paths_) std::filesystem::remove(p);
  }
  Configuration(const Configuration&) = delete;
  Configuration& operator=(const Configuration&) = delete;

 private:
  static inline int counter_ = 0;
  std::vector<std::filesystem::path> paths_;
  std::vector<std::unique_ptr<ConfigSource>> sources_;
};

// A Global.qxc-style file whose plug-in section n names the mailbox module.
inline std::string MapiSection(int n, const std::string& extra = "") {
  std::string p = "Plugin" + std::to_string(n);
  return "#" + p + "\n" + p + ".Code = EXCHMAPI\n" + p + ".Name = Mailboxes\n" + extra;
}

// The agent's configuration service over a key -> value map, following the getValue contract: it
// copies what fits, terminated, and reports the size the whole value needs.
class MapService : public ICfgService {
 public:
  explicit MapService(std::map<int, std::string> values) : values_(std::move(values)) {}
  std::int32_t getValue(std::int32_t key, char* buffer, std::int32_t* length) override {
    capacities_.push_back(*length);
    auto it = values_.find(key);
    std::string value = it != values_.end() ? it->second : std::string();
    std::int32_t capacity = *length;
    if (capacity > 0) {
      std::size_t n = std::min(value.size(), static_cast<std::size_t>(capacity - 1));
      value.copy(buffer, n);
      buffer[n] = '\0';
    }
    *length = static_cast<std::int32_t>(value.size()) + 1;
    return 1;
  }
  const std::vector<std::int32_t>& Capacities() const { return capacities_; }

 private:
  std::map<int, std::string> values_;
  std::vector<std::int32_t> capacities_;
};

}  // namespace plugtest

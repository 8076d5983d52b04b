// A scratch directory for one test: a fresh directory under the system's temporary directory, named
// "<prefix>-XXXXXX", removed with everything in it at the end (entries the test made unreadable or
// unwritable included: their owner's access is given back first).
//
// When the directory cannot be made, path() is empty and the test fails with a clear message.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include <gtest/gtest.h>
#ifdef _WIN32
#include <atomic>

#include <process.h>
#endif

namespace lumenrt::test {

class ScratchDir {
 public:
  explicit ScratchDir(const std::string& prefix = "lumenrt-test") {
#ifdef _WIN32
    // No mkdtemp: a name of this process's own, tried until one is new.
    static std::atomic<unsigned> counter{0};
    std::error_code error;
    const auto base = std::filesystem::temp_directory_path(error);
    for (int attempt = 0; attempt < 1000 && path_.empty() && !error; ++attempt) {
      const auto candidate =
          base / (prefix + "-" + std::to_string(_getpid()) + "-" + std::to_string(counter++));
      if (std::filesystem::create_directory(candidate, error)) path_ = candidate.string();
    }
    if (path_.empty()) ADD_FAILURE() << "cannot make a scratch directory under " << base.string();
#else
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) != nullptr) {
      path_ = pattern;
    } else {
      ADD_FAILURE() << "cannot make a scratch directory from " << pattern;
    }
#endif
  }
  ~ScratchDir() {
    if (path_.empty()) return;
    namespace fs = std::filesystem;
    std::error_code ignored;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
    for (auto& e : fs::recursive_directory_iterator(path_, ignored))
      fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add | fs::perm_options::nofollow,
                      ignored);
    fs::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace lumenrt::test

// A file service for tests that fails on request: a chosen write, a chosen flush, a short write, or
// every open. Everything else (locks and truncation included) goes to the system's file service, so
// the files are real.
//
// Calls are counted from 1 across all files since the substitute was installed (or Reset); a write
// or flush counts whether it fails or not. `ScopedFaultyFiles` installs the substitute for its
// lifetime and puts back the one before it.
//
// Not thread-safe: one test thread uses it at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "lumenrt/platform/file_service.h"

namespace lumenrt::test {

class FaultyFiles : public platform::FileService {
 public:
  // Which calls fail (0: none).
  int failWriteAt = 0;     // this write writes nothing
  int shortWriteAt = 0;    // this write writes half of what it is given (rounded down)
  int failFlushAt = 0;     // this flush fails (what was written stays unflushed in the stream)
  bool failOpens = false;  // every Open fails with EACCES

  // What happened so far.
  int writes = 0;
  int flushes = 0;
  int opens = 0;
  int reads = 0;
  std::vector<std::string> openedPaths;

  void Reset() {
    failWriteAt = shortWriteAt = failFlushAt = 0;
    failOpens = false;
    writes = flushes = opens = reads = 0;
    openedPaths.clear();
  }

  platform::FileHandle Open(const char* path, platform::FileOpenMode mode, int* error) override {
    ++opens;
    if (path != nullptr) openedPaths.emplace_back(path);
    if (failOpens) {
      if (error != nullptr) *error = 13;  // EACCES
      return nullptr;
    }
    return System().Open(path, mode, error);
  }
  platform::FileHandle StandardOutput() override { return System().StandardOutput(); }
  std::size_t Write(platform::FileHandle file, const void* data, std::size_t size) override {
    ++writes;
    if (writes == failWriteAt) return 0;
    if (writes == shortWriteAt) size /= 2;
    return System().Write(file, data, size);
  }
  bool Flush(platform::FileHandle file) override {
    ++flushes;
    if (flushes == failFlushAt) return false;
    return System().Flush(file);
  }
  std::int64_t Size(platform::FileHandle file) override { return System().Size(file); }
  std::int64_t StoredSize(platform::FileHandle file) override { return System().StoredSize(file); }
  bool Lock(platform::FileHandle file) override { return System().Lock(file); }
  bool LockNoticingOthers(platform::FileHandle file, bool* othersSince) override {
    return System().LockNoticingOthers(file, othersSince);
  }
  void Unlock(platform::FileHandle file) override { System().Unlock(file); }
  bool Truncate(platform::FileHandle file, std::int64_t size) override {
    return System().Truncate(file, size);
  }
  bool Examine(const char* path, std::int64_t* modifiedNs, std::int64_t* size) override {
    return System().Examine(path, modifiedNs, size);
  }
  bool Close(platform::FileHandle file) override { return System().Close(file); }
  platform::FileReadStatus ReadWholeFile(const char* path, std::size_t limit, std::string* contents,
                                         int* error) override {
    ++reads;
    return System().ReadWholeFile(path, limit, contents, error);
  }

 private:
  static platform::FileService& System() { return platform::SystemFileService(); }
};

// Installs a FaultyFiles for its lifetime.
class ScopedFaultyFiles : public FaultyFiles {
 public:
  ScopedFaultyFiles() : previous_(platform::SubstituteFileService(this)) {}
  ~ScopedFaultyFiles() override { platform::SubstituteFileService(previous_); }
  ScopedFaultyFiles(const ScopedFaultyFiles&) = delete;
  ScopedFaultyFiles& operator=(const ScopedFaultyFiles&) = delete;

 private:
  platform::FileService* previous_;
};

}  // namespace lumenrt::test

// A scratch directory for the Windows tests: a fresh directory under the system's temporary
// directory, removed with everything in it at the end (read-only marks cleared, links removed as
// links, through the shell-free wide functions so that long and non-ANSI names go too).
#pragma once

#include <atomic>
#include <string>

#include <gtest/gtest.h>
#include <windows.h>

namespace lumenrt::test {

inline void RemoveAllW(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    DeleteFileW(path.c_str());
    return;
  }
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") RemoveAllW(path + L"\\" + name);
      } while (FindNextFileW(find, &found));
      FindClose(find);
    }
  }
  RemoveDirectoryW(path.c_str());
}

class WindowsScratch {
 public:
  WindowsScratch() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    static std::atomic<int> counter{0};
    path_ = std::string(temp) + "lumenrt-win-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(counter++);
    if (!CreateDirectoryA(path_.c_str(), nullptr)) ADD_FAILURE() << "cannot make " << path_;
  }
  ~WindowsScratch() { RemoveAllW(L"\\\\?\\" + Wide(path_)); }
  WindowsScratch(const WindowsScratch&) = delete;
  WindowsScratch& operator=(const WindowsScratch&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }
  static std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

 private:
  std::string path_;
};

}  // namespace lumenrt::test

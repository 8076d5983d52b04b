// The file tree on Windows: directories listed with FindFirstFileW/FindNextFileW/FindClose, entries
// removed with DeleteFileW and RemoveDirectoryW after SetFileAttributesW sets their attributes to
// normal (read-only, hidden and system cleared); links are removed through a handle to the link
// itself (RemoveLink). A directory's own attributes never keep its entries from going, so a directory
// that is only emptied keeps them.
//
// The wide functions with "\\?\" paths are used rather than the code-page ones, so that no name is
// lost to the code page (a name the ANSI code page cannot spell would come back as "?" and could not
// be removed) and no depth to the 260-character path limit. Entry names travel as UTF-8 between Next
// and the calls that take them back; the path given to OpenDirectory is in the ANSI code page, as the
// process's command line is.
//
// Staying in the tree. Every open directory holds a handle to itself that does not share delete
// access, so while it is open nobody can rename or remove it, and the system refuses to rename a
// directory above it as well; its path keeps naming it. Directories are opened without following a
// reparse point (FILE_FLAG_OPEN_REPARSE_POINT): a junction, a symbolic link or a volume mount point
// opened that way is the link itself, which is refused, and a directory on another volume is refused.
// Each opened directory must also lie where it was asked for: its path on the volume as the system
// names the handle must be that of the directory it was opened from plus its name, which catches a
// directory above that was swapped for a link by a system that allowed the rename.
#include <cstdint>
#include <memory>
#include <string>

#include <windows.h>

#include "lumenrt/platform/file_tree.h"
#include "lumenrt/platform/internal/errno_windows.h"
#include "lumenrt/platform/internal/substitution.h"

namespace lumenrt::platform {
namespace {

constexpr DWORD kOpenDirectoryFlags = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT;

std::wstring Widen(const std::string& text, UINT codePage) {
  if (text.empty()) return {};
  const DWORD flags = codePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
  const int n = MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

std::string Utf8(const wchar_t* text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return {};
  std::string narrow(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow.data(), n, nullptr, nullptr);
  narrow.pop_back();  // the terminator
  return narrow;
}

// The full "\\?\" form of a path (relative paths start at the current directory), without a trailing
// backslash except after a drive's root; empty when it cannot be made.
std::wstring LongPath(const std::string& path) {
  const std::wstring wide = Widen(path, CP_ACP);
  if (wide.empty()) return {};
  if (wide.rfind(L"\\\\?\\", 0) == 0) return wide;
  const DWORD need = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (need == 0) return {};
  std::wstring full(need, L'\0');
  const DWORD got = GetFullPathNameW(wide.c_str(), need, full.data(), nullptr);
  if (got == 0 || got >= need) return {};
  full.resize(got);
  while (full.size() > 3 && full.back() == L'\\') full.pop_back();
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

std::wstring Join(const std::wstring& directory, const std::wstring& name) {
  return directory.back() == L'\\' ? directory + name : directory + L'\\' + name;
}

// An entry name as the system spells it: a single component, never "." or "..".
bool IsPlainName(const std::wstring& name) {
  return !name.empty() && name != L"." && name != L".." && name.find_first_of(L"\\/") == std::wstring::npos;
}

bool SameText(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                              TRUE) == CSTR_EQUAL;
}

// The system's name for an open handle: its path on its volume ("\users\x\tree"), as the file
// system reached it; empty when it cannot tell. (GetFinalPathNameByHandleW would add the volume,
// which the serial number tells here, but some systems cut it at 260 characters.)
std::wstring FinalPath(HANDLE handle) {
  alignas(FILE_NAME_INFO) unsigned char small[sizeof(FILE_NAME_INFO) + MAX_PATH * sizeof(WCHAR)];
  auto* info = reinterpret_cast<FILE_NAME_INFO*>(small);
  if (GetFileInformationByHandleEx(handle, FileNameInfo, info, sizeof small))
    return std::wstring(info->FileName, info->FileNameLength / sizeof(WCHAR));
  if (GetLastError() != ERROR_MORE_DATA) return {};
  constexpr DWORD kRoom = sizeof(FILE_NAME_INFO) + 32768 * sizeof(WCHAR);
  auto large = std::make_unique_for_overwrite<unsigned char[]>(kRoom);
  info = reinterpret_cast<FILE_NAME_INFO*>(large.get());
  if (!GetFileInformationByHandleEx(handle, FileNameInfo, info, kRoom)) return {};
  return std::wstring(info->FileName, info->FileNameLength / sizeof(WCHAR));
}

struct Opened {
  HANDLE handle = INVALID_HANDLE_VALUE;
  BY_HANDLE_FILE_INFORMATION info{};
  std::wstring finalPath;
};

// Opens a directory itself (a link is opened as the link). Refused: no directory, a reparse point,
// no identity or no final path.
bool OpenItself(const std::wstring& path, Opened* out) {
  // Some systems follow a link even so and describe its target; the path's own attributes tell.
  const DWORD own = GetFileAttributesW(path.c_str());
  if (own == INVALID_FILE_ATTRIBUTES || (own & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return false;
  // Without FILE_SHARE_DELETE: nobody renames or removes the directory while it is open.
  HANDLE handle =
      CreateFileW(path.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, kOpenDirectoryFlags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  out->handle = handle;
  if (!GetFileInformationByHandle(handle, &out->info) ||
      (out->info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
      (out->info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
      (out->finalPath = FinalPath(handle)).empty()) {
    CloseHandle(handle);
    out->handle = INVALID_HANDLE_VALUE;
    return false;
  }
  return true;
}

// True when the last call failed because its entry does not exist.
bool Gone() {
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Sets an entry that is about to be removed to normal attributes (read-only, hidden and system
// cleared), when it has any of those; a failure shows in the removal that follows.
constexpr DWORD kRemovalBarriers = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
void SetNormal(const std::wstring& path, DWORD attributes) {
  if ((attributes & kRemovalBarriers) != 0) SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Removes a link (a junction, a symbolic link, a mount point) and never what it leads to: through a
// handle to the link itself, marked for deletion. A system that opens the target even so (some
// implementations do, and would remove an empty target directory by the link's name) gives a handle
// without the reparse mark, and nothing is removed.
bool RemoveLink(const std::wstring& path) {
  HANDLE handle = CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              kOpenDirectoryFlags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return Gone();
  BY_HANDLE_FILE_INFORMATION info;
  FILE_DISPOSITION_INFO dispose{TRUE};
  const bool removed = GetFileInformationByHandle(handle, &info) &&
                       (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
                       SetFileInformationByHandle(handle, FileDispositionInfo, &dispose, sizeof dispose);
  CloseHandle(handle);
  return removed;
}

class WindowsDirectory final : public Directory {
 public:
  static std::unique_ptr<WindowsDirectory> Open(const std::wstring& path) {
    Opened opened;
    if (!OpenItself(path, &opened)) return nullptr;
    return std::unique_ptr<WindowsDirectory>(new WindowsDirectory(path, opened));
  }

  ~WindowsDirectory() override {
    if (find_ != INVALID_HANDLE_VALUE) FindClose(find_);
    CloseHandle(handle_);
  }

  bool Next(DirectoryEntry* entry) override {
    WIN32_FIND_DATAW found;
    for (;;) {
      if (done_) return false;
      if (find_ == INVALID_HANDLE_VALUE) {
        find_ = FindFirstFileW(Join(path_, L"*").c_str(), &found);
        if (find_ == INVALID_HANDLE_VALUE) return done_ = true, false;
      } else if (!FindNextFileW(find_, &found)) {
        return done_ = true, false;
      }
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      entry->name = Utf8(found.cFileName);
      // A junction, a symbolic link to a directory or a mount point is removed as one entry.
      const DWORD a = found.dwFileAttributes;
      entry->kind = (a & FILE_ATTRIBUTE_DIRECTORY) != 0 && (a & FILE_ATTRIBUTE_REPARSE_POINT) == 0
                        ? EntryKind::kDirectory
                        : EntryKind::kOther;
      return true;
    }
  }

  std::unique_ptr<Directory> OpenSubdirectory(const std::string& name) override {
    const std::wstring wide = Widen(name, CP_UTF8);
    if (!IsPlainName(wide) || !StillHere()) return nullptr;
    std::unique_ptr<WindowsDirectory> sub = Open(Join(path_, wide));
    // Where it was asked for, on the same volume (another volume mounted here is not entered).
    if (sub == nullptr || sub->info_.dwVolumeSerialNumber != info_.dwVolumeSerialNumber ||
        !SameText(sub->finalPath_, Join(finalPath_, wide)))
      return nullptr;
    return sub;
  }

  std::unique_ptr<Directory> OpenParent() override {
    const std::size_t slash = path_.find_last_of(L'\\');
    const std::size_t finalSlash = finalPath_.find_last_of(L'\\');
    if (slash == std::wstring::npos || slash + 1 >= path_.size() || finalSlash == std::wstring::npos ||
        !StillHere())
      return nullptr;
    std::wstring parentPath = path_.substr(0, slash);
    if (parentPath.size() == 6 && parentPath[5] == L':') parentPath += L'\\';  // "\\?\C:" is "\\?\C:\"
    std::unique_ptr<WindowsDirectory> parent = Open(parentPath);
    if (parent == nullptr || parent->info_.dwVolumeSerialNumber != info_.dwVolumeSerialNumber) return nullptr;
    const std::wstring expected = finalSlash == 0 ? L"\\" : finalPath_.substr(0, finalSlash);
    if (!SameText(parent->finalPath_, expected)) return nullptr;
    return parent;
  }

  DirectoryId Id() const override {
    return {info_.dwVolumeSerialNumber,
            static_cast<std::uint64_t>(info_.nFileIndexHigh) << 32 | info_.nFileIndexLow};
  }

  // Entries of a Windows directory may be removed whatever the directory's own attributes: they are
  // left as they are, and go to normal only when the directory itself is removed.
  bool AllowRemoval() override { return true; }

  bool Remove(const std::string& name, EntryKind kind) override {
    const std::wstring wide = Widen(name, CP_UTF8);
    if (!IsPlainName(wide) || !StillHere()) return false;
    const std::wstring child = Join(path_, wide);
    // The entry's own attributes, a link's not its target's.
    const DWORD attributes = GetFileAttributesW(child.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return Gone();
    const bool link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    const bool directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    // A real directory is removed only when asked for one (it must be empty).
    if (directory && !link && kind != EntryKind::kDirectory) return false;
    if (link) return RemoveLink(child);
    SetNormal(child, attributes);
    const BOOL removed = directory ? RemoveDirectoryW(child.c_str()) : DeleteFileW(child.c_str());
    return removed != 0 || Gone();
  }

  // The failed call's code is still the thread's last error when Remove answers false.
  bool RemoveTellingWhy(const std::string& name, EntryKind kind, int* error) override {
    SetLastError(ERROR_SUCCESS);
    const bool removed = Remove(name, kind);
    *error = removed ? 0 : ErrnoFromWindowsError(GetLastError());
    return removed;
  }

 private:
  WindowsDirectory(const std::wstring& path, const Opened& opened)
      : path_(path), handle_(opened.handle), info_(opened.info), finalPath_(opened.finalPath) {}

  // The directory still lies where it was opened, so its path names it.
  bool StillHere() const { return SameText(FinalPath(handle_), finalPath_); }

  std::wstring path_;  // the "\\?\" path it was opened by
  HANDLE handle_;
  BY_HANDLE_FILE_INFORMATION info_;
  std::wstring finalPath_;
  HANDLE find_ = INVALID_HANDLE_VALUE;
  bool done_ = false;
};

class WindowsFileTree final : public FileTree {
 public:
  std::unique_ptr<Directory> OpenDirectory(const char* path) override {
    if (path == nullptr || path[0] == '\0') return nullptr;
    const std::wstring full = LongPath(path);
    if (full.empty()) return nullptr;
    return WindowsDirectory::Open(full);
  }

  bool RemoveDirectory(const char* path) override {
    if (path == nullptr || path[0] == '\0') return false;
    const std::wstring full = LongPath(path);
    if (full.empty()) return false;
    const DWORD attributes = GetFileAttributesW(full.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return Gone();
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return RemoveLink(full);
    SetNormal(full, attributes);
    return RemoveDirectoryW(full.c_str()) || Gone();
  }

  bool RemoveDirectoryTellingWhy(const char* path, int* error) override {
    SetLastError(ERROR_SUCCESS);
    const bool removed = RemoveDirectory(path);
    *error = removed ? 0 : ErrnoFromWindowsError(GetLastError());
    return removed;
  }
};

Substitution<FileTree> g_substitute;

}  // namespace

FileTree& SystemFileTree() {
  static WindowsFileTree tree;
  return tree;
}

FileTree& CurrentFileTree() { return g_substitute.Current(SystemFileTree()); }

FileTree* SubstituteFileTree(FileTree* tree) { return g_substitute.Exchange(tree); }

}  // namespace lumenrt::platform

// The Windows file service (append-only handles, the advisory lock, sizes, whole-file reads) and the
// file tree under tree removal (junctions and links never entered, read-only, deep and non-ANSI
// entries removed).
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <thread>

#include <gtest/gtest.h>
#include <windows.h>

#include "lumenrt/platform/file_service.h"
#include "lumenrt/platform/file_tree.h"
#include "lumenrt/system/remove_tree.h"

#include "platform/windows/windows_scratch.h"

namespace lumenrt {
namespace {

using platform::FileOpenMode;
using platform::FileReadStatus;
using test::WindowsScratch;

std::string Contents(const std::string& path) {
  std::string text;
  int error = 0;
  platform::SystemFileService().ReadWholeFile(path.c_str(), 1 << 20, &text, &error);
  return text;
}

TEST(WindowsFileService, AppendsSizesAndReads) {
  WindowsScratch dir;
  auto& files = platform::SystemFileService();
  const std::string log = dir / "agent-1.LOG";
  int error = 0;
  platform::FileHandle a = files.Open(log.c_str(), FileOpenMode::kAppend, &error);
  platform::FileHandle b = files.Open(log.c_str(), FileOpenMode::kAppend, &error);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(files.Write(a, "abc", 3), 3u);
  EXPECT_EQ(files.StoredSize(a), 0);  // still waiting in the handle
  EXPECT_EQ(files.Size(a), 3);        // flushed first
  EXPECT_EQ(files.Write(b, "XY", 2), 2u);
  EXPECT_TRUE(files.Flush(b));
  EXPECT_EQ(files.Write(a, "de", 2), 2u);
  EXPECT_TRUE(files.Flush(a));
  EXPECT_EQ(Contents(log), "abcXYde");  // each write at the end, none over another
  EXPECT_TRUE(files.Close(b));

  // Truncating empties the file; the other handle goes on at the new end.
  platform::FileHandle t = files.Open(log.c_str(), FileOpenMode::kTruncate, &error);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(files.StoredSize(t), 0);
  EXPECT_EQ(files.Write(a, "1", 1), 1u);
  EXPECT_TRUE(files.Flush(a));
  EXPECT_EQ(files.Write(t, "2", 1), 1u);
  EXPECT_TRUE(files.Close(t));
  EXPECT_EQ(Contents(log), "12");

  std::int64_t modified = 0, size = 0;
  ASSERT_TRUE(files.Examine(log.c_str(), &modified, &size));
  EXPECT_EQ(size, 2);
  const std::int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                               std::chrono::system_clock::now().time_since_epoch())
                               .count();
  EXPECT_LT(now - modified, std::int64_t{60} * 1000000000);
  EXPECT_FALSE(files.Examine(dir.path().c_str(), &modified, &size));  // a directory
  EXPECT_FALSE(files.Examine((dir / "missing").c_str(), &modified, &size));
  EXPECT_TRUE(files.Close(a));

  std::string text;
  EXPECT_EQ(files.ReadWholeFile(log.c_str(), 1, &text, &error), FileReadStatus::kTooLarge);
  EXPECT_EQ(files.ReadWholeFile((dir / "missing").c_str(), 10, &text, &error), FileReadStatus::kCannotOpen);
  EXPECT_EQ(error, ENOENT);
  EXPECT_EQ(files.ReadWholeFile(dir.path().c_str(), 10, &text, &error), FileReadStatus::kIsDirectory);
  EXPECT_EQ(error, EISDIR);
  EXPECT_EQ(files.Open(dir.path().c_str(), FileOpenMode::kAppend, &error), nullptr);
  EXPECT_EQ(error, EISDIR);
  EXPECT_EQ(files.Open((dir / "no\\such\\dir\\x.LOG").c_str(), FileOpenMode::kAppend, &error), nullptr);
  EXPECT_EQ(error, ENOENT);
}

// The lock belongs to a handle: another handle waits for it, and writing is never blocked by it.
TEST(WindowsFileService, LockIsAdvisoryAndPerHandle) {
  WindowsScratch dir;
  auto& files = platform::SystemFileService();
  const std::string lockFile = dir / "agent-0.LOG";
  platform::FileHandle first = files.Open(lockFile.c_str(), FileOpenMode::kAppend, nullptr);
  platform::FileHandle second = files.Open(lockFile.c_str(), FileOpenMode::kAppend, nullptr);
  platform::FileHandle writer = files.Open(lockFile.c_str(), FileOpenMode::kAppend, nullptr);
  ASSERT_TRUE(first && second && writer);
  ASSERT_TRUE(files.Lock(first));
  std::atomic<bool> locked{false};
  std::thread waiter([&] {
    if (files.Lock(second)) locked = true;
  });
  Sleep(200);
  EXPECT_FALSE(locked) << "the second handle took a lock the first holds";
  EXPECT_EQ(files.Write(writer, "line\n", 5), 5u);
  EXPECT_TRUE(files.Flush(writer));  // the locked byte lies beyond the data
  files.Unlock(first);
  waiter.join();
  EXPECT_TRUE(locked);
  files.Unlock(second);
  for (auto* f : {first, second, writer}) files.Close(f);
  EXPECT_EQ(Contents(lockFile), "line\n");
}

// ---- the file tree ----

// Makes `link` a junction to `target` (both absolute); false when this system cannot.
bool MakeJunction(const std::string& link, const std::string& target) {
  if (!CreateDirectoryA(link.c_str(), nullptr)) return false;
  const std::wstring substitute = L"\\??\\" + WindowsScratch::Wide(target);
  const std::wstring print = WindowsScratch::Wide(target);
  const WORD substituteBytes = static_cast<WORD>(substitute.size() * 2),
             printBytes = static_cast<WORD>(print.size() * 2);
  struct {
    DWORD tag;
    WORD dataLength, reserved;
    WORD substituteOffset, substituteLength, printOffset, printLength;
    WCHAR path[1024];
  } buffer{};
  buffer.tag = IO_REPARSE_TAG_MOUNT_POINT;
  buffer.substituteOffset = 0;
  buffer.substituteLength = substituteBytes;
  buffer.printOffset = static_cast<WORD>(substituteBytes + 2);
  buffer.printLength = printBytes;
  std::copy(substitute.begin(), substitute.end(), buffer.path);
  std::copy(print.begin(), print.end(), buffer.path + substitute.size() + 1);
  buffer.dataLength = static_cast<WORD>(8 + substituteBytes + 2 + printBytes + 2);
  HANDLE h = CreateFileA(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) return RemoveDirectoryA(link.c_str()), false;
  DWORD returned = 0;
  const BOOL ok = DeviceIoControl(h, FSCTL_SET_REPARSE_POINT, &buffer, 8 + buffer.dataLength, nullptr, 0,
                                  &returned, nullptr);
  CloseHandle(h);
  const DWORD attributes = GetFileAttributesA(link.c_str());
  if (ok && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
    return true;
  RemoveDirectoryA(link.c_str());
  return false;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The number of entries in a directory, "." and ".." left out.
int EntriesIn(const std::string& directory) {
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((directory + "\\*").c_str(), &found);
  int count = 0;
  if (find == INVALID_HANDLE_VALUE) return count;
  do {
    if (std::string(found.cFileName) != "." && std::string(found.cFileName) != "..") ++count;
  } while (FindNextFileA(find, &found));
  FindClose(find);
  return count;
}

void Touch(const std::string& path) {
  HANDLE h =
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
  CloseHandle(h);
}

// Runs a Unix program on the Unix names of `paths`, where the system is Wine (which runs Unix
// programs beside Windows ones); false elsewhere. The Unix program may still be running when its
// stand-in process has ended, so callers wait for its effect.
bool RunUnix(const std::string& program, std::initializer_list<std::string> paths) {
  using UnixName = char*(CDECL*)(LPCWSTR);
  auto unixName = reinterpret_cast<UnixName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (unixName == nullptr) return false;
  std::string command = "Z:\\bin\\" + program;
  for (const std::string& path : paths) {
    char* name = unixName(WindowsScratch::Wide(path).c_str());
    if (name == nullptr) return false;
    command += std::string(" ") + name;
    HeapFree(GetProcessHeap(), 0, name);
  }
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return false;
  WaitForSingleObject(process.hProcess, 10000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

// Makes `link` a Unix symbolic link to the directory `target`, where the system is Wine on a Unix file
// system (which shows such a link as a reparse point).
bool MakeUnixLink(const std::string& link, const std::string& target) {
  if (!RunUnix("ln -s", {target, link})) return false;
  for (int wait = 0; wait < 100; ++wait, Sleep(50)) {
    const DWORD attributes = GetFileAttributesA(link.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
      return true;
  }
  return false;
}

// Links to a directory with contents and to an empty one (the one a careless removal by the link's
// name would take): neither target is entered or removed.
TEST(WindowsFileTree, LinksInsideTheTreeAreRemovedNeverEntered) {
  WindowsScratch dir;
  const std::string outside = dir / "outside", empty = dir / "empty", tree = dir / "tree";
  for (const std::string& d : {outside, empty, tree, tree + "\\sub"})
    ASSERT_TRUE(CreateDirectoryA(d.c_str(), nullptr));
  Touch(outside + "\\keep.txt");
  Touch(tree + "\\sub\\file.txt");
  bool native = false, unix = false;
  for (const auto& [name, target] : {std::pair{"to-outside", outside}, std::pair{"to-empty", empty}}) {
    const std::string link = tree + "\\" + name;
    if (MakeJunction(link, target) ||
        (CreateSymbolicLinkA(link.c_str(), target.c_str(),
                             SYMBOLIC_LINK_FLAG_DIRECTORY | 0x2 /* unprivileged */) &&
         Exists(link))) {
      native = true;
    } else if (MakeUnixLink(link, target)) {
      unix = true;
    }
  }
  if (!native && !unix) GTEST_SKIP() << "this system can make neither a junction nor a directory link";

  // Neither link opens as a directory, from its parent or by its path; both are listed as single
  // entries.
  auto& files = platform::SystemFileTree();
  auto top = files.OpenDirectory(tree.c_str());
  ASSERT_NE(top, nullptr);
  for (const char* link : {"to-outside", "to-empty"}) {
    EXPECT_EQ(top->OpenSubdirectory(link), nullptr) << link;
    EXPECT_EQ(files.OpenDirectory((tree + "\\" + link).c_str()), nullptr) << link;
  }
  platform::DirectoryEntry entry;
  while (top->Next(&entry))
    EXPECT_EQ(entry.kind, entry.name == "sub" ? platform::EntryKind::kDirectory : platform::EntryKind::kOther)
        << entry.name;
  top.reset();
  EXPECT_TRUE(files.RemoveDirectory((tree + "\\to-empty").c_str()) || unix);

  const int removed = RemoveTree(tree.c_str(), 0);
  EXPECT_TRUE(Exists(outside + "\\keep.txt")) << "the walk followed a link out of its tree";
  EXPECT_TRUE(Exists(empty)) << "a link's empty target was removed";
  if (native) {
    EXPECT_EQ(removed, 1);
    EXPECT_FALSE(Exists(tree));
  } else {
    // Wine shows a Unix link as a reparse point but opens its target even when told not to, so the
    // link cannot be removed safely and stays: the removal fails, nothing outside is touched.
    EXPECT_EQ(removed, 0);
    std::printf("note: no junction could be made here; Unix links stood in for them and were left\n");
    RunUnix("rm", {tree + "\\to-outside", tree + "\\to-empty"});
    for (int wait = 0; wait < 100 && Exists(tree + "\\to-empty"); ++wait) Sleep(50);
  }
}

TEST(WindowsFileTree, ReadOnlyDeepAndNonAnsiEntriesGo) {
  WindowsScratch dir;
  const std::string tree = dir / "tree";
  ASSERT_TRUE(CreateDirectoryA(tree.c_str(), nullptr));
  Touch(tree + "\\read-only.txt");
  ASSERT_TRUE(SetFileAttributesA((tree + "\\read-only.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(CreateDirectoryA((tree + "\\locked").c_str(), nullptr));
  Touch(tree + "\\locked\\inside.txt");
  ASSERT_TRUE(SetFileAttributesA((tree + "\\locked").c_str(), FILE_ATTRIBUTE_READONLY));
  // A name the ANSI code page cannot spell.
  const std::wstring wideTree = L"\\\\?\\" + WindowsScratch::Wide(tree);
  HANDLE h = CreateFileW((wideTree + L"\\\x4E2D\x6587-\x0416.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  // A chain of directories far deeper than the 260-character path limit.
  std::wstring deep = wideTree;
  for (int i = 0; i < 40; ++i) {
    deep += L"\\level-" + std::to_wstring(i) + L"-xxxxxxxxxx";
    ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr)) << i;
  }
  h = CreateFileW((deep + L"\\bottom.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                  FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);

  EXPECT_EQ(RemoveTree(tree.c_str(), 1), 1);  // contents only
  EXPECT_TRUE(Exists(tree));
  EXPECT_EQ(EntriesIn(tree), 0);
  EXPECT_EQ(RemoveTree(tree.c_str(), 0), 1);
  EXPECT_FALSE(Exists(tree));
}

// Whatever read-only, hidden and system marks the entries carry, they go; a top directory that is only
// emptied keeps its own marks, and one that is removed goes with them.
TEST(WindowsFileTree, MarkedEntriesGoAndAnEmptiedTopKeepsItsMarks) {
  constexpr DWORD kMarks = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  WindowsScratch dir;
  const std::string tree = dir / "tree";
  ASSERT_TRUE(CreateDirectoryA(tree.c_str(), nullptr));
  const DWORD markSets[] = {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM, kMarks};
  for (DWORD marks : markSets) {
    const std::string file = tree + "\\file-" + std::to_string(marks);
    const std::string sub = tree + "\\dir-" + std::to_string(marks);
    Touch(file);
    ASSERT_TRUE(CreateDirectoryA(sub.c_str(), nullptr));
    Touch(sub + "\\inside.txt");
    ASSERT_TRUE(SetFileAttributesA((sub + "\\inside.txt").c_str(), marks));
    ASSERT_TRUE(SetFileAttributesA(file.c_str(), marks));
    ASSERT_TRUE(SetFileAttributesA(sub.c_str(), marks));
  }
  // (Wine keeps no read-only mark on a directory: the marks are compared with what was there.)
  ASSERT_TRUE(SetFileAttributesA(tree.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  const DWORD topMarks = GetFileAttributesA(tree.c_str()) & kMarks;
  ASSERT_NE(topMarks, 0u);

  EXPECT_EQ(RemoveTree(tree.c_str(), 1), 1);
  EXPECT_EQ(EntriesIn(tree), 0);
  EXPECT_EQ(GetFileAttributesA(tree.c_str()) & kMarks, topMarks);

  EXPECT_EQ(RemoveTree(tree.c_str(), 0), 1);
  EXPECT_FALSE(Exists(tree));
}

TEST(WindowsFileTree, DirectoriesKeepTheirIdentity) {
  WindowsScratch dir;
  const std::string tree = dir / "tree";
  ASSERT_TRUE(CreateDirectoryA(tree.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA((tree + "\\sub").c_str(), nullptr));
  auto& files = platform::SystemFileTree();
  auto top = files.OpenDirectory(tree.c_str());
  auto again = files.OpenDirectory((tree + "\\").c_str());
  ASSERT_TRUE(top && again);
  EXPECT_TRUE(top->Id() == again->Id());
  auto sub = top->OpenSubdirectory("sub");
  ASSERT_NE(sub, nullptr);
  EXPECT_FALSE(sub->Id() == top->Id());
  auto parent = sub->OpenParent();
  ASSERT_NE(parent, nullptr);
  EXPECT_TRUE(parent->Id() == top->Id());
  // Names that are not single entries reach nothing.
  for (const char* name : {"", ".", "..", "sub\\..", "..\\tree"})
    EXPECT_EQ(top->OpenSubdirectory(name), nullptr) << name;
  EXPECT_FALSE(top->Remove("..", platform::EntryKind::kDirectory));
  EXPECT_EQ(files.OpenDirectory((dir / "missing").c_str()), nullptr);
  EXPECT_TRUE(files.RemoveDirectory((dir / "missing").c_str()));  // nothing to do
}

}  // namespace
}  // namespace lumenrt

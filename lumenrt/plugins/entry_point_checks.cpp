// Build-time checks of what only 32-bit Windows code shows: the calling convention of every module
// entry point the library calls, and the sizes of the records a module or the agent shares with the
// library where pointers are 32 bits wide. The checks of layouts that hold in every build stay beside
// their records; this file adds nothing to the library's code.
#include <cstdint>
#include <type_traits>

#include "lumenrt/plugins/exch/exch_entry_table.h"
#include "lumenrt/plugins/exch/exch_records.h"
#include "lumenrt/plugins/job_settings.h"
#include "lumenrt/plugins/mapi/mapi_entry_table.h"
#include "lumenrt/plugins/plugin_exception.h"
#include "lumenrt/plugins/selection_entry.h"
#include "lumenrt/plugins/word.h"

#if defined(_WIN32) && !defined(_WIN64)

// Each entry-point type must take a function declared __stdcall, whatever the macro says: a type
// left with the C convention fails here (cmake/windows.cmake proves that the comparison tells them
// apart).
namespace lumenrt::entry_point_check {
#define LUMENRT_EXPECT_STDCALL(Type, ...)          \
  std::int32_t __stdcall Type##Probe(__VA_ARGS__); \
  static_assert(std::is_same_v<decltype(&Type##Probe), lumenrt::Type>, #Type " must be __stdcall")

using Plugins::Word;
LUMENRT_EXPECT_STDCALL(ExchDispatchFn, std::int32_t, Word, Word, Word, Word, Word);
LUMENRT_EXPECT_STDCALL(ExchRawDskErrorFn, std::int32_t);
LUMENRT_EXPECT_STDCALL(ExchRawSidfSearchFn, std::int32_t, std::int32_t, Word, Word, SidfObjectRecord*);
LUMENRT_EXPECT_STDCALL(ExchRawBckAccessFn, std::int32_t, std::int32_t, std::intptr_t*, Word, Word);
LUMENRT_EXPECT_STDCALL(ExchRawBckOpenSubstreamFn, std::int32_t, Word);
LUMENRT_EXPECT_STDCALL(ExchRawBckReadFn, std::int32_t, Word, Word, Word, Word);
LUMENRT_EXPECT_STDCALL(ExchSetBackupOptionsFn, std::int32_t, std::int32_t, const char*);
LUMENRT_EXPECT_STDCALL(ExchSetRestoreOptionsFn, std::int32_t, std::int32_t, const char*, const char*);
LUMENRT_EXPECT_STDCALL(ExchGetLogObjectsFn, Word, ZArray**);
LUMENRT_EXPECT_STDCALL(ExchClearLogObjectsFn, Word);
LUMENRT_EXPECT_STDCALL(MapiSetBackupOptionsFn, const char*, const char*, std::int32_t, std::int32_t,
                       std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                       std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                       std::int32_t, std::int32_t, std::int32_t);
LUMENRT_EXPECT_STDCALL(MapiSetRestoreOptionsFn, const char*, const char*, std::int32_t, std::int32_t,
                       std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                       std::int32_t, const char*, std::int32_t, std::int32_t);
#undef LUMENRT_EXPECT_STDCALL
}  // namespace lumenrt::entry_point_check

// Every argument and result of an entry point is 32 bits wide, as the modules were built.
static_assert(sizeof(Plugins::Word) == 4 && sizeof(void*) == 4);
// The exception a module raises: its table pointer, the code, the 256-byte message.
static_assert(sizeof(Plugins::PluginException) == 264);
// The records whose layout is fixed keep it with 32-bit pointers (their offsets are checked beside
// them in every build).
static_assert(sizeof(SelectionEntry) == 272);
static_assert(sizeof(JobSettings) == 6000);
static_assert(sizeof(SidfObjectRecord) == 720);
static_assert(sizeof(RawAccessRecord) == 64);

#endif

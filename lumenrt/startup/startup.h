// The library's start-up globals: what exists once the library is loaded, and how the agent's
// components reach the globals that nothing in the library reads.
//
// Loading the library builds 17 global objects in this order, each entered in the exit list right
// after it is built (exit_list.h), so unloading destroys them in the reverse order, 17 first:
//    1 text "$"                       10 empty text
//    2 list of texts, empty           11 CurrentKeyName (lookups.h), empty
//    3 list of texts, empty           12 CurrentKeyValue (lookups.h), empty
//    4 work context (work_context.h)  13 the mailbox adapter factory (MapiFactoryImpl)
//    5 text "System State: "          14 the Exchange adapter factory (ExchFactoryImpl)
//    6 text "System State: restoring "15-17 empty texts
//    7 ZArray, capacity 10, growth 10, owning
//    8 empty text
//    9 ZFileName, empty name, default syntax
// The plug-in registry (plugin_registry.h) and the Exchange backup adapter's work area are built on
// first use and enter the exit list then, so they are destroyed before item 17. Start-up also
// connects the message catalogue's facility codes of plug-in modules (ids above 200) to the registry.
//
// Failure: an object whose construction raises (memory exhausted) makes the load fail with that
// error. Threads: start-up and unloading run on the loading thread; the accessors hand out the
// objects themselves, which have the threading rules of their types (one thread at a time).
#pragma once

#include <list>

#include "lumenrt/core/zarray.h"
#include "lumenrt/core/zfilename.h"
#include "lumenrt/core/zstring.h"
#include "lumenrt/platform/export.h"

class WorkContext;

namespace lumenrt {

inline constexpr int kStartupGlobalCount = 17;

// The text global of item 1, 5, 6, 8, 10, 11, 12, 15, 16 or 17; null for any other number.
LUMENRT_EXPORT ZString* StartupText(int item);
// Items 2 and 3; null for any other number.
LUMENRT_EXPORT std::list<ZString>* StartupTextList(int item);
// Item 4.
LUMENRT_EXPORT WorkContext& GlobalWorkContext();
// Item 7.
LUMENRT_EXPORT ZArray& GlobalArray();
// Item 9.
LUMENRT_EXPORT ZFileName& GlobalFileName();

}  // namespace lumenrt

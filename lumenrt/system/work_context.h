// WorkContext: the agent's per-process work context, one of the globals the library builds at
// start-up (lumenrt/startup/startup.h).
//
// It holds ten slots for objects it owns, three texts (workingDirectory names a directory the agent
// works in), a flag that says whether that directory is removed with the context (set at
// construction), its own owning ZArray (capacity 10, growth 10), and the network-management loader
// (NetApi32DLL, empty on systems without those functions). Every other field starts at zero.
//
// Destruction deletes the objects in the slots and, when the flag is set and a working directory is
// named, removes that directory with everything inside (RemoveTree); a failed removal is not
// reported. Nothing in the library reads the context: it is kept for the agent's components.
//
// Ownership: owns the slot objects, the array's elements and the loader. Threads: one at a time.
#pragma once

#include <cstdint>

#include "lumenrt/core/zarray.h"
#include "lumenrt/core/zobject.h"
#include "lumenrt/core/zstring.h"
#include "lumenrt/system/netapi32_dll.h"

class WorkContext {
 public:
  static constexpr int kSlotCount = 10;

  WorkContext();
  WorkContext(const WorkContext&) = delete;
  WorkContext& operator=(const WorkContext&) = delete;
  ~WorkContext();

  ZObject* slots[kSlotCount] = {};
  ZString name;
  ZString workingDirectory;
  ZString detail;
  std::int32_t removeWorkingDirectory = 1;
  ZArray objects{10, 10, 1};
  NetApi32DLL netApi;
  std::int32_t state = 0;
  std::int32_t value = 0;
};

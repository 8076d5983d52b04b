// lumenrt rmtree: removing a directory tree.
#include <string>

#include "lumenrt/system/remove_tree.h"

#include "command.h"

namespace lumenrt::tool {
namespace {

constexpr const char kUsage[] = "rmtree [--contents-only] DIR";

int RunRmtree(const Args& args) {
  Parsed p(args, {}, {"contents-only"});
  if (auto done = CheckParsed(p, kUsage)) return *done;
  if (p.positional().size() != 1)
    return Fail(kExitUsage, std::string("expected one DIR (usage: lumenrt ") + kUsage + ")");
  const std::string& dir = p.positional()[0];
  if (RemoveTree(dir.c_str(), p.Has("contents-only") ? 1 : 0) == 1) return kExitOk;
  return Fail(kExitNone, "could not remove everything under " + dir);
}

const Command kRmtree{"rmtree", kUsage,
                      "remove DIR with everything in it (links are removed, never followed); with "
                      "--contents-only keep DIR, emptied",
                      RunRmtree};

}  // namespace
}  // namespace lumenrt::tool

// lumenrt rmtree: removing a directory tree.
#include <memory>
#include <string>

#include "lumenrt/system/remove_tree.h"

#include "command.h"

namespace lumenrt::tool {
namespace {

struct RmtreeRequest {
  std::string dir;
  bool contentsOnly = false;
};

int RunRmtree(const RmtreeRequest& r) {
  if (RemoveTree(r.dir.c_str(), r.contentsOnly ? 1 : 0) == 1) return kExitOk;
  return Fail(kExitNone, "could not remove everything under " + r.dir);
}

const Registration kRmtree{[](CLI::App& tool) {
  auto r = std::make_shared<RmtreeRequest>();
  CLI::App* rmtree = AddCommand(tool, "rmtree",
                                "remove DIR with everything in it (links are removed, never followed); with "
                                "--contents-only keep DIR, emptied",
                                [r] { return RunRmtree(*r); });
  rmtree->add_flag("--contents-only", r->contentsOnly, "empty DIR but keep it");
  rmtree->add_option("DIR", r->dir, "the directory")->required();
}};

}  // namespace
}  // namespace lumenrt::tool

// lumenrt log: write lines through the rotating log writer.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "lumenrt/core/message_catalogue.h"
#include "lumenrt/timelog/log_writer.h"

#include "command.h"

namespace lumenrt::tool {
namespace {

struct LogRequest {
  std::string dir, base;
  bool truncate = false;
  std::vector<std::string> texts;
};

int RunLog(const LogRequest& r) {
  const std::string* base = &r.base;
  std::string dir = r.dir;
  if (!dir.empty() && dir.back() != '/') dir += '/';
  if (dir.size() > static_cast<std::size_t>(kLogNameMax) ||
      base->size() > static_cast<std::size_t>(kLogNameMax))
    return Fail(kExitUsage, "the directory and the base name may have at most 519 characters each");

  // The library's own reports take their default route, the log: the version banner comes first,
  // then every TEXT as one line, all from one open.
  DefaultLogFile = nullptr;
  LogOpen(dir.c_str(), base->c_str(), r.truncate ? 1 : 0);
  int failed = 0;
  for (const std::string& text : r.texts) failed += LogWrite(0, text.c_str()) == 1 ? 0 : 1;

  const lumenrt::LogStatus status = lumenrt::CurrentLogStatus();
  std::fflush(stdout);
  if (!status.open)
    return Fail(kExitNone,
                "cannot open the log file " + status.fileName + "; the lines went to standard output");
  std::printf("%s: file number %d, %d bytes written\n", status.fileName.c_str(), status.fileNumber,
              status.bytesWritten);
  // The banner is written too: a failure of its line counts.
  if (failed != 0 || status.failedWrites != 0)
    return Fail(kExitNone, "writing to the log failed: " + std::to_string(status.failedWrites) +
                               " line(s) not written whole");
  return kExitOk;
}

const Registration kLogCommands{[](CLI::App& tool) {
  auto r = std::make_shared<LogRequest>();
  CLI::App* write =
      AddCommand(*AddCommand(tool, "log", "the rotating log writer"), "write",
                 "write each TEXT as one line to DIR/NAME-n.LOG; the file number and byte count "
                 "are kept in the registry, and the next file is started after 32767 bytes",
                 [r] { return RunLog(*r); });
  write->add_option("--dir", r->dir, "the directory of the log files")->type_name("DIR")->required();
  write->add_option("--base", r->base, "the base name of the log files")->type_name("NAME")->required();
  write->add_flag("--truncate", r->truncate, "empty the current file first");
  write->add_option("TEXT", r->texts, "the lines to write");
}};

}  // namespace
}  // namespace lumenrt::tool

// lumenrt log: write lines through the rotating log writer.
#include <cstdio>
#include <string>

#include "lumenrt/core/message_catalogue.h"
#include "lumenrt/timelog/log_writer.h"

#include "command.h"

namespace lumenrt::tool {
namespace {

constexpr char kUsage[] = "log write --dir DIR --base NAME [--truncate] TEXT...";

int RunLog(const Args& args) {
  const Parsed p(args, {"dir", "base"}, {"truncate"});
  if (auto done = CheckParsed(p, kUsage)) return *done;
  const auto& words = p.positional();
  const auto dirOption = p.Get("dir");
  const auto base = p.Get("base");
  if (words.empty() || words[0] != "write" || !dirOption || !base)
    return Fail(kExitUsage, std::string("usage: lumenrt ") + kUsage);
  std::string dir = *dirOption;
  if (!dir.empty() && dir.back() != '/') dir += '/';
  if (dir.size() > static_cast<std::size_t>(kLogNameMax) ||
      base->size() > static_cast<std::size_t>(kLogNameMax))
    return Fail(kExitUsage, "the directory and the base name may have at most 519 characters each");

  // The library's own reports take their default route, the log: the version banner comes first,
  // then every TEXT as one line, all from one open.
  DefaultLogFile = nullptr;
  LogOpen(dir.c_str(), base->c_str(), p.Has("truncate") ? 1 : 0);
  for (std::size_t i = 1; i < words.size(); ++i) LogWrite(0, words[i].c_str());

  const lumenrt::LogStatus status = lumenrt::CurrentLogStatus();
  std::fflush(stdout);
  if (!status.open)
    return Fail(kExitNone,
                "cannot open the log file " + status.fileName + "; the lines went to standard output");
  std::printf("%s: file number %d, %d bytes written\n", status.fileName.c_str(), status.fileNumber,
              status.bytesWritten);
  return kExitOk;
}

const Command kLog{"log", kUsage,
                   "write each TEXT as one line to DIR/NAME-n.LOG; the file number and byte count are kept "
                   "in the registry, and the next file is started after 32767 bytes",
                   RunLog};

}  // namespace
}  // namespace lumenrt::tool

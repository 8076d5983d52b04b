// An example plug-in module of the entry-point family (kinds 0 and 1): the module exports plain C
// functions under fixed names, and the library's own adapters (the Exch* and Mapi* classes) present
// it to the agent through the plug-in interfaces, calling the entry points as jobs need them.
//
// This one plays a mailbox module (kind 1, EXCHMAPI). The library calls two of its entry points:
// mapi_set_backup_options (19 arguments) when a backup object applies a job's options, and
// mapi_set_restore_options (14 arguments) for a restore. It keeps what it was given for the job to
// come and traces a summary through the library's debug output (lumenrt/platform/debug_output.h),
// where a host that installs a sink sees it.
//
// Build it against the installed library (examples/CMakeLists.txt), then try it:
//   lumenrt plugins check --kind 1 ./example_mailbox_module.so
//   lumenrt plugins options --kind mapi --backup --source Global.qxc --module ./example_mailbox_module.so
#include <cstdint>
#include <string>

// LUMENRT_STDCALL: on 32-bit Windows the entry points use the standard calling convention (the
// callee removes its arguments), and the module exports them under their plain names (link with
// lumenrt_plain_exports, which passes --kill-at). Elsewhere the macro is empty.
#include "lumenrt/platform/calling_convention.h"
#include "lumenrt/platform/debug_output.h"

#if defined(_WIN32)
#define EXAMPLE_EXPORT extern "C" __declspec(dllexport)
#else
#define EXAMPLE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

// What the next job will use. Texts are borrowed for the call only: copy what you keep.
struct MailboxOptions {
  std::string server;
  std::string profile;
  bool interactive = true;  // the mode flag: 0 when the job runs unattended
  int excluded = 0;         // how many kinds of item the job leaves out
  int propertyRetries = -1;
};

MailboxOptions g_options;

std::string Text(const char* text) { return text != nullptr ? text : ""; }

void Trace(const char* job) {
  const std::string line =
      std::string("example mailbox module: ") + job + " on '" + g_options.server + "' with profile '" +
      g_options.profile + "', " + std::to_string(g_options.excluded) + " exclusions, mode " +
      (g_options.interactive ? "1" : "0") + ", retries " + std::to_string(g_options.propertyRetries) + "\n";
  lumenrt::platform::WriteDebugOutput(line.c_str());
}

}  // namespace

// Every argument is 32 bits wide: flags and numbers as int32, texts as NUL-terminated 8-bit text.
// The result is the module's own; the library does not use it. Never let a C++ exception leave an
// entry point.
EXAMPLE_EXPORT std::int32_t LUMENRT_STDCALL mapi_set_backup_options(
    const char* serverName, const char* profile, std::int32_t mode, std::int32_t exclMbxOutbox,
    std::int32_t exclMbxSentmail, std::int32_t exclMbxWastebasket, std::int32_t exclMbxAttachments,
    std::int32_t exclMbxCalendar, std::int32_t exclMbxNote, std::int32_t exclMbxTasks,
    std::int32_t exclMbxJournal, std::int32_t exclMbxContact, std::int32_t exclPfolderCalendar,
    std::int32_t exclPfolderNote, std::int32_t exclPfolderTasks, std::int32_t exclPfolderAttachments,
    std::int32_t exclPfolderJournal, std::int32_t exclPfolderContact, std::int32_t getPropRetry) {
  g_options.server = Text(serverName);
  g_options.profile = Text(profile);
  g_options.interactive = mode != 0;
  const std::int32_t flags[] = {
      exclMbxOutbox,   exclMbxSentmail,  exclMbxWastebasket,     exclMbxAttachments, exclMbxCalendar,
      exclMbxNote,     exclMbxTasks,     exclMbxJournal,         exclMbxContact,     exclPfolderCalendar,
      exclPfolderNote, exclPfolderTasks, exclPfolderAttachments, exclPfolderJournal, exclPfolderContact};
  g_options.excluded = 0;
  for (std::int32_t flag : flags) g_options.excluded += flag != 0 ? 1 : 0;
  g_options.propertyRetries = getPropRetry;
  Trace("backup");
  return 1;
}

EXAMPLE_EXPORT std::int32_t LUMENRT_STDCALL mapi_set_restore_options(
    const char* serverName, const char* profile, std::int32_t mode, std::int32_t exclMbxOutbox,
    std::int32_t exclMbxSentmail, std::int32_t exclMbxWastebasket, std::int32_t exclMbxAttachments,
    std::int32_t exclPfolderCalendar, std::int32_t exclPfolderNote, std::int32_t exclPfolderTasks,
    std::int32_t exclPfolderAttachments, const char* restoreFolder, std::int32_t restoreTo,
    std::int32_t resolve) {
  g_options.server = Text(serverName);
  g_options.profile = Text(profile);
  g_options.interactive = mode != 0;
  const std::int32_t flags[] = {exclMbxOutbox,      exclMbxSentmail,       exclMbxWastebasket,
                                exclMbxAttachments, exclPfolderCalendar,   exclPfolderNote,
                                exclPfolderTasks,   exclPfolderAttachments};
  g_options.excluded = 0;
  for (std::int32_t flag : flags) g_options.excluded += flag != 0 ? 1 : 0;
  g_options.propertyRetries = -1;
  // restoreTo and resolve are the positions of the chosen words (0 when the job gives none).
  (void)restoreFolder;
  (void)restoreTo;
  (void)resolve;
  Trace("restore");
  return 1;
}

// ZError: the library's error type.
//
// An error names a facility (the subsystem that failed, 0-92 in the facility table, above 200 a
// plug-in identifier), a message number (also the identifier of its format in the message
// catalogue; 0 names no message), one argument (the text when hasText is 1, else the number in
// value), a severity (first character E, F, I or W; empty takes the letter from the format), an
// optional module whose message table is searched first for operating-system texts, and an optional
// owned cause.
//
// Transport: errors are raised by throwing a pointer to a heap ZError (`throw new ZError(...)`);
// whoever catches it owns it and deletes it, usually after `Report`. The fields are plain members
// that callers may set after construction; `cause` is attached by assigning a heap ZError to it.
//
// Ownership: an error owns its cause chain; copying deep-copies the whole chain.
// Thread safety: an error belongs to the thread that caught it.
#pragma once

#include <cstdint>

#include "lumenrt/core/zobject.h"
#include "lumenrt/core/zstring.h"
#include "lumenrt/platform/export.h"
#include "lumenrt/platform/module_handle.h"

struct MessageSink;

class LUMENRT_EXPORT ZError : public ZObject {
 public:
  ZError();
  ZError(const ZError& other);
  ZError& operator=(const ZError& other);
  ~ZError() override;

  // Text form: hasText 1, value 0, no cause, module empty.
  ZError(int facility, int code, const ZString& text, const ZString& severity = ZString());
  ZError(int facility, int code, const char* text, const ZString& severity = ZString())
      : ZError(facility, code, ZString(text), severity) {}
  // Number form: hasText 0, text empty, no cause.
  ZError(int facility, int code, int value, const ZString& severity = ZString(),
         ModuleHandle module = nullptr);

  // Writes this error, then its causes, to `sink` (a MessageSink, the special value
  // LogWriterSink(), or null for the default destination). A non-empty `severity` overrides this
  // error's own severity, not its causes'. An error that carries nothing (code 0 and no non-empty
  // argument) writes nothing, causes included. Never throws.
  void Report(MessageSink* sink, const ZString& severity = ZString()) const;

  std::int32_t facility = 0;
  std::int32_t code = 0;
  std::int32_t hasText = 0;
  std::int32_t value = 0;
  ZString text;
  ZError* cause = nullptr;
  ZString severity;
  ModuleHandle module = nullptr;

 private:
  static ZError* CloneChain(const ZError* first);
  bool ReportOne(MessageSink* sink, const ZString& severity) const;  // false: carries nothing
};

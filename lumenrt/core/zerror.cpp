#include "lumenrt/core/zerror.h"

#include "lumenrt/core/internal/message_numbers.h"
#include "lumenrt/core/message_catalogue.h"

ZError::ZError() = default;

ZError::ZError(const ZError& other)
    : ZObject(other),
      facility(other.facility),
      code(other.code),
      hasText(other.hasText),
      value(other.value),
      text(other.text),
      severity(other.severity),
      module(other.module) {
  cause = CloneChain(other.cause);
}

// Copies a cause chain link by link, so a long chain cannot exhaust the stack.
ZError* ZError::CloneChain(const ZError* first) {
  ZError* head = nullptr;
  ZError** tail = &head;
  try {
    for (const ZError* e = first; e != nullptr; e = e->cause) {
      auto* copy = new ZError();
      copy->facility = e->facility;
      copy->code = e->code;
      copy->hasText = e->hasText;
      copy->value = e->value;
      copy->text = e->text;
      copy->severity = e->severity;
      copy->module = e->module;
      *tail = copy;
      tail = &copy->cause;
    }
  } catch (...) {
    delete head;
    throw;
  }
  return head;
}

ZError& ZError::operator=(const ZError& other) {
  if (this == &other) return *this;
  ZError* newCause = CloneChain(other.cause);
  delete cause;
  cause = newCause;
  facility = other.facility;
  code = other.code;
  hasText = other.hasText;
  value = other.value;
  text = other.text;
  severity = other.severity;
  module = other.module;
  return *this;
}

ZError::~ZError() {
  // Delete the chain iteratively so a very long chain cannot exhaust the stack.
  ZError* next = cause;
  cause = nullptr;
  while (next != nullptr) {
    ZError* after = next->cause;
    next->cause = nullptr;
    delete next;
    next = after;
  }
}

ZError::ZError(int facility_, int code_, const ZString& text_, const ZString& severity_)
    : facility(facility_), code(code_), hasText(1), text(text_), severity(severity_) {}

ZError::ZError(int facility_, int code_, int value_, const ZString& severity_, ModuleHandle module_)
    : facility(facility_), code(code_), hasText(0), value(value_), severity(severity_), module(module_) {}

void ZError::Report(MessageSink* sink, const ZString& severityOverride) const {
  // Outermost first, each cause with its own severity; an error that carries nothing ends the chain.
  const ZString* chosen = &severityOverride;
  for (const ZError* e = this; e != nullptr && e->ReportOne(sink, *chosen); e = e->cause) {
    static const ZString kNone;
    chosen = &kNone;
  }
}

bool ZError::ReportOne(MessageSink* sink, const ZString& severityOverride) const {
  bool carries;
  if (code != 0) {
    carries = true;
  } else if (hasText == 1) {
    unsigned char first = static_cast<unsigned char>(text.c_str()[0]);
    carries = first >= 1 && first <= 127;
  } else {
    carries = value != 0;
  }
  if (!carries) return false;

  const ZString& chosen = severityOverride.IsEmpty() ? severity : severityOverride;
  try {
    if (code == lumenrt::kMessageSystemError) {
      ReportSystemError(sink, facility, lumenrt::kMessageSystemError, value, chosen, module);
    } else if (hasText == 1) {
      ReportMessage(sink, facility, code, text.c_str(), chosen);
    } else {
      ReportMessage(sink, facility, code, value, chosen);
    }
  } catch (ZError* e) {
    delete e;  // reporting never raises; a message that cannot be built is lost
  }
  return true;
}

// Message catalogue files, the host's message formats: loading one (parsed here and handed to the
// platform as a string-table module), freeing it, and the check that a format can be filled safely.
// The reader of one "%" conversion and the library's built-in formats are internal
// (lumenrt/core/internal/format_conversion.h, built_in_messages.h, catalogue_store.h).
//
// Catalogue file format (8-bit text, one entry per line):
//
//   # Comment lines start with '#'; blank lines are ignored.
//   4101   %s-E-SYSERR, system error: %s
//   20001	%s-W-RETRY, retrying after %d seconds
//
// - A line is a message number, one or more blanks or tabs, and the format: the rest of the line as
//   written (blanks inside and at the end are kept; a carriage return before the line feed is
//   dropped). Leading blanks before the number are allowed.
// - The number is decimal or 0x-prefixed hexadecimal, 0 to 4294967295; a message number above
//   2147483647 is reached by passing the negative 32-bit value with the same bits.
// - Each number appears once. A format is 1 to 127 characters, with no control characters
//   other than tab.
// - A format may hold at most two conversions: a first "%s" (with optional flags, width and
//   precision) that receives the facility code, then one argument conversion: "%s", or one of
//   d i u o x X c with optional flags, width, precision and an h, hh or l length. "%%" is a
//   percent sign, except "%%s", which is refused because the catalogue takes every "%s" for a place
//   to insert the argument. Anything else ("%n", "%p", "%f", "*" widths, a third conversion, a
//   lone "%") is refused, so no file can make the library read an argument it was not given or
//   write through a conversion.
// - The expected shape is "%s-", a severity letter (E, F, I, W), "-", an identifier in capitals,
//   ", ", the text with the argument's conversion; texts of error codes need no conversion at all.
// - A file that breaks a rule is refused as a whole, with an error naming the file and line:
//   "agent.msg:7: message 4101: conversion \"%n\" is not allowed".
//
// Nothing here touches the operating system except through the platform's file service and message
// tables. Thread safety: every function may run on any thread.
#pragma once

#include <string>
#include <string_view>

#include "lumenrt/platform/export.h"
#include "lumenrt/platform/module_handle.h"

namespace lumenrt {

inline constexpr int kMaxMessageFormatLength = 127;

// Whether a format can be filled safely with a facility code and one argument (rules above).
struct LUMENRT_EXPORT MessageFormatCheck {
  bool ok = true;
  std::string problem;          // why not, when !ok ("conversion \"%n\" is not allowed")
  int conversions = 0;          // conversions that take an argument
  char argumentConversion = 0;  // letter of the second conversion; 0 when there is none
};
LUMENRT_EXPORT MessageFormatCheck CheckMessageFormat(std::string_view format);

// Loads a catalogue file. Returns its handle, or empty with *error (when error is not null) set to
// "<path>:<line>: <problem>" or "<path>: <problem>". Free the handle with FreeMessageCatalogue.
LUMENRT_EXPORT ModuleHandle LoadMessageCatalogue(const char* path, std::string* error);
// Frees a catalogue; later lookups through the handle answer "no entry". Empty or unknown handles
// are ignored.
LUMENRT_EXPORT void FreeMessageCatalogue(ModuleHandle catalogue);

}  // namespace lumenrt

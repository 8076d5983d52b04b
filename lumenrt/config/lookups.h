// Typed configuration lookups by key id, the texts they leave behind, and the three value errors.
//
// A lookup asks the installed sources (config_source.h) in slot order 1, 2, 3, 4 (empty slots 2-4
// are skipped) and stops at the first source whose answer is not 0. After asking each source it sets
// CurrentKeyName to the key's schema name under that source's version (kinds 1); CurrentKeyValue
// keeps the raw text found. A caller that rejects a value raises cfg_raise_ambiguous,
// cfg_raise_invalid or cfg_raise_required, whose messages quote both.
//
// With no source in slot 1 no source is asked: cfg_get_string gives -1, cfg_get_password and
// cfg_get_choice 0, cfg_get_bool the default; CurrentKeyName then holds the key's name under the
// newest format version (105). When no asked version names the id, CurrentKeyName holds the id in
// decimal, so that a message never names another key.
//
// Failure: no exception leaves a lookup; an allocation failure is reported through the message
// catalogue and answered -1 (cfg_get_bool: the default). Only the cfg_raise_* functions throw, a
// heap ZError* (facility 45, message 4456) that the catcher owns.
// Threads: the slots and both texts are process state without a lock; one lookup at a time.
#pragma once

#include <cstdint>

#include "lumenrt/core/zstring.h"
#include "lumenrt/platform/export.h"

// Name of the key last looked up, and the raw text last found (or empty).
extern LUMENRT_EXPORT ZString CurrentKeyName;
extern LUMENRT_EXPORT ZString CurrentKeyValue;

extern "C" {

// 1 found (value set), 0 not found (value empty), -1 no source in slot 1 (value untouched).
// Retry keys always answer 1: any instance of Server%.Retry_Period (ids 10090-10099) gives its
// leading decimal number when it lies in 30-43200, else "1800"; of Server%.Retry_Delay (ids
// 10100-10109) a number in 30-1800, else "60". The value is rewritten as that number's decimal text;
// with no source in slot 1 the rule is applied to the text value held on entry.
LUMENRT_EXPORT int cfg_get_string(int id, ZString& value);

// As cfg_get_string; the text (empty when not found) is copied with its terminating zero into buffer,
// which must have room for the longest value the caller expects. New code uses cfg_get_string_buf_n.
LUMENRT_EXPORT int cfg_get_string_buf(int id, char* buffer);

// As cfg_get_string_buf, writing at most size bytes: a text that does not fit (with its terminator)
// leaves buffer empty (when size >= 1) and answers -3; CurrentKeyValue still holds the full text.
LUMENRT_EXPORT int cfg_get_string_buf_n(int id, char* buffer, int size);

// 1 found (value set, an obscured password decoded), 0 not found (value empty). Like
// cfg_get_string, CurrentKeyValue becomes the value found: the decoded password.
LUMENRT_EXPORT int cfg_get_password(int id, ZString& value);

// As cfg_get_string; number is 0 unless the result is positive, then the text's leading decimal
// value (blanks skipped, optional sign, digits up to the first other character: "12abc" gives 12).
// A value beyond the 32-bit range saturates at 2147483647 or -2147483648 instead of wrapping.
LUMENRT_EXPORT int cfg_get_number(int id, std::int32_t& number);

// The yes/no value (0 or 1) of the first source that holds a valid one; defaultValue otherwise. A
// source whose text is not a yes/no word is passed over.
LUMENRT_EXPORT int cfg_get_bool(int id, int defaultValue);

// 1 (index set to the word's position), 0 absent, -1 empty or not an allowed word, -2 ambiguous.
// index is -1 unless the result is 1. Invalid and ambiguous texts stop the chain.
// For a required key: -2 -> cfg_raise_ambiguous, 0 -> cfg_raise_required, -1 -> cfg_raise_invalid.
LUMENRT_EXPORT int cfg_get_choice(int id, std::int32_t& index);

// Decodes, in place, each escape character followed by two hexadecimal digits into the byte they
// give; the scan goes on after the decoded byte. An escape followed by fewer than two hexadecimal
// digits, or by digits that give the zero byte, stays as written. Returns text (null stays null).
LUMENRT_EXPORT char* unescapeEntry(char* text, char escape);

// Throw a heap ZError (facility 45 "PARS", message 4456, empty severity) whose text is
//   name + " was specified with an ambiguous value '" + value + "'."
//   name + " was specified with an invalid value '" + value + "'."
//   "A value is required for " + name + "."
// with name = CurrentKeyName and value = CurrentKeyValue.
[[noreturn]] LUMENRT_EXPORT void cfg_raise_ambiguous();
[[noreturn]] LUMENRT_EXPORT void cfg_raise_invalid();
[[noreturn]] LUMENRT_EXPORT void cfg_raise_required();

}  // extern "C"

namespace lumenrt {

inline constexpr int kParsFacility = 45;
inline constexpr int kValueMessage = 4456;
inline constexpr int kValueTooLong = -3;  // cfg_get_string_buf_n: the text does not fit

// A text as cfg_get_number reads it: blanks skipped, an optional sign, then decimal digits up to the
// first other character. `digits` is false when there are none (the value is then 0); `saturated`
// is true when they lie beyond the 32-bit range and value holds the nearer limit.
struct ConfigNumber {
  std::int32_t value = 0;
  bool digits = false;
  bool saturated = false;
};
LUMENRT_EXPORT ConfigNumber ReadConfigNumber(const char* text);

// The range cfg_get_string keeps for a retry key: every instance of the key whose instance 0 is
// firstId. A number outside low-high, or an absent key, gives the fallback text.
struct RetryRange {
  int firstId;
  std::int32_t low;
  std::int32_t high;
  const char* fallback;
};
// The range of id (any instance of Server%.Retry_Period or Server%.Retry_Delay), or null.
LUMENRT_EXPORT const RetryRange* FindRetryRange(int id);

}  // namespace lumenrt

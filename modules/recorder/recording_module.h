// The recording module: a stand-in for the Exchange database and mailbox modules that records every
// call made into it, with all its arguments, and answers what its user tells it.
//
// Built with RECORD_EXCH it exports the 21 exch_* entry points, with RECORD_MAPI the 21 mapi_*
// ones (both for the module that ships with the tool); LEAVE_OUT_SOME drops a few Exchange exports
// (exch_raw_dsk_error, exch_raw_bck_read, exch_clear_log_objects) to make a module with missing
// entry points. Its users reach the record and the answers through the rec_* functions below,
// looked up by name in the loaded module.
//
// Record: one call per entry, in call order; each argument has a name and a value text (numbers in
// decimal, texts copied as they stood, "(null)" for a null text, addresses in decimal). Texts are
// copied at the call, so what the caller changes later does not show.
//
// Answers: rec_set_result(entry, value) makes an entry point answer value (default 1, except
// exch_raw_sidf_search, which answers 0 until told). exch_raw_bck_access writes the address of a
// 56-byte answer (bytes 0x41, 0x42, ...) into its cell unless rec_set_null_access(1) was called.
// exch_dispatch request 2 copies the text of rec_set_query_text into the buffer it is given.
// exch_get_log_objects hands out a ZArray of the ZError objects added with rec_add_log_error;
// rec_set_log_growth(n) makes the list add n more errors while the caller reads it (one each time
// the caller reads the last element); exch_clear_log_objects empties it.
//
// Threads: one caller at a time.
#pragma once

#include <cstdint>

extern "C" {

typedef void (*RecResetFn)();
typedef int (*RecCallCountFn)();
typedef const char* (*RecCallNameFn)(int call);
typedef int (*RecArgCountFn)(int call);
typedef const char* (*RecArgNameFn)(int call, int arg);
typedef const char* (*RecArgValueFn)(int call, int arg);
typedef void (*RecSetResultFn)(const char* entry, long long value);
typedef void (*RecSetFlagFn)(int on);
typedef void (*RecSetTextFn)(const char* text);
typedef void (*RecAddLogErrorFn)(int facility, int code, const char* text);
typedef void (*RecSetLogGrowthFn)(int count);
}

// LUMENRT_EXPORT marks the classes and functions that form the library's public interface.
//
// The shared library is meant to be built with hidden symbols by default: only what carries this
// mark is visible to the agent's components. Put it on a public class (`class LUMENRT_EXPORT ZString`)
// or before a public function's declaration (`LUMENRT_EXPORT int LogWrite(...)`). Internal helpers
// stay unmarked.
#pragma once

#if defined(_WIN32)
#if defined(LUMENRT_BUILDING)
#define LUMENRT_EXPORT __declspec(dllexport)
#else
#define LUMENRT_EXPORT __declspec(dllimport)
#endif
#else
#define LUMENRT_EXPORT __attribute__((visibility("default")))
#endif

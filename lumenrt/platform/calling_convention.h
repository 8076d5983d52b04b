// LUMENRT_STDCALL: the Windows standard calling convention, in which the callee removes its arguments
// from the stack.
//
// The entry points of the modules the library drives (the Exchange database and mailbox modules, the
// network-management functions) use it. It differs from the C convention only in 32-bit Windows
// code; on 64-bit Windows and elsewhere there is one convention and the macro is empty. Put it between
// the result type and the name (`std::int32_t LUMENRT_STDCALL exch_dispatch(...)`) or inside a
// function pointer type (`std::int32_t (LUMENRT_STDCALL*)(...)`). A 32-bit Windows module exports
// such functions under their plain names (linked with --kill-at or a .def file), as the library looks
// them up.
#pragma once

#if defined(_WIN32) && !defined(_WIN64)
#define LUMENRT_STDCALL __stdcall
#else
#define LUMENRT_STDCALL
#endif

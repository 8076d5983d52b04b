// ModuleHandle: an opaque handle of a loaded module (a message catalogue, a plug-in module, a
// shared object). Empty means "the process's own image". What it points at belongs to the
// platform layer that produced it.
#pragma once

using ModuleHandle = void*;

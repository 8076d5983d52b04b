// ICfgService: the agent's configuration service, as the plug-in selection lists reach it.
//
// The agent implements it and hands it to a selection list's `setup`; the library only calls
// `getValue` (slot 3). Slots 1 and 2 belong to the agent; they do nothing unless an implementation
// gives them a meaning.
//
// getValue(key, buffer, length): *length is the buffer's capacity in bytes on entry. The service
// copies as much of the key's value as fits, NUL-terminated, and sets *length to the size the whole
// value needs: its length plus one for the terminating zero (1 for an absent or empty value). A
// caller whose buffer was too small sees *length above the capacity it offered and asks again with a
// buffer of that size. The result is the service's own; the library does not use it.
//
// Ownership: the caller of `setup` keeps the service alive while the selection list uses it.
// Thread safety: the implementation's business; the library calls it from the thread it runs on.
#pragma once

#include <cstdint>

class ICfgService {
 public:
  virtual ~ICfgService() = default;
  virtual void reserved1() {}
  virtual void reserved2() {}
  virtual std::int32_t getValue(std::int32_t key, char* buffer, std::int32_t* length) = 0;
};

// Texts of operating-system error codes (on POSIX systems, errno values).
//
// The message catalogue's SystemErrorText asks a loaded catalogue first (when the error names one)
// and then this environment; when neither knows the code it writes "unknown error code 0x%X".
//
// Thread safety: the default environment keeps no state and may be used on any thread. Installing
// another one (SetSystemErrorEnv) is for start-up and tests; it must not race with lookups.
#pragma once

namespace lumenrt {

class SystemErrorEnv {
 public:
  virtual ~SystemErrorEnv();

  // The system's own text for code into buffer (size >= 1 bytes), cut to size - 1 characters and
  // terminated. Returns the length, or 0 (buffer "") when the system has no text for the code.
  virtual int SystemText(int code, char* buffer, int size) = 0;
};

// The platform's environment (strerror_r on POSIX). Never destroyed.
SystemErrorEnv& DefaultSystemErrorEnv();
// The installed environment, else the default.
SystemErrorEnv& CurrentSystemErrorEnv();
// Installs env (null restores the default) and returns the one installed before (null for the
// default). The caller keeps ownership.
SystemErrorEnv* SetSystemErrorEnv(SystemErrorEnv* env);

}  // namespace lumenrt

// The numbers of the library's own messages, named once for every file that reports one. Their
// formats are the built-in string table (lumenrt/core/message_format.cpp); a message catalogue a
// host loads must carry them too.
#pragma once

namespace lumenrt {

inline constexpr int kMessagePluginUnload = 4099;       // PLGUNLOAD: the plug-in modules cannot be unloaded
inline constexpr int kMessageSystemError = 4101;        // SYSERR: a system error code and its text
inline constexpr int kMessageNoMemory = 4109;           // NOMEMORY: a number of bytes not allocated
inline constexpr int kMessageLogWriteFailed = 4152;     // LOGWRITE: a line the log file did not take
inline constexpr int kMessageTooManySeparators = 4164;  // TOOMANYSEP: a file name with over 64 separators
inline constexpr int kMessageVersion = 4314;            // VERSION: the agent's version banner
inline constexpr int kMessageRegistry = 4320;           // REGISTRY: a registry operation that failed
inline constexpr int kMessageBadPart = 4352;            // BADPART: a file-name part that cannot be set
inline constexpr int kMessageBadValue = 4456;           // BADVALUE: a configuration value refused

}  // namespace lumenrt

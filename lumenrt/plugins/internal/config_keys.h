// Key ids of the job configuration that the two Exchange adapter families read (names as the
// schema gives them).
#pragma once

#include <cstdint>

namespace lumenrt {

// Exchange database adapter.
inline constexpr std::int32_t kExchIncludeBackupKey = 1031;   // Backup.EXCH_Include
inline constexpr std::int32_t kExchBackupTypeKey = 1032;      // Backup.EXCH_Backup_Type (/Full/Incr)
inline constexpr std::int32_t kExchDelLogKey = 1033;          // Backup.EXCH_Del_Log
inline constexpr std::int32_t kExchBackupServerKey = 1034;    // Backup.EXCH_Server_Name
inline constexpr std::int32_t kExchIncludeRestoreKey = 2026;  // Restore.EXCH_Include
inline constexpr std::int32_t kExchRollForwardKey = 2027;     // Restore.EXCH_Roll_Forward
inline constexpr std::int32_t kExchLogAltLocationKey = 2028;  // Restore.EXCH_Log_Alt_Location
inline constexpr std::int32_t kExchHardRecoveryKey = 2029;    // Restore.EXCH_Hard_Recovery
inline constexpr std::int32_t kExchRestoreServerKey = 2030;   // Restore.EXCH_Server_Name

// Mailbox adapter.
inline constexpr std::int32_t kMapiIncludeBackupKey = 1039;   // Backup.EXCHMAPI_Include
inline constexpr std::int32_t kMapiServerKey = 1040;          // Backup.EXCHMAPI_Server_Name (both jobs)
inline constexpr std::int32_t kMapiIncludeRestoreKey = 2031;  // Restore.EXCHMAPI_Include
inline constexpr std::int32_t kMapiRestoreFolderKey = 2042;   // Restore.EXCHMAPI_Restore_Folder
inline constexpr std::int32_t kMapiRestoreToKey = 2043;       // Restore.EXCHMAPI_Restore_To
inline constexpr std::int32_t kMapiResolveKey = 2044;         // Restore.EXCHMAPI_Resolve

}  // namespace lumenrt

// Text constants of the mailbox module's naming scheme for mailbox objects. The library defines them
// for the agent's components; none of its own operations uses them.
#pragma once

namespace lumenrt {

inline constexpr char kMapiRootName[] = "$EXCHMAPI$:\\";  // root of mailbox object names
inline constexpr char kMapiPublicFolders[] = "Public Folders";
inline constexpr char kMapiRecipients[] = "Recipients";
inline constexpr char kMapiDot[] = ".";
inline constexpr char kMapiBackslash[] = "\\";
inline constexpr char kMapiMailboxTag[] = "mbx";
inline constexpr char kMapiFolderTag[] = "fld";
inline constexpr char kMapiMessageTag[] = "msg";
inline constexpr char kMapiBodyTag[] = "body";
inline constexpr char kMapiAttachmentTag[] = "att";
inline constexpr char kMapiAttachmentBodyTag[] = "abody";
// Numeric texts, in the order the scheme lists them (the first one appears twice).
inline constexpr const char* kMapiNumericTexts[] = {"3311152", "3311192", "4151328", "4201332", "3311152"};

}  // namespace lumenrt

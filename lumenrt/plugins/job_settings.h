// JobSettings: the caller's record of the current job, as far as the plug-in adapters use it.
//
// The record belongs to the agent; the library reads only the flags byte and writes only the three
// 513-byte text fields (account, password, domain, each NUL-terminated, at most 512 characters).
// The bytes in between are the agent's and are never touched. The record holds plain bytes only, so
// its layout is the same on every platform; the offsets are checked below.
//
// Thread safety: the caller must not use the record while an adapter's applyOptions writes it.
#pragma once

#include <cstddef>
#include <cstdint>

struct JobSettings {
  static constexpr int kTextFieldSize = 513;
  // Job flags: when bit 0 or bit 1 is set, the mailbox adapters pass 0 as their mode flag.
  static constexpr std::uint8_t kModeFlagMask = 0x03;

  unsigned char agentData1[1140];
  std::uint8_t flags;
  unsigned char agentData2[4460 - 1141];
  char account[kTextFieldSize];
  char password[kTextFieldSize];
  char domain[kTextFieldSize];
  unsigned char agentData3[1];
};

static_assert(offsetof(JobSettings, flags) == 1140);
static_assert(offsetof(JobSettings, account) == 4460);
static_assert(offsetof(JobSettings, password) == 4973);
static_assert(offsetof(JobSettings, domain) == 5486);
static_assert(sizeof(JobSettings) == 6000);

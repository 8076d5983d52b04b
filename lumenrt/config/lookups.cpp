#include "lumenrt/config/lookups.h"

#include <cctype>
#include <cstring>
#include <limits>
#include <string>

#include "lumenrt/config/config_source.h"
#include "lumenrt/config/internal/leading_number.h"
#include "lumenrt/config/schema.h"
#include "lumenrt/core/zerror.h"
#include "lumenrt/platform/internal/text_helpers.h"

// CurrentKeyName and CurrentKeyValue are start-up globals 11 and 12: defined with the others, in
// order, in lumenrt/startup/startup.cpp.

namespace lumenrt {

ConfigNumber ReadConfigNumber(const char* text) {
  ConfigNumber number;
  if (text == nullptr) return number;
  const char* p = text;
  while (std::isspace(static_cast<unsigned char>(*p))) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  std::int64_t magnitude = 0;
  bool beyond = false;  // the digits give more than 2^31
  for (; *p >= '0' && *p <= '9'; ++p) {
    number.digits = true;
    magnitude = magnitude * 10 + (*p - '0');
    if (magnitude > kLimit) {
      magnitude = kLimit;  // saturate; more digits change nothing
      beyond = true;
    }
  }
  if (negative) {
    number.value = static_cast<std::int32_t>(-magnitude);
    number.saturated = beyond;
  } else {
    number.value = static_cast<std::int32_t>(magnitude >= kLimit ? kLimit - 1 : magnitude);
    number.saturated = magnitude >= kLimit;
  }
  return number;
}

std::int32_t LeadingNumber(const char* text) { return ReadConfigNumber(text).value; }

namespace {

constexpr int kNewestVersion = kLastFormatVersion;

ZString Decimal(std::int64_t n) { return ZString(std::to_string(n)); }

// Starts a lookup: the decimal id stands in for the name until a schema row names the key.
void StartLookup(int id) { CurrentKeyName = Decimal(id); }

// Names the key when no source is installed.
void NameWithoutSource(int id) {
  FormatKeyName(id, CurrentKeyName, kNewestVersion, 1);
  CurrentKeyValue.Clear();
}

// Asks the installed sources in slot order with `ask`, naming the key after each; the first answer
// that is not 0 ends the walk. REQUIRES: slot 1 is filled.
template <typename Ask>
int AskSources(int id, Ask ask) {
  int result = 0;
  for (int slot = 1; slot <= 4; ++slot) {
    const ConfigSource* source = InstalledConfigSource(slot);
    if (source == nullptr) continue;
    result = ask(*source);
    FormatKeyName(id, CurrentKeyName, source->GetVersion(), 1);
    if (result != 0) break;
  }
  return result;
}

// Reports an allocation failure raised inside a lookup; lookups themselves never throw.
void ReportAndDrop(ZError* error) {
  error->Report(nullptr);
  delete error;
}

constexpr RetryRange kRetryRanges[] = {
    {10090, 30, 43200, "1800"},  // Server%.Retry_Period, seconds
    {10100, 30, 1800, "60"},     // Server%.Retry_Delay, seconds
};

}  // namespace

const RetryRange* FindRetryRange(int id) {
  for (const RetryRange& range : kRetryRanges) {
    if (id >= range.firstId && id < range.firstId + 10) return &range;
  }
  return nullptr;
}

namespace {

int GetString(int id, ZString& value) {
  StartLookup(id);
  int result;
  if (InstalledConfigSource(1) == nullptr) {
    NameWithoutSource(id);
    result = -1;
  } else {
    result = AskSources(id, [&](const ConfigSource& s) { return s.GetRaw(id, value); });
    if (result > 0) {
      CurrentKeyValue = value;
    } else {
      CurrentKeyValue.Clear();
    }
  }
  if (const RetryRange* rule = FindRetryRange(id)) {
    if (result == 0) {
      value = rule->fallback;
    } else {
      std::int32_t n = lumenrt::LeadingNumber(value);
      value = (n < rule->low || n > rule->high) ? ZString(rule->fallback) : Decimal(n);
    }
    result = 1;
  }
  return result;
}

}  // namespace
}  // namespace lumenrt

using lumenrt::AskSources;
using lumenrt::NameWithoutSource;
using lumenrt::ReportAndDrop;
using lumenrt::StartLookup;

extern "C" {

int cfg_get_string(int id, ZString& value) {
  try {
    return lumenrt::GetString(id, value);
  } catch (ZError* error) {
    ReportAndDrop(error);
    return -1;
  }
}

int cfg_get_string_buf(int id, char* buffer) {
  try {
    ZString value;  // the buffer's earlier content is never read
    int result = lumenrt::GetString(id, value);
    if (buffer != nullptr) std::memcpy(buffer, value.c_str(), static_cast<std::size_t>(value.Length()) + 1);
    return result;
  } catch (ZError* error) {
    ReportAndDrop(error);
    if (buffer != nullptr) buffer[0] = '\0';
    return -1;
  }
}

int cfg_get_string_buf_n(int id, char* buffer, int size) {
  try {
    ZString value;
    int result = lumenrt::GetString(id, value);
    if (buffer == nullptr || size < 1) return lumenrt::kValueTooLong;
    if (value.Length() >= size) {
      buffer[0] = '\0';
      return lumenrt::kValueTooLong;
    }
    std::memcpy(buffer, value.c_str(), static_cast<std::size_t>(value.Length()) + 1);
    return result;
  } catch (ZError* error) {
    ReportAndDrop(error);
    if (buffer != nullptr && size >= 1) buffer[0] = '\0';
    return -1;
  }
}

int cfg_get_password(int id, ZString& value) {
  try {
    StartLookup(id);
    if (InstalledConfigSource(1) == nullptr) {
      NameWithoutSource(id);
      value.Clear();
      return 0;
    }
    int result = AskSources(id, [&](const ConfigSource& s) { return s.GetPassword(id, value); });
    if (result > 0) {
      CurrentKeyValue = value;
    } else {
      CurrentKeyValue.Clear();
    }
    return result;
  } catch (ZError* error) {
    ReportAndDrop(error);
    return -1;
  }
}

int cfg_get_number(int id, std::int32_t& number) {
  number = 0;
  try {
    ZString text;
    int result = lumenrt::GetString(id, text);
    if (result > 0) number = lumenrt::LeadingNumber(text);
    return result;
  } catch (ZError* error) {
    ReportAndDrop(error);
    return -1;
  }
}

int cfg_get_bool(int id, int defaultValue) {
  try {
    StartLookup(id);
    if (InstalledConfigSource(1) == nullptr) {
      NameWithoutSource(id);
      return defaultValue;
    }
    int flag = 0;
    int result = AskSources(id, [&](const ConfigSource& s) { return s.GetBool(id, flag, &CurrentKeyValue); });
    return result == 1 ? flag : defaultValue;
  } catch (ZError* error) {
    ReportAndDrop(error);
    return defaultValue;
  }
}

int cfg_get_choice(int id, std::int32_t& index) {
  index = 0;
  try {
    StartLookup(id);
    if (InstalledConfigSource(1) == nullptr) {
      NameWithoutSource(id);
      index = -1;
      return 0;
    }
    int found = -1;
    int result =
        AskSources(id, [&](const ConfigSource& s) { return s.GetChoice(id, found, &CurrentKeyValue); });
    index = found;
    return result;
  } catch (ZError* error) {
    ReportAndDrop(error);
    index = -1;
    return -1;
  }
}

char* unescapeEntry(char* text, char escape) {
  if (text == nullptr) return text;
  auto hex = [](char c) { return lumenrt::HexDigitValue(c); };
  char* write = text;
  for (const char* read = text; *read != '\0';) {
    // The second digit is only looked at when the first is one, so the terminator is never passed.
    if (*read == escape && hex(read[1]) >= 0 && hex(read[2]) >= 0 && (hex(read[1]) | hex(read[2])) != 0) {
      *write++ = static_cast<char>(hex(read[1]) * 16 + hex(read[2]));
      read += 3;
    } else {
      *write++ = *read++;
    }
  }
  *write = '\0';
  return text;
}

void cfg_raise_ambiguous() {
  throw new ZError(lumenrt::kParsFacility, lumenrt::kValueMessage,
                   CurrentKeyName + " was specified with an ambiguous value '" + CurrentKeyValue + "'.");
}

void cfg_raise_invalid() {
  throw new ZError(lumenrt::kParsFacility, lumenrt::kValueMessage,
                   CurrentKeyName + " was specified with an invalid value '" + CurrentKeyValue + "'.");
}

void cfg_raise_required() {
  throw new ZError(lumenrt::kParsFacility, lumenrt::kValueMessage,
                   "A value is required for " + CurrentKeyName + ".");
}

}  // extern "C"

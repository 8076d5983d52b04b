#include "lumenrt/core/registry_values.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

#include "lumenrt/core/internal/message_numbers.h"
#include "lumenrt/core/message_catalogue.h"
#include "lumenrt/platform/internal/text_helpers.h"
#include "lumenrt/platform/registry_store.h"

namespace {

using lumenrt::kMessageNoMemory;
using lumenrt::kMessageRegistry;
using lumenrt::kMessageSystemError;

constexpr int kFacilitySystem = 43;
// Reads of a value that keeps growing under another writer before the read gives up.
constexpr int kReadRounds = 64;

std::string ValuePath(const char* keyPath, const char* valueName) {
  std::string text = keyPath != nullptr ? keyPath : "";
  text += '\\';
  text += valueName != nullptr ? valueName : "";
  return text;
}

void ReportRegistryFailure(const std::string& object, int error) {
  ReportMessage(nullptr, kFacilitySystem, kMessageRegistry, object.c_str());
  ReportSystemError(nullptr, kFacilitySystem, kMessageSystemError, error);
}

// A zero-filled buffer of n bytes, or null after reporting 4109.
unsigned char* AllocateZeroed(std::size_t n) {
  auto* buffer = static_cast<unsigned char*>(std::calloc(n, 1));
  if (buffer == nullptr)
    ReportMessage(nullptr, kFacilitySystem, kMessageNoMemory, n > INT_MAX ? INT_MAX : static_cast<int>(n),
                  ZString());
  return buffer;
}

}  // namespace

int ReadRegistryValue(const char* keyPath, const char* valueName, int* type, unsigned char** buffer) {
  if (buffer != nullptr) *buffer = nullptr;
  const char* key = keyPath != nullptr ? keyPath : "";

  // A first guess of 8 bytes, then the size the store reported. A value exists only under its key,
  // so the key is looked at only to tell which step failed.
  std::uint32_t size = 8;
  unsigned char* data = AllocateZeroed(size + 1);
  if (data == nullptr) return -1;
  int valueType = kRegNone;
  int error = lumenrt::RegistryQueryValue(key, valueName, &valueType, data, &size);
  // Another process may enlarge the value between the query of its size and the read: read again
  // at the size it has then. Each round needs a write in between, so a few rounds settle.
  for (int round = 0; error == ERANGE && round < kReadRounds; ++round) {
    std::free(data);
    data = AllocateZeroed(static_cast<std::size_t>(size) + 1);
    if (data == nullptr) return -1;
    error = lumenrt::RegistryQueryValue(key, valueName, &valueType, data, &size);
  }

  int result = 0;
  if (error == 0) {
    result = static_cast<int>(size);  // the store holds no value above INT_MAX bytes
  } else if (error == EBUSY) {
    // Asking about the key would wait out the busy timeout a second time.
    result = -1;
    ReportRegistryFailure(ValuePath(key, valueName), error);
  } else if (error != ENOENT) {
    result = -1;
    const int keyError = lumenrt::RegistryOpenKey(key);
    if (keyError == ENOENT) {
      result = 0;
    } else if (keyError != 0) {
      ReportRegistryFailure(key, keyError);
    } else {
      ReportRegistryFailure(ValuePath(key, valueName), error);
    }
  }
  if (result <= 0) {
    std::free(data);
    return result;
  }
  if (type != nullptr) *type = valueType;
  if (buffer != nullptr) {
    *buffer = data;
  } else {
    std::free(data);
  }
  return result;
}

void FreeRegistryBuffer(unsigned char* buffer) { std::free(buffer); }

int WriteRegistryValue(const char* keyPath, const char* valueName, int type, const void* data, int size,
                       int report) {
  const char* key = keyPath != nullptr ? keyPath : "";
  const auto set = [&] {
    return size < 0 ? EINVAL
                    : lumenrt::RegistrySetValue(key, valueName, type, data, static_cast<std::uint32_t>(size));
  };
  // Setting the value of an existing key is the common case and one store transaction; anything
  // else (a missing key or a failure) takes the full way, create the key, then set the value, so
  // that a failure is reported against the step that failed.
  int error = set();
  if (error == 0) return 1;
  if (error == EBUSY) {
    // Creating the key would wait out the busy timeout a second time.
    if (report != 0) ReportRegistryFailure(ValuePath(key, valueName), error);
    return -1;
  }
  error = lumenrt::RegistryCreateKey(key);
  if (error != 0) {
    if (report != 0) ReportRegistryFailure(key, error);
    return -1;
  }
  error = set();
  if (error != 0) {
    if (report != 0) ReportRegistryFailure(ValuePath(key, valueName), error);
    return -1;
  }
  return 1;
}

int ReadAgentNumber(const char* valueName, std::int32_t* number, std::int32_t defaultValue) {
  std::int32_t answer = 0;
  int type = kRegNone;
  unsigned char* data = nullptr;
  int result = ReadRegistryValue(kAgentKey, valueName, &type, &data);
  if (result == 0) {
    answer = defaultValue;
  } else if (result > 0) {
    if (type == kRegDword && result >= 4) {
      const std::uint32_t bits = lumenrt::LoadLittleEndian32(data);
      answer = static_cast<std::int32_t>(bits);
      result = 1;
    } else {
      ReportMessage(nullptr, kFacilitySystem, kMessageRegistry, ValuePath(kAgentKey, valueName).c_str());
      result = -1;
    }
  }
  FreeRegistryBuffer(data);
  if (number != nullptr) *number = answer;
  return result;
}

int WriteAgentNumber(const char* valueName, std::int32_t number, int report) {
  const auto bits = static_cast<std::uint32_t>(number);
  const unsigned char data[4] = {static_cast<unsigned char>(bits), static_cast<unsigned char>(bits >> 8),
                                 static_cast<unsigned char>(bits >> 16),
                                 static_cast<unsigned char>(bits >> 24)};
  return WriteRegistryValue(kAgentKey, valueName, kRegDword, data, 4, report);
}

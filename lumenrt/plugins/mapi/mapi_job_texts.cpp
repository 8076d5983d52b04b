#include "lumenrt/plugins/mapi/internal/mapi_job_texts.h"

#include <cstring>
#include <string>

#include "lumenrt/config/lookups.h"
#include "lumenrt/plugins/internal/plugin_sections.h"
#include "lumenrt/plugins/plugin_exception.h"

namespace lumenrt {
namespace {

constexpr int kLongestFieldText = JobSettings::kTextFieldSize - 1;

void CheckFits(const ZString& value, const ZString& keyName, const char* className) {
  if (value.Length() <= kLongestFieldText) return;
  std::string text = std::string(className) + ".applyOptions: the value of " + keyName.c_str() +
                     " is longer than 512 characters.";
  throw Plugins::PluginException(text.c_str(), kPluginErrorCode);
}

void CopyField(char (&field)[JobSettings::kTextFieldSize], const ZString& value) {
  std::size_t n = static_cast<std::size_t>(value.Length());
  if (n > static_cast<std::size_t>(kLongestFieldText)) n = kLongestFieldText;  // checked before
  std::memcpy(field, value.c_str(), n);
  field[n] = '\0';
}

}  // namespace

MapiSectionTexts ReadMapiSectionTexts(int n, const char* className) {
  MapiSectionTexts texts;

  cfg_get_string(kPluginProfileKey + n, texts.profile);
  cfg_get_string(kPluginAccountKey + n, texts.account);
  CheckFits(texts.account, CurrentKeyName, className);
  cfg_get_string(kPluginDomainKey + n, texts.domain);
  CheckFits(texts.domain, CurrentKeyName, className);
  cfg_get_password(kPluginPasswordKey + n, texts.password);
  CheckFits(texts.password, CurrentKeyName, className);
  return texts;
}

void WriteMapiJobTexts(const MapiSectionTexts& texts, JobSettings& job) {
  CopyField(job.account, texts.account);
  CopyField(job.domain, texts.domain);
  CopyField(job.password, texts.password);
}

std::int32_t MapiModeFlag(const JobSettings& job) {
  return (job.flags & JobSettings::kModeFlagMask) != 0 ? 0 : 1;
}

void RequireJob(const JobSettings* job, const char* className) {
  if (job != nullptr) return;
  std::string text = std::string(className) + ".applyOptions: no JobSettings record.";
  throw Plugins::PluginException(text.c_str(), kPluginErrorCode);
}

}  // namespace lumenrt

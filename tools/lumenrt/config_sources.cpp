#include "config_sources.h"

#include "lumenrt/config/config_file.h"

#include "command.h"

namespace lumenrt::tool {

InstalledSources::~InstalledSources() {
  for (int slot = 1; slot <= 4; ++slot) RemoveConfigSource(slot);
}

bool InstalledSources::Load(const std::vector<std::string>& files, const std::vector<unsigned int>& kinds,
                            const std::vector<int>& versions, BadLines badLines) {
  bool clean = true;
  for (std::size_t i = 0; i < files.size(); ++i) {
    auto source = std::make_unique<ConfigSource>(kinds[i], versions[i]);
    std::vector<ConfigFileProblem> problems;
    LoadConfigFile(files[i], *source, problems);
    for (const auto& problem : problems) {
      const bool skipped = problem.line > 0 && badLines == BadLines::kSkip;
      Fail(kExitUsage, problem.line > 0 ? files[i] + ":" + std::to_string(problem.line) + ": " +
                                              problem.message + (skipped ? " (line skipped)" : "")
                                        : problem.message);
      if (!skipped) clean = false;
    }
    sources_.push_back(std::move(source));
  }
  if (!clean) return false;
  for (std::size_t i = 0; i < sources_.size(); ++i)
    InstallConfigSource(static_cast<int>(i) + 1, sources_[i].get());
  return true;
}

}  // namespace lumenrt::tool

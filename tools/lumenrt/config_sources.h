// Configuration sources of one tool command: NAME = VALUE files loaded and installed in the lookup
// slots 1 to 4, in the order given, for as long as the object lives.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "lumenrt/config/config_source.h"

namespace lumenrt::tool {

class InstalledSources {
 public:
  InstalledSources() = default;
  InstalledSources(const InstalledSources&) = delete;
  InstalledSources& operator=(const InstalledSources&) = delete;
  // Empties the slots before the sources go away.
  ~InstalledSources();

  // What becomes of a file that holds lines that cannot be used.
  enum class BadLines {
    kRefuse,  // nothing is installed and the answer is false
    kSkip,    // the other lines are loaded, as the library's loader does
  };

  // Loads files[i] into a source of kinds[i] and versions[i] and installs them in slots 1, 2, ...
  // Every line that cannot be used is reported on stderr ("lumenrt: FILE:LINE: ..."). A file that
  // cannot be read installs nothing and answers false, as does any bad line under kRefuse. At most
  // four files.
  bool Load(const std::vector<std::string>& files, const std::vector<unsigned int>& kinds,
            const std::vector<int>& versions, BadLines badLines = BadLines::kRefuse);

 private:
  std::vector<std::unique_ptr<ConfigSource>> sources_;
};

}  // namespace lumenrt::tool

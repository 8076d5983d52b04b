// Whole text files for the loaders (message catalogues, configuration files), read through the file
// service with a size limit of the loader's own.
//
// Only a regular file is read: a device that never ends (/dev/zero) or a FIFO that may never see a
// writer is refused at once, and a file holding more than the limit is refused rather than read
// until memory runs out. The reason comes back as one line without the path ("cannot open: No such
// file or directory", "not a regular file", "file is larger than 16 MiB, not a catalogue"), for the
// loader to put after the file's name.
//
// Thread safety: as the file service in use.
#pragma once

#include <cstddef>
#include <string>

namespace lumenrt {

// Reads the file at path into *contents. False with *problem set when the file cannot be read or is
// refused; `what` names what the file should be, with its article ("a catalogue").
bool ReadTextFile(const char* path, std::size_t limit, const char* what, std::string* contents,
                  std::string* problem);

}  // namespace lumenrt

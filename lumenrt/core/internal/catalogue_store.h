// The catalogues loaded from files (lumenrt/core/message_format.h), as the rest of the library reads
// them: parsing one held in memory, telling a catalogue handle from a module's, and copying an entry.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "lumenrt/platform/module_handle.h"

namespace lumenrt {

// Parses a catalogue held in memory as LoadMessageCatalogue parses a file; `name` stands for the
// file name in errors.
ModuleHandle ParseMessageCatalogue(std::string_view text, const char* name, std::string* error);
// True for a live handle from LoadMessageCatalogue or ParseMessageCatalogue.
bool IsMessageCatalogue(ModuleHandle module);
// Copies entry `id` of a live catalogue into buffer (size >= 1 bytes), cut to size - 1 characters
// and terminated; 0 (buffer "") when the handle is not a live catalogue or has no such entry.
int CopyCatalogueEntry(ModuleHandle catalogue, std::uint32_t id, char* buffer, int size);

}  // namespace lumenrt

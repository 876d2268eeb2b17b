#pragma once

#include <filesystem>
#include <memory>
#include <ostream>

#include "save/save_slot.h"

namespace tolven::tools {

// A save slot file, read only when it has exactly the size of one: a file of any other size is
// a ToolError naming the file, its size and the size expected, never a partial record.
std::unique_ptr<SlotRecord> ReadSlotFile(const std::filesystem::path& path);

// The record as UTF-8 text in sections: the header, the interpreter state, the names, the
// non-zero variables, the set flag bits, the non-empty string rows and the read marks.
void ShowSlot(const SlotRecord& record, std::ostream& out);

// `save show`: the file is read whole before anything is printed.
void ShowSlotFile(const std::filesystem::path& path, std::ostream& out);

// `save thumbnail`: the slot's 160x120 thumbnail as a PNG file.
void WriteSlotThumbnail(const std::filesystem::path& path, const std::filesystem::path& outPng);

}  // namespace tolven::tools

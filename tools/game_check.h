#pragma once

#include <filesystem>

#include "tools/check_findings.h"

namespace tolven::tools {

// `check`: every script and definition text of a game folder (read through the engine's
// archives) or of a source folder (read as build-game reads it), read as the engine would.
// What would fail or misbehave at run time comes back as findings. A folder that is neither
// is a ToolError.
Findings CheckGame(const std::filesystem::path& folder);

}  // namespace tolven::tools

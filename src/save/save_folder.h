#pragma once

#include <filesystem>
#include <optional>

namespace tolven {

// The folder of the save slots, save0.dat and kaiso.dat: the --save-dir argument when given;
// else the game folder's "save" folder when it can be written there (it need not exist yet);
// else $XDG_DATA_HOME/tolven/<game folder name> (~/.local/share when unset or relative), for
// games installed where the player cannot write. Nothing is created here.
std::filesystem::path ResolveSaveFolder(const std::optional<std::filesystem::path>& saveDirArgument,
                                        const std::filesystem::path& gameDirectory);

}  // namespace tolven

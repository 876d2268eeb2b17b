#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace tolven {

// Replaces the file at path with these bytes, whole or not at all: a crash, a full disk or a
// power cut leaves either the old file or the new one, never a mixture.
//
// The bytes go to a temporary ".<file name>.XXXXXX" in the target's own folder, are flushed to
// disk and renamed over the target; the folder is flushed after the rename. On failure the
// temporary is removed, the old file is left as it was and *error (when given) says
// "<path>: cannot be written (<reason>)".
//
// The result looks as if the old file had been overwritten in place: when path is a symbolic
// link, the file it finally leads to is replaced and the link stays; an existing file keeps its
// permission bits; a new file gets 0666 less the umask. A target that is not a regular file,
// or an existing file this process may not write to, is refused. Ownership is not carried over.
bool WriteFileAtomically(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                         std::string* error = nullptr);
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view text,
                         std::string* error = nullptr);

// Deletes the temporaries that interrupted writes of path left behind: regular files named as
// WriteFileAtomically names them, beside the file path finally leads to, last modified at least
// an hour before that file itself (a write in progress in another process is never that old).
// Call it right after writing the file: the file's own time is then the file system's "now",
// which also holds on a network folder whose clock differs from ours. Returns how many it
// removed; nothing when the file does not exist.
//
// WriteFileAtomically does not call this itself: writing many files into one large folder would
// then read the folder once per file. Call it once for a file that is rewritten often, such as
// the settings file.
size_t RemoveStaleTemporaries(const std::filesystem::path& path);

}  // namespace tolven

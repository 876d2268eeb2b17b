#pragma once

namespace tolven {

// SDL's video side for the length of a windowed run; headless runs never start it.
class SdlLibrary {
 public:
  // Throws std::runtime_error with SDL's reason when there is no display to open.
  SdlLibrary();
  ~SdlLibrary();
  SdlLibrary(const SdlLibrary&) = delete;
  SdlLibrary& operator=(const SdlLibrary&) = delete;
};

}  // namespace tolven

#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "resources/archives.h"
#include "resources/definition_text.h"

namespace tolven {

// The pictures of the gallery in the order of the view text: a picture's position is the
// number of its gallery flag. Showing a background that is on the list sets its flag.
class GalleryList {
 public:
  // Reads the view named from the definition text "view": the page count from its header
  // block, then every picture name of its page blocks. A missing text or view leaves the list
  // empty.
  void LoadGalleryList(const Archives& archives, DefinitionText& definitions,
                       std::string_view name);
  // The position of an upper-case picture name, or -1 when it is not on the list.
  int IndexOf(std::string_view upperName) const;
  int Count() const { return static_cast<int>(names_.size()); }

 private:
  void ReadPageBlock(const DefinitionText& definitions, uint32_t& position);

  std::vector<std::string> names_;
};

}  // namespace tolven

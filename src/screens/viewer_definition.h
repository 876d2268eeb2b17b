#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "resources/definition_text.h"

namespace tolven {

inline constexpr int kViewThumbnails = 30;  // thumbnails 1-30; 0 is never used
inline constexpr int kViewPages = 10;
inline constexpr int kPageJumps = 10;
inline constexpr int kViewJumps = 5;
inline constexpr int kNamesPerThumbnail = 50;

// x1 <= x < x2, y1 <= y < y2. The reset value never contains a point.
struct ViewRect {
  int x1 = -1;
  int y1 = -1;
  int x2 = -1;
  int y2 = -1;
  bool Contains(int x, int y) const { return x >= x1 && x < x2 && y >= y1 && y < y2; }
};

enum ThumbnailStatus : int {
  kUndefined = 0,
  kLocked = 1,
  kPartlyOpen = 2,  // some pictures seen, or a thumbnail that is always shown
  kOpen = 3,
};

struct ViewThumbnail {
  int status = kUndefined;
  // Gallery views: the picture names, each with the number of its gallery flag.
  std::vector<std::string> names;
  std::vector<int> flagNumbers;
  // Scene views: the scene (script, then optionally ':' and a label); music lists: the value.
  std::string text;
};

struct ViewPage {
  std::array<std::string, 3> pictures;  // base, hover, sheet
  std::array<ViewThumbnail, kViewThumbnails + 1> thumbnails;
};

struct ViewPosition {
  int x = -999;
  int y = -999;
};

// What a view's header lays out, the same on every page.
struct ViewLayout {
  int type = 0;
  int pageCount = 0;
  int thumbnailWidth = 0;
  int thumbnailHeight = 0;
  std::string plate;  // drawn over locked thumbnails
  ViewRect next;
  ViewRect prev;
  ViewRect exit;
  std::array<ViewRect, kPageJumps> pageJumps;
  std::array<ViewPosition, kViewThumbnails + 1> positions;
};

// How a thumbnail learns whether it is unlocked.
struct ViewFlags {
  std::function<bool(int)> gallery;  // gallery flag n
  std::function<bool(int)> event;    // E flag n
};

// The view-jump areas of ":VIEW_0", shared by every view.
std::array<ViewRect, kViewJumps> ReadViewJumps(const DefinitionText& text);

// The view of that name: its layout, and for each of its pages the pictures and thumbnails.
// Picture names of pages the view leaves unnamed stay as they were. False, with nothing
// changed, when the text has no such view.
bool ReadView(const DefinitionText& text, std::string_view name, const ViewFlags& flags,
              ViewLayout& layout, std::array<ViewPage, kViewPages>& pages);

}  // namespace tolven

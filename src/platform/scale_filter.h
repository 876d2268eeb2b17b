#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "engine/settings_store.h"
#include "platform/viewport_mapping.h"

namespace tolven {

// How the picture is stretched from its 800 columns to the window's.
enum class ScaleFilter {
  // Sharp pixels where the window snaps to a whole-number scale, smoothing between them: what
  // the window did before there was a choice, and still the default.
  Automatic,
  // Each window pixel takes the nearest picture pixel. Sharp, but between whole-number scales
  // some picture pixels are a window pixel wider than their neighbours (2 and 3 at 2.5x).
  Nearest,
  // Neighbours blended: even widths, soft edges everywhere.
  Linear,
  // Nearest up to the largest whole-number scale that fits, then linear for what is left:
  // even widths, with at most one blended column (or row) where two picture pixels meet.
  SharpBilinear,
};

std::optional<ScaleFilter> ParseScaleFilter(std::string_view name);
std::string_view ScaleFilterName(ScaleFilter filter);

// The player's choice of how the picture fills the window.
struct Scaling {
  ScaleFilter filter = ScaleFilter::Automatic;
  // Only whole multiples of the picture, centred between black bars.
  bool integerOnly = false;
  // A window of this client size instead of a whole scale of the picture, when both are set.
  int windowWidth = 0;
  int windowHeight = 0;
  bool operator==(const Scaling&) const = default;
};

// How the picture's place in the window is chosen under this scaling.
ViewportMapping::Fit FitFor(const Scaling& scaling);

// One present's way from the picture to its place: first enlarged by a whole factor taking the
// nearest pixel (1: no such step), then stretched to the place, blended or not.
struct Stretch {
  int preScale = 1;
  bool linear = false;
  bool operator==(const Stretch&) const = default;
};
Stretch PlanStretch(ScaleFilter filter, const Rect& destination, int pictureWidth,
                    int pictureHeight);

// "WIDTHxHEIGHT", each a whole number from 1 to 16384; nothing when the text is not that.
std::optional<std::pair<int, int>> ParseWindowSize(std::string_view text);

// The keys of the settings file's own section; the command line's choice goes before them.
inline constexpr std::string_view kFilterKey = "Filter";
inline constexpr std::string_view kIntegerScaleKey = "IntegerScale";

// The scaling the settings ask for. A value that cannot be read leaves the default in place and
// is described in `complaint` (empty when all was read).
Scaling ReadScaling(const SettingsStore::Snapshot& settings, std::string& complaint);

}  // namespace tolven

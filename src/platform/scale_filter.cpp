#include "platform/scale_filter.h"

#include <algorithm>
#include <array>
#include <utility>

namespace tolven {
namespace {

constexpr std::array<std::pair<std::string_view, ScaleFilter>, 4> kNames = {{
    {"auto", ScaleFilter::Automatic},
    {"nearest", ScaleFilter::Nearest},
    {"linear", ScaleFilter::Linear},
    {"sharp-bilinear", ScaleFilter::SharpBilinear},
}};

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameLetters(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Lower(x) == Lower(y); });
}

std::string_view Trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

std::optional<ScaleFilter> ParseScaleFilter(std::string_view name) {
  for (const auto& [known, filter] : kNames) {
    if (SameLetters(Trimmed(name), known)) return filter;
  }
  return std::nullopt;
}

std::string_view ScaleFilterName(ScaleFilter filter) {
  for (const auto& [name, known] : kNames) {
    if (known == filter) return name;
  }
  return kNames.front().first;
}

ViewportMapping::Fit FitFor(const Scaling& scaling) {
  if (scaling.integerOnly) return ViewportMapping::Fit::Whole;
  // Snapping to a nearby whole scale is the automatic filter's way to sharpness; a chosen
  // filter is shown filling the window, as chosen.
  return scaling.filter == ScaleFilter::Automatic ? ViewportMapping::Fit::Snapped
                                                  : ViewportMapping::Fit::Filled;
}

Stretch PlanStretch(ScaleFilter filter, const Rect& destination, int pictureWidth,
                    int pictureHeight) {
  const bool whole = destination.width > 0 && destination.height > 0 &&
                     destination.width % pictureWidth == 0 &&
                     destination.height % pictureHeight == 0 &&
                     destination.width / pictureWidth == destination.height / pictureHeight;
  switch (filter) {
    case ScaleFilter::Nearest:
      return {1, false};
    case ScaleFilter::Linear:
      return {1, true};
    case ScaleFilter::SharpBilinear: {
      // At a whole scale the linear step would copy pixel for pixel: nearest alone gives the
      // same picture.
      if (whole) return {1, false};
      const int factor =
          std::min(destination.width / pictureWidth, destination.height / pictureHeight);
      return {std::max(factor, 1), true};
    }
    case ScaleFilter::Automatic:
      break;
  }
  return {1, !whole};
}

std::optional<std::pair<int, int>> ParseWindowSize(std::string_view text) {
  constexpr int kLargest = 16384;
  const auto number = [&](std::string_view digits) -> std::optional<int> {
    if (digits.empty() || digits.size() > 5) return std::nullopt;
    int value = 0;
    for (char c : digits) {
      if (c < '0' || c > '9') return std::nullopt;
      value = value * 10 + (c - '0');
    }
    if (value < 1 || value > kLargest) return std::nullopt;
    return value;
  };
  const size_t by = text.find_first_of("xX");
  if (by == std::string_view::npos) return std::nullopt;
  const std::optional<int> width = number(text.substr(0, by));
  const std::optional<int> height = number(text.substr(by + 1));
  if (!width || !height) return std::nullopt;
  return std::pair{*width, *height};
}

Scaling ReadScaling(const SettingsStore::Snapshot& settings, std::string& complaint) {
  Scaling scaling;
  complaint.clear();
  if (const std::optional<std::string> name = settings.ReadOwn(kFilterKey)) {
    if (const std::optional<ScaleFilter> filter = ParseScaleFilter(*name)) {
      scaling.filter = *filter;
    } else {
      complaint = std::string(kFilterKey) + "=" + *name +
                  " is no filter (auto, nearest, linear or sharp-bilinear): auto is used";
    }
  }
  if (const std::optional<std::string> value = settings.ReadOwn(kIntegerScaleKey)) {
    const std::string_view flag = Trimmed(*value);
    if (flag == "1" || flag == "0") {
      scaling.integerOnly = flag == "1";
    } else {
      if (!complaint.empty()) complaint += "; ";
      complaint += std::string(kIntegerScaleKey) + "=" + *value + " is neither 0 nor 1: 0 is used";
    }
  }
  return scaling;
}

}  // namespace tolven

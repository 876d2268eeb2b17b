#pragma once

// Reading a window row that shows PB's one-pixel black and white stripes, enlarged: how wide
// each stripe came out and how much of the row is blurred.
#include <cstdint>
#include <set>
#include <vector>

#include "resources/bitmap24.h"

namespace tolven::testing {

// PB striped column by column, black on even columns, white on odd ones.
inline void DrawStripes(Bitmap24& pb) {
  for (int y = 0; y < pb.Height(); ++y) {
    uint8_t* row = pb.Row(y);
    for (int x = 0; x < pb.Width(); ++x) {
      const uint8_t v = x % 2 == 0 ? 0 : 255;
      row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = v;
    }
  }
}

struct StripeColumns {
  // Widths of the runs of pure black or white columns, the first and last run left out.
  std::set<int> exactWidths;
  // How much of a stripe each stripe covers, counting a blended column by its share of the
  // stripe's colour; first and last stripe left out.
  std::vector<double> coverage;
  int blended = 0;     // columns neither pure black nor pure white
  int columns = 0;     // columns read
  int farBlended = 0;  // blended columns more than one column away from where stripes meet
};

// Reads the columns [left, right) of a window row where PB's stripes, `stripe` window columns
// wide (2.5 at 2.5x), begin at `left` with a black one.
inline StripeColumns ReadStripes(const Bitmap24& shot, int y, int left, int right, double stripe) {
  StripeColumns result;
  const uint8_t* row = shot.Row(y);
  std::vector<double> coverage{0.0};
  std::vector<int> exactRuns{0};
  double carried = 0.0;  // what blended columns gave the stripe after the current one
  bool white = false;
  for (int x = left; x < right; ++x) {
    ++result.columns;
    const uint8_t g = row[3 * x + 1];
    if (g == 0 || g == 255) {
      if ((g == 255) != white) {
        white = !white;
        coverage.push_back(carried);
        exactRuns.push_back(0);
        carried = 0.0;
      }
      coverage.back() += 1.0;
      ++exactRuns.back();
      continue;
    }
    ++result.blended;
    // Where two stripes meet nearest to this column's middle.
    const double middle = x - left + 0.5;
    const double edge = stripe * static_cast<long long>(middle / stripe + 0.5);
    if (middle - edge > 1.0 || edge - middle > 1.0) ++result.farBlended;
    const double mine = white ? g / 255.0 : 1.0 - g / 255.0;
    coverage.back() += mine;
    carried += 1.0 - mine;
  }
  for (size_t i = 1; i + 1 < exactRuns.size(); ++i) result.exactWidths.insert(exactRuns[i]);
  if (coverage.size() > 2) result.coverage.assign(coverage.begin() + 1, coverage.end() - 1);
  return result;
}

}  // namespace tolven::testing

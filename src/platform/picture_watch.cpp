#include "platform/picture_watch.h"

#include <cstring>

namespace tolven {

bool PictureWatch::Changed(const Bitmap24& picture) {
  if (busyLooks_ == 0) return Glance(picture);
  --busyLooks_;
  return Differs(picture);
}

void PictureWatch::Shown(const Bitmap24& picture) {
  shown_ = picture;
  busyLooks_ = kBusyLooks;
}

bool PictureWatch::Glance(const Bitmap24& picture) {
  if (picture.Width() != shown_.Width() || picture.Height() != shown_.Height()) return true;
  const int first = phase_;
  phase_ = (phase_ + 1) % kStride;
  for (int y = first; y < picture.Height(); y += kStride) {
    if (std::memcmp(picture.Row(y), shown_.Row(y), picture.RowBytes()) != 0) return true;
  }
  return false;
}

}  // namespace tolven

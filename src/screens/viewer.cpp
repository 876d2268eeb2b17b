#include "screens/viewer.h"

#include <algorithm>

#include <nlohmann/json.hpp>

#include "base/engine_values.h"
#include "base/text_encoding.h"
#include "graphics/blending.h"
#include "graphics/picture_copy.h"

namespace tolven {
namespace {

constexpr int kHighlightFrames = 16;
constexpr int kPulseFrames = 32;
constexpr size_t kSceneTextLook = 100;  // how far the ':' between script and label is looked for
constexpr int kGalleryType = 0;
constexpr int kSceneType = 1;
constexpr int kMusicListType = 2;
constexpr int kMusicPlayerType = 3;

bool EventFlag(const ScriptState& state, int n) {
  return n >= 0 && n < kEBits && (state.E[static_cast<size_t>(n / 8)] >> (n % 8) & 1) != 0;
}

bool IsThumbnail(int element) {
  return element >= 1 && element <= kViewThumbnails;
}

}  // namespace

Viewer::Viewer(const ViewerParts& parts) : parts_(parts) {}

int Viewer::Status(int thumbnail) const {
  if (!IsThumbnail(thumbnail)) return kUndefined;
  return Page().thumbnails[static_cast<size_t>(thumbnail)].status;
}

void Viewer::ViewerCommand(std::string_view name) {
  parts_.engine.StopSkipAndAuto(true);
  OpenView(name);
}

void Viewer::OpenView(std::string_view name) {
  // Without the text the buffer holds some other definition text, which names no views.
  const bool loaded = parts_.definitions.Load(parts_.archives, "view");
  plate_ = Bitmap24{};
  viewJumps_ = loaded ? ReadViewJumps(parts_.definitions) : std::array<ViewRect, kViewJumps>{};
  playing_ = 0;
  lastTrack_ = 1;
  if (!loaded || !parts_.definitions.FindSectionStart(name)) return;

  parts_.state.S(sv::kSaveAvailability) = 2;
  parts_.engine.UpdateMenuBar();
  const ViewFlags flags{
      [this](int n) { return parts_.progress.GalleryFlag(n); },
      [this](int n) { return EventFlag(parts_.state, n); },
  };
  ReadView(parts_.definitions, name, flags, layout_, pages_);
  if (!layout_.plate.empty()) parts_.stage.LoadPicture(layout_.plate, plate_);

  name_ = std::string(name);
  open_ = true;
  page_ = 0;
  pictureMode_ = false;
  parts_.flags.EngineState = EngineScreen::Viewer;
  pointed_ = 0;
  DrawViewPage();
  loading_ = false;
}

void Viewer::LoadInto(const std::string& name, Bitmap24& buffer) {
  if (name.empty() || !parts_.stage.LoadPicture(name, picture_)) return;
  CopyTopLeftArea(picture_, buffer);
}

void Viewer::ShowStage() {
  CopyTopLeftArea(parts_.stage.Buffers().StageBuffer, parts_.pb.Draw());
}

void Viewer::DrawViewPage() {
  std::fill(counters_.begin(), counters_.begin() + kViewExit + 1, 0);
  ScreenBuffers& buffers = parts_.stage.Buffers();
  const ViewPage& page = Page();
  LoadInto(page.pictures[0], buffers.SceneBuffer);
  LoadInto(page.pictures[1], buffers.BackgroundBuffer);
  LoadInto(page.pictures[2], buffers.WorkBuffer);
  if (layout_.type == kMusicPlayerType) {
    for (int n = 1; n <= kViewThumbnails; ++n) {
      pages_[0].thumbnails[static_cast<size_t>(n)].status = kPartlyOpen;
    }
  } else {
    for (int n = 1; n <= kViewThumbnails; ++n) {
      const ViewPosition& at = layout_.positions[static_cast<size_t>(n)];
      const int status = page.thumbnails[static_cast<size_t>(n)].status;
      if (status == kLocked) {
        CopyRect(plate_, 0, 0, plate_.Width(), plate_.Height(), buffers.SceneBuffer, at.x, at.y);
      } else if (status == kOpen && layout_.thumbnailWidth > 0 && layout_.thumbnailHeight > 0) {
        CopyRect(buffers.WorkBuffer, at.x, at.y, layout_.thumbnailWidth, layout_.thumbnailHeight,
                 buffers.SceneBuffer);
      }
    }
  }
  CopyTopLeftArea(buffers.SceneBuffer, buffers.StageBuffer);
  ShowStage();
}

ViewRect Viewer::ElementRect(int element) const {
  if (IsThumbnail(element)) {
    const ViewPosition& at = layout_.positions[static_cast<size_t>(element)];
    return {at.x, at.y, at.x + layout_.thumbnailWidth, at.y + layout_.thumbnailHeight};
  }
  if (element == kViewNext) return layout_.next;
  if (element == kViewPrev) return layout_.prev;
  if (element == kViewExit) return layout_.exit;
  if (element >= kViewPageJump && element < kViewPageJump + kPageJumps) {
    return layout_.pageJumps[static_cast<size_t>(element - kViewPageJump)];
  }
  if (element >= kViewJump && element < kViewJump + kViewJumps) {
    return viewJumps_[static_cast<size_t>(element - kViewJump)];
  }
  return {};
}

int Viewer::ViewHitTest(int x, int y) const {
  for (int n = 1; n <= kViewThumbnails; ++n) {
    const int status = Page().thumbnails[static_cast<size_t>(n)].status;
    if ((status == kPartlyOpen || status == kOpen) && ElementRect(n).Contains(x, y)) return n;
  }
  int result = 0;
  if (layout_.next.Contains(x, y)) result = kViewNext;
  if (layout_.prev.Contains(x, y)) result = kViewPrev;
  if (layout_.exit.Contains(x, y)) result = kViewExit;
  for (int d = 0; d < kPageJumps; ++d) {
    if (layout_.pageJumps[static_cast<size_t>(d)].Contains(x, y)) return kViewPageJump + d;
  }
  for (int d = 0; d < kViewJumps; ++d) {
    if (viewJumps_[static_cast<size_t>(d)].Contains(x, y)) return kViewJump + d;
  }
  return result;
}

void Viewer::ViewHover(int x, int y) {
  if (pictureMode_) return;
  const int element = ViewHitTest(x, y);
  if (element == 0) {
    pointed_ = 0;
    return;
  }
  const bool singlePageButton =
      (element == kViewNext || element == kViewPrev) && layout_.pageCount == 1;
  if (!singlePageButton && element < kViewPageJump) {
    const ViewRect r = ElementRect(element);
    const int width = r.x2 - r.x1;
    const int height = r.y2 - r.y1;
    if (width > 0 && height > 0) {
      ScreenBuffers& buffers = parts_.stage.Buffers();
      CopyRect(buffers.BackgroundBuffer, r.x1, r.y1, width, height, buffers.StageBuffer);
      CopyRect(buffers.BackgroundBuffer, r.x1, r.y1, width, height,
               parts_.pb.Draw(r.x1, r.y1, width, height));
    }
  }
  counters_[static_cast<size_t>(element)] = kHighlightFrames;
  pointed_ = element;
}

void Viewer::ViewFrame() {
  if (pictureMode_) return;
  const uint32_t before = frames_++;
  if (layout_.type == kMusicPlayerType && (before & 31u) == 31u && playing_ != 0) {
    counters_[kViewNext] = kHighlightFrames;
    counters_[static_cast<size_t>(playing_)] = kPulseFrames;
  }
  ScreenBuffers& buffers = parts_.stage.Buffers();
  const Bitmap24& hover = buffers.BackgroundBuffer;
  const Bitmap24& scene = buffers.SceneBuffer;
  Bitmap24& stage = buffers.StageBuffer;
  const int right = std::min({hover.Width(), scene.Width(), stage.Width()});
  const int bottom = std::min({hover.Height(), scene.Height(), stage.Height()});
  for (int element = 1; element < kViewElements; ++element) {
    int& counter = counters_[static_cast<size_t>(element)];
    if (counter == 0) continue;
    // A pointed button or thumbnail stays fully lit; the areas fade regardless.
    if (element <= kViewExit && element == pointed_) continue;
    --counter;
    const ViewRect r = ElementRect(element);
    if (r.x2 <= r.x1 || r.y2 <= r.y1) continue;
    const int x1 = std::max(r.x1, 0);
    const int x2 = std::min(r.x1 + (r.x2 - r.x1 + 7) / 8 * 8, right);
    const int y1 = std::max(r.y1, 0);
    const int y2 = std::min(r.y2, bottom);
    if (x2 <= x1) continue;
    const size_t offset = 3 * static_cast<size_t>(x1);
    const size_t bytes = 3 * static_cast<size_t>(x2 - x1);
    for (int y = y1; y < y2; ++y) {
      WeightedMix(hover.Row(y) + offset, scene.Row(y) + offset, counter * 8, stage.Row(y) + offset,
                  bytes);
    }
  }
  ShowStage();
}

void Viewer::ViewClick(MouseButton button, int, int) {
  if (loading_) return;
  const int element = pointed_;
  if (button == MouseButton::Right) {
    if (pictureMode_) {
      pictureMode_ = false;
      DrawViewPage();
    }
    return;
  }
  if (element >= kViewJump) {
    plate_ = Bitmap24{};
    OpenView("VIEW_" + std::to_string(element - kViewJump));
    return;
  }
  if (element >= kViewPageJump) {
    page_ = element - kViewPageJump;
    DrawViewPage();
    return;
  }
  if (layout_.type == kSceneType && IsThumbnail(element)) {
    StartSceneReplay(element);
    return;
  }
  if (layout_.type == kMusicListType && IsThumbnail(element)) {
    ScreenBuffers& buffers = parts_.stage.Buffers();
    CopyTopLeftArea(buffers.SceneBuffer, buffers.StageBuffer);
    const ViewRect r = ElementRect(element);
    CopyRect(buffers.WorkBuffer, r.x1, r.y1, r.x2 - r.x1, r.y2 - r.y1, buffers.StageBuffer);
    ShowStage();
    PlayTrack(element);
    return;
  }
  if (layout_.type == kMusicPlayerType) {
    if (IsThumbnail(element)) {
      lastTrack_ = element;
      PlayTrack(element);
    } else if (element == kViewNext) {
      if (playing_ == 0) PlayTrack(lastTrack_);
    } else if (element == kViewPrev) {
      PlayTrack(0);
    } else if (element == kViewExit) {
      // The player leaves the menu bar to the script that opened it.
      parts_.music.SetMusic(0, parts_.state);
      plate_ = Bitmap24{};
      parts_.flags.EngineState = EngineScreen::Story;
      open_ = false;
    }
    return;
  }
  if (pictureMode_) {
    if (button == MouseButton::Left) {
      ShowNextPicture();
    } else if (button == MouseButton::Middle) {
      pictureMode_ = false;
      DrawViewPage();
    }
    return;
  }
  const int pages = layout_.pageCount;
  if (IsThumbnail(element)) {
    pictureIndex_ = 0;
    ShowNextPicture();
    pictureMode_ = true;
  } else if (element == kViewNext) {
    page_ = page_ + 1 >= pages ? 0 : page_ + 1;
    DrawViewPage();
  } else if (element == kViewPrev) {
    page_ = page_ == 0 ? std::max(pages - 1, 0) : page_ - 1;
    DrawViewPage();
  } else if (element == kViewExit) {
    LeaveView();
  }
}

void Viewer::PlayTrack(int track) {
  parts_.music.SetMusic(track, parts_.state);
  playing_ = track;
}

void Viewer::LeaveView() {
  parts_.music.SetMusic(0, parts_.state);
  plate_ = Bitmap24{};
  parts_.flags.EngineState = EngineScreen::Story;
  parts_.flags.ReplayActive = false;
  parts_.state.S(sv::kSaveAvailability) = 1;
  parts_.engine.UpdateMenuBar();
  open_ = false;
}

void Viewer::ShowNextPicture() {
  if (!IsThumbnail(pointed_)) return;
  loading_ = true;
  const std::vector<std::string>& names = Page().thumbnails[static_cast<size_t>(pointed_)].names;
  const size_t count = names.size();
  for (size_t k = 0; k < count; ++k) {
    const size_t i = (static_cast<size_t>(std::max(pictureIndex_, 0)) + k) % count;
    if (!parts_.progress.GalleryFlag(parts_.galleryList.IndexOf(names[i]))) continue;
    LoadInto(names[i], parts_.stage.Buffers().StageBuffer);
    ShowStage();
    pictureIndex_ = static_cast<int>(i) + 1;
    break;
  }
  loading_ = false;
}

void Viewer::StartSceneReplay(int thumbnail) {
  parts_.replay.StartReplay(ReplayOrigin::Viewer);
  parts_.flags.EngineState = EngineScreen::Story;
  const std::string& scene = Page().thumbnails[static_cast<size_t>(thumbnail)].text;
  const size_t colon = std::string_view(scene).substr(0, kSceneTextLook).find(':');
  std::string script = scene.substr(0, colon == std::string::npos ? kSceneTextLook : colon);
  const std::string label = colon == std::string::npos ? "" : scene.substr(colon + 1);
  script.resize(std::min(script.size(), kScriptNameMax));
  parts_.engine.ResetWaits();
  InterpreterState& state = parts_.interpreter.State();
  if (parts_.interpreter.LoadScript(script, kScriptMode)) state.CurrentScript = script;
  showReplayMenu(false, true);
  if (!label.empty()) parts_.interpreter.JumpToLabel(label);
}

void Viewer::ReturnFromReplay() {
  parts_.sound.StopLoopingSound();
  parts_.replay.EndReplay();
  parts_.state.S(sv::kTextMode) = 0;
  parts_.state.S(sv::kDateDisplay) = 0;
  parts_.flags.EngineState = EngineScreen::Viewer;
  open_ = true;
  DrawViewPage();
  showReplayMenu(false, false);
}

nlohmann::ordered_json Viewer::DumpObject() const {
  if (!open_) return nullptr;
  nlohmann::ordered_json statuses = nlohmann::ordered_json::array();
  for (int n = 1; n <= kViewThumbnails; ++n) statuses.push_back(Status(n));
  return {{"name", ShiftJisToUtf8Lossy(name_)},
          {"type", layout_.type},
          {"page", page_},
          {"pages", layout_.pageCount},
          {"picture_mode", pictureMode_},
          {"pointed", pointed_},
          {"statuses", statuses}};
}

}  // namespace tolven

// Presenting only what changed: PB remembers where it was drawn, and the frame renderer sends the
// window that part alone, yet the window always shows what a whole composition would.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstring>
#include <vector>

#include "platform/frame_renderer.h"
#include "platform/game_window.h"
#include "platform/probe_engine.h"
#include "platform/rect_printing.h"
#include "platform/scoped_environment.h"
#include "platform/sdl_library.h"

namespace tolven {
namespace {

using testing::ProbeEngine;
using testing::ScopedEnvironment;

TEST(PaintBoxTest, TellsTheAreaDrawnSinceAChangeCount) {
  const PbArea whole{0, 0, 800, 600};
  struct Case {
    const char* what;
    std::vector<PbArea> draws;  // an empty area stands for a draw of the whole picture
    PbArea expected;
  };
  const std::vector<PbArea> seventeen(17, PbArea{3, 4, 1, 1});
  const std::vector<PbArea> sixteen(16, PbArea{3, 4, 1, 1});
  const Case cases[] = {
      {"nothing drawn", {}, {}},
      {"one area", {{700, 560, 24, 25}}, {700, 560, 24, 25}},
      {"two areas and what lies between", {{10, 20, 5, 5}, {100, 200, 10, 10}}, {10, 20, 100, 190}},
      {"a draw of the whole picture", {{}, {10, 20, 5, 5}}, whole},
      {"an area reaching out of the picture, cut to it", {{790, 590, 24, 25}}, {790, 590, 10, 10}},
      {"the sixteen last draws are remembered", sixteen, {3, 4, 1, 1}},
      {"more draws than remembered: all of it", seventeen, whole},
  };
  for (const Case& c : cases) {
    PaintBox pb(800, 600);
    EXPECT_EQ(pb.DrawnSince(0), whole) << c.what << ": a fresh picture was never shown";
    const uint64_t shown = pb.Changes();
    for (const PbArea& area : c.draws) {
      if (area.width == 0) {
        pb.Draw();
      } else {
        pb.Draw(area.x, area.y, area.width, area.height);
      }
    }
    EXPECT_EQ(pb.DrawnSince(shown), c.expected) << c.what;
    EXPECT_EQ(pb.DrawnSince(pb.Changes()), PbArea{}) << c.what;
  }
}

// What the window holds now, in blue-green-red order.
Bitmap24 WindowPixels(SDL_Window* window) {
  SDL_Surface* shown = SDL_GetWindowSurface(window);
  Bitmap24 pixels(shown->w, shown->h);
  SDL_ConvertPixels(shown->w, shown->h, shown->format->format, shown->pixels, shown->pitch,
                    SDL_PIXELFORMAT_BGR24, pixels.Data(), static_cast<int>(pixels.RowBytes()));
  return pixels;
}

// The picture as a window at a whole-number scale shows it.
Bitmap24 Enlarged(const Bitmap24& picture, int scale) {
  Bitmap24 large(picture.Width() * scale, picture.Height() * scale);
  for (int y = 0; y < large.Height(); ++y) {
    for (int x = 0; x < large.Width(); ++x) {
      std::memcpy(large.Row(y) + 3 * x, picture.Row(y / scale) + 3 * (x / scale), 3);
    }
  }
  return large;
}

// A dialog of one label over the middle of the picture.
class PlainDialog : public DialogModel {
 public:
  std::string_view Name() const override { return "TPlain"; }
  std::string Caption() const override { return "確認"; }
  int ClientWidth() const override { return 300; }
  int ClientHeight() const override { return 200; }
  bool Closed() const override { return false; }
  std::vector<Control> Controls() const override {
    return {MakeControl("Label1", ControlKind::Label, 8, 8, 0, 0, "お待ちください")};
  }
  ControlAction Set(std::string_view, std::string_view) override { return ControlAction::Done; }
  ControlAction Press(std::string_view) override { return ControlAction::Done; }
};

TEST(PartialPresentTest, SendsTheWindowOnlyTheDrawnPartAndShowsWhatAWholeFrameWould) {
  ScopedEnvironment video("SDL_VIDEODRIVER", "dummy");
  using Output = FrameRenderer::Output;
  struct Case {
    const char* what;
    Output output;
    int scale;
    bool dialog;
    PbArea drawn;
    Rect shown;  // what the present after the draw hands the display, in window pixels
  };
  const Case cases[] = {
      {"window pixels, 1x",
       Output::WindowSurface,
       1,
       false,
       {700, 560, 24, 25},
       {700, 584, 24, 25}},
      {"window pixels, 2x",
       Output::WindowSurface,
       2,
       false,
       {700, 560, 24, 25},
       {1400, 1168, 48, 50}},
      {"a part beside a dialog",
       Output::WindowSurface,
       1,
       true,
       {700, 560, 24, 25},
       {700, 584, 24, 25}},
      // The dialog drawn over it would be painted over by the part.
      {"a part under a dialog",
       Output::WindowSurface,
       1,
       true,
       {390, 300, 24, 25},
       {0, 0, 800, 624}},
      // A GPU renderer redraws the window whole, from a composition that took the part alone.
      {"a renderer of the window",
       Output::Renderer,
       1,
       false,
       {700, 560, 24, 25},
       {0, 0, 800, 624}},
  };
  for (const Case& c : cases) {
    SdlLibrary sdl;
    GameWindow window(1);
    SDL_SetWindowSize(window.Handle(), 800 * c.scale, 624 * c.scale);
    ProbeEngine engine;
    PlainDialog dialog;
    FrameRenderer frames(window.Handle(), c.output);
    ASSERT_EQ(frames.Way(), c.output) << c.what;
    if (c.dialog) frames.Ui().OpenDialog(dialog);
    frames.Present(engine, true);
    EXPECT_EQ(frames.LastShown(), std::vector<Rect>{Rect({0, 0, 800 * c.scale, 624 * c.scale})})
        << c.what << ": the first present";
    // The click-wait icon's frames, one after another.
    for (uint8_t shade : {200, 30, 120}) {
      Bitmap24& picture = engine.pb.Draw(c.drawn.x, c.drawn.y, c.drawn.width, c.drawn.height);
      for (int y = c.drawn.y; y < c.drawn.y + c.drawn.height; ++y) {
        std::memset(picture.Row(y) + 3 * c.drawn.x, shade, 3 * c.drawn.width);
      }
      ASSERT_TRUE(frames.Stale(engine, true)) << c.what;
      frames.Present(engine, true);
      EXPECT_FALSE(frames.Stale(engine, true)) << c.what;
      EXPECT_EQ(frames.LastShown(), std::vector<Rect>{c.shown}) << c.what;
    }
    const Bitmap24 shown = WindowPixels(window.Handle());
    const Bitmap24 whole = frames.Capture(engine, true);
    if (!c.dialog) {
      EXPECT_EQ(whole.Row(24 + c.drawn.y)[3 * c.drawn.x], 120) << c.what;
    }
    EXPECT_TRUE(shown == Enlarged(whole, c.scale)) << c.what;
    if (c.dialog) frames.Ui().CloseDialog();
  }
}

}  // namespace
}  // namespace tolven

// The page redraw paints the characters of the page where and in the colours they were printed,
// and the ruby readings over them.
#include "text/page_redraw.h"

#include <gtest/gtest.h>

#include <memory>

#include "test_support.h"

namespace tolven {
namespace {

const std::string kMincho = "\x82\x6c\x82\x72 \x96\xbe\x92\xa9";  // ＭＳ 明朝

// Draws each character as the story does: through the glyphs in a scratch cell of the stage.
class DrawingHost : public NullMessageOutputHost {
 public:
  DrawingHost(Glyphs& glyphs, Bitmap24& stage) : glyphs_(glyphs), stage_(stage) {}
  void DrawCharacter(std::string_view bytes, int x, int y, int colour, bool) override {
    glyphs_.SetTextColour(colour);
    glyphs_.PrepareCharacter(bytes);
    glyphs_.DrawGlyph(stage_, x, y);
  }
  void DrawRuby(std::string_view reading, int x, int y, bool) override {
    glyphs_.DrawRuby(reading, stage_, x, y);
  }
  int RubyHalfWidth(std::string_view reading) override { return glyphs_.RubyWidth(reading) / 2; }

 private:
  Glyphs& glyphs_;
  Bitmap24& stage_;
};

TEST(PageRedrawTest, RedrawsTheCharactersInTheirColoursOverAFreshStage) {
  testing::TempDir dir;
  Archives archives(dir.Path());
  const Settings settings = testing::FontSettings(kMincho);
  Glyphs glyphs(archives, settings);
  ASSERT_TRUE(glyphs.HasFont());
  for (bool fullScreen : {false, true}) {
    Bitmap24 stage(kScreenWidth, kScreenHeight);
    EngineFlags flags;
    flags.CharDelay = 0;
    ScriptState state;
    state.S(sv::kTextMode) = fullScreen ? 1 : 0;
    DrawingHost host(glyphs, stage);
    MessageOutput output(flags, state, host);
    output.NewPage();
    size_t position = 0;
    bool needLine = false;
    bool nameLine = false;
    // あいう in colour 3, then ab in colour 0, then 漢字 under the reading かん.
    output.PrintLine("[col 3]\x82\xA0\x82\xA2\x82\xA4[col 0]ab<2 \x82\xA9\x82\xF1>\x8A\xBF\x8E\x9A",
                     position, needLine, nameLine);
    const Bitmap24 printed = stage;

    Bitmap24 redrawn(kScreenWidth, kScreenHeight);
    RedrawTextPage(glyphs, output, fullScreen, redrawn);
    EXPECT_TRUE(redrawn == printed) << (fullScreen ? "full screen" : "window");

    // A loaded game's page is its bytes and colours alone: it draws the reading as well.
    MessageOutput loaded(flags, state, host);
    loaded.RestorePage(output.PageBytes(), output.PageColours(), false);
    Bitmap24 restored(kScreenWidth, kScreenHeight);
    RedrawTextPage(glyphs, loaded, fullScreen, restored);
    EXPECT_TRUE(restored == printed) << (fullScreen ? "full screen" : "window");

    output.ClearPage();
    Bitmap24 empty(kScreenWidth, kScreenHeight);
    RedrawTextPage(glyphs, output, fullScreen, empty);
    EXPECT_TRUE(empty == Bitmap24(kScreenWidth, kScreenHeight)) << "an empty page draws nothing";
  }
}

}  // namespace
}  // namespace tolven

// Message text as it reaches the screen: a window page of 100 characters drawn from the glyph
// cache, per character, against the floor of that work (the two 32x35 masked blends alone, with
// masks already made). The uncached figure shows what the cache saves: the same page of
// characters that FreeType must render each time. The counter "renders" is FreeType renders
// per page; with FONTAA 0 a page of pre-rendered characters shows only its blanks (4).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/engine_flags.h"
#include "base/script_state.h"
#include "baseline.h"
#include "graphics/blending.h"
#include "resources/archives.h"
#include "sample_pictures.h"
#include "text/glyphs.h"
#include "text/message_output.h"
#include "text/page_redraw.h"

namespace {

using tolven::Bitmap24;
using tolven::Glyphs;

constexpr int kPageCharacters = 100;  // four window lines of 25 full-width characters
const std::string kMincho = "\x82\x6c\x82\x72 \x96\xbe\x92\xa9";

std::string CodeBytes(uint32_t code) {
  return {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
}

constexpr uint32_t kIdeographicSpace = 0x8140;
constexpr int kBlanksPerPage = 4;  // one a line

// Pre-rendered characters and a blank on each line. The blank has an empty outline, so it never
// enters the cache and FreeType is asked for it every time: the only renders a page may cost.
std::vector<std::string> CachedPage() {
  std::vector<std::string> page;
  const std::vector<uint32_t>& codes = Glyphs::PreRenderList();
  for (size_t i = 0; page.size() < kPageCharacters; i = (i + 7) % codes.size()) {
    if (page.size() % 25 == 12) {
      page.push_back(CodeBytes(kIdeographicSpace));
    } else if (codes[i] != kIdeographicSpace) {
      page.push_back(CodeBytes(codes[i]));
    }
  }
  return page;
}

// Kanji past the first 1000 distinct characters: never cached, rendered on every use.
std::vector<std::string> UncachedPage(Glyphs& glyphs) {
  uint32_t code = 0x889F;
  auto next = [&code]() {
    const uint32_t current = code++;
    if ((code & 0xFF) == 0x7F) ++code;
    if ((code & 0xFF) > 0xFC) code = (code & 0xFF00) + 0x140;
    return current;
  };
  while (glyphs.CacheSize() < Glyphs::kCacheCapacity) glyphs.RenderGlyph(next());
  std::vector<std::string> page;
  while (page.size() < kPageCharacters) page.push_back(CodeBytes(next()));
  return page;
}

struct Setup {
  tolven::Archives archives{"/nonexistent"};
  tolven::Settings settings = [] {
    tolven::Settings font;
    font.FontName = kMincho;
    font.FONTSIZE = 21;
    return font;
  }();
  Glyphs glyphs{archives, settings};
  Bitmap24 stage = tolven::testing::PhotoLike(800, 600, true);
};

void DrawPage(Glyphs& glyphs, const std::vector<std::string>& page, Bitmap24& stage) {
  for (int i = 0; i < kPageCharacters; ++i) {
    glyphs.PrepareCharacter(page[i]);
    glyphs.DrawGlyph(stage, 8 + 28 * (i % 25), 438 + 40 * (i / 25));
  }
}

void Report(benchmark::State& state, uint64_t renders) {
  state.SetItemsProcessed(state.iterations() * kPageCharacters);
  state.counters["renders"] =
      benchmark::Counter(static_cast<double>(renders), benchmark::Counter::kAvgIterations);
}

void BM_GlyphPageCached(benchmark::State& state) {
  Setup setup;
  const std::vector<std::string> page = CachedPage();
  const uint64_t before = setup.glyphs.RenderCount();
  for (auto _ : state) {
    DrawPage(setup.glyphs, page, setup.stage);
    benchmark::ClobberMemory();
  }
  const uint64_t renders = setup.glyphs.RenderCount() - before;
  if (renders != static_cast<uint64_t>(state.iterations()) * kBlanksPerPage) {
    state.SkipWithError("a pre-rendered character other than the blank was rendered again");
  }
  Report(state, renders);
}
TOLVEN_BENCHMARK(BM_GlyphPageCached);

void BM_GlyphPageUncached(benchmark::State& state) {
  Setup setup;
  const std::vector<std::string> page = UncachedPage(setup.glyphs);
  const uint64_t before = setup.glyphs.RenderCount();
  for (auto _ : state) {
    DrawPage(setup.glyphs, page, setup.stage);
    benchmark::ClobberMemory();
  }
  Report(state, setup.glyphs.RenderCount() - before);
}
TOLVEN_BENCHMARK(BM_GlyphPageUncached);

// The whole window page painted again from its bytes and colours, as after the stage was
// rebuilt under it: each character through the scratch cell, against drawing the same page
// straight onto the stage.
void BM_RedrawTextPage(benchmark::State& state) {
  Setup setup;
  tolven::EngineFlags flags;
  tolven::ScriptState script;
  tolven::NullMessageOutputHost host;
  tolven::MessageOutput page(flags, script, host);
  page.NewPage();
  const std::vector<std::string> characters = CachedPage();
  int printed = 0;
  for (; printed < kPageCharacters && page.TextRow() < 4; ++printed) {
    page.PutChar(characters[static_cast<size_t>(printed)], false);
  }
  if (page.TextRow() >= 4) --printed;  // the last one wrapped past the window's four lines
  const uint64_t before = setup.glyphs.RenderCount();
  for (auto _ : state) {
    tolven::RedrawTextPage(setup.glyphs, page, false, setup.stage);
    benchmark::ClobberMemory();
  }
  // The three blanks on the page are asked of FreeType again on every redraw, as on every print.
  const uint64_t renders = setup.glyphs.RenderCount() - before;
  if (renders != static_cast<uint64_t>(state.iterations()) * 3)
    state.SkipWithError("a cached character was rendered");
  state.counters["renders"] =
      benchmark::Counter(static_cast<double>(renders), benchmark::Counter::kAvgIterations);
  state.SetItemsProcessed(state.iterations() * printed);
  state.counters["characters"] = printed;
}
TOLVEN_BENCHMARK(BM_RedrawTextPage);

// The two blends of every character with masks that are already made: no cache search, no mask
// copies.
void BM_GlyphBlendsOnly(benchmark::State& state) {
  Setup setup;
  setup.glyphs.PrepareCharacter("\x82\xa0");
  const Bitmap24 glyphMask = setup.glyphs.GlyphMask();
  const Bitmap24 shadowMask = setup.glyphs.ShadowMask();
  const Bitmap24 black(32, 35);
  Bitmap24 white(32, 35);
  std::fill_n(white.Data(), white.SizeBytes(), 255);
  Bitmap24& stage = setup.stage;
  for (auto _ : state) {
    for (int i = 0; i < kPageCharacters; ++i) {
      const int x = 8 + 28 * (i % 25);
      const int y = 438 + 40 * (i / 25);
      for (int r = 0; r < 35; ++r) {
        uint8_t* row = stage.Row(y + r) + 3 * (x + 1);
        tolven::MaskedBlend(row, black.Row(r), shadowMask.Row(r), row, 96);
      }
      for (int r = 0; r < 35; ++r) {
        uint8_t* row = stage.Row(y + r) + 3 * x;
        tolven::MaskedBlend(row, white.Row(r), glyphMask.Row(r), row, 96);
      }
    }
    benchmark::ClobberMemory();
  }
  Report(state, 0);
}
TOLVEN_BENCHMARK(BM_GlyphBlendsOnly);

const tolven::bench::CompareTo kCachedAgainstBlends("BM_GlyphPageCached", "BM_GlyphBlendsOnly");
const tolven::bench::CompareTo kRedrawAgainstDrawing("BM_RedrawTextPage", "BM_GlyphPageCached");
const tolven::bench::CompareTo kUncachedAgainstCached("BM_GlyphPageUncached", "BM_GlyphPageCached");

}  // namespace

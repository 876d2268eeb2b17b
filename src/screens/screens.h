#pragma once

#include <string>
#include <string_view>

#include "audio/music_stream.h"
#include "audio/sound.h"
#include "base/engine_flags.h"
#include "base/host.h"
#include "base/script_state.h"
#include "base/settings.h"
#include "base/trace.h"
#include "graphics/frame_clock.h"
#include "graphics/gallery_list.h"
#include "graphics/objects_and_effects.h"
#include "graphics/stage.h"
#include "resources/archives.h"
#include "resources/definition_text.h"
#include "resources/paint_box.h"
#include "save/global_progress.h"
#include "screens/animation_player.h"
#include "screens/backlog_screens.h"
#include "screens/inventory.h"
#include "screens/item_pictures.h"
#include "screens/item_shop.h"
#include "screens/picture_scroll.h"
#include "screens/recollection.h"
#include "screens/replay_return.h"
#include "screens/roll.h"
#include "screens/screen_registry.h"
#include "screens/scrolling_text.h"
#include "screens/specials.h"
#include "screens/subtitles.h"
#include "screens/viewer.h"
#include "script/interpreter.h"
#include "script/interpreter_host.h"
#include "script/screen_commands.h"
#include "script/variables.h"
#include "text/backlog.h"
#include "text/glyphs.h"

namespace tolven {

// What the screens are made with: the parts of the engine below them that they act on.
struct ScreenParts {
  Interpreter& interpreter;
  InterpreterHost& engine;  // the engine object, as the interpreter sees it
  EngineFlags& flags;
  Backlog& backlog;
  Trace& trace;
  Host& host;  // the clock, the message pump, the window
  FrameClock& clock;
  PaintBox& pb;
  Stage& stage;
  const Archives& archives;
  DefinitionText& definitions;
  Variables& variables;
  ScriptState& state;
  const Settings& settings;
  Sound& sound;
  MusicStream& music;
  GlobalProgress& progress;        // the gallery and scene flags, the recollection slots
  Glyphs& glyphs;                  // the item screens' texts
  const GalleryList& galleryList;  // the gallery's pictures, numbered at start-up
};

// The full-screen modes and blocking sequences: owns each of them, registers each for the
// engine state it runs in, and takes the script commands that start them.
class Screens final : public ScreenCommands {
 public:
  explicit Screens(const ScreenParts& parts);
  Screens(const Screens&) = delete;
  Screens& operator=(const Screens&) = delete;

  const ScreenRegistry& Registry() const { return registry_; }

  void Shop(std::string_view name) override { itemShop_.Shop(name); }
  void Item(int number) override { inventory_.ShowInventory(number); }
  void Kaisou() override { recollection_.Kaisou(); }
  void Viewer(std::string_view name) override { viewer_.ViewerCommand(name); }
  void Roll(std::string_view name) override { roll_.Roll(name); }
  void Sroll() override { scrollingText_.Sroll(); }
  void Scroll(std::string_view argument) override { pictureScroll_.Scroll(argument); }
  void Special(std::string_view argument) override { specials_.Special(argument); }
  void Anim(std::string_view name, bool doubled) override {
    animations_.PlayAnimation(name, doubled);
  }
  void Obj(std::string_view argument) override { objects_.Obj(argument); }
  void Effect(std::string_view name) override { objects_.Effect(name); }
  void Subtitle(std::string_view text) override { subtitles_.Subtitle(text); }
  void Rec() override { recollection_.Rec(); }
  void ReturnFromReplay() override;
  void ScriptLoaded(const std::string& upperName) override {
    recollection_.MarkSceneSeen(upperName);
  }

  // The pop-up menu's entry during a replay (the item button of the menu bar goes through Item).
  void SkipScene() { recollection_.SkipScene(); }
  // The item counter over the story, drawn as the stage is composed.
  void DrawItemCounter() { inventory_.DrawItemCounter(); }
  // At start-up: the item screens' pictures and the item names.
  void LoadItemPictures() { itemPictures_.LoadItemPictures(); }
  // The shop's state for the dump.
  const ItemShop& ItemShopScreen() const { return itemShop_; }
  bool ReplayRunning() const { return replay_.Running(); }
  // The script's objects, for the state dump.
  const ObjectsAndEffects& Objects() const { return objects_; }
  // The picture viewer: its hooks, and its state for the dump.
  tolven::Viewer& PictureViewer() { return viewer_; }
  const tolven::Viewer& PictureViewer() const { return viewer_; }
  // Recollection's hooks, its scene table read at start-up, its state for the dump.
  Recollection& RecollectionMode() { return recollection_; }
  const Recollection& RecollectionMode() const { return recollection_; }

 private:
  ScreenRegistry registry_;
  ReplayReturn replay_;
  HiddenWindowScreen hiddenWindow_;
  PageLookBackScreen pageLookBack_;
  RollScreen roll_;
  ScrollingText scrollingText_;
  PictureScroll pictureScroll_;
  Specials specials_;
  ItemPictures itemPictures_;
  ItemShop itemShop_;
  Inventory inventory_;
  tolven::Viewer viewer_;
  Recollection recollection_;
  AnimationPlayer animations_;
  Subtitles subtitles_;
  ObjectsAndEffects objects_;
};

}  // namespace tolven

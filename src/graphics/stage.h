#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/engine_flags.h"
#include "base/hook.h"
#include "base/host.h"
#include "base/random_generator.h"
#include "base/script_state.h"
#include "base/trace.h"
#include "graphics/frame_clock.h"
#include "graphics/screen_buffers.h"
#include "graphics/transitions.h"
#include "resources/archives.h"
#include "resources/paint_box.h"
#include "resources/picture_loader.h"

namespace tolven {

inline constexpr int kCharacterSlots = 5;
inline constexpr int kCharacterPositions = 5;  // the fifth only ever carries a transition number

// A cached character picture: the face and its mask, with the name they were loaded under.
struct CharacterSlot {
  std::string name = "0";
  Bitmap24 face{200, kScreenHeight};
  Bitmap24 mask{200, kScreenHeight};
};

// The layered game screen: the buffers, the background and character layers, the order a
// screen is composed in and the one present operation every screen change goes through, and the
// picture commands of the scripts.
class Stage {
 public:
  Stage(Host& host, FrameClock& clock, PaintBox& pb, const Archives& archives, ScriptState& state,
        EngineFlags& flags, RandomGenerator& random, Trace& trace);

  ScreenBuffers& Buffers() { return buffers_; }
  const ScreenBuffers& Buffers() const { return buffers_; }
  Transitions& Effects() { return transitions_; }
  const Transitions& Effects() const { return transitions_; }

  // The present step: composes scene and stage and moves them onto PB with the transition.
  void RefreshStage(int transition);
  void BuildScene();
  void ApplySceneFilter();
  void BuildStage();
  void OverlayWindow();
  // Parses a character specification, loads missing pictures into the slots and sets the
  // layer state; returns its transition number.
  int ShowCharacters(std::string_view specification);

  // The picture commands, given the text after their keyword.
  void Gra(std::string_view argument, bool present);  // `gra` presents, `grb` does not
  // The mark that tells `grb` from `gra`: the commands set it, the text's [gra ...] tag runs the
  // picture command as the last of them did. Save files keep it.
  bool GrbMark() const { return grbMark_; }
  void SetGrbMark(bool grb) { grbMark_ = grb; }
  void PictureTag(std::string_view argument) { Gra(argument, !grbMark_); }
  void Clrb(std::string_view argument);
  void Tati(std::string_view argument);
  void Partsload(std::string_view argument);
  void Ptset(int x1, int y1, int x2, int y2, int dx, int dy);
  // Shows a picture on PB for a while; the caller holds the script meanwhile.
  void Direct(std::string_view argument);
  void Fix();
  // The sepia fade of the ending sequence.
  void SepiaFadeIn();

  // A missing picture leaves the bitmap as it was and says so in the trace.
  bool LoadPicture(std::string_view name, Bitmap24& bitmap);
  // BackgroundBuffer in the colour of a solid-colour name ("S" and three colour digits).
  void FillSolidColour(std::string_view name);

  const std::string& BackgroundName() const { return backgroundName_; }
  const std::string& CharacterSpecification() const { return characterSpecification_; }
  const std::array<std::string, kCharacterPositions>& PositionNames() const { return positions_; }
  int ShownCount() const { return shownCount_; }
  // A saved game's stage: the remembered texts and the five position names come back first,
  // then RebuildFromSpecs draws them.
  void RestoreSpecs(std::string background, std::string characters,
                    const std::array<std::string, kCharacterPositions>& positions);
  // The stage drawn again from the remembered background and character texts alone, as after
  // a skip that drew nothing or a screen that borrowed the buffers; presented with the
  // transition.
  void RebuildFromSpecs(int transition);
  const std::array<CharacterSlot, kCharacterSlots>& Slots() const { return slots_; }

  // Calls into the engine around it, connected by the hub.
  HookSet hooks;
  // A background picture is about to be shown, by its upper-cased name: the gallery marks the
  // pictures it lists as seen.
  Hook<void(const std::string& upperName)> onBackgroundShown{hooks, "onBackgroundShown"};
  // The message window's steps of the composition, and the news that the layers under it
  // changed (its cached picture is then stale). The stage cannot see the text layer above it.
  Hook<void()> buildWindowPicture{hooks, "buildWindowPicture"};
  Hook<void()> overlayWindow{hooks, "overlayWindow"};
  Hook<void()> onLayersChanged{hooks, "onLayersChanged"};
  // The text page under full-screen text: emptied when the stage starts it over, drawn again
  // onto StageBuffer when the stage keeps it.
  Hook<void()> clearPage{hooks, "clearPage"};
  Hook<void()> redrawPage{hooks, "redrawPage"};

 private:
  void RemoveCharacters();
  void DrawCharacter(int position, int centre);
  void LoadCharacterSlots();

  Host& host_;
  FrameClock& clock_;
  PaintBox& pb_;
  ScriptState& state_;
  EngineFlags& flags_;
  Trace& trace_;
  PictureLoader loader_;
  ScreenBuffers buffers_;
  Transitions transitions_;

  std::array<CharacterSlot, kCharacterSlots> slots_;
  int nextSlot_ = 0;
  std::array<std::string, kCharacterPositions> positions_;  // 0 is also "left", 1 "right"
  std::array<int, kCharacterPositions> positionSlots_{};
  int shownCount_ = 0;
  std::string backgroundName_;
  std::string characterSpecification_;
  bool grbMark_ = false;
};

}  // namespace tolven

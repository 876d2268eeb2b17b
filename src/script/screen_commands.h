#pragma once

#include <string>
#include <string_view>

namespace tolven {

// The script commands that hand the screen to a full-screen mode or a blocking sequence. The
// interpreter knows only this; the screens implement it, so nothing below them knows a screen
// exists. Each receives its argument as the command table reads it.
class ScreenCommands {
 public:
  virtual ~ScreenCommands() = default;
  virtual void Shop(std::string_view name) = 0;  // the item shop
  virtual void Item(int number) = 0;             // the item screen
  virtual void Kaisou() = 0;                     // recollection mode
  virtual void Viewer(std::string_view name) = 0;
  virtual void Roll(std::string_view name) = 0;
  virtual void Sroll() = 0;  // the text of "sroll" scrolled up the screen
  virtual void Scroll(std::string_view argument) = 0;
  virtual void Special(std::string_view argument) = 0;
  // `anim` plays at the animation's size, `animq` doubled.
  virtual void Anim(std::string_view name, bool doubled) = 0;
  virtual void Obj(std::string_view argument) = 0;
  virtual void Effect(std::string_view name) = 0;
  // A title card: its first line, a comma, its second line.
  virtual void Subtitle(std::string_view text) = 0;
  virtual void Rec() = 0;  // starts the choice record of auto-navigation
  // `exit`, and `end` at the outermost level, while a scene replay runs: back to the screen
  // the replay came from.
  virtual void ReturnFromReplay() = 0;
  // Every script or definition text loaded, by its upper-case name: scenes count as seen.
  virtual void ScriptLoaded(const std::string& upperName) = 0;
};

// Screen commands that do nothing: for running scripts with no screens around them, or with the
// one screen a test overrides.
class NoScreenCommands : public ScreenCommands {
 public:
  void Shop(std::string_view) override {}
  void Item(int) override {}
  void Kaisou() override {}
  void Viewer(std::string_view) override {}
  void Roll(std::string_view) override {}
  void Sroll() override {}
  void Scroll(std::string_view) override {}
  void Special(std::string_view) override {}
  void Anim(std::string_view, bool) override {}
  void Obj(std::string_view) override {}
  void Effect(std::string_view) override {}
  void Subtitle(std::string_view) override {}
  void Rec() override {}
  void ReturnFromReplay() override {}
  void ScriptLoaded(const std::string&) override {}
};

}  // namespace tolven

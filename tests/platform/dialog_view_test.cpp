// Dialog models shown by the window host on SDL's dummy video driver: the modal loop, the
// player's clicks and keys reaching the model, and the dialog in window shots.
#include <gtest/gtest.h>

#include <SDL.h>
#include <imgui.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>

#include "base/text_encoding.h"
#include "dialogs/name_entry_dialog.h"
#include "engine/engine_view.h"
#include "platform/dialog_view.h"
#include "platform/probe_engine.h"
#include "platform/scoped_environment.h"
#include "platform/sdl_host.h"
#include "platform/sdl_library.h"
#include "resources/png_io.h"
#include "test_support.h"

namespace tolven {
namespace {

using testing::ProbeEngine;
using testing::ScopedEnvironment;

// The picture of Image1: one colour whose bytes tell blue, green and red apart.
constexpr uint8_t kImageBgr[3] = {30, 160, 220};

// A dialog with a control of every kind, which records what the view asks of it. Texts holding
// "拒" are refused, as a dialog refuses what its code page cannot hold.
class ProbeDialog : public DialogModel {
 public:
  ProbeDialog() : picture_(40, 30) {
    for (int y = 0; y < picture_.Height(); ++y) {
      for (int x = 0; x < picture_.Width(); ++x) std::memcpy(picture_.Row(y) + 3 * x, kImageBgr, 3);
    }
  }

  std::string_view Name() const override { return "TProbe"; }
  std::string Caption() const override { return "システム設定の確認"; }
  int ClientWidth() const override { return 400; }
  int ClientHeight() const override { return 250; }
  // A host that never comes back to the test still lets it end, failing.
  bool Closed() const override { return closed || SDL_GetTicks() - opened_ > 20000; }

  std::vector<Control> Controls() const override {
    auto make = [this](const char* name, ControlKind kind, int x, int y, int w, int h,
                       std::string caption = {}) {
      Control c = MakeControl(name, kind, x, y, w, h, std::move(caption));
      auto value = values_.find(name);
      if (value != values_.end()) c.value = value->second;
      return c;
    };
    std::vector<Control> all;
    all.push_back(
        make("Label1", ControlKind::Label, 8, 8, 0, 0, "主人公の名前を入力してください。"));
    all.push_back(make("Edit1", ControlKind::Edit, 8, 26, 120, 20));
    all.push_back(
        make("CheckBox1", ControlKind::CheckBox, 140, 28, 153, 17, "クリックで音声を切る"));
    all.push_back(make("GroupBox1", ControlKind::GroupBox, 8, 52, 150, 150, "音設定"));
    Control radio = make("RadioGroup1", ControlKind::RadioGroup, 16, 68, 73, 57, "ボイス");
    radio.items = {"あり", "なし"};
    all.push_back(radio);
    Control bar = make("TrackBar1", ControlKind::TrackBar, 16, 140, 89, 21);
    bar.minimum = -3000;
    bar.maximum = 0;
    all.push_back(bar);
    Control vertical = make("TrackBar5", ControlKind::TrackBar, 120, 64, 25, 129);
    vertical.minimum = -255;
    vertical.maximum = 0;
    vertical.vertical = true;
    all.push_back(vertical);
    Control spin = make("CSpinEdit1", ControlKind::SpinEdit, 170, 52, 57, 21);
    spin.minimum = 10;
    spin.maximum = 22;
    all.push_back(spin);
    Control combo = make("ComboBox1", ControlKind::ComboBox, 170, 80, 153, 20);
    combo.items = {"ＭＳ Ｐゴシック", "ＭＳ 明朝"};
    all.push_back(combo);
    Control memo = make("Memo1", ControlKind::Memo, 296, 8, 96, 40);
    memo.items = {"おはよう。", "今日はいい天気だね。"};
    all.push_back(memo);
    Control list = make("ListView1", ControlKind::ListView, 170, 108, 222, 94);
    list.columns = {"スロット", "更新日時"};
    list.columnWidths = {0, 120};
    for (int row = 0; row < 12; ++row) {
      list.rows.push_back({std::to_string(row + 1), row % 2 ? " 未登録" : "2024/05/01 12:00"});
    }
    all.push_back(list);
    Control image = make("Image1", ControlKind::Image, 336, 60, 40, 30);
    image.picture = &picture_;
    all.push_back(image);
    all.push_back(make("Button1", ControlKind::Button, 304, 210, 89, 33, "ＯＫ"));
    Control disabled = make("Button2", ControlKind::Button, 208, 210, 89, 33, "削除");
    disabled.enabled = false;
    all.push_back(disabled);
    Control hidden = make("Button3", ControlKind::Button, 8, 210, 89, 33, "隠し");
    hidden.visible = false;
    all.push_back(hidden);
    return all;
  }

  ControlAction Set(std::string_view control, std::string_view value) override {
    log.push_back("set " + std::string(control) + " " + std::string(value));
    if (std::string_view(value).find("拒") == std::string_view::npos) {
      values_[std::string(control)] = value;
    }
    return ControlAction::Done;
  }
  ControlAction Press(std::string_view control) override {
    log.push_back("press " + std::string(control));
    return ControlAction::Done;
  }
  void KeyDown(int key) override { log.push_back("keydown " + std::to_string(key)); }
  void KeyUp(int key) override { log.push_back("keyup " + std::to_string(key)); }

  Control Find(const std::string& name) const {
    for (const Control& c : Controls()) {
      if (c.name == name) return c;
    }
    ADD_FAILURE() << "no control " << name;
    return {};
  }

  bool closed = false;
  std::vector<std::string> log;

 private:
  std::map<std::string, std::string> values_{{"Edit1", "山田"},
                                             {"CheckBox1", "0"},
                                             {"RadioGroup1", "0"},
                                             {"TrackBar1", "-1000"},
                                             {"TrackBar5", "-100"},
                                             {"CSpinEdit1", "16"},
                                             {"ComboBox1", "ＭＳ Ｐゴシック"},
                                             {"ListView1", "-1"}};
  Bitmap24 picture_;
  uint32_t opened_ = SDL_GetTicks();
};

void Push(SDL_Event event) {
  ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
}

// The window opens at 1x, so window pixels are picture pixels.
void Click(Point at, int clicks = 1) {
  SDL_Event motion{};
  motion.type = SDL_MOUSEMOTION;
  motion.motion.x = at.x;
  motion.motion.y = at.y;
  Push(motion);
  for (int i = 1; i <= clicks; ++i) {
    for (Uint32 type : {SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP}) {
      SDL_Event button{};
      button.type = type;
      button.button.button = SDL_BUTTON_LEFT;
      button.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
      button.button.clicks = static_cast<Uint8>(i);
      button.button.x = at.x;
      button.button.y = at.y;
      Push(button);
    }
  }
}

void Type(const char* utf8) {
  SDL_Event text{};
  text.type = SDL_TEXTINPUT;
  std::strncpy(text.text.text, utf8, sizeof text.text.text - 1);
  Push(text);
}

void PressKey(SDL_Keycode key, SDL_Scancode code) {
  for (Uint32 type : {SDL_KEYDOWN, SDL_KEYUP}) {
    SDL_Event event{};
    event.type = type;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = key;
    event.key.keysym.scancode = code;
    Push(event);
  }
}

class DialogRunTest : public ::testing::Test {
 public:  // the table's steps reach into the running dialog
  DialogRunTest()
      : video_("SDL_VIDEODRIVER", "dummy"), audio_("SDL_AUDIODRIVER", "dummy"), host_(1, nullptr) {
    host_.Attach(engine_);
  }

  // Where a point of a control is drawn now: (fx, fy) are fractions of its width and height.
  Point At(const std::string& name, double fx, double fy) {
    const Control c = dialog_.Find(name);
    const DialogView* view = host_.ShownDialog();
    if (view == nullptr) {
      ADD_FAILURE() << "no dialog shown";
      return {};
    }
    return view->ClientToPicture(c.x + static_cast<int>(c.width * fx),
                                 c.y + static_cast<int>(c.height * fy));
  }

  // Runs the dialog, doing each step in a round of its own (a dialog that appears is laid out
  // first), and closes it a few rounds after the last unless a step did.
  // Woken, the loop runs its next round at once; unwoken, after its wait for input runs out,
  // and the window is drawn again only for what changed, as when nobody touches it.
  void RunSteps(const std::vector<std::function<void()>>& steps, bool wake = true) {
    constexpr int kFirstRound = 3;
    constexpr int kRoundsApart = 3;
    const int closeAt = kFirstRound + kRoundsApart * static_cast<int>(steps.size()) + 3;
    engine_.rounds = 0;
    engine_.onRound = [&](int round) {
      const int step = (round - kFirstRound) / kRoundsApart;
      if (round >= kFirstRound && (round - kFirstRound) % kRoundsApart == 0 &&
          step < static_cast<int>(steps.size())) {
        steps[step]();
      }
      if (round >= closeAt) dialog_.closed = true;
      if (!wake) return;
      SDL_Event event{};
      event.type = SDL_USEREVENT;
      Push(event);
    };
    host_.RunModal(dialog_);
    engine_.onRound = nullptr;
  }

  ScopedEnvironment video_;
  ScopedEnvironment audio_;
  SdlLibrary sdl_;
  ProbeEngine engine_;
  ProbeDialog dialog_;
  SdlHost host_;
};

TEST_F(DialogRunTest, WaitsForTheModelToCloseWithTheTimerRunningAndWithoutSpinning) {
  // Counted from the first round: the dialog's first drawing may take a while of its own.
  uint32_t first = 0;
  uint32_t last = 0;
  engine_.onRound = [&](int round) {
    last = SDL_GetTicks();
    if (round == 1) first = last;
    if (last - first >= 550) dialog_.closed = true;
  };
  host_.RunModal(dialog_);
  EXPECT_LT(last - first, 1000u);
  // A round every 55 ms at the least; a spinning loop would run thousands.
  EXPECT_GE(engine_.rounds, 4);
  EXPECT_LE(engine_.rounds, 40);
  EXPECT_EQ(host_.ShownDialog(), nullptr);
}

struct ActionCase {
  const char* what;
  std::vector<std::function<void(DialogRunTest&)>> steps;
  std::vector<std::string> expected;
};

TEST_F(DialogRunTest, ClicksAndKeysReachTheModelAsItsOwnActions) {
  // The list's rows are 16 pixels tall under a header as tall.
  auto row = [](int index, int clicks) {
    return [=](DialogRunTest& t) {
      const Point origin = t.At("ListView1", 0, 0);
      Click({origin.x + 40, origin.y + 16 + 16 * index + 8}, clicks);
    };
  };
  auto click = [](const char* name, double fx, double fy) {
    return [=](DialogRunTest& t) { Click(t.At(name, fx, fy)); };
  };
  auto type = [](const char* text) { return [=](DialogRunTest&) { Type(text); }; };
  auto key = [](SDL_Keycode sym, SDL_Scancode code) {
    return [=](DialogRunTest&) { PressKey(sym, code); };
  };
  // The cursor goes to the end, also when the click made a double click with the last case's.
  const auto end = key(SDLK_END, SDL_SCANCODE_END);
  const std::string enter = std::to_string(kKeyEnter);
  const std::string escape = std::to_string(kKeyEscape);
  const std::vector<ActionCase> cases = {
      {"a button", {click("Button1", 0.5, 0.5)}, {"press Button1"}},
      {"a disabled button", {click("Button2", 0.5, 0.5)}, {}},
      {"a hidden button", {click("Button3", 0.5, 0.5)}, {}},
      {"a check box", {click("CheckBox1", 0.05, 0.5)}, {"set CheckBox1 1"}},
      {"a radio group's second item", {click("RadioGroup1", 0.2, 0.75)}, {"set RadioGroup1 1"}},
      {"a bar's right end", {click("TrackBar1", 0.99, 0.5)}, {"set TrackBar1 0"}},
      {"a vertical bar's top", {click("TrackBar5", 0.5, 0.01)}, {"set TrackBar5 -255"}},
      {"a vertical bar's bottom", {click("TrackBar5", 0.5, 0.99)}, {"set TrackBar5 0"}},
      {"a spinner's up arrow", {click("CSpinEdit1", 0.95, 0.25)}, {"set CSpinEdit1 17"}},
      {"a spinner's down arrow", {click("CSpinEdit1", 0.95, 0.75)}, {"set CSpinEdit1 15"}},
      {"a combo item",
       {click("ComboBox1", 0.5, 0.5), click("ComboBox1", 0.3, 1.9)},
       {"set ComboBox1 ＭＳ 明朝"}},
      {"a list header", {click("ListView1", 0.6, 0.07)}, {"press ListView1.column 1"}},
      {"a list row", {row(2, 1)}, {"set ListView1 2"}},
      {"a double click on a row",
       {row(3, 2)},
       {"set ListView1 3", "set ListView1 3", "press ListView1.dblclick"}},
      {"typing into a field",
       {click("Edit1", 0.9, 0.5), end, type("太郎")},
       {"set Edit1 山田太郎"}},
      {"a refused text, then more typing",
       {click("Edit1", 0.9, 0.5), end, type("拒"), type("x")},
       {"set Edit1 山田拒", "set Edit1 山田x"}},
      {"Enter with no field typing",
       {key(SDLK_RETURN, SDL_SCANCODE_RETURN)},
       {"keydown " + enter, "keyup " + enter}},
      {"Enter in a field", {click("Edit1", 0.9, 0.5), key(SDLK_RETURN, SDL_SCANCODE_RETURN)}, {}},
      {"Escape in a field",
       {click("Edit1", 0.9, 0.5), key(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE)},
       {"keydown " + escape, "keyup " + escape}},
      {"the menu bar under the dialog",
       {[](DialogRunTest&) {
         Click({30, 10});
       }},
       {}},
  };
  for (const ActionCase& c : cases) {
    dialog_ = ProbeDialog();
    std::vector<std::function<void()>> steps;
    for (const auto& step : c.steps) steps.push_back([this, step] { step(*this); });
    RunSteps(steps);
    host_.ProcessMessages();  // menu clicks an ImGui frame caught would run here
    EXPECT_EQ(dialog_.log, c.expected) << c.what;
    EXPECT_EQ(engine_.menuClicks, 0) << c.what;
    EXPECT_EQ(engine_.gameInput, 0) << c.what;
  }
}

TEST_F(DialogRunTest, TabTakesTheKeyboardFromFieldToField) {
  std::vector<std::string> typing;
  auto note = [&] { typing.push_back(host_.ShownDialog()->TypingInto()); };
  auto tab = [] { PressKey(SDLK_TAB, SDL_SCANCODE_TAB); };
  RunSteps({note, tab, note, tab, note, tab, note});
  // The spinner is the other field; buttons, bars and lists take no typing.
  EXPECT_EQ(typing, (std::vector<std::string>{"", "Edit1", "CSpinEdit1", "Edit1"}));
  EXPECT_EQ(dialog_.log, std::vector<std::string>{});
  EXPECT_EQ(engine_.gameInput, 0);
}

// The name entry as the engine shows it: the family name's field has the keyboard at once, Tab
// goes to the given name, and Enter there sends both.
TEST_F(DialogRunTest, TheNameEntryIsTypedIntoAndSentFromTheKeyboard) {
  NameEntryDialog entry;
  const std::string rows[] = {*Utf8ToShiftJis("水野"), *Utf8ToShiftJis("湊")};
  std::vector<std::string> stored;
  entry.stringRow = [&](int row) { return rows[row]; };
  entry.setFamilyName = [](std::string_view) {};
  entry.setGivenName = [](std::string_view) {};
  entry.storeNames = [&](std::string_view family, std::string_view given) {
    stored = {ShiftJisToUtf8Lossy(family), ShiftJisToUtf8Lossy(given)};
  };
  entry.FormShow();
  std::vector<std::string> typing;
  auto note = [&] { typing.push_back(host_.ShownDialog()->TypingInto()); };
  const std::vector<std::function<void()>> steps = {
      note,
      [] { PressKey(SDLK_TAB, SDL_SCANCODE_TAB); },
      note,
      [] { Type("次郎"); },
      [] { PressKey(SDLK_RETURN, SDL_SCANCODE_RETURN); },
  };
  constexpr int kRoundsApart = 3;
  const int lastRound = kRoundsApart * (static_cast<int>(steps.size()) + 3);
  bool sentByHand = false;
  engine_.rounds = 0;
  engine_.onRound = [&](int round) {
    if (round % kRoundsApart == 0 && round / kRoundsApart <= static_cast<int>(steps.size())) {
      steps[round / kRoundsApart - 1]();
    }
    // Were Enter lost, the test would wait for ever: the names are sent by the button.
    if (round == lastRound) {
      sentByHand = true;
      entry.Press("Button1");
    }
    SDL_Event wake{};
    wake.type = SDL_USEREVENT;
    Push(wake);
  };
  host_.RunModal(entry);
  engine_.onRound = nullptr;
  EXPECT_EQ(typing, (std::vector<std::string>{"Edit1", "Edit2"}));
  EXPECT_FALSE(sentByHand);
  EXPECT_EQ(stored, (std::vector<std::string>{"水野", "次郎"}));
  EXPECT_EQ(engine_.gameInput, 0);
}

// The window rows of a column, from top to bottom, in the list's selection colour.
std::vector<int> SelectedRowsAt(SDL_Window* window, int x, int top, int bottom) {
  SDL_Surface* shown = SDL_GetWindowSurface(window);
  std::vector<int> rows;
  for (int y = top; y < bottom; ++y) {
    Uint32 value = 0;
    std::memcpy(&value,
                static_cast<const uint8_t*>(shown->pixels) + y * shown->pitch +
                    x * shown->format->BytesPerPixel,
                shown->format->BytesPerPixel);
    Uint8 r = 0;
    Uint8 g = 0;
    Uint8 b = 0;
    SDL_GetRGB(value, shown->format, &r, &g, &b);
    if (r == 204 && g == 232 && b == 255) rows.push_back(y);
  }
  return rows;
}

// A row chosen by a key or an event file is scrolled into view whole, in the window itself and
// not only in the next frame drawn: the last row down to its grid line at the list's bottom
// edge, the first below the header.
TEST_F(DialogRunTest, ARowChosenElsewhereShowsWholeInTheWindow) {
  constexpr int kRowHeight = 16;    // 12 pixels of text and 2 of padding above and below
  constexpr int kSelectionTop = 2;  // the selection colours the text's height
  std::vector<std::vector<int>> shown;
  int top = 0;
  int bottom = 0;
  auto look = [&] {
    const Point a = At("ListView1", 0.6, 0.0);
    bottom = At("ListView1", 0.6, 1.0).y;
    top = a.y;
    shown.push_back(SelectedRowsAt(host_.Window(), a.x, a.y, bottom));
  };
  RunSteps(
      {[&] { dialog_.Set("ListView1", "11"); }, look, [&] { dialog_.Set("ListView1", "0"); }, look},
      false);
  ASSERT_EQ(shown.size(), 2u);
  ASSERT_EQ(shown[0].size(), 12u);
  ASSERT_EQ(shown[1].size(), 12u);
  // The last row ends where the list does; the first begins under the header.
  EXPECT_EQ(shown[0].front() - kSelectionTop + kRowHeight, bottom);
  EXPECT_EQ(shown[1].front() - kSelectionTop, top + kRowHeight);
}

TEST_F(DialogRunTest, ACloseRequestEndsTheDialogAndIsLeftForTheEngine) {
  engine_.onRound = [](int round) {
    if (round != 3) return;
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    Push(quit);
  };
  engine_.rounds = 0;
  host_.RunModal(dialog_);
  EXPECT_FALSE(dialog_.closed);
  EXPECT_LT(engine_.rounds, 10);
  SDL_PumpEvents();
  EXPECT_EQ(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_QUIT, SDL_QUIT), 1);
}

// Bytes of a pixel of a capture, blue first.
std::array<uint8_t, 3> PixelAt(const Bitmap24& picture, Point at) {
  const uint8_t* p = picture.Row(at.y) + 3 * at.x;
  return {p[0], p[1], p[2]};
}

TEST_F(DialogRunTest, AWindowShotShowsTheDialogOverTheGame) {
  const Bitmap24 bare = host_.CaptureWindow();
  Bitmap24 shot;
  Point min;
  Point max;
  Point image;
  engine_.onRound = [&](int round) {
    if (round == 3) {
      shot = host_.CaptureWindow();
      min = host_.ShownDialog()->ClientToPicture(0, 0);
      max = host_.ShownDialog()->ClientToPicture(dialog_.ClientWidth(), dialog_.ClientHeight());
      image = At("Image1", 0.5, 0.5);
      if (const char* keep = std::getenv("TOLVEN_DIALOG_SHOT")) {
        testing::WriteFileBytes(keep, EncodePng(shot));
      }
    }
    if (round == 4) dialog_.closed = true;
  };
  host_.RunModal(dialog_);
  ASSERT_EQ(shot.Width(), bare.Width());
  ASSERT_EQ(shot.Height(), bare.Height());
  // Centred over PB, below the menu strip.
  EXPECT_NEAR((min.x + max.x) / 2, 400, 1);
  EXPECT_GT(min.y, 24 + (600 - dialog_.ClientHeight()) / 2 - 30);
  int differing = 0;
  for (int y = min.y; y < max.y; ++y) {
    for (int x = min.x; x < max.x; ++x) differing += PixelAt(shot, {x, y}) != PixelAt(bare, {x, y});
  }
  EXPECT_GT(differing, (max.x - min.x) * (max.y - min.y) * 9 / 10);
  // Beside the dialog the game shows as before; the picture shows in its own colours.
  EXPECT_EQ(PixelAt(shot, {10, 600}), PixelAt(bare, {10, 600}));
  EXPECT_EQ(PixelAt(shot, image), (std::array<uint8_t, 3>{30, 160, 220}));
  // Closed, the dialog leaves no trace.
  EXPECT_EQ(host_.CaptureWindow(), bare);
}

// How many pixels of a dialog's place (client area and title bar) differ between two shots.
int DifferingInDialog(const Bitmap24& a, const Bitmap24& b, int width, int height) {
  const DialogPlacement place = PlaceDialog(width, height, 20, 800, 624, 24);
  int differing = 0;
  for (int y = 0; y < height + 20; ++y) {
    for (int x = 0; x < width; ++x) {
      const Point at{static_cast<int>(place.x) + x, static_cast<int>(place.y) + y};
      differing += PixelAt(a, at) != PixelAt(b, at);
    }
  }
  return differing;
}

// The real tolven in a window, driven by an event file: the name entry dialog that setname
// opens and the configuration dialog that a menu button opens are filled and closed, and
// window shots show them over the game while they are open.
TEST(WindowDialogRunTest, AnEventFileDrivesTheDialogsShownInTheWindow) {
  testing::TempDir dir;
  ScopedEnvironment video("SDL_VIDEODRIVER", "dummy");
  ScopedEnvironment audio("SDL_AUDIODRIVER", "dummy");
  ScopedEnvironment runtime("XDG_RUNTIME_DIR", dir.Path().string());
  testing::WriteFileText(dir / "src/scripts/main.txt", "*setname\n[$0][$1]の物語\n\\\n*sleep 10\n");
  auto built = testing::RunTool({"build-game", (dir / "src").string(), (dir / "game").string()});
  ASSERT_EQ(built.exitStatus, 0) << built.output;
  auto path = [&](const std::string& name) { return (dir / name).string(); };
  auto shot = [&](const std::string& name) { return "shot-window " + path(name) + "\n"; };
  testing::WriteFileText(dir / "events.txt",
                         "until dialog TForm2\n" + shot("names.png") +
                             "set Edit1 佐藤\nset Edit2 一郎\npress Button1\nuntil page\n" +
                             shot("game.png") + "dump " + path("dump.json") +
                             "\npress SpeedButton2\nset RadioGroup5 1\n" + shot("settings.png") +
                             "press Button2\nanswer ok\nquit\n");
  auto run = testing::RunTolven({"--events", path("events.txt"), "--config-dir", path("config"),
                                 "--save-dir", path("save"), path("game")});
  ASSERT_EQ(run.exitStatus, 0) << run.output;
  const std::vector<uint8_t> dump = testing::ReadFileBytes(dir / "dump.json");
  EXPECT_NE(std::string(dump.begin(), dump.end()).find("佐藤一郎の物語"), std::string::npos);
  const std::vector<uint8_t> settings = testing::ReadFileBytes(dir / "config/peluna2.ini");
  EXPECT_NE(std::string(settings.begin(), settings.end()).find("Delay=1"), std::string::npos);
  std::map<std::string, Bitmap24> shots;
  for (const char* name : {"names.png", "game.png", "settings.png"}) {
    std::string why;
    ASSERT_TRUE(DecodePng(testing::ReadFileBytes(dir / name), shots[name], why)) << why;
  }
  EXPECT_GT(DifferingInDialog(shots["names.png"], shots["game.png"], 237, 101), 237 * 121 * 9 / 10);
  EXPECT_GT(DifferingInDialog(shots["settings.png"], shots["game.png"], 676, 291),
            676 * 311 * 9 / 10);
}

// Names and comments hold whatever the player typed and code page 932 can store.
TEST(DialogFontTest, HoldsEveryKindOfCharacterOfTheCodePage) {
  ImGui::CreateContext();
  ImFont* font = AddDialogFonts().text;
  ASSERT_NE(font, nullptr) << "the IPA fonts are not installed";
  ASSERT_TRUE(ImGui::GetIO().Fonts->Build());
  const std::pair<const char*, ImWchar> characters[] = {
      {"ASCII", u'A'},
      {"half-width kana", u'ｱ'},
      {"hiragana after a gap in the code page's row", u'あ'},
      {"katakana", u'ヴ'},
      {"full-width letters", u'Ｐ'},
      {"symbols", u'※'},
      {"common kanji", u'姓'},
      {"second-level kanji", u'煕'},
      {"NEC extension", u'①'},
      {"IBM extension", u'髙'},
  };
  for (const auto& [what, character] : characters) {
    EXPECT_NE(font->FindGlyphNoFallback(character), nullptr) << what;
  }
  ImGui::DestroyContext();
}

TEST(DialogPlacementTest, CentresOverPbAndShrinksOnlyWhatWouldNotFit) {
  struct Case {
    int width, height, pictureHeight, pbTop;
    DialogPlacement expected;
  };
  const Case cases[] = {
      {237, 101, 624, 24, {281, 263, 1.0f}},  // name entry, under the menu strip
      {711, 360, 624, 24, {44, 134, 1.0f}},   // the save list
      {711, 360, 600, 0, {44, 110, 1.0f}},    // full screen: no strip
      {800, 600, 624, 24, {0, 4, 1.0f}},      // taller than PB: over the strip, not shrunk
      {800, 620, 624, 24, {10, 0, 0.975f}},   // taller than the picture: shrunk
      {1600, 300, 624, 24, {0, 244, 0.5f}},   // wider: shrunk, still centred over PB
  };
  for (const Case& c : cases) {
    const DialogPlacement got = PlaceDialog(c.width, c.height, 20, 800, c.pictureHeight, c.pbTop);
    EXPECT_FLOAT_EQ(got.x, c.expected.x) << c.width << "x" << c.height;
    EXPECT_FLOAT_EQ(got.y, c.expected.y) << c.width << "x" << c.height;
    EXPECT_FLOAT_EQ(got.scale, c.expected.scale) << c.width << "x" << c.height;
  }
}

}  // namespace
}  // namespace tolven

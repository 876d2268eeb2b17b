// The sample game that `make run` shows, built from its sources and played headless with the
// event files kept beside it.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <sstream>

#include "audio/audio_fixtures.h"
#include "audio/wav_file.h"
#include "base/text_encoding.h"
#include "engine_rig.h"
#include "resources/png_io.h"
#include "sample_run.h"
#include "test_support.h"

namespace tolven {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class SampleGameTest : public testing::SampleRunTest {};

const json kTitleAnswers = {"はじめから", "つづきから", "おわる"};
const json kTitleAnswersAfterTheClear = {"はじめから", "つづきから", "おまけ", "おわる"};

TEST_F(SampleGameTest, BothAnswersOfTheSelectRejoinTheStory) {
  const struct {
    const char* events;
    int answer;
  } cases[] = {{"select-run.events", 1}, {"select-stay.events", 2}};
  for (const auto& c : cases) {
    const json dump = Play(Events(c.events));
    EXPECT_EQ(dump["V"]["12"], c.answer) << c.events;
    EXPECT_EQ(dump["V"]["11"], 1) << "the bookshop of the clickmap";
    EXPECT_EQ(dump["choice"]["mode"], 0);
    EXPECT_EQ(dump["page"][1], "  気がつくと、僕は上着をつかんで家を飛び出していた。") << c.events;
  }
}

// Up and Down move the pointer onto an answer; the move that follows highlights it.
TEST_F(SampleGameTest, KeysMoveThePointerOverTheAnswers) {
  std::string events = Events("select-run.events");
  events.erase(events.rfind("choose"));
  const struct {
    const char* key;
    int highlight;
  } steps[] = {{"down", 2}, {"down", 2}, {"up", 1}, {"up", 1}};
  for (const auto& step : steps) {
    events += std::string("key ") + step.key + "\nwait 100\n";
    const json dump = Play(events);
    EXPECT_EQ(dump["choice"]["mode"], 1);
    EXPECT_EQ(dump["choice"]["highlight"], step.highlight) << events;
  }
}

// A new game from the title to the ending card and back; the extras the clear opened; and the
// title's load, which takes up the game saved on the story's first page.
TEST_F(SampleGameTest, TheWholeGamePlaysToItsEndAndBackToTheTitle) {
  const std::vector<std::string> marks = {
      "# The closing movie shows; it ends by itself.",
      "# At the title after the clear: おまけ has opened as its third answer.",
      "# The extra's first page, to its own tune; then the tour of the stage.",
      "# The title again: つづきから opens the save list; slot 1 (its first row) is loaded."};
  const std::vector<json> dumps = PlayWithDumps(Events("whole-game.events"), marks);
  ASSERT_EQ(dumps.size(), 5u);
  const json& movie = dumps[0];
  EXPECT_TRUE(movie["sound"]["movie"]);
  EXPECT_EQ(movie["script"], "spring");

  const json& title = dumps[1];
  EXPECT_EQ(title["script"], "main2");
  EXPECT_EQ(title["call_depth"], 0);
  EXPECT_EQ(title["choice"]["mode"], 1);
  EXPECT_EQ(title["choice"]["entries"], kTitleAnswersAfterTheClear);
  EXPECT_EQ(title["stage"]["background"], "A_TITLE");
  EXPECT_EQ(title["stage"]["display"], 0) << "no window, nor its quick buttons, after the card";
  EXPECT_EQ(title["S"]["100"], 1) << "one clear";
  EXPECT_EQ(title["S"]["0"], 1) << "the title loads but does not save";
  EXPECT_EQ(title["S"]["3"], 2) << "the title's tune";
  EXPECT_NE(std::find(title["E"].begin(), title["E"].end(), 999), title["E"].end());
  EXPECT_EQ(title["V"]["11"], 1) << "the bookshop";
  EXPECT_EQ(title["V"]["12"], 1) << "the run to the station";
  // Three hundred earned in the classroom, two hundred spent on the bookmark; the key ring was
  // her gift on the platform.
  EXPECT_EQ(title["V"]["800"], 100);
  EXPECT_EQ(title["V"]["802"], 1);
  EXPECT_EQ(title["V"]["815"], 1);
  EXPECT_EQ(title["V"]["100"], 103) << "one place stopped at, of three";
  // Every page on the way carries its mark: 51 in all, less the other places of the clickmap
  // (15, 16), the other answer (21) and what she says of the other places (39, 40).
  EXPECT_EQ(title["progress"]["read_marks"]["count"], 46);
  EXPECT_EQ(title["progress"]["read_marks"]["first"],
            json({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 17, 18, 19, 20, 22, 23}));
  // The scenes of every chapter, with their headings; the other ending was never reached.
  EXPECT_EQ(title["progress"]["scenes"], json({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));

  const json& extra = dumps[2];
  EXPECT_EQ(extra["script"], "extra");
  EXPECT_EQ(extra["call_depth"], 2) << "called from the extras, called from the title";
  EXPECT_EQ(extra["S"]["3"], 1) << "the afternoon tune";
  EXPECT_EQ(extra["S"]["5"], 1);
  EXPECT_EQ(extra["page"][1], "  ここから先は、おまけです。");

  const json& titleAgain = dumps[3];
  EXPECT_EQ(titleAgain["script"], "main2");
  EXPECT_EQ(titleAgain["choice"]["entries"], kTitleAnswersAfterTheClear);
  EXPECT_EQ(titleAgain["stage"]["background"], "A_TITLE");

  const json& loaded = dumps[4];
  EXPECT_EQ(loaded["script"], "classroom");
  EXPECT_EQ(loaded["page"][1], "  三月の終わり、放課後の教室。");
  EXPECT_EQ(loaded["dialog"], nullptr);

  // Every command of the sample is one the engine has.
  EXPECT_EQ(TraceLines("not built yet"), std::vector<std::string>{});
  EXPECT_EQ(TraceLines("unknown command"), std::vector<std::string>{});
  EXPECT_EQ(TraceLines("picture not found"), std::vector<std::string>{});
}

// The extras after the clear, as the whole game's events walk through them: the gallery, the
// scene replay, the music room and its player, and recollection, whose slot the next run
// finds again in kaiso.dat.
TEST_F(SampleGameTest, TheExtrasShowTheStorySeen) {
  const std::vector<std::string> marks = {
      "# The gallery's first page with its first thumbnail lit.",
      "# The classroom shown whole.",
      "# The gallery's second page; its way out.",
      "# The river replayed.",
      "# Back on the scene replay's page.",
      "# The music room playing the first track.",
      "# The player stopped.",
      "# The player playing the second track again.",
      "# The first slot named, with its two scenes.",
      "# The slot's first scene.",
      "# The slot's second scene.",
      "# Back on the recollection screen."};
  const std::vector<json> dumps = PlayWithDumps(Events("whole-game.events"), marks);
  ASSERT_EQ(dumps.size(), marks.size() + 1);
  auto at = [&](size_t mark) -> const json& { return dumps[mark]; };

  const json& gallery = at(0)["viewer"];
  EXPECT_EQ(at(0)["engine_state"], 6);
  EXPECT_EQ(gallery["name"], "VIEW_1");
  EXPECT_EQ(gallery["type"], 0);
  EXPECT_EQ(gallery["pages"], 2);
  EXPECT_EQ(gallery["pointed"], 1);
  // The classroom, the evening and the town: every picture of theirs was shown on the way.
  EXPECT_EQ(json(std::vector<json>(gallery["statuses"].begin(), gallery["statuses"].begin() + 4)),
            json({3, 3, 3, 0}));
  EXPECT_EQ(at(1)["viewer"]["picture_mode"], true);
  EXPECT_EQ(at(1)["stage"]["background"], at(0)["stage"]["background"]);
  EXPECT_EQ(at(2)["viewer"]["page"], 1);
  EXPECT_EQ(at(2)["viewer"]["picture_mode"], false);

  // The replay runs the river's replay script and comes back to the view and its script.
  EXPECT_EQ(at(3)["engine_state"], 0);
  EXPECT_EQ(at(3)["replay"], true);
  EXPECT_EQ(at(3)["script"], "K_RIVER");
  EXPECT_EQ(at(4)["engine_state"], 6);
  EXPECT_EQ(at(4)["replay"], false);
  EXPECT_EQ(at(4)["script"], "extras");
  EXPECT_EQ(at(4)["viewer"]["name"], "VIEW_2");
  EXPECT_EQ(at(4)["viewer"]["statuses"][2], 1) << "the other ending is never reached";

  EXPECT_EQ(at(5)["viewer"]["type"], 2);
  EXPECT_EQ(at(5)["sound"]["music"]["requested"], 1);
  EXPECT_EQ(at(6)["viewer"]["name"], "VIEW_4");
  EXPECT_EQ(at(6)["sound"]["music"]["requested"], 0);
  EXPECT_EQ(at(7)["sound"]["music"]["requested"], 2);

  // Recollection: scenes 6 (the river) and 8 (the platform) in the first slot, named.
  const json& slot = at(8)["recollection"]["slots"][0];
  EXPECT_EQ(at(8)["engine_state"], 8);
  EXPECT_EQ(slot["title"], "川と駅");
  EXPECT_EQ(slot["entries"], json({6, 8}));
  EXPECT_EQ(at(9)["script"], "k_RIVER");
  EXPECT_EQ(at(9)["replay"], true);
  EXPECT_EQ(at(10)["script"], "k_PLATFORM");
  EXPECT_EQ(at(10)["recollection"]["queue_position"], 1);
  EXPECT_EQ(at(11)["engine_state"], 8);
  EXPECT_EQ(at(11)["replay"], false);

  // A fresh run: the slot is there from kaiso.dat when recollection opens.
  const json again = Play(
      "until dialog TForm2\npress Button1\nuntil choice\nchoose 3\nuntil choice\nchoose 4\n"
      "until input\n");
  EXPECT_EQ(again["engine_state"], 8);
  EXPECT_EQ(again["recollection"]["slots"][0], slot);
}

// The bookshop on the way home sells the bookmark for the classroom's three hundred; a game
// saved after it and loaded in a fresh run shows it on the item screen the menu bar opens.
TEST_F(SampleGameTest, TheBookmarkBoughtOnTheWayHomeIsOnTheItemScreenAfterALoad) {
  std::string events = Events("select-run.events");
  const std::string bought = "# The bookmark bought.\n";
  const size_t at = events.find(bought);
  ASSERT_NE(at, std::string::npos);
  const std::vector<json> shop =
      PlayWithDumps(events.substr(0, at + bought.size()) +
                        "click 750 440\nclick 330 300\nuntil input\nsave-slot 3\n",
                    {"# The shelf, its three offers.", "# The bookmark bought."});
  ASSERT_EQ(shop.size(), 3u);
  EXPECT_EQ(shop[0]["V"]["800"], 300);
  EXPECT_FALSE(shop[0]["V"].contains("802"));
  EXPECT_EQ(shop[0]["engine_state"], 4);
  EXPECT_EQ(shop[0]["shop"]["items"], json({2, 25, 6, 0}));
  EXPECT_EQ(shop[0]["shop"]["prices"], json({200, 150, 400, 0}));
  EXPECT_EQ(shop[1]["V"]["800"], 100);
  EXPECT_EQ(shop[1]["V"]["802"], 1);
  EXPECT_EQ(shop[1]["engine_state"], 4) << "still in the shop until its way out";
  EXPECT_EQ(shop[2]["engine_state"], 0);
  EXPECT_EQ(shop[2]["shop"], nullptr);

  const fs::path shot = dir_.Path() / "items.png";
  const json items = Play(
      "until dialog TForm2\npress Button1\nuntil choice\nload-slot 3\n"
      "until page\npress SpeedButton8\nshot " +
      shot.string() + "\n");
  EXPECT_EQ(items["engine_state"], 10);
  EXPECT_EQ(items["V"]["802"], 1);
  // The bookmark's icon in its slot, the second of the grid's first row (x 192 + 70, y 50);
  // the slot of the bookshop's own bookmark, not bought, shows no icon.
  Bitmap24 screen, icon;
  std::string why;
  ASSERT_TRUE(DecodePng(testing::ReadFileBytes(shot), screen, why)) << why;
  ASSERT_TRUE(DecodePng(
      testing::ReadFileBytes(fs::path(TOLVEN_SOURCE_DIR) / "samples/demo/pictures/icon02.png"),
      icon, why))
      << why;
  auto iconAt = [&](int left, int top) {
    for (int y = 0; y < icon.Height(); ++y) {
      if (!std::equal(icon.Row(y), icon.Row(y) + icon.RowBytes(), screen.Row(top + y) + 3 * left))
        return false;
    }
    return true;
  };
  EXPECT_TRUE(iconAt(262, 50));
  EXPECT_FALSE(iconAt(192 + 70 * 0, 50 + 70 * 4)) << "slot 25 is empty";
}

TEST_F(SampleGameTest, TheTitleAsksBeforeQuitting) {
  const std::vector<json> dumps =
      PlayWithDumps(Events("title-quit.events"), {"answer cancel", "answer ok"});
  ASSERT_EQ(dumps.size(), 3u);
  EXPECT_EQ(dumps[0]["choice"]["entries"], kTitleAnswers) << "no extras before the clear";
  EXPECT_EQ(dumps[1]["script"], "main2");
  EXPECT_EQ(dumps[1]["choice"]["mode"], 1) << "cancelled: the title asks again";
  EXPECT_TRUE(dumps[2].is_null()) << "the game closed";
  EXPECT_EQ(TraceLines("message box").size(), 2u);
}

// The menu bar's 終了 → タイトルへ戻る, in the engine itself (no event file command picks an
// entry of that menu): from the river chapter, told over the whole screen with the water
// looping, back to a title that has put the stage in order again.
class SampleTitleReturnTest : public testing::EngineTest {
 protected:
  // The sample on a sound device, so the looping sound is kept by name even where the
  // sample's sounds were not made.
  void StartSample() {
    // The sample's sounds are made by make run, not by the tests: where they were not made,
    // the river gets a stand-in, so that its loop is there to be stopped.
    const fs::path source = dir_ / "sample-src";
    fs::copy(fs::path(TOLVEN_SOURCE_DIR) / "samples/demo", source, fs::copy_options::recursive);
    if (!fs::exists(source / "effects/loop/RIVER.wav")) {
      fs::create_directories(source / "effects/loop");
      testing::WriteFileBytes(source / "effects/loop/RIVER.wav",
                              WavBytes(Pcm{22050, 1, std::vector<int16_t>(22050, 1000)}));
    }
    const auto built =
        testing::RunTool({"build-game", source.string(), (dir_ / "sample").string()});
    ASSERT_EQ(built.exitStatus, 0) << built.output;
    host_.modal = [](DialogModel& dialog) { dialog.Press("Button1"); };  // the names offered
    trace_.Attach(&traceText_);
    EngineOptions options;
    options.gameDirectory = dir_ / "sample";
    options.configDirectory = dir_ / "config";
    options.seed = 7;
    options.audioDevice = &device_;
    form_ = std::make_unique<TForm1>(host_, trace_, options);
    form_->FormCreate();
  }
  // The engine closes its sound device as it goes, so it goes before the device does.
  ~SampleTitleReturnTest() override { form_.reset(); }
  testing::ManualAudioDevice device_;
};

TEST_F(SampleTitleReturnTest, TheMenuLeadsBackToTheTitle) {
  StartSample();
  const auto pickFirst = [this] {
    const auto point = form_->ChoiceScreen().EntryPoint(1);
    ASSERT_TRUE(point.has_value());
    for (int i = 0; i < 20 && Flags().ClickGuard > 0; ++i) Idle(1);
    form_->PBMouseMove(point->first, point->second);
    form_->PBMouseDown(MouseButton::Left, point->first, point->second);
  };
  const auto script = [this] { return form_->Script().State().CurrentScript; };
  IdleUntilWaiting();
  ASSERT_EQ(script(), "main2");
  pickFirst();
  for (int page = 0; page < 40 && script() != "river"; ++page) {
    IdleUntilWaiting();
    if (Flags().ChoiceMode != ChoiceKind::None) {
      pickFirst();
    } else if (Flags().EngineState == EngineScreen::Shop) {
      form_->PBMouseDown(MouseButton::Right, 400, 300);  // out of the bookshop, buying nothing
    } else {
      form_->PBMouseDown(MouseButton::Left, 400, 300);
    }
  }
  IdleUntilWaiting();
  ASSERT_EQ(script(), "river");
  ASSERT_EQ(S(150), 1) << "the whole screen";
  ASSERT_EQ(form_->SoundOutput().LoopingEffectName(), "RIVER");

  form_->N6Click();
  ASSERT_EQ(Flags().SystemMenuOpen, 3);
  form_->PBMouseMove(310, 200);  // on "はい"
  form_->PBMouseDown(MouseButton::Left, 310, 200);
  IdleUntilWaiting();
  EXPECT_EQ(script(), "main2");
  ASSERT_EQ(Flags().ChoiceMode, ChoiceKind::Select);
  std::vector<std::string> answers;
  for (const ChoiceEntry& entry : form_->ChoiceScreen().Entries()) {
    answers.push_back(ShiftJisToUtf8Lossy(entry.text));
  }
  EXPECT_EQ(answers, (std::vector<std::string>{"はじめから", "つづきから", "おわる"}));
  EXPECT_EQ(form_->GameStage().BackgroundName(), "A_TITLE");
  EXPECT_EQ(S(150), 0) << "back in message window mode";
  EXPECT_EQ(form_->Window().DisplayState(), WindowDisplay::Closed);
  EXPECT_EQ(form_->SoundOutput().LoopingEffectName(), "");
  EXPECT_EQ(S(0), 1);
}

}  // namespace
}  // namespace tolven

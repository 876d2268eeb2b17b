// The viewer in a game played by the real binary: a scene list opened by `viewer`, a scene
// replayed from its label and its `exit` back to the page, and EXIT back to the story.
#include <gtest/gtest.h>

#include <string>

#include <nlohmann/json.hpp>

#include "engine/game_run.h"
#include "test_support.h"

namespace tolven {
namespace {

class ViewerRunTest : public testing::GameRunTest {};

TEST_F(ViewerRunTest, ASceneReplaysAndTheStoryGoesOnAfterExit) {
  Script("main", "!E007=1\n*viewer view_1\n!V001=1\nDone.\n\\\n");
  Script("view",
         ":VIEW_1\n{\nTYPE:1\nSET:1\nTHM_SIZE:100,80\nEXIT:750,550,800,600\n1:100,100\n}\n"
         "{\n1:7,scene:go\n}\n");
  Script("scene", "!V002=5\n:go\n!V003=1\n*exit\n");
  BuildGame();
  const auto run = RunGame(
      "wait 300\ndump " + Path("open.json") + "\nclick 150 140\nwait 300\ndump " +
          Path("back.json") + "\nclick 776 570\nuntil page\ndump " + Path("done.json") + "\nquit\n",
      {});
  ASSERT_EQ(run.exitStatus, 0) << run.output;

  const nlohmann::json open = Dump("open.json");
  EXPECT_EQ(open["engine_state"], 6);
  EXPECT_EQ(open["viewer"]["name"], "view_1");
  EXPECT_EQ(open["viewer"]["type"], 1);
  EXPECT_EQ(open["viewer"]["statuses"][0], 3);
  EXPECT_EQ(open["S"]["0"], 2);

  const nlohmann::json back = Dump("back.json");
  EXPECT_EQ(back["engine_state"], 6);
  EXPECT_EQ(back["script"], "main");
  EXPECT_FALSE(back["replay"]);
  EXPECT_EQ(back["V"]["3"], 1) << "the scene ran from its label";
  EXPECT_FALSE(back["V"].contains("2"));
  EXPECT_FALSE(back["V"].contains("1")) << "the story waits for the viewer";

  const nlohmann::json done = Dump("done.json");
  EXPECT_EQ(done["engine_state"], 0);
  EXPECT_TRUE(done["viewer"].is_null());
  EXPECT_EQ(done["S"]["0"], 1);
  EXPECT_EQ(done["V"]["1"], 1);
}

}  // namespace
}  // namespace tolven

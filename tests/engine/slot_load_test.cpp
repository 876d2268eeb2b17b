// A slot of known values loaded into a running engine, and a slot saved from one: every value
// the slot holds is looked for where the engine keeps it.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/engine_rig.h"
#include "save/save_slot.h"

namespace tolven {
namespace {

using testing::ScriptBytes;

constexpr const char* kSub = "first line\nsecond line\nthird line\n\\\n*sleep 10\n";

class SlotLoadTest : public testing::EngineTest {
 protected:
  void StartWithSub(const std::string& main) {
    testing::WriteFileBytes(dir_ / "game" / "qe_data.tvk",
                            tools::BuildArchive(ArchiveLayout::A, {{"main", ScriptBytes(main)},
                                                                   {"sub", ScriptBytes(kSub)}}));
    StartIn(dir_ / "game");
    IdleUntilWaiting();
  }
  std::filesystem::path Saves() const { return form_->SaveFolder(); }
};

void SetBit(std::span<uint8_t> bytes, int n) {
  bytes[static_cast<size_t>(n) / 8] |= static_cast<uint8_t>(1u << (n % 8));
}

void PutText(std::span<uint8_t> bytes, size_t at, std::string_view text) {
  std::memcpy(bytes.data() + at, text.data(), text.size());
}

std::unique_ptr<SlotRecord> Golden() {
  auto r = std::make_unique<SlotRecord>();
  SetBit(r->F, 3);
  r->reserved[5] = 0x5A;
  r->V[12] = 34;
  r->S[40] = 77;
  r->S[sv::kAutoSpeed] = 4;
  r->S[25] = 9;  // the read mark the load tests
  SetBit(r->readMarks, 9);
  SetBit(r->T, 100);
  SlotState& s = r->state;
  s.CallDepth = 1;
  s.CallPositions[0] = 5;
  s.windowOpen = 1;
  s.WaitTicks = 3;
  s.CharDelay = 2;
  s.PageWait = 2;
  s.lastPictureGrb = 1;
  s.TextColumn = 12;
  s.TextRow = 2;
  s.TextSize = 1;
  s.TextColour = 3;
  s.backlogLineCount = 2;
  s.backlogWritePos = 2 * 70 + 4;
  s.ScriptRunning = 1;
  s.NeedLine = 0;
  s.LineStart = 11;
  s.resumePos = 23;  // "third line"
  s.LinePos = 4;
  s.historyCount = 21;
  s.messagePageFlag = 1;
  PutText(r->backlogText, 0, "line0");
  PutText(r->backlogText, 70, "line1");
  PutText(r->backlogText, 140, "abcd");
  r->LineBuffer = "second line";
  r->names.CallNames[0] = "main";
  r->names.CurrentScript = "sub";
  r->names.LoadedScriptName = "sub";
  r->names.background = "S123";
  // Dashes keep the layers as the slot holds them.
  r->names.characters = "-,-";
  r->names.layerSpecs[1] = "B_X";
  r->names.lastVoice = "V001";
  PutText(r->strings, 0, "saved");
  PutText(r->strings, 32, "given");
  PutText(r->pageText, 100, "ab");
  r->pageAttributes[100] = 3;
  r->history[1].screen = "A_X,B_Y";
  r->history[1].fixed = 6;
  return r;
}

TEST_F(SlotLoadTest, LoadingASlotRestoresEveryValueItHolds) {
  StartWithSub("!S010=99\nwaiting\n\\\n");
  ASSERT_TRUE(SaveSlot(Saves(), 5, *Golden()));
  form_->LoadSlot(5);
  const ScriptState& state = form_->State();
  EXPECT_EQ(state.F[0], 1 << 3);
  EXPECT_EQ(state.V(12), 34);
  EXPECT_EQ(state.S(40), 77);
  EXPECT_EQ(state.S(sv::kAutoSpeed), 0) << "auto-advance off";
  EXPECT_EQ(state.S(sv::kResumePoint), 0) << "the reloaded script forgets backto";
  EXPECT_EQ(state.T[12], 1 << 4);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(state.strings.data()) + 32), "given");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(state.strings.data())), "\x8e\x52\x93\x63")
      << "row 0 is the player's current family name";

  const InterpreterState& script = form_->Script().State();
  EXPECT_EQ(script.calls.CallDepth, 1);
  EXPECT_EQ(script.calls.CallPositions[0], 5);
  EXPECT_EQ(script.calls.CallNames[0], "main");
  EXPECT_EQ(script.CurrentScript, "sub");
  EXPECT_EQ(script.LoadedScriptName, "sub");
  EXPECT_EQ(form_->Script().Image().substr(0, 10), "first line");
  EXPECT_EQ(script.ReadPos, 23u);
  EXPECT_EQ(script.LineStart, 11u);
  EXPECT_EQ(script.LinePos, 4u);
  EXPECT_FALSE(script.NeedLine);
  EXPECT_TRUE(script.ScriptRunning);
  EXPECT_EQ(form_->Script().LineBuffer(), "second line");

  const EngineFlags& flags = form_->Flags();
  EXPECT_TRUE(flags.WindowShown);
  EXPECT_EQ(flags.WaitTicks, 3);
  EXPECT_EQ(flags.CharDelay, 2);
  EXPECT_EQ(flags.PageWait, PageWaitKind::PageKept);
  EXPECT_TRUE(flags.ReadFlag) << "read mark 9 is set";
  EXPECT_FALSE(flags.Busy);
  EXPECT_TRUE(form_->GameStage().GrbMark());
  EXPECT_EQ(form_->GameStage().BackgroundName(), "S123");
  EXPECT_EQ(form_->GameStage().PositionNames()[1], "B_X");

  const MessageOutput& output = form_->Output();
  EXPECT_EQ(output.TextColumn(), 12);
  EXPECT_EQ(output.TextRow(), 2);
  EXPECT_EQ(output.TextSize(), 1);
  EXPECT_EQ(output.TextColour(), 3);
  EXPECT_EQ(output.BacklogLineCount(), 3);
  EXPECT_EQ(output.BacklogLine(1), "line1");
  EXPECT_EQ(output.BacklogLine(2), "abcd");
  EXPECT_EQ(output.PageBytes()[101], 'b');
  EXPECT_EQ(output.PageColours()[100], 3);
  EXPECT_FALSE(output.PageEmpty());
  EXPECT_EQ(output.LastVoice(), "V001");
  EXPECT_EQ(form_->BacklogScreens().HistoryCount(), 21);
  EXPECT_EQ(form_->BacklogScreens().RingEntries()[1].screen, "A_X,B_Y");
  EXPECT_EQ(form_->BacklogScreens().RingEntries()[1].fixed, 6);

  // The reserved block is carried on into the next save.
  form_->SaveSlot(6);
  const std::unique_ptr<SlotRecord> again = LoadSlot(Saves(), 6);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->reserved[5], 0x5A);
  EXPECT_TRUE(again->readMarks[1] & (1 << 1));
}

// A load stops skipping and finds the passage at its load point unread when its mark is clear;
// a missing slot changes nothing.
TEST_F(SlotLoadTest, ALoadStopsSkippingFindsUnreadTextAndAMissingSlotIsNothing) {
  StartWithSub("waiting\n\\\n");
  auto record = Golden();
  record->readMarks.fill(0);
  ASSERT_TRUE(SaveSlot(Saves(), 5, *record));
  const uint32_t before = form_->Script().State().ReadPos;
  form_->LoadSlot(44);
  EXPECT_EQ(form_->Script().State().ReadPos, before);
  EXPECT_FALSE(form_->Flags().Busy);
  form_->Flags().SkipState = 2;
  form_->LoadSlot(5);
  EXPECT_FALSE(form_->Flags().ReadFlag);
  EXPECT_EQ(form_->Flags().SkipState, 0);
}

// A slot file cut short holds no place for the script to go on from: loading it leaves the
// game as it was, and the story goes on where it stood.
TEST_F(SlotLoadTest, ASlotCutShortIsNotLoaded) {
  StartWithSub("*gra S321,0\n!V003=9\nwaiting\n\\\n*call sub\n");
  ASSERT_TRUE(SaveSlot(Saves(), 5, *Golden()));
  const std::vector<uint8_t> whole = testing::ReadFileBytes(SlotPath(Saves(), 5));
  for (size_t size : {size_t{0}, size_t{128}, size_t{17570}, kSlotFileBytes - 1}) {
    SCOPED_TRACE(size);
    testing::WriteFileBytes(SlotPath(Saves(), 5),
                            {whole.begin(), whole.begin() + static_cast<ptrdiff_t>(size)});
    const InterpreterState before = form_->Script().State();
    const auto page = form_->Output().PageBytes();
    form_->Flags().SkipState = 2;
    form_->LoadSlot(5);
    const InterpreterState& after = form_->Script().State();
    EXPECT_EQ(after.LoadedScriptName, "main");
    EXPECT_EQ(after.ReadPos, before.ReadPos);
    EXPECT_EQ(after.ScriptRunning, before.ScriptRunning);
    EXPECT_EQ(form_->Output().PageBytes(), page);
    EXPECT_EQ(form_->GameStage().BackgroundName(), "S321");
    EXPECT_EQ(form_->State().V(3), 9);
    EXPECT_EQ(form_->State().V(12), 0);
    EXPECT_TRUE(form_->Flags().WindowShown);
    EXPECT_EQ(form_->Flags().SkipState, 2) << "nothing of a load began";
    EXPECT_FALSE(form_->Flags().Busy);
    EXPECT_EQ(Mentions("load: slot 5 is damaged"), 1);
    traceText_.str("");
    form_->Flags().SkipState = 0;
  }
  // The story goes on: the click ends the page and the called script runs.
  form_->PBMouseDown(MouseButton::Left, 400, 300);
  IdleUntilWaiting();
  EXPECT_EQ(form_->Script().State().LoadedScriptName, "sub");
}

// A save writes the engine as it stands: the banks, where the script is, the stage, the page,
// the title with the time, and the scene shrunk into the thumbnail.
TEST_F(SlotLoadTest, ASaveHoldsTheEngineAsItStands) {
  StartWithSub("!V003=9\n*title chapter\n*gra S321,0\n*grb S111\n*call sub\n");
  form_->SaveSlot(2);
  const std::unique_ptr<SlotRecord> record = LoadSlot(Saves(), 2);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->V[3], 9);
  EXPECT_TRUE(record->description.starts_with("2000/01/01 00:00:")) << record->description;
  EXPECT_TRUE(record->description.ends_with("  chapter")) << record->description;
  EXPECT_EQ(record->names.background, "S111");
  EXPECT_EQ(record->state.lastPictureGrb, 1);
  EXPECT_EQ(record->state.CallDepth, 1);
  EXPECT_EQ(record->names.CallNames[0], "main");
  EXPECT_EQ(record->names.LoadedScriptName, "sub");
  EXPECT_EQ(record->state.resumePos, static_cast<int32_t>(form_->Script().State().ReadPos));
  EXPECT_EQ(record->state.PageWait, 1);
  const std::string row1(reinterpret_cast<const char*>(record->pageText.data()) + 100, 100);
  EXPECT_NE(row1.find("first line"), std::string::npos);
  EXPECT_EQ(record->state.historyCount, form_->BacklogScreens().HistoryCount());
  const Bitmap24& scene = form_->GameStage().Buffers().SceneBuffer;
  EXPECT_EQ(std::memcmp(record->thumbnail.data(), scene.Data(), 3), 0);
  EXPECT_EQ(std::memcmp(record->thumbnail.data() + record->thumbnail.size() - 3,
                        scene.Row(595) + 3 * 795, 3),
            0);
}

}  // namespace
}  // namespace tolven

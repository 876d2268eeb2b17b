#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/engine_flags.h"
#include "base/script_state.h"

namespace tolven {

inline constexpr int kPageBufferRows = 20;
inline constexpr int kPageBufferColumns = 100;
inline constexpr int kBacklogLines = 1001;  // 1000 complete lines and the one being written
inline constexpr size_t kBacklogLineBytes = 70;
inline constexpr size_t kPageVoiceBytes = 256;   // the page's voice list, terminator included
inline constexpr int kSavedBacklogLines = 1000;  // a saved game keeps lines 0-999

// A ruby reading the page keeps: the cursor it was placed at (a character's column and row) and
// the number of characters it belongs to.
struct PageRuby {
  int column;
  int row;
  int count;
  std::string reading;
  bool operator==(const PageRuby&) const = default;
};
struct RubyPosition {
  int x;
  int y;
};

// What message output asks of the screens around it: drawing, the picture commands of the
// inline tags, values for insertion, voices.
class MessageOutputHost {
 public:
  virtual ~MessageOutputHost() = default;
  // One character (one or two Shift-JIS bytes) at (x, y) of the stage, shown on the screen
  // unless the drama mode holds presentation back.
  virtual void DrawCharacter(std::string_view bytes, int x, int y, int colour,
                             bool holdPresentation) = 0;
  virtual void DrawRuby(std::string_view reading, int x, int y, bool holdPresentation) = 0;
  // The size of the canvases' text output, in points.
  virtual void SetCanvasFontSize(int points) = 0;
  // A drama-mode speaker line: the stage is shown without the message window.
  virtual void ShowStageWithoutWindow() = 0;
  // Flag F028: the protagonist's names print as the nickname.
  virtual bool NicknameOn() = 0;
  // The display side of a new page: darkened scene in full-screen text, the window otherwise.
  virtual void ShowNewPage() = 0;
  // Each printed character is shown before the step yields.
  virtual void RepaintScreen() = 0;
  virtual void BuildClickWaitFrames() = 0;
  virtual void PictureCommand(std::string_view argument) = 0;   // [gra ...]
  virtual void ClearCharacters(std::string_view argument) = 0;  // [clrb ...]
  virtual int32_t Evaluate(std::string_view expression) = 0;    // [?...]
  virtual std::string StringRow(int row) = 0;                   // [$n] and ＄n
  virtual void PlayVoice(std::string_view name) = 0;
  // Half the pixel width of a ruby reading.
  virtual int RubyHalfWidth(std::string_view reading) = 0;
};

// Draws nothing, inserts nothing and plays nothing: the base of hosts that need only part of it.
class NullMessageOutputHost : public MessageOutputHost {
 public:
  void DrawCharacter(std::string_view, int, int, int, bool) override {}
  void DrawRuby(std::string_view, int, int, bool) override {}
  void SetCanvasFontSize(int) override {}
  void ShowStageWithoutWindow() override {}
  bool NicknameOn() override { return false; }
  void ShowNewPage() override {}
  void RepaintScreen() override {}
  void BuildClickWaitFrames() override {}
  void PictureCommand(std::string_view) override {}
  void ClearCharacters(std::string_view) override {}
  int32_t Evaluate(std::string_view) override { return 0; }
  std::string StringRow(int) override { return {}; }
  void PlayVoice(std::string_view) override {}
  int RubyHalfWidth(std::string_view) override { return 0; }
};

// Follows the story's text as it is printed, for readers outside the game screen. Characters
// come as the backlog takes them (inserted names included, the unlogged marks left out); a line
// is complete at its end or at a page mark that drops the rest.
class PrintedTextObserver {
 public:
  virtual ~PrintedTextObserver() = default;
  virtual void PrintedCharacter(std::string_view bytes) = 0;
  // A ruby reading over the next `count` characters.
  virtual void PrintedRuby(int count, std::string_view reading) = 0;
  virtual void PrintedLineEnd(bool speakerLine) = 0;
  // The voice command or tag named a voice for the text that follows.
  virtual void VoiceNamed() = 0;
  // A page mark or click wait: the player reads on only after it.
  virtual void WaitBegins() = 0;
  // The page was emptied, or replaced by a saved game's page.
  virtual void PageCleared(bool fromSavedGame) = 0;
  // A script was loaded: a line left half printed (back to the title) is never completed.
  virtual void LineAbandoned() = 0;
};

// The message page: text lines become characters on a 20-row grid with wrapping, hanging
// punctuation and the in-text markup, the backlog text records them, and the waits they make
// hand control back to the frame loop.
class MessageOutput {
 public:
  MessageOutput(EngineFlags& flags, ScriptState& state, MessageOutputHost& host);

  // None by default; the observer must outlive the output.
  void SetPrintedTextObserver(PrintedTextObserver* observer) { observer_ = observer; }
  // The Delay setting 0: text appears character by character.
  void SetCharacterByCharacter(bool on) { characterByCharacter_ = on; }
  // Game content: the three-kana nickname that ＄０ and ＄１ print while F028 is set, and the
  // speaker name tags whose lines the drama mode shows without the window.
  void SetNickname(std::string nickname) { nickname_ = std::move(nickname); }
  void SetNameTags(std::vector<std::string> tags) { nameTags_ = std::move(tags); }
  // A speaker line (the text after '>') names a voiced speaker and the drama mode (S070) is on.
  bool IsAutoVoiceTag(std::string_view name) const;
  // The text font's size by text mode and text size: new pages, [1] and [2], and the end of
  // every transition.
  void ApplyFontSizes();
  // Drama mode holds the page's text back from the screen.
  bool HoldsPresentation() const { return speakerVoiceState_ != 0; }

  // Continues a text line from `position` until the step must yield. needLine turns on when
  // the line is done (its end, or a page mark that drops the rest).
  void PrintLine(std::string_view line, size_t& position, bool& needLine, bool& nameLine);
  // A speaker-name line: the name after its '>' goes to row 0 at once, without pausing.
  void PrintSpeakerName(std::string_view line);
  // Loading a script drops whatever was still to be inserted.
  void EmptyInsertText() {
    insertText_.clear();
    if (observer_ != nullptr) observer_->LineAbandoned();
  }
  // The waits are reset: the cursor goes to the top-left, the page stays.
  void ResetCursor() {
    column_ = 0;
    row_ = 0;
  }
  // One timer tick of the auto-advance wait; true when it has run out.
  bool CountAutoWaitDown() {
    if (autoWait_ > 0) --autoWait_;
    return autoWait_ == 0;
  }
  void HoldAutoWait() { autoWait_ = 1; }
  // A blank script line: one row further down.
  void NextRow() { ++row_; }
  // A page-mark line ('=', '\', '~', '+') leaves its wait; all but '=' close the backlog line.
  void PageMarkLine(PageWaitKind wait);
  // Places one character of one or two bytes.
  void PutChar(std::string_view bytes, bool nameLine);
  void NewPage();
  // Both of these: the counters and the page.
  void ClearPage();
  // Text colour, size and the line counters back to 0 (a closed window's page starts over).
  void ResetPageState();
  void MarkPageEmpty();
  void EndBacklogLine();
  void ComputeAutoWait();
  // A voice the page plays: its name joins the page's voice list and the backlog gets a line
  // "@name" of its own, which the log shows as a replay button.
  void RecordVoice(std::string_view name);

  int TextColumn() const { return column_; }
  int TextRow() const { return row_; }
  int CharCount() const { return charCount_; }
  int TextColour() const { return colour_; }
  int TextSize() const { return size_; }
  int AutoWait() const { return autoWait_; }
  bool PageEmpty() const { return pageEmpty_; }
  int SpeakerVoiceState() const { return speakerVoiceState_; }
  // The bytes and colour indexes of the page, row by row (kPageBufferColumns bytes a row); the
  // colour bytes past a row's characters keep its ruby readings (PageRubies reads them).
  const std::array<uint8_t, kPageBufferRows * kPageBufferColumns>& PageBytes() const {
    return pageBytes_;
  }
  const std::array<uint8_t, kPageBufferRows * kPageBufferColumns>& PageColours() const {
    return pageColours_;
  }
  // The ruby readings placed on this page, row by row, as a redraw draws them again.
  std::vector<PageRuby> PageRubies() const;
  // Where a reading goes over the characters it belongs to, by the text mode, the cursor it was
  // placed at and its half width in pixels.
  static RubyPosition PlaceRuby(bool fullScreenText, int column, int row, int count, int halfWidth);

  // Backlog lines oldest first, the line being written last.
  std::string BacklogLine(int index) const;
  int BacklogLineCount() const { return backlogLine_ + 1; }
  // The closed lines only, 0-1000.
  int CompleteBacklogLines() const { return backlogLine_; }
  // The voices named on this page, each followed by a blank.
  const std::string& PageVoices() const { return pageVoices_; }
  // The page's voice list for the look-back. A new page keeps it, since a voice may be named
  // before the first character that opens the page; only taking it starts a new list.
  std::string TakePageVoices() { return std::exchange(pageVoices_, std::string()); }
  // The voice last named by the voice command or tag, as a saved game keeps it.
  const std::string& LastVoice() const { return lastVoice_; }

  // A saved game's text state. The page comes back with its colours; whether it holds text
  // decides how the next character opens it.
  void RestoreCursor(int column, int row, int size, int colour);
  void RestorePage(std::span<const uint8_t> bytes, std::span<const uint8_t> colours, bool empty);
  void RestoreLastVoice(std::string name) { lastVoice_ = std::move(name); }
  // The first kSavedBacklogLines lines; the write position counts bytes from the first line.
  void CopyBacklogText(std::span<uint8_t> out) const;
  size_t BacklogWritePosition() const;
  // Lines beyond the text given start empty; a position outside the lines restored, or
  // inside a line beyond its 70 bytes, is brought within them.
  void RestoreBacklogText(std::span<const uint8_t> text, int completeLines, size_t writePosition);

 private:
  bool Skipping() const { return flags_.SkipState != 0; }
  bool FullScreenText() const;
  void AppendBacklog(std::string_view bytes);
  void DropFromBacklog(size_t count);
  // Each returns true when the step yields.
  bool InlineTag(std::string_view line, size_t& position);
  void Ruby(std::string_view line, size_t& position);
  void KeepRuby(int count, std::string_view reading);
  bool PageMark(uint16_t code, size_t& position, bool& needLine);
  bool AfterCharacter(bool nameLine);

  EngineFlags& flags_;
  ScriptState& state_;
  MessageOutputHost& host_;
  PrintedTextObserver* observer_ = nullptr;
  bool characterByCharacter_ = true;

  int column_ = 0;
  int row_ = 0;
  int charCount_ = 0;
  int size_ = 0;
  int colour_ = 0;
  int autoWait_ = 0;
  int speakerVoiceState_ = 0;
  bool pageEmpty_ = true;
  std::string nickname_;
  std::vector<std::string> nameTags_;
  std::string insertText_;
  bool inserting_ = false;
  std::string pageVoices_;
  std::string lastVoice_;
  std::array<uint8_t, kPageBufferRows * kPageBufferColumns> pageBytes_{};
  std::array<uint8_t, kPageBufferRows * kPageBufferColumns> pageColours_{};
  std::array<char, kBacklogLines * kBacklogLineBytes> backlog_{};
  int backlogLine_ = 0;
  size_t backlogLength_ = 0;  // bytes in the line being written
};

}  // namespace tolven

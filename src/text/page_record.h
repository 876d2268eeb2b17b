#pragma once

#include <array>
#include <deque>
#include <string>
#include <string_view>

namespace tolven {

inline constexpr int kPageRows = 20;
// The record keeps the last lines and page marks only, as the backlog keeps its last lines, so
// a long story does not grow it without end.
inline constexpr size_t kPrintedLinesKept = 1000;

// A plain record of the message page: which characters the current page holds, row by row,
// and the page waits met so far. Drawing the text on the stage is not built yet; this record
// is what headless runs and state dumps see of the story text until it is.
class PageRecord {
 public:
  // A text line is written from the cursor on; the next line starts a new row.
  void PutText(std::string_view shiftJis);
  // A blank script line: one row further down.
  void NextRow();
  // A speaker-name line.
  void PutSpeakerName(std::string_view shiftJis);
  // Clears the page and puts the cursor at the top (a new page).
  void NewPage();
  // Puts the cursor at the top-left without clearing (ResetWaits).
  void ResetCursor();
  // Remembers a page mark met by the interpreter ('=', '\', '~', '+').
  void RecordPageMark(char mark);

  const std::array<std::string, kPageRows>& Rows() const { return rows_; }
  int Column() const { return column_; }
  int Row() const { return row_; }
  const std::string& Speaker() const { return speaker_; }
  const std::deque<char>& PageMarks() const { return pageMarks_; }
  // The last text lines printed, oldest first (for the dump).
  const std::deque<std::string>& PrintedLines() const { return printed_; }

 private:
  std::array<std::string, kPageRows> rows_;
  int column_ = 0;
  int row_ = 0;
  std::string speaker_;
  std::deque<char> pageMarks_;
  std::deque<std::string> printed_;
};

}  // namespace tolven

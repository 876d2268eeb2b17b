#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace tolven {

inline constexpr int kPageRows = 20;

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
  void RecordPageMark(char mark) { pageMarks_.push_back(mark); }

  const std::array<std::string, kPageRows>& Rows() const { return rows_; }
  int Column() const { return column_; }
  int Row() const { return row_; }
  const std::string& Speaker() const { return speaker_; }
  const std::vector<char>& PageMarks() const { return pageMarks_; }
  // Every text line printed since start, in order (for the dump).
  const std::vector<std::string>& PrintedLines() const { return printed_; }

 private:
  std::array<std::string, kPageRows> rows_;
  int column_ = 0;
  int row_ = 0;
  std::string speaker_;
  std::vector<char> pageMarks_;
  std::vector<std::string> printed_;
};

}  // namespace tolven

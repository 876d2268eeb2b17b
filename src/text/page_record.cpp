#include "text/page_record.h"

namespace tolven {

void PageRecord::PutText(std::string_view shiftJis) {
  printed_.emplace_back(shiftJis);
  if (printed_.size() > kPrintedLinesKept) printed_.pop_front();
  if (row_ < kPageRows) {
    rows_[row_] += shiftJis;
    column_ += static_cast<int>(shiftJis.size());
  }
  NextRow();
}

void PageRecord::NextRow() {
  if (row_ < kPageRows) ++row_;
  column_ = 0;
}

void PageRecord::RecordPageMark(char mark) {
  pageMarks_.push_back(mark);
  if (pageMarks_.size() > kPrintedLinesKept) pageMarks_.pop_front();
}

void PageRecord::PutSpeakerName(std::string_view shiftJis) {
  speaker_ = shiftJis;
}

void PageRecord::NewPage() {
  for (std::string& row : rows_) row.clear();
  speaker_.clear();
  ResetCursor();
}

void PageRecord::ResetCursor() {
  column_ = 0;
  row_ = 0;
}

}  // namespace tolven

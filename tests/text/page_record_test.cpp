#include "text/page_record.h"

#include <gtest/gtest.h>

#include <string>

namespace tolven {
namespace {

// A story runs for hours; the record keeps its latest lines and marks, not all of them.
TEST(PageRecordTest, KeepsOnlyTheLatestLinesAndPageMarks) {
  PageRecord page;
  for (int i = 0; i < 5000; ++i) {
    page.PutText("line " + std::to_string(i));
    page.RecordPageMark(i % 2 == 0 ? '\\' : '=');
    if (i % 10 == 0) page.NewPage();
  }
  ASSERT_EQ(page.PrintedLines().size(), kPrintedLinesKept);
  EXPECT_EQ(page.PrintedLines().front(), "line " + std::to_string(5000 - kPrintedLinesKept));
  EXPECT_EQ(page.PrintedLines().back(), "line 4999");
  ASSERT_EQ(page.PageMarks().size(), kPrintedLinesKept);
  EXPECT_EQ(page.PageMarks().back(), '=');
}

}  // namespace
}  // namespace tolven

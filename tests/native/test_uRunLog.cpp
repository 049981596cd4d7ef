#include <gtest/gtest.h>

#include "system/uRunLog.h"

namespace {

TEST(RunLog, OneLineWithTimestampProcessAndCrLf) {
  const runlog::TLogTime t = {2024, 3, 7, 9, 5, 1};
  EXPECT_EQ(runlog::FormatLogLine(t, 1234, "削除しました: C:\\x"), "2024-03-07 09:05:01 [1234] 削除しました: C:\\x\r\n");
  // An event whose text breaks lines (a system message) stays one line.
  EXPECT_EQ(runlog::FormatLogLine(t, 8, "a\r\nb\nc"), "2024-03-07 09:05:01 [8] a  b c\r\n");
  EXPECT_EQ(runlog::FormatLogLine({12345, 12, 31, 23, 59, 59}, 0, ""), "12345-12-31 23:59:59 [0] \r\n");
}

}  // namespace

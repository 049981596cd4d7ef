// The system's words for an error code, as the log and the boxes show them.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "system/uSystemError_win.h"

namespace {

TEST(SystemError, TextIsTheSystemsWithoutItsClosingLineBreak) {
  char buffer[512] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                      ERROR_ACCESS_DENIED, 0, buffer, sizeof(buffer), nullptr);
  ASSERT_GT(length, 0u);
  std::string expected(buffer, length);
  while (!expected.empty() && (expected.back() == '\r' || expected.back() == '\n' || expected.back() == ' ')) {
    expected.pop_back();
  }
  EXPECT_EQ(systemerror::SystemErrorText(ERROR_ACCESS_DENIED), expected);
  EXPECT_EQ(systemerror::Describe(ERROR_ACCESS_DENIED), "エラー 5: " + expected);
}

TEST(SystemError, CodeWithoutATextIsDescribedByItsNumberAlone) {
  // Not a system error code: the system has no text for it.
  const DWORD unknown = 0x2000FFFF;
  EXPECT_EQ(systemerror::SystemErrorText(unknown), "");
  EXPECT_EQ(systemerror::Describe(unknown), "エラー " + std::to_string(unknown));
}

}  // namespace

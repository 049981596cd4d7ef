#include <gtest/gtest.h>

#include <string>

#include "exeadder/uMutexName.h"

namespace {

using mutexname::MutexNameRefusal;

// Names that CreateMutexA can never take: an uninstaller carrying one would report a running
// screen saver (1618) on every run.
TEST(MutexName, RefusesNamesThatCreateMutexCannotTake) {
  struct Case { const char* What; std::string Name; const char* Says; } Refused[] = {
      {"a backslash", "Korvane\\Sample", "backslash"},
      {"a backslash after the namespace's", "Global\\a\\b", "backslash"},
      {"a namespace in another case", "global\\Sample", "backslash"},
      {"a namespace of the system's", "Session\\1\\Sample", "backslash"},
      {"a namespace alone", "Local\\", "no mutex in it"},
      {"a NUL", std::string("{5A3C}\0tail", 11), "NUL"},
      {"260 bytes", std::string(260, 'x'), "260 bytes long"},
  };
  for (const Case& C : Refused) EXPECT_NE(MutexNameRefusal(C.Name).find(C.Says), std::string::npos) << C.What;
  const std::string Taken[] = {"{5A3C9E12-7B4D-4F0A-9C61-2E8D0B7F4A19}", "Global\\{5A3C}", "Local\\Sample", std::string(259, 'x'), "Global",
                               // 0x95 0x5C: the second byte of the character is not a backslash.
                               "\x95\x5C\x8E\xA6"};
  for (const std::string& Name : Taken) EXPECT_EQ(MutexNameRefusal(Name), "") << Name;

}

}  // namespace

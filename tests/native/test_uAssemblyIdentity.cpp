#include <gtest/gtest.h>

#include <cwchar>

#include "ui/uAssemblyIdentity.h"

namespace {

TEST(AssemblyIdentity, MajorVersionOfTheVersionAttribute) {
  const struct {
    const wchar_t* identity;
    unsigned long major;
  } cases[] = {
      {L"Microsoft.Windows.Common-Controls,processorArchitecture=\"x86\",type=\"win32\",version=\"6.0.2600.2982\"", 6},
      {L"Microsoft.Windows.Common-Controls,version=\"10.1.0.0\",type=\"win32\"", 10},
      {L"Microsoft.Windows.Common-Controls,version=\"5.82.0.0\"", 5},
      {L"Microsoft.Windows.Common-Controls,type=\"win32\"", 0},
      {L"version=\"\"", 0},
      {L"version=\"x.0\"", 0},
      {L"", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ui::MajorVersionOfIdentity(c.identity, std::wcslen(c.identity)), c.major) << c.major;
  }
  // The length bounds the search: a version behind it is not read.
  const wchar_t* cut = L"type=\"win32\",version=\"6.0.0.0\"";
  EXPECT_EQ(ui::MajorVersionOfIdentity(cut, 13), 0ul);
  EXPECT_EQ(ui::MajorVersionOfIdentity(nullptr, 0), 0ul);
}

}  // namespace

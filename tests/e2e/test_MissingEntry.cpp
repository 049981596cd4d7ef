// Without a usable uninstall entry the program says so in an error box, ends after OK, and
// changes nothing: no file, no registry entry, and above all not the Uninstall key itself.
#include <gtest/gtest.h>

#include "uScenario.h"

namespace e2e {
namespace {

struct TMissingCase {
  const char* name;
  std::string product;
  std::string folderName;       // empty: the product name
  std::string uninstallerName;  // empty: product + "Uninst.exe"
  TEntryKind entry;
};

std::ostream& operator<<(std::ostream& os, const TMissingCase& c) { return os << c.name; }

const TMissingCase kMissingCases[] = {
    {"NoKey", "Sample", "", "", TEntryKind::Missing},
    {"NoUninstallString", "Sample", "", "", TEntryKind::NoUninstallString},
    {"EmptyUninstallString", "Sample", "", "", TEntryKind::EmptyUninstallString},
    {"TrailByteBackslashName", "表示", "", "", TEntryKind::Missing},
    // "Uninst" at the start gives an empty product name: the key path would be the Uninstall
    // key itself, which holds every program's entry.
    {"EmptyProductName", "", "KorvaneE2EEmpty", "Uninst.exe", TEntryKind::Missing},
};

class MissingEntryTest : public TScenario, public ::testing::WithParamInterface<TMissingCase> {};

TEST_P(MissingEntryTest, ShowsTheErrorBoxAndEndsWithNothingChanged) {
  const TMissingCase& c = GetParam();
  TSampleOptions o = SampleNamed(c.product, c.folderName, c.uninstallerName);
  o.entry = c.entry;
  const TSample sample = Install(o);
  const TSampleState before = CaptureState(sample);

  const TProcess& started = Start("\"" + sample.uninstallerPath + "\"");
  ASSERT_TRUE(started.handle) << "cannot start " << Show(sample.uninstallerPath);

  const HWND box = WaitForMessageBox(0, kAppTitle);
  ASSERT_NE(box, nullptr) << "no error box";
  TProcess owner = OpenProcessById(WindowProcessId(box));
  ASSERT_TRUE(owner.handle);
  const std::string text = MessageBoxText(box);
  EXPECT_EQ(text, MissingEntryText(c.product)) << Show(text);

  PressMessageBoxOk(box);
  EXPECT_TRUE(WaitForWindowGone(box));
  DWORD ownerCode = ~0u;
  EXPECT_TRUE(WaitForExit(owner, kDefaultWaitMs, &ownerCode)) << "the box's process still runs after OK";
  EXPECT_EQ(ownerCode, 1605u) << "the temporary copy names the missing product";
  DWORD startedCode = ~0u;
  EXPECT_TRUE(WaitForExit(started, kDefaultWaitMs, &startedCode)) << "the started process still runs";
  EXPECT_EQ(startedCode, 0u);

  TWindowQuery main;
  main.className = kMainClass;
  main.visibleOnly = true;
  EXPECT_TRUE(FindTopWindows(main).empty()) << "a main window is showing";
  const TSampleState after = CaptureState(sample);
  EXPECT_EQ(after, before) << "before:\n" << before.Describe() << "after:\n" << after.Describe();
}

INSTANTIATE_TEST_SUITE_P(Installed, MissingEntryTest, ::testing::ValuesIn(kMissingCases), TCaseName());

}  // namespace
}  // namespace e2e

// The whole job as a user does it: Add/Remove Programs starts the installed uninstaller, a
// temporary copy shows the window, Uninstall deletes the files and the entry's key tree, says so,
// and the copy waits among the pending restart operations.
#include <gtest/gtest.h>

#include <map>

#include "system/uFiles.h"
#include "uUninstallScenario.h"

namespace e2e {
namespace {

enum class TPress { Click, AltUTyped };

struct TPressCase {
  const char* name;
  std::string product;
  TPress press;
};

std::ostream& operator<<(std::ostream& os, const TPressCase& c) { return os << c.name; }

const TPressCase kPressCases[] = {
    {"Sample", "Sample", TPress::Click},
    // 0x95 0x5C: the second byte of the first character is a backslash.
    {"TrailByteBackslashName", "表示", TPress::Click},
    // The access key of "アンインストール(&U)", from the keyboard.
    {"AltUTyped", "Sample", TPress::AltUTyped},
};

std::map<std::string, std::string> Under(const std::map<std::string, std::string>& registry, const std::string& key) {
  std::map<std::string, std::string> part;
  for (const auto& entry : registry)
    if (entry.first.compare(0, key.size() + 1, key + "\\") == 0) part.insert(entry);
  return part;
}

// How many pending restart operations delete the file.
int DeletionsPending(const std::string& path) {
  int n = 0;
  for (const auto& op : PendingRenames())
    if (op.second.empty() && lstrcmpiA(op.first.c_str(), ("\\??\\" + path).c_str()) == 0) ++n;
  return n;
}

class UninstallPressTest : public TUninstallScenario, public ::testing::WithParamInterface<TPressCase> {};

TEST_P(UninstallPressTest, DeletesTheFilesAndTheEntryAndSchedulesTheTemporaryCopy) {
  TSampleOptions o;
  o.product = GetParam().product;
  o.guid = "{E2E0C0DE-5A3C-4F0A-9C61-2E8D0B7F4A19}";
  const TSample sample = Install(o);
  const TSampleState before = CaptureState(sample);

  const TProcess& started = Start(sample.UninstallString());
  ASSERT_TRUE(started.handle);
  const HWND window = WaitForMainWindow();
  ASSERT_NE(window, nullptr) << "no main window; message box: " << VisibleMessage();
  const DWORD ownerPid = WindowProcessId(window);
  TProcess owner = OpenProcessById(ownerPid);
  ASSERT_TRUE(owner.handle);

  // The window belongs to a copy in a private folder inside the temporary folder, not to the
  // installed file.
  EXPECT_NE(ownerPid, started.pid);
  const std::string copy = ProcessImagePath(ownerPid);
  EXPECT_TRUE(IsPrivateCopyPath(copy, sample)) << Show(copy);
  EXPECT_TRUE(WaitForExit(started)) << "the installed uninstaller still runs";

  if (GetParam().press == TPress::Click) {
    ASSERT_TRUE(ClickChild(window, kUninstallButtonId));
  } else {
    ASSERT_TRUE(Settle(window));
    ASSERT_TRUE(TypeKey(window, 'U', /*alt=*/true)) << "the window did not come to the foreground";
  }
  const HWND box = WaitForMessageBox(ownerPid, kAppTitle);
  ASSERT_NE(box, nullptr) << "no message after Uninstall";
  EXPECT_EQ(MessageBoxText(box), "アンインストールが完了しました") << Show(MessageBoxText(box));
  PressMessageBoxOk(box);
  EXPECT_TRUE(WaitForWindowGone(window));
  EXPECT_TRUE(WaitForExit(owner)) << "the temporary copy still runs";

  EXPECT_FALSE(FileExists(sample.scrPath));
  EXPECT_FALSE(FileExists(sample.txtPath));
  EXPECT_FALSE(FileExists(sample.uninstallerPath));
  // Only the listed files go: the folder itself stays.
  const DWORD folder = GetFileAttributesA(sample.folder.c_str());
  EXPECT_TRUE(folder != INVALID_FILE_ATTRIBUTES && (folder & FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, sample.keyPath));
  const TSampleState after = CaptureState(sample);
  EXPECT_EQ(Under(after.registry, sample.siblingKeyPath), Under(before.registry, sample.siblingKeyPath))
      << after.Describe();
  EXPECT_TRUE(Under(after.registry, sample.keyPath).empty()) << after.Describe();

  const std::string copyFolder = files::ExtractFilePath(copy);
  EXPECT_EQ(DeletionsPending(copy), 1)
      << "the temporary copy " << Show(copy) << " was not added to the pending restart operations";
  EXPECT_EQ(DeletionsPending(copyFolder.substr(0, copyFolder.size() - 1)), 1) << "nor its folder";
}

INSTANTIATE_TEST_SUITE_P(Installed, UninstallPressTest, ::testing::ValuesIn(kPressCases), TCaseName());

}  // namespace
}  // namespace e2e

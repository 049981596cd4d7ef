// The whole uninstall as a user does it: Add/Remove Programs starts the installed uninstaller,
// the window of its temporary copy lists the files, Uninstall deletes them and the entry, and
// whatever is still in use, the copy included, goes at the next start of Windows.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "appended/uBlockLayout.h"
#include "appended/uPEUtils.h"
#include "uUninstallScenario.h"
#include "winsupport/uImageModelRoute.h"

namespace e2e {
namespace {

enum TFile { kScr, kTxt, kUninstaller };

std::string PathOf(const TSample& s, TFile f) {
  return f == kScr ? s.scrPath : f == kTxt ? s.txtPath : s.uninstallerPath;
}

// The path a WININIT.INI entry names: the short form where it is shorter than the path; else the
// path itself (Wine's short forms of double-byte names are hashed and can be longer).
std::string ScheduledForm(const std::string& path) {
  const std::string shortForm = ShortPathOf(path);
  return shortForm.size() < path.size() ? shortForm : path;
}

struct TRunCase {
  const char* name;
  std::string product;
  std::vector<TFile> locked;  // held open by another process while the run deletes
  bool windows98;
  std::vector<TFile> readOnly = {};  // installed with the read-only attribute
};

std::ostream& operator<<(std::ostream& os, const TRunCase& c) { return os << c.name; }

const TRunCase kRunCases[] = {
    {"AllDeleted", "Sample", {}, false},
    {"OneFileLocked", "Sample", {kTxt}, false},
    // The installed uninstaller too may be in use (by a virus scanner, say) once it has ended.
    {"TwoFilesLocked", "Sample", {kScr, kUninstaller}, false},
    // 0x95 0x5C: the product name, and so every path, ends a character in a backslash byte.
    {"TrailByteBackslashProduct", "表", {kTxt}, false},
    {"Windows98AllDeleted", "Sample", {}, true},
    {"Windows98TwoFilesLocked", "Sample", {kScr, kTxt}, true},
    {"Windows98TrailByteBackslashProduct", "表", {kScr}, true},
    // Neither the deletion nor the restart takes a read-only file: the attribute goes first.
    {"ReadOnlyFiles", "Sample", {}, false, {kScr, kUninstaller}},
    {"ReadOnlyFileLocked", "Sample", {kTxt}, false, {kTxt}},
    {"Windows98ReadOnlyFiles", "Sample", {}, true, {kTxt, kUninstaller}},
    {"Windows98ReadOnlyFileLocked", "Sample", {kScr}, true, {kScr}},
};

class UninstallRunTest : public TUninstallScenario, public ::testing::WithParamInterface<TRunCase> {};

TEST_P(UninstallRunTest, DeletesFilesAndEntryAndLeavesTheRestForTheRestart) {
  const TRunCase& c = GetParam();
  TSampleOptions o = GuidSample();
  o.product = c.product;
  const TSample sample = InstallUninstallable(o);
  if (c.windows98) RunAsWindows98(sample);
  for (TFile f : c.readOnly) {
    ASSERT_TRUE(SetFileAttributesA(PathOf(sample, f).c_str(), FILE_ATTRIBUTE_READONLY));
  }

  TRunningUninstaller run = StartAsAddRemovePrograms(sample);
  ASSERT_TRUE(run.started.handle) << "cannot start " << Show(sample.UninstallString());
  ASSERT_NE(run.window, nullptr) << "no main window; message box: " << VisibleMessage();
  ASSERT_TRUE(run.copy.handle);

  // The started program only hands over: the window is the temporary copy's, in the temporary
  // folder on Windows 95/98/Me and in a private folder inside it on the NT family.
  EXPECT_NE(run.copy.pid, run.started.pid);
  const std::string copyPath = ProcessImagePath(run.copy.pid);
  if (c.windows98) {
    EXPECT_EQ(lstrcmpiA(copyPath.c_str(), TempCopyPath(sample).c_str()), 0) << Show(copyPath);
  } else {
    EXPECT_TRUE(IsPrivateCopyPath(copyPath, sample)) << Show(copyPath);
  }
  DWORD startedCode = ~0u;
  EXPECT_TRUE(WaitForExit(run.started, kDefaultWaitMs, &startedCode)) << "the started program still runs";
  EXPECT_EQ(startedCode, 0u) << "an interactive start always ends with 0";
  const std::vector<std::string> listed = ListBoxItems(ChildById(run.window, kListBoxId));
  const std::vector<std::string> all = {sample.scrPath, sample.txtPath, sample.uninstallerPath};
  EXPECT_EQ(listed, all) << Show(listed);
  const std::string copyShort = ScheduledForm(copyPath);

  std::vector<std::string> lockedPaths;
  std::string lockArgs;
  for (TFile f : c.locked) {
    lockedPaths.push_back(PathOf(sample, f));
    lockArgs += (lockArgs.empty() ? "\"" : " \"") + PathOf(sample, f) + "\"";
  }
  std::vector<std::string> lockedShort;
  for (const std::string& p : lockedPaths) lockedShort.push_back(ScheduledForm(p));
  std::unique_ptr<THeldByHelper> locker;
  if (!lockedPaths.empty()) {
    locker = std::make_unique<THeldByHelper>("lock_files", "", lockArgs);
    ASSERT_TRUE(locker->Ready()) << "the files could not be locked";
  }

  HWND box = nullptr;
  const std::string text = ClickUninstallAndReadBox(run, &box);
  ASSERT_NE(box, nullptr) << "no outcome box";
  const std::string wanted = lockedPaths.empty() ? std::string(kDoneText()) : DoneAfterRestartText(lockedPaths);
  EXPECT_EQ(text, wanted) << "got " << Show(text) << "\nwanted " << Show(wanted);
  PressMessageBoxOk(box);
  EXPECT_TRUE(WaitForWindowGone(run.window)) << "the window stays after the outcome";
  DWORD copyCode = ~0u;
  EXPECT_TRUE(WaitForExit(run.copy, kDefaultWaitMs, &copyCode)) << "the copy still runs";
  EXPECT_EQ(copyCode, lockedPaths.empty() ? 0u : 3010u);

  for (const std::string& p : all) {
    const bool isLocked = std::find(lockedPaths.begin(), lockedPaths.end(), p) != lockedPaths.end();
    EXPECT_EQ(FileExists(p), isLocked) << Show(p);
  }
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, sample.keyPath)) << "the entry's key tree is left";
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, sample.siblingKeyPath + "\\Components")) << "the sibling entry is hurt";
  EXPECT_FALSE(ReadString(HKEY_LOCAL_MACHINE, sample.siblingKeyPath, "UninstallString").empty());
  EXPECT_TRUE(FileExists(copyPath)) << "the running copy cannot have gone yet";

  // Scheduled: the copy at its start, then every survivor in list order.
  if (c.windows98) {
    std::string ini = "[rename]\r\nNUL=" + copyShort + "\r\n";
    for (const std::string& p : lockedShort) ini += "NUL=" + p + "\r\n";
    const std::string got = ReadFileBytes(WininitPath());
    EXPECT_EQ(got, ini) << "WININIT.INI: " << Show(got) << "\nwanted " << Show(ini);
    EXPECT_TRUE(PendingRenameStrings().empty()) << Show(PendingRenameStrings());
  } else {
    std::vector<std::string> pending = CopyPendingStrings(copyPath, false);
    for (const std::string& p : lockedPaths) {
      pending.push_back("\\??\\" + p);
      pending.push_back("");
    }
    const std::vector<std::string> got = PendingRenameStrings();
    EXPECT_EQ(got, pending) << "pending:" << Show(got) << "\nwanted:" << Show(pending);
    EXPECT_FALSE(PathExists(WininitPath()));
  }

  if (locker) {
    EXPECT_TRUE(locker->End());
  }
  ASSERT_TRUE(RestartWine());
  EXPECT_FALSE(PathExists(copyPath)) << "the temporary copy survived the restart";
  EXPECT_FALSE(PathExists(files::ExtractFilePath(copyPath)) && !c.windows98) << "its private folder survived";
  for (const std::string& p : lockedPaths) EXPECT_FALSE(PathExists(p)) << Show(p) << " survived the restart";
  EXPECT_TRUE(PendingRenameStrings().empty());
  EXPECT_FALSE(PathExists(WininitPath()));
}

INSTANTIATE_TEST_SUITE_P(Installed, UninstallRunTest, ::testing::ValuesIn(kRunCases), TCaseName());

// ---- the running screen saver -------------------------------------------------------------

enum class TBlockPlace { EndsTheFile, BehindTheImageWithDataAfter, UnderAnAuthenticodeSignature };

struct TRunningCase {
  const char* name;
  TBlockPlace place;
  bool compressed;
};

std::ostream& operator<<(std::ostream& os, const TRunningCase& c) { return os << c.name; }

const TRunningCase kRunningCases[] = {
    {"CompressedGuid", TBlockPlace::EndsTheFile, true},
    {"PlainGuid", TBlockPlace::EndsTheFile, false},
    // The reader has to find the block through the image end: the check still happens.
    {"BlockBehindImageEnd", TBlockPlace::BehindTheImageWithDataAfter, true},
    // As the product ships: stamped for signing, then signed with a real signing tool (the test
    // e2e.SignUninstaller makes it). Run on its own, after that test (tests/e2e/CMakeLists.txt).
    {"SignedWithAuthenticode", TBlockPlace::UnderAnAuthenticodeSignature, true},
};

class ScreenSaverRunningTest : public TUninstallScenario, public ::testing::WithParamInterface<TRunningCase> {};

TEST_P(ScreenSaverRunningTest, WarnsAndChangesNothingUntilItHasEnded) {
  const TRunningCase& c = GetParam();
  if (c.place != TBlockPlace::EndsTheFile) {
    SKIP_UNLESS_THE_IMAGE_MODEL_READS_THE_PROGRAM();
  }
  std::string guid = FreshGuid();
  TSampleOptions o;
  if (c.place == TBlockPlace::UnderAnAuthenticodeSignature) {
    // Installed as signed: the block and its mutex name are the signed file's own.
    guid = SIGNED_UNINSTALLER_MUTEX;
    o.uninstallerSource = WinePathOf(SIGNED_UNINSTALLER_PATH);
    ASSERT_TRUE(FileExists(o.uninstallerSource)) << SIGNED_UNINSTALLER_PATH " was not made (the test e2e.SignUninstaller)";
  } else {
    o.items = blockwriter::TNewItems{{"Version", "1.0", false}, {"GUID", guid, c.compressed}, {"Product", "Sample", false}};
    o.blockOptions.Key = 0x3C;
  }
  if (c.place == TBlockPlace::BehindTheImageWithDataAfter) {
    // The block goes where the image ends, and a signing tool's data follows it.
    o.blockOptions.Placement = blockwriter::TBlockPlacement::BehindImage;
    o.blockOptions.Trailer = std::string("\x01\x02 data of a signing tool");
  }
  const TSample sample = InstallUninstallable(o);

  THeldByHelper screenSaver("hold_named_mutex", guid, "");
  ASSERT_TRUE(screenSaver.Ready()) << "the mutex holder did not start";

  TRunningUninstaller run = StartAsAddRemovePrograms(sample);
  ASSERT_NE(run.window, nullptr) << "no main window; message box: " << VisibleMessage();
  ExpectRunStoppedWithBox(run, sample, kScreenSaverRunningText());
  if (HasFatalFailure()) return;

  // Once the screen saver has ended, the same window completes the run.
  ASSERT_TRUE(screenSaver.End());
  HWND box = nullptr;
  const std::string text = ClickUninstallAndReadBox(run, &box);
  ASSERT_NE(box, nullptr) << "no outcome after the screen saver ended";
  EXPECT_EQ(text, kDoneText()) << Show(text);
  PressMessageBoxOk(box);
  EXPECT_TRUE(WaitForWindowGone(run.window));
  DWORD code = ~0u;
  EXPECT_TRUE(WaitForExit(run.copy, kDefaultWaitMs, &code));
  EXPECT_EQ(code, 0u) << "the outcome of the last run counts";
  EXPECT_FALSE(FileExists(sample.scrPath));
  EXPECT_FALSE(FileExists(sample.txtPath));
  EXPECT_FALSE(FileExists(sample.uninstallerPath));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, sample.keyPath));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, sample.siblingKeyPath));
}

INSTANTIATE_TEST_SUITE_P(Installed, ScreenSaverRunningTest, ::testing::ValuesIn(kRunningCases), TCaseName());

// ---- blocks that do not name the mutex, or cannot be read ---------------------------------

// Blocks whose "GUID" (the first item of exactly that name) names no mutex: the run completes
// without the check, even while a mutex of the name held elsewhere exists.
struct TNoCheckCase {
  const char* name;
  bool block;
  // The items around the held mutex's name.
  blockwriter::TNewItems (*items)(const std::string& heldName);
};

std::ostream& operator<<(std::ostream& os, const TNoCheckCase& c) { return os << c.name; }

const TNoCheckCase kNoCheckCases[] = {
    {"NoBlock", false, nullptr},
    // Item names compare exactly: "guid" and "GUID " are other items.
    {"OtherNamesOnly", true,
     [](const std::string& held) {
       return blockwriter::TNewItems{{"Version", "1.0", false}, {"guid", held, true}, {"GUID ", held, false}};
     }},
    // The first "GUID" decides; an empty one means no check, whatever follows it.
    {"FirstGuidEmpty", true,
     [](const std::string& held) { return blockwriter::TNewItems{{"GUID", "", false}, {"GUID", held, true}}; }},
    {"NoItems", true, [](const std::string&) { return blockwriter::TNewItems(); }},
};

class NoRunningCheckTest : public TUninstallScenario, public ::testing::WithParamInterface<TNoCheckCase> {};

TEST_P(NoRunningCheckTest, CompletesEvenWhileTheMutexIsHeld) {
  const TNoCheckCase& c = GetParam();
  if (!c.block) {
    SKIP_UNLESS_THE_IMAGE_MODEL_READS_THE_PROGRAM();
  }
  const std::string guid = FreshGuid();
  TSampleOptions o;
  if (c.block) o.items = c.items(guid);
  const TSample sample = InstallUninstallable(o);
  THeldByHelper screenSaver("hold_named_mutex", guid, "");
  ASSERT_TRUE(screenSaver.Ready());

  TRunningUninstaller run = StartAsAddRemovePrograms(sample);
  ASSERT_NE(run.window, nullptr) << "no main window; message box: " << VisibleMessage();
  HWND box = nullptr;
  const std::string text = ClickUninstallAndReadBox(run, &box);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(text, kDoneText()) << Show(text);
  PressMessageBoxOk(box);
  EXPECT_TRUE(WaitForExit(run.copy));
  EXPECT_FALSE(FileExists(sample.scrPath));
  EXPECT_FALSE(FileExists(sample.txtPath));
  EXPECT_FALSE(FileExists(sample.uninstallerPath));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, sample.keyPath));
}

INSTANTIATE_TEST_SUITE_P(Installed, NoRunningCheckTest, ::testing::ValuesIn(kNoCheckCases), TCaseName());

struct TBadBlockCase {
  const char* name;
  std::string message;  // the default error report's text
};

std::ostream& operator<<(std::ostream& os, const TBadBlockCase& c) { return os << c.name; }

// A zlib stream of the GUID made unreadable in one of the ways zlib tells apart.
std::string BrokenStream(const std::string& caseName, const std::string& guid) {
  std::string z = blockwriter::CompressItemData(guid);
  if (caseName == "WrongCheckValue") z[z.size() - 1] = static_cast<char>(z[z.size() - 1] ^ 0xFF);
  if (caseName == "BadHeader") z[1] = static_cast<char>(z[1] ^ 0x01);
  if (caseName == "CutShort") z.resize(z.size() / 2);
  return z;
}

const TBadBlockCase kBadBlockCases[] = {
    {"WrongCheckValue", "data error"},
    {"BadHeader", "data error"},
    {"CutShort", "buffer error"},
};

class BadGuidItemTest : public TUninstallScenario, public ::testing::WithParamInterface<TBadBlockCase> {};

TEST_P(BadGuidItemTest, ReportsZlibsMessageAndChangesNothing) {
  const TBadBlockCase& c = GetParam();
  // The writer's records, the GUID's with a stream that is not zlib's own.
  const std::string broken = BrokenStream(c.name, FreshGuid());
  TSampleOptions o;
  o.appendedBlock = blockwriter::BuildBlockOfRecords(
      {blockwriter::ItemRecord({"Version", "1.0", false}, blockwriter::kDefaultKey),
       blocklayout::EncodeRecord(4, XorString("GUID", blockwriter::kDefaultKey), 1, static_cast<int32_t>(broken.size()), broken)},
      blockwriter::kDefaultKey, BuiltProgramSize());
  const TSample sample = InstallUninstallable(o);

  TRunningUninstaller run = StartAsAddRemovePrograms(sample);
  ASSERT_NE(run.window, nullptr) << "no main window; message box: " << VisibleMessage();
  const TSampleState before = CaptureState(sample);
  ExpectRunStoppedWithBox(run, sample, c.message);
  if (HasFatalFailure()) return;

  // The window still works: Cancel ends the program, still with nothing changed, and the run's
  // failure is what the program ends with.
  ASSERT_TRUE(ClickChild(run.window, kCancelButtonId));
  DWORD code = ~0u;
  EXPECT_TRUE(WaitForExit(run.copy, kDefaultWaitMs, &code));
  EXPECT_EQ(code, 1603u);
  EXPECT_EQ(CaptureState(sample), before);
}

INSTANTIATE_TEST_SUITE_P(Installed, BadGuidItemTest, ::testing::ValuesIn(kBadBlockCases), TCaseName());

// ---- the copy's exit code when the window closes without a completed run --------------------

struct TCancelCase {
  const char* name;
  bool screenSaverRunning;  // Uninstall is pressed once while it runs, then the window is closed
  bool closeBox;            // the close box instead of Cancel
  DWORD code;
};

std::ostream& operator<<(std::ostream& os, const TCancelCase& c) { return os << c.name; }

const TCancelCase kCancelCases[] = {
    {"CancelBeforeAnyRun", false, false, 1602},
    {"CloseBoxBeforeAnyRun", false, true, 1602},
    {"CancelAfterTheRunningWarning", true, false, 1618},
};

class CancelExitCodeTest : public TUninstallScenario, public ::testing::WithParamInterface<TCancelCase> {};

TEST_P(CancelExitCodeTest, TheCopyEndsWithTheCodeOfWhatHappened) {
  const TCancelCase& c = GetParam();
  const std::string guid = FreshGuid();
  const TSample sample = InstallUninstallable(GuidSample(guid));
  std::unique_ptr<THeldByHelper> screenSaver;
  if (c.screenSaverRunning) {
    screenSaver = std::make_unique<THeldByHelper>("hold_named_mutex", guid, "");
    ASSERT_TRUE(screenSaver->Ready());
  }
  TRunningUninstaller run = StartAsAddRemovePrograms(sample);
  ASSERT_NE(run.window, nullptr) << "no main window; message box: " << VisibleMessage();
  DWORD startedCode = ~0u;
  ASSERT_TRUE(WaitForExit(run.started, kDefaultWaitMs, &startedCode));
  EXPECT_EQ(startedCode, 0u);
  const TSampleState before = CaptureState(sample);
  if (c.screenSaverRunning) {
    ExpectRunStoppedWithBox(run, sample, kScreenSaverRunningText());
    if (HasFatalFailure()) return;
  }
  if (c.closeBox) {
    PostClose(run.window);
  } else {
    ASSERT_TRUE(ClickChild(run.window, kCancelButtonId));
  }
  DWORD code = ~0u;
  ASSERT_TRUE(WaitForExit(run.copy, kDefaultWaitMs, &code));
  EXPECT_EQ(code, c.code);
  EXPECT_EQ(CaptureState(sample), before);
}

INSTANTIATE_TEST_SUITE_P(Installed, CancelExitCodeTest, ::testing::ValuesIn(kCancelCases), TCaseName());

}  // namespace
}  // namespace e2e

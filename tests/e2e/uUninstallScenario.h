// Shared by the scenarios that run the whole uninstall: a sample whose uninstaller carries an
// appended block, a start as Add/Remove Programs does it (no arguments), the window of the
// temporary copy, and a reset of everything a run leaves for the next start of Windows.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "appended/uBlockWriter.h"
#include "winsupport/uMachine.h"
#include "system/uFiles.h"
#include "system/uPrivateFolder.h"
#include "uScenario.h"

namespace e2e {

inline const char* kScreenSaverRunningText() {
  return "スクリーンセーバーが動作しています\r\n"
         "画面のプロパティ上でスクリーンセーバーが起動してる場合\r\n"
         "画面のプロパティを閉じてからアンインストーラーを起動してください";
}
inline const char* kDoneText() { return "アンインストールが完了しました"; }
// The outcome with paths left for the restart: each on its own line after a blank one.
inline std::string DoneAfterRestartText(const std::vector<std::string>& paths) {
  std::string text = "アンインストールが完了しました\r\n下記のファイルは再起動後に削除されます\r\n";
  for (const std::string& p : paths) text += "\r\n" + p;
  return text;
}

// A mutex name in the form the product's builder stores, unique to this test process and call.
inline std::string FreshGuid() {
  static unsigned serial = 0;
  char text[64];
  wsprintfA(text, "{5A0C1E2B-7D44-4F3A-9B21-%08lX%04X}", GetCurrentProcessId(), ++serial & 0xFFFF);
  return text;
}

// Where a block appended to a copy of the built program starts: the copy's current end.
inline long long BuiltProgramSize() { return static_cast<long long>(FileSizeOf(BuiltUninstallerPath())); }

// A block that ends the file with a compressed "GUID" item, as the product's builder writes it.
inline std::string GuidBlock(const std::string& guid) {
  return blockwriter::BuildBlock({{"Version", "1.0", false}, {"GUID", guid, true}}, blockwriter::kDefaultKey, BuiltProgramSize());
}

// A sample whose uninstaller carries such a block, with a fresh mutex name or the one given.
inline TSampleOptions GuidSample(const std::string& guid = FreshGuid()) {
  TSampleOptions options;
  options.appendedBlock = GuidBlock(guid);
  return options;
}

// The started program and the temporary copy it hands over to, which owns the window.
struct TRunningUninstaller {
  TProcess started;
  TProcess copy;
  HWND window = nullptr;
};

class TUninstallScenario : public TScenario {
 protected:
  void SetUp() override {
    TScenario::SetUp();
    ResetRestartState();
  }
  void TearDown() override {
    TScenario::TearDown();
    ResetRestartState();
    for (const std::string& name : programNames_) {
      DeleteFileA((TempFolder() + name).c_str());
      ClearProgramWindowsVersion(name);
    }
    RemovePrivateCopies();
  }

  // Installs the sample; its uninstaller's temporary copy and Wine version are reset afterwards.
  TSample InstallUninstallable(const TSampleOptions& options) {
    TSample s = Install(options);
    const std::string name = files::ExtractFileName(s.uninstallerPath);
    programNames_.push_back(name);
    DeleteFileA((TempFolder() + name).c_str());
    return s;
  }

  // The program that Windows 95/98/Me runs: Wine reports that family to this file name.
  void RunAsWindows98(const TSample& s) {
    ASSERT_TRUE(SetProgramWindowsVersion(files::ExtractFileName(s.uninstallerPath), "win98"));
  }

  // The title of the boxes that the program shows before it has decided whether it is the copy
  // that uninstalls (the starter's, and the copy's own until then): its file name without the
  // extension, which the application's title is until it is set.
  static std::string ProgramTitle(const TSample& s) {
    return files::ChangeFileExt(files::ExtractFileName(s.uninstallerPath), "");
  }

  // Where Windows 95/98/Me put the copy, and where the NT family never does any more.
  static std::string TempCopyPath(const TSample& s) { return TempFolder() + files::ExtractFileName(s.uninstallerPath); }

  // Whether path is a copy of the sample's uninstaller, under its file name, in a folder of the
  // program's own name form directly inside the temporary folder.
  static bool IsPrivateCopyPath(const std::string& path, const TSample& s) {
    const std::string folder = files::ExtractFilePath(path);
    if (folder.size() < 2) return false;
    const std::string withoutDelimiter = folder.substr(0, folder.size() - 1);
    return lstrcmpiA(files::ExtractFileName(path).c_str(), files::ExtractFileName(s.uninstallerPath).c_str()) == 0 &&
           privatefolder::IsPrivateFolderName(files::ExtractFileName(withoutDelimiter)) &&
           lstrcmpiA(files::ExtractFilePath(withoutDelimiter).c_str(), TempFolder().c_str()) == 0;
  }

  // What the copy schedules for the restart at its start: its own file, then on the NT family
  // the private folder it sits in.
  static std::vector<std::string> CopyPendingStrings(const std::string& copyPath, bool windows98) {
    if (windows98) return {};
    const std::string folder = files::ExtractFilePath(copyPath);
    return {"\\??\\" + copyPath, "", "\\??\\" + folder.substr(0, folder.size() - 1), ""};
  }

  // The private folders in the temporary folder now, with their trailing "\".
  static std::vector<std::string> PrivateFolders() {
    std::vector<std::string> folders;
    const std::string temp = TempFolder();
    for (const WIN32_FIND_DATAA& entry : FindFiles(temp + "KorvaneUninst-*")) {
      if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && privatefolder::IsPrivateFolderName(entry.cFileName))
        folders.push_back(temp + entry.cFileName + "\\");
    }
    return folders;
  }

  // Removes what the runs of a scenario left for the restart in the temporary folder.
  static void RemovePrivateCopies() {
    for (const std::string& folder : PrivateFolders()) RemoveFolderTree(folder);
  }

  // Starts the command line and waits for the product's window, in whichever process it shows.
  static TRunningUninstaller StartAndWaitForWindow(const TSample& s, const std::string& commandLine) {
    TRunningUninstaller run;
    run.started = StartCommandLine(commandLine);
    if (!run.started.handle) return run;
    TWindowQuery q;
    q.className = kMainClass;
    q.title = MainCaption(s.options.product);
    q.visibleOnly = true;
    run.window = WaitForWindow(q);
    if (run.window) run.copy = OpenProcessById(WindowProcessId(run.window));
    return run;
  }

  // As Add/Remove Programs does: the UninstallString as the command line, nothing added.
  static TRunningUninstaller StartAsAddRemovePrograms(const TSample& s, const std::string& extra = std::string()) {
    return StartAndWaitForWindow(s, ReadString(HKEY_LOCAL_MACHINE, s.keyPath, "UninstallString") + extra);
  }

  // Clicks Uninstall and returns the text of the box that the window's process shows. As with a
  // user, the click comes after the started program has ended: until then its file is in use.
  static std::string ClickUninstallAndReadBox(const TRunningUninstaller& run, HWND* box) {
    *box = nullptr;
    if (!WaitForExit(run.started)) return "(the started program still runs)";
    if (!ClickChild(run.window, kUninstallButtonId)) return "(no Uninstall button)";
    *box = WaitForMessageBox(run.copy.pid, kAppTitle);
    return *box ? MessageBoxText(*box) : std::string("(no message box)");
  }

  // A run that stops before it changes anything: Uninstall is pressed and shows the box whose text
  // is given; once it is closed the window stays open, and neither the sample nor what waits for
  // the restart has changed.
  static void ExpectRunStoppedWithBox(const TRunningUninstaller& run, const TSample& sample, const std::string& text) {
    ASSERT_TRUE(WaitForExit(run.started));
    const TSampleState before = CaptureState(sample);
    const std::vector<std::string> pendingBefore = PendingRenameStrings();
    HWND box = nullptr;
    const std::string shown = ClickUninstallAndReadBox(run, &box);
    ASSERT_NE(box, nullptr) << "no box";
    EXPECT_EQ(shown, text) << Show(shown);
    PressMessageBoxOk(box);
    ASSERT_TRUE(WaitForWindowGone(box));
    ASSERT_TRUE(Settle(run.window)) << "the window does not answer after the box";
    EXPECT_TRUE(IsWindow(run.window) && IsWindowVisible(run.window)) << "the window closed";
    const TSampleState after = CaptureState(sample);
    EXPECT_EQ(after, before) << "before:\n" << before.Describe() << "after:\n" << after.Describe();
    EXPECT_EQ(PendingRenameStrings(), pendingBefore);
  }

  static void ResetRestartState() {
    ClearPendingRenames();
    ClearWininit();
  }

 private:
  std::vector<std::string> programNames_;
};

}  // namespace e2e

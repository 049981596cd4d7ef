// The unattended run as a deployment tool sees it: "/S" (and "/LOG"), no window at all, and the
// process it started ends only once the outcome is known, with that outcome as its exit code.
// The installed uninstaller goes shortly after, without a restart.
#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <thread>

#include "appended/uBlockLayout.h"
#include "uUninstallScenario.h"

namespace e2e {
namespace {

enum class TSetup {
  Normal,
  LockedText,
  MissingEntry,
  ScreenSaverRunning,
  UnreadableBlock,
  LongTemporaryFolder,
  EntryReadOnly,         // the entry does not open for deletion: nothing is deleted
  SchedulingRefused,     // the text file is in use and the deletion at the restart refuses
  MutexNameRefused,      // the "GUID" names no mutex that can be created
};
enum class TLog { Given, Default, Unwritable };

struct TUnattendedCase {
  const char* name;
  bool windows98;
  TSetup setup;
  TLog log;
  DWORD code;
};

std::ostream& operator<<(std::ostream& os, const TUnattendedCase& c) { return os << c.name; }

const TUnattendedCase kCases[] = {
    {"Done", false, TSetup::Normal, TLog::Default, 0},
    {"LockedFileWaitsForTheRestart", false, TSetup::LockedText, TLog::Given, 3010},
    {"NoUninstallEntry", false, TSetup::MissingEntry, TLog::Given, 1605},
    {"ScreenSaverRunning", false, TSetup::ScreenSaverRunning, TLog::Given, 1618},
    {"UnreadableBlock", false, TSetup::UnreadableBlock, TLog::Given, 1603},
    {"CopyCannotBeMade", false, TSetup::LongTemporaryFolder, TLog::Given, 1603},
    // A log that cannot be written changes nothing.
    {"UnwritableLog", false, TSetup::Normal, TLog::Unwritable, 0},
    {"Windows98Done", true, TSetup::Normal, TLog::Given, 0},
    {"Windows98LockedFileWaitsForTheRestart", true, TSetup::LockedText, TLog::Default, 3010},
    {"Windows98NoUninstallEntry", true, TSetup::MissingEntry, TLog::Given, 1605},
    {"Windows98ScreenSaverRunning", true, TSetup::ScreenSaverRunning, TLog::Given, 1618},
    {"Windows98UnreadableBlock", true, TSetup::UnreadableBlock, TLog::Given, 1603},
    {"NoRightsToDeleteTheEntry", false, TSetup::EntryReadOnly, TLog::Given, 1603},
    {"FileNeitherDeletedNorScheduled", false, TSetup::SchedulingRefused, TLog::Given, 1603},
    {"MutexThatCannotBeCreated", false, TSetup::MutexNameRefused, TLog::Given, 1618},
};

// Polls, with a generous limit, until nothing exists at path.
bool WaitUntilGone(const std::string& path) {
  for (DWORD waited = 0; waited < kDefaultWaitMs; waited += 50) {
    if (!PathExists(path)) return true;
    Sleep(50);
  }
  return !PathExists(path);
}

bool Changes(TSetup s) { return s == TSetup::Normal || s == TSetup::LockedText || s == TSetup::SchedulingRefused; }
// The text file is held open while the run deletes.
bool TextInUse(TSetup s) { return s == TSetup::LockedText || s == TSetup::SchedulingRefused; }

// Watches, from its own thread, for any visible top-level window of a process whose executable
// has the given file name, and for any box under the program's title.
class TWindowWatcher {
 public:
  explicit TWindowWatcher(const std::string& exeName) : exeName_(exeName), thread_([this] { Watch(); }) {}
  ~TWindowWatcher() { Stop(); }
  TWindowWatcher(const TWindowWatcher&) = delete;
  TWindowWatcher& operator=(const TWindowWatcher&) = delete;

  // Stops watching; what was seen so far, one description per window.
  std::set<std::string> Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    return seen_;
  }

 private:
  static BOOL CALLBACK Visit(HWND hwnd, LPARAM self) {
    reinterpret_cast<TWindowWatcher*>(self)->Look(hwnd);
    return TRUE;
  }
  void Look(HWND hwnd) {
    if (!IsWindowVisible(hwnd)) return;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    auto known = names_.find(pid);
    if (known == names_.end()) known = names_.emplace(pid, files::ExtractFileName(ProcessImagePath(pid))).first;
    const std::string text = TextOf(hwnd);
    if (lstrcmpiA(known->second.c_str(), exeName_.c_str()) == 0 || text == kAppTitle) {
      seen_.insert(ClassNameOf(hwnd) + " \"" + Cp932ToUtf8(text) + "\" of process " + std::to_string(pid));
    }
  }
  void Watch() {
    while (!stop_) {
      EnumWindows(Visit, reinterpret_cast<LPARAM>(this));
      Sleep(5);
    }
  }

  std::string exeName_;
  std::map<DWORD, std::string> names_;
  std::set<std::string> seen_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

struct TLogLine {
  DWORD pid;
  std::string text;
};

// The log's lines; a line without the timestamp and process form, or without CR LF, is kept as
// a line of process 0 so that the comparison names it.
std::vector<TLogLine> ReadLog(const std::string& path) {
  const std::string bytes = ReadFileBytes(path);
  ReportIfCopyStartLost(AnsiToWide(bytes));
  std::vector<TLogLine> lines;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t end = bytes.find("\r\n", pos);
    const bool terminated = end != std::string::npos;
    if (!terminated) end = bytes.size();
    const std::string line = bytes.substr(pos, end - pos);
    pos = terminated ? end + 2 : end;
    // "YYYY-MM-DD hh:mm:ss [pid] text"
    const char* form = "dddd-dd-dd dd:dd:dd [";
    bool ok = terminated && line.size() > 22 && line.find('\n') == std::string::npos;
    for (std::size_t i = 0; ok && form[i]; ++i) {
      ok = form[i] == 'd' ? std::isdigit(static_cast<unsigned char>(line[i])) != 0 : line[i] == form[i];
    }
    const std::size_t close = ok ? line.find("] ", 21) : std::string::npos;
    if (close == std::string::npos) {
      lines.push_back({0, "(malformed) " + line});
      continue;
    }
    lines.push_back({static_cast<DWORD>(std::strtoul(line.substr(21, close - 21).c_str(), nullptr, 10)),
                     line.substr(close + 2)});
  }
  return lines;
}

// The lines of one process, or of every process but one (pid negated by `others`).
std::vector<std::string> LinesOf(const std::vector<TLogLine>& lines, DWORD pid, bool others) {
  std::vector<std::string> out;
  for (const TLogLine& l : lines)
    if ((l.pid == pid) != others) out.push_back(l.text);
  return out;
}

// Whether every wanted line begins one of the lines, in this order (other lines may come between).
std::string MissingInOrder(const std::vector<std::string>& lines, const std::vector<std::string>& wanted) {
  std::size_t next = 0;
  for (const std::string& w : wanted) {
    while (next < lines.size() && lines[next].compare(0, w.size(), w) != 0) ++next;
    if (next == lines.size()) return w;
    ++next;
  }
  return std::string();
}

// A block whose "GUID" item is a zlib stream that zlib rejects ("data error").
std::string UnreadableGuidBlock() {
  std::string z = blockwriter::CompressItemData(FreshGuid());
  z[z.size() - 1] = static_cast<char>(z[z.size() - 1] ^ 0xFF);
  return blockwriter::BuildBlockOfRecords(
      {blockwriter::ItemRecord({"Version", "1.0", false}, blockwriter::kDefaultKey),
       blocklayout::EncodeRecord(4, XorString("GUID", blockwriter::kDefaultKey), 1, static_cast<int32_t>(z.size()), z)},
      blockwriter::kDefaultKey, BuiltProgramSize());
}

class UnattendedTest : public TUninstallScenario, public ::testing::WithParamInterface<TUnattendedCase> {};

TEST_P(UnattendedTest, EndsWithTheOutcomeAndShowsNothing) {
  const TUnattendedCase& c = GetParam();
  const std::string guid = c.setup == TSetup::MutexNameRefused ? "Korvane\\" + FreshGuid() : FreshGuid();
  TSampleOptions o;
  o.appendedBlock = c.setup == TSetup::UnreadableBlock ? UnreadableGuidBlock() : GuidBlock(guid);
  if (c.setup == TSetup::MissingEntry) o.entry = TEntryKind::Missing;
  const TSample sample = InstallUninstallable(o);
  if (c.windows98) RunAsWindows98(sample);
  const std::string exeName = files::ExtractFileName(sample.uninstallerPath);

  std::string logPath = TempFolder() + "KorvaneE2E-" + c.name + ".log";
  std::string logSwitch = " /LOG=\"" + logPath + "\"";
  if (c.log == TLog::Default) {
    logPath = TempFolder() + files::ChangeFileExt(exeName, ".log");
    logSwitch = " /LOG";
  } else if (c.log == TLog::Unwritable) {
    logPath = TempFolder() + "KorvaneE2E-no-such-folder\\x.log";
    logSwitch = " /LOG=\"" + logPath + "\"";
  }
  DeleteFileA(logPath.c_str());
  // A program of the copy's name planted where the copy used to go: never run, never replaced.
  const std::string planted = TempCopyPath(sample);
  const std::string plantedBytes = ReadFileBytes(ToolPath("hold_named_mutex"));
  if (!c.windows98) {
    ASSERT_TRUE(WriteFileBytes(planted, plantedBytes));
  }

  std::unique_ptr<THeldByHelper> holder;
  if (TextInUse(c.setup)) {
    holder = std::make_unique<THeldByHelper>("lock_files", "", "\"" + sample.txtPath + "\"");
  } else if (c.setup == TSetup::ScreenSaverRunning) {
    holder = std::make_unique<THeldByHelper>("hold_named_mutex", guid, "");
  }
  if (holder) {
    ASSERT_TRUE(holder->Ready());
  }
  std::unique_ptr<TReadOnlyKey> readOnlyKey;
  if (c.setup == TSetup::EntryReadOnly) {
    readOnlyKey = std::make_unique<TReadOnlyKey>(HKEY_LOCAL_MACHINE, sample.keyPath);
    if (!readOnlyKey->Refuses()) GTEST_SKIP() << "this system does not enforce registry key access lists";
  }
  if (c.setup == TSetup::SchedulingRefused) {
    ASSERT_TRUE(BlockPendingRenames());
  }
  const TSampleState before = CaptureState(sample);
  const std::vector<std::string> pendingBefore = PendingRenameStrings();

  TWindowWatcher watcher(exeName);
  DWORD code = ~0u;
  TProcess started;
  {
    std::unique_ptr<TScopedEnvironment> tmp, temp;
    if (c.setup == TSetup::LongTemporaryFolder) {
      // GetTempPathA takes TMP first; a folder of 300 bytes cannot come back in 260.
      tmp = std::make_unique<TScopedEnvironment>("TMP", "C:\\" + std::string(296, 'x'));
      temp = std::make_unique<TScopedEnvironment>("TEMP", "C:\\" + std::string(296, 'x'));
    }
    started = StartCommandLine(sample.UninstallString() + " /S" + logSwitch);
    ASSERT_TRUE(started.handle);
    ASSERT_TRUE(WaitForExit(started, kDefaultWaitMs, &code)) << "the started program does not end";
  }
  EXPECT_EQ(code, c.code);

  // The moment the started program has ended, the work is done.
  if (Changes(c.setup)) {
    EXPECT_FALSE(FileExists(sample.scrPath));
    EXPECT_EQ(FileExists(sample.txtPath), TextInUse(c.setup));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, sample.keyPath)) << "the entry's key tree is left";
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, sample.siblingKeyPath + "\\Components")) << "the sibling entry is hurt";
    // The installed uninstaller goes once the started program has let go of it.
    EXPECT_TRUE(WaitUntilGone(sample.uninstallerPath)) << "the installed uninstaller stays";
  } else {
    const TSampleState after = CaptureState(sample);
    EXPECT_EQ(after, before) << "before:\n" << before.Describe() << "after:\n" << after.Describe();
  }

  // The copy's process, as the started program's lines name it: it goes on for a moment after
  // handing back (deleting the installed uninstaller, logging), so it is waited for before the
  // log and the windows are looked at.
  std::string copyPath;
  for (const std::string& l : LinesOf(ReadLog(logPath), started.pid, false)) {
    const std::string made = "一時コピーを作成しました: ";
    const std::string run = "一時コピーを起動しました: プロセス ";
    if (l.compare(0, made.size(), made) == 0) copyPath = l.substr(made.size());
    if (l.compare(0, run.size(), run) == 0) {
      TProcess copy = OpenProcessById(std::strtoul(l.substr(run.size()).c_str(), nullptr, 10));
      if (copy.handle) {
        EXPECT_TRUE(WaitForExit(copy)) << "the copy does not end";
      }
    }
  }
  const std::vector<TLogLine> log = ReadLog(logPath);
  const std::vector<std::string> starterLines = LinesOf(log, started.pid, false);
  const std::vector<std::string> copyLines = LinesOf(log, started.pid, true);
  const std::set<std::string> windows = watcher.Stop();
  EXPECT_TRUE(windows.empty()) << "windows appeared: " << *windows.begin();
  if (!c.windows98) {
    EXPECT_EQ(ReadFileBytes(planted), plantedBytes) << "the planted file was replaced";
    DeleteFileA(planted.c_str());
  }
  if (holder) {
    EXPECT_TRUE(holder->End());
  }
  if (c.log == TLog::Unwritable) return;

  // The log: the started program's lines, and the copy's.
  const std::string codeText = std::to_string(c.code);
  std::vector<std::string> starterWanted = {"開始: 無人 (起動元); 実行ファイル " + sample.uninstallerPath};
  if (c.setup == TSetup::LongTemporaryFolder) {
    starterWanted.push_back("一時フォルダーまたは実行ファイルのパスを取得できませんでした");
  } else {
    starterWanted.push_back("一時コピーを作成しました: ");
    starterWanted.push_back("一時コピーを起動しました: プロセス ");
    starterWanted.push_back("一時コピーの結果を受け取りました: " + codeText);
  }
  starterWanted.push_back("終了コード: " + codeText);
  EXPECT_EQ(MissingInOrder(starterLines, starterWanted), "") << "started program's lines:" << Show(starterLines);
  if (c.setup == TSetup::LongTemporaryFolder) {
    EXPECT_TRUE(copyLines.empty()) << Show(copyLines);
    return;
  }

  const std::string entry = "HKEY_LOCAL_MACHINE\\" + sample.keyPath + "\\";
  // Where the restart refuses, the copy's own file and folder are left too: logged, no failure.
  const std::string schedule = c.setup == TSetup::SchedulingRefused ? "を再起動後に削除できません: " : "を再起動後に削除します: ";
  std::vector<std::string> copyWanted = {"開始: 無人 (一時コピー); 実行ファイル " + copyPath,
                                         "一時コピー" + schedule + copyPath};
  if (!c.windows98) copyWanted.push_back("一時フォルダー" + schedule);
  copyWanted.push_back("製品名: Sample");
  if (c.setup == TSetup::MissingEntry) {
    copyWanted.push_back("アンインストール情報: " + entry + " なし");
  } else {
    copyWanted.push_back("アンインストール情報: " + entry + " あり (UninstallString " + sample.uninstallerPath + ")");
  }
  const std::string absent = "スクリーンセーバーの動作確認: ミューテックス " + guid + " は存在しません (動作していません)";
  if (c.setup == TSetup::ScreenSaverRunning) {
    copyWanted.push_back("スクリーンセーバーの動作確認: ミューテックス " + guid + " が存在します (動作中です)");
  } else if (c.setup == TSetup::MutexNameRefused) {
    // Taken as running, like a mutex that exists; the log names the system's reason.
    copyWanted.push_back("スクリーンセーバーの動作確認: ミューテックス " + guid + " を作成できません (エラー ");
  } else if (c.setup == TSetup::UnreadableBlock) {
    copyWanted.push_back("エラーで中断しました: data error");
  } else if (c.setup == TSetup::EntryReadOnly) {
    copyWanted.push_back(absent);
    copyWanted.push_back("アンインストール情報を削除する権限がないため何も削除しません: " + entry + " (エラー 5");
  } else if (Changes(c.setup)) {
    copyWanted.push_back(absent);
    copyWanted.push_back("削除しました: " + sample.scrPath);
    const char* txtState = c.setup == TSetup::LockedText          ? "再起動後に削除します: "
                           : c.setup == TSetup::SchedulingRefused ? "削除できませんでした: "
                                                                  : "削除しました: ";
    copyWanted.push_back(txtState + sample.txtPath + (c.setup == TSetup::SchedulingRefused ? " (削除: エラー 32" : ""));
    copyWanted.push_back("起動元の終了後に削除します: " + sample.uninstallerPath);
    copyWanted.push_back("レジストリキーを削除しました: " + entry);
    if (c.windows98) copyWanted.push_back("「アプリケーションの追加と削除」は開いていません");
  }
  copyWanted.push_back("起動元に結果を渡しました: " + codeText);
  if (Changes(c.setup)) copyWanted.push_back("削除しました: " + sample.uninstallerPath);
  copyWanted.push_back("終了コード: " + codeText);
  EXPECT_EQ(MissingInOrder(copyLines, copyWanted), "") << "copy's lines:" << Show(copyLines);

  // Scheduled for the restart: the copy (and its folder), then whatever was locked.
  if (c.windows98) {
    EXPECT_TRUE(PendingRenameStrings().empty());
    EXPECT_EQ(lstrcmpiA(copyPath.c_str(), TempCopyPath(sample).c_str()), 0) << Show(copyPath);
  } else if (c.setup == TSetup::SchedulingRefused) {
    EXPECT_EQ(PendingRenameStrings(), pendingBefore) << Show(PendingRenameStrings());
  } else {
    EXPECT_TRUE(IsPrivateCopyPath(copyPath, sample)) << Show(copyPath);
    std::vector<std::string> pending = pendingBefore;
    for (const std::string& s : CopyPendingStrings(copyPath, false)) pending.push_back(s);
    if (c.setup == TSetup::LockedText) {
      pending.push_back("\\??\\" + sample.txtPath);
      pending.push_back("");
    }
    EXPECT_EQ(PendingRenameStrings(), pending) << Show(PendingRenameStrings());
  }
  if (c.setup == TSetup::Normal) {
    ASSERT_TRUE(RestartWine());
    EXPECT_FALSE(PathExists(copyPath)) << "the temporary copy survived the restart";
    if (!c.windows98) {
      EXPECT_FALSE(PathExists(files::ExtractFilePath(copyPath))) << "its folder survived the restart";
    }
  }
  DeleteFileA(logPath.c_str());
}

// The copy ends without handing back its outcome (something stopped it): the started program
// cannot know what was done, says so in the log and ends with 1603. The copy is stopped while it
// waits for the log, which the test holds: every line it writes first waits for the log to be
// free, a few seconds each, so it has not reached its outcome when it is stopped.
TEST_F(UnattendedTest, CopyEndingWithoutItsOutcomeEndsWith1603) {
  const TSample sample = InstallUninstallable(GuidSample());
  const std::string logPath = TempFolder() + "KorvaneE2E-CopyStopped.log";
  DeleteFileA(logPath.c_str());
  DWORD code = ~0u;
  TProcess started;
  {
    const TFileHandle held(CreateFileA(logPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    started = StartCommandLine(sample.UninstallString() + " /S /LOG=\"" + logPath + "\"");
    ASSERT_TRUE(started.handle);
    std::vector<DWORD> copies;
    ASSERT_TRUE(WaitUntil([&] {
      copies = ChildProcessIds(started.pid);
      return !copies.empty();
    })) << "the started program started no copy";
    ASSERT_EQ(copies.size(), 1u);
    const TProcess copy = OpenProcessById(copies[0]);
    ASSERT_TRUE(copy.handle);
    // A child shows as soon as it is created, before the starter's CreateProcess has returned;
    // ended then, the start itself fails. Once its DLLs load, the copy runs (and waits on the
    // held log), so ending it now is a copy that ends without its outcome.
    ASSERT_TRUE(WaitUntil([&] { return ProcessHasLoaded(copies[0], "kernel32.dll"); }))
        << "the copy never got past its start-up";
    ASSERT_TRUE(TerminateProcess(copy.handle.get(), 1));
    ASSERT_TRUE(WaitForExit(copy));
  }
  ASSERT_TRUE(WaitForExit(started, kDefaultWaitMs, &code)) << "the started program does not end";
  EXPECT_EQ(code, 1603u);
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, sample.keyPath)) << "the copy went further than it should have";
  const std::vector<std::string> lines = LinesOf(ReadLog(logPath), started.pid, false);
  EXPECT_EQ(MissingInOrder(lines, {"一時コピーが結果を返さずに終了しました", "終了コード: 1603"}), "")
      << "started program's lines:" << Show(lines);
  DeleteFileA(logPath.c_str());
}

INSTANTIATE_TEST_SUITE_P(Installed, UnattendedTest, ::testing::ValuesIn(kCases), TCaseName());

}  // namespace
}  // namespace e2e

#include <gtest/gtest.h>

#include <vector>

#include "system/uPlatform_win.h"
#include "system/uRestartDelete_win.h"
#include "winsupport/uMachine.h"
#include "winsupport/uRunInCopy.h"

namespace {

using testsupport::ClearPendingRenames;
using testsupport::ClearWininit;
using testsupport::ReadFileBytes;
using testsupport::RestartWine;
using testsupport::WindowsFolder;
using testsupport::WininitPath;
using testsupport::WriteFileBytes;

std::vector<std::string> PendingRenames() { return testsupport::PendingRenameStrings(); }
std::string SystemShortPath(const std::string& path) { return testsupport::ShortPathOf(path); }

int CountTempFilesInWindowsFolder() { return static_cast<int>(testsupport::FindFiles(WindowsFolder() + "WININIT.INI.*-*").size()); }

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// Shows CR and LF so that a byte mismatch reads well.
std::string Visible(const std::string& bytes) {
  return Replace(Replace(bytes, "\r", "<CR>"), "\n", "<LF>\n");
}

// ---- NT family ----

TEST(RestartDeleteNT, MoveFileExGetsTheLongPathAndTheRestartDeletesIt) {
  ASSERT_TRUE(platform::IsNTFamily());
  ClearPendingRenames();
  ClearWininit();
  const std::string folder = testsupport::FreshTempFolder("uninst restart nt");
  const std::string file = folder + "Long Name 表示 Saver.scr";
  const std::string subfolder = folder + "Long Folder Name";
  ASSERT_TRUE(WriteFileBytes(file, "x"));
  ASSERT_TRUE(CreateDirectoryA(subfolder.c_str(), nullptr));

  EXPECT_EQ(restartdelete::DeleteFileAtRestart(file), 0u);
  EXPECT_EQ(restartdelete::DeleteFileAtRestart(subfolder), 0u);

  const std::vector<std::string> expected = {"\\??\\" + file, "", "\\??\\" + subfolder, ""};
  EXPECT_EQ(PendingRenames(), expected);
  EXPECT_FALSE(testsupport::FileExists(WininitPath()));

  RestartWine();
  EXPECT_FALSE(testsupport::FileExists(file));
  EXPECT_FALSE(testsupport::FolderExists(subfolder));
  EXPECT_TRUE(PendingRenames().empty());
  ClearPendingRenames();
}

// A refusal is reported with the system's error and schedules nothing.
TEST(RestartDeleteNT, ARefusalIsReportedAndSchedulesNothing) {
  ASSERT_TRUE(platform::IsNTFamily());
  ClearPendingRenames();
  const std::string file = testsupport::FreshTempFolder("uninst restart refused") + "Saver.scr";
  ASSERT_TRUE(WriteFileBytes(file, "x"));
  ASSERT_TRUE(testsupport::BlockPendingRenames());
  const std::vector<std::string> blocked = PendingRenames();

  EXPECT_NE(restartdelete::DeleteFileAtRestart(file), 0u);
  EXPECT_EQ(PendingRenames(), blocked);
  ClearPendingRenames();
  EXPECT_EQ(restartdelete::DeleteFileAtRestart(file), 0u);
  EXPECT_EQ(PendingRenames(), (std::vector<std::string>{"\\??\\" + file, ""}));
  ClearPendingRenames();
}

// ---- Windows 95/98/Me ----

// Runs the test body as Windows 98 (in a copy of this program) with no WININIT.INI to start.
#define RUN_AS_WINDOWS_98_WITHOUT_WININIT()                           \
  RUN_AS_WINDOWS_98();                                                \
  ClearWininit();                                                     \
  struct TCleanUp {                                                   \
    ~TCleanUp() { ClearWininit(); }                                   \
  } cleanUp

class RestartDelete9x : public ::testing::Test {
 protected:
  // A file with a long name, so that its short form differs.
  std::string MakeLongNamedFile(const std::string& name) {
    if (folder_.empty()) folder_ = testsupport::FreshTempFolder("uninst restart 9x");
    const std::string path = folder_ + name;
    EXPECT_TRUE(WriteFileBytes(path, "x"));
    EXPECT_NE(SystemShortPath(path), path);
    return path;
  }
  std::string folder_;
};

TEST_F(RestartDelete9x, RewritesWininitByteForByte) {
  RUN_AS_WINDOWS_98_WITHOUT_WININIT();
  const std::string first = MakeLongNamedFile("Long Name Saver.scr");
  const std::string second = MakeLongNamedFile("Second Long Name.txt");
  const std::string n1 = "NUL=" + SystemShortPath(first) + "\r\n";
  const std::string n2 = "NUL=" + SystemShortPath(second) + "\r\n";
  struct TCase {
    const char* what;
    const char* before;  // null: no WININIT.INI
    std::string afterFirst, afterSecond;
  };
  // Wherever the profile functions erased a section, the rest of the file is as they rewrote it
  // (blank lines dropped, blanks around "=" removed).
  // After every call the file holds one rename section, its last, with every old entry once.
  const TCase cases[] = {
      {"no file", nullptr, "[rename]\r\n" + n1, "[rename]\r\n" + n1 + n2},
      {"sections before and after, blank line inside",
       "[boot]\r\nshell=Explorer.exe\r\n[rename]\r\nNUL=C:\\OLD1.TXT\r\n\r\nNUL=C:\\OLD2.TXT\r\n"
       "[other]\r\nkey=value\r\n",
       "[boot]\r\nshell=Explorer.exe\r\n[other]\r\nkey=value\r\n"
       "[rename]\r\nNUL=C:\\OLD1.TXT\r\nNUL=C:\\OLD2.TXT\r\n" + n1,
       "[boot]\r\nshell=Explorer.exe\r\n[other]\r\nkey=value\r\n"
       "[rename]\r\nNUL=C:\\OLD1.TXT\r\nNUL=C:\\OLD2.TXT\r\n" + n1 + n2},
      // The profile functions erase only the first of them; the restart would carry out only the
      // first that is left.
      {"two rename sections", "[RENAME]\r\nNUL=C:\\A.TXT\r\n[x]\r\nk=v\r\n[rename]\r\nNUL=C:\\B.TXT\r\n",
       "[x]\r\nk=v\r\n[rename]\r\nNUL=C:\\A.TXT\r\nNUL=C:\\B.TXT\r\n" + n1,
       "[x]\r\nk=v\r\n[rename]\r\nNUL=C:\\A.TXT\r\nNUL=C:\\B.TXT\r\n" + n1 + n2},
      {"three rename sections, an entry twice",
       "[rename]\r\nNUL=C:\\A.TXT\r\n[rename]\r\nNUL=C:\\B.TXT\r\n[x]\r\nk=v\r\n[Rename]\r\nNUL=C:\\A.TXT\r\n",
       "[x]\r\nk=v\r\n[rename]\r\nNUL=C:\\A.TXT\r\nNUL=C:\\B.TXT\r\nNUL=C:\\A.TXT\r\n" + n1,
       "[x]\r\nk=v\r\n[rename]\r\nNUL=C:\\A.TXT\r\nNUL=C:\\B.TXT\r\nNUL=C:\\A.TXT\r\n" + n1 + n2},
      {"capitalised header", "[RENAME]\r\nNUL=C:\\OLD.TXT\r\n", "[rename]\r\nNUL=C:\\OLD.TXT\r\n" + n1,
       "[rename]\r\nNUL=C:\\OLD.TXT\r\n" + n1 + n2},
      {"entry with leading blanks", "[rename]\r\n   NUL=C:\\OLD.TXT\r\n",
       "[rename]\r\n   NUL=C:\\OLD.TXT\r\n" + n1, "[rename]\r\n   NUL=C:\\OLD.TXT\r\n" + n1 + n2},
      {"header with blanks around it", "  [rename]  \r\nNUL=C:\\OLD.TXT\r\n[boot]\r\na=1\r\n",
       "[boot]\r\na=1\r\n[rename]\r\nNUL=C:\\OLD.TXT\r\n" + n1,
       "[boot]\r\na=1\r\n[rename]\r\nNUL=C:\\OLD.TXT\r\n" + n1 + n2},
      {"blank lines around a header", "[boot]\r\na=1\r\n\r\n[rename]\r\n\r\nNUL=C:\\OLD.TXT\r\n\r\n[x]\r\nk=v\r\n",
       "[boot]\r\na=1\r\n[x]\r\nk=v\r\n[rename]\r\nNUL=C:\\OLD.TXT\r\n" + n1,
       "[boot]\r\na=1\r\n[x]\r\nk=v\r\n[rename]\r\nNUL=C:\\OLD.TXT\r\n" + n1 + n2},
      // Nothing for the profile functions to erase: the old header would stay without the rewrite.
      {"header-only rename section", "[boot]\r\na=1\r\n[rename]\r\n[x]\r\nk=v\r\n",
       "[boot]\r\na=1\r\n[x]\r\nk=v\r\n[rename]\r\n" + n1, "[boot]\r\na=1\r\n[x]\r\nk=v\r\n[rename]\r\n" + n1 + n2},
      {"rename section without keys", "[rename]\r\n; note\r\n[boot]\r\na=1\r\n",
       "[boot]\r\na=1\r\n[rename]\r\n; note\r\n" + n1, "[boot]\r\na=1\r\n[rename]\r\n; note\r\n" + n1 + n2},
      // The second call's erase rewrites the file as the profile functions write it.
      {"no rename section", "[boot]\r\na = 1\r\n", "[boot]\r\na = 1\r\n[rename]\r\n" + n1,
       "[boot]\r\na=1\r\n[rename]\r\n" + n1 + n2},
      {"line feeds only", "[boot]\na=1\n", "[boot]\r\na=1\r\n[rename]\r\n" + n1,
       "[boot]\r\na=1\r\n[rename]\r\n" + n1 + n2},
      {"last line without line break", "[boot]\r\na=1", "[boot]\r\na=1\r\n[rename]\r\n" + n1,
       "[boot]\r\na=1\r\n[rename]\r\n" + n1 + n2},
      {"last entry without line break", "[boot]\r\na=1\r\n[rename]\r\nNUL=C:\\OLD.TXT",
       "[boot]\r\na=1\r\n[rename]\r\nNUL=C:\\OLD.TXT\r\n" + n1,
       "[boot]\r\na=1\r\n[rename]\r\nNUL=C:\\OLD.TXT\r\n" + n1 + n2},
  };
  for (const TCase& c : cases) {
    ClearWininit();
    if (c.before) {
      ASSERT_TRUE(WriteFileBytes(WininitPath(), c.before));
    }
    restartdelete::DeleteFileAtRestart(first);
    EXPECT_EQ(Visible(ReadFileBytes(WininitPath())), Visible(c.afterFirst)) << c.what << ", first call";
    restartdelete::DeleteFileAtRestart(second);
    EXPECT_EQ(Visible(ReadFileBytes(WininitPath())), Visible(c.afterSecond)) << c.what << ", second call";
    EXPECT_EQ(CountTempFilesInWindowsFolder(), 0) << c.what;
  }
}

TEST_F(RestartDelete9x, CallsInARowBuildOneSectionInCallOrder) {
  RUN_AS_WINDOWS_98_WITHOUT_WININIT();
  const std::string first = MakeLongNamedFile("First Long Name.scr");
  const std::string second = MakeLongNamedFile("表示 Second Long Name.txt");
  const std::string folder = folder_ + "Long Folder Name";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  const std::string missing = folder_ + "Missing Long Name.exe";

  for (const std::string& path : {first, second, folder, missing}) EXPECT_EQ(restartdelete::DeleteFileAtRestart(path), 0u);

  EXPECT_EQ(Visible(ReadFileBytes(WininitPath())),
            Visible("[rename]\r\nNUL=" + SystemShortPath(first) + "\r\nNUL=" +
                    SystemShortPath(second) + "\r\nNUL=" + SystemShortPath(folder) +
                    "\r\nNUL=" + missing + "\r\n"));
}

TEST_F(RestartDelete9x, FailuresRaiseTheMessageAndKeepWhatWasScheduled) {
  RUN_AS_WINDOWS_98_WITHOUT_WININIT();
  const std::string path = MakeLongNamedFile("Long Name Saver.scr");
  const std::string ini = WininitPath();
  const std::string before = "[boot]\r\na=1\r\n[rename]\r\nNUL=C:\\OLD1.TXT\r\nNUL=C:\\OLD2.TXT\r\n";
  struct TCase {
    const char* what;
    DWORD share;  // how another program holds WININIT.INI open for reading
    std::string prefix, suffix;
  };
  const TCase cases[] = {
      // Nobody may read: reading fails before anything changed.
      {"unreadable", 0, "ファイル \"" + ini + "\". ", " は開けません"},
      // Readable but not writable: erasing the old section fails.
      {"read-only", FILE_SHARE_READ, ini + " に書き込めません", ""},
      // Writable but not replaceable: the section is erased, then the final write fails.
      {"final write fails", FILE_SHARE_READ | FILE_SHARE_WRITE, "ファイル \"" + ini + "\". ",
       " を作成できません"},
  };
  for (const TCase& c : cases) {
    ASSERT_TRUE(WriteFileBytes(ini, before));
    {
      TFileHandle holder(
          CreateFileA(ini.c_str(), GENERIC_READ, c.share, nullptr, OPEN_EXISTING, 0, nullptr));
      ASSERT_TRUE(holder) << c.what;
      try {
        restartdelete::DeleteFileAtRestart(path);
        ADD_FAILURE() << c.what << ": no error raised";
      } catch (const restartdelete::EWininitError& error) {
        const std::string message = error.what();
        EXPECT_EQ(message.rfind(c.prefix, 0), 0u) << c.what << ": " << message;
        EXPECT_GE(message.size(), c.prefix.size() + c.suffix.size()) << c.what;
        EXPECT_EQ(message.substr(message.size() - c.suffix.size()), c.suffix) << c.what;
      }
    }
    EXPECT_EQ(Visible(ReadFileBytes(ini)), Visible(before)) << c.what;
    EXPECT_EQ(CountTempFilesInWindowsFolder(), 0) << c.what;
    // A profile call on another file flushes whatever the system still caches of WININIT.INI.
    char value[16];
    GetPrivateProfileStringA("x", "y", "", value, sizeof(value),
                             (testsupport::OwnFolder() + "other.ini").c_str());
    EXPECT_EQ(Visible(ReadFileBytes(ini)), Visible(before)) << c.what << ", later";
  }
  // Once the file is free again, the next call carries the old entries over.
  restartdelete::DeleteFileAtRestart(path);
  EXPECT_EQ(Visible(ReadFileBytes(ini)),
            Visible("[boot]\r\na=1\r\n[rename]\r\nNUL=C:\\OLD1.TXT\r\nNUL=C:\\OLD2.TXT\r\nNUL=" +
                    SystemShortPath(path) + "\r\n"));
}

// Another program has just scheduled a file of its own through the profile functions, which
// Windows 98 may still hold in its cache: the entry is in the file by the time it is read, and so
// it survives the rewrite. (Wine writes a profile entry to the file at once: it keeps no such
// cache, and so cannot show the entry lost.)
TEST_F(RestartDelete9x, EntryJustWrittenByAnotherProgramSurvives) {
  RUN_AS_WINDOWS_98_WITHOUT_WININIT();
  const std::string path = MakeLongNamedFile("Long Name Saver.scr");
  const std::string ours = "NUL=" + SystemShortPath(path) + "\r\n";
  struct TCase {
    const char* what;
    const char* before;
    std::string after;
  } cases[] = {
      {"no section yet", "[boot]\r\na=1\r\n", "[boot]\r\na=1\r\n[rename]\r\nC:\\OTHER.DLL=C:\\OTHER.NEW\r\n" + ours},
      {"a section of entries", "[rename]\r\nNUL=C:\\OLD.TXT\r\n[boot]\r\na=1\r\n",
       "[boot]\r\na=1\r\n[rename]\r\nNUL=C:\\OLD.TXT\r\nC:\\OTHER.DLL=C:\\OTHER.NEW\r\n" + ours},
  };
  for (const TCase& c : cases) {
    ClearWininit();
    ASSERT_TRUE(WriteFileBytes(WininitPath(), c.before));
    // Another installer replaces a DLL in use at the next start.
    WritePrivateProfileStringA("rename", "C:\\OTHER.DLL", "C:\\OTHER.NEW", WininitPath().c_str());
    restartdelete::DeleteFileAtRestart(path);
    EXPECT_EQ(Visible(ReadFileBytes(WininitPath())), Visible(c.after)) << c.what;
  }
}

TEST_F(RestartDelete9x, FindsWininitThroughTheWindirVariable) {
  RUN_AS_WINDOWS_98_WITHOUT_WININIT();
  const std::string path = MakeLongNamedFile("Long Name Saver.scr");
  const std::string expected = "[rename]\r\nNUL=" + SystemShortPath(path) + "\r\n";
  const std::string windows = WindowsFolder();
  const std::string elsewhere = testsupport::FreshTempFolder("uninst other windir");

  SetEnvironmentVariableA("windir", elsewhere.substr(0, elsewhere.size() - 1).c_str());
  restartdelete::DeleteFileAtRestart(path);
  EXPECT_EQ(ReadFileBytes(elsewhere + "WININIT.INI"), expected);

  // Without the variable the entry still goes to the Windows folder, not to a relative path.
  SetEnvironmentVariableA("windir", nullptr);
  restartdelete::DeleteFileAtRestart(path);
  SetEnvironmentVariableA("windir", windows.substr(0, windows.size() - 1).c_str());
  EXPECT_EQ(ReadFileBytes(windows + "WININIT.INI"), expected);
  EXPECT_FALSE(testsupport::FolderExists("%windir%"));
}

TEST_F(RestartDelete9x, TheRestartDeletesTheScheduledFiles) {
  RUN_AS_WINDOWS_98_WITHOUT_WININIT();
  ClearPendingRenames();
  // Entries already scheduled in two sections: the restart runs only the first section it finds,
  // so the second one's entry is carried out only once the calls have merged them.
  const std::string inFirst = MakeLongNamedFile("Scheduled In First Section.dat");
  const std::string inSecond = MakeLongNamedFile("Scheduled In Second Section.dat");
  ASSERT_TRUE(WriteFileBytes(WininitPath(), "[RENAME]\r\nNUL=" + SystemShortPath(inFirst) +
                                                "\r\n\r\n[x]\r\nk=v\r\n  [rename]  \r\nNUL=" +
                                                SystemShortPath(inSecond) + "\r\n"));
  const std::string first = MakeLongNamedFile("First Long Name.scr");
  const std::string second = MakeLongNamedFile("表示 Second Long Name.txt");
  restartdelete::DeleteFileAtRestart(first);
  restartdelete::DeleteFileAtRestart(second);
  ASSERT_TRUE(testsupport::FileExists(WininitPath()));
  EXPECT_TRUE(PendingRenames().empty());

  RestartWine();
  for (const std::string& path : {inFirst, inSecond, first, second})
    EXPECT_FALSE(testsupport::FileExists(path)) << path;
  EXPECT_FALSE(testsupport::FileExists(WininitPath()));
  EXPECT_TRUE(testsupport::FileExists(WindowsFolder() + "wininit.bak"));
}

}  // namespace

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/uCommandLine.h"
#include "app/uStartOptions.h"

namespace {

using app::ParseStartOptions;
using app::TStartOptions;

struct TOptionsCase {
  const char* line;
  bool isCopy;
  bool silent;
  bool log;
  const char* logPath;
  const char* starterPath;
  app::THandleValue pipe;
  app::THandleValue starter;
  const char* unknown;               // the first switch of no known form, as written
  std::vector<std::string> ignored;  // the words that are no switch, as written
  bool usage = false;
};

TEST(StartOptions, SwitchesWordsAndTheCopysLine) {
  const TOptionsCase cases[] = {
      {"\"C:\\P F\\FooUninst.exe\"", false, false, false, "", "", 0, 0, "", {}},
      {"\"C:\\P F\\FooUninst.exe\" /S", false, true, false, "", "", 0, 0, "", {}},
      {"\"C:\\P F\\FooUninst.exe\" /s", false, true, false, "", "", 0, 0, "", {}},
      {"FooUninst.exe /S /LOG", false, true, true, "", "", 0, 0, "", {}},
      {"FooUninst.exe /log /S", false, true, true, "", "", 0, 0, "", {}},
      {"FooUninst.exe /LOG=C:\\logs\\foo.log", false, false, true, "C:\\logs\\foo.log", "", 0, 0, "", {}},
      {"FooUninst.exe /LOG=\"C:\\my logs\\foo.log\" /S", false, true, true, "C:\\my logs\\foo.log", "", 0, 0, "", {}},
      {"FooUninst.exe \"/LOG=C:\\my logs\\foo.log\"", false, false, true, "C:\\my logs\\foo.log", "", 0, 0, "", {}},
      // Switches of no known form: longer ones, other prefixes, values. The first is named; the
      // known switches around them are still read, for the log.
      {"FooUninst.exe /SILENT /LOGFILE=x", false, false, false, "", "", 0, 0, "/SILENT", {}},
      {"FooUninst.exe /LOG /quiet", false, false, true, "", "", 0, 0, "/quiet", {}},
      {"FooUninst.exe -s", false, false, false, "", "", 0, 0, "-s", {}},
      {"FooUninst.exe /S=1", false, false, false, "", "", 0, 0, "/S=1", {}},
      {"FooUninst.exe /S /LOGX", false, true, false, "", "", 0, 0, "/LOGX", {}},
      {"FooUninst.exe /LOG:x /S", false, true, false, "", "", 0, 0, "/LOG:x", {}},
      {"FooUninst.exe \"/S \" -", false, false, false, "", "", 0, 0, "\"/S \"", {}},
      // Words that are no switch are a normal start: "START" is exact and comes first.
      {"FooUninst.exe start", false, false, false, "", "", 0, 0, "", {"start"}},
      {"FooUninst.exe start /S", false, true, false, "", "", 0, 0, "", {"start"}},
      {"FooUninst.exe Start /quiet", false, false, false, "", "", 0, 0, "/quiet", {"Start"}},
      {"FooUninst.exe STARTED", false, false, false, "", "", 0, 0, "", {"STARTED"}},
      {"FooUninst.exe /S START x", false, true, false, "", "", 0, 0, "", {"START", "x"}},
      {"FooUninst.exe \"\" remove", false, false, false, "", "", 0, 0, "", {"\"\"", "remove"}},
      {"FooUninst.exe /? /S", false, true, false, "", "", 0, 0, "", {}, true},
      {"FooUninst.exe   /?  ", false, false, false, "", "", 0, 0, "", {}, true},
      {"FooUninst.exe /? /x", false, false, false, "", "", 0, 0, "/x", {}, true},
      // Only the copy takes a hand-back channel.
      {"FooUninst.exe /S /HANDBACK=12:16", false, true, false, "", "", 0, 0, "/HANDBACK=12:16", {}},
      {"\"C:\\T\\FooUninst.exe\" START C:\\PROGRA~1\\Foo\\FOOUNI~1.EXE", true, false, false, "",
       "C:\\PROGRA~1\\Foo\\FOOUNI~1.EXE", 0, 0, "", {}},
      {"\"C:\\T\\FooUninst.exe\" START C:\\PROGRA~1\\Foo\\FOOUNI~1.EXE /S /LOG=\"C:\\T\\FooUninst.log\" "
       "/HANDBACK=124:128",
       true, true, true, "C:\\T\\FooUninst.log", "C:\\PROGRA~1\\Foo\\FOOUNI~1.EXE", 124, 128, "", {}},
      // A path without a short form stays whole, blanks and all, up to the first switch; a "-"
      // inside it is no switch.
      {"\"C:\\T\\FooUninst.exe\" START C:\\Program Files\\Foo - Bar\\FooUninst.exe /S /HANDBACK=1:2", true, true,
       false, "", "C:\\Program Files\\Foo - Bar\\FooUninst.exe", 1, 2, "", {}},
      {"\"C:\\T\\FooUninst.exe\" START", true, false, false, "", "", 0, 0, "", {}},
      {"\"C:\\T\\FooUninst.exe\" START p /S /quiet", true, true, false, "", "p", 0, 0, "/quiet", {}},
      // A hand-back value that is not two handle values is no channel at all.
      {"x START p /HANDBACK=12", true, false, false, "", "p", 0, 0, "", {}},
      {"x START p /HANDBACK=12:0", true, false, false, "", "p", 0, 0, "", {}},
      {"x START p /HANDBACK=18446744073709551616:4", true, false, false, "", "p", 0, 0, "", {}},
      {"x START p /HANDBACK=0x10:4", true, false, false, "", "p", 0, 0, "", {}},
  };
  for (const TOptionsCase& c : cases) {
    const TStartOptions o = ParseStartOptions(c.line);
    EXPECT_EQ(o.IsCopy, c.isCopy) << c.line;
    EXPECT_EQ(o.Silent, c.silent) << c.line;
    EXPECT_EQ(o.Log, c.log) << c.line;
    EXPECT_EQ(o.LogPath, c.logPath) << c.line;
    EXPECT_EQ(o.StarterPath, c.starterPath) << c.line;
    EXPECT_EQ(o.HandBackPipe, c.pipe) << c.line;
    EXPECT_EQ(o.StarterProcess, c.starter) << c.line;
    EXPECT_EQ(o.UnknownSwitch, c.unknown) << c.line;
    EXPECT_EQ(o.IgnoredWords, c.ignored) << c.line;
    EXPECT_EQ(o.Usage, c.usage) << c.line;
  }
}

// Add/Remove Programs runs an UninstallString as written, quotes or not: an unquoted path with
// blanks is the program's path, not arguments.
TEST(StartOptions, AnUnquotedProgramPathWithBlanksIsNoArgument) {
  const std::string exe = "C:\\Program Files\\Foo Bar\\FooUninst.exe";
  const TNamesProgram isExe = [&](const std::string& path) { return path == exe || path + ".exe" == exe; };
  struct TCase {
    std::string line;
    bool silent;
    std::string unknown;
    std::vector<std::string> ignored;
  } cases[] = {
      {exe, false, "", {}},
      {exe + " /S", true, "", {}},
      {"  " + exe + "\t/S /quiet", true, "/quiet", {}},
      // CreateProcess completes a name without its extension.
      {"C:\\Program Files\\Foo Bar\\FooUninst /S", true, "", {}},
      // Another program's path is arguments after its first part, as before: words.
      {"C:\\Program Files\\Other\\OtherUninst.exe /S", true, "", {"Files\\Other\\OtherUninst.exe"}},
  };
  for (const TCase& c : cases) {
    const TStartOptions o = ParseStartOptions(c.line, isExe);
    EXPECT_EQ(o.Silent, c.silent) << c.line;
    EXPECT_EQ(o.UnknownSwitch, c.unknown) << c.line;
    EXPECT_EQ(o.IgnoredWords, c.ignored) << c.line;
  }
  // A quoted path ends at its quote, whatever the test says.
  EXPECT_EQ(ProgramPathEnd("\"a b\" c", [](const std::string&) { return true; }), 5u);
  EXPECT_EQ(ProgramPathEnd("a b c", nullptr), 1u);
  EXPECT_EQ(ProgramPathEnd("a \"b c\" d", [](const std::string&) { return true; }), 1u);
  EXPECT_EQ(ProgramPathEnd("", [](const std::string&) { return true; }), 0u);
}

TEST(StartOptions, CopyCommandLineReadsBackAsWritten) {
  EXPECT_EQ(app::CopyCommandLine("C:\\T\\K-1\\FooUninst.exe", "C:\\PROGRA~1\\Foo\\FOOUNI~1.EXE", false, "", 0, 0),
            "\"C:\\T\\K-1\\FooUninst.exe\" START C:\\PROGRA~1\\Foo\\FOOUNI~1.EXE");
  const std::string line =
      app::CopyCommandLine("C:\\T\\K-1\\FooUninst.exe", "C:\\Program Files\\Foo\\FooUninst.exe", true,
                           "C:\\my logs\\Foo.log", 104, 108);
  EXPECT_EQ(line, "\"C:\\T\\K-1\\FooUninst.exe\" START C:\\Program Files\\Foo\\FooUninst.exe /S "
                  "/LOG=\"C:\\my logs\\Foo.log\" /HANDBACK=104:108");
  // The program reads the first two arguments as before: the copy's path, then "START".
  const std::vector<TCommandLineArgument> args = SplitCommandLine(line);
  ASSERT_GE(args.size(), 2u);
  EXPECT_EQ(args[0].Text, "C:\\T\\K-1\\FooUninst.exe");
  EXPECT_EQ(args[1].Text, "START");
  const TStartOptions o = ParseStartOptions(line);
  EXPECT_TRUE(o.IsCopy && o.Silent && o.Log);
  EXPECT_EQ(o.StarterPath, "C:\\Program Files\\Foo\\FooUninst.exe");
  EXPECT_EQ(o.LogPath, "C:\\my logs\\Foo.log");
  EXPECT_EQ(o.HandBackPipe, 104u);
  EXPECT_EQ(o.StarterProcess, 108u);
}

// Handle values travel at the full width of the program's pointers, both ways.
TEST(StartOptions, HandleValuesKeepTheirFullWidth) {
  const app::THandleValue widest = ~app::THandleValue(0);
  const std::string line = app::CopyCommandLine("C:\\T\\FooUninst.exe", "p", true, "", widest, widest - 1);
  const TStartOptions o = ParseStartOptions(line);
  EXPECT_EQ(o.HandBackPipe, widest) << line;
  EXPECT_EQ(o.StarterProcess, widest - 1) << line;
  // One more than the widest value is no channel.
  std::string over = std::to_string(widest);
  over.back() = static_cast<char>(over.back() + 1);
  EXPECT_EQ(ParseStartOptions("x START p /HANDBACK=" + over + ":4").HandBackPipe, 0u);
}

TEST(StartOptions, DefaultLogFileNameReplacesTheExtension) {
  EXPECT_EQ(app::DefaultLogFileName("C:\\P F\\FooUninst.exe"), "FooUninst.log");
  EXPECT_EQ(app::DefaultLogFileName("C:\\a.b\\FooUninst"), "FooUninst.log");
  // 0x95 0x5C: a name that ends a character in the byte of "\".
  EXPECT_EQ(app::DefaultLogFileName("C:\\x\\\x95\x5CUninst.exe"), "\x95\x5CUninst.log");
}

}  // namespace

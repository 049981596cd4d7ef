#include <gtest/gtest.h>

#include "app/uCommandLine.h"

namespace {

// Argument index of the line (0 = the program itself); empty when there is none.
std::string Argument(const std::string& line, std::size_t index) {
  const std::vector<TCommandLineArgument> args = SplitCommandLine(line);
  return index < args.size() ? args[index].Text : std::string();
}

TEST(CommandLine, ArgumentsAtBlanksOutsideQuotes) {
  struct Case { const char* line; int index; const char* expected; } cases[] = {
      {"\"C:\\Temp\\FooUninst.exe\" START C:\\PROGRA~1\\Foo\\FOOUNI~1.EXE", 0, "C:\\Temp\\FooUninst.exe"},
      {"\"C:\\Temp\\FooUninst.exe\" START C:\\PROGRA~1\\Foo\\FOOUNI~1.EXE", 1, "START"},
      {"\"C:\\Temp\\FooUninst.exe\" START C:\\PROGRA~1\\Foo\\FOOUNI~1.EXE", 2, "C:\\PROGRA~1\\Foo\\FOOUNI~1.EXE"},
      {"C:\\Foo\\FooUninst.exe", 1, ""},
      {"\"C:\\Program Files\\Foo\\FooUninst.exe\"", 1, ""},
      {"\"C:\\Program Files\\Foo\\FooUninst.exe\"   start", 1, "start"},
      {"prog \"ST\"ART", 1, "START"},
      {"prog\t\"two words\" x", 1, "two words"},
      {"prog \"unclosed", 1, "unclosed"},
      {"", 1, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Argument(c.line, c.index), c.expected) << c.line << " #" << c.index;
  }
}

TEST(CommandLine, DoubleByteNamesStayWhole) {
  // "表" (0x95 0x5C) ends in the byte of "\"; a path with it is still one argument.
  const std::string exe = "C:\\Temp\\\x95\x5CUninst.exe";
  EXPECT_EQ(Argument("\"" + exe + "\" START x", 0), exe);
  EXPECT_EQ(Argument("\"" + exe + "\" START x", 1), "START");
}

TEST(CommandLine, SplitKeepsWhereEachRawArgumentLies) {
  const std::string line = "\"C:\\a b\\x.exe\"  START\tp q";
  const std::vector<TCommandLineArgument> args = SplitCommandLine(line);
  ASSERT_EQ(args.size(), 4u);
  EXPECT_EQ(args[0].Text, "C:\\a b\\x.exe");
  EXPECT_EQ(line.substr(args[0].Begin, args[0].End - args[0].Begin), "\"C:\\a b\\x.exe\"");
  EXPECT_EQ(args[1].Text, "START");
  EXPECT_EQ(args[3].Text, "q");
  EXPECT_EQ(args[3].End, line.size());
  EXPECT_TRUE(SplitCommandLine("   ").empty());
}

}  // namespace

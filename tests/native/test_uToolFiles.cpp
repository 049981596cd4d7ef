// The files of a command of the builder's tool: IN read and changed, OUT written through a
// temporary file that takes its place only once checked.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "appended/uBlockWriter.h"
#include "appended/uStreamUtils.h"
#include "exeadder/uToolArguments.h"
#include "exeadder/uToolFiles.h"
#include "exeadder/uToolRefusal.h"
#include "support/TempFolder.h"
#include "support/ToolFolder.h"

namespace {

using testsupport::TempFolder;

// The message of the refusal that call throws; "" when it throws none.
template <typename TCall>
std::string Refusal(TCall call) {
  return testsupport::RefusalOf(call).Message;
}

TEST(ToolFiles, WritesOnlyWhatPassesItsCheck) {
  TempFolder folder("toolfiles_test_");
  folder.Put("out.exe", "old");
  std::string checked;
  toolfiles::WriteThroughTemp(folder("out.exe"), "new", [&](const std::string& temp) { checked = LoadFileBytes(temp); });
  EXPECT_EQ(checked, "new");
  EXPECT_EQ(folder.Read("out.exe"), "new");

  // A refused check leaves the old file and no temporary one.
  EXPECT_EQ(Refusal([&] {
              toolfiles::WriteThroughTemp(folder("out.exe"), "newer",
                                          [](const std::string&) { toolrefusal::Refuse("not like this"); });
            }),
            "not like this");
  EXPECT_EQ(folder.Read("out.exe"), "new");
  EXPECT_THROW(toolfiles::WriteThroughTemp(folder("out.exe"), "newest", [](const std::string&) { throw std::runtime_error("x"); }),
               std::runtime_error);
  EXPECT_EQ(folder.Read("out.exe"), "new");
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder.Dir())) files += entry.is_regular_file() ? 1 : 0;
  EXPECT_EQ(files, 1);
  EXPECT_NE(Refusal([&] { toolfiles::WriteThroughTemp(folder("none/out.exe"), "x", [](const std::string&) {}); })
                .find("cannot create a file beside"),
            std::string::npos);
}

TEST(ToolFiles, ChangesTheInputOrRefusesInOneLine) {
  TempFolder folder("toolfiles_test_");
  folder.Put("in.exe", "program");
  const toolarguments::TCommandLine line;
  const toolfiles::TChangedInput changed = toolfiles::ChangeInput(
      folder("in.exe"), folder("out.exe"), line, [](const std::string& bytes) { return bytes + " changed"; });
  EXPECT_EQ(changed.Bytes, "program changed");
  EXPECT_EQ(changed.Input.Removed, "");

  const auto unchanged = [](const std::string& bytes) { return bytes; };
  EXPECT_EQ(Refusal([&] { toolfiles::ChangeInput(folder("none.exe"), folder("out.exe"), line, unchanged); }),
            "cannot read " + folder("none.exe") + ": no such file");
  EXPECT_NE(Refusal([&] { toolfiles::ChangeInput(folder("in.exe"), folder("in.exe"), line, unchanged); }).find("give --in-place"),
            std::string::npos);
  EXPECT_EQ(Refusal([&] {
              toolfiles::ChangeInput(folder("in.exe"), folder("out.exe"), line, [](const std::string&) -> std::string {
                throw blockwriter::EBlockWriteError("carries no block");
              });
            }),
            folder("in.exe") + ": carries no block");
  EXPECT_EQ(Refusal([&] { toolfiles::ReadFileOrRefuse(folder("none.txt"), "cannot read the trailer"); }).rfind(
                "cannot read the trailer: ", 0),
            0u);
}

}  // namespace

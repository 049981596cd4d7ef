// The image model on the program's own executable as the build strips it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "appended/uExeAdder.h"
#include "appended/uPEUtils.h"
#include "winsupport/uMachine.h"
#include "winsupport/uImageModelRoute.h"

namespace {

TEST(PEUtils, StrippedProgramEndsWhereItsImageEnds) {
  SKIP_UNLESS_THE_IMAGE_MODEL_READS_THE_PROGRAM();
  testsupport::TFileCopy Copy(testsupport::BuiltUninstallerPath());
  const std::string Original = Copy.Read();
  TPEImage Image(Copy.Path());
  ASSERT_FALSE(Image.Sections.empty());
  EXPECT_EQ(Image.GetImageEnd(), static_cast<int32_t>(Original.size()));
  EXPECT_EQ(Image.FileSize, static_cast<int32_t>(Original.size()));
  // Its uninitialised-data section has no raw data (PointerToRawData 0): no header bytes.
  EXPECT_EQ(Image.HeaderData->BlockSize(), 0);

  TItemTypes Items;
  EXPECT_NO_THROW(ReadAppendedItems(Copy.Path(), Items));
  EXPECT_TRUE(Items.empty());
}


}  // namespace

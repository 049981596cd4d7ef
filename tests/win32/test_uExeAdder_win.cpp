// The program's own executable, with a block appended, read by the program's own code: at the
// end of the file, behind the image end with other data after it, and not at all while another
// program holds the file.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "appended/ZLibEx.h"
#include "appended/uExeAdder.h"
#include "appended/uPEUtils.h"
#include "appended/uStreamUtils.h"
#include "appended/uBlockWriter.h"
#include "winsupport/uMachine.h"
#include "winsupport/uImageModelRoute.h"

namespace {

// A copy of Uninst.exe in the temporary folder, deleted at the end.
struct ProgramCopy : testsupport::TFileCopy {
  ProgramCopy() : TFileCopy(testsupport::BuiltUninstallerPath()) {}
};

const char kGuid[] = "{3F2504E0-4F89-11D3-9A0C-0305E82C3301}";

const blockwriter::TNewItems kGuidItems = {{"Readme", "\x83\x41\x83\x93\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83\x8B", false},
                              {"GUID", kGuid, true}};

// The program with the writer's block behind its image and Trailer after it.
std::string BehindImage(const ProgramCopy& Copy, const std::string& Trailer) {
  blockwriter::TAddOptions Options;
  Options.Key = 0xC3;
  Options.Placement = blockwriter::TBlockPlacement::BehindImage;
  Options.Trailer = Trailer;
  return blockwriter::BytesWithBlock(LoadFileBytes(Copy.Path()), kGuidItems, Options).Bytes;
}

void ExpectGuidItems(const std::string& Path) {
  TItemTypes Items;
  ReadAppendedItems(Path, Items);
  ASSERT_EQ(Items.size(), 2u);
  const TItemType* Guid = FindAppendedItem(Items, "GUID");
  ASSERT_NE(Guid, nullptr);
  EXPECT_EQ(AppendedItemData(*Guid), kGuid);
  EXPECT_EQ(Items[0].Size, 16);
  FreeAppendedItems(Items);
  EXPECT_TRUE(Items.empty());
}

TEST(ExeAdder, ReadsTheBlockAtTheEndOfTheProgram) {
  ProgramCopy Copy;
  blockwriter::TAddOptions Options;
  Options.Key = 0xC3;
  Copy.Write(blockwriter::BytesWithBlock(LoadFileBytes(Copy.Path()), kGuidItems, Options).Bytes);
  ExpectGuidItems(Copy.Path());
}

TEST(ExeAdder, ReadsTheBlockBehindTheImageEndWithDataAfterIt) {
  SKIP_UNLESS_THE_IMAGE_MODEL_READS_THE_PROGRAM();
  ProgramCopy Copy;
  const std::size_t ImageEnd = Copy.Read().size();
  std::string File = BehindImage(Copy, std::string(3000, '\x7F') + "signed-by-someone");
  Copy.Write(File);
  ExpectGuidItems(Copy.Path());

  // The same with UseEndOffset 0: the reader gives up.
  File[ImageEnd + 4] = 0;
  Copy.Write(File);
  TItemTypes Items;
  ReadAppendedItems(Copy.Path(), Items);
  EXPECT_TRUE(Items.empty());
}

TEST(ExeAdder, FileHeldExclusivelyByAnother) {
  // The model reports the file layer's error; the item reader, which cannot open it either, gives
  // an empty list.
  SKIP_UNLESS_THE_IMAGE_MODEL_READS_THE_PROGRAM();
  ProgramCopy Copy;
  Copy.Write(BehindImage(Copy, "trailer"));
  HANDLE Holder = CreateFileA(Copy.Path().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(Holder, INVALID_HANDLE_VALUE);
  EXPECT_THROW(TPEImage Image(Copy.Path()), EFOpenError);
  TItemTypes Items;
  EXPECT_NO_THROW(ReadAppendedItems(Copy.Path(), Items));
  EXPECT_TRUE(Items.empty());
  CloseHandle(Holder);
  ExpectGuidItems(Copy.Path());
}

}  // namespace

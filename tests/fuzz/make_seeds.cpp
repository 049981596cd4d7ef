// Writes the seed corpora: make_seeds <corpus dir>; files go to <dir>/fuzz_ReadAppendedItems and
// <dir>/fuzz_PEImage. Blocks come from the product's own writer; the refused ones are good blocks
// with a field edited, or records from the layout's encoders.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "appended/uBlockLayout.h"
#include "appended/uBlockWriter.h"
#include "support/PEBuilder.h"

namespace {

void Put(const std::filesystem::path& Dir, const std::string& Name, const std::string& Bytes) {
  std::filesystem::create_directories(Dir);
  std::ofstream(Dir / Name, std::ios::binary).write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
}

const std::string kProgram = "program bytes";

// Program bytes, then a block of Records.
std::string WithBlock(const std::vector<std::string>& Records, uint32_t Key = blockwriter::kDefaultKey) {
  return kProgram + blockwriter::BuildBlockOfRecords(Records, Key, static_cast<int64_t>(kProgram.size()));
}
std::string Patched(std::string File, int64_t Offset, const std::string& Field) {
  return File.replace(static_cast<std::size_t>(Offset), Field.size(), Field);
}
std::string Rec(const std::string& Name, const std::string& Data, bool Compressed, uint8_t Key = blockwriter::kDefaultKey) {
  return blockwriter::ItemRecord({Name, Data, Compressed}, Key);
}
std::string PackedRec(const std::string& Name, const std::string& Stream) {
  return blocklayout::EncodeRecord(static_cast<int32_t>(Name.size()), XorString(Name, blockwriter::kDefaultKey), 1,
                                   static_cast<int32_t>(Stream.size()), Stream);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::filesystem::path Items = std::filesystem::path(argv[1]) / "fuzz_ReadAppendedItems";
  const std::filesystem::path Pe = std::filesystem::path(argv[1]) / "fuzz_PEImage";
  const std::string Image = pebuilder::SmallImage();
  const int64_t CountAt = static_cast<int64_t>(kProgram.size()) + blocklayout::kHeadSize + 4;  // behind Key

  const blockwriter::TNewItems Guid = {{"GUID", "{3F2504E0-4F89-11D3-9A0C-0305E82C3301}", true}};
  const std::vector<std::string> Mixed = {Rec("GUID", "mutex", false, 0x5A), Rec("Readme", "some text some text some text", true, 0x5A),
                                          Rec("", "", false, 0x5A), blocklayout::EncodeRecord(1, "q", 0, -5, ""),
                                          blocklayout::EncodeRecord(1, "r", 1, 0, "")};

  Put(Items, "block_at_end", kProgram + blockwriter::BuildBlock(Guid, 0xA5, static_cast<int64_t>(kProgram.size())));
  Put(Items, "mixed_items", WithBlock(Mixed, 0x1234005A));
  Put(Items, "count_zero", WithBlock({}));
  const std::string Behind = Image + blockwriter::BuildBlock(Guid, 0xA5, static_cast<int64_t>(Image.size()));
  Put(Items, "behind_image_end", Behind + "other data behind the block");
  // UseEndOffset 0: the reader gives up.
  Put(Items, "behind_image_end_unused",
      Patched(Image + blockwriter::BuildBlockOfRecords(Mixed, 0x1234005A, static_cast<int64_t>(Image.size())) + "trailer",
              static_cast<int64_t>(Image.size()) + 4, std::string(1, '\0')));
  Put(Items, "image_without_block", Image);

  // Refused blocks: lengths that point outside the block, and streams that do not inflate.
  const std::string GuidBlock = WithBlock({Rec("GUID", "x", false)});
  const std::string GuidName = XorString("GUID", blockwriter::kDefaultKey);
  Put(Items, "body_length_huge",
      Patched(GuidBlock, static_cast<int64_t>(GuidBlock.size()) - blocklayout::kTrailerSize,
              blocklayout::Int64Field(0x7FFFFFFFFFFFFFFF)));
  Put(Items, "count_negative", Patched(GuidBlock, CountAt, blocklayout::Int32Field(-1)));
  Put(Items, "count_huge", Patched(WithBlock({}), CountAt, blocklayout::Int32Field(0x7FFFFFFF)));
  Put(Items, "name_length_negative", WithBlock({blocklayout::EncodeRecord(-4, GuidName, 0, 1, "x")}));
  Put(Items, "data_length_huge", WithBlock({blocklayout::EncodeRecord(4, GuidName, 1, 0x7FFFFFFF, "x")}));
  const std::string Cut = blockwriter::CompressItemData("a stream that ends before its end marker, repeated, repeated");
  Put(Items, "stream_cut_short", WithBlock({PackedRec("GUID", Cut.substr(0, Cut.size() / 2))}));
  // zlib header asking for a preset dictionary (FDICT set), then a dictionary id.
  Put(Items, "stream_needs_dictionary", WithBlock({PackedRec("GUID", std::string("\x78\xBB\x12\x34\x56\x78\x01\x00", 8))}));

  Put(Pe, "small_image", Image);
  pebuilder::PEBuilder Eight;
  Eight.LfaNew = 0x100;
  for (uint32_t i = 0; i < 8; ++i) Eight.Sections.push_back({0x400 + 0x40 * i, 0x40});
  Put(Pe, "eight_sections", Eight.Build());
  pebuilder::PEBuilder Short;
  Short.LfaNew = 0x40;
  Short.Sections = {{0x180, 0x100}, {0, 0}};
  Short.FileLength = 0x200;
  Put(Pe, "short_with_bss", Short.Build());
  pebuilder::PEBuilder Huge;
  Huge.Sections = {{0x200, 0x7FFFFFFF}, {0x80000000u, 0x100}};
  Huge.FileLength = 0x400;
  Put(Pe, "section_sizes_huge", Huge.Build());
  std::string FarLfa = Image;
  FarLfa.replace(60, 4, pebuilder::Le32(0x7FFFFFF0));
  Put(Pe, "e_lfanew_far", FarLfa);
  return 0;
}

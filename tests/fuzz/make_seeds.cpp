// Writes the seed corpora: make_seeds <corpus dir>; files go to <dir>/fuzz_ReadAppendedItems and
// <dir>/fuzz_PEImage.
#include <filesystem>
#include <fstream>
#include <string>

#include "support/BlockWriter.h"
#include "support/PEBuilder.h"

namespace {

void Put(const std::filesystem::path& Dir, const std::string& Name, const std::string& Bytes) {
  std::filesystem::create_directories(Dir);
  std::ofstream(Dir / Name, std::ios::binary).write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::filesystem::path Items = std::filesystem::path(argv[1]) / "fuzz_ReadAppendedItems";
  const std::filesystem::path Pe = std::filesystem::path(argv[1]) / "fuzz_PEImage";
  using blockwriter::BlockWriter;
  const std::string Image = pebuilder::SmallImage();

  BlockWriter Guid(0xA5);
  Guid.Add("GUID", "{3F2504E0-4F89-11D3-9A0C-0305E82C3301}", true);
  BlockWriter Mixed(0x1234005A);
  Mixed.Add("GUID", "mutex", false)
      .Add("Readme", "some text some text some text", true)
      .Add("", "")
      .AddRecord(blockwriter::RawRecord(1, "q", 0, -5, ""))
      .AddRecord(blockwriter::RawRecord(1, "r", 1, 0, ""));

  std::string File = "program bytes";
  blockwriter::AppendBlock(File, Guid);
  Put(Items, "block_at_end", File);
  File = "program bytes";
  blockwriter::AppendBlock(File, Mixed);
  Put(Items, "mixed_items", File);
  File = "x";
  blockwriter::AppendBlock(File, BlockWriter());
  Put(Items, "count_zero", File);
  File = Image;
  blockwriter::AppendBlock(File, Guid, 1, "other data behind the block");
  Put(Items, "behind_image_end", File);
  File = Image;
  blockwriter::AppendBlock(File, Mixed, 0, "trailer");
  Put(Items, "behind_image_end_unused", File);
  Put(Items, "image_without_block", Image);

  // Refused blocks: lengths that point outside the block, and streams that do not inflate.
  const std::string GuidName = blockwriter::Scramble("GUID", 0x5A);
  auto Hostile = [&](const char* Name, const BlockWriter& W) {
    std::string F = "program bytes";
    blockwriter::AppendBlock(F, W);
    Put(Items, Name, F);
  };
  Hostile("body_length_huge", BlockWriter().Add("GUID", "x").SetBodyLength(0x7FFFFFFFFFFFFFFF));
  Hostile("count_negative", BlockWriter().Add("GUID", "x").SetCount(-1));
  Hostile("count_huge", BlockWriter().SetCount(0x7FFFFFFF));
  Hostile("name_length_negative", BlockWriter().AddRecord(blockwriter::RawRecord(-4, GuidName, 0, 1, "x")));
  Hostile("data_length_huge", BlockWriter().AddRecord(blockwriter::RawRecord(4, GuidName, 1, 0x7FFFFFFF, "x")));
  std::string Cut = blockwriter::Compress("a stream that ends before its end marker, repeated, repeated");
  Hostile("stream_cut_short", BlockWriter().AddPacked("GUID", Cut.substr(0, Cut.size() / 2)));
  // zlib header asking for a preset dictionary (FDICT set), then a dictionary id.
  Hostile("stream_needs_dictionary", BlockWriter().AddPacked("GUID", std::string("\x78\xBB\x12\x34\x56\x78\x01\x00", 8)));

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
  FarLfa.replace(60, 4, blockwriter::Le32(0x7FFFFFF0));
  Put(Pe, "e_lfanew_far", FarLfa);
  return 0;
}

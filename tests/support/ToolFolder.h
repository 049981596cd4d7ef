// A folder for running the builder's tool in-process, with the files its cases start from, and
// the refusals of its parts.
#pragma once
#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "appended/uBlockLayout.h"
#include "appended/uBlockWriter.h"
#include "appended/uExeAdder.h"
#include "exeadder/uExeAdderTool.h"
#include "exeadder/uToolRefusal.h"
#include "support/AppendedItems.h"
#include "support/PEBuilder.h"
#include "support/TempFolder.h"

namespace testsupport {

constexpr char kToolGuid[] = "{5A3C9E12-7B4D-4F0A-9C61-2E8D0B7F4A19}";

// Removed at the end with everything in it.
class ToolFolder : public TempFolder {
 public:
  ToolFolder() : TempFolder("exeadder_test_") {
    const std::string image = pebuilder::SmallImage();
    Put("Uninst.exe", image);
    Put("Stamped.exe",
        image + blockwriter::BuildBlock({{"GUID", kToolGuid, true}}, blockwriter::kDefaultKey, static_cast<int64_t>(image.size())));
    Put("Plain.bin", "not a program");
    Put("Damaged.exe", image + "garbage" + blocklayout::Int64Field(1 << 20) + "PLWS");
    std::string corrupt = blockwriter::CompressItemData(kToolGuid);
    corrupt.back() = static_cast<char>(corrupt.back() ^ 0x55);
    Put("BadStream.exe", image + blockwriter::BuildBlockOfRecords(
                                     {blocklayout::EncodeRecord(4, XorString("GUID", 0x5A), 1,
                                                                static_cast<int32_t>(corrupt.size()), corrupt)},
                                     0x5A, static_cast<int64_t>(image.size())));
    pebuilder::PEBuilder lastNotFurthest;
    lastNotFurthest.Sections = {{0x400, 0x200}, {0x200, 0x200}};
    Put("Overlap.exe", lastNotFurthest.Build());
    Put("Uninst64.exe", pebuilder::SignableImage(/*Pe32Plus=*/true));
    // Signed in form only: the tool reads the security directory, not the signature.
    const std::string signedImage = pebuilder::WithCertificateTableOnly(pebuilder::SignableImage());
    Put("Signed.exe", signedImage);
    std::string badSigned = signedImage;
    badSigned.replace(pebuilder::SecurityEntryOffset(signedImage), 4, pebuilder::Le32(0x100));  // inside the headers
    Put("BadSigned.exe", badSigned);
    Put("plws.bin", "a trailer that ends in PLWS");
    Put("readme.txt", "Readme\r\n");
  }

  // Every file and its contents.
  std::map<std::string, std::string> Snapshot() const {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(Dir()))
      files[entry.path().filename().string()] = Read(entry.path().filename().string());
    return files;
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Dir())) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

// "サンプル" in code page 932: an item name beyond ASCII.
inline const std::string kSampleName932 = "\x83\x54\x83\x93\x83\x76\x83\x8B";

// Writes out.exe: Uninst.exe with five items of every kind behind its image under key 0x1234A5,
// and readme.txt behind the block.
inline exeaddertool::TToolResult AddEveryKindBehindTheImage(const ToolFolder& folder) {
  return exeaddertool::RunExeAdder({"add", folder("Uninst.exe"), folder("out.exe"), "--key", "0x1234A5", "--behind-image",
                                    "--trailer", folder("readme.txt"), "--ztext", "GUID", kToolGuid, "--file",
                                    kSampleName932, folder("readme.txt"), "--text", "Empty", "", "--text", "Bytes",
                                    std::string("\x01\x02\xFF", 3), "--text", "--help", "--"});
}

// The refusal that call throws; exit status 0 and no message when it throws none.
template <typename TCall>
toolrefusal::TRefusal RefusalOf(TCall call) {
  try {
    call();
  } catch (const toolrefusal::TRefusal& refusal) {
    return refusal;
  }
  return {exeaddertool::kExitDone, std::string()};
}

}  // namespace testsupport

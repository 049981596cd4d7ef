#include "exeadder/uToolStamp.h"

#include <cstdint>

#include "appended/uBlockWriter.h"
#include "exeadder/uMutexName.h"
#include "exeadder/uToolAdd.h"
#include "exeadder/uToolArguments.h"
#include "exeadder/uToolDisplay.h"
#include "exeadder/uToolPlatform.h"
#include "exeadder/uToolRefusal.h"
#include "system/uFiles.h"
#include "system/uMbcs.h"
#include "system/uProductName.h"

namespace toolstamp {
namespace {

using tooldisplay::Quoted;
using toolrefusal::Refuse;
using toolrefusal::Usage;

const char kScreenSaverWord[] = "スクリーンセーバー";

// The uninstaller's file name for product; refuses a product name that no file name can hold or
// that the uninstaller would not read back from it.
std::string UninstallerName(const std::string& product) {
  const std::string fileName = product + "Uninst.exe";
  if (product.empty()) Refuse("the product name is empty");
  for (std::size_t i = 0; i < product.size(); ++i) {
    const uint8_t byte = static_cast<uint8_t>(product[i]);
    // The second byte of a double-byte character is part of that character.
    if (mbcs::IsLeadByte(byte) && i + 1 < product.size()) {
      ++i;
      continue;
    }
    if (byte < 0x20 || std::string("\\/:*?\"<>|").find(static_cast<char>(byte)) != std::string::npos)
      Refuse("the product name " + Quoted(product) + " holds a character that a file name cannot");
  }
  // The uninstaller takes its product name from its own file name, up to the first "Uninst".
  const std::string derived = productname::ProductNameFromExePath(fileName);
  if (derived != product)
    Refuse("the uninstaller " + fileName + " would take its product name as " + Quoted(derived) +
           " (the part before the first \"Uninst\"), not " + Quoted(product));
  return fileName;
}

}  // namespace

std::string CmdStamp(const std::vector<std::string>& args) {
  const toolarguments::TCommandLine line = toolarguments::Parse(
      args, {"--product", "--mutex", "--out", "--install-dir"}, {"--for-signing", "--replace", "--in-place", "--unsign"},
      false);
  if (line.Positional.size() != 1) Usage("stamp needs one UNINST");
  if (!line.Values.count("--product")) Usage("stamp needs --product NAME");
  if (!line.Values.count("--mutex")) Usage("stamp needs --mutex MUTEX");
  const std::string in = line.Positional[0];
  const std::string product = line.Value("--product");
  const std::string mutex = line.Value("--mutex");

  const std::string fileName = UninstallerName(product);
  if (mutex.empty()) Refuse("the mutex name is empty: the uninstaller would not check whether the screen saver runs");
  const std::string mutexRefused = mutexname::MutexNameRefusal(mutex);
  if (!mutexRefused.empty()) Refuse(mutexRefused);

  std::string out = fileName;
  if (line.Values.count("--out")) {
    std::string dir = line.Value("--out");
    if (!dir.empty() && dir.back() != toolplatform::kPathDelimiter && dir.back() != '/')
      dir += toolplatform::kPathDelimiter;
    out = dir + fileName;
  }
  const blockwriter::TNewItems items = {{"GUID", mutex, true}};
  blockwriter::TAddOptions options;
  options.Replace = line.Has("--replace");
  if (line.Has("--for-signing")) options.Placement = blockwriter::TBlockPlacement::BehindImage;
  std::string note;
  const blockwriter::TFileWithBlock file = tooladd::AddAndWrite(in, out, items, options, line, note);

  std::string folder = line.Value("--install-dir", "<install folder>");
  while (files::EndsWithDelimiter(folder)) folder.pop_back();
  const std::string installed = "\"" + folder + "\\" + fileName + "\"";
  std::string key = productname::UninstallKeyPath(product);
  key.pop_back();
  return "wrote " + out + ": item \"GUID\" = " + Quoted(mutex) + ", " + tooladd::Placement(file) + "\n" +
         "values of HKEY_LOCAL_MACHINE\\" + key + "\n" +
         "  UninstallString       " + installed + "\n" +
         "  QuietUninstallString  " + installed + " /S\n" +
         "  DisplayName           " + product + tooldisplay::ConsoleText(kScreenSaverWord) + "\n" + note;
}

}  // namespace toolstamp

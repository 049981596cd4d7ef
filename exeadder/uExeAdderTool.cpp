#include "exeadder/uExeAdderTool.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <stdexcept>

#include "appended/uBlockWriter.h"
#include "appended/uExeAdder.h"
#include "appended/uStreamUtils.h"
#include "exeadder/uMutexName.h"
#include "exeadder/uToolPlatform.h"
#include "exeadder/uToolSigning.h"
#include "system/uFiles.h"
#include "system/uMbcs.h"
#include "system/uProductName.h"

namespace {

#ifdef _WIN32
const char kScreenSaverWord[] = "スクリーンセーバー";  // code page 932, as the console shows it
#else
const char kScreenSaverWord[] = u8"スクリーンセーバー";  // a Linux terminal shows UTF-8
#endif

const char kUsage[] =
    "usage: exeadder COMMAND ...\n"
    "\n"
    "exeadder stamp UNINST --product NAME --mutex MUTEX [--out DIR] [--install-dir DIR] [--for-signing]\n"
    "               [--replace] [--in-place] [--unsign]\n"
    "    Makes a screen saver's uninstaller: writes DIR/NAMEUninst.exe (DIR: the current folder\n"
    "    unless --out gives one), a copy of UNINST with a block that holds the item \"GUID\"\n"
    "    (MUTEX, compressed): the name of the mutex that the screen saver holds while it runs.\n"
    "    Prints the values that the product's installer writes under the uninstall key\n"
    "    HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\NAME;\n"
    "    --install-dir names the folder where the installer puts NAME.scr, NAME.txt and the\n"
    "    uninstaller.\n"
    "    --for-signing    put the block where the image ends (as add --behind-image), so that the\n"
    "                     uninstaller still finds it behind the Authenticode signature that the\n"
    "                     written file gets next.\n"
    "\n"
    "exeadder add IN OUT [--key K] [--behind-image [--trailer FILE]] [--replace] [--in-place] [--unsign] ITEM...\n"
    "    Writes OUT: IN with a block of the ITEMs, in the order given. An ITEM is one of\n"
    "      --text NAME TEXT     the bytes of TEXT\n"
    "      --file NAME FILE     the bytes of FILE\n"
    "      --ztext NAME TEXT    as --text, stored zlib-compressed\n"
    "      --zfile NAME FILE    as --file, stored zlib-compressed\n"
    "    Names and texts are taken as bytes: the uninstaller compares names byte for byte and\n"
    "    holds its texts in code page 932.\n"
    "    --key K          the block's key, 0 to 0xFFFFFFFF (decimal or 0x hex); its low byte\n"
    "                     scrambles the names. Default 0x5A.\n"
    "    --behind-image   put the block where IN's PE image ends and set UseEndOffset and\n"
    "                     EndOffset, so that the uninstaller finds it with other data behind it:\n"
    "                     whatever IN holds past its image, then the bytes of --trailer FILE.\n"
    "\n"
    "exeadder list FILE\n"
    "    Reads FILE's block as the uninstaller does and shows where it lies, its key and each\n"
    "    item: name, stored size, compressed or plain, size and a preview of the data. Then\n"
    "    whether FILE carries an Authenticode certificate table (offset and size, from the\n"
    "    security directory) and whether the block lies inside the range the signature covers;\n"
    "    it does not verify the signature (the signing tool does).\n"
    "\n"
    "exeadder strip IN OUT [--in-place] [--unsign]\n"
    "    Writes OUT: IN without its block; other data behind the block stays.\n"
    "\n"
    "Rules:\n"
    "  A file that already carries a block is refused (the uninstaller reads only the last one)\n"
    "  unless --replace, which removes the old block first.\n"
    "  OUT may be IN only with --in-place (OUT may then be left out).\n"
    "  A signed IN (one with an Authenticode certificate table) is refused, since any change\n"
    "  invalidates its signature, unless --unsign, which removes the certificate table, clears\n"
    "  the security directory entry and recomputes a PE checksum that was set; sign OUT again.\n"
    "  Signing comes last: stamp --for-signing (or add --behind-image), sign, then list.\n"
    "  A \"GUID\" (MUTEX, or the first item of that name) must be a name that CreateMutexA takes:\n"
    "  no NUL byte, at most 259 bytes, and no backslash but the one after a leading \"Global\" or\n"
    "  \"Local\". The uninstaller would take the screen saver for running on every run otherwise.\n"
    "  OUT is written to a temporary file beside it, read back with the uninstaller's own reader,\n"
    "  and only then renamed to OUT: a failure leaves no file written.\n"
    "Exit status: 0 done; 1 refused or failed, with one line on standard error; 2 wrong usage.\n";

// A refusal: one line on standard error, exit status 1 (or 2 for a wrong command line).
struct TRefusal {
  int ExitCode;
  std::string Message;
};
[[noreturn]] void Refuse(const std::string& message) { throw TRefusal{kExitRefused, message}; }
// --help anywhere among the options.
struct THelpWanted {};
[[noreturn]] void Usage(const std::string& message) {
  throw TRefusal{kExitUsage, message + " (exeadder --help describes the commands)"};
}

// ---- the command line ----

struct TItemSource {
  std::string Name;
  std::string Value;  // the text, or the name of the file that holds the data
  bool FromFile = false;
  bool Compressed = false;
};

struct TCommandLine {
  std::vector<std::string> Positional;
  std::map<std::string, std::string> Values;
  std::set<std::string> Flags;
  std::vector<TItemSource> Items;

  bool Has(const std::string& flag) const { return Flags.count(flag) != 0; }
  std::string Value(const std::string& option, const std::string& fallback = std::string()) const {
    const auto found = Values.find(option);
    return found == Values.end() ? fallback : found->second;
  }
};

// Splits args (after the command) into positional arguments, the options that the command
// allows and, when AllowItems, item options; everything after "--" is positional.
TCommandLine Parse(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
                   const std::set<std::string>& flagOptions, bool allowItems) {
  static const std::map<std::string, std::pair<bool, bool>> kItemOptions = {
      {"--text", {false, false}}, {"--file", {true, false}}, {"--ztext", {false, true}}, {"--zfile", {true, true}}};
  TCommandLine line;
  bool optionsEnd = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnd || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
      line.Positional.push_back(arg);
    } else if (arg == "--") {
      optionsEnd = true;
    } else if (arg == "--help") {
      throw THelpWanted();
    } else if (allowItems && kItemOptions.count(arg)) {
      if (i + 2 >= args.size()) Usage(arg + " needs a name and a " + (kItemOptions.at(arg).first ? "file" : "text"));
      line.Items.push_back({args[i + 1], args[i + 2], kItemOptions.at(arg).first, kItemOptions.at(arg).second});
      i += 2;
    } else if (valueOptions.count(arg)) {
      if (i + 1 >= args.size()) Usage(arg + " needs a value");
      if (!line.Values.emplace(arg, args[i + 1]).second) Usage(arg + " is given twice");
      ++i;
    } else if (flagOptions.count(arg)) {
      line.Flags.insert(arg);
    } else {
      Usage("unknown option " + arg);
    }
  }
  return line;
}

uint32_t ParseKey(const std::string& text) {
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const std::string digits = hex ? text.substr(2) : text;
  uint64_t value = 0;
  for (char digitChar : digits) {
    int digit = -1;
    if (digitChar >= '0' && digitChar <= '9') digit = digitChar - '0';
    if (hex && digitChar >= 'a' && digitChar <= 'f') digit = digitChar - 'a' + 10;
    if (hex && digitChar >= 'A' && digitChar <= 'F') digit = digitChar - 'A' + 10;
    if (digit < 0) Usage("--key " + text + " is not a number");
    value = value * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
    if (value > UINT32_MAX) Usage("--key " + text + " does not fit 32 bits");
  }
  if (digits.empty()) Usage("--key needs a number");
  return static_cast<uint32_t>(value);
}

std::string ReadFileOrRefuse(const std::string& path, const std::string& what) {
  try {
    return LoadFileBytes(path);
  } catch (const EFOpenError& error) {
    Refuse(what + ": " + error.what());
  }
}

blockwriter::TNewItems ReadItems(const std::vector<TItemSource>& sources) {
  blockwriter::TNewItems items;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    const TItemSource& source = sources[i];
    blockwriter::TNewItem item;
    item.Name = source.Name;
    item.Compressed = source.Compressed;
    item.Data = source.FromFile ? ReadFileOrRefuse(source.Value, "item " + std::to_string(i + 1) + ": cannot read its file")
                           : source.Value;
    items.push_back(std::move(item));
  }
  return items;
}

// ---- showing bytes ----

std::string Hex2(uint8_t byte) {
  static const char kDigits[] = "0123456789ABCDEF";
  return std::string{kDigits[byte >> 4], kDigits[byte & 15]};
}

std::string HexNumber(uint32_t value) {
  std::string text = "0x";
  for (int shift = 24; shift >= 0; shift -= 8) text += Hex2(static_cast<uint8_t>(value >> shift));
  return text;
}

// Length of the code page 932 character at bytes[i] that reads as text: printable ASCII, a
// half-width katakana or a double-byte character; 0 for any other byte.
std::size_t TextCharLength(const std::string& bytes, std::size_t i) {
  const uint8_t lead = static_cast<uint8_t>(bytes[i]);
  if ((lead >= 0x20 && lead < 0x7F) || (lead >= 0xA1 && lead <= 0xDF)) return 1;
  if (mbcs::IsLeadByte(lead) && i + 1 < bytes.size()) {
    const uint8_t trail = static_cast<uint8_t>(bytes[i + 1]);
    if ((trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFC)) return 2;
  }
  return 0;
}

// bytes in double quotes, with C escapes for quotes, backslashes and bytes that are not text; at
// most max bytes, then "...".
std::string Quoted(const std::string& bytes, std::size_t max = std::string::npos) {
  std::string text;
  std::size_t i = 0;
  while (i < bytes.size() && i < max) {
    const char c = bytes[i];
    const std::size_t length = TextCharLength(bytes, i);
    if (c == '"' || c == '\\') {
      text += std::string("\\") + c;
    } else if (c == '\n' || c == '\r' || c == '\t') {
      text += c == '\n' ? "\\n" : c == '\r' ? "\\r" : "\\t";
    } else if (length == 0) {
      text += "\\x" + Hex2(static_cast<uint8_t>(c));
    } else {
      text += bytes.substr(i, length);
      i += length;
      continue;
    }
    ++i;
  }
  std::string shown;
  if (!toolplatform::ToConsoleText(text, shown)) {
    // A double-byte pair that the console cannot show: escape everything beyond ASCII.
    shown.clear();
    for (char c : text) shown += static_cast<uint8_t>(c) < 0x80 ? std::string(1, c) : "\\x" + Hex2(static_cast<uint8_t>(c));
  }
  return "\"" + shown + "\"" + (i < bytes.size() ? "..." : "");
}

// data as quoted text when all of it reads as text, else its first bytes in hex.
std::string Preview(const std::string& data) {
  constexpr std::size_t kTextBytes = 48, kHexBytes = 16;
  bool text = true;
  for (std::size_t i = 0; i < data.size() && text;) {
    const char c = data[i];
    const std::size_t length = (c == '\n' || c == '\r' || c == '\t') ? 1 : TextCharLength(data, i);
    text = length != 0;
    i += length;
  }
  if (text) return Quoted(data, kTextBytes);
  std::string hex;
  for (std::size_t i = 0; i < data.size() && i < kHexBytes; ++i) hex += (i ? " " : "") + Hex2(static_cast<uint8_t>(data[i]));
  return "hex " + hex + (data.size() > kHexBytes ? " ..." : "");
}

std::string Bytes(int64_t count) { return std::to_string(count) + (count == 1 ? " byte" : " bytes"); }

// ---- writing ----

// Removes the temporary file on the way out unless it became OUT.
class TTempFile {
 public:
  explicit TTempFile(std::string path) : path_(std::move(path)) {}
  ~TTempFile() {
    if (!path_.empty()) toolplatform::RemoveFile(path_);
  }
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;
  const std::string& Path() const { return path_; }
  void Kept() { path_.clear(); }

 private:
  std::string path_;
};

// OUT may not be IN unless the command line says --in-place.
void CheckNotInPlace(const std::string& in, const std::string& out, bool inPlace) {
  if (!inPlace && toolplatform::SameFile(in, out))
    Refuse(out + " is the input file " + in + ": give --in-place to replace it");
}

// Writes Bytes to Out through a temporary file beside it; Check runs on the temporary file
// before it takes Out's place.
template <typename TCheck>
void WriteThroughTemp(const std::string& out, const std::string& bytes, TCheck check) {
  std::string tempName;
  try {
    tempName = toolplatform::WriteTempBeside(out, bytes);
  } catch (const EWriteError& error) {
    Refuse(error.what());
  }
  TTempFile temp(tempName);
  check(temp.Path());
  try {
    toolplatform::ReplaceWith(temp.Path(), out);
  } catch (const EWriteError& error) {
    Refuse(error.what());
  }
  temp.Kept();
}

// IN with a block of items, written to out and read back; returns where the block lies. Note
// gets what the builder has to know about signing: a signature removed, signing next.
blockwriter::TFileWithBlock AddAndWrite(const std::string& in, const std::string& out, const blockwriter::TNewItems& items,
                           const blockwriter::TAddOptions& options, const TCommandLine& line, std::string& note) {
  if (!toolplatform::IsFile(in)) Refuse("cannot read " + in + ": no such file");
  CheckNotInPlace(in, out, line.Has("--in-place"));
  toolsigning::TInput input;
  blockwriter::TFileWithBlock file;
  try {
    input = toolsigning::PrepareInput(in, LoadFileBytes(in), line.Has("--unsign"));
    file = blockwriter::BytesWithBlock(input.Bytes, items, options);
  } catch (const toolsigning::ESignedInput& error) {
    Refuse(error.what());
  } catch (const blockwriter::EBlockPresent& error) {
    Refuse(in + ": " + error.what() + " (--replace replaces it)");
  } catch (const blockwriter::EBlockWriteError& error) {
    Refuse(in + ": " + error.what());
  } catch (const EFOpenError& error) {
    Refuse(error.what());
  }
  file.Bytes = toolsigning::Finish(input, std::move(file.Bytes));
  WriteThroughTemp(out, file.Bytes, [&](const std::string& temp) {
    try {
      blockwriter::CheckReadsBack(temp, items, file.BlockStart);
    } catch (const blockwriter::EBlockWriteError& error) {
      Refuse(out + " not written: " + error.what());
    }
  });
  note = toolsigning::RemovedLine(in, input);
  if (options.Placement == blockwriter::TBlockPlacement::BehindImage || !input.Removed.empty()) {
    TBlockPlace block;
    block.Found = true;
    block.Start = file.BlockStart;
    block.End = file.BlockStart + file.BlockLength;
    note += toolsigning::NextStepLine(out, file.Bytes, &block);
  }
  return file;
}

std::string Placement(const blockwriter::TFileWithBlock& file) {
  const int64_t behind = static_cast<int64_t>(file.Bytes.size()) - file.BlockStart - file.BlockLength;
  return "block of " + Bytes(file.BlockLength) + " at offset " + std::to_string(file.BlockStart) +
         (behind > 0 ? ", " + Bytes(behind) + " of other data behind it" : "");
}

// The output file, or IN itself with --in-place and no OUT.
std::string OutputOf(const TCommandLine& line, const char* command) {
  const std::size_t count = line.Positional.size();
  if (count == 2) return line.Positional[1];
  if (count == 1 && line.Has("--in-place")) return line.Positional[0];
  Usage(std::string(command) + " needs IN and OUT");
}

// ---- commands ----

std::string CmdAdd(const std::vector<std::string>& args) {
  const TCommandLine line =
      Parse(args, {"--key", "--trailer"}, {"--behind-image", "--replace", "--in-place", "--unsign"}, true);
  const std::string out = OutputOf(line, "add");
  const std::string& in = line.Positional[0];
  if (line.Items.empty()) Usage("add needs at least one item (--text, --file, --ztext, --zfile)");
  blockwriter::TAddOptions options;
  if (line.Values.count("--key")) options.Key = ParseKey(line.Value("--key"));
  options.Replace = line.Has("--replace");
  if (line.Has("--behind-image")) options.Placement = blockwriter::TBlockPlacement::BehindImage;
  if (line.Values.count("--trailer")) {
    if (!line.Has("--behind-image")) Usage("--trailer goes with --behind-image");
    options.Trailer = ReadFileOrRefuse(line.Value("--trailer"), "cannot read the trailer");
  }
  const blockwriter::TNewItems items = ReadItems(line.Items);
  // The uninstaller takes the first item of exactly that name; an empty one means no check.
  const auto guid = std::find_if(items.begin(), items.end(), [](const blockwriter::TNewItem& item) { return item.Name == "GUID"; });
  if (guid != items.end() && !guid->Data.empty()) {
    const std::string why = mutexname::MutexNameRefusal(guid->Data);
    if (!why.empty()) Refuse("item \"GUID\": " + why);
  }
  std::string note;
  const blockwriter::TFileWithBlock file = AddAndWrite(in, out, items, options, line, note);
  return "wrote " + out + ": " + std::to_string(items.size()) + (items.size() == 1 ? " item, " : " items, ") +
         Placement(file) + "\n" + note;
}

std::string CmdStamp(const std::vector<std::string>& args) {
  const TCommandLine line =
      Parse(args, {"--product", "--mutex", "--out", "--install-dir"}, {"--for-signing", "--replace", "--in-place", "--unsign"},
            false);
  if (line.Positional.size() != 1) Usage("stamp needs one UNINST");
  if (!line.Values.count("--product")) Usage("stamp needs --product NAME");
  if (!line.Values.count("--mutex")) Usage("stamp needs --mutex MUTEX");
  const std::string in = line.Positional[0];
  const std::string product = line.Value("--product");
  const std::string mutex = line.Value("--mutex");

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
  const blockwriter::TFileWithBlock file = AddAndWrite(in, out, items, options, line, note);

  std::string folder = line.Value("--install-dir", "<install folder>");
  while (files::EndsWithDelimiter(folder)) folder.pop_back();
  const std::string installed = "\"" + folder + "\\" + fileName + "\"";
  std::string key = productname::UninstallKeyPath(product);
  key.pop_back();
  return "wrote " + out + ": item \"GUID\" = " + Quoted(mutex) + ", " + Placement(file) + "\n" +
         "values of HKEY_LOCAL_MACHINE\\" + key + "\n" +
         "  UninstallString       " + installed + "\n" +
         "  QuietUninstallString  " + installed + " /S\n" +
         "  DisplayName           " + product + kScreenSaverWord + "\n" + note;
}

std::string CmdList(const std::vector<std::string>& args) {
  const TCommandLine line = Parse(args, {}, {}, false);
  if (line.Positional.size() != 1) Usage("list needs one FILE");
  const std::string& path = line.Positional[0];
  if (!toolplatform::IsFile(path)) Refuse("cannot read " + path + ": no such file");

  TItemTypes items;
  TBlockInfo info;
  try {
    ReadAppendedItems(path, items, &info);
  } catch (const std::exception& error) {
    // The uninstaller would show this message.
    Refuse(path + ": " + error.what());
  }
  const TBlockPlace& place = info.Place;
  if (!place.Found) Refuse(path + ": carries no block that the uninstaller finds");

  std::string text = path + ": block of " + Bytes(place.End - place.Start) + " at offset " + std::to_string(place.Start) +
                     (place.AtEnd() ? ", at the end of the file"
                                : ", found behind the image, " + Bytes(place.FileSize - place.End) + " of other data behind it") +
                     "\n";
  text += "key " + HexNumber(info.Key) + " (names scrambled with 0x" + Hex2(static_cast<uint8_t>(info.Key)) + "), " +
          std::to_string(items.size()) + (items.size() == 1 ? " item\n" : " items\n");
  for (std::size_t i = 0; i < items.size(); ++i) {
    const TItemType& item = items[i];
    const std::string data =
        item.Data && item.Size > 0 ? std::string(static_cast<const char*>(item.Data), static_cast<std::size_t>(item.Size))
                                   : std::string();
    text += "  " + std::to_string(i + 1) + ". " + Quoted(item.Name) + "  " +
            (item.Compressed ? "compressed, " + Bytes(info.DataLengths[i]) + " stored, " + Bytes(item.Size) + " inflated"
                             : "plain, " + Bytes(item.Size) + (item.Size < 0 ? " (no data)" : "")) +
            (data.empty() ? "" : "  " + Preview(data)) + "\n";
  }
  const TItemType* guid = FindAppendedItem(items, "GUID");
  if (!guid)
    text += "no item \"GUID\": the uninstaller will not check whether the screen saver runs\n";
  else if (guid->Size <= 0 || !guid->Data)
    text += "the first item \"GUID\" is empty: the uninstaller will not check whether the screen saver runs\n";
  else
    text += "the uninstaller checks the mutex named by item " + std::to_string(guid - &items[0] + 1) + " \"GUID\"\n";
  try {
    text += toolsigning::SignatureLine(LoadFileBytes(path), place);
  } catch (const EFOpenError& error) {
    text += std::string("Authenticode signature not examined: ") + error.what() + "\n";
  }
  return text;
}

std::string CmdStrip(const std::vector<std::string>& args) {
  const TCommandLine line = Parse(args, {}, {"--in-place", "--unsign"}, false);
  const std::string out = OutputOf(line, "strip");
  const std::string& in = line.Positional[0];
  if (!toolplatform::IsFile(in)) Refuse("cannot read " + in + ": no such file");
  CheckNotInPlace(in, out, line.Has("--in-place"));
  toolsigning::TInput input;
  std::string stripped;
  try {
    input = toolsigning::PrepareInput(in, LoadFileBytes(in), line.Has("--unsign"));
    stripped = toolsigning::Finish(input, blockwriter::BytesWithoutBlock(input.Bytes));
  } catch (const toolsigning::ESignedInput& error) {
    Refuse(error.what());
  } catch (const blockwriter::EBlockWriteError& error) {
    Refuse(in + ": " + error.what());
  } catch (const EFOpenError& error) {
    Refuse(error.what());
  }
  std::string note;
  WriteThroughTemp(out, stripped, [&](const std::string& temp) {
    try {
      const TBlockPlace left = LocateAppendedBlock(temp);
      if (left.Found) note = "the uninstaller still finds a block, at offset " + std::to_string(left.Start) + "\n";
    } catch (const EImageBlockException&) {
      // No signature at the end and no image: no block, as wanted.
    }
  });
  if (!input.Removed.empty()) note += toolsigning::RemovedLine(in, input) + toolsigning::NextStepLine(out, stripped, nullptr);
  return "wrote " + out + ": " + Bytes(static_cast<int64_t>(stripped.size())) + ", without the block\n" + note;
}

}  // namespace

TToolResult RunExeAdder(const std::vector<std::string>& args) {
  TToolResult result;
  try {
    if (args.empty()) Usage("no command");
    const std::string& command = args[0];
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (command == "--help" || command == "-h" || command == "help") {
      result.Out = kUsage;
    } else if (command == "stamp") {
      result.Out = CmdStamp(rest);
    } else if (command == "add") {
      result.Out = CmdAdd(rest);
    } else if (command == "list") {
      result.Out = CmdList(rest);
    } else if (command == "strip") {
      result.Out = CmdStrip(rest);
    } else {
      Usage("unknown command " + command);
    }
  } catch (const THelpWanted&) {
    result.Out = kUsage;
  } catch (const TRefusal& refusal) {
    result.ExitCode = refusal.ExitCode;
    result.Out.clear();
    result.Err = "exeadder: " + refusal.Message + "\n";
  } catch (const std::exception& error) {
    result.ExitCode = kExitRefused;
    result.Out.clear();
    result.Err = std::string("exeadder: ") + error.what() + "\n";
  }
  // One line, whatever the message held.
  for (std::size_t i = 0; i + 1 < result.Err.size(); ++i)
    if (result.Err[i] == '\n' || result.Err[i] == '\r') result.Err[i] = ' ';
  return result;
}

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
[[noreturn]] void Refuse(const std::string& Message) { throw TRefusal{kExitRefused, Message}; }
// --help anywhere among the options.
struct THelpWanted {};
[[noreturn]] void Usage(const std::string& Message) {
  throw TRefusal{kExitUsage, Message + " (exeadder --help describes the commands)"};
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

  bool Has(const std::string& Flag) const { return Flags.count(Flag) != 0; }
  std::string Value(const std::string& Option, const std::string& Default = std::string()) const {
    const auto Found = Values.find(Option);
    return Found == Values.end() ? Default : Found->second;
  }
};

// Splits Args (after the command) into positional arguments, the options that the command
// allows and, when AllowItems, item options; everything after "--" is positional.
TCommandLine Parse(const std::vector<std::string>& Args, const std::set<std::string>& ValueOptions,
                   const std::set<std::string>& FlagOptions, bool AllowItems) {
  static const std::map<std::string, std::pair<bool, bool>> kItemOptions = {
      {"--text", {false, false}}, {"--file", {true, false}}, {"--ztext", {false, true}}, {"--zfile", {true, true}}};
  TCommandLine Line;
  bool OptionsEnd = false;
  for (std::size_t i = 0; i < Args.size(); ++i) {
    const std::string& A = Args[i];
    if (OptionsEnd || A.size() < 2 || A.compare(0, 2, "--") != 0) {
      Line.Positional.push_back(A);
    } else if (A == "--") {
      OptionsEnd = true;
    } else if (A == "--help") {
      throw THelpWanted();
    } else if (AllowItems && kItemOptions.count(A)) {
      if (i + 2 >= Args.size()) Usage(A + " needs a name and a " + (kItemOptions.at(A).first ? "file" : "text"));
      Line.Items.push_back({Args[i + 1], Args[i + 2], kItemOptions.at(A).first, kItemOptions.at(A).second});
      i += 2;
    } else if (ValueOptions.count(A)) {
      if (i + 1 >= Args.size()) Usage(A + " needs a value");
      if (!Line.Values.emplace(A, Args[i + 1]).second) Usage(A + " is given twice");
      ++i;
    } else if (FlagOptions.count(A)) {
      Line.Flags.insert(A);
    } else {
      Usage("unknown option " + A);
    }
  }
  return Line;
}

uint32_t ParseKey(const std::string& Text) {
  const bool Hex = Text.size() > 2 && Text[0] == '0' && (Text[1] == 'x' || Text[1] == 'X');
  const std::string Digits = Hex ? Text.substr(2) : Text;
  uint64_t Value = 0;
  for (char C : Digits) {
    int D = -1;
    if (C >= '0' && C <= '9') D = C - '0';
    if (Hex && C >= 'a' && C <= 'f') D = C - 'a' + 10;
    if (Hex && C >= 'A' && C <= 'F') D = C - 'A' + 10;
    if (D < 0) Usage("--key " + Text + " is not a number");
    Value = Value * (Hex ? 16 : 10) + static_cast<uint64_t>(D);
    if (Value > UINT32_MAX) Usage("--key " + Text + " does not fit 32 bits");
  }
  if (Digits.empty()) Usage("--key needs a number");
  return static_cast<uint32_t>(Value);
}

std::string ReadFileOrRefuse(const std::string& Path, const std::string& What) {
  try {
    return LoadFileBytes(Path);
  } catch (const EFOpenError& E) {
    Refuse(What + ": " + E.what());
  }
}

TNewItems ReadItems(const std::vector<TItemSource>& Sources) {
  TNewItems Items;
  for (std::size_t i = 0; i < Sources.size(); ++i) {
    const TItemSource& S = Sources[i];
    TNewItem Item;
    Item.Name = S.Name;
    Item.Compressed = S.Compressed;
    Item.Data = S.FromFile ? ReadFileOrRefuse(S.Value, "item " + std::to_string(i + 1) + ": cannot read its file")
                           : S.Value;
    Items.push_back(std::move(Item));
  }
  return Items;
}

// ---- showing bytes ----

std::string Hex2(uint8_t B) {
  static const char kDigits[] = "0123456789ABCDEF";
  return std::string{kDigits[B >> 4], kDigits[B & 15]};
}

std::string HexNumber(uint32_t V) {
  std::string S = "0x";
  for (int Shift = 24; Shift >= 0; Shift -= 8) S += Hex2(static_cast<uint8_t>(V >> Shift));
  return S;
}

// Length of the code page 932 character at Bytes[i] that reads as text: printable ASCII, a
// half-width katakana or a double-byte character; 0 for any other byte.
std::size_t TextCharLength(const std::string& Bytes, std::size_t i) {
  const uint8_t B = static_cast<uint8_t>(Bytes[i]);
  if ((B >= 0x20 && B < 0x7F) || (B >= 0xA1 && B <= 0xDF)) return 1;
  if (mbcs::IsLeadByte(B) && i + 1 < Bytes.size()) {
    const uint8_t T = static_cast<uint8_t>(Bytes[i + 1]);
    if ((T >= 0x40 && T <= 0x7E) || (T >= 0x80 && T <= 0xFC)) return 2;
  }
  return 0;
}

// Bytes in double quotes, with C escapes for quotes, backslashes and bytes that are not text; at
// most Max bytes, then "...".
std::string Quoted(const std::string& Bytes, std::size_t Max = std::string::npos) {
  std::string Text;
  std::size_t i = 0;
  while (i < Bytes.size() && i < Max) {
    const char C = Bytes[i];
    const std::size_t N = TextCharLength(Bytes, i);
    if (C == '"' || C == '\\') {
      Text += std::string("\\") + C;
    } else if (C == '\n' || C == '\r' || C == '\t') {
      Text += C == '\n' ? "\\n" : C == '\r' ? "\\r" : "\\t";
    } else if (N == 0) {
      Text += "\\x" + Hex2(static_cast<uint8_t>(C));
    } else {
      Text += Bytes.substr(i, N);
      i += N;
      continue;
    }
    ++i;
  }
  std::string Shown;
  if (!toolplatform::ToConsoleText(Text, Shown)) {
    // A double-byte pair that the console cannot show: escape everything beyond ASCII.
    Shown.clear();
    for (char C : Text) Shown += static_cast<uint8_t>(C) < 0x80 ? std::string(1, C) : "\\x" + Hex2(static_cast<uint8_t>(C));
  }
  return "\"" + Shown + "\"" + (i < Bytes.size() ? "..." : "");
}

// Data as quoted text when all of it reads as text, else its first bytes in hex.
std::string Preview(const std::string& Data) {
  constexpr std::size_t kTextBytes = 48, kHexBytes = 16;
  bool Text = true;
  for (std::size_t i = 0; i < Data.size() && Text;) {
    const char C = Data[i];
    const std::size_t N = (C == '\n' || C == '\r' || C == '\t') ? 1 : TextCharLength(Data, i);
    Text = N != 0;
    i += N;
  }
  if (Text) return Quoted(Data, kTextBytes);
  std::string Hex;
  for (std::size_t i = 0; i < Data.size() && i < kHexBytes; ++i) Hex += (i ? " " : "") + Hex2(static_cast<uint8_t>(Data[i]));
  return "hex " + Hex + (Data.size() > kHexBytes ? " ..." : "");
}

std::string Bytes(int64_t N) { return std::to_string(N) + (N == 1 ? " byte" : " bytes"); }

// ---- writing ----

// Removes the temporary file on the way out unless it became OUT.
class TTempFile {
 public:
  explicit TTempFile(std::string Path) : Path_(std::move(Path)) {}
  ~TTempFile() {
    if (!Path_.empty()) toolplatform::RemoveFile(Path_);
  }
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;
  const std::string& Path() const { return Path_; }
  void Kept() { Path_.clear(); }

 private:
  std::string Path_;
};

// OUT may not be IN unless the command line says --in-place.
void CheckNotInPlace(const std::string& In, const std::string& Out, bool InPlace) {
  if (!InPlace && toolplatform::SameFile(In, Out))
    Refuse(Out + " is the input file " + In + ": give --in-place to replace it");
}

// Writes Bytes to Out through a temporary file beside it; Check runs on the temporary file
// before it takes Out's place.
template <typename TCheck>
void WriteThroughTemp(const std::string& Out, const std::string& Bytes, TCheck Check) {
  std::string TempName;
  try {
    TempName = toolplatform::WriteTempBeside(Out, Bytes);
  } catch (const EWriteError& E) {
    Refuse(E.what());
  }
  TTempFile Temp(TempName);
  Check(Temp.Path());
  try {
    toolplatform::ReplaceWith(Temp.Path(), Out);
  } catch (const EWriteError& E) {
    Refuse(E.what());
  }
  Temp.Kept();
}

// IN with a block of Items, written to Out and read back; returns where the block lies. Note
// gets what the builder has to know about signing: a signature removed, signing next.
TFileWithBlock AddAndWrite(const std::string& In, const std::string& Out, const TNewItems& Items,
                           const TAddOptions& Options, const TCommandLine& Line, std::string& Note) {
  if (!toolplatform::IsFile(In)) Refuse("cannot read " + In + ": no such file");
  CheckNotInPlace(In, Out, Line.Has("--in-place"));
  toolsigning::TInput Input;
  TFileWithBlock File;
  try {
    Input = toolsigning::PrepareInput(In, LoadFileBytes(In), Line.Has("--unsign"));
    File = BytesWithBlock(Input.Bytes, Items, Options);
  } catch (const toolsigning::ESignedInput& E) {
    Refuse(E.what());
  } catch (const EBlockPresent& E) {
    Refuse(In + ": " + E.what() + " (--replace replaces it)");
  } catch (const EBlockWriteError& E) {
    Refuse(In + ": " + E.what());
  } catch (const EFOpenError& E) {
    Refuse(E.what());
  }
  File.Bytes = toolsigning::Finish(Input, std::move(File.Bytes));
  WriteThroughTemp(Out, File.Bytes, [&](const std::string& Temp) {
    try {
      CheckReadsBack(Temp, Items, File.BlockStart);
    } catch (const EBlockWriteError& E) {
      Refuse(Out + " not written: " + E.what());
    }
  });
  Note = toolsigning::RemovedLine(In, Input);
  if (Options.Placement == TBlockPlacement::BehindImage || !Input.Removed.empty()) {
    TBlockPlace Block;
    Block.Found = true;
    Block.Start = File.BlockStart;
    Block.End = File.BlockStart + File.BlockLength;
    Note += toolsigning::NextStepLine(Out, File.Bytes, &Block);
  }
  return File;
}

std::string Placement(const TFileWithBlock& File) {
  const int64_t Behind = static_cast<int64_t>(File.Bytes.size()) - File.BlockStart - File.BlockLength;
  return "block of " + Bytes(File.BlockLength) + " at offset " + std::to_string(File.BlockStart) +
         (Behind > 0 ? ", " + Bytes(Behind) + " of other data behind it" : "");
}

// The output file, or IN itself with --in-place and no OUT.
std::string OutputOf(const TCommandLine& Line, const char* Command) {
  const std::size_t N = Line.Positional.size();
  if (N == 2) return Line.Positional[1];
  if (N == 1 && Line.Has("--in-place")) return Line.Positional[0];
  Usage(std::string(Command) + " needs IN and OUT");
}

// ---- commands ----

std::string CmdAdd(const std::vector<std::string>& Args) {
  const TCommandLine Line =
      Parse(Args, {"--key", "--trailer"}, {"--behind-image", "--replace", "--in-place", "--unsign"}, true);
  const std::string Out = OutputOf(Line, "add");
  const std::string& In = Line.Positional[0];
  if (Line.Items.empty()) Usage("add needs at least one item (--text, --file, --ztext, --zfile)");
  TAddOptions Options;
  if (Line.Values.count("--key")) Options.Key = ParseKey(Line.Value("--key"));
  Options.Replace = Line.Has("--replace");
  if (Line.Has("--behind-image")) Options.Placement = TBlockPlacement::BehindImage;
  if (Line.Values.count("--trailer")) {
    if (!Line.Has("--behind-image")) Usage("--trailer goes with --behind-image");
    Options.Trailer = ReadFileOrRefuse(Line.Value("--trailer"), "cannot read the trailer");
  }
  const TNewItems Items = ReadItems(Line.Items);
  // The uninstaller takes the first item of exactly that name; an empty one means no check.
  const auto Guid = std::find_if(Items.begin(), Items.end(), [](const TNewItem& I) { return I.Name == "GUID"; });
  if (Guid != Items.end() && !Guid->Data.empty()) {
    const std::string Why = MutexNameRefusal(Guid->Data);
    if (!Why.empty()) Refuse("item \"GUID\": " + Why);
  }
  std::string Note;
  const TFileWithBlock File = AddAndWrite(In, Out, Items, Options, Line, Note);
  return "wrote " + Out + ": " + std::to_string(Items.size()) + (Items.size() == 1 ? " item, " : " items, ") +
         Placement(File) + "\n" + Note;
}

std::string CmdStamp(const std::vector<std::string>& Args) {
  const TCommandLine Line =
      Parse(Args, {"--product", "--mutex", "--out", "--install-dir"}, {"--for-signing", "--replace", "--in-place", "--unsign"},
            false);
  if (Line.Positional.size() != 1) Usage("stamp needs one UNINST");
  if (!Line.Values.count("--product")) Usage("stamp needs --product NAME");
  if (!Line.Values.count("--mutex")) Usage("stamp needs --mutex MUTEX");
  const std::string In = Line.Positional[0];
  const std::string Product = Line.Value("--product");
  const std::string Mutex = Line.Value("--mutex");

  const std::string FileName = Product + "Uninst.exe";
  if (Product.empty()) Refuse("the product name is empty");
  for (std::size_t i = 0; i < Product.size(); ++i) {
    const uint8_t B = static_cast<uint8_t>(Product[i]);
    // The second byte of a double-byte character is part of that character.
    if (mbcs::IsLeadByte(B) && i + 1 < Product.size()) {
      ++i;
      continue;
    }
    if (B < 0x20 || std::string("\\/:*?\"<>|").find(static_cast<char>(B)) != std::string::npos)
      Refuse("the product name " + Quoted(Product) + " holds a character that a file name cannot");
  }
  // The uninstaller takes its product name from its own file name, up to the first "Uninst".
  const std::string Derived = productname::ProductNameFromExePath(FileName);
  if (Derived != Product)
    Refuse("the uninstaller " + FileName + " would take its product name as " + Quoted(Derived) +
           " (the part before the first \"Uninst\"), not " + Quoted(Product));
  if (Mutex.empty()) Refuse("the mutex name is empty: the uninstaller would not check whether the screen saver runs");
  const std::string MutexRefused = MutexNameRefusal(Mutex);
  if (!MutexRefused.empty()) Refuse(MutexRefused);

  std::string Out = FileName;
  if (Line.Values.count("--out")) {
    std::string Dir = Line.Value("--out");
    if (!Dir.empty() && Dir.back() != toolplatform::kPathDelimiter && Dir.back() != '/')
      Dir += toolplatform::kPathDelimiter;
    Out = Dir + FileName;
  }
  const TNewItems Items = {{"GUID", Mutex, true}};
  TAddOptions Options;
  Options.Replace = Line.Has("--replace");
  if (Line.Has("--for-signing")) Options.Placement = TBlockPlacement::BehindImage;
  std::string Note;
  const TFileWithBlock File = AddAndWrite(In, Out, Items, Options, Line, Note);

  std::string Folder = Line.Value("--install-dir", "<install folder>");
  while (files::EndsWithDelimiter(Folder)) Folder.pop_back();
  const std::string Installed = "\"" + Folder + "\\" + FileName + "\"";
  std::string Key = productname::UninstallKeyPath(Product);
  Key.pop_back();
  return "wrote " + Out + ": item \"GUID\" = " + Quoted(Mutex) + ", " + Placement(File) + "\n" +
         "values of HKEY_LOCAL_MACHINE\\" + Key + "\n" +
         "  UninstallString       " + Installed + "\n" +
         "  QuietUninstallString  " + Installed + " /S\n" +
         "  DisplayName           " + Product + kScreenSaverWord + "\n" + Note;
}

std::string CmdList(const std::vector<std::string>& Args) {
  const TCommandLine Line = Parse(Args, {}, {}, false);
  if (Line.Positional.size() != 1) Usage("list needs one FILE");
  const std::string& Path = Line.Positional[0];
  if (!toolplatform::IsFile(Path)) Refuse("cannot read " + Path + ": no such file");

  TItemTypes Items;
  TBlockInfo Info;
  try {
    ReadAppendedItems(Path, Items, &Info);
  } catch (const std::exception& E) {
    // The uninstaller would show this message.
    Refuse(Path + ": " + E.what());
  }
  const TBlockPlace& P = Info.Place;
  if (!P.Found) Refuse(Path + ": carries no block that the uninstaller finds");

  std::string Text = Path + ": block of " + Bytes(P.End - P.Start) + " at offset " + std::to_string(P.Start) +
                     (P.AtEnd() ? ", at the end of the file"
                                : ", found behind the image, " + Bytes(P.FileSize - P.End) + " of other data behind it") +
                     "\n";
  Text += "key " + HexNumber(Info.Key) + " (names scrambled with 0x" + Hex2(static_cast<uint8_t>(Info.Key)) + "), " +
          std::to_string(Items.size()) + (Items.size() == 1 ? " item\n" : " items\n");
  for (std::size_t i = 0; i < Items.size(); ++i) {
    const TItemType& Item = Items[i];
    const std::string Data =
        Item.Data && Item.Size > 0 ? std::string(static_cast<const char*>(Item.Data), static_cast<std::size_t>(Item.Size))
                                   : std::string();
    Text += "  " + std::to_string(i + 1) + ". " + Quoted(Item.Name) + "  " +
            (Item.Compressed ? "compressed, " + Bytes(Info.DataLengths[i]) + " stored, " + Bytes(Item.Size) + " inflated"
                             : "plain, " + Bytes(Item.Size) + (Item.Size < 0 ? " (no data)" : "")) +
            (Data.empty() ? "" : "  " + Preview(Data)) + "\n";
  }
  const TItemType* Guid = FindAppendedItem(Items, "GUID");
  if (!Guid)
    Text += "no item \"GUID\": the uninstaller will not check whether the screen saver runs\n";
  else if (Guid->Size <= 0 || !Guid->Data)
    Text += "the first item \"GUID\" is empty: the uninstaller will not check whether the screen saver runs\n";
  else
    Text += "the uninstaller checks the mutex named by item " + std::to_string(Guid - &Items[0] + 1) + " \"GUID\"\n";
  try {
    Text += toolsigning::SignatureLine(LoadFileBytes(Path), P);
  } catch (const EFOpenError& E) {
    Text += std::string("Authenticode signature not examined: ") + E.what() + "\n";
  }
  return Text;
}

std::string CmdStrip(const std::vector<std::string>& Args) {
  const TCommandLine Line = Parse(Args, {}, {"--in-place", "--unsign"}, false);
  const std::string Out = OutputOf(Line, "strip");
  const std::string& In = Line.Positional[0];
  if (!toolplatform::IsFile(In)) Refuse("cannot read " + In + ": no such file");
  CheckNotInPlace(In, Out, Line.Has("--in-place"));
  toolsigning::TInput Input;
  std::string Stripped;
  try {
    Input = toolsigning::PrepareInput(In, LoadFileBytes(In), Line.Has("--unsign"));
    Stripped = toolsigning::Finish(Input, BytesWithoutBlock(Input.Bytes));
  } catch (const toolsigning::ESignedInput& E) {
    Refuse(E.what());
  } catch (const EBlockWriteError& E) {
    Refuse(In + ": " + E.what());
  } catch (const EFOpenError& E) {
    Refuse(E.what());
  }
  std::string Note;
  WriteThroughTemp(Out, Stripped, [&](const std::string& Temp) {
    try {
      const TBlockPlace Left = LocateAppendedBlock(Temp);
      if (Left.Found) Note = "the uninstaller still finds a block, at offset " + std::to_string(Left.Start) + "\n";
    } catch (const EImageBlockException&) {
      // No signature at the end and no image: no block, as wanted.
    }
  });
  if (!Input.Removed.empty()) Note += toolsigning::RemovedLine(In, Input) + toolsigning::NextStepLine(Out, Stripped, nullptr);
  return "wrote " + Out + ": " + Bytes(static_cast<int64_t>(Stripped.size())) + ", without the block\n" + Note;
}

}  // namespace

TToolResult RunExeAdder(const std::vector<std::string>& Args) {
  TToolResult Result;
  try {
    if (Args.empty()) Usage("no command");
    const std::string& Command = Args[0];
    const std::vector<std::string> Rest(Args.begin() + 1, Args.end());
    if (Command == "--help" || Command == "-h" || Command == "help") {
      Result.Out = kUsage;
    } else if (Command == "stamp") {
      Result.Out = CmdStamp(Rest);
    } else if (Command == "add") {
      Result.Out = CmdAdd(Rest);
    } else if (Command == "list") {
      Result.Out = CmdList(Rest);
    } else if (Command == "strip") {
      Result.Out = CmdStrip(Rest);
    } else {
      Usage("unknown command " + Command);
    }
  } catch (const THelpWanted&) {
    Result.Out = kUsage;
  } catch (const TRefusal& R) {
    Result.ExitCode = R.ExitCode;
    Result.Out.clear();
    Result.Err = "exeadder: " + R.Message + "\n";
  } catch (const std::exception& E) {
    Result.ExitCode = kExitRefused;
    Result.Out.clear();
    Result.Err = std::string("exeadder: ") + E.what() + "\n";
  }
  // One line, whatever the message held.
  for (std::size_t i = 0; i + 1 < Result.Err.size(); ++i)
    if (Result.Err[i] == '\n' || Result.Err[i] == '\r') Result.Err[i] = ' ';
  return Result;
}

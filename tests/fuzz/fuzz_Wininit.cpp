// The WININIT.INI rewrite over arbitrary file contents. Input: the path to schedule up to the
// first line break, then the file. Properties of the result, checked in one walk over the file's
// lines and the result: every line outside the rename sections in its place and order; then one
// rename header; then every entry of the old sections, as often as before and in file order, and
// the new entry last; nothing else. The lines hold no line break, so reading the result again
// gives these lines, and the only rename header in it is the one written.
// The result does not depend on which old sections the profile erase removed before the rewrite:
// the file without them is itself an input, checked in the same way.
#include <cstdint>
#include <cstring>
#include <string>

#include "FuzzHarness.h"
#include "support/WininitText.h"
#include "system/uWininit.h"

namespace {

using fuzzsupport::Check;
using wininit::TLines;

const wininit::TSameText kSame = testsupport::SameTextAscii;

UNINST_FUZZ_HARNESS bool IsBlank(char C) { return static_cast<unsigned char>(C) <= 0x20; }

UNINST_FUZZ_HARNESS bool IsBlankLine(const std::string& Line) {
  for (const char C : Line)
    if (!IsBlank(C)) return false;
  return true;
}

// Code page 932 lead bytes, as the native build knows them.
UNINST_FUZZ_HARNESS bool IsLead(char C) {
  const unsigned char B = static_cast<unsigned char>(C);
  return (B >= 0x81 && B <= 0x9F) || (B >= 0xE0 && B <= 0xFC);
}

// The oracle's own reading of a line: a header when, blanks trimmed, it opens with "[" and has a
// "]" that starts a character; the name runs up to the last such "]". Is it "rename", in any case?
enum class THeader { None, Other, Rename };
UNINST_FUZZ_HARNESS THeader ReadHeader(const std::string& Line) {
  std::size_t First = 0, End = Line.size();
  while (First < End && IsBlank(Line[First])) ++First;
  while (End > First && IsBlank(Line[End - 1])) --End;
  if (First == End || Line[First] != '[') return THeader::None;
  std::size_t Close = 0;
  for (std::size_t i = First + 1; i < End; ++i) {
    if (IsLead(Line[i]) && i + 1 < End)
      ++i;
    else if (Line[i] == ']')
      Close = i;
  }
  if (Close == 0) return THeader::None;
  static const char kRename[] = "rename";
  if (Close - First - 1 != 6) return THeader::Other;
  for (std::size_t i = 0; i < 6; ++i) {
    const char C = Line[First + 1 + i];
    if (C != kRename[i] && C != kRename[i] - 'a' + 'A') return THeader::Other;
  }
  return THeader::Rename;
}

// Result must be Line and CR LF at At; At moves past them.
UNINST_FUZZ_HARNESS void ExpectLine(const std::string& Result, std::size_t& At, const std::string& Line) {
  Check(Result.size() - At >= Line.size() + 2 && Result.compare(At, Line.size(), Line) == 0 &&
        Result[At + Line.size()] == '\r' && Result[At + Line.size() + 1] == '\n');
  At += Line.size() + 2;
}

UNINST_FUZZ_HARNESS void CheckRewrite(const TLines& Before, const TLines& Entries, const std::string& Result) {
  std::size_t At = 0;      // in Result
  std::size_t Entry = 0;   // the next old entry expected in a rename section
  bool InRename = false;
  for (const std::string& Line : Before) {
    Check(std::memchr(Line.data(), '\r', Line.size()) == nullptr && std::memchr(Line.data(), '\n', Line.size()) == nullptr);
    const THeader Header = ReadHeader(Line);
    if (Header != THeader::None) {
      InRename = Header == THeader::Rename;
      if (InRename) continue;
    }
    if (!InRename) {
      ExpectLine(Result, At, Line);
    } else if (!IsBlankLine(Line)) {
      Check(Entry + 1 < Entries.size() && Entries[Entry] == Line);
      ++Entry;
    }
  }
  Check(Entry + 1 == Entries.size());
  ExpectLine(Result, At, "[rename]");
  for (const std::string& Line : Entries) ExpectLine(Result, At, Line);
  Check(At == Result.size());
}

UNINST_FUZZ_HARNESS std::size_t FirstLineBreak(const char* Text, std::size_t Size) {
  std::size_t Break = 0;
  while (Break < Size && Text[Break] != '\r' && Text[Break] != '\n') ++Break;
  return Break;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const char* const Text = reinterpret_cast<const char*>(Data);
  const std::size_t Break = FirstLineBreak(Text, Size);
  const std::string Path(Text, Break);
  const std::string File = Break < Size ? std::string(Text + Break + 1, Size - Break - 1) : std::string();

  const TLines Before = wininit::SplitLines(File);
  TLines Entries = wininit::CollectRenameEntries(Before, kSame);
  Entries.push_back(wininit::DeleteEntry(Path));
  const std::string Result = wininit::BuildWininitContent(Before, Entries, kSame);
  CheckRewrite(Before, Entries, Result);
  return 0;
}

// The WININIT.INI rewrite over arbitrary file contents. Input: the path to schedule up to the
// first line break, then the file. Properties of the result: one rename section, the file's last;
// in it every entry of the old sections, as often as before and in file order, then the new one;
// every other line in its place; and the same result whichever old sections the profile erase
// removed before the rewrite.
#include <algorithm>
#include <cstdint>
#include <string>

#include "support/WininitText.h"
#include "system/uWininit.h"

namespace {

using wininit::TLines;

const wininit::TSameText kSame = testsupport::SameTextAscii;

void Check(bool Holds) {
  if (!Holds) __builtin_trap();
}

// The lines as the profile erase leaves them when it removes only the first rename section.
TLines WithoutFirstRenameSection(const TLines& Lines) {
  TLines Kept;
  bool Erasing = false, Erased = false;
  for (const std::string& Line : Lines) {
    std::string Name;
    if (wininit::ParseSectionHeader(Line, &Name)) {
      Erasing = !Erased && kSame(Name, "rename");
      Erased = Erased || Erasing;
    }
    if (!Erasing) Kept.push_back(Line);
  }
  return Kept;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string Input(reinterpret_cast<const char*>(Data), Size);
  const std::size_t Break = Input.find_first_of("\r\n");
  const std::string Path = Input.substr(0, Break);
  const std::string File = Break == std::string::npos ? std::string() : Input.substr(Break + 1);

  const TLines Before = wininit::SplitLines(File);
  for (const std::string& Line : Before) Check(Line.find_first_of("\r\n") == std::string::npos);
  const TLines Old = wininit::CollectRenameEntries(Before, kSame);
  TLines Entries = Old;
  Entries.push_back(wininit::DeleteEntry(Path));

  const std::string Result = wininit::BuildWininitContent(Before, Entries, kSame);
  Check(Result == wininit::BuildWininitContent(WithoutFirstRenameSection(Before), Entries, kSame));
  Check(Result.size() >= 2 && Result.compare(Result.size() - 2, 2, "\r\n") == 0);

  // One rename header followed by exactly the entries, and no other header after it (an entry
  // read as a header would either add a rename header or end the collection early).
  const TLines After = wininit::SplitLines(Result);
  std::size_t Header = After.size(), Headers = 0;
  for (std::size_t i = 0; i < After.size(); ++i) {
    if (testsupport::IsRenameHeader(After[i], kSame)) {
      ++Headers;
      Header = i;
    }
  }
  Check(Headers == 1);
  Check(After.size() - Header - 1 == Entries.size() &&
        std::equal(Entries.begin(), Entries.end(), After.begin() + static_cast<std::ptrdiff_t>(Header) + 1));
  Check(wininit::CollectRenameEntries(After, kSame) == Entries);

  // Before the header: the file's lines outside rename sections, in their order.
  std::size_t Next = 0;
  bool InRename = false;
  for (const std::string& Line : Before) {
    std::string Name;
    if (wininit::ParseSectionHeader(Line, &Name)) InRename = kSame(Name, "rename");
    if (InRename) continue;
    Check(Next < Header && After[Next] == Line);
    ++Next;
  }
  Check(Next == Header);
  return 0;
}

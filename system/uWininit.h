// The text side of scheduling deletions through WININIT.INI (Windows 95/98/Me): finding the
// "[rename]" sections among the file's lines, carrying their entries over and building the new
// content. Pure functions over code page 932 byte strings; the file and profile calls live in
// uRestartDelete_win.cpp.
#pragma once
#include <functional>
#include <string>
#include <vector>

namespace wininit {

using TLines = std::vector<std::string>;

// Case-insensitive comparison of two texts; Windows passes one that follows the user locale.
using TSameText = std::function<bool(const std::string&, const std::string&)>;

// Splits file content into lines ending at CR, LF or CR LF. A final line break adds no empty line.
TLines SplitLines(const std::string& content);

// Joins lines with CR LF after every line, the last included.
std::string JoinLines(const TLines& lines);

// Reads the line as the system's profile functions do: after trimming, a header is "[" followed
// by the section name up to the last "]". A line that opens with "[" but has no "]" after it is
// no header and belongs to the section it stands in. True for a header; name receives its name.
bool ParseSectionHeader(const std::string& line, std::string* name);

// The entries of every "rename" section, in file order: each non-blank line after such a
// header up to the next header, unchanged (leading blanks kept). Every section that the profile
// functions may erase is carried over, so no scheduled entry is lost with it.
TLines CollectRenameEntries(const TLines& lines, const TSameText& sameText);

// The lines outside every "rename" section, in their order: each such header goes, with the
// lines up to the next header.
TLines WithoutRenameSections(const TLines& lines, const TSameText& sameText);

// The WININIT.INI line that deletes path at the next start.
std::string DeleteEntry(const std::string& path);

// The new file content: the file's current lines without any "rename" section, then "[rename]"
// and the entries, CR LF after every line. The restart carries out only the first "rename"
// section, so a second one left anywhere would never run; and since every section's entries
// were collected, one left standing would also be written twice. Dropping them all here makes
// the result independent of how many sections the profile erase removed.
std::string BuildWininitContent(const TLines& currentLines, const TLines& entries,
                                const TSameText& sameText);

}  // namespace wininit

// DequoteString over arbitrary code page 932 bytes, with the first input byte choosing the quote
// ('"', "'" or "\", the last also a possible second byte of a double-byte character).
// Properties: a text that does not open with the quote comes back unchanged; otherwise the result
// is the quoted part, which quoted again (each quote doubled) is what follows the opening quote,
// up to a closing quote or the end; or, when that part is empty, the text itself.
#include <cstdint>
#include <string>

#include "system/uMbcs.h"
#include "system/uRegistry.h"

namespace {

void Check(bool Holds) {
  if (!Holds) __builtin_trap();
}

// Text with each quote that starts a character doubled.
std::string QuoteAgain(const std::string& Text, char Quote) {
  std::string Out;
  for (std::size_t i = 0; i < Text.size(); ++i) {
    if (mbcs::IsLeadByte(static_cast<unsigned char>(Text[i])) && i + 1 < Text.size()) {
      Out.append(Text, i, 2);
      ++i;
      continue;
    }
    if (Text[i] == Quote) Out += Quote;
    Out += Text[i];
  }
  return Out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size == 0) return 0;
  const char Quote = "\"'\\"[Data[0] % 3];
  const std::string Text(reinterpret_cast<const char*>(Data) + 1, Size - 1);
  const std::string Result = registry::DequoteString(Text, Quote);

  if (Text.empty() || Text[0] != Quote) {
    Check(Result == Text);
    return 0;
  }
  if (Result == Text) {
    // Nothing quoted: the quote alone, or closed at once.
    Check(Text.size() == 1 || Text[1] == Quote);
    Check(Text.size() <= 2 || Text[1] != Quote || Text[2] != Quote);
    return 0;
  }
  Check(!Result.empty());
  const std::string Quoted = QuoteAgain(Result, Quote);
  Check(Text.compare(1, Quoted.size(), Quoted) == 0);
  const std::size_t End = 1 + Quoted.size();
  // The end of the text, or a closing quote that is not doubled.
  Check(End == Text.size() || (Text[End] == Quote && (End + 1 == Text.size() || Text[End + 1] != Quote)));
  return 0;
}

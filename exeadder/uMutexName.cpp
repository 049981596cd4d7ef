#include "exeadder/uMutexName.h"

#include "system/uMbcs.h"

namespace mutexname {
namespace {

constexpr std::size_t kLongestName = 259;
const char kConsequence[] = ": the uninstaller would take the screen saver for running on every run";

// The first backslash byte that is not the second byte of a double-byte character; npos if none.
std::size_t FirstBackslash(const std::string& text, std::size_t from) {
  for (std::size_t i = from; i < text.size(); ++i) {
    if (mbcs::IsLeadByte(static_cast<unsigned char>(text[i]))) {
      ++i;
      continue;
    }
    if (text[i] == '\\') return i;
  }
  return std::string::npos;
}

}  // namespace

std::string MutexNameRefusal(const std::string& name) {
  if (name.find('\0') != std::string::npos) {
    return "the mutex name holds a NUL byte: the uninstaller would check a mutex of another name";
  }
  if (name.size() > kLongestName) {
    return "the mutex name is " + std::to_string(name.size()) + " bytes long, CreateMutexA takes at most " +
           std::to_string(kLongestName) + kConsequence;
  }
  // The object namespaces; the prefixes are case-sensitive.
  std::size_t rest = 0;
  for (const std::string prefix : {"Global\\", "Local\\"}) {
    if (name.compare(0, prefix.size(), prefix) == 0) rest = prefix.size();
  }
  if (rest != 0 && rest == name.size()) {
    return "the mutex name names the namespace " + name.substr(0, rest - 1) + " but no mutex in it" + kConsequence;
  }
  if (FirstBackslash(name, rest) != std::string::npos) {
    return "the mutex name holds a backslash other than the one after \"Global\" or \"Local\", which "
           "CreateMutexA refuses" + std::string(kConsequence);
  }
  return std::string();
}

}  // namespace mutexname

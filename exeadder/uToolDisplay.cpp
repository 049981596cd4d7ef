#include "exeadder/uToolDisplay.h"

#include "exeadder/uToolPlatform.h"
#include "system/uMbcs.h"

namespace tooldisplay {
namespace {

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

}  // namespace

std::string Hex2(uint8_t byte) {
  static const char kDigits[] = "0123456789ABCDEF";
  return std::string{kDigits[byte >> 4], kDigits[byte & 15]};
}

std::string HexNumber(uint32_t value) {
  std::string text = "0x";
  for (int shift = 24; shift >= 0; shift -= 8) text += Hex2(static_cast<uint8_t>(value >> shift));
  return text;
}

std::string ConsoleText(const std::string& cp932) {
  std::string shown;
  if (toolplatform::ToConsoleText(cp932, shown)) return shown;
  // A double-byte pair that the console cannot show: escape everything beyond ASCII.
  shown.clear();
  for (char c : cp932) shown += static_cast<uint8_t>(c) < 0x80 ? std::string(1, c) : "\\x" + Hex2(static_cast<uint8_t>(c));
  return shown;
}

std::string Quoted(const std::string& bytes, std::size_t max) {
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
  return "\"" + ConsoleText(text) + "\"" + (i < bytes.size() ? "..." : "");
}

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

std::string ByteCount(int64_t count) { return std::to_string(count) + (count == 1 ? " byte" : " bytes"); }

}  // namespace tooldisplay

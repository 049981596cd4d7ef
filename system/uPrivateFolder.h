// Names of the folders the program makes for its temporary copy inside the temporary folder.
#pragma once
#include <cstdint>
#include <string>

namespace privatefolder {

// "KorvaneUninst-" and eight upper-case hexadecimal digits of the number.
std::string PrivateFolderName(std::uint32_t number);
// Whether name has exactly that form.
bool IsPrivateFolderName(const std::string& name);
// The next number to try after a name was taken: every 32-bit number comes once in 2^32 steps,
// and neighbouring seeds give far-apart names.
std::uint32_t NextFolderNumber(std::uint32_t number);

}  // namespace privatefolder

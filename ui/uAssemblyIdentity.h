// What the program reads from an encoded assembly identity, the text by which an activation
// context names the assembly it binds a library to.
#pragma once
#include <cstddef>

namespace ui {

// The major number of the identity's version="..." attribute (length in characters, which bounds
// the search); 0 when it has none or identity is null.
unsigned long MajorVersionOfIdentity(const wchar_t* identity, std::size_t length);

}  // namespace ui

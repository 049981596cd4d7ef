// What an uninstaller's file name says about the product it removes, and where that product's
// uninstall entry lies: the rules that the program and the builder's tool share.
#pragma once
#include <string>

namespace productname {

// The key under HKEY_LOCAL_MACHINE that holds every program's uninstall entry, with its "\".
extern const char kUninstallRootKeyPath[];

// The part of the executable's file name before its first "Uninst" (any case, found on a
// character boundary), letters as written: "C:\x\fooUNINST.EXE" gives "foo". Empty when the
// name has no "Uninst" or begins with it.
std::string ProductNameFromExePath(const std::string& exePath);

// kUninstallRootKeyPath + product name + "\". With an empty product name this would name the
// Uninstall key itself, so callers must not build one from an empty name.
std::string UninstallKeyPath(const std::string& productName);

}  // namespace productname

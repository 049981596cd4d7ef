// A sample installed screen saver, laid out as the product's installer leaves it: the three
// files in a folder under Program Files and the uninstall entry under HKLM, plus an unrelated
// entry beside it that an uninstall must never touch. Scenarios install one, act, inspect and
// remove it; every path and text here is code page 932 bytes.
#pragma once
#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "appended/uBlockWriter.h"

namespace testsupport {

constexpr const char* kUninstallRoot = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// How much of the uninstall entry exists.
enum class TEntryKind {
  Full,                  // key with a quoted (or bare) UninstallString and a subkey tree
  Missing,               // no key at all
  NoUninstallString,     // key with other values but without UninstallString
  EmptyUninstallString,  // UninstallString = ""
};

struct TSampleOptions {
  // May be empty (with folderName and uninstallerName set): then no entry is created or removed,
  // since the entry's path would be the Uninstall key itself; the sibling still is.
  std::string product = "Sample";
  // Folder under Program Files; empty means the product name.
  std::string folderName;
  // File name of the installed uninstaller; empty means product + "Uninst.exe".
  std::string uninstallerName;
  bool scr = true;
  bool txt = true;
  bool uninstaller = true;
  TEntryKind entry = TEntryKind::Full;
  bool quoteUninstallString = true;
  bool subkeys = true;  // "<entry>\Components\Nested", each with a value
  bool sibling = true;  // an unrelated entry named after the folder + "Plus"
  // The program copied as <product>Uninst.exe; empty means the built Uninst.exe.
  std::string uninstallerSource;
  // When set, the installed uninstaller gets the product builder's appended block with one
  // compressed "GUID" item holding this mutex name.
  std::string guid;
  // When set (instead of guid), the block holds these items, written as blockOptions say.
  std::optional<blockwriter::TNewItems> items;
  blockwriter::TAddOptions blockOptions;
  // Raw bytes appended to the installed uninstaller after the copy (and after the GUID block):
  // odd or hostile blocks, other data behind a block.
  std::string appendedBlock;
};

// The options of a sample named so: the product, its folder and its uninstaller's file name (empty:
// the defaults above); everything else as by default.
TSampleOptions SampleNamed(const std::string& product, const std::string& folderName = std::string(),
                           const std::string& uninstallerName = std::string());

struct TSample {
  TSampleOptions options;
  std::string folder;           // with its trailing "\"
  std::string scrPath;          // folder + product + ".scr"
  std::string txtPath;          // folder + product + ".txt"
  std::string uninstallerPath;  // folder + uninstaller name
  std::string keyPath;          // kUninstallRoot + "\" + product (under HKLM, no trailing "\");
                                // empty for an empty product name
  std::string siblingKeyPath;   // kUninstallRoot + "\" + folder name + "Plus"
  // The UninstallString value as the installer writes it.
  std::string UninstallString() const;
};

// Where everything of the sample goes; changes nothing. Throws std::runtime_error when the
// folder would be Program Files itself.
TSample SampleLayout(const TSampleOptions& options);
// Removes any earlier sample of the same layout, then creates the one the options describe.
// Throws std::runtime_error naming what could not be created.
TSample InstallSample(const TSampleOptions& options);
// Removes the sample's files, its folder and both registry entries. Safe when parts are gone.
void RemoveSample(const TSample& sample);

// A sample installed for the life of the owner (InstallSample, then RemoveSample).
class TInstalledSample {
 public:
  explicit TInstalledSample(const TSampleOptions& options) : sample_(InstallSample(options)) {}
  ~TInstalledSample() { RemoveSample(sample_); }
  TInstalledSample(const TInstalledSample&) = delete;
  TInstalledSample& operator=(const TInstalledSample&) = delete;
  const TSample& Sample() const { return sample_; }

 private:
  TSample sample_;
};

// The state an uninstall may change, for "nothing changed" and "only this changed" checks.
struct TSampleState {
  std::map<std::string, unsigned long long> files;  // full path -> size, in the sample folder
  std::map<std::string, std::string> registry;      // "key\value" -> type and data, both entries
  std::vector<std::string> uninstallEntries;        // names of every entry under kUninstallRoot
  bool operator==(const TSampleState& o) const {
    return files == o.files && registry == o.registry && uninstallEntries == o.uninstallEntries;
  }
  bool operator!=(const TSampleState& o) const { return !(*this == o); }
  // Readable listing (UTF-8) for failure messages.
  std::string Describe() const;
};
TSampleState CaptureState(const TSample& sample);

}  // namespace testsupport

#include "winsupport/uSample.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "appended/uStreamUtils.h"
#include "winsupport/uDriver.h"
#include "winsupport/uMachine.h"
#include "system/uHandles_win.h"
#include "system/uMbcs.h"

namespace testsupport {
namespace {

void Fail(const std::string& what, const std::string& path) {
  throw std::runtime_error(what + ": " + AnsiToUtf8(path) + " (error " + std::to_string(GetLastError()) + ")");
}

void Write(const std::string& path, const std::string& bytes, bool append) {
  if (!WriteFileBytes(path, bytes, append)) Fail("cannot write", path);
}

// A value of the sample under HKEY_LOCAL_MACHINE, its key made as needed.
void SetSampleString(const std::string& key, const std::string& name, const std::string& value, DWORD type = REG_SZ) {
  if (!SetString(HKEY_LOCAL_MACHINE, key, name, value, type)) Fail("cannot write " + name + " in", key);
}

void SetSampleDword(const std::string& key, const std::string& name, DWORD value) {
  if (!SetDword(HKEY_LOCAL_MACHINE, key, name, value)) Fail("cannot write " + name + " in", key);
}

void CaptureKey(HKEY root, const std::string& path, std::map<std::string, std::string>& out) {
  handles::TUniqueKey key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return;
  out[path + "\\"] = "(key)";
  for (DWORD i = 0;; ++i) {
    char name[16384];
    DWORD nameLen = sizeof name;
    DWORD type = 0;
    DWORD dataLen = 0;
    LONG rc = RegEnumValueA(key.get(), i, name, &nameLen, nullptr, &type, nullptr, &dataLen);
    if (rc != ERROR_SUCCESS) break;
    std::string data(dataLen, '\0');
    nameLen = sizeof name;
    rc = RegEnumValueA(key.get(), i, name, &nameLen, nullptr, &type,
                       reinterpret_cast<BYTE*>(&data[0]), &dataLen);
    if (rc != ERROR_SUCCESS) break;
    data.resize(dataLen);
    out[path + "\\" + std::string(name, nameLen)] = std::to_string(type) + ":" + data;
  }
  for (const std::string& sub : SubkeyNames(root, path)) CaptureKey(root, path + "\\" + sub, out);
}

// "type:data" as captured, shown as a reader of the registry would see it.
std::string DescribeValue(const std::string& captured) {
  const size_t colon = captured.find(':');
  if (colon == std::string::npos) return captured;
  const unsigned long type = std::strtoul(captured.substr(0, colon).c_str(), nullptr, 10);
  std::string data = captured.substr(colon + 1);
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    const bool terminated = !data.empty() && data.back() == '\0';
    if (terminated) data.pop_back();
    return std::string(type == REG_SZ ? "REG_SZ" : "REG_EXPAND_SZ") + " [" + AnsiToUtf8(data) + "]" +
           (terminated ? "" : " (no terminating zero)");
  }
  if (type == REG_DWORD && data.size() == 4) {
    DWORD v = 0;
    std::memcpy(&v, data.data(), 4);
    return "REG_DWORD " + std::to_string(v);
  }
  return "type " + std::to_string(type) + " " + EscapeBytes(data);
}

}  // namespace

std::string TSample::UninstallString() const {
  return options.quoteUninstallString ? "\"" + uninstallerPath + "\"" : uninstallerPath;
}

TSample SampleLayout(const TSampleOptions& options) {
  TSample s;
  s.options = options;
  const std::string folderName = options.folderName.empty() ? options.product : options.folderName;
  // One plain folder name: a reset removes that folder's whole tree.
  if (folderName.empty() || folderName == "." || folderName == ".." ||
      mbcs::LastDelimiter("\\/:", folderName) != std::string::npos)
    throw std::runtime_error("a sample needs a folder of its own under Program Files");
  s.folder = ProgramFilesFolder() + "\\" + folderName + "\\";
  s.scrPath = s.folder + options.product + ".scr";
  s.txtPath = s.folder + options.product + ".txt";
  s.uninstallerPath = s.folder + (options.uninstallerName.empty() ? options.product + "Uninst.exe" : options.uninstallerName);
  if (!options.product.empty()) s.keyPath = std::string(kUninstallRoot) + "\\" + options.product;
  s.siblingKeyPath = std::string(kUninstallRoot) + "\\" + folderName + "Plus";
  return s;
}

TSample InstallSample(const TSampleOptions& options) {
  TSample s = SampleLayout(options);
  const std::string folderName = options.folderName.empty() ? options.product : options.folderName;
  RemoveSample(s);

  if (!CreateDirectoryA(s.folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    Fail("cannot create folder", s.folder);
  if (options.scr) Write(s.scrPath, "MZ sample screen saver\r\n", false);
  if (options.txt) Write(s.txtPath, options.product + " readme\r\n", false);
  if (options.uninstaller) {
    const std::string source = options.uninstallerSource.empty() ? BuiltUninstallerPath() : options.uninstallerSource;
    if (!CopyFileA(source.c_str(), s.uninstallerPath.c_str(), FALSE)) Fail("cannot copy the uninstaller", source);
    std::optional<blockwriter::TNewItems> items = options.items;
    if (!items && !options.guid.empty()) items = blockwriter::TNewItems{{"GUID", options.guid, true}};
    // Made as the product's builder makes it: the copy read whole, the writer's block added.
    if (items) Write(s.uninstallerPath, blockwriter::BytesWithBlock(LoadFileBytes(s.uninstallerPath), *items, options.blockOptions).Bytes, false);
    if (!options.appendedBlock.empty()) Write(s.uninstallerPath, options.appendedBlock, true);
  }

  if (options.entry != TEntryKind::Missing && !s.keyPath.empty()) {
    SetSampleString(s.keyPath, "DisplayName", options.product + "スクリーンセーバー");
    SetSampleString(s.keyPath, "Publisher", "Brindlecove");
    SetSampleString(s.keyPath, "DisplayIcon", s.scrPath, REG_EXPAND_SZ);
    SetSampleDword(s.keyPath, "NoModify", 1);
    if (options.entry == TEntryKind::Full) SetSampleString(s.keyPath, "UninstallString", s.UninstallString());
    if (options.entry == TEntryKind::EmptyUninstallString) SetSampleString(s.keyPath, "UninstallString", "");
    if (options.subkeys) {
      SetSampleString(s.keyPath + "\\Components", "Screen saver", s.scrPath);
      SetSampleDword(s.keyPath + "\\Components\\Nested", "Count", 3);
    }
  }
  if (options.sibling) {
    SetSampleString(s.siblingKeyPath, "DisplayName", folderName + "Plus");
    SetSampleString(s.siblingKeyPath, "UninstallString", "\"" + s.folder + folderName + "PlusUninst.exe\"");
    SetSampleDword(s.siblingKeyPath + "\\Components", "Count", 1);
  }
  return s;
}

TSampleOptions SampleNamed(const std::string& product, const std::string& folderName,
                           const std::string& uninstallerName) {
  TSampleOptions options;
  options.product = product;
  options.folderName = folderName;
  options.uninstallerName = uninstallerName;
  return options;
}

void RemoveSample(const TSample& sample) {
  RemoveFolderTree(sample.folder);
  if (!sample.keyPath.empty()) DeleteKeyTree(HKEY_LOCAL_MACHINE, sample.keyPath);
  if (!sample.siblingKeyPath.empty()) DeleteKeyTree(HKEY_LOCAL_MACHINE, sample.siblingKeyPath);
}

TSampleState CaptureState(const TSample& sample) {
  TSampleState st;
  for (const WIN32_FIND_DATAA& entry : FindFiles(sample.folder + "*")) {
    st.files[sample.folder + entry.cFileName] =
        (static_cast<unsigned long long>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
  }
  if (!sample.keyPath.empty()) CaptureKey(HKEY_LOCAL_MACHINE, sample.keyPath, st.registry);
  if (!sample.siblingKeyPath.empty()) CaptureKey(HKEY_LOCAL_MACHINE, sample.siblingKeyPath, st.registry);
  st.uninstallEntries = SubkeyNames(HKEY_LOCAL_MACHINE, kUninstallRoot);
  std::sort(st.uninstallEntries.begin(), st.uninstallEntries.end());
  return st;
}

std::string TSampleState::Describe() const {
  std::string out = "files:\n";
  for (const auto& f : files) out += "  " + AnsiToUtf8(f.first) + " (" + std::to_string(f.second) + ")\n";
  out += "registry:\n";
  for (const auto& r : registry) out += "  " + AnsiToUtf8(r.first) + " = " + DescribeValue(r.second) + "\n";
  out += "uninstall entries:";
  for (const auto& e : uninstallEntries) out += " [" + AnsiToUtf8(e) + "]";
  return out + "\n";
}

}  // namespace testsupport

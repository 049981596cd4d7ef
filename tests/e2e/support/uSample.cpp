#include "support/uSample.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "support/uDriver.h"
#include "system/uHandles_win.h"
#include "system/uMbcs.h"

namespace e2e {
namespace {

void Fail(const std::string& what, const std::string& path) {
  throw std::runtime_error(what + ": " + Cp932ToUtf8(path) + " (error " + std::to_string(GetLastError()) + ")");
}

void WriteFileBytes(const std::string& path, const std::string& bytes, bool append) {
  handles::TUniqueFile f(CreateFileA(path.c_str(), append ? FILE_APPEND_DATA : GENERIC_WRITE, 0, nullptr,
                                     append ? OPEN_EXISTING : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) Fail("cannot write", path);
  DWORD written = 0;
  if (!bytes.empty() && (!WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
                         written != bytes.size()))
    Fail("short write", path);
}

handles::TUniqueKey CreateKey(const std::string& path) {
  handles::TUniqueKey key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                      nullptr, key.put(), nullptr) != ERROR_SUCCESS)
    Fail("cannot create key", path);
  return key;
}

void SetString(HKEY key, const std::string& name, const std::string& value, DWORD type = REG_SZ) {
  RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
}

void SetDword(HKEY key, const std::string& name, DWORD value) {
  RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
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
    return std::string(type == REG_SZ ? "REG_SZ" : "REG_EXPAND_SZ") + " [" + Cp932ToUtf8(data) + "]" +
           (terminated ? "" : " (no terminating zero)");
  }
  if (type == REG_DWORD && data.size() == 4) {
    DWORD v = 0;
    std::memcpy(&v, data.data(), 4);
    return "REG_DWORD " + std::to_string(v);
  }
  return "type " + std::to_string(type) + " " + EscapeBytes(data);
}

void RemoveFolderTree(const std::string& folder) {
  WIN32_FIND_DATAA fd;
  HANDLE find = FindFirstFileA((folder + "*").c_str(), &fd);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = fd.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = folder + name;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveFolderTree(path + "\\");
      } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(find, &fd));
    FindClose(find);
  }
  RemoveDirectoryA(folder.c_str());
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
  if (options.scr) WriteFileBytes(s.scrPath, "MZ sample screen saver\r\n", false);
  if (options.txt) WriteFileBytes(s.txtPath, options.product + " readme\r\n", false);
  if (options.uninstaller) {
    const std::string source = options.uninstallerSource.empty() ? BuiltUninstallerPath() : options.uninstallerSource;
    if (!CopyFileA(source.c_str(), s.uninstallerPath.c_str(), FALSE)) Fail("cannot copy the uninstaller", source);
    std::optional<TNewItems> items = options.items;
    if (!items && !options.guid.empty()) items = TNewItems{{"GUID", options.guid, true}};
    // Made as the product's builder makes it: with the writer, which reads the copy itself.
    if (items) WriteFileBytes(s.uninstallerPath, FileWithBlock(s.uninstallerPath, *items, options.blockOptions).Bytes, false);
    if (!options.appendedBlock.empty()) WriteFileBytes(s.uninstallerPath, options.appendedBlock, true);
  }

  if (options.entry != TEntryKind::Missing && !s.keyPath.empty()) {
    handles::TUniqueKey key = CreateKey(s.keyPath);
    SetString(key.get(), "DisplayName", options.product + "スクリーンセーバー");
    SetString(key.get(), "Publisher", "Brindlecove");
    SetString(key.get(), "DisplayIcon", s.scrPath, REG_EXPAND_SZ);
    SetDword(key.get(), "NoModify", 1);
    if (options.entry == TEntryKind::Full) SetString(key.get(), "UninstallString", s.UninstallString());
    if (options.entry == TEntryKind::EmptyUninstallString) SetString(key.get(), "UninstallString", "");
    if (options.subkeys) {
      handles::TUniqueKey comp = CreateKey(s.keyPath + "\\Components");
      SetString(comp.get(), "Screen saver", s.scrPath);
      handles::TUniqueKey nested = CreateKey(s.keyPath + "\\Components\\Nested");
      SetDword(nested.get(), "Count", 3);
    }
  }
  if (options.sibling) {
    handles::TUniqueKey sib = CreateKey(s.siblingKeyPath);
    SetString(sib.get(), "DisplayName", folderName + "Plus");
    SetString(sib.get(), "UninstallString", "\"" + s.folder + folderName + "PlusUninst.exe\"");
    handles::TUniqueKey sub = CreateKey(s.siblingKeyPath + "\\Components");
    SetDword(sub.get(), "Count", 1);
  }
  return s;
}

void RemoveSample(const TSample& sample) {
  RemoveFolderTree(sample.folder);
  if (!sample.keyPath.empty()) DeleteKeyTree(HKEY_LOCAL_MACHINE, sample.keyPath);
  if (!sample.siblingKeyPath.empty()) DeleteKeyTree(HKEY_LOCAL_MACHINE, sample.siblingKeyPath);
}

TSampleState CaptureState(const TSample& sample) {
  TSampleState st;
  WIN32_FIND_DATAA fd;
  HANDLE find = FindFirstFileA((sample.folder + "*").c_str(), &fd);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = fd.cFileName;
      if (name == "." || name == "..") continue;
      st.files[sample.folder + name] = (static_cast<unsigned long long>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
    } while (FindNextFileA(find, &fd));
    FindClose(find);
  }
  if (!sample.keyPath.empty()) CaptureKey(HKEY_LOCAL_MACHINE, sample.keyPath, st.registry);
  if (!sample.siblingKeyPath.empty()) CaptureKey(HKEY_LOCAL_MACHINE, sample.siblingKeyPath, st.registry);
  st.uninstallEntries = SubkeyNames(HKEY_LOCAL_MACHINE, kUninstallRoot);
  std::sort(st.uninstallEntries.begin(), st.uninstallEntries.end());
  return st;
}

std::string TSampleState::Describe() const {
  std::string out = "files:\n";
  for (const auto& f : files) out += "  " + Cp932ToUtf8(f.first) + " (" + std::to_string(f.second) + ")\n";
  out += "registry:\n";
  for (const auto& r : registry) out += "  " + Cp932ToUtf8(r.first) + " = " + DescribeValue(r.second) + "\n";
  out += "uninstall entries:";
  for (const auto& e : uninstallEntries) out += " [" + Cp932ToUtf8(e) + "]";
  return out + "\n";
}

std::vector<std::pair<std::string, std::string>> PendingRenames() {
  std::vector<std::pair<std::string, std::string>> pairs;
  handles::TUniqueKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0, KEY_READ,
                    key.put()) != ERROR_SUCCESS)
    return pairs;
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(key.get(), "PendingFileRenameOperations", nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      type != REG_MULTI_SZ)
    return pairs;
  std::string data(size, '\0');
  if (RegQueryValueExA(key.get(), "PendingFileRenameOperations", nullptr, &type, reinterpret_cast<BYTE*>(&data[0]),
                       &size) != ERROR_SUCCESS)
    return pairs;
  data.resize(size);
  // Strings in pairs; an empty target is a string of its own, so split on every zero.
  std::vector<std::string> strings;
  size_t start = 0;
  while (start < data.size()) {
    const size_t end = data.find('\0', start);
    strings.push_back(data.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  // The list ends in an empty string (the terminator of the multi-string).
  while (strings.size() % 2 != 0 && !strings.empty() && strings.back().empty()) strings.pop_back();
  for (size_t i = 0; i + 1 < strings.size(); i += 2) pairs.emplace_back(strings[i], strings[i + 1]);
  return pairs;
}

bool FileExists(const std::string& path) {
  const DWORD attr = GetFileAttributesA(path.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

std::string WinePathOf(const std::string& unixPath) {
  std::string p = "Z:" + unixPath;
  std::replace(p.begin(), p.end(), '/', '\\');
  return p;
}

std::string BuiltUninstallerPath() { return WinePathOf(UNINST_EXE_PATH); }

std::string ProgramFilesFolder() {
  char buf[MAX_PATH] = {};
  const DWORD n = ExpandEnvironmentStringsA("%ProgramFiles%", buf, MAX_PATH);
  std::string p = (n > 1 && n <= MAX_PATH && buf[0] != '%') ? std::string(buf) : std::string("C:\\Program Files");
  while (!p.empty() && p.back() == '\\') p.pop_back();
  return p;
}

void DeleteKeyTree(HKEY root, const std::string& path) {
  for (const std::string& sub : SubkeyNames(root, path)) DeleteKeyTree(root, path + "\\" + sub);
  RegDeleteKeyA(root, path.c_str());
}

bool KeyExists(HKEY root, const std::string& path) {
  handles::TUniqueKey key;
  return RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

std::vector<std::string> SubkeyNames(HKEY root, const std::string& path) {
  std::vector<std::string> names;
  handles::TUniqueKey key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return names;
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD len = sizeof name;
    if (RegEnumKeyExA(key.get(), i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name, len);
  }
  return names;
}

std::string ReadString(HKEY root, const std::string& path, const std::string& value) {
  handles::TUniqueKey key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return std::string();
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(key.get(), value.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::string();
  if (type != REG_SZ && type != REG_EXPAND_SZ) return std::string();
  std::string data(size, '\0');
  if (RegQueryValueExA(key.get(), value.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size) !=
      ERROR_SUCCESS)
    return std::string();
  data.resize(size);
  while (!data.empty() && data.back() == '\0') data.pop_back();
  return data;
}

}  // namespace e2e

#include "winsupport/uMachine.h"

#include <sddl.h>

#include <algorithm>

#include "system/uFiles_win.h"

namespace testsupport {
namespace {

const char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";
const char kPendingValue[] = "PendingFileRenameOperations";
const char kAppDefaults[] = "Software\\Wine\\AppDefaults";

// Names unique to this process and call, for the helper's events.
std::string UniqueName(const char* what) {
  static unsigned serial = 0;
  return std::string("KorvaneE2E-") + what + "-" + std::to_string(GetCurrentProcessId()) + "-" +
         std::to_string(++serial);
}

DWORD Attributes(const std::string& path) { return GetFileAttributesA(path.c_str()); }

bool IsLink(const std::string& path) {
  const DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Starts a Unix program of Wine's host (a path on drive Z:) in folder. Wine hands it to the host
// and does not wait for it, nor does its handle tell when it ends: callers wait for its effect.
bool StartHostProgram(const std::string& commandLine, const std::string& folder) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  TProcess process;
  return StartProcess(commandLine, FALSE, folder, startup, process);
}

// Removes a link made with TFolderLink, not what it leads to.
void RemoveLink(const std::string& folder, const std::string& name) {
  if (StartHostProgram("Z:\\bin\\rm -f " + name, folder)) {
    WaitUntil([&] { return Attributes(folder + name) == INVALID_FILE_ATTRIBUTES; });
  }
}

}  // namespace

// --- paths

std::string WinePathOf(const std::string& unixPath) {
  std::string p = "Z:" + unixPath;
  std::replace(p.begin(), p.end(), '/', '\\');
  return p;
}

std::string BuiltUninstallerPath() { return WinePathOf(UNINST_EXE_PATH); }

std::string ToolPath(const std::string& tool) { return WinePathOf(std::string(E2E_BIN_DIR) + "/" + tool + ".exe"); }

std::string OwnFolder() { return files::ExtractFilePath(files::ModuleFileName()); }

std::string TempFolder() { return files::TemporaryFolder(); }

std::string FreshTempFolder(const std::string& name) {
  const std::string folder = TempFolder() + name + "\\";
  RemoveFolderTree(folder);
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

std::string ProgramFilesFolder() {
  char buf[MAX_PATH] = {};
  const DWORD n = ExpandEnvironmentStringsA("%ProgramFiles%", buf, MAX_PATH);
  std::string p = (n > 1 && n <= MAX_PATH && buf[0] != '%') ? std::string(buf) : std::string("C:\\Program Files");
  while (!p.empty() && p.back() == '\\') p.pop_back();
  return p;
}

std::string WindowsFolder() { return files::WindowsFolder(); }

std::string WininitPath() { return WindowsFolder() + "WININIT.INI"; }

// --- files

std::string ReadFileBytes(const std::string& path) {
  TFileHandle f(CreateFileA(path.c_str(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) return std::string();
  const DWORD size = GetFileSize(f.get(), nullptr);
  if (size == INVALID_FILE_SIZE) return std::string();
  std::string data(size, '\0');
  DWORD got = 0;
  if (size != 0 && !ReadFile(f.get(), &data[0], size, &got, nullptr)) return std::string();
  data.resize(got);
  return data;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes, bool append) {
  TFileHandle f(CreateFileA(path.c_str(), append ? FILE_APPEND_DATA : GENERIC_WRITE, 0, nullptr,
                                     append ? OPEN_EXISTING : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) return false;
  DWORD written = 0;
  return bytes.empty() ||
         (WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
          written == bytes.size());
}

unsigned long long FileSizeOf(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool FileExists(const std::string& path) { return files::FileExists(path); }

bool FolderExists(const std::string& path) {
  const DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool PathExists(const std::string& path) { return files::PathExists(path); }

TFolderLink::TFolderLink(const std::string& folder, const std::string& link, const std::string& target)
    : folder_(folder), link_(link), path_(folder + link) {
  // Relative names, run in the folder: no Unix path is needed, and the link moves with it.
  made_ = StartHostProgram("Z:\\bin\\ln -s " + target + " " + link, folder) &&
          WaitUntil([this] { return IsLink(path_); }, 10000);
}

TFolderLink::~TFolderLink() {
  if (IsLink(path_)) RemoveLink(folder_, link_);
}

std::string ShortPathOf(const std::string& path) {
  char buffer[MAX_PATH * 2] = {};
  const DWORD n = GetShortPathNameA(path.c_str(), buffer, sizeof(buffer));
  return (n == 0 || n >= sizeof(buffer)) ? path : std::string(buffer, n);
}

std::vector<WIN32_FIND_DATAA> FindFiles(const std::string& pattern) {
  std::vector<WIN32_FIND_DATAA> found;
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA(pattern.c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return found;
  do {
    const std::string name = entry.cFileName;
    if (name != "." && name != "..") found.push_back(entry);
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  return found;
}

void RemoveFolderTree(const std::string& folder) {
  for (const WIN32_FIND_DATAA& entry : FindFiles(folder + "*")) {
    const std::string path = folder + entry.cFileName;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      RemoveLink(folder, entry.cFileName);
    } else if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      RemoveFolderTree(path + "\\");
    } else {
      SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileA(path.c_str());
    }
  }
  RemoveDirectoryA(folder.c_str());
}

TFileCopy::TFileCopy(const std::string& source) {
  char name[MAX_PATH] = {};
  if (GetTempFileNameA(TempFolder().c_str(), "uap", 0, name) != 0) path_ = name;
  CopyFileA(source.c_str(), path_.c_str(), FALSE);
}

TFileCopy::~TFileCopy() { DeleteFileA(path_.c_str()); }

// --- registry

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

void DeleteKeyTree(HKEY root, const std::string& path) {
  for (const std::string& sub : SubkeyNames(root, path)) DeleteKeyTree(root, path + "\\" + sub);
  RegDeleteKeyA(root, path.c_str());
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

namespace {

handles::TUniqueKey CreatedKey(HKEY root, const std::string& path) {
  handles::TUniqueKey key;
  RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
  return key;
}

bool SetValue(HKEY root, const std::string& path, const std::string& value, DWORD type, const void* data, DWORD size) {
  const handles::TUniqueKey key = CreatedKey(root, path);
  return key && RegSetValueExA(key.get(), value.c_str(), 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}

}  // namespace

bool CreateKey(HKEY root, const std::string& path) { return static_cast<bool>(CreatedKey(root, path)); }

bool SetString(HKEY root, const std::string& path, const std::string& value, const std::string& data, DWORD type) {
  return SetValue(root, path, value, type, data.c_str(), static_cast<DWORD>(data.size() + 1));
}

bool SetDword(HKEY root, const std::string& path, const std::string& value, DWORD data) {
  return SetValue(root, path, value, REG_DWORD, &data, sizeof(data));
}

// --- deletion at the next start

std::vector<std::string> PendingRenameStrings() {
  handles::TUniqueKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return {};
  DWORD size = 0;
  if (RegQueryValueExA(key.get(), kPendingValue, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return {};
  std::string data(size, '\0');
  if (RegQueryValueExA(key.get(), kPendingValue, nullptr, nullptr, reinterpret_cast<BYTE*>(&data[0]), &size) !=
      ERROR_SUCCESS)
    return {};
  data.resize(size);
  // Strings in pairs; an empty target is a string of its own, so split on every zero.
  std::vector<std::string> items;
  std::size_t start = 0;
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (data[i] == '\0') {
      items.push_back(data.substr(start, i - start));
      start = i + 1;
    }
  }
  // The list's closing zero (and any padding zeros) leave empty strings at the end.
  while (items.size() % 2 != 0 && !items.empty() && items.back().empty()) items.pop_back();
  return items;
}

std::vector<std::pair<std::string, std::string>> PendingRenames() {
  const std::vector<std::string> strings = PendingRenameStrings();
  std::vector<std::pair<std::string, std::string>> pairs;
  for (std::size_t i = 0; i + 1 < strings.size(); i += 2) pairs.emplace_back(strings[i], strings[i + 1]);
  return pairs;
}

void ClearPendingRenames() {
  handles::TUniqueKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, key.put()) == ERROR_SUCCESS)
    RegDeleteValueA(key.get(), kPendingValue);
}

bool BlockPendingRenames() {
  handles::TUniqueKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, key.put()) != ERROR_SUCCESS) return false;
  const char data[] = "not a list of strings";
  return RegSetValueExA(key.get(), kPendingValue, 0, REG_BINARY, reinterpret_cast<const BYTE*>(data), sizeof(data)) ==
         ERROR_SUCCESS;
}

namespace {

// Gives the key an access list of the one SDDL form; false when that fails.
bool SetKeyAccessList(HKEY root, const std::string& path, const char* sddl) {
  handles::TUniqueKey key;
  if (RegOpenKeyExA(root, path.c_str(), 0, WRITE_DAC | READ_CONTROL, key.put()) != ERROR_SUCCESS) {
    return false;
  }
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, nullptr)) return false;
  const bool set = RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS;
  LocalFree(descriptor);
  return set;
}

}  // namespace

TReadOnlyKey::TReadOnlyKey(HKEY root, const std::string& path) : root_(root), path_(path) {
  // Everyone, the administrators and the system: read only, and nothing inherited. Deletion is
  // denied outright as well: Wine running a program as Windows 95/98/Me opens keys with whatever
  // access the list allows, as those systems ignore the access asked for.
  if (!SetKeyAccessList(root_, path_, "D:P(D;;SD;;;WD)(A;;KR;;;WD)(A;;KR;;;BA)(A;;KR;;;SY)")) return;
  handles::TUniqueKey probe;
  refuses_ = RegOpenKeyExA(root_, path_.c_str(), 0, KEY_ALL_ACCESS, probe.put()) == ERROR_ACCESS_DENIED;
}

TReadOnlyKey::~TReadOnlyKey() { SetKeyAccessList(root_, path_, "D:(A;;KA;;;WD)"); }

void ClearWininit() {
  const std::string windows = WindowsFolder();
  DeleteFileA((windows + "WININIT.INI").c_str());
  DeleteFileA((windows + "wininit.bak").c_str());
  for (const WIN32_FIND_DATAA& entry : FindFiles(windows + "WININIT.INI.*-*")) DeleteFileA((windows + entry.cFileName).c_str());
}

bool RestartWine() {
  TProcess boot = StartCommandLine("wineboot.exe -r");
  if (!boot.handle) return false;
  return WaitForExit(boot, 5 * kDefaultWaitMs);
}

// --- Wine's Windows version per program

const char kWin98[] = "win98";

bool SetProgramWindowsVersion(const std::string& exeName, const std::string& version) {
  return SetString(HKEY_CURRENT_USER, std::string(kAppDefaults) + "\\" + exeName, "Version", version);
}

void ClearProgramWindowsVersion(const std::string& exeName) {
  DeleteKeyTree(HKEY_CURRENT_USER, std::string(kAppDefaults) + "\\" + exeName);
}

// --- helper processes

THeldByHelper::THeldByHelper(const std::string& tool, const std::string& leading, const std::string& trailing) {
  const std::string readyName = UniqueName("ready");
  const std::string quitName = UniqueName("quit");
  readyEvent_.reset(CreateEventA(nullptr, TRUE, FALSE, readyName.c_str()));
  quitEvent_.reset(CreateEventA(nullptr, TRUE, FALSE, quitName.c_str()));
  if (!readyEvent_ || !quitEvent_) return;
  std::string commandLine = "\"" + ToolPath(tool) + "\"";
  if (!leading.empty()) commandLine += " " + leading;
  commandLine += " " + readyName + " " + quitName;
  if (!trailing.empty()) commandLine += " " + trailing;
  process_ = StartCommandLine(commandLine);
  if (!process_.handle) return;
  // Ready, or the helper gave up (it ends when it cannot hold what it was asked to).
  const HANDLE waitOn[] = {readyEvent_.get(), process_.handle.get()};
  ready_ = WaitForMultipleObjects(2, waitOn, FALSE, kDefaultWaitMs) == WAIT_OBJECT_0;
}

THeldByHelper::~THeldByHelper() { End(); }

bool THeldByHelper::End() {
  if (!process_.handle) return true;
  SetEvent(quitEvent_.get());
  DWORD code = ~0u;
  bool clean = WaitForExit(process_, kDefaultWaitMs, &code) && code == 0;
  if (!clean) {
    TerminateProcess(process_.handle.get(), 1);
    WaitForExit(process_);
  }
  process_ = TProcess();
  return clean;
}

}  // namespace testsupport

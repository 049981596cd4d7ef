#include "exeadder/uToolFiles.h"

#include "appended/uBlockWriter.h"
#include "appended/uStreamUtils.h"
#include "exeadder/uToolPlatform.h"
#include "exeadder/uToolRefusal.h"

namespace toolfiles {
namespace {

using toolrefusal::Refuse;

// Removes the temporary file on the way out unless it became OUT.
class TTempFile {
 public:
  explicit TTempFile(std::string path) : path_(std::move(path)) {}
  ~TTempFile() {
    if (!path_.empty()) toolplatform::RemoveFile(path_);
  }
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;
  const std::string& Path() const { return path_; }
  void Kept() { path_.clear(); }

 private:
  std::string path_;
};

// OUT may not be IN unless the command line says --in-place.
void CheckNotInPlace(const std::string& in, const std::string& out, bool inPlace) {
  if (!inPlace && toolplatform::SameFile(in, out))
    Refuse(out + " is the input file " + in + ": give --in-place to replace it");
}

}  // namespace

std::string ReadFileOrRefuse(const std::string& path, const std::string& what) {
  try {
    return LoadFileBytes(path);
  } catch (const EFOpenError& error) {
    Refuse(what + ": " + error.what());
  }
}

TChangedInput ChangeInput(const std::string& in, const std::string& out, const toolarguments::TCommandLine& line,
                          const std::function<std::string(const std::string&)>& change) {
  if (!toolplatform::IsFile(in)) Refuse("cannot read " + in + ": no such file");
  CheckNotInPlace(in, out, line.Has("--in-place"));
  TChangedInput changed;
  try {
    changed.Input = toolsigning::PrepareInput(in, LoadFileBytes(in), line.Has("--unsign"));
    changed.Bytes = change(changed.Input.Bytes);
  } catch (const toolsigning::ESignedInput& error) {
    Refuse(error.what());
  } catch (const blockwriter::EBlockPresent& error) {
    Refuse(in + ": " + error.what() + " (--replace replaces it)");
  } catch (const blockwriter::EBlockWriteError& error) {
    Refuse(in + ": " + error.what());
  } catch (const EFOpenError& error) {
    Refuse(error.what());
  }
  changed.Bytes = toolsigning::Finish(changed.Input, std::move(changed.Bytes));
  return changed;
}

void WriteThroughTemp(const std::string& out, const std::string& bytes,
                      const std::function<void(const std::string& temp)>& check) {
  std::string tempName;
  try {
    tempName = toolplatform::WriteTempBeside(out, bytes);
  } catch (const EWriteError& error) {
    Refuse(error.what());
  }
  TTempFile temp(tempName);
  check(temp.Path());
  try {
    toolplatform::ReplaceWith(temp.Path(), out);
  } catch (const EWriteError& error) {
    Refuse(error.what());
  }
  temp.Kept();
}

}  // namespace toolfiles

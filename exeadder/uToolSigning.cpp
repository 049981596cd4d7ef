#include "exeadder/uToolSigning.h"

#include <cstdint>

#include "appended/uStreamUtils.h"
#include "exeadder/uAuthenticode.h"

namespace toolsigning {

namespace {

using authenticode::TSignatureInfo;

std::string TableText(const TSignatureInfo& info) {
  return "certificate table of " + std::to_string(info.TableSize) + " bytes at offset " + std::to_string(info.TableOffset);
}

// True when the reader still finds the block that lies at block in bytes once a signature is
// appended (the block starts where the image ends and its EndOffset is set).
bool StaysReadableWhenSigned(const std::string& bytes, const TBlockPlace& block) {
  // A stand-in for the padding and table that signing appends: anything but the block signature.
  TMemoryStream stream;
  if (!stream.LoadFromBytes(bytes + std::string(8, '\0'))) return false;
  try {
    const TBlockPlace found = LocateAppendedBlock(stream);
    return found.Found && found.Start == block.Start && found.End == block.End;
  } catch (const EImageBlockException&) {
    return false;  // not an image: the reader cannot look behind it
  }
}

}  // namespace

TInput PrepareInput(const std::string& path, std::string bytes, bool unsign) {
  TInput input;
  const TSignatureInfo info = authenticode::ReadSignatureInfo(bytes);
  if (info.Signed() && !unsign)
    throw ESignedInput(path + " carries an Authenticode signature (" + TableText(info) +
                       "), which this change would invalidate: give --unsign to remove it, then sign the written file again");
  if (info.Signed() && !info.TableInFile())
    throw ESignedInput(path + ": its security directory names a " + TableText(info) +
                       ", which does not lie behind the image inside the file; --unsign removes only a table that does");
  if (info.Signed()) {
    input.Bytes = authenticode::WithoutCertificateTable(bytes, info);
    input.Removed = TableText(info);
  } else {
    input.Bytes = std::move(bytes);
  }
  return input;
}

std::string Finish(const TInput& input, std::string out) {
  if (input.Removed.empty()) return out;
  return authenticode::WithChecksumUpdated(out);
}

std::string RemovedLine(const std::string& in, const TInput& input) {
  return input.Removed.empty() ? std::string() : "removed the Authenticode signature of " + in + " (" + input.Removed + ")\n";
}

std::string NextStepLine(const std::string& outName, const std::string& bytes, const TBlockPlace* block) {
  if (!block) return "next step: sign " + outName + " again\n";
  if (StaysReadableWhenSigned(bytes, *block))
    return "next step: sign " + outName +
           " with Authenticode; the block lies where the image ends, inside the range the signature covers\n";
  return outName +
         " is not signed, and signing it as it is would hide the block from the uninstaller: stamp --for-signing "
         "or add --behind-image writes a file to sign\n";
}

std::string SignatureLine(const std::string& bytes, const TBlockPlace& block) {
  const TSignatureInfo info = authenticode::ReadSignatureInfo(bytes);
  if (!info.IsPE) return "not a PE image, so not signed\n";
  if (!info.Signed()) {
    const std::string notSigned = "not signed (no Authenticode certificate table); ";
    if (StaysReadableWhenSigned(bytes, block)) return notSigned + "signing keeps the block readable: it lies where the image ends\n";
    return notSigned + "signing would hide the block from the uninstaller: " +
           (info.Pe32Plus ? "its reader finds a block behind 32-bit images only\n"
                          : "write the file with stamp --for-signing or add --behind-image\n");
  }
  if (!info.TableInFile())
    return "the security directory names an Authenticode " + TableText(info) +
           ", which does not lie behind the image inside the file: a damaged signature\n";
  const bool covered = block.End <= static_cast<int64_t>(info.TableOffset);
  return "signed: Authenticode " + TableText(info) + " (security directory); the block lies " +
         (covered ? "inside" : "outside") + " the range the signature covers, the file up to offset " +
         std::to_string(info.TableOffset) + "\n";
}

}  // namespace toolsigning

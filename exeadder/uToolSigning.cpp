#include "exeadder/uToolSigning.h"

#include <cstdint>

#include "appended/uStreamUtils.h"
#include "exeadder/uAuthenticode.h"

namespace toolsigning {

namespace {

using authenticode::TSignatureInfo;

std::string TableText(const TSignatureInfo& Info) {
  return "certificate table of " + std::to_string(Info.TableSize) + " bytes at offset " + std::to_string(Info.TableOffset);
}

}  // namespace

TInput PrepareInput(const std::string& Path, std::string Bytes, bool Unsign) {
  TInput Input;
  const TSignatureInfo Info = authenticode::ReadSignatureInfo(Bytes);
  if (Info.Signed() && !Unsign)
    throw ESignedInput(Path + " carries an Authenticode signature (" + TableText(Info) +
                       "), which this change would invalidate: give --unsign to remove it, then sign the written file again");
  if (Info.Signed() && !Info.TableInFile())
    throw ESignedInput(Path + ": its security directory names a " + TableText(Info) +
                       ", which does not lie behind the image inside the file; --unsign removes only a table that does");
  if (Info.Signed()) {
    Input.Bytes = authenticode::WithoutCertificateTable(Bytes, Info);
    Input.Removed = TableText(Info);
  } else {
    Input.Bytes = std::move(Bytes);
  }
  return Input;
}

std::string Finish(const TInput& Input, std::string Out) {
  return Input.Removed.empty() ? Out : authenticode::WithChecksumUpdated(Out);
}

std::string RemovedLine(const std::string& In, const TInput& Input) {
  return Input.Removed.empty() ? std::string() : "removed the Authenticode signature of " + In + " (" + Input.Removed + ")\n";
}

bool StaysReadableWhenSigned(const std::string& Bytes, const TBlockPlace& Block) {
  // A stand-in for the padding and table that signing appends: anything but the block signature.
  const std::string Signed = Bytes + std::string(8, '\0');
  if (Signed.size() > static_cast<std::size_t>(INT32_MAX)) return false;
  TMemoryStream Stream;
  Stream.Write(Signed.data(), static_cast<int32_t>(Signed.size()));
  try {
    const TBlockPlace Found = LocateAppendedBlock(Stream);
    return Found.Found && Found.Start == Block.Start && Found.End == Block.End;
  } catch (const EImageBlockException&) {
    return false;  // not an image: the reader cannot look behind it
  }
}

std::string NextStepLine(const std::string& OutName, const std::string& Bytes, const TBlockPlace* Block) {
  if (!Block) return "next step: sign " + OutName + " again\n";
  if (StaysReadableWhenSigned(Bytes, *Block))
    return "next step: sign " + OutName +
           " with Authenticode; the block lies where the image ends, inside the range the signature covers\n";
  return OutName +
         " is not signed, and signing it as it is would hide the block from the uninstaller: stamp --for-signing "
         "or add --behind-image writes a file to sign\n";
}

std::string SignatureLine(const std::string& Bytes, const TBlockPlace& Block) {
  const TSignatureInfo Info = authenticode::ReadSignatureInfo(Bytes);
  if (!Info.IsPE) return "not a PE image, so not signed\n";
  if (!Info.Signed()) {
    const std::string Unsigned = "not signed (no Authenticode certificate table); ";
    if (StaysReadableWhenSigned(Bytes, Block)) return Unsigned + "signing keeps the block readable: it lies where the image ends\n";
    return Unsigned + "signing would hide the block from the uninstaller: " +
           (Info.Pe32Plus ? "its reader finds a block behind 32-bit images only\n"
                          : "write the file with stamp --for-signing or add --behind-image\n");
  }
  if (!Info.TableInFile())
    return "the security directory names an Authenticode " + TableText(Info) +
           ", which does not lie behind the image inside the file: a damaged signature\n";
  const bool Covered = Block.End <= static_cast<int64_t>(Info.TableOffset);
  return "signed: Authenticode " + TableText(Info) + " (security directory); the block lies " +
         (Covered ? "inside" : "outside") + " the range the signature covers, the file up to offset " +
         std::to_string(Info.TableOffset) + "\n";
}

}  // namespace toolsigning

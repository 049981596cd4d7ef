// The builder's tool and Authenticode signatures. A signature covers the file up to its
// certificate table, which ends the file, so a block must be written before signing, where the
// image ends (the reader then finds it with the table behind it). A change to a signed file
// would invalidate its signature: the tool refuses one unless the builder asks for the
// signature to go (--unsign). `list` says where the table lies and whether it covers the block.
#pragma once
#include <string>

#include "appended/uExeAdder.h"
#include "base/uMessageError.h"

namespace toolsigning {

// A signed input that the tool will not change as it stands; the message says why.
class ESignedInput : public EMessageError {
 public:
  using EMessageError::EMessageError;
};

// A file's contents as the tool goes on to change them.
struct TInput {
  std::string Bytes;    // without the certificate table when it was removed
  std::string Removed;  // "certificate table of N bytes at offset X" when it was; else empty
};

// bytes, the contents of the file path, ready for a change. Raises ESignedInput for a signed file
// unless unsign; with it, removes the certificate table and clears the security directory entry
// (and raises ESignedInput when the entry names no table that lies behind the image inside the
// file). An unsigned file passes unchanged.
TInput PrepareInput(const std::string& path, std::string bytes, bool unsign);

// The changed contents out of input, with the PE checksum recomputed when a signature was
// removed and the field was set, so that the file written is consistent.
std::string Finish(const TInput& input, std::string out);

// "removed the Authenticode signature of IN (...)\n", or nothing when input was unsigned.
std::string RemovedLine(const std::string& in, const TInput& input);

// What the builder does next with the written file outName (contents bytes, with its block at
// block, or no block when block is null): sign it; or, when signing would hide the block, write it for
// signing first.
std::string NextStepLine(const std::string& outName, const std::string& bytes, const TBlockPlace* block);

// The line of `list` about the signature of a file with contents bytes whose block lies at block.
std::string SignatureLine(const std::string& bytes, const TBlockPlace& block);

}  // namespace toolsigning

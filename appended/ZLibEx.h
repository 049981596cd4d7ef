// Inflation of zlib streams (RFC 1950) into a new buffer; the inflation itself is zlib's.
#pragma once
#include <cstdint>
#include <string>

#include "base/uMessageError.h"

class EZLibError : public EMessageError {
 public:
  using EMessageError::EMessageError;
};

// A failed inflation; the message is zlib's text for its result code.
class EZDecompressionError : public EZLibError {
 public:
  using EZLibError::EZLibError;
};

// zlib's result texts, indexed by 2 - code (code 2 "need dictionary" ... -6 "incompatible
// version"); the last entry is empty and no code reaches it.
extern const char* const ZErrorMessages[10];

// The text for a zlib result code; empty for codes outside the table.
std::string ZErrorMessage(int code);

// Raises EZDecompressionError for a negative code; passes any other code back.
int DecompressCheck(int code);

// Inflates the whole stream at inBuffer (inSize bytes) into a new malloc'd buffer of exactly the
// inflated length; outBuffer is null and outSize 0 when it inflates to nothing. outEstimate is the
// first size of the output buffer (0 or below: derived from inSize); the buffer's size then grows
// in steps of inSize rounded up to a multiple of 256, which the 2 GiB limit counts, while the
// memory behind it grows geometrically, so that time and memory stay proportional to the output.
// The caller releases outBuffer with free().
// Raises EZDecompressionError for a corrupt or cut-short stream, for one that asks for a preset
// dictionary ("need dictionary": none is supplied), and for output beyond 2 GiB; outBuffer and
// outSize are then left unchanged.
void DecompressBuffer(const void* inBuffer, int32_t inSize, void*& outBuffer, int32_t& outSize,
                      int32_t outEstimate = 0);

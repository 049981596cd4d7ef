// What the text targets' harnesses share.
#pragma once

// On a harness's own functions (taking the input apart, checking the result): AddressSanitizer
// and UBSan stay on; only the coverage feedback is left out, so that the fuzzer's features and
// comparison hints come from the code under test, and a check that walks the input costs no
// trace call per byte. Not inlined, so that the code under test's coverage cannot reach it.
#define UNINST_FUZZ_HARNESS __attribute__((no_sanitize("coverage"), noinline))

namespace fuzzsupport {

// A property that does not hold is a finding.
UNINST_FUZZ_HARNESS inline void Check(bool Holds) {
  if (!Holds) __builtin_trap();
}

}  // namespace fuzzsupport

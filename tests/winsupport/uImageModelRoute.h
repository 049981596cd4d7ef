// Tests that the 64-bit route cannot run. The PE image model reads 32-bit images only (it takes
// the NT headers as 248 bytes), so a 64-bit build of the program, which that route runs where
// the kernel runs no 32-bit program, cannot find where its own image ends: a block behind its
// own image, or no block at all, cannot be read from its own file. Such tests are skipped there,
// saying why; everything else runs on both routes.
#pragma once
#include <gtest/gtest.h>

namespace testsupport {

constexpr bool kImageModelReadsTheProgram = sizeof(void*) == 4;

}  // namespace testsupport

#define SKIP_UNLESS_THE_IMAGE_MODEL_READS_THE_PROGRAM()                                      \
  if (testsupport::kImageModelReadsTheProgram) {                                             \
  } else                                                                                     \
    GTEST_SKIP() << "64-bit route: the PE image model reads only 32-bit images, so a 64-bit " \
                    "program cannot find the end of its own image"

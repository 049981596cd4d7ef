#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <utility>

#include "base/uFileHandle.h"
#include "support/TempFolder.h"

namespace {

bool IsOpenDescriptor(int fd) { return ::fcntl(fd, F_GETFD) != -1; }

// One owner closes its file exactly once, wherever it is moved; what it released, it no longer
// closes.
TEST(FileHandle, ClosesOnceWhereverItIsMoved) {
  testsupport::TempFolder folder;
  folder.Put("a", "x");
  const int fd = ::open(folder("a").c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  {
    TFileHandle first(fd);
    EXPECT_TRUE(first);
    TFileHandle second(std::move(first));
    EXPECT_FALSE(first);
    EXPECT_EQ(second.get(), fd);
    TFileHandle third;
    EXPECT_FALSE(third);
    third = std::move(second);
    EXPECT_TRUE(IsOpenDescriptor(fd));
  }
  EXPECT_FALSE(IsOpenDescriptor(fd));

  const int kept = ::open(folder("a").c_str(), O_RDONLY);
  ASSERT_GE(kept, 0);
  {
    TFileHandle owner(kept);
    EXPECT_EQ(owner.release(), kept);
  }
  EXPECT_TRUE(IsOpenDescriptor(kept));
  ::close(kept);
  // A failed open owns nothing.
  EXPECT_FALSE(TFileHandle(::open(folder("missing").c_str(), O_RDONLY)));
}

}  // namespace

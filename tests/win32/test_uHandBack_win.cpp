// The hand-back of an unattended run's outcome, both sides in this one process: the copy's side
// gets duplicates of the values that the starter puts on its command line, as a started copy
// inherits them under the same values.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>

#include "system/uHandBack_win.h"
#include "system/uHandles_win.h"

namespace {

// What the copy would inherit: a new handle to the same object, as a value.
std::uintptr_t Inherited(std::uintptr_t value) {
  HANDLE copy = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), reinterpret_cast<HANDLE>(value), GetCurrentProcess(), &copy, 0,
                       FALSE, DUPLICATE_SAME_ACCESS)) {
    return 0;
  }
  return reinterpret_cast<std::uintptr_t>(copy);
}

// Every outcome arrives whole, whatever its bytes; the starter then sees the pipe end.
TEST(HandBack, TheOutcomeSentIsTheOutcomeReceived) {
  for (const DWORD sent : {0ul, 3010ul, 1603ul, 0x12345678ul, 0xFFFFFFFFul}) {
    SCOPED_TRACE(sent);
    handback::TOutcomeChannel channel;
    ASSERT_TRUE(channel.Create());
    handback::TStarterLink link(Inherited(channel.PipeForCopy()), Inherited(channel.StarterForCopy()));
    ASSERT_TRUE(link.Connected());
    channel.CloseCopyEnds();
    EXPECT_TRUE(link.SendOutcome(sent));
    DWORD received = 0;
    EXPECT_TRUE(channel.ReceiveOutcome(received));
    EXPECT_EQ(received, sent);
    EXPECT_FALSE(channel.ReceiveOutcome(received));
    // The pipe is closed once sent: a second outcome goes nowhere.
    EXPECT_FALSE(link.SendOutcome(sent));
  }
}

// A copy that ends without sending breaks the pipe: the starter learns that no outcome came.
TEST(HandBack, ACopyEndingWithoutAnOutcomeBreaksThePipe) {
  handback::TOutcomeChannel channel;
  ASSERT_TRUE(channel.Create());
  {
    const handback::TStarterLink link(Inherited(channel.PipeForCopy()), Inherited(channel.StarterForCopy()));
    ASSERT_TRUE(link.Connected());
  }
  channel.CloseCopyEnds();
  DWORD received = 7;
  EXPECT_FALSE(channel.ReceiveOutcome(received));
  EXPECT_EQ(received, 7u);
}

// Values that name no pipe connect nothing, and an object that is no pipe is left open.
TEST(HandBack, ValuesThatNameNoPipeConnectNothing) {
  const handles::TUniqueKernelObject event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  ASSERT_TRUE(event);
  const std::uintptr_t eventValue = reinterpret_cast<std::uintptr_t>(event.get());
  const struct {
    const char* what;
    std::uintptr_t pipe, starter;
  } cases[] = {{"no values", 0, 0}, {"no starter", eventValue, 0}, {"an event for the pipe", eventValue, eventValue}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    handback::TStarterLink link(c.pipe, c.starter);
    EXPECT_FALSE(link.Connected());
    EXPECT_FALSE(link.SendOutcome(0));
    EXPECT_FALSE(link.WaitForStarterEnd(0));
    EXPECT_EQ(WaitForSingleObject(event.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
  }
}

// The wait ends when the starter's handle is signalled (its process ended); while the starter
// runs, a wait without time to spare says it has not ended.
TEST(HandBack, TheCopyWaitsForTheStartersEnd) {
  handback::TOutcomeChannel channel;
  ASSERT_TRUE(channel.Create());
  handback::TStarterLink running(Inherited(channel.PipeForCopy()), Inherited(channel.StarterForCopy()));
  ASSERT_TRUE(running.Connected());
  EXPECT_FALSE(running.WaitForStarterEnd(0));

  const handles::TUniqueKernelObject ended(CreateEventA(nullptr, TRUE, TRUE, nullptr));
  ASSERT_TRUE(ended);
  handback::TStarterLink afterEnd(Inherited(channel.PipeForCopy()),
                                  Inherited(reinterpret_cast<std::uintptr_t>(ended.get())));
  ASSERT_TRUE(afterEnd.Connected());
  EXPECT_TRUE(afterEnd.WaitForStarterEnd(INFINITE));
}

}  // namespace

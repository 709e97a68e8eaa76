#include "platform/descriptors.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>

namespace {

bool ClosedOnExec(int fd) { return (fcntl(fd, F_GETFD) & FD_CLOEXEC) != 0; }

TEST(SetCloseOnExec, MarksAnOpenHandleAndRefusesOthers) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  ASSERT_FALSE(ClosedOnExec(ends[0]));

  // A handle wider than any descriptor whose low bits name an open one is no handle at all.
  if constexpr (sizeof(std::intptr_t) > sizeof(int)) {
    const std::intptr_t wide = (std::intptr_t{1} << 32) | ends[0];
    EXPECT_FALSE(platform::SetCloseOnExec(wide));
    EXPECT_FALSE(ClosedOnExec(ends[0]));
  }

  EXPECT_TRUE(platform::SetCloseOnExec(ends[0]));
  EXPECT_TRUE(ClosedOnExec(ends[0]));
  EXPECT_FALSE(ClosedOnExec(ends[1]));

  close(ends[1]);
  EXPECT_FALSE(platform::SetCloseOnExec(ends[1]));
  EXPECT_FALSE(platform::SetCloseOnExec(-1));
  close(ends[0]);
}

}  // namespace

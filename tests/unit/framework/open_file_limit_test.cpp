#include <gtest/gtest.h>

#include <sys/resource.h>

#include "OpenFileLimit.h"

// A document of a thousand printers holds more descriptors than the usual soft limit of 1024.
TEST(OpenFileLimit, TheSoftLimitIsRaisedToTheHardOne)
{
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &before), 0);
    if (before.rlim_max < 128) GTEST_SKIP() << "the hard limit leaves nothing to raise";
    rlimit lowered = before;
    lowered.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &lowered), 0);

    const std::uint64_t raised = RaiseOpenFileLimit();

    rlimit after{};
    getrlimit(RLIMIT_NOFILE, &after);
    setrlimit(RLIMIT_NOFILE, &before);
    EXPECT_EQ(after.rlim_cur, before.rlim_max);
    EXPECT_EQ(raised, before.rlim_max);
}

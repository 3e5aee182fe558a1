// A test program that fails without reporting it: the runner must count it
// as failed. Each run selects one passing test and one way to end too soon.
#include <gtest/gtest.h>
#include <windows.h>

TEST(Probe, Passes)
{
    EXPECT_EQ(1 + 1, 2);
}

TEST(Probe, WritesThroughANullPointer)
{
    volatile int* nowhere = nullptr;
    *nowhere = 1;
}

TEST(Probe, EndsTheProcessWithExitCode0)
{
    ::ExitProcess(0);
}

// Marks a test of a behaviour that a POSIX host has and Windows does not (case-distinct names in one
// directory, "/" as the separator, symbolic links made by an unprivileged user). On Windows the
// test is skipped with the reason; the Windows side of the behaviour has tests of its own.
#pragma once

#include <gtest/gtest.h>

#ifdef _WIN32
#define POSIX_HOST_ONLY(why) GTEST_SKIP() << (why)
#else
#define POSIX_HOST_ONLY(why) (void)0
#endif

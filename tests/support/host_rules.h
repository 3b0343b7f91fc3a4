// What tests need to know of the host they run on. POSIX_HOST_ONLY marks a test of a behaviour that a
// POSIX host has and Windows does not (names that differ in case only in one directory, symbolic links
// made by an unprivileged user, the host's own copy between descriptors, the index of names by case);
// on Windows the test is skipped with the reason, and the Windows side of the behaviour has tests of
// its own. HostPath lets a test write its paths once for both hosts.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"

#ifdef _WIN32
#define POSIX_HOST_ONLY(why) GTEST_SKIP() << (why)
#else
#define POSIX_HOST_ONLY(why) (void)0
#endif

namespace quarvel {

// A path written as on POSIX ("/data/menu/") in the host's form: every "/" becomes the platform
// separator, and on Windows an absolute path is put on drive c: ("c:\data\menu\"). CP932 trail bytes
// are never "/", so double-byte characters pass unchanged.
inline std::string HostPath(std::string posix) {
  for (char& c : posix) {
    if (c == '/') c = kDirSep;
  }
#ifdef _WIN32
  if (!posix.empty() && posix[0] == kDirSep) posix.insert(0, "c:");
#endif
  return posix;
}

}  // namespace quarvel

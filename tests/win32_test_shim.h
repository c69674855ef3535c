// Forced into every test program of the Windows build: the few POSIX calls
// the tests use for scratch directories and time-zone settings, on top of
// the C runtime's own.
#pragma once

#ifndef _POSIX_THREAD_SAFE_FUNCTIONS
#define _POSIX_THREAD_SAFE_FUNCTIONS 200112L  // localtime_r, gmtime_r from <time.h>
#endif

#include <direct.h>
#include <errno.h>
#include <process.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <windows.h>

// Replaces the trailing XXXXXX of the template and creates that directory.
inline char* mkdtemp(char* templ) {
  const size_t n = strlen(templ);
  if (n < 6 || strcmp(templ + n - 6, "XXXXXX") != 0) {
    errno = EINVAL;
    return nullptr;
  }
  static unsigned serial = 0;
  static const char kDigits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  for (int attempt = 0; attempt < 1000; ++attempt) {
    unsigned long long v = (static_cast<unsigned long long>(GetCurrentProcessId()) << 20) ^
                           (static_cast<unsigned long long>(GetTickCount()) << 8) ^
                           ++serial * 2654435761u;
    for (size_t i = n - 6; i < n; ++i) {
      templ[i] = kDigits[v % 36];
      v /= 36;
    }
    if (_mkdir(templ) == 0) return templ;
    if (errno != EEXIST) return nullptr;
  }
  return nullptr;
}

inline int setenv(const char* name, const char* value, int overwrite) {
  if (!overwrite && getenv(name) != nullptr) return 0;
  return _putenv_s(name, value) == 0 ? 0 : -1;
}

inline int unsetenv(const char* name) { return _putenv_s(name, "") == 0 ? 0 : -1; }

// The test clients' reports: one line on standard output each, flushed at
// once, since the test reads them while the client runs.
#pragma once

#include <cstdarg>
#include <cstdio>

inline void Say(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
inline void Say(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::vprintf(fmt, ap);
    va_end(ap);
    std::putchar('\n');
    std::fflush(stdout);
}

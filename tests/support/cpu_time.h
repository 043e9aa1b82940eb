#pragma once

// CPU seconds this process has used, user and system, all threads: for
// checks that nothing spins and for the benchmarks' CPU figures.

#include <sys/resource.h>

namespace velmora::test {

inline double processCpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace velmora::test

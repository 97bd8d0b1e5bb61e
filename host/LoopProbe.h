#pragma once

#include <cstdio>

// For benchmarks: how late the user-interface thread's event loop comes back to a timer due
// every few milliseconds, which is how long it was held. Started only when SORVIK_LOOP_PROBE
// names a file; each lateness over a millisecond is appended to it as "wall-ms late-us".
class LoopProbe {
public:
    static void StartIfAsked();
    static void Stop();

private:
    static int OnTick(void* data);

    static std::FILE* ms_out;
    static unsigned ms_source;
    static long long ms_due; // monotonic microseconds
};

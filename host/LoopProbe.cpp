#include "LoopProbe.h"

#include <cstdlib>

#include <glib.h>

namespace {
constexpr int kTickMs = 4;
constexpr long long kReportFromUs = 1000;
} // namespace

std::FILE* LoopProbe::ms_out = nullptr;
unsigned LoopProbe::ms_source = 0;
long long LoopProbe::ms_due = 0;

void LoopProbe::StartIfAsked()
{
    const char* path = std::getenv("SORVIK_LOOP_PROBE");
    if (!path || !*path || ms_source)
        return;
    ms_out = std::fopen(path, "a");
    if (!ms_out)
        return;
    ms_due = g_get_monotonic_time() + kTickMs * 1000;
    // Above the toolkit's redraws and idle work, so that it runs as soon as the loop is free.
    ms_source = g_timeout_add_full(G_PRIORITY_HIGH, kTickMs, &LoopProbe::OnTick, nullptr, nullptr);
}

void LoopProbe::Stop()
{
    if (ms_source)
        g_source_remove(ms_source);
    ms_source = 0;
    if (ms_out)
        std::fclose(ms_out);
    ms_out = nullptr;
}

int LoopProbe::OnTick(void*)
{
    const long long now = g_get_monotonic_time();
    const long long late = now - ms_due;
    if (late > kReportFromUs) {
        std::fprintf(ms_out, "%lld %lld\n", static_cast<long long>(g_get_real_time() / 1000), late);
        std::fflush(ms_out);
    }
    ms_due = now + kTickMs * 1000;
    return G_SOURCE_CONTINUE;
}

// One refresh's compare-and-post work: the copy of the new list, the comparison, one event per
// change queued on three handlers.
#include <memory>
#include <vector>

#include <benchmark/benchmark.h>
#include <wx/event.h>
#include <wx/init.h>

#include <wx/thread.h>

#include "site/UserEventPoster.h"

namespace {

// 'churn' of every 100 performers: a third leave, a third join, a third change state.
void MakeLists(int count, UserList& before, UserList& after)
{
    for (int i = 0; i < count; ++i) {
        const wxString name = wxString::Format("performer_%d", i);
        before.AddUser(User(name, 0x03));
        const int slot = i % 300;
        if (slot == 0)
            continue; // left
        after.AddUser(User(name, slot == 1 ? 0x0D : 0x03));
        if (slot == 2)
            after.AddUser(User(wxString::Format("newcomer_%d", i), 0x03));
    }
}

void BM_RefreshPost(benchmark::State& state)
{
    UserList a, b;
    MakeLists(static_cast<int>(state.range(0)), a, b);
    // Yields between posts as the thread does.
    UserEventPoster poster([] {
        wxThread::Yield();
        return false;
    });
    std::vector<std::unique_ptr<wxEvtHandler>> handlers;
    for (int i = 0; i < 3; ++i) {
        handlers.push_back(std::make_unique<wxEvtHandler>());
        poster.AddEventHandler(handlers.back().get());
    }
    UserList previous = a;
    bool toB = true;
    for (auto _ : state) {
        UserList current = toB ? b : a;
        poster.PostDifference(previous, current);
        previous.swap(current);
        toB = !toB;
        state.PauseTiming();
        for (auto& h : handlers)
            h->DeletePendingEvents();
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(BM_RefreshPost)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    wxInitializer toolkit;
    if (!toolkit.IsOk())
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

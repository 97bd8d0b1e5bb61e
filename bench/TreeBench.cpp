// The performer trees against the bare toolkit cost of the same item operations. Run under a
// display (xvfb-run -a).
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include <malloc.h>

#include <benchmark/benchmark.h>
#include <wx/app.h>
#include <wx/frame.h>
#include <wx/imaglist.h>
#include <wx/init.h>
#include <wx/treectrl.h>

#include "model/UserStatus.h"
#include "site/UserEvent.h"
#include "site/UserListEvent.h"
#include "views/AllTreeCtrl.h"
#include "views/FilteredTreeView.h"

namespace {


class BenchApp : public wxApp {
public:
    bool OnInit() override { return true; }
};

UserList Crowd(int count)
{
    UserList list;
    for (int i = 0; i < count; ++i)
        list.AddUser(User(wxString::Format("performer_%d", i), i % 3 ? 0x03 : 0x0D));
    return list;
}

struct Change {
    wxEventType type;
    User user;
    unsigned long old;
};

// 1,000 changes among 10,000: a third join, a third leave, a third change shows.
std::vector<Change> Changes(int count)
{
    std::vector<Change> changes;
    for (int i = 0; i < 1000; ++i) {
        if (i % 3 == 0)
            changes.push_back({wxEVT_USER_ADDED, User(wxString::Format("newcomer_%d", i), 0x03),
                               STATUS_NOT_MEANINGFUL});
        else if (i % 3 == 1)
            changes.push_back({wxEVT_USER_DELETED,
                               User(wxString::Format("performer_%d", (i * 7) % count), 0x03),
                               STATUS_NOT_MEANINGFUL});
        else
            changes.push_back({wxEVT_USER_CHANGED,
                               User(wxString::Format("performer_%d", (i * 7 + 3) % count), 0x15),
                               0x03});
    }
    return changes;
}

std::unique_ptr<wxFrame> NewFrame()
{
    return std::make_unique<wxFrame>(nullptr, wxID_ANY, "bench", wxDefaultPosition, wxSize(300, 600));
}

void FillAll(AllTreeCtrl& tree, const UserList& list)
{
    UserListEvent event(wxEVT_USER_LIST_INITIALIZED, -1);
    event.SetUserList(list);
    tree.GetEventHandler()->ProcessEvent(event);
}

struct BareTree {
    wxTreeCtrl* tree;
    wxTreeItemId group;
    std::unordered_map<wxString, wxTreeItemId, WxStringHasher> items;

    explicit BareTree(wxWindow* parent)
        : tree(new wxTreeCtrl(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, USER_LIST_TREE_STYLE))
    {
        auto* images = new wxImageList(16, 16, true, 1);
        for (int i = 0; i < 3; ++i)
            images->Add(wxBitmap(16, 16));
        tree->AssignImageList(images);
        group = tree->AppendItem(tree->AddRoot(""), "Online (Loading)", 0, 0);
    }
    // As a toolkit expert writes it: each item made once with its icon (a selected item shows
    // its normal icon when it has no selected one), every bulk change under one freeze.
    void Add(const User& user)
    {
        const int icon = (user.GetStatus() & STATUS_FREE) ? 1 : 2;
        items[user.GetName()] = tree->AppendItem(group, user.GetName(), icon, -1, new wxTreeItemData);
    }
    void Label() { tree->SetItemText(group, wxString::Format("Online (%d)", (int)tree->GetChildrenCount(group, false))); }
    void Fill(const UserList& list)
    {
        tree->Freeze();
        for (const auto& e : list)
            Add(e);
        tree->Expand(group);
        Label();
        tree->Thaw();
    }
    void Apply(const Change& c)
    {
        if (c.type == wxEVT_USER_ADDED) {
            Add(c.user);
            Label();
        } else if (c.type == wxEVT_USER_DELETED) {
            auto it = items.find(c.user.GetName());
            if (it != items.end()) {
                tree->Delete(it->second);
                items.erase(it);
            }
            Label();
        } else {
            auto it = items.find(c.user.GetName());
            if (it != items.end())
                tree->SetItemImage(it->second, 2, wxTreeItemIcon_Normal);
        }
    }
};

void BM_AllTreeFirstList(benchmark::State& state)
{
    const UserList list = Crowd(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        auto frame = NewFrame();
        auto* tree = new AllTreeCtrl(frame.get(), wxID_ANY, wxDefaultPosition, wxDefaultSize, USER_LIST_TREE_STYLE);
        state.ResumeTiming();
        FillAll(*tree, list);
        state.PauseTiming();
        frame.reset();
        state.ResumeTiming();
    }
}

void BM_BareTreeFirstList(benchmark::State& state)
{
    const UserList list = Crowd(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        auto frame = NewFrame();
        BareTree bare(frame.get());
        state.ResumeTiming();
        bare.Fill(list);
        state.PauseTiming();
        frame.reset();
        state.ResumeTiming();
    }
}

void BM_AllTreeRefresh(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    const UserList list = Crowd(count);
    const std::vector<Change> changes = Changes(count);
    for (auto _ : state) {
        state.PauseTiming();
        auto frame = NewFrame();
        auto* tree = new AllTreeCtrl(frame.get(), wxID_ANY, wxDefaultPosition, wxDefaultSize, USER_LIST_TREE_STYLE);
        FillAll(*tree, list);
        state.ResumeTiming();
        for (const Change& c : changes) {
            UserEvent event(c.user, c.type, c.old);
            tree->GetEventHandler()->ProcessEvent(event);
        }
        state.PauseTiming();
        frame.reset();
        state.ResumeTiming();
    }
}

void BM_BareTreeRefresh(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    const UserList list = Crowd(count);
    const std::vector<Change> changes = Changes(count);
    for (auto _ : state) {
        state.PauseTiming();
        auto frame = NewFrame();
        BareTree bare(frame.get());
        bare.Fill(list);
        state.ResumeTiming();
        bare.tree->Freeze();
        for (const Change& c : changes)
            bare.Apply(c);
        bare.tree->Thaw();
        state.PauseTiming();
        frame.reset();
        state.ResumeTiming();
    }
}

size_t HeapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// The heap a tree of N performers holds once filled, per performer (the list it was given
// aside), reported as the counter "bytes".
template <typename Fill>
void MeasureHeap(benchmark::State& state, Fill fill)
{
    const int count = static_cast<int>(state.range(0));
    const UserList list = Crowd(count);
    for (auto _ : state) {
        auto frame = NewFrame();
        const size_t before = HeapInUse();
        fill(frame.get(), list);
        state.counters["bytes"] = static_cast<double>(HeapInUse() - before) / count;
    }
}

void BM_AllTreeMemory(benchmark::State& state)
{
    MeasureHeap(state, [](wxFrame* frame, const UserList& list) {
        FillAll(*new AllTreeCtrl(frame, wxID_ANY, wxDefaultPosition, wxDefaultSize, USER_LIST_TREE_STYLE),
                list);
    });
}

void BM_BareTreeMemory(benchmark::State& state)
{
    std::unique_ptr<BareTree> bare;
    MeasureHeap(state, [&](wxFrame* frame, const UserList& list) {
        bare = std::make_unique<BareTree>(frame);
        bare->Fill(list);
    });
}

// One keystroke of the filter over 10,000 performers, after the one before it, as the window
// does it (narrowed when it can be, else built anew): the typed text is "performer_123" up to
// the length given, so 1 and 2 match everyone, 11 a ninth and 13 one performer. The last
// argument 0 times the keystroke itself (the first slice), 1 until every match is in the tree.
void BM_FilterKeystroke(benchmark::State& state)
{
    const wxString typed = wxString("performer_123").Left(static_cast<size_t>(state.range(1)));
    auto frame = NewFrame();
    auto* tree = new AllTreeCtrl(frame.get(), wxID_ANY, wxDefaultPosition, wxDefaultSize, USER_LIST_TREE_STYLE);
    auto* view = new FilteredTreeView(frame.get());
    FillAll(*tree, Crowd(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        state.PauseTiming();
        if (typed.length() == 1)
            view->Clear();
        else
            view->Rebuild(*tree, typed.Left(typed.length() - 1));
        state.ResumeTiming();
        if (typed.length() == 1 || !view->Narrow(typed))
            view->Rebuild(*tree, typed);
        if (state.range(2))
            while (!view->IsComplete())
                view->ContinueBuild();
    }
}

} // namespace

BENCHMARK(BM_FilterKeystroke)
    ->Args({10000, 1, 0})->Args({10000, 1, 1})->Args({10000, 2, 0})
    ->Args({10000, 11, 0})->Args({10000, 11, 1})->Args({10000, 13, 0})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AllTreeFirstList)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareTreeFirstList)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AllTreeRefresh)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareTreeRefresh)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AllTreeMemory)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareTreeMemory)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond);

// The console's report, then each tree's time against the bare tree's for the same work.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        // A plain run, or the median of repetitions.
        for (const Run& run : runs) {
            std::string name = run.benchmark_name();
            const size_t median = name.rfind("_median");
            if (median != std::string::npos)
                name.erase(median);
            else if (run.run_type == Run::RT_Aggregate)
                continue;
            if (const size_t fixed = name.find("/iterations:"); fixed != std::string::npos)
                name.erase(fixed);
            m_times[name] = run.GetAdjustedRealTime();
            if (const auto bytes = run.counters.find("bytes"); bytes != run.counters.end())
                m_times[name] = bytes->second;
        }
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        for (const char* work : {"FirstList/10000", "Refresh/10000", "Memory/10000"}) {
            const std::string ours = std::string("BM_AllTree") + work;
            const std::string bare = std::string("BM_BareTree") + work;
            if (m_times.count(ours) && m_times.count(bare) && m_times[bare] > 0)
                std::printf("ratio %-16s %.2f (the product's tree / the bare tree)\n", work,
                            m_times[ours] / m_times[bare]);
        }
    }

private:
    std::map<std::string, double> m_times;
};

wxIMPLEMENT_APP_NO_MAIN(BenchApp);

int main(int argc, char** argv)
{
    wxApp::SetInstance(new BenchApp);
    if (!wxEntryStart(argc, argv))
        return 1;
    wxTheApp->CallOnInit();
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return 0;
}

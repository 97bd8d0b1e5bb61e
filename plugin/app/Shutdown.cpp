#include "app/Shutdown.h"

#include <algorithm>
#include <mutex>

#include <wx/debug.h>
#include <wx/thread.h>

namespace {

struct Registered {
    Shutdown::Stage stage;
    std::string name;
    Shutdown::Step step;
};

std::mutex g_lock;

std::vector<Registered>& Steps()
{
    static std::vector<Registered> steps;
    return steps;
}

// Stable by stage: within a stage, registration order.
void Order(std::vector<Registered>& steps)
{
    std::stable_sort(steps.begin(), steps.end(),
                     [](const Registered& a, const Registered& b) { return a.stage < b.stage; });
}

} // namespace

void Shutdown::Register(Stage stage, const std::string& name, Step step)
{
    std::lock_guard<std::mutex> guard(g_lock);
    auto& steps = Steps();
    if (std::any_of(steps.begin(), steps.end(), [&](const Registered& r) { return r.name == name; }))
        return;
    steps.push_back({stage, name, std::move(step)});
    Order(steps);
}

void Shutdown::Run(Stage last)
{
    wxASSERT(wxIsMainThread());
    // One at a time off the list: a step may register another (a later stage) as it runs.
    for (;;) {
        Step step;
        {
            std::lock_guard<std::mutex> guard(g_lock);
            auto& steps = Steps();
            auto next = std::find_if(steps.begin(), steps.end(), [&](const Registered& r) { return r.stage <= last; });
            if (next == steps.end())
                return;
            step = std::move(next->step);
            steps.erase(next);
        }
        step();
    }
}

std::vector<std::string> Shutdown::Pending()
{
    std::lock_guard<std::mutex> guard(g_lock);
    std::vector<std::string> names;
    for (const Registered& r : Steps())
        names.push_back(r.name);
    return names;
}

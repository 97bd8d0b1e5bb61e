#include "EventPump.h"

#include <wx/app.h>
#include <wx/stopwatch.h>
#include <wx/utils.h>

bool PumpUntil(const std::function<bool()>& done, int timeoutMs)
{
    wxStopWatch watch;
    while (!done()) {
        if (watch.Time() > timeoutMs)
            return done();
        if (wxTheApp)
            wxTheApp->ProcessPendingEvents();
        wxYield();
        wxMilliSleep(2);
    }
    return true;
}

void PumpFor(int milliseconds)
{
    PumpUntil([] { return false; }, milliseconds);
}

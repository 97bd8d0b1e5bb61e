#pragma once

#include <functional>

// Runs the toolkit's queued events until 'done' holds or the time is up; returns 'done()'.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs);
// Runs queued events for a while.
void PumpFor(int milliseconds);

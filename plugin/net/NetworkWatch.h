#pragma once

// What the computer says of its network: whether it has one (GIO's network monitor) and
// whether it woke from sleep a moment ago (logind's PrepareForSleep on the system bus, where
// there is one). Failures then are the computer's, not the site's. Start() on the
// user-interface thread, whose loop delivers the changes; the questions from any thread.
class NetworkWatch {
public:
    static void Start();
    static void Stop();

    // True when no monitor could be had: a failure then counts as the site's.
    static bool IsNetworkAvailable();
    // Within this long after a resume, failures are the network still coming up.
    static constexpr int kResumeGraceSeconds = 20;
    static bool RecentlyResumed();
};

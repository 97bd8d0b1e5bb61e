#pragma once

#include <atomic>
#include <functional>

#include <wx/module.h>

#include "site/Site.h"

// The Tabuno site. As a toolkit module it is created and initialised when the host loads the
// plug-in, and cleaned up before the library goes.
class TabunoSite : public Site, public wxModule {
public:
    TabunoSite();

    long UpdateUserList() override;
    bool OnInit() override;
    void OnExit() override;

    int GetConsecutiveFailures() const { return m_failures.load(); }

    static constexpr int kTimeoutSeconds = 3;
    static constexpr int kFailuresBeforeNotice = 10;
    static constexpr int kPauseAfterPerformerMs = 10;
    static constexpr long kMinIntervalSeconds = 1;
    static constexpr long kMaxIntervalSeconds = 24 * 60 * 60;

private:
    using CancelCheck = std::function<bool()>;

    void ReportUnreachable(const CancelCheck& cancelled);

    // Touched only by the refreshing thread.
    std::atomic<int> m_failures{0};
    bool m_socketsInitialised = false;

    wxDECLARE_DYNAMIC_CLASS(TabunoSite);
};

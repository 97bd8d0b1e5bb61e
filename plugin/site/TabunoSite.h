#pragma once

#include <atomic>
#include <ctime>
#include <functional>
#include <string>

#include <wx/module.h>

#include "net/HttpConnections.h"
#include "site/Site.h"

// The Tabuno site. As a toolkit module it is created and initialised when the host loads the
// plug-in, and cleaned up before the library goes.
class TabunoSite : public Site, public wxModule {
public:
    TabunoSite();

    long UpdateUserList() override;
    long RetryDelayMs() const override { return m_retryMs.load(); }
    bool WasUnchanged() const override { return m_unchanged.load(); }
    std::time_t OfflineSince() const override { return m_offlineSince.load(); }
    bool OnInit() override;
    void OnExit() override;

    int GetConsecutiveFailures() const { return m_failures.load(); }

    static constexpr int kTimeoutSeconds = 3;
    static constexpr int kFailuresBeforeNotice = 10;
    static constexpr int kPauseAfterPerformerMs = 10;
    static constexpr long kMinIntervalSeconds = 1;
    static constexpr long kMaxIntervalSeconds = 24 * 60 * 60;
    // A site's "Retry-After" is honoured up to this long.
    static constexpr long kMaxRetryAfterSeconds = 60 * 60;
    // How often an offline computer is tried again.
    static constexpr long kOfflineRetryMs = 2000;

private:
    using CancelCheck = std::function<bool()>;

    void ReportUnreachable(const CancelCheck& cancelled);

    long IntervalMs() const;
    // The site reached, or not: the window is told when that changes.
    void SetReachable(bool reachable);

    // Touched only by the refreshing thread.
    std::atomic<int> m_failures{0};
    std::atomic<long> m_retryMs{0};
    std::atomic<bool> m_unchanged{false};
    std::atomic<std::time_t> m_offlineSince{0};
    // Until a first list is read the user sees nothing: that one is read without the pauses.
    bool m_listRead = false;
    // What the site said of the list last taken, for a conditional request.
    std::string m_etag;
    std::string m_lastModified;
    // The list's connection stays open between refreshes.
    HttpConnections m_connections;
    bool m_socketsInitialised = false;

    wxDECLARE_DYNAMIC_CLASS(TabunoSite);
};

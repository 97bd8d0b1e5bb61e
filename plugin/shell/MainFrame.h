#pragma once

#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include <wx/frame.h>
#include <wx/timer.h>

#include "shell/FrameGeometry.h"
#include "site/SiteAccount.h"

class AllTreeCtrl;
class DaemonThread;
class FavoriteTreeCtrl;
class FilteredTreeView;
class HistoryRecorder;
class RecentListCtrl;
class wxSearchCtrl;
class wxStaticText;
class NotifyIcon;
class PopupDialogManager;
class ThreadLifeline;
class UserEventPoster;
class wxIconizeEvent;
class wxMenuBar;
class wxNotebook;
class wxPanel;

// The plug-in's window: the "All" and "Favorite" trees, the menus, the synchronisation thread,
// the popups and the tray icon.
class MainFrame : public wxFrame {
public:
    MainFrame();
    ~MainFrame() override;

    void OnDownloadFinished(wxCommandEvent& event);
    void OnIconize(wxIconizeEvent& event);
    void OnMenu(wxCommandEvent& event);
    void OnClose(wxCloseEvent& event);

    // Ends every modal dialog first (their loops run on this frame's stack), then destroys the
    // frame once they have all returned.
    void RequestExit();
    // Ends the process's modal dialogs with Cancel; true when there were any.
    static bool EndModalDialogs();

    bool AreFavoritesLoaded() const { return m_favoritesLoaded; }
    AllTreeCtrl* GetAllTree() const { return m_allTree; }
    FavoriteTreeCtrl* GetFavoriteTree() const { return m_favoriteTree; }
    wxNotebook* GetNotebook() const { return m_notebook; }
    wxPanel* GetFavoritePage() const { return m_favoritePage; }
    NotifyIcon* GetNotifyIcon() const { return m_notifyIcon; }
    wxSearchCtrl* GetFilter() const { return m_filter; }
    FilteredTreeView* GetAllView() const { return m_allView; }
    FilteredTreeView* GetFavoriteView() const { return m_favoriteView; }
    RecentListCtrl* GetRecent() const { return m_recent; }
    PopupDialogManager* GetPopupManager() const { return m_popupManager; }
    // Shows the trees again in full (empty text) or only the performers whose names contain it.
    void Refilter();
    void SetPopupsPaused(bool paused);
    // Mutes everything until 'until' (0: no longer), as the menus show.
    void SetMutedUntil(std::time_t until);
    // The window is seen: nothing is missed any more.
    void OnActivate(wxActivateEvent& event);

private:
    // Asks for the account while no favourites are loaded; false when the user cancelled.
    // 'asked' tells whether the dialog was shown.
    bool EnsureAccount(bool* asked = nullptr);
    void OnFavoritesFinished(wxCommandEvent& event);
    // Shows the site's favourites and the user's own on the Favorite page (enabled from the
    // first on); 'select' brings the page to the front.
    void InstallFavorites(bool select);
    void OnMailFinished(wxCommandEvent& event);
    void OnExitTimer(wxTimerEvent& event);
    void OnGeometryChanged(wxEvent& event);
    void OnFilterText(wxCommandEvent& event);
    void OnFilterCancel(wxCommandEvent& event);
    void OnCharHook(wxKeyEvent& event);
    void OnTreeChanged(wxEvent& event);
    // Restored, shown and raised, from any state.
    void ShowInFront();
    void ShowPage(wxWindow* page);
    // The title and the tray's tooltip say since when the site cannot be reached.
    void ShowConnection();
    void ShowPreferences();
    // The frame's steps of the plug-in's one teardown, which its destructor runs.
    void RegisterTeardown();

    wxMenuBar* m_menuBar = nullptr;
    AllTreeCtrl* m_allTree = nullptr;
    wxPanel* m_allPage = nullptr;
    FavoriteTreeCtrl* m_favoriteTree = nullptr;
    wxPanel* m_favoritePage = nullptr;
    wxNotebook* m_notebook = nullptr;
    wxSearchCtrl* m_filter = nullptr;
    FilteredTreeView* m_allView = nullptr;
    FilteredTreeView* m_favoriteView = nullptr;
    wxPanel* m_recentPage = nullptr;
    RecentListCtrl* m_recent = nullptr;
    bool m_refilterPending = false;
    wxString m_shownFilter; // the text the views were last built or narrowed for
    std::shared_ptr<UserEventPoster> m_daemonPoster;
    wxTimer m_exitTimer;
    wxTimer m_muteTimer; // unchecks "Mute for 1 hour" when the hour is over
    int m_missed = 0;    // missed notifications since the window was last seen
    FrameGeometry m_geometry;
    PopupDialogManager* m_popupManager = nullptr;
    HistoryRecorder* m_history = nullptr;
    NotifyIcon* m_notifyIcon = nullptr;
    bool m_favoritesLoaded = false;  // the site's favourites, for the account's sake
    // The site's first list has reached the window.
    wxStaticText* m_favoriteHint = nullptr;
    bool m_siteListKnown = false;
    bool m_favoritePageActive = false;
    std::vector<wxString> m_siteFavorites;
    SiteAccount m_account{this};
    bool m_changingVisibility = false;

    wxDECLARE_EVENT_TABLE();
};

#pragma once

#include <string>
#include <vector>

#include <wx/frame.h>

class AllTreeCtrl;
class DaemonThread;
class FavoriteTreeCtrl;
class NotifyIcon;
class PopupDialogManager;
class wxIconizeEvent;
class wxMenuBar;
class wxNotebook;
class wxPanel;

enum {
    ID_SITE_MAILBOX = 6004,
    ID_SITE_FANCLUB = 6005,
    ID_SITE_MYQO = 6006,
    ID_SITE_MYQO_FAVOURITES = 6007,
    ID_SITE_FAV = 6008,
};

// The plug-in's window: the "All" and "Favorite" trees, the menus, the synchronisation thread,
// the popups and the tray icon.
class MainFrame : public wxFrame {
public:
    MainFrame();
    ~MainFrame() override;

    void OnDownloadFinished(wxCommandEvent& event);
    void OnIconize(wxIconizeEvent& event);
    void OnMenu(wxCommandEvent& event);

    // The favourite names of a favourites answer: the first run of letters and digits of each
    // line, each once, in the order met. The last line counts even without a line end.
    static std::vector<wxString> ParseFavorites(const std::string& body);
    // The address of a site command 6003 to 6009; empty for other ids.
    static wxString SiteAddress(int id);

    bool AreFavoritesLoaded() const { return m_favoritesLoaded; }
    AllTreeCtrl* GetAllTree() const { return m_allTree; }
    FavoriteTreeCtrl* GetFavoriteTree() const { return m_favoriteTree; }
    wxNotebook* GetNotebook() const { return m_notebook; }
    wxPanel* GetFavoritePage() const { return m_favoritePage; }
    NotifyIcon* GetNotifyIcon() const { return m_notifyIcon; }

private:
    bool EnsureAccount();
    void RequestFavorites();
    void CheckMail();

    wxMenuBar* m_menuBar = nullptr;
    AllTreeCtrl* m_allTree = nullptr;
    wxPanel* m_allPage = nullptr;
    FavoriteTreeCtrl* m_favoriteTree = nullptr;
    wxPanel* m_favoritePage = nullptr;
    wxNotebook* m_notebook = nullptr;
    DaemonThread* m_daemonThread = nullptr;
    PopupDialogManager* m_popupManager = nullptr;
    NotifyIcon* m_notifyIcon = nullptr;
    bool m_favoritesLoaded = false;
    bool m_changingVisibility = false;

    wxDECLARE_EVENT_TABLE();
};

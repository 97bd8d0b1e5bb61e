#include "shell/MainFrame.h"

#include <algorithm>
#include <ctime>
#include <tuple>
#include <utility>

#include <wx/app.h>
#include <wx/datetime.h>
#include <wx/dialog.h>
#include <wx/menu.h>
#include <wx/notebook.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/srchctrl.h>
#include <wx/stattext.h>
#include <wx/taskbar.h>

#include "app/AccountPassword.h"
#include "app/DataFiles.h"
#include "app/CommandIds.h"
#include "app/Keys.h"
#include "app/MainFrameLink.h"
#include "app/MessageBoxSeam.h"
#include "app/Settings.h"
#include "app/Shutdown.h"
#include "app/ThreadLifeline.h"
#include "net/DownloadThread.h"
#include "net/Util.h"
#include "shell/AboutDialog.h"
#include "shell/AuthenticationDialog.h"
#include "shell/FavoritesTransfer.h"
#include "shell/NotifyIcon.h"
#include "shell/PreferencesDialog.h"
#include "site/DaemonThread.h"
#include "site/HistoryRecorder.h"
#include "site/Site.h"
#include "site/ThumbnailFetch.h"
#include "site/UserEvent.h"
#include "site/UserListEvent.h"
#include "skin/ResourceManager.h"
#include "views/AllTreeCtrl.h"
#include "views/DesktopNotification.h"
#include "views/FavoriteTreeCtrl.h"
#include "views/FilteredTreeView.h"
#include "views/LocalFavorites.h"
#include "views/PopupColumn.h"
#include "views/PopupDialog.h"
#include "views/PopupDialogManager.h"
#include "views/PerformerRules.h"
#include "views/RecentListCtrl.h"

wxBEGIN_EVENT_TABLE(MainFrame, wxFrame)
    EVT_COMMAND(wxID_ANY, wxEVT_DOWNLOAD_FINISHED, MainFrame::OnDownloadFinished)
    EVT_ICONIZE(MainFrame::OnIconize)
    EVT_MENU(wxID_ANY, MainFrame::OnMenu)
    EVT_CLOSE(MainFrame::OnClose)
wxEND_EVENT_TABLE()

namespace {
// While modal dialogs unwind, the exit is tried again this often.
constexpr int kExitRetryMs = 50;
constexpr std::time_t kMuteSeconds = 60 * 60;
constexpr size_t kMaxRecentFile = 1 << 20;
}

MainFrame::MainFrame() : m_geometry(this)
{
    Create(nullptr, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize,
           wxDEFAULT_FRAME_STYLE, wxFrameNameStr);
    MainFrameLink::Register(this);

    m_notebook = new wxNotebook(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, 0, "notebook");
    m_favoritePage = new wxPanel(m_notebook, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                 wxTAB_TRAVERSAL | wxNO_BORDER);
    m_allPage = new wxPanel(m_notebook, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                            wxTAB_TRAVERSAL | wxNO_BORDER);

    m_menuBar = new wxMenuBar;
    SetMenuBar(m_menuBar);
    auto* file = new wxMenu;
    file->Append(wxMenuItem::New(file, ID_IMPORT_FAVORITES, _("&Import Favorites..."), wxString()));
    file->Append(wxMenuItem::New(file, ID_EXPORT_FAVORITES, _("&Export Favorites..."), wxString()));
    file->AppendSeparator();
    file->Append(wxMenuItem::New(file, wxID_EXIT, _("E&xit"), wxString()));
    m_menuBar->Append(file, _("&File"));
    auto* tool = new wxMenu;
    tool->Append(wxMenuItem::New(tool, ID_UPDATE_FAVORITE, _("&Update Favorite"), wxString()));
    tool->Append(wxMenuItem::New(tool, ID_POPUP_ONLY_FAVORITE, _("Popup Only Favorite"),
                                 wxString(), wxITEM_CHECK));
    tool->Append(wxMenuItem::New(tool, ID_PAUSE_POPUPS, _("Pause Popups"), wxString(), wxITEM_CHECK));
    tool->Append(wxMenuItem::New(tool, ID_MUTE_HOUR, _("&Mute for 1 hour"), wxString(), wxITEM_CHECK));
    tool->AppendSeparator();
    tool->Append(wxMenuItem::New(tool, wxID_PREFERENCES, _("Preferences..."), wxString()));
    m_menuBar->Append(tool, _("&Tool"));
    // The mail check and the site's pages have no other way in for the user.
    auto* site = new wxMenu;
    site->Append(wxMenuItem::New(site, ID_CHECK_MAIL, _("Check &Mail"), wxString()));
    site->AppendSeparator();
    site->Append(wxMenuItem::New(site, ID_SITE_TOP, _("&Top Page"), wxString()));
    site->Append(wxMenuItem::New(site, ID_SITE_MYQO, _("My &Page"), wxString()));
    site->Append(wxMenuItem::New(site, ID_SITE_MYQO_FAVOURITES, _("My &Favorites"), wxString()));
    site->Append(wxMenuItem::New(site, ID_SITE_FAV, _("Favorite &Updates"), wxString()));
    site->Append(wxMenuItem::New(site, ID_SITE_MAILBOX, _("Mail&box"), wxString()));
    site->Append(wxMenuItem::New(site, ID_SITE_FANCLUB, _("Fan &Club"), wxString()));
    site->AppendSeparator();
    site->Append(wxMenuItem::New(site, ID_SITE_JOIN, _("&Join"), wxString()));
    m_menuBar->Append(site, _("&Site"));
    auto* help = new wxMenu;
    help->Append(wxMenuItem::New(help, wxID_ABOUT, _("&About..."), wxString()));
    m_menuBar->Append(help, _("&Help"));

    m_allTree = new AllTreeCtrl(m_allPage, wxID_ANY, wxDefaultPosition, wxDefaultSize, USER_LIST_TREE_STYLE,
                                wxDefaultValidator, wxTreeCtrlNameStr);
    m_favoriteTree = new FavoriteTreeCtrl(m_favoritePage, wxID_ANY, wxDefaultPosition,
                                          wxDefaultSize, USER_LIST_TREE_STYLE, wxDefaultValidator,
                                          wxTreeCtrlNameStr);

    SetTitle(_("Sorvik Statuscope"));
    const wxPoint first = ConvertDialogToPixels(wxPoint(128, 240));
    SetSize(-1, -1, first.x, first.y, wxSIZE_USE_EXISTING);

    // Each tree has a filtered stand-in, shown instead of it while the user filters.
    m_allView = new FilteredTreeView(m_allPage);
    m_favoriteView = new FilteredTreeView(m_favoritePage);
    m_recentPage = new wxPanel(m_notebook, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                               wxTAB_TRAVERSAL | wxNO_BORDER);
    m_recent = new RecentListCtrl(m_recentPage);
    auto* frameSizer = new wxBoxSizer(wxVERTICAL);
    for (auto [page, tree, view] :
         {std::tuple<wxPanel*, wxWindow*, wxWindow*>{m_allPage, m_allTree, m_allView},
          std::tuple<wxPanel*, wxWindow*, wxWindow*>{m_favoritePage, m_favoriteTree, m_favoriteView},
          std::tuple<wxPanel*, wxWindow*, wxWindow*>{m_recentPage, m_recent, nullptr}}) {
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        sizer->Add(tree, 1, wxEXPAND, 0);
        if (view) {
            sizer->Add(view, 1, wxEXPAND, 0);
            view->Hide();
        }
        page->SetAutoLayout(true);
        page->SetSizer(sizer);
        sizer->Fit(page);
        sizer->SetSizeHints(page);
    }
    // Before any favourite is known the page says how to get some, rather than stay blank.
    m_favoriteHint = new wxStaticText(m_favoritePage, wxID_ANY, wxString(), wxDefaultPosition,
                                      wxDefaultSize, 0, "favoriteHint");
    m_favoriteTree->Hide();
    m_favoritePage->GetSizer()->Insert(0, m_favoriteHint, wxSizerFlags(1).Expand().DoubleBorder(wxALL));
    m_favoritePage->Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
        event.Skip();
        if (!m_favoriteHint->IsShown())
            return;
        m_favoriteHint->SetLabel(_("Your favorites show here once you sign in with Tool > Update Favorite.") +
                                 "\n\n" +
                                 _("You can also keep favorites of your own: right-click a performer on "
                                   "the All page and choose Add to Favorites."));
        m_favoriteHint->Wrap(std::max(1, event.GetSize().x - 4 * wxSizerFlags::GetDefaultBorder()));
    });
    m_notebook->AddPage(m_allPage, _("All"), false, -1);
    m_notebook->AddPage(m_favoritePage, _("Favorite"), false, -1);
    m_notebook->AddPage(m_recentPage, _("Recent"), false, -1);
    m_filter = new wxSearchCtrl(this, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize,
                                wxTE_PROCESS_ENTER, wxDefaultValidator, "filter");
    m_filter->SetDescriptiveText(_("Find a performer"));
    m_filter->ShowCancelButton(true);
    m_filter->Bind(wxEVT_TEXT, &MainFrame::OnFilterText, this);
    m_filter->Bind(wxEVT_SEARCH_CANCEL, &MainFrame::OnFilterCancel, this);
    Bind(wxEVT_CHAR_HOOK, &MainFrame::OnCharHook, this);
    for (UserListTreeCtrl* tree : {static_cast<UserListTreeCtrl*>(m_allTree),
                                   static_cast<UserListTreeCtrl*>(m_favoriteTree)}) {
        tree->Bind(wxEVT_USER_ADDED, &MainFrame::OnTreeChanged, this);
        tree->Bind(wxEVT_USER_DELETED, &MainFrame::OnTreeChanged, this);
        tree->Bind(wxEVT_USER_CHANGED, &MainFrame::OnTreeChanged, this);
        tree->Bind(wxEVT_USER_LIST_INITIALIZED, &MainFrame::OnTreeChanged, this);
        // A filter typed while a whole list was still going in is applied again to all of it.
        tree->Bind(EVT_USER_LIST_PLACED, &MainFrame::OnTreeChanged, this);
    }
    m_allTree->Bind(wxEVT_USER_LIST_INITIALIZED, [this](UserListEvent& event) {
        event.Skip();
        m_siteListKnown = true;
        // Favourites installed while this list was already on its way did not get it.
        if (m_favoritePageActive && !m_favoriteTree->IsSiteListKnown())
            m_favoriteTree->GetEventHandler()->AddPendingEvent(event);
    });
    wxAcceleratorEntry find(wxACCEL_CTRL, 'F', ID_FIND);
    SetAcceleratorTable(wxAcceleratorTable(1, &find));
    frameSizer->Add(m_filter, 0, wxEXPAND | wxALL, 2);
    frameSizer->Add(m_notebook, 1, wxEXPAND, 0);
    SetAutoLayout(true);
    SetSizer(frameSizer);
    Layout();

    m_menuBar->Check(ID_POPUP_ONLY_FAVORITE, Keys::PopupOnlyFavorite.Read());
    m_menuBar->Enable(ID_POPUP_ONLY_FAVORITE, false);
    m_menuBar->Check(ID_PAUSE_POPUPS, Keys::PopupsPaused.Read());

    auto* daemonThread = new DaemonThread(Site::GetInstance(), wxTHREAD_JOINABLE, 0, 0);
    m_daemonPoster = daemonThread->GetPoster();
    m_exitTimer.SetOwner(this);
    Bind(wxEVT_TIMER, &MainFrame::OnExitTimer, this, m_exitTimer.GetId());
    daemonThread->AddEventHandler(m_allTree);
    m_favoritePage->Enable(false);
    m_popupManager = new PopupDialogManager;
    // What came before the last exit, then what comes now.
    for (const RecentList::Entry& entry : RecentList::Parse(DataFiles::Read("recent", kMaxRecentFile)))
        m_recent->Add(entry.name, entry.kind, entry.note, entry.when);
    m_popupManager->SetRecorder([this](const User& user, int kind, RecentNote note) {
        m_recent->Add(user.GetName(), kind, note, std::time(nullptr));
        if (IsMissed(note) && !(IsShown() && IsActive()) && m_notifyIcon)
            m_notifyIcon->SetMissed(++m_missed);
    });
    Bind(wxEVT_ACTIVATE, &MainFrame::OnActivate, this);
    m_muteTimer.SetOwner(this);
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) { SetMutedUntil(0); }, m_muteTimer.GetId());
    ThumbnailFetch::SetListener(
        [this](const wxString& name, const wxImage& image) { m_recent->SetThumbnail(name, image); });
    m_popupManager->SetDesktopNotificationsChoice(&PreferencesDialog::UsesDesktopNotifications);
    daemonThread->AddEventHandler(m_popupManager);
    // Every change of every performer, kept in the data folder for their history.
    m_history = new HistoryRecorder(HistoryRecorder::DefaultPath(),
                                    static_cast<int>(std::clamp(Keys::HistoryDays.Read(), 1L, 3650L)));
    if (m_history->Start())
        daemonThread->AddEventHandler(m_history);

    const wxIcon icon = ResourceManager::GetInstance()->GetIcon("Application_icon");
    if (icon.IsOk())
        SetIcon(icon);

    m_geometry.Restore();
    Bind(wxEVT_SIZE, &MainFrame::OnGeometryChanged, this);
    Bind(wxEVT_MOVE, &MainFrame::OnGeometryChanged, this);
    Show(true);
    Raise();
    RegisterTeardown();
    // Joined and deleted by its lifeline's registry; only its lifeline and poster are used from here on.
    if (daemonThread->Run() != wxTHREAD_NO_ERROR)
        delete daemonThread;
    m_notifyIcon = new NotifyIcon(this, icon, wxTheApp ? wxTheApp->GetAppName() : wxString());
    m_notifyIcon->SetPaused(m_menuBar->IsChecked(ID_PAUSE_POPUPS));
    SetMutedUntil(static_cast<std::time_t>(Keys::MutedUntil.Read()));

    // The user's own favourites need no account.
    if (!LocalFavorites::Get().empty())
        InstallFavorites(false);
    // A stored account signs in quietly, once the keyring has given its password: the
    // favourites are there without a dialog.
    AccountPassword::Load([this] { m_account.SignInAtStart(); });
}

MainFrame::~MainFrame()
{
    // Up to what the user keeps; the module's services go with the module.
    Shutdown::Run(Shutdown::Stage::State);
}

void MainFrame::RegisterTeardown()
{
    using S = Shutdown::Stage;
    Shutdown::Register(S::Windows, "main window's exit timer", [this] {
        m_exitTimer.Stop();
        m_muteTimer.Stop();
    });
    // The popups go with the window: left behind they would keep the process alive.
    Shutdown::Register(S::Windows, "popups", [this] {
        if (m_popupManager)
            m_popupManager->Stop();
        ThumbnailFetch::SetListener(nullptr);
        PopupColumn::CloseAll();
    });
    Shutdown::Register(S::Windows, "desktop notifications", &DesktopNotification::ForgetAll);
    // The synchronisation thread and the downloads are stopped and joined by the lifelines'
    // own step (Stage::Threads) before the handlers they post to go.
    Shutdown::Register(S::Handlers, "tray icon", [this] {
        delete m_notifyIcon;
        m_notifyIcon = nullptr;
    });
    // Its thread has closed the open sessions by now (Stage::Threads).
    Shutdown::Register(S::Handlers, "history", [this] {
        delete m_history;
        m_history = nullptr;
    });
    Shutdown::Register(S::Handlers, "popup manager", [this] {
        delete m_popupManager;
        m_popupManager = nullptr;
    });
    Shutdown::Register(S::Handlers, "main window's downloads", [this] { DownloadThread::ForgetReceiver(this); });
    // Before the settings are written out: a password the keyring refuses lands there.
    Shutdown::Register(S::Handlers, "keyring", &AccountPassword::Stop);
    Shutdown::Register(S::State, "main window's geometry", [this] { m_geometry.Save(); });
    Shutdown::Register(S::State, "recent notifications", [this] {
        if (m_recent)
            DataFiles::Write("recent", m_recent->GetEntries().Serialize());
    });
    Shutdown::Register(S::State, "settings", [this] {
        Keys::Favorites.Delete();
        Settings::Flush();
        MainFrameLink::Unregister(this);
    });
}

void MainFrame::OnIconize(wxIconizeEvent& event)
{
    // GTK reports hiding and showing as iconize and restore events of their own. A hidden
    // frame cannot be restored by the user (only the tray shows it again), so such events
    // are ignored; answering them would hide and show the frame back and forth.
    if (m_changingVisibility || !IsShown())
        return;
    // Without a tray nothing could show a hidden frame again: it is minimised as any window.
    if (event.IsIconized() && !(m_notifyIcon && m_notifyIcon->IsInTray()))
        return;
    m_changingVisibility = true;
    if (event.IsIconized())
        Show(false);
    else
        Raise();
    m_changingVisibility = false;
}

void MainFrame::OnGeometryChanged(wxEvent& event)
{
    m_geometry.Track();
    event.Skip();
}

void MainFrame::ShowPreferences()
{
    PreferencesDialog dialog(this, m_favoritePageActive);
    if (dialog.ShowModal() != wxID_OK)
        return;
    dialog.Apply();
    // The menus show what was chosen; the duration and the interval are read where they are used.
    m_menuBar->Check(ID_POPUP_ONLY_FAVORITE, Keys::PopupOnlyFavorite.Read());
    SetPopupsPaused(Keys::PopupsPaused.Read());
    if (m_favoritePageActive)
        m_favoriteTree->SortOffline();
}

void MainFrame::SetPopupsPaused(bool paused)
{
    m_menuBar->Check(ID_PAUSE_POPUPS, paused);
    if (m_notifyIcon)
        m_notifyIcon->SetPaused(paused);
    Keys::PopupsPaused.Write(paused);
    Settings::Flush();
}

void MainFrame::SetMutedUntil(std::time_t until)
{
    const std::time_t now = std::time(nullptr);
    if (until <= now)
        until = 0;
    Keys::MutedUntil.Write(static_cast<long>(until));
    Settings::Flush();
    PerformerRules::ApplySettings();
    m_menuBar->Check(ID_MUTE_HOUR, until != 0);
    if (m_notifyIcon)
        m_notifyIcon->SetMuted(until != 0);
    m_muteTimer.Stop();
    if (until != 0)
        m_muteTimer.StartOnce(static_cast<int>(std::min<std::time_t>(until - now, kMuteSeconds) * 1000 + 500));
}

void MainFrame::OnActivate(wxActivateEvent& event)
{
    event.Skip();
    if (event.GetActive() && m_missed > 0) {
        m_missed = 0;
        if (m_notifyIcon)
            m_notifyIcon->SetMissed(0);
    }
}

void MainFrame::ShowConnection()
{
    Site* site = Site::GetInstance();
    const std::time_t since = site ? site->OfflineSince() : 0;
    const wxString status =
        since ? wxString::Format(_("Offline since %s"), wxDateTime(since).Format("%H:%M")) : wxString();
    SetTitle(status.empty() ? _("Sorvik Statuscope") : _("Sorvik Statuscope") + " - " + status);
    if (m_notifyIcon)
        m_notifyIcon->SetStatus(status);
}

void MainFrame::ShowInFront()
{
    m_changingVisibility = true;
    // Always: a frame hidden while minimised may no longer say it is, yet the toolkit would
    // map it minimised again.
    Iconize(false);
    Show(true);
    Raise();
    m_changingVisibility = false;
}

void MainFrame::ShowPage(wxWindow* page)
{
    ShowInFront();
    if (const int index = m_notebook->FindPage(page); index != wxNOT_FOUND)
        m_notebook->SetSelection(static_cast<size_t>(index));
}

void MainFrame::OnFilterText(wxCommandEvent&)
{
    // Typing on narrows what is shown: most keystrokes then only change the counts.
    const wxString text = m_filter->GetValue();
    const bool longer = !m_shownFilter.empty() && text.Lower().Contains(m_shownFilter.Lower());
    m_shownFilter = text;
    if (longer && !m_refilterPending && m_allView->Narrow(text) && m_favoriteView->Narrow(text))
        return;
    Refilter();
}

void MainFrame::OnFilterCancel(wxCommandEvent&)
{
    m_filter->Clear(); // its text event refilters
}

void MainFrame::OnCharHook(wxKeyEvent& event)
{
    const wxWindow* focus = FindFocus();
    const bool inFilter = focus && (focus == m_filter || focus->GetParent() == m_filter);
    if (inFilter && event.GetKeyCode() == WXK_ESCAPE && !m_filter->IsEmpty()) {
        m_filter->Clear();
        return;
    }
    event.Skip();
}

void MainFrame::OnTreeChanged(wxEvent& event)
{
    event.Skip(); // the tree follows the site first; the filtered view is rebuilt after
    if (m_filter->IsEmpty() || m_refilterPending)
        return;
    m_refilterPending = true;
    CallAfter([this] {
        m_refilterPending = false;
        Refilter();
    });
}

void MainFrame::Refilter()
{
    const wxString text = m_filter->GetValue();
    m_shownFilter = text;
    for (auto [tree, view] : {std::pair<UserListTreeCtrl*, FilteredTreeView*>{m_allTree, m_allView},
                              std::pair<UserListTreeCtrl*, FilteredTreeView*>{m_favoriteTree, m_favoriteView}}) {
        if (tree == m_favoriteTree && !m_favoritePageActive)
            continue; // its hint stays
        if (text.empty()) {
            view->Clear();
            view->Hide();
            tree->Show();
        } else {
            view->Rebuild(*tree, text);
            tree->Hide();
            view->Show();
        }
        view->GetParent()->Layout();
    }
}

void MainFrame::OnMenu(wxCommandEvent& event)
{
    switch (event.GetId()) {
    case wxID_OPEN:
        ShowInFront();
        break;
    case wxID_CLOSE:
        m_changingVisibility = true;
        Show(false);
        m_changingVisibility = false;
        break;
    case wxID_EXIT:
        RequestExit();
        break;
    case ID_UPDATE_FAVORITE: {
        bool asked = false;
        if (EnsureAccount(&asked))
            m_account.RequestFavorites(asked ? SiteAccount::kLoginRequest : SiteAccount::kFavoritesRequest);
        break;
    }
    case ID_POPUP_ONLY_FAVORITE:
        Keys::PopupOnlyFavorite.Write(event.GetInt() != 0);
        Settings::Flush();
        break;
    case ID_PAUSE_POPUPS:
        // From the menu bar or the tray's menu: both show the same state.
        SetPopupsPaused(event.IsChecked());
        break;
    case ID_MUTE_HOUR: {
        const std::time_t now = std::time(nullptr);
        SetMutedUntil(PerformerRules::Get().MutedUntil() > now ? 0 : now + kMuteSeconds);
        break;
    }
    case wxID_PREFERENCES:
        ShowPreferences();
        break;
    case wxID_ABOUT: {
        AboutDialog about(this);
        about.ShowModal();
        break;
    }
    case ID_SHOW_RECENT:
        ShowPage(m_recentPage);
        break;
    case ID_FIND:
        m_filter->SetFocus();
        m_filter->SelectAll();
        break;
    case ID_CONNECTION_CHANGED:
        ShowConnection();
        break;
    case ID_FAVORITES_CHANGED:
        InstallFavorites(false);
        break;
    case ID_IMPORT_FAVORITES:
        FavoritesTransfer::Import(this);
        break;
    case ID_EXPORT_FAVORITES:
        FavoritesTransfer::Export(this);
        break;
    case ID_CHECK_MAIL:
        if (EnsureAccount())
            m_account.RequestMail();
        break;
    default: {
        const wxString address = SiteAccount::PageAddress(event.GetId());
        if (!address.empty())
            Util::LaunchBrowser(address);
        break;
    }
    }
}

void MainFrame::OnClose(wxCloseEvent&)
{
    RequestExit();
}

bool MainFrame::EndModalDialogs()
{
    bool any = false;
    for (wxWindow* window : wxTopLevelWindows) {
        auto* dialog = dynamic_cast<wxDialog*>(window);
        if (dialog && dialog->IsModal()) {
            dialog->EndModal(wxID_CANCEL);
            any = true;
        }
    }
    return any;
}

void MainFrame::RequestExit()
{
    if (IsBeingDeleted())
        return;
    // Destroying the frame under a modal loop would pull the dialog's parent (and the stack it
    // runs on) away under it: end the loops and come back when they have returned.
    if (EndModalDialogs()) {
        m_exitTimer.StartOnce(kExitRetryMs);
        return;
    }
    Destroy();
}

void MainFrame::OnExitTimer(wxTimerEvent&)
{
    RequestExit();
}

bool MainFrame::EnsureAccount(bool* asked)
{
    if (m_favoritesLoaded)
        return true;
    if (asked)
        *asked = true;
    m_account.LoginStarted();
    AuthenticationDialog dialog(this, wxID_ANY, _("Authentication"));
    return dialog.ShowModal() == wxID_OK;
}

void MainFrame::OnDownloadFinished(wxCommandEvent& event)
{
    if (event.GetId() == SiteAccount::kMailRequest)
        OnMailFinished(event);
    else
        OnFavoritesFinished(event);
}

void MainFrame::OnFavoritesFinished(wxCommandEvent& event)
{
    const std::unique_ptr<char[]> data = DownloadThread::TakeBuffer(event);
    Site* site = Site::GetInstance();
    const SiteAccount::Favorites answer =
        m_account.TakeFavorites(event.GetId(), data.get(), static_cast<size_t>(event.GetInt()),
                                m_favoritesLoaded, site ? site->GetUserList() : UserList());
    if (answer.outcome == SiteAccount::Outcome::Failed)
        MessageBoxSeam::Show(_("Could not login."), _("Error"), wxOK | wxICON_ERROR | wxCENTRE);
    if (answer.outcome != SiteAccount::Outcome::Loaded)
        return;
    m_siteFavorites.clear();
    for (const User& favorite : answer.favorites)
        m_siteFavorites.push_back(favorite.GetName());
    // The quiet sign-in at start leaves the page the user is on.
    InstallFavorites(!m_favoritesLoaded && event.GetId() != SiteAccount::kSignInRequest);
    m_favoritesLoaded = true;
}

void MainFrame::InstallFavorites(bool select)
{
    // The site's and the user's own, each with the status it has on the site now.
    Site* site = Site::GetInstance();
    const UserList online = site ? site->GetUserList() : UserList();
    UserList favorites;
    const auto add = [&](const wxString& name) {
        if (favorites.FindUser(name))
            return;
        const User* user = online.FindUser(name);
        favorites.AddUser(user ? *user : User(name, 0));
    };
    for (const wxString& name : m_siteFavorites)
        add(name);
    for (const wxString& name : LocalFavorites::Get().Names())
        add(name);

    if (!m_favoritePageActive) {
        m_favoritePageActive = true;
        m_daemonPoster->AddEventHandler(m_favoriteTree);
        m_favoritePage->Enable(true);
        m_favoriteHint->Hide();
        m_favoriteTree->Show();
        m_favoritePage->Layout();
        m_favoriteTree->CreateGroups();
        m_menuBar->Enable(ID_POPUP_ONLY_FAVORITE, true);
    }
    if (select)
        if (const int index = m_notebook->FindPage(m_favoritePage); index != wxNOT_FOUND)
            m_notebook->SetSelection(static_cast<size_t>(index));

    if (m_siteListKnown)
        m_favoriteTree->SetSiteListKnown(true);
    UserListEvent installed(wxEVT_USER_LIST_INITIALIZED, FavoriteTreeCtrl::kFavoritesListId);
    installed.SetUserList(favorites);
    m_favoriteTree->GetEventHandler()->AddPendingEvent(installed);
}

void MainFrame::OnMailFinished(wxCommandEvent& event)
{
    const std::unique_ptr<char[]> data = DownloadThread::TakeBuffer(event);
    if (!data) {
        MessageBoxSeam::Show(_("Could not check mail. Please try again later."), _("Error"),
                             wxOK | wxICON_ERROR | wxCENTRE);
        return;
    }
    const int count = SiteAccount::ParseUnreadCount(std::string(data.get(), static_cast<size_t>(event.GetInt())));
    MessageBoxSeam::Show(wxString::Format("You have %d new message.", count), "New Mail", wxOK);
}

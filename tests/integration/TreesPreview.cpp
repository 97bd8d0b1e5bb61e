// Both performer trees filled from a live simulated site through the synchronisation thread.
//   trees_preview [--seconds N] [--favorites] [--popups]
// Exits 0 when, at the end, the "All" tree holds exactly the performers of the site's list.
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/notebook.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/timer.h>

#include "SiteSimulator.h"
#include "app/Settings.h"
#include "app/ThreadLifeline.h"
#include "site/DaemonThread.h"
#include "site/TabunoSite.h"
#include "site/UserListEvent.h"
#include "views/AllTreeCtrl.h"
#include "views/FavoriteTreeCtrl.h"
#include "views/PopupDialogManager.h"

namespace {

int g_result = 1;

class PreviewApp : public wxApp {
public:
    bool OnInit() override
    {
        int seconds = 8;
        bool showFavorites = false;
        bool popups = false;
        for (int i = 1; i < argc; ++i) {
            if (wxString(argv[i]) == "--seconds" && i + 1 < argc)
                seconds = std::atoi(wxString(argv[i + 1]).utf8_str());
            if (wxString(argv[i]) == "--favorites")
                showFavorites = true;
            if (wxString(argv[i]) == "--popups")
                popups = true;
        }

        sitesim::SiteSimulator::Options options;
        options.performers = 120;
        options.seed = 5;
        m_sim = std::make_unique<sitesim::SiteSimulator>(options);
        if (!m_sim->Start())
            return false;
        Settings::WriteString(Settings::HostKey(Settings::Host::Main),
                              wxString::FromUTF8(m_sim->HostPort()));
        Settings::WriteString(Settings::HostKey(Settings::Host::Image),
                              wxString::FromUTF8(m_sim->HostPort()));
        Settings::WriteLong("/System/syncinterval", 2);
        Settings::WriteLong("/PopupDialog/duration", 6);

        m_frame = new wxFrame(nullptr, wxID_ANY, "Statuscope trees", wxPoint(20, 20), wxSize(260, 520));
        auto* notebook = new wxNotebook(m_frame, wxID_ANY);
        auto* allPage = new wxPanel(notebook);
        auto* favPage = new wxPanel(notebook);
        m_all = new AllTreeCtrl(allPage, wxID_ANY, wxDefaultPosition, wxDefaultSize, USER_LIST_TREE_STYLE);
        m_favorites = new FavoriteTreeCtrl(favPage, wxID_ANY, wxDefaultPosition, wxDefaultSize, USER_LIST_TREE_STYLE);
        for (auto [page, tree] : {std::pair<wxPanel*, wxTreeCtrl*>{allPage, m_all},
                                  std::pair<wxPanel*, wxTreeCtrl*>{favPage, m_favorites}}) {
            auto* sizer = new wxBoxSizer(wxVERTICAL);
            sizer->Add(tree, 1, wxEXPAND);
            page->SetSizer(sizer);
        }
        notebook->AddPage(allPage, "All");
        notebook->AddPage(favPage, "Favorite", showFavorites);

        // Favourites: some performers of the site and two who are not on line.
        UserList favorites;
        int taken = 0;
        for (const auto& p : m_sim->Performers())
            if (taken++ % 20 == 0)
                favorites.AddUser(User(wxString::FromUTF8(p.name), 0));
        favorites.AddUser(User("away_one", 0));
        favorites.AddUser(User("away_two", 0));
        m_favorites->CreateGroups();
        UserListEvent installed(wxEVT_USER_LIST_INITIALIZED, FavoriteTreeCtrl::kFavoritesListId);
        installed.SetUserList(favorites);
        m_favorites->GetEventHandler()->AddPendingEvent(installed);

        m_thread = new DaemonThread(&m_site);
        m_thread->AddEventHandler(m_all);
        m_thread->AddEventHandler(m_favorites);
        if (popups) {
            m_popups = std::make_unique<PopupDialogManager>();
            m_thread->AddEventHandler(m_popups.get());
        }
        m_lifeline = m_thread->GetLifeline();
        m_thread->Run();
        m_thread = nullptr;
        m_frame->Show();

        m_timer.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Finish(); });
        m_timer.StartOnce(seconds * 1000);
        return true;
    }

    int OnExit() override
    {
        DaemonThread::StopAndWait(m_lifeline);
        m_sim.reset();
        return wxApp::OnExit();
    }

private:
    void Finish()
    {
        DaemonThread::StopAndWait(m_lifeline);
        ProcessPendingEvents();
        const size_t shown = m_all->GetChildrenCount(m_all->GetOnlineGroup(), false);
        const size_t listed = m_site.GetUserList().size();
        std::printf("All tree: %zu performers, site list: %zu; tab label \"%s\"\n", shown, listed,
                    static_cast<const char*>(m_all->GetItemText(m_all->GetOnlineGroup()).utf8_str()));
        g_result = (listed > 0 && shown == listed) ? 0 : 1;
        m_frame->Destroy();
    }

    std::unique_ptr<sitesim::SiteSimulator> m_sim;
    TabunoSite m_site;
    DaemonThread* m_thread = nullptr; // only until Run()
    std::shared_ptr<ThreadLifeline> m_lifeline;
    wxFrame* m_frame = nullptr;
    AllTreeCtrl* m_all = nullptr;
    FavoriteTreeCtrl* m_favorites = nullptr;
    std::unique_ptr<PopupDialogManager> m_popups;
    wxTimer m_timer;
};

} // namespace

wxIMPLEMENT_APP_NO_MAIN(PreviewApp);

int main(int argc, char** argv)
{
    // A throw-away configuration: never the user's own.
    const auto home = std::filesystem::temp_directory_path() /
                      ("sorvik-preview-" + std::to_string(::getpid()));
    std::filesystem::create_directories(home);
    setenv("HOME", home.c_str(), 1);
    const int result = wxEntry(argc, argv);
    std::filesystem::remove_all(home);
    return result != 0 ? result : g_result;
}

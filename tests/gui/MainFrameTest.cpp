#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/notebook.h>
#include <wx/panel.h>
#include <wx/settings.h>
#include <wx/spinctrl.h>
#include <wx/checkbox.h>
#include <wx/file.h>
#include <wx/filename.h>
#include <wx/choice.h>
#include <wx/srchctrl.h>
#include <wx/taskbar.h>
#include <wx/textctrl.h>

#include "EventPump.h"
#include "FakeBrowser.h"
#include "QuietSite.h"
#include "SiteSimulator.h"
#include "app/CommandIds.h"
#include "app/Keys.h"
#include "app/MainFrameLink.h"
#include "app/MessageBoxSeam.h"
#include "app/Settings.h"
#include "app/Shutdown.h"
#include "app/ThreadLifeline.h"
#include "model/UserStatus.h"
#include "net/DownloadThread.h"
#include "net/ProxySetting.h"
#include "shell/AuthenticationDialog.h"
#include "shell/FavoritesTransfer.h"
#include "shell/MainFrame.h"
#include "shell/NotifyIcon.h"
#include "shell/PreferencesDialog.h"
#include "site/TabunoSite.h"
#include "site/UserEvent.h"
#include "views/AllTreeCtrl.h"
#include "views/FavoriteTreeCtrl.h"
#include "views/FilteredTreeView.h"
#include "views/PopupColumn.h"
#include "views/PopupDialog.h"
#include "views/PopupDialogManager.h"
#include "views/RecentListCtrl.h"

namespace {

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim = StartQuietSite();
        ASSERT_TRUE(sim);
        sim->SetPerformers({{"ann", sitesim::SimPerformer::State::Free, 1}});
        sim->SetAccount("pat", {"p&ss w#rd", {"ann", "zed"}, 3});
        ProxySetting::Set("");
        for (auto host : {Settings::Host::Main, Settings::Host::Image, Settings::Host::Mail})
            Settings::WriteString(Settings::HostKey(host), wxString::FromUTF8(sim->HostPort()));
        for (const char* key : {"/MainFrame/x", "/MainFrame/y", "/MainFrame/width",
                                "/MainFrame/height", "/PopupDialog/onlyFavorite"})
            Settings::DeleteEntry(key);
        Settings::WriteString("/id", "pat");
        Settings::WriteString("/password", "p&ss w#rd");
        Keys::SignInAtStart.Write(false);
        MessageBoxSeam::SetResponder([this](const wxString& message, const wxString&, long) {
            boxes.push_back(message);
            return wxOK;
        });
    }
    void TearDown() override
    {
        if (frame)
            Close();
        MessageBoxSeam::SetResponder({});
    }

    void Open()
    {
        frame = new MainFrame;
        PumpFor(50);
    }
    void Close()
    {
        frame->Destroy();
        PumpUntil([] { return MainFrameLink::Get() == nullptr; }, 5000);
        frame = nullptr;
    }
    void DeliverFavorites(const char* body)
    {
        wxCommandEvent event(wxEVT_DOWNLOAD_FINISHED, -1);
        if (body) {
            const size_t length = std::strlen(body);
            char* buffer = new char[length];
            std::memcpy(buffer, body, length);
            event.SetClientData(buffer);
            event.SetInt(static_cast<int>(length));
        }
        frame->GetEventHandler()->AddPendingEvent(event);
        PumpFor(50);
    }
    void Command(int id, int value = 0)
    {
        wxCommandEvent event(wxEVT_MENU, id);
        event.SetInt(value);
        frame->GetEventHandler()->AddPendingEvent(event);
        PumpFor(50);
    }

    // Answers the account dialog once it is up (modal loops run queued calls too); a null
    // user means Cancel. Counts the dialogs answered.
    void AnswerDialog(const char* user, const char* password, int tries = 500)
    {
        wxTheApp->CallAfter([=] {
            AuthenticationDialog* dialog = nullptr;
            for (wxWindow* w : wxTopLevelWindows)
                if (auto* d = dynamic_cast<AuthenticationDialog*>(w); d && d->IsModal())
                    dialog = d;
            if (!dialog) {
                if (tries > 0) {
                    wxMilliSleep(2);
                    AnswerDialog(user, password, tries - 1);
                }
                return;
            }
            ++dialogs;
            prefilled.push_back(dialog->GetUserField()->GetValue() + "/" +
                                dialog->GetPasswordField()->GetValue());
            EXPECT_TRUE(dialog->GetPasswordField()->HasFlag(wxTE_PASSWORD));
            const int button = user ? wxID_OK : wxID_CANCEL;
            if (user) {
                dialog->GetUserField()->SetValue(wxString::FromUTF8(user));
                dialog->GetPasswordField()->SetValue(wxString::FromUTF8(password));
            }
            wxCommandEvent click(wxEVT_BUTTON, button);
            click.SetEventObject(dialog->FindWindow(button));
            dialog->GetEventHandler()->ProcessEvent(click);
        });
    }

    std::unique_ptr<sitesim::SiteSimulator> sim;
    int dialogs = 0;
    std::vector<wxString> prefilled;
    TabunoSite site; // the frame watches Site::GetInstance()
    MainFrame* frame = nullptr;
    std::vector<wxString> boxes;
};

} // namespace

TEST_F(MainFrameTest, OpensWithDefaultsAndSavesGeometryAtExit)
{
    Settings::WriteBool("/PopupDialog/onlyFavorite", true);
    Settings::WriteString("/favorites", "stale,");
    Open();
    EXPECT_EQ(frame->GetSize(), wxSize(240, 480));
    EXPECT_EQ(frame->GetNotebook()->GetSelection(), 0);
    EXPECT_FALSE(frame->GetFavoritePage()->IsEnabled());
    wxMenuItem* filter = frame->GetMenuBar()->FindItem(ID_POPUP_ONLY_FAVORITE);
    ASSERT_NE(filter, nullptr);
    EXPECT_TRUE(filter->IsChecked());
    EXPECT_FALSE(filter->IsEnabled()) << "not until favourites have loaded";
    EXPECT_EQ(MainFrameLink::Get(), frame);
    frame->SetSize(300, 400);
    Close();
    EXPECT_EQ(Settings::ReadLong("/MainFrame/width", 0), 300);
    EXPECT_EQ(Settings::ReadLong("/MainFrame/height", 0), 400);
    EXPECT_EQ(Settings::ReadString("/favorites", "absent"), "absent");
}

TEST_F(MainFrameTest, FavouritesLoadOnceLoginFailureIsToldOnce)
{
    Open();
    DeliverFavorites(nullptr);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "Could not login.");
    EXPECT_FALSE(frame->AreFavoritesLoaded());

    DeliverFavorites("ann\nzed");
    EXPECT_TRUE(frame->AreFavoritesLoaded());
    EXPECT_TRUE(frame->GetFavoritePage()->IsEnabled());
    EXPECT_EQ(frame->GetNotebook()->GetSelection(), 1);
    EXPECT_TRUE(frame->GetMenuBar()->FindItem(ID_POPUP_ONLY_FAVORITE)->IsEnabled());
    EXPECT_EQ(Settings::ReadString("/favorites"), "ann,zed,");
    FavoriteTreeCtrl* tree = frame->GetFavoriteTree();
    // ann is on the site, zed is not; the refresh puts ann on line whichever comes first.
    EXPECT_TRUE(PumpUntil([&] {
        return tree->GetChildrenCount(tree->GetOnlineGroup(), false) == 1 &&
               tree->GetChildrenCount(tree->GetOfflineGroup(), false) == 1;
    }, 5000));

    DeliverFavorites(nullptr);
    EXPECT_EQ(boxes.size(), 1u) << "silent once loaded";

    Command(ID_POPUP_ONLY_FAVORITE, 1);
    EXPECT_TRUE(Settings::ReadBool("/PopupDialog/onlyFavorite", false));
    Command(ID_POPUP_ONLY_FAVORITE, 0);
    EXPECT_FALSE(Settings::ReadBool("/PopupDialog/onlyFavorite", true));
}

TEST_F(MainFrameTest, TheAccountReachesTheSiteIntactAndMailIsCounted)
{
    Open();
    DeliverFavorites("ann\n"); // loaded: no dialog from now on
    Command(ID_UPDATE_FAVORITE);
    ASSERT_TRUE(PumpUntil([&] { return Settings::ReadString("/favorites") == "ann,zed,"; }, 5000));
    auto logged = sim->RequestsFor("/cgi-bin/favorite.cgi");
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0].query, "username=pat&password=p%26ss%20w%23rd");

    // The count comes from a download thread: waited for.
    const auto boxesShown = [&](size_t count) { return PumpUntil([&] { return boxes.size() == count; }, 5000); };
    Command(ID_CHECK_MAIL);
    ASSERT_TRUE(boxesShown(1));
    EXPECT_EQ(boxes[0], "You have 3 new message.");
    sim->SetAccount("pat", {"p&ss w#rd", {}, 0});
    Command(ID_CHECK_MAIL);
    ASSERT_TRUE(boxesShown(2));
    EXPECT_EQ(boxes.back(), "You have 0 new message.");
    sim->SetFault(sitesim::Route::UnreadMail, sitesim::Fault::ServerError);
    Command(ID_CHECK_MAIL);
    ASSERT_TRUE(boxesShown(3));
    EXPECT_EQ(boxes.back(), "Could not check mail. Please try again later.");
}

TEST_F(MainFrameTest, ExitWorksFromTheTray)
{
    Open();
    ASSERT_NE(frame->GetNotifyIcon(), nullptr);
    wxCommandEvent exit(wxEVT_MENU, wxID_EXIT);
    frame->GetNotifyIcon()->ProcessEvent(exit);
    EXPECT_TRUE(PumpUntil([] { return MainFrameLink::Get() == nullptr; }, 5000));
    frame = nullptr;
}

TEST_F(MainFrameTest, TheExitEndsEveryThreadAndLeavesOnlyTheModulesServices)
{
    // A slow favourites answer keeps a download under way when the user leaves.
    sim->SetFault(sitesim::Route::Favorites, sitesim::Fault::Slow);
    Open();
    DeliverFavorites("ann\n");
    Command(ID_UPDATE_FAVORITE);
    ASSERT_TRUE(PumpUntil([&] { return sim->RequestsFor("/cgi-bin/favorite.cgi").size() == 1; }, 5000));
    ASSERT_GT(ThreadLifeline::RunningCount(), 0);
    const auto start = std::chrono::steady_clock::now();
    Command(wxID_EXIT);
    ASSERT_TRUE(PumpUntil([] { return MainFrameLink::Get() == nullptr; }, 5000));
    frame = nullptr;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << "the slow answer was waited for";
    EXPECT_EQ(ThreadLifeline::RunningCount(), 0);
    for (const std::string& step : Shutdown::Pending())
        EXPECT_TRUE(step == "skin" || step == "UI dispatcher" || step == "sockets" || step == "network watch")
            << step << " left pending";
}

TEST_F(MainFrameTest, WhileTheSiteCannotBeReachedTheTitleAndTheTraySaySinceWhen)
{
    Keys::SyncInterval.Write(1);
    Open();
    sim->SetFault(sitesim::Route::OnlineList, sitesim::Fault::Refuse);
    ASSERT_TRUE(PumpUntil([&] { return frame->GetTitle().StartsWith("Sorvik Statuscope - Offline since "); }, 5000))
        << frame->GetTitle();
    EXPECT_TRUE(frame->GetNotifyIcon()->GetTooltip().Contains("\nOffline since ")) << frame->GetNotifyIcon()->GetTooltip();
    sim->ClearFaults();
    ASSERT_TRUE(PumpUntil([&] { return frame->GetTitle() == "Sorvik Statuscope"; }, 5000));
    EXPECT_FALSE(frame->GetNotifyIcon()->GetTooltip().Contains("Offline"));
    Keys::SyncInterval.Delete();
}

TEST_F(MainFrameTest, TheAccountDialogComesBeforeTheFirstRequestOnly)
{
    Settings::DeleteEntry("/id");
    Settings::DeleteEntry("/password");
    Open();

    AnswerDialog(nullptr, nullptr); // Cancel: nothing stored, nothing asked of the site
    Command(ID_UPDATE_FAVORITE);
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(Settings::ReadString("/id", "absent"), "absent");
    PumpFor(200);
    EXPECT_TRUE(sim->RequestsFor("/cgi-bin/favorite.cgi").empty());

    AnswerDialog("pat", "wrong"); // the site refuses: told once, asked again next time
    Command(ID_UPDATE_FAVORITE);
    ASSERT_TRUE(PumpUntil([&] { return boxes.size() == 1; }, 5000));
    EXPECT_EQ(boxes[0], "Could not login.");
    EXPECT_FALSE(frame->AreFavoritesLoaded());

    AnswerDialog("pat", "p&ss w#rd");
    Command(ID_UPDATE_FAVORITE);
    ASSERT_TRUE(PumpUntil([&] { return frame->AreFavoritesLoaded(); }, 5000));
    EXPECT_EQ(dialogs, 3);
    EXPECT_EQ(prefilled, (std::vector<wxString>{"/", "/", "pat/wrong"}));
    EXPECT_EQ(Settings::ReadString("/password"), "p&ss w#rd") << "stored as typed";
    auto logged = sim->RequestsFor("/cgi-bin/favorite.cgi");
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_EQ(logged[1].query, "username=pat&password=p%26ss%20w%23rd");

    Command(ID_UPDATE_FAVORITE); // loaded: straight to the site
    EXPECT_TRUE(PumpUntil([&] { return sim->RequestsFor("/cgi-bin/favorite.cgi").size() == 3; }, 5000));
    EXPECT_EQ(dialogs, 3);
}

TEST_F(MainFrameTest, MailCheckAsksForTheAccountWhileNoFavouritesAreLoaded)
{
    Open();
    AnswerDialog(nullptr, nullptr);
    Command(ID_CHECK_MAIL);
    EXPECT_EQ(dialogs, 1);
    EXPECT_TRUE(sim->RequestsFor("/fast-cgi/get_unread.fcgi").empty());
    EXPECT_TRUE(boxes.empty());
    AnswerDialog("pat", "p&ss w#rd");
    Command(ID_CHECK_MAIL);
    ASSERT_TRUE(PumpUntil([&] { return boxes.size() == 1; }, 5000));
    EXPECT_EQ(boxes[0], "You have 3 new message.");
}

TEST_F(MainFrameTest, TrayDoubleClickTogglesTheFrame)
{
    Open();
    NotifyIcon* icon = frame->GetNotifyIcon();
    ASSERT_NE(icon, nullptr);
    wxTaskBarIconEvent click(wxEVT_TASKBAR_LEFT_DCLICK, icon);
    // GTK reports both clicks of a double-click: together they toggle once.
    icon->ProcessEvent(click);
    icon->ProcessEvent(click);
    EXPECT_TRUE(PumpUntil([&] { return !frame->IsShown(); }, 3000));
    const auto pastDoubleClick = [] { wxMilliSleep(std::max(wxSystemSettings::GetMetric(wxSYS_DCLICK_MSEC), 400) + 50); };
    pastDoubleClick();
    icon->ProcessEvent(click);
    EXPECT_TRUE(PumpUntil([&] { return frame->IsShown(); }, 3000));

    // With a tray minimising hides the frame and a double-click brings it back; without one
    // nothing could, so the frame stays (minimised by the window manager).
    wxIconizeEvent iconized(frame->GetId(), true);
    iconized.SetEventObject(frame);
    frame->GetEventHandler()->ProcessEvent(iconized);
    if (!icon->IsInTray()) {
        EXPECT_TRUE(frame->IsShown());
        return;
    }
    EXPECT_TRUE(PumpUntil([&] { return !frame->IsShown(); }, 3000));
    pastDoubleClick();
    icon->ProcessEvent(click);
    EXPECT_TRUE(PumpUntil([&] { return frame->IsShown(); }, 3000));
}

TEST_F(MainFrameTest, ExitFromTheFileMenuAndFromTheSite)
{
    Open();
    EXPECT_NE(frame->GetMenuBar()->FindItem(wxID_EXIT), nullptr);
    Command(wxID_EXIT);
    EXPECT_TRUE(PumpUntil([] { return MainFrameLink::Get() == nullptr; }, 5000));
    frame = nullptr;

    Open(); // the site's exit after repeated failures reaches the registered frame
    EXPECT_TRUE(MainFrameLink::PostCommand(wxID_EXIT));
    EXPECT_TRUE(PumpUntil([] { return MainFrameLink::Get() == nullptr; }, 5000));
    frame = nullptr;
}

TEST_F(MainFrameTest, TheSiteMenuOpensTheSitePages)
{
    FakeBrowser browser;
    Open();
    for (int id = ID_CHECK_MAIL; id <= ID_SITE_JOIN; ++id)
        EXPECT_NE(frame->GetMenuBar()->FindItem(id), nullptr) << id;
    Command(ID_SITE_MYQO);
    EXPECT_EQ(browser.WaitForAddress(), "http://" + wxString::FromUTF8(sim->HostPort()) + "/myqo.shtml");
    Command(ID_SITE_TOP);
    EXPECT_EQ(browser.WaitForAddress(), "http://" + wxString::FromUTF8(sim->HostPort()));
}

std::vector<wxString> ChildNames(const wxTreeCtrl& tree, const wxTreeItemId& group)
{
    std::vector<wxString> names;
    wxTreeItemIdValue cookie;
    for (wxTreeItemId item = tree.GetFirstChild(group, cookie); item.IsOk(); item = tree.GetNextChild(group, cookie))
        names.push_back(tree.GetItemText(item));
    return names;
}

TEST_F(MainFrameTest, TheFilterFollowsTheSiteAndClearingGivesBackTheWholeTree)
{
    Open();
    AllTreeCtrl* tree = frame->GetAllTree();
    ASSERT_TRUE(PumpUntil([&] { return tree->GetChildrenCount(tree->GetOnlineGroup(), false) == 1; }, 5000));
    const auto send = [&](const char* name, unsigned long status, wxEventType type) {
        UserEvent event(User(name, status), type, 0);
        tree->GetEventHandler()->ProcessEvent(event);
    };
    for (const char* name : {"Kara", "bob", "mika"})
        send(name, STATUS_FREE, wxEVT_USER_ADDED);
    const std::vector<wxString> full = ChildNames(*tree, tree->GetOnlineGroup());

    frame->GetFilter()->SetValue("KA");
    FilteredTreeView* view = frame->GetAllView();
    const auto group = [&] { wxTreeItemIdValue c; return view->GetFirstChild(view->GetRootItem(), c); };
    EXPECT_TRUE(view->IsShown());
    EXPECT_FALSE(tree->IsShown());
    EXPECT_EQ(ChildNames(*view, group()), (std::vector<wxString>{"Kara", "mika"}));
    EXPECT_EQ(view->GetItemText(group()), "Online (2 of 4)");

    // The site goes on while the user filters: a match comes, one goes, one becomes busy.
    send("akane", STATUS_FREE, wxEVT_USER_ADDED);
    send("mika", STATUS_FREE, wxEVT_USER_DELETED);
    send("Kara", STATUS_BUSY, wxEVT_USER_CHANGED);
    send("zed", STATUS_FREE, wxEVT_USER_ADDED);
    PumpFor(50);
    EXPECT_EQ(ChildNames(*view, group()), (std::vector<wxString>{"Kara", "akane"}));
    EXPECT_EQ(view->GetItemText(group()), "Online (2 of 5)");
    wxTreeItemIdValue c;
    EXPECT_EQ(view->GetItemImage(view->GetFirstChild(group(), c)), tree->GetBusyIcon());
    EXPECT_TRUE(view->FindItem(User("akane", 0), view->GetRootItem(), true).IsOk());

    frame->GetFilter()->SetValue("");
    EXPECT_TRUE(tree->IsShown());
    EXPECT_FALSE(view->IsShown());
    std::vector<wxString> expected = full;
    expected.erase(std::find(expected.begin(), expected.end(), "mika"));
    expected.push_back("akane");
    expected.push_back("zed");
    EXPECT_EQ(ChildNames(*tree, tree->GetOnlineGroup()), expected);
    EXPECT_EQ(tree->GetItemText(tree->GetOnlineGroup()), "Online (5)");
    EXPECT_TRUE(tree->FindItem(User("zed", 0), tree->GetOnlineGroup(), false).IsOk());
}

TEST_F(MainFrameTest, RecentKeepsEveryNotificationAndThePauseOnlyTheRecord)
{
    Settings::DeleteEntry("/PopupDialog/paused");
    Open();
    PopupColumn::CloseAll();
    const auto comeOnLine = [&](const wxString& name) {
        UserEvent event(User(name, STATUS_ONLINE | STATUS_FREE), wxEVT_USER_ADDED, 0);
        frame->GetPopupManager()->ProcessEvent(event);
    };
    Command(ID_PAUSE_POPUPS, 1);
    EXPECT_TRUE(Settings::ReadBool("/PopupDialog/paused", false));
    EXPECT_TRUE(frame->GetNotifyIcon()->GetMenu()->IsChecked(ID_PAUSE_POPUPS));
    for (int i = 0; i < 205; ++i)
        comeOnLine(wxString::Format("p%d", i));
    EXPECT_EQ(PopupColumn::GetAliveCount(), 0) << "paused: no popup";
    RecentListCtrl* recent = frame->GetRecent();
    ASSERT_EQ(recent->GetItemCount(), 200);
    EXPECT_EQ(recent->GetItemText(0, 1), "p204") << "newest first";
    EXPECT_EQ(recent->GetItemText(199, 1), "p5");
    EXPECT_EQ(recent->GetItemText(0, 2), "came on line (paused)");

    // The selected entry stays selected as a new one comes in above it.
    recent->SetItemState(3, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    Command(ID_PAUSE_POPUPS, 0);
    comeOnLine("shown");
    EXPECT_EQ(PopupColumn::GetAliveCount(), 1);
    EXPECT_EQ(recent->GetItemText(0, 2), "came on line");
    EXPECT_EQ(recent->GetItemCount(), 200);
    const long selected = recent->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
    EXPECT_EQ(selected, 4);
    EXPECT_EQ(recent->GetItemText(selected, 1), "p201");
    PopupColumn::CloseAll();
}

TEST_F(MainFrameTest, AStoredAccountSignsInAtStartWithoutADialog)
{
    Keys::SignInAtStart.Write(true);
    Open();
    ASSERT_TRUE(PumpUntil([&] { return frame->AreFavoritesLoaded(); }, 5000));
    EXPECT_TRUE(frame->GetFavoritePage()->IsEnabled());
    EXPECT_TRUE(frame->GetMenuBar()->IsEnabled(ID_POPUP_ONLY_FAVORITE));
    EXPECT_NE(frame->GetNotebook()->GetCurrentPage(), frame->GetFavoritePage()) << "not forced to the front";
    EXPECT_EQ(dialogs, 0);
    Close();

    // A refused account at start shows nothing; the menu asks for the account as before.
    Settings::WriteString("/password", "wrong");
    Open();
    ASSERT_TRUE(PumpUntil([&] { return sim->RequestsFor("/cgi-bin/favorite.cgi").size() == 2; }, 5000));
    PumpFor(200);
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(frame->AreFavoritesLoaded());
    AnswerDialog(nullptr, nullptr);
    Command(ID_UPDATE_FAVORITE);
    EXPECT_EQ(dialogs, 1);
}

TEST_F(MainFrameTest, ALoginTypedWhileTheStartSignInIsUnderWayIsAnsweredForItself)
{
    // The quiet sign-in at start is slow to come back; meanwhile the user types a wrong password.
    Keys::SignInAtStart.Write(true);
    sim->SetFault(sitesim::Route::Favorites, sitesim::Fault::Slow, 1);
    Open();
    AnswerDialog("pat", "wrong");
    Command(ID_UPDATE_FAVORITE);
    ASSERT_TRUE(PumpUntil([&] { return boxes.size() == 1; }, 5000)) << "the user's own login failed quietly";
    EXPECT_EQ(boxes[0], "Could not login.");
    // The start's answer, made with the account the user has since replaced, settles nothing.
    ASSERT_TRUE(PumpUntil([&] { return sim->RequestsFor("/cgi-bin/favorite.cgi").size() == 2; }, 5000));
    PumpFor(2000);
    EXPECT_FALSE(frame->AreFavoritesLoaded());
    AnswerDialog(nullptr, nullptr);
    Command(ID_UPDATE_FAVORITE);
    EXPECT_EQ(dialogs, 2) << "the account is asked for again";
}

TEST_F(MainFrameTest, PreferencesWriteTheKeysAndCancelChangesNothing)
{
    Settings::WriteLong("/PopupDialog/duration", 8);
    Settings::WriteLong("/System/syncinterval", 10);
    Open();
    {
        PreferencesDialog cancelled(frame, false);
        cancelled.GetDuration()->SetValue(30);
    }
    EXPECT_EQ(Settings::ReadLong("/PopupDialog/duration", 0), 8);

    PreferencesDialog dialog(frame, false);
    EXPECT_FALSE(dialog.GetOnlyFavorite()->IsEnabled()) << "as the menu, before favourites";
    dialog.GetDuration()->SetValue(30);
    dialog.GetInterval()->SetValue(0); // below the least: one second
    dialog.GetPaused()->SetValue(true);
    dialog.GetSignIn()->SetValue(false);
    dialog.GetStyle()->SetSelection(1);
    wxCommandEvent chosen(wxEVT_CHOICE, dialog.GetStyle()->GetId());
    dialog.GetStyle()->ProcessWindowEvent(chosen);
    EXPECT_FALSE(dialog.GetDuration()->IsEnabled()) << "the desktop's service decides how long";
    dialog.Apply();
    EXPECT_EQ(Settings::ReadLong("/PopupDialog/duration", 0), 30);
    EXPECT_EQ(Settings::ReadLong("/System/syncinterval", 0), 1);
    EXPECT_TRUE(Settings::ReadBool("/PopupDialog/paused", false));
    EXPECT_FALSE(Keys::SignInAtStart.Read());
    EXPECT_EQ(Keys::NotificationStyle.Read(), "desktop");
    EXPECT_TRUE(PreferencesDialog::UsesDesktopNotifications());
    Keys::NotificationStyle.Delete();
    Settings::DeleteEntry("/PopupDialog/paused");

    // Start at login: an XDG autostart entry naming the program, quoted; gone when unchecked.
    wxString config = wxFileName::CreateTempFileName("sorvik-xdg");
    wxRemoveFile(config);
    ASSERT_TRUE(wxFileName::Mkdir(config, 0700));
    wxString previous;
    const bool hadPrevious = wxGetEnv("XDG_CONFIG_HOME", &previous);
    wxSetEnv("XDG_CONFIG_HOME", config);
    ASSERT_TRUE(PreferencesDialog::SetStartAtLogin(true, "/opt/my \"app\"/sorvik"));
    wxString entry;
    wxFile(PreferencesDialog::AutostartPath()).ReadAll(&entry);
    EXPECT_TRUE(entry.Contains("Exec=\"/opt/my \\\\\"app\\\\\"/sorvik\"\n")) << entry;
    EXPECT_TRUE(PreferencesDialog(frame, true).GetStartAtLogin()->GetValue());
    // The settings file the program runs with goes with it.
    const wxString settings = PreferencesDialog::SettingsFileIn(
        wxArrayString(3, std::array<wxString, 3>{"sorvik", "-c", "/home/u/100% mine.conf"}.data()));
    EXPECT_EQ(settings, "/home/u/100% mine.conf");
    ASSERT_TRUE(PreferencesDialog::SetStartAtLogin(true, "/opt/sorvik", settings));
    wxFile(PreferencesDialog::AutostartPath()).ReadAll(&entry);
    EXPECT_TRUE(entry.Contains("Exec=\"/opt/sorvik\" --config \"/home/u/100%% mine.conf\"\n")) << entry;
    EXPECT_EQ(PreferencesDialog::SettingsFileIn(wxArrayString(2, std::array<wxString, 2>{"sorvik", "--config=rel.conf"}.data())),
              wxGetCwd() + "/rel.conf");
    EXPECT_EQ(PreferencesDialog::SettingsFileIn(wxArrayString(2, std::array<wxString, 2>{"sorvik", "--no-update"}.data())), "");
    EXPECT_TRUE(PreferencesDialog::SetStartAtLogin(false, wxString()));
    EXPECT_FALSE(wxFileName::FileExists(PreferencesDialog::AutostartPath()));
    if (hadPrevious)
        wxSetEnv("XDG_CONFIG_HOME", previous);
    else
        wxUnsetEnv("XDG_CONFIG_HOME");
    wxFileName::Rmdir(config, wxPATH_RMDIR_RECURSIVE);
}

TEST(NotifyIconTest, AnInvalidSkinIconNeverReachesTheTray)
{
    EXPECT_TRUE(NotifyIcon::UsableIcon(wxIcon()).IsOk());
    wxFrame* owner = new wxFrame(nullptr, wxID_ANY, "owner");
    {
        // The toolkit asserts (a test failure here) when the tray is given an invalid icon.
        NotifyIcon icon(owner, wxIcon(), "tip");
    }
    owner->Destroy();
    PumpFor(20);
}

// A file that cannot be imported says which and why, and imports nothing.
TEST(FavoritesTransferTest, AnUnusableFileIsRefusedWithItsNameAndTheReason)
{
    const wxString folder = wxFileName::CreateTempFileName("sorvik-import");
    wxRemoveFile(folder);
    ASSERT_TRUE(wxFileName::Mkdir(folder, 0700));
    const wxString big = folder + "/big.txt", binary = folder + "/names.bin";
    wxFile(big, wxFile::write).Write(std::string((1 << 20) + 1, 'a').data(), (1 << 20) + 1);
    wxFile(binary, wxFile::write).Write("ann\n\xff\xfe\n", 7);
    const struct {
        wxString path;
        const char* reason;
    } cases[] = {{folder + "/missing.txt", "No such file"}, {folder, "Is a directory"},
                 {big, "larger than 1 MB"}, {binary, "not a text file"}};
    for (const auto& c : cases) {
        bool ok = true;
        const wxString message = FavoritesTransfer::ImportFrom(c.path, &ok);
        EXPECT_FALSE(ok) << c.path;
        EXPECT_TRUE(message.StartsWith("Could not read \"" + wxFileName(c.path).GetFullName() + "\"")) << message;
        EXPECT_TRUE(message.Contains(c.reason)) << message;
    }
    wxFileName::Rmdir(folder, wxPATH_RMDIR_RECURSIVE);
}

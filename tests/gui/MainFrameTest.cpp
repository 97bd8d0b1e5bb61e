#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/menu.h>
#include <wx/notebook.h>
#include <wx/panel.h>
#include <wx/taskbar.h>

#include "EventPump.h"
#include "QuietSite.h"
#include "SiteSimulator.h"
#include "net/DownloadThread.h"
#include "net/ProxySetting.h"
#include "shell/MainFrame.h"
#include "shell/NotifyIcon.h"
#include "site/MainFrameLink.h"
#include "site/MessageBoxSeam.h"
#include "site/Settings.h"
#include "site/TabunoSite.h"
#include "views/FavoriteTreeCtrl.h"

namespace {

std::vector<std::string> Names(const std::string& body)
{
    std::vector<std::string> names;
    for (const wxString& n : MainFrame::ParseFavorites(body))
        names.emplace_back(n.utf8_str());
    return names;
}

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

    std::unique_ptr<sitesim::SiteSimulator> sim;
    TabunoSite site; // the frame watches Site::GetInstance()
    MainFrame* frame = nullptr;
    std::vector<wxString> boxes;
};

} // namespace

TEST(FavoritesAnswerTest, FirstRunOfLettersAndDigitsOnceEachAndTheLastLineCounts)
{
    EXPECT_EQ(Names("alice\nbob\nalice\ndave"), (std::vector<std::string>{"alice", "bob", "dave"}));
    EXPECT_EQ(Names("  carol_99 x\r\n\n--\n"), (std::vector<std::string>{"carol"}));
    EXPECT_TRUE(Names("").empty());
}

TEST(SiteAddressTest, PagesOfTheThreeHosts)
{
    Settings::WriteString(Settings::HostKey(Settings::Host::Main), "www.tabuno.test");
    Settings::WriteString(Settings::HostKey(Settings::Host::Mail), "mail.tabuno.test");
    Settings::WriteString(Settings::HostKey(Settings::Host::FanClub), "fan.tabuno.test");
    EXPECT_EQ(MainFrame::SiteAddress(ID_SITE_TOP), "http://www.tabuno.test");
    EXPECT_EQ(MainFrame::SiteAddress(ID_SITE_MAILBOX), "http://mail.tabuno.test");
    EXPECT_EQ(MainFrame::SiteAddress(ID_SITE_FANCLUB), "http://fan.tabuno.test");
    EXPECT_EQ(MainFrame::SiteAddress(ID_SITE_MYQO), "http://www.tabuno.test/myqo.shtml");
    EXPECT_EQ(MainFrame::SiteAddress(ID_SITE_JOIN), "http://www.tabuno.test/join.html");
    EXPECT_EQ(MainFrame::SiteAddress(6010), "");
}

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

    Command(ID_CHECK_MAIL);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "You have 3 new message.");
    sim->SetAccount("pat", {"p&ss w#rd", {}, 0});
    Command(ID_CHECK_MAIL);
    EXPECT_EQ(boxes.back(), "You have 0 new message.");
    sim->SetFault(sitesim::Route::UnreadMail, sitesim::Fault::ServerError);
    Command(ID_CHECK_MAIL);
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

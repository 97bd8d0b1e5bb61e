#include <algorithm>
#include <memory>
#include <climits>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/frame.h>
#include <wx/gdicmn.h>
#include <wx/menu.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "EventPump.h"
#include "FakeBrowser.h"
#include "QuietSite.h"
#include "SiteSimulator.h"
#include "app/CommandIds.h"
#include "app/MainFrameLink.h"
#include "app/Settings.h"
#include "model/UserStatus.h"
#include "net/ProxySetting.h"
#include "site/UserEvent.h"
#include "site/UserListEvent.h"
#include "views/DesktopWindowHints.h"
#include "views/PopupColumn.h"
#include "views/PopupDialog.h"
#include "views/PopupDialogManager.h"

using sitesim::Fault;
using sitesim::Route;

namespace {

std::vector<PopupDialog*> Popups(bool shownOnly = false)
{
    std::vector<PopupDialog*> found;
    for (wxWindow* w : wxTopLevelWindows)
        if (auto* p = dynamic_cast<PopupDialog*>(w))
            if (!wxTheApp->IsScheduledForDestruction(p) && (!shownOnly || p->IsShown()))
                found.push_back(p);
    return found;
}

// Stands in for the main frame's "Popup Only Favorite" item.
class FilterFrame : public wxFrame {
public:
    FilterFrame() : wxFrame(nullptr, wxID_ANY, "frame")
    {
        auto* menu = new wxMenu;
        menu->AppendCheckItem(ID_POPUP_ONLY_FAVORITE, "Popup Only Favorite");
        auto* bar = new wxMenuBar;
        bar->Append(menu, "Tool");
        SetMenuBar(bar);
    }
    void Set(bool enabled, bool checked)
    {
        GetMenuBar()->Enable(ID_POPUP_ONLY_FAVORITE, enabled);
        GetMenuBar()->Check(ID_POPUP_ONLY_FAVORITE, checked);
    }
};

class PopupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim = StartQuietSite();
        ASSERT_TRUE(sim);
        ProxySetting::Set("");
        Settings::WriteString(Settings::HostKey(Settings::Host::Image), wxString::FromUTF8(sim->HostPort()));
        Settings::WriteString(Settings::HostKey(Settings::Host::Main), "www.tabuno.test");
        Settings::WriteString(Settings::HostKey(Settings::Host::Product), "www.sorvik.test");
        Settings::WriteLong("/PopupDialog/duration", 30);
        Settings::WriteString("/favorites", "a,b,");
        frame = new FilterFrame;
        MainFrameLink::Register(frame);
    }
    void TearDown() override
    {
        for (PopupDialog* p : Popups())
            p->Destroy();
        MainFrameLink::Unregister(frame);
        frame->Destroy();
        PumpUntil([] { return PopupColumn::GetOpenCount() == 0 && Popups().empty(); }, 3000);
        PumpFor(20);
        EXPECT_EQ(PopupColumn::GetOpenCount(), 0);
        Settings::DeleteEntry("/favorites");
    }

    void Deliver(wxEventType type, const char* name, unsigned long status, unsigned long old)
    {
        manager.AddPendingEvent(UserEvent(User(name, status), type, old));
        wxTheApp->ProcessPendingEvents();
    }

    bool WaitShown(size_t count)
    {
        return PumpUntil([&] { return Popups(true).size() >= count; }, 5000);
    }

    std::unique_ptr<sitesim::SiteSimulator> sim;
    PopupDialogManager manager;
    FilterFrame* frame = nullptr;
};

} // namespace

TEST(PopupDecisionTest, OnLineOrBusyToFreeOnly)
{
    EXPECT_EQ(PopupDialogManager::KindFor(0, 0x03), POPUP_ONLINE);
    EXPECT_EQ(PopupDialogManager::KindFor(0, 0x15), POPUP_ONLINE);
    EXPECT_EQ(PopupDialogManager::KindFor(0x0D, 0x03), POPUP_FREE);
    EXPECT_EQ(PopupDialogManager::KindFor(0x15, 0x03), POPUP_FREE);
    EXPECT_EQ(PopupDialogManager::KindFor(0x03, 0x0D), 0);
    EXPECT_EQ(PopupDialogManager::KindFor(0x0D, 0x15), 0);
    EXPECT_EQ(PopupDialogManager::KindFor(0x03, 0), 0);
    EXPECT_EQ(PopupDialogManager::KindFor(0x01, 0x03), 0);
    EXPECT_EQ(PopupDialogManager::KindFor(0, 0), 0);
}

TEST(PopupDecisionTest, FavouritesAreExactTokens)
{
    EXPECT_TRUE(PopupDialogManager::IsFavorite("a,b,", "a"));
    EXPECT_TRUE(PopupDialogManager::IsFavorite("a,b,", "b"));
    EXPECT_FALSE(PopupDialogManager::IsFavorite("a,b,", "A"));
    EXPECT_FALSE(PopupDialogManager::IsFavorite("a,b,", "ab"));
    EXPECT_FALSE(PopupDialogManager::IsFavorite("a,b,", ""));
    EXPECT_FALSE(PopupDialogManager::IsFavorite("", "a"));
    EXPECT_FALSE(PopupDialogManager::IsFavorite(" a,", "a")) << "no trimming";
}

TEST_F(PopupTest, AdditionsAndBecomingFreeOpenPopupsNothingElseDoes)
{
    Deliver(wxEVT_USER_ADDED, "ann", 0x03, STATUS_NOT_MEANINGFUL);
    Deliver(wxEVT_USER_CHANGED, "bea", 0x03, 0x0D);
    Deliver(wxEVT_USER_CHANGED, "cy", 0x0D, 0x03);
    Deliver(wxEVT_USER_DELETED, "dee", 0x03, STATUS_NOT_MEANINGFUL);
    UserListEvent list(wxEVT_USER_LIST_INITIALIZED, -1);
    UserList users;
    users.AddUser(User("eve", 0x03));
    list.SetUserList(users);
    manager.AddPendingEvent(list);
    ASSERT_TRUE(WaitShown(2));
    PumpFor(200);
    auto popups = Popups();
    ASSERT_EQ(popups.size(), 2u);
    std::set<std::pair<std::string, int>> seen;
    for (PopupDialog* p : popups)
        seen.insert({std::string(p->GetUser().GetName().utf8_str()), p->GetKind()});
    EXPECT_EQ(seen, (std::set<std::pair<std::string, int>>{{"ann", POPUP_ONLINE}, {"bea", POPUP_FREE}}));
}

TEST_F(PopupTest, TheFilterCountsOnlyWhenEnabledAndChecked)
{
    frame->Set(true, true);
    Deliver(wxEVT_USER_ADDED, "a", 0x03, 0);
    Deliver(wxEVT_USER_ADDED, "A", 0x03, 0);
    Deliver(wxEVT_USER_ADDED, "c", 0x03, 0);
    ASSERT_TRUE(WaitShown(1));
    PumpFor(300);
    ASSERT_EQ(Popups().size(), 1u);
    EXPECT_EQ(Popups()[0]->GetUser().GetName(), "a");

    frame->Set(false, true); // favourites not loaded yet
    Deliver(wxEVT_USER_ADDED, "c", 0x03, 0);
    frame->Set(true, false);
    Deliver(wxEVT_USER_ADDED, "d", 0x03, 0);
    ASSERT_TRUE(WaitShown(3));
}

TEST_F(PopupTest, PopupsStackUpwardsAndANewOneTakesTheLowestFreeSlot)
{
    const wxRect area = wxGetClientDisplayRect();
    for (const char* name : {"ann", "bea", "cy"})
        Deliver(wxEVT_USER_ADDED, name, 0x03, 0);
    ASSERT_TRUE(WaitShown(3));
    EXPECT_EQ(PopupColumn::GetOpenCount(), 3);
    // A window manager may frame each popup (openbox: a 1-pixel border): slots are that far apart.
    // It places a window in its own time: the popups are given a moment to settle.
    // Under load the first slot may be taken before the frame's size is known and be moved again.
    const int pitch = DesktopWindowHints::OuterSize(Popups().front()).y;
    const int bottom = area.y + area.height;
    const auto settled = [&] {
        std::set<int> rows;
        for (PopupDialog* p : Popups()) {
            if (p->GetScreenRect().GetRight() < area.GetRight() - 2)
                return false;
            rows.insert((bottom - p->GetScreenRect().y) % pitch);
        }
        return rows == std::set<int>{0};
    };
    PumpUntil(settled, 2000);
    std::vector<int> tops;
    for (PopupDialog* p : Popups()) {
        const wxRect r = p->GetScreenRect();
        EXPECT_EQ(p->GetClientSize(), wxSize(150, 150));
        EXPECT_LE(r.GetRight(), area.GetRight());
        EXPECT_GE(r.GetRight(), area.GetRight() - 2);
        tops.push_back(r.y);
    }
    std::sort(tops.begin(), tops.end());
    EXPECT_EQ(tops, (std::vector<int>{bottom - 3 * pitch, bottom - 2 * pitch, bottom - pitch}));

    // The lowest goes first: the next popup takes its slot, never one over a popup still open.
    PopupDialog* lowest = nullptr;
    for (PopupDialog* p : Popups())
        if (p->GetScreenRect().y == bottom - pitch)
            lowest = p;
    ASSERT_NE(lowest, nullptr);
    lowest->Destroy();
    EXPECT_EQ(PopupColumn::GetOpenCount(), 2);
    Deliver(wxEVT_USER_ADDED, "dee", 0x03, 0);
    ASSERT_TRUE(WaitShown(3));
    std::set<int> slots;
    for (PopupDialog* p : Popups()) {
        slots.insert(p->GetSlot());
        if (p->GetUser().GetName() == "dee") {
            EXPECT_EQ(p->GetScreenRect().y, bottom - pitch);
        }
    }
    EXPECT_EQ(slots, (std::set<int>{1, 2, 3}));
}

TEST_F(PopupTest, AFullColumnGathersTheRestIntoOneSummary)
{
    const int fit = PopupColumn::GetCapacity();
    ASSERT_GE(fit, 1);
    for (int i = 0; i < fit + 12; ++i)
        Deliver(wxEVT_USER_ADDED, ("p" + std::to_string(i)).c_str(), 0x03, 0);
    Deliver(wxEVT_USER_CHANGED, "q", 0x03, 0x05);
    // The column's top slot is the summary's.
    const int popups = std::max(1, fit - 1);
    ASSERT_TRUE(WaitShown(popups + 1));
    PumpFor(100);
    EXPECT_EQ(Popups().size(), static_cast<size_t>(popups + 1)) << "a column and one summary";
    PopupDialog* summary = PopupDialog::GetSummary();
    ASSERT_NE(summary, nullptr);
    EXPECT_TRUE(summary->IsShown());
    EXPECT_EQ(summary->GetSummaryOnline(), fit + 12 - popups);
    EXPECT_EQ(summary->GetSummaryFree(), 1);
    EXPECT_EQ(summary->GetNameLabel()->GetLabel(),
              wxString::Format("%d more came on line\n1 more are free now", fit + 12 - popups))
        << "one line per count";
    // In the column, above the highest popup.
    int highest = INT_MAX;
    for (PopupDialog* p : Popups())
        if (p != summary)
            highest = std::min(highest, p->GetScreenRect().y);
    EXPECT_EQ(summary->GetScreenRect().GetRight(), Popups().front()->GetScreenRect().GetRight());
    EXPECT_LT(summary->GetScreenRect().y, highest);
    // Nothing overlaps, the summary included.
    std::vector<wxRect> rects;
    for (PopupDialog* p : Popups())
        rects.push_back(p->GetScreenRect());
    for (size_t a = 0; a < rects.size(); ++a)
        for (size_t b = a + 1; b < rects.size(); ++b)
            EXPECT_FALSE(rects[a].Intersects(rects[b])) << a << " and " << b;

    // Closing the window takes every popup with it.
    PopupColumn::CloseAll();
    EXPECT_TRUE(Popups(true).empty());
    EXPECT_EQ(PopupDialog::GetSummary(), nullptr);
}

TEST_F(PopupTest, UndecodableThumbnailShowsThePlaceholderAndStillCloses)
{
    Settings::WriteLong("/PopupDialog/duration", 1);
    sim->SetFault(Route::Thumbnail, Fault::Empty);
    Deliver(wxEVT_USER_ADDED, "ann", 0x03, 0);
    ASSERT_TRUE(WaitShown(1));
    PopupDialog* popup = Popups()[0];
    EXPECT_EQ(popup->GetPicture()->GetBitmap().GetWidth(), 107);
    EXPECT_EQ(popup->GetNameLabel()->GetLabel(), "ann");
    auto logged = sim->RequestsFor("/WebArchive/ann/thumbs/LinkedImage.jpg");
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0].Header("Host"), "www.tabuno.test") << "the main host names the request";
    EXPECT_TRUE(PumpUntil([] { return Popups().empty(); }, 3000)) << "closed after its duration";
}

TEST_F(PopupTest, AClickOnThePictureOrNameOpensTheProfileAndKeepsThePopup)
{
    FakeBrowser browser;
    Deliver(wxEVT_USER_ADDED, "Ann_2", 0x03, 0);
    ASSERT_TRUE(WaitShown(1));
    PopupDialog* popup = Popups()[0];
    wxMouseEvent click(wxEVT_LEFT_DOWN);
    click.SetEventObject(popup->GetPicture());
    popup->GetPicture()->GetEventHandler()->ProcessEvent(click);
    EXPECT_EQ(browser.WaitForAddress(), "http://www.sorvik.test/profile.shtml?Ann_2");
    click.SetEventObject(popup->GetNameLabel());
    popup->GetNameLabel()->GetEventHandler()->ProcessEvent(click);
    EXPECT_EQ(browser.WaitForAddress(), "http://www.sorvik.test/profile.shtml?Ann_2");
    EXPECT_EQ(Popups().size(), 1u);
}

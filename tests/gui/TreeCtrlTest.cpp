#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/frame.h>
#include <wx/menu.h>

#include "EventPump.h"
#include "FakeBrowser.h"
#include "app/CommandIds.h"
#include "app/Keys.h"
#include "app/Settings.h"
#include "model/UserStatus.h"
#include "net/Util.h"
#include "site/UserEvent.h"
#include "site/UserListEvent.h"
#include "views/PerformerRules.h"
#include "views/AllTreeCtrl.h"
#include "views/FavoriteTreeCtrl.h"
#include "views/FilteredTreeView.h"
#include "views/UserListTreeItemData.h"

namespace {


struct Row {
    wxString label;
    int image;
    bool operator==(const Row& o) const { return label == o.label && image == o.image; }
};

std::ostream& operator<<(std::ostream& out, const Row& r)
{
    return out << r.label.utf8_str() << "/" << r.image;
}

std::vector<Row> Rows(const wxTreeCtrl& tree, const wxTreeItemId& parent)
{
    std::vector<Row> rows;
    wxTreeItemIdValue cookie;
    for (wxTreeItemId c = tree.GetFirstChild(parent, cookie); c.IsOk();
         c = tree.GetNextChild(parent, cookie))
        rows.push_back({tree.GetItemText(c), tree.GetItemImage(c)});
    return rows;
}

UserList Users(std::initializer_list<std::pair<const char*, unsigned long>> users)
{
    UserList list;
    for (const auto& u : users)
        list.AddUser(User(u.first, u.second));
    return list;
}

// Delivers events the way the synchronisation thread and the main frame do: queued.
void Deliver(wxEvtHandler& handler, const wxEvent& event)
{
    handler.AddPendingEvent(event);
    wxTheApp->ProcessPendingEvents();
}

void DeliverList(wxEvtHandler& handler, const UserList& list, int id = -1)
{
    UserListEvent event(wxEVT_USER_LIST_INITIALIZED, id);
    event.SetUserList(list);
    Deliver(handler, event);
}

void DeliverUser(wxEvtHandler& handler, wxEventType type, const char* name, unsigned long status,
                 unsigned long old = STATUS_NOT_MEANINGFUL)
{
    Deliver(handler, UserEvent(User(name, status), type, old));
}

// Records the performer menu instead of showing it.
template <class Tree> class MenuRecordingTree : public Tree {
public:
    using Tree::Tree;
    std::vector<wxString> shownMenus;

protected:
    void ShowProfileMenu(wxMenu& menu) override
    {
        wxString labels;
        for (wxMenuItem* item : menu.GetMenuItems())
            labels += wxString::Format("%d:%s;", item->GetId(), item->GetItemLabelText());
        shownMenus.push_back(labels);
    }
};

class TreeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        frame = new wxFrame(nullptr, wxID_ANY, "trees", wxDefaultPosition, wxSize(300, 500));
        Settings::WriteString(Settings::HostKey(Settings::Host::Product), "www.sorvik.test:8080");
    }
    void TearDown() override
    {
        frame->Destroy();
        PumpFor(5);
    }
    wxFrame* frame = nullptr;
};

class AllTreeTest : public TreeTest {
protected:
    void SetUp() override
    {
        TreeTest::SetUp();
        tree = new MenuRecordingTree<AllTreeCtrl>(frame, wxID_ANY, wxDefaultPosition,
                                                  wxDefaultSize, USER_LIST_TREE_STYLE);
        group = tree->GetOnlineGroup();
    }
    MenuRecordingTree<AllTreeCtrl>* tree = nullptr;
    wxTreeItemId group;
};

} // namespace

TEST_F(AllTreeTest, LoadingUntilTheFirstListThenCountedAndExpanded)
{
    EXPECT_EQ(tree->GetChildrenCount(tree->GetRootItem(), false), 1u);
    EXPECT_EQ(tree->GetItemText(group), "Online (Loading)");
    EXPECT_TRUE(tree->ItemHasChildren(group)) << "an expand button while still empty";
    EXPECT_FALSE(tree->IsExpanded(group));
    DeliverList(*tree, UserList());
    EXPECT_EQ(tree->GetItemText(group), "Online (0)");
    EXPECT_TRUE(tree->IsExpanded(group));
}

TEST_F(AllTreeTest, IconsFollowTheStatusBitsFreeWinning)
{
    DeliverList(*tree, Users({{"free", 0x03}, {"public", 0x0D}, {"private", 0x15},
                              {"bare", 0x01}, {"both", 0x07}}));
    EXPECT_EQ(tree->GetItemText(group), "Online (5)");
    auto icon = [&](const char* name) {
        wxTreeItemId item = tree->FindItem(User(name, 0), group, false);
        EXPECT_TRUE(item.IsOk()) << name;
        EXPECT_EQ(tree->GetItemImage(item, wxTreeItemIcon_Selected),
                  tree->GetItemImage(item, wxTreeItemIcon_Normal));
        return tree->GetItemImage(item);
    };
    EXPECT_EQ(icon("free"), tree->GetFreeIcon());
    EXPECT_EQ(icon("public"), tree->GetBusyIcon());
    EXPECT_EQ(icon("private"), tree->GetBusyIcon());
    EXPECT_EQ(icon("bare"), -1);
    EXPECT_EQ(icon("both"), tree->GetFreeIcon());
    auto* data = dynamic_cast<UserListTreeItemData*>(
        tree->GetItemData(tree->FindItem(User("private", 0), group, false)));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->GetUser(*tree), User("private", 0x15));
}

TEST_F(AllTreeTest, ChangesMoveOnlyTheIconAndAdditionsGoToTheEnd)
{
    DeliverList(*tree, Users({{"a", 0x03}}));
    DeliverUser(*tree, wxEVT_USER_ADDED, "b", 0x03);
    DeliverUser(*tree, wxEVT_USER_ADDED, "c", 0x0D);
    const int freeIcon = tree->GetFreeIcon(), busyIcon = tree->GetBusyIcon();
    EXPECT_EQ(Rows(*tree, group), (std::vector<Row>{{"a", freeIcon}, {"b", freeIcon}, {"c", busyIcon}}));
    EXPECT_EQ(tree->GetItemText(group), "Online (3)");

    DeliverUser(*tree, wxEVT_USER_CHANGED, "b", 0x15, 0x03);
    EXPECT_EQ(Rows(*tree, group), (std::vector<Row>{{"a", freeIcon}, {"b", busyIcon}, {"c", busyIcon}}));
    DeliverUser(*tree, wxEVT_USER_CHANGED, "b", 0x03, 0x15);
    EXPECT_EQ(Rows(*tree, group), (std::vector<Row>{{"a", freeIcon}, {"b", freeIcon}, {"c", busyIcon}}));
    EXPECT_EQ(tree->GetItemText(group), "Online (3)");

    DeliverUser(*tree, wxEVT_USER_DELETED, "a", 0x03);
    EXPECT_EQ(Rows(*tree, group), (std::vector<Row>{{"b", freeIcon}, {"c", busyIcon}}));
    EXPECT_EQ(tree->GetItemText(group), "Online (2)");
}

TEST_F(AllTreeTest, AWholeListGoesInBySlicesAndWhatComesMeanwhileFollowsInOrder)
{
    const int size = static_cast<int>(UserListTreeCtrl::kPlaceSlice) * 3 + 7;
    UserList list;
    for (int i = 0; i < size; ++i)
        list.AddUser(User(wxString::Format("p%d", i), STATUS_FREE));
    int placed = 0;
    tree->Bind(EVT_USER_LIST_PLACED, [&](wxCommandEvent& event) {
        ++placed;
        event.Skip();
    });
    UserListEvent event(wxEVT_USER_LIST_INITIALIZED, -1);
    event.SetUserList(list);
    static_cast<wxEvtHandler*>(tree)->ProcessEvent(event);
    // One slice is in (fewer when the machine is slow); the loop has not run yet.
    EXPECT_GT(tree->GetChildrenCount(group, false), 0u);
    EXPECT_LE(tree->GetChildrenCount(group, false), UserListTreeCtrl::kPlaceSlice);
    EXPECT_EQ(tree->GetItemText(group), "Online (Loading)");
    EXPECT_TRUE(tree->IsExpanded(group)) << "open while it fills, for the user to scroll";
    wxString last; // placed last of all
    for (const User& user : list)
        last = user.GetName();
    DeliverUser(*tree, wxEVT_USER_DELETED, last.utf8_str(), STATUS_FREE);
    DeliverUser(*tree, wxEVT_USER_ADDED, "newcomer", STATUS_BUSY);
    DeliverUser(*tree, wxEVT_USER_CHANGED, "newcomer", STATUS_FREE, STATUS_BUSY);
    EXPECT_EQ(placed, 0);
    EXPECT_FALSE(tree->FindItem(User("newcomer", 0), group, false).IsOk()) << "held until the list is in";

    ASSERT_TRUE(PumpUntil([&] { return placed == 1; }, 5000));
    EXPECT_EQ(tree->GetItemText(group), wxString::Format("Online (%d)", size));
    EXPECT_FALSE(tree->FindItem(User(last, 0), group, false).IsOk());
    const auto rows = Rows(*tree, group);
    ASSERT_EQ(rows.size(), static_cast<size_t>(size));
    EXPECT_EQ(rows.back(), (Row{"newcomer", tree->GetFreeIcon()}));
}

TEST_F(AllTreeTest, UnknownNamesChangeNothingAndCaseVariantsAreTwoItems)
{
    DeliverList(*tree, Users({{"mika", 0x03}, {"Mika", 0x0D}}));
    const auto before = Rows(*tree, group);
    ASSERT_EQ(before.size(), 2u);
    DeliverUser(*tree, wxEVT_USER_CHANGED, "MIKA", 0x15, 0x03);
    DeliverUser(*tree, wxEVT_USER_DELETED, "mikA", 0x03);
    EXPECT_EQ(Rows(*tree, group), before);
    EXPECT_EQ(tree->GetItemText(group), "Online (2)");

    DeliverUser(*tree, wxEVT_USER_DELETED, "Mika", 0x0D);
    ASSERT_EQ(Rows(*tree, group).size(), 1u);
    EXPECT_EQ(Rows(*tree, group)[0].label, "mika");
    EXPECT_FALSE(tree->FindItem(User("Mika", 0), tree->GetRootItem(), true).IsOk());
}

TEST_F(AllTreeTest, ProfileMenuOnlyForPerformersAndItOpensTheProfile)
{
    FakeBrowser browser;
    DeliverList(*tree, Users({{"Ann_1", 0x03}, {"bea", 0x03}}));
    wxTreeEvent onGroup(wxEVT_TREE_ITEM_RIGHT_CLICK, tree, group);
    tree->ProcessWindowEvent(onGroup);
    EXPECT_TRUE(tree->shownMenus.empty()) << "no menu on a group";

    const wxTreeItemId ann = tree->FindItem(User("Ann_1", 0), group, false);
    wxTreeEvent onAnn(wxEVT_TREE_ITEM_RIGHT_CLICK, tree, ann);
    tree->ProcessWindowEvent(onAnn);
    ASSERT_EQ(tree->shownMenus.size(), 1u);
    EXPECT_TRUE(tree->shownMenus[0].StartsWith("5000:Profile;")) << tree->shownMenus[0];
    EXPECT_TRUE(tree->shownMenus[0].EndsWith(":Notify;")) << tree->shownMenus[0];
    EXPECT_EQ(tree->GetSelection(), ann) << "the clicked performer is the one acted on";
    // The Notify submenu's choice is the clicked performer's rule.
    wxCommandEvent onlyFree(wxEVT_MENU, ID_RULE_ONLY_FREE);
    tree->ProcessWindowEvent(onlyFree);
    EXPECT_EQ(PerformerRules::Get().Get("Ann_1").when, NotifyRules::When::OnlyFree);
    PerformerRules::HandleMenu(ID_RULE_ALWAYS, "Ann_1");

    wxCommandEvent choose(wxEVT_MENU, ID_PROFILE);
    tree->ProcessWindowEvent(choose);
    EXPECT_EQ(browser.WaitForAddress(), "http://www.sorvik.test:8080/profile.shtml?Ann_1");

    tree->SelectItem(tree->FindItem(User("bea", 0), group, false));
    wxTreeEvent activate(wxEVT_TREE_ITEM_ACTIVATED, tree, tree->GetSelection());
    tree->ProcessWindowEvent(activate);
    EXPECT_EQ(browser.WaitForAddress(), "http://www.sorvik.test:8080/profile.shtml?bea");

    tree->SelectItem(group);
    tree->ProcessWindowEvent(choose);
    EXPECT_EQ(browser.WaitForAddress(500), "") << "a group opens nothing";
}

TEST(BrowserTest, FileSchemeIsRemovedFromTheCommand)
{
    FakeBrowser browser;
    EXPECT_TRUE(Util::LaunchBrowser("file:///tmp/page.html"));
    EXPECT_EQ(browser.WaitForAddress(), "/tmp/page.html");
}

namespace {

class FavoriteTreeTest : public TreeTest {
protected:
    void SetUp() override
    {
        TreeTest::SetUp();
        tree = new FavoriteTreeCtrl(frame, wxID_ANY, wxDefaultPosition, wxDefaultSize, USER_LIST_TREE_STYLE);
        tree->CreateGroups();
        online = tree->GetOnlineGroup();
        offline = tree->GetOfflineGroup();
    }
    // As the window installs them once the site's first list came.
    void Install(const UserList& favorites)
    {
        tree->SetSiteListKnown(true);
        DeliverList(*tree, favorites, FavoriteTreeCtrl::kFavoritesListId);
    }

    FavoriteTreeCtrl* tree = nullptr;
    wxTreeItemId online, offline;
};

} // namespace

TEST_F(FavoriteTreeTest, GroupsLoadingUntilTheSiteSaysWhoIsOnLineThenCounted)
{
    EXPECT_EQ(tree->GetItemText(online), "Online (Loading)");
    EXPECT_EQ(tree->GetItemText(offline), "Offline (Loading)");
    // Favourites known before the site's first list: nobody is shown off line yet.
    DeliverList(*tree, Users({{"free", 0}, {"away", 0}}), FavoriteTreeCtrl::kFavoritesListId);
    EXPECT_EQ(tree->GetItemText(offline), "Offline (Loading)");
    EXPECT_EQ(tree->GetChildrenCount(offline, false), 0u);
    DeliverList(*tree, Users({{"free", 0x03}, {"other", 0x03}}), -1);
    EXPECT_EQ(tree->GetItemText(online), "Online (1)");
    EXPECT_EQ(tree->GetItemText(offline), "Offline (1)");
    Install(UserList());
    EXPECT_EQ(tree->GetItemText(online), "Online (0)");
    EXPECT_EQ(tree->GetItemText(offline), "Offline (0)");
}

TEST_F(FavoriteTreeTest, FavouritesAreSplitWithTheirIcons)
{
    Install(Users({{"free", 0x03}, {"show", 0x15}, {"bare", 0x01}, {"away", 0}}));
    EXPECT_EQ(tree->GetItemText(online), "Online (3)");
    EXPECT_EQ(tree->GetItemText(offline), "Offline (1)");
    EXPECT_EQ(Rows(*tree, offline), (std::vector<Row>{{"away", tree->GetOfflineIcon()}}));
    EXPECT_EQ(tree->GetItemImage(tree->FindItem(User("free", 0), online, false)), tree->GetFreeIcon());
    EXPECT_EQ(tree->GetItemImage(tree->FindItem(User("show", 0), online, false)), tree->GetBusyIcon());
    EXPECT_EQ(tree->GetItemImage(tree->FindItem(User("bare", 0), online, false)), -1);
}

TEST_F(FavoriteTreeTest, OfflineByLastSeenWhenChosenWhoLeavesComingFirst)
{
    Install(Users({{"ann", 0}, {"bea", 0}, {"cy", 0}, {"dee", 0x03}}));
    const auto offlineNames = [&] {
        std::vector<wxString> names;
        for (const Row& row : Rows(*tree, offline))
            names.push_back(row.label);
        return names;
    };
    const std::vector<wxString> placed = offlineNames();
    tree->SortOffline({{"ann", 100}, {"cy", 300}});
    EXPECT_EQ(offlineNames(), placed) << "off by default";
    Keys::SortOfflineByLastSeen.Write(true);
    tree->SortOffline({{"ann", 100}, {"cy", 300}});
    EXPECT_EQ(offlineNames(), (std::vector<wxString>{"cy", "ann", "bea"})) << "latest first, never seen last";
    DeliverUser(*tree, wxEVT_USER_DELETED, "dee", 0x03);
    EXPECT_EQ(offlineNames(), (std::vector<wxString>{"dee", "cy", "ann", "bea"}));
    Keys::SortOfflineByLastSeen.Write(false);
}

TEST_F(FavoriteTreeTest, LeavingAndRejoiningMoveToTheEndOfTheOtherGroup)
{
    Install(Users({{"a", 0x03}, {"b", 0}}));
    DeliverUser(*tree, wxEVT_USER_ADDED, "c", 0x03); // not a favourite
    DeliverUser(*tree, wxEVT_USER_DELETED, "a", 0x03);
    EXPECT_TRUE(Rows(*tree, online).empty());
    ASSERT_EQ(Rows(*tree, offline).size(), 2u);
    EXPECT_EQ(Rows(*tree, offline)[1], (Row{"a", tree->GetOfflineIcon()}));
    EXPECT_EQ(tree->GetItemText(offline), "Offline (2)");

    DeliverUser(*tree, wxEVT_USER_ADDED, "b", 0x0D);
    DeliverUser(*tree, wxEVT_USER_ADDED, "a", 0x03);
    EXPECT_EQ(Rows(*tree, online),
              (std::vector<Row>{{"b", tree->GetBusyIcon()}, {"a", tree->GetFreeIcon()}}));
    EXPECT_TRUE(Rows(*tree, offline).empty());
    EXPECT_EQ(tree->GetItemText(online), "Online (2)");

    DeliverUser(*tree, wxEVT_USER_CHANGED, "b", 0x03, 0x0D);
    EXPECT_EQ(Rows(*tree, online),
              (std::vector<Row>{{"b", tree->GetFreeIcon()}, {"a", tree->GetFreeIcon()}}))
        << "a change keeps the place";
    EXPECT_EQ(tree->GetItemText(online), "Online (2)");
}

TEST_F(FavoriteTreeTest, ANewListReplacesTheOldAndCaseVariantsAreStrangers)
{
    Install(Users({{"a", 0}, {"b", 0}}));
    Install(Users({{"c", 0}}));
    EXPECT_EQ(Rows(*tree, offline), (std::vector<Row>{{"c", tree->GetOfflineIcon()}}));
    DeliverUser(*tree, wxEVT_USER_ADDED, "a", 0x03);
    DeliverUser(*tree, wxEVT_USER_ADDED, "C", 0x03);
    EXPECT_TRUE(Rows(*tree, online).empty());
    EXPECT_EQ(tree->GetItemText(offline), "Offline (1)");
    EXPECT_FALSE(tree->FindItem(User("a", 0), tree->GetRootItem(), true).IsOk());
}

TEST_F(FavoriteTreeTest, TheSitesWholeListUpdatesButNeverReplacesTheFavourites)
{
    Install(Users({{"a", 0}, {"b", 0}}));
    DeliverList(*tree, Users({{"a", 0x0D}, {"z", 0x03}}), -1);
    EXPECT_EQ(tree->GetFavorites().size(), 2u);
    EXPECT_EQ(Rows(*tree, online), (std::vector<Row>{{"a", tree->GetBusyIcon()}}));
    EXPECT_EQ(Rows(*tree, offline), (std::vector<Row>{{"b", tree->GetOfflineIcon()}}));
    EXPECT_EQ(tree->GetItemText(online), "Online (1)");
    EXPECT_TRUE(tree->IsExpanded(online)) << "a group that was empty shows its first member";
}

TEST_F(FavoriteTreeTest, TheFilteredViewKeepsTheGroupsTheUserClosed)
{
    Install(Users({{"ann", 0x03}, {"anna", 0}, {"bo", 0x03}}));
    auto* view = new FilteredTreeView(frame);
    view->Rebuild(*tree, "an");
    const auto group = [&](int index) {
        wxTreeItemIdValue cookie;
        wxTreeItemId item = view->GetFirstChild(view->GetRootItem(), cookie);
        for (int i = 0; i < index; ++i)
            item = view->GetNextChild(view->GetRootItem(), cookie);
        return item;
    };
    ASSERT_TRUE(view->IsExpanded(group(0)) && view->IsExpanded(group(1)));
    view->Collapse(group(1)); // the user closes "Offline"

    // Every site event builds the view anew.
    DeliverUser(*tree, wxEVT_USER_CHANGED, "ann", 0x05, 0x03);
    view->Rebuild(*tree, "an");
    EXPECT_TRUE(view->IsExpanded(group(0)));
    EXPECT_FALSE(view->IsExpanded(group(1))) << "a closed group opened again";
    EXPECT_EQ(view->GetChildrenCount(group(1), false), 1u) << "its performers are still there";

    view->Expand(group(1));
    view->Rebuild(*tree, "a");
    EXPECT_TRUE(view->IsExpanded(group(1)));
}

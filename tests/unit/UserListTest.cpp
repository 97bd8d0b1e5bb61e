#include <gtest/gtest.h>

#include "model/UserList.h"

namespace {

UserList Make(std::initializer_list<std::pair<const char*, unsigned long>> users)
{
    UserList list;
    for (const auto& u : users)
        list.AddUser(User(u.first, u.second));
    return list;
}

unsigned long StatusOf(const UserList& list, const char* name)
{
    const User* u = list.FindUser(name);
    return u ? u->GetStatus() : 0xDEAD;
}

} // namespace

TEST(UserTest, EqualityComparesNameExactlyAndWholeStatus)
{
    EXPECT_EQ(User("anna", 0x03), User("anna", 0x03));
    EXPECT_NE(User("anna", 0x03), User("Anna", 0x03));
    EXPECT_NE(User("anna", 0x0D), User("anna", 0x15));
    EXPECT_NE(User("anna", 0x03), User("anna ", 0x03));
    User u;
    EXPECT_TRUE(u.GetName().empty());
    EXPECT_EQ(u.GetStatus(), 0u);
}

TEST(UserListTest, AddUserReplacesSameNameAndKeepsCaseVariantsApart)
{
    UserList list;
    list.AddUser(User("mika", STATUS_ONLINE | STATUS_FREE));
    list.AddUser(User("mika", 0x15));
    list.AddUser(User("Mika", 0x03));
    EXPECT_EQ(list.size(), 2u);
    EXPECT_EQ(StatusOf(list, "mika"), 0x15u);
    EXPECT_EQ(StatusOf(list, "Mika"), 0x03u);
}

TEST(UserListTest, FindUserOfAbsentNameIsNullAndChangesNothing)
{
    UserList list = Make({{"a", 1}});
    EXPECT_EQ(list.FindUser("b"), nullptr);
    EXPECT_EQ(list.FindUser("A"), nullptr);
    EXPECT_EQ(list.size(), 1u);
    EXPECT_EQ(list.GetUser("zz").GetStatus(), 0u);
}

TEST(UserListTest, CopiesAreDeep)
{
    UserList original = Make({{"a", 0x03}});
    UserList copy(original);
    copy.AddUser(User("a", 0x0D));
    copy.AddUser(User("b", 0x03));
    EXPECT_EQ(StatusOf(original, "a"), 0x03u);
    EXPECT_EQ(original.size(), 1u);
    UserList assigned;
    assigned = copy;
    copy.Clear();
    EXPECT_EQ(assigned.size(), 2u);
}

TEST(UserListDifferenceTest, EmptyAgainstEmpty)
{
    UserList older, newer, added, deleted = Make({{"stale", 1}}), changed;
    older.GetDifference(newer, added, deleted, changed);
    EXPECT_TRUE(added.empty());
    EXPECT_TRUE(deleted.empty()) << "deleted is replaced, not appended to";
    EXPECT_TRUE(changed.empty());
}

TEST(UserListDifferenceTest, EverythingNewIsAddedEverythingGoneIsDeleted)
{
    UserList none;
    UserList some = Make({{"a", 0x03}, {"b", 0x0D}});
    UserList added, deleted, changed;
    none.GetDifference(some, added, deleted, changed);
    EXPECT_EQ(added.size(), 2u);
    EXPECT_EQ(StatusOf(added, "b"), 0x0Du);
    EXPECT_TRUE(deleted.empty());
    EXPECT_TRUE(changed.empty());

    UserList added2, deleted2, changed2;
    some.GetDifference(none, added2, deleted2, changed2);
    EXPECT_TRUE(added2.empty());
    EXPECT_EQ(deleted2.size(), 2u);
    EXPECT_EQ(StatusOf(deleted2, "a"), 0x03u) << "deleted keeps the old status";
    EXPECT_TRUE(changed2.empty());
}

TEST(UserListDifferenceTest, MixedChangesAndInputsUntouched)
{
    UserList older = Make({{"same", 0x03}, {"show", 0x0D}, {"gone", 0x03}, {"case", 0x03}});
    UserList newer = Make({{"same", 0x03}, {"show", 0x15}, {"new", 0x03}, {"Case", 0x03}});
    UserList added, deleted, changed;
    older.GetDifference(newer, added, deleted, changed);

    EXPECT_EQ(added.size(), 2u);
    EXPECT_NE(added.FindUser("new"), nullptr);
    EXPECT_NE(added.FindUser("Case"), nullptr) << "case variants are different performers";
    EXPECT_EQ(deleted.size(), 2u);
    EXPECT_NE(deleted.FindUser("gone"), nullptr);
    EXPECT_NE(deleted.FindUser("case"), nullptr);
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(StatusOf(changed, "show"), 0x15u) << "public to private is a change";
    EXPECT_EQ(older.GetUser("show").GetStatus(), 0x0Du);

    EXPECT_EQ(older.size(), 4u);
    EXPECT_EQ(newer.size(), 4u);
}

TEST(UserListDifferenceTest, AddedAndChangedAreAppendedTo)
{
    UserList older = Make({{"x", 0x03}});
    UserList newer = Make({{"x", 0x0D}, {"y", 0x03}});
    UserList added = Make({{"earlier", 1}}), deleted, changed = Make({{"before", 1}});
    older.GetDifference(newer, added, deleted, changed);
    EXPECT_EQ(added.size(), 2u);
    EXPECT_EQ(changed.size(), 2u);
}

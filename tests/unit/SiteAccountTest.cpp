#include <gtest/gtest.h>
#include <wx/fileconf.h>
#include <wx/init.h>
#include <wx/sstream.h>

#include <string>
#include <vector>

#include "app/CommandIds.h"
#include "app/Settings.h"
#include "site/SiteAccount.h"

namespace {

std::vector<std::string> Names(const std::string& body)
{
    std::vector<std::string> names;
    for (const wxString& n : SiteAccount::ParseFavorites(body))
        names.emplace_back(n.utf8_str());
    return names;
}

} // namespace

TEST(SiteAccountTest, FirstRunOfLettersAndDigitsOnceEachAndTheLastLineCounts)
{
    EXPECT_EQ(Names("alice\nbob\nalice\ndave"), (std::vector<std::string>{"alice", "bob", "dave"}));
    EXPECT_EQ(Names("  carol_99 x\r\n\n--\n"), (std::vector<std::string>{"carol"}));
    EXPECT_TRUE(Names("").empty());
}

TEST(SiteAccountTest, PagesOfTheThreeHostsAndTheUnreadCount)
{
    wxInitializer toolkit;
    wxStringInputStream nothing(wxString{});
    delete wxConfigBase::Set(new wxFileConfig(nothing)); // in memory only
    Settings::WriteString(Settings::HostKey(Settings::Host::Main), "www.tabuno.test");
    Settings::WriteString(Settings::HostKey(Settings::Host::Mail), "mail.tabuno.test");
    Settings::WriteString(Settings::HostKey(Settings::Host::FanClub), "fan.tabuno.test");
    EXPECT_EQ(SiteAccount::PageAddress(ID_SITE_TOP), "http://www.tabuno.test");
    EXPECT_EQ(SiteAccount::PageAddress(ID_SITE_MAILBOX), "http://mail.tabuno.test");
    EXPECT_EQ(SiteAccount::PageAddress(ID_SITE_FANCLUB), "http://fan.tabuno.test");
    EXPECT_EQ(SiteAccount::PageAddress(ID_SITE_MYQO), "http://www.tabuno.test/myqo.shtml");
    EXPECT_EQ(SiteAccount::PageAddress(ID_SITE_JOIN), "http://www.tabuno.test/join.html");
    EXPECT_EQ(SiteAccount::PageAddress(6010), "");
    EXPECT_EQ(SiteAccount::ParseUnreadCount("3\nrest"), 3);
    EXPECT_EQ(SiteAccount::ParseUnreadCount("three\n"), 0);
    delete wxConfigBase::Set(nullptr);
}

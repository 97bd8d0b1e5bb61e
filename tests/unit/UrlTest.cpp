#include <cstdlib>

#include <gtest/gtest.h>

#include "net/ProxySetting.h"
#include "net/Url.h"

TEST(UrlTest, SplitsHostPortAndTarget)
{
    Url url;
    ASSERT_TRUE(Url::Parse("http://www.tabuno.test:8123/a/b.js?x=1&y=2", url));
    EXPECT_EQ(url.Host(), "www.tabuno.test");
    EXPECT_EQ(url.Port(), 8123);
    EXPECT_EQ(url.Target(), "/a/b.js?x=1&y=2");
    EXPECT_EQ(url.HostHeader(), "www.tabuno.test:8123");
    EXPECT_EQ(url.Absolute(), "http://www.tabuno.test:8123/a/b.js?x=1&y=2");

    ASSERT_TRUE(Url::Parse("HTTP://host", url));
    EXPECT_EQ(url.Port(), 80);
    EXPECT_EQ(url.Target(), "/");
    EXPECT_EQ(url.HostHeader(), "host");
}

TEST(UrlTest, RejectsWhatCannotBeRequested)
{
    Url url;
    EXPECT_FALSE(Url::Parse("http://", url));
    EXPECT_FALSE(Url::Parse("http://:80/", url));
    EXPECT_FALSE(Url::Parse("http://host:0/", url));
    EXPECT_FALSE(Url::Parse("http://host:99999/", url));
    EXPECT_FALSE(Url::Parse("http://host:8x/", url));
    EXPECT_FALSE(Url::Parse("http://ho st/", url));
    EXPECT_FALSE(Url::Parse("ftp://host/", url));
}

TEST(UrlTest, HttpsAndIPv6Literals)
{
    Url url;
    ASSERT_TRUE(Url::Parse("https://www.tabuno.test/list.js", url));
    EXPECT_TRUE(url.IsSecure());
    EXPECT_EQ(url.Port(), 443);
    EXPECT_EQ(url.Absolute(), "https://www.tabuno.test/list.js");
    ASSERT_TRUE(Url::Parse("http://[::1]:8123/x", url));
    EXPECT_EQ(url.Host(), "[::1]");
    EXPECT_EQ(url.Port(), 8123);
    EXPECT_EQ(url.Absolute(), "http://[::1]:8123/x");
    EXPECT_FALSE(Url::Parse("http://[::1/x", url));
    EXPECT_FALSE(Url::Parse("http://[zz]/", url));
}

TEST(UrlTest, EscapesBytesThatWouldBreakTheRequestLine)
{
    Url url;
    ASSERT_TRUE(Url::Parse("http://h/profile.shtml?a b\r\nX: y", url));
    EXPECT_EQ(url.Target(), "/profile.shtml?a%20b%0D%0AX:%20y");
}

TEST(ProxySettingTest, NormalisesTheUsualForms)
{
    EXPECT_EQ(ProxySetting::Normalise("http://proxy.lan:3128/"), "proxy.lan:3128");
    EXPECT_EQ(ProxySetting::Normalise("proxy.lan:3128"), "proxy.lan:3128");
    EXPECT_EQ(ProxySetting::Normalise("  proxy.lan  "), "proxy.lan:80");
    EXPECT_EQ(ProxySetting::Normalise(""), "");
    EXPECT_EQ(ProxySetting::Normalise("https://secure:443/"), "");
}

TEST(ProxySettingTest, TheDesktopsChoiceHonoursNoProxyAndASetProxyReplacesIt)
{
    // No desktop settings here: libproxy takes the environment's.
    setenv("http_proxy", "http://127.0.0.1:9/", 1);
    setenv("no_proxy", "localhost,127.0.0.1", 1);
    ProxySetting::UseDesktop();
    EXPECT_EQ(ProxySetting::For("http://127.0.0.1:8123/include/js/online_performers.js"), "");
    EXPECT_NE(ProxySetting::For("http://www.tabuno.test/").find("127.0.0.1:9"), std::string::npos);
    ProxySetting::Set("proxy.lan:3128");
    EXPECT_EQ(ProxySetting::For("http://127.0.0.1/"), "http://proxy.lan:3128");
    ProxySetting::Set("");
    EXPECT_EQ(ProxySetting::For("http://www.tabuno.test/"), "") << "empty: direct";
    unsetenv("http_proxy");
    unsetenv("no_proxy");
}

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
    EXPECT_FALSE(Url::Parse("https://host/", url));
    EXPECT_FALSE(Url::Parse("http://", url));
    EXPECT_FALSE(Url::Parse("http://:80/", url));
    EXPECT_FALSE(Url::Parse("http://host:0/", url));
    EXPECT_FALSE(Url::Parse("http://host:99999/", url));
    EXPECT_FALSE(Url::Parse("http://host:8x/", url));
    EXPECT_FALSE(Url::Parse("http://ho st/", url));
    EXPECT_FALSE(Url::Parse("ftp://host/", url));
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

TEST(ProxySettingTest, LowerCaseVariableWinsAndEmptyMeansDirect)
{
    setenv("http_proxy", "http://low:1/", 1);
    setenv("HTTP_PROXY", "up:2", 1);
    EXPECT_EQ(ProxySetting::FromEnvironment(), "low:1");
    setenv("http_proxy", "", 1);
    EXPECT_EQ(ProxySetting::FromEnvironment(), "up:2");
    unsetenv("http_proxy");
    setenv("HTTP_PROXY", "", 1);
    EXPECT_EQ(ProxySetting::FromEnvironment(), "");
    unsetenv("HTTP_PROXY");
}

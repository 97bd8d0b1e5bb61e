#include <string>

#include <gtest/gtest.h>
#include <wx/filename.h>
#include <wx/init.h>

#include "net/Base64Encode.h"
#include "net/Util.h"
#include "net/Version.h"

namespace {

wxString B64(const std::string& s)
{
    return Base64Encode(reinterpret_cast<const unsigned char*>(s.data()), s.size());
}

} // namespace

TEST(UtilTest, InstallationNamesFollowTheExecutable)
{
    wxInitializer toolkit;
    EXPECT_EQ(Util::PluginFileNameFor(wxFileName("/opt/sorvik/bin/sorvik")).GetFullPath(),
              "/opt/sorvik/bin/sorvik.so");
    EXPECT_EQ(Util::PluginFileNameFor(wxFileName("/opt/host.bin")).GetFullPath(), "/opt/host.so");
    EXPECT_EQ(Util::SkinFileNameFor(wxFileName("/opt/sorvik/bin/sorvik")).GetFullPath(),
              "/opt/sorvik/bin/sorvik.skin");

    const wxFileName app = Util::GetApplicationFileName();
    EXPECT_TRUE(app.IsAbsolute());
    EXPECT_TRUE(app.FileExists());
    EXPECT_EQ(app.GetName(), "unit_tests");
    EXPECT_EQ(Util::GetPluginFileName().GetFullName(), "unit_tests.so");
}

TEST(VersionTest, ThreeNumbersOrFewerAndTheTextUnchanged)
{
    const Version full("1.3.0");
    EXPECT_EQ(full.GetParsedCount(), 3);
    EXPECT_EQ(full.GetMinor(), 3);
    const Version shorter("1.3");
    EXPECT_EQ(shorter.GetParsedCount(), 2);
    EXPECT_EQ(shorter.GetPatch(), 0);
    EXPECT_EQ(shorter.GetString(), "1.3");
    EXPECT_EQ(Version("beta").GetParsedCount(), 0);
}

TEST(Base64EncodeTest, PaddingAndLongInputs)
{
    EXPECT_EQ(B64(""), "");
    EXPECT_EQ(B64("M"), "TQ==");
    EXPECT_EQ(B64("Ma"), "TWE=");
    EXPECT_EQ(B64("Man"), "TWFu");
    EXPECT_EQ(B64(std::string("\xff\x00\x10", 3)), "/wAQ");
    const wxString longOne = B64(std::string(300, 'x') + ":" + std::string(300, 'y'));
    EXPECT_EQ(longOne.length(), 804u);
    EXPECT_EQ(longOne.Find('\n'), wxNOT_FOUND);
}

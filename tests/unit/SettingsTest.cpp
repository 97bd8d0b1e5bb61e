#include <cstdlib>
#include <filesystem>
#include <string>

#include <sys/stat.h>

#include <gtest/gtest.h>
#include <wx/fileconf.h>
#include <wx/init.h>

#include "app/Settings.h"

namespace {

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string dir = (std::filesystem::temp_directory_path() / "sorvik-settings-XXXXXX").string();
        ASSERT_NE(mkdtemp(dir.data()), nullptr);
        m_dir = dir;
        m_path = dir + "/Ruvidodur.conf";
        Open();
    }
    void TearDown() override
    {
        delete wxConfigBase::Set(nullptr);
        std::filesystem::remove_all(m_dir);
    }
    void Open()
    {
        auto* config = new wxFileConfig("Ruvidodur", "Tabuno", wxString::FromUTF8(m_path), wxString(),
                                        wxCONFIG_USE_LOCAL_FILE);
        config->SetUmask(0077);
        delete wxConfigBase::Set(config);
    }

    wxInitializer m_toolkit;
    std::string m_dir;
    std::string m_path;
};

} // namespace

TEST_F(SettingsFileTest, TopLevelEntriesDeleteInAnyOrderWithoutHarmingTheRest)
{
    Settings::WriteString("/id", "pat");
    Settings::WriteString("/password", "p$HOME w#rd");
    Settings::WriteString("/favorites", "ann,zed,");
    Settings::WriteLong("/MainFrame/width", 300);
    Settings::WriteString("/Hosts/main", "127.0.0.1:8080");
    // The first top-level line first, then the rest: the toolkit alone crashes on the next write.
    Settings::DeleteEntry("/id");
    Settings::DeleteEntry("/password");
    Settings::DeleteEntry("/favorites");
    Settings::DeleteEntry("/absent");
    Settings::WriteString("/id", "kim");
    Settings::WriteString("/favorites", "bo,");
    Settings::Flush();

    Open(); // what reached the file
    EXPECT_EQ(Settings::ReadString("/id"), "kim");
    EXPECT_EQ(Settings::ReadString("/password", "absent"), "absent");
    EXPECT_EQ(Settings::ReadString("/favorites"), "bo,");
    EXPECT_EQ(Settings::ReadLong("/MainFrame/width", 0), 300);
    EXPECT_EQ(Settings::ReadString("/Hosts/main"), "127.0.0.1:8080");

    Settings::WriteString("/password", "p$HOME w#rd");
    Settings::DeleteEntry("/id");
    Open();
    EXPECT_EQ(Settings::ReadString("/id", "absent"), "absent");
    EXPECT_EQ(Settings::ReadString("/password"), "p$HOME w#rd") << "kept as written, not expanded";

    struct stat info {};
    ASSERT_EQ(::stat(m_path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "the password stays readable by its owner only";
}

TEST_F(SettingsFileTest, EntriesInGroupsDeleteInPlace)
{
    Settings::WriteLong("/MainFrame/x", 1);
    Settings::WriteLong("/MainFrame/y", 2);
    Settings::DeleteEntry("/MainFrame/x");
    Settings::DeleteEntry("/MainFrame/y");
    Settings::WriteLong("/MainFrame/x", 3);
    Settings::Flush();
    Open();
    EXPECT_EQ(Settings::ReadLong("/MainFrame/x", 0), 3);
    EXPECT_EQ(Settings::ReadLong("/MainFrame/y", 0), 0);
}

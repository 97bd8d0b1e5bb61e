// Each test runs in a process of its own (see CMakeLists.txt): GIO reads the desktop's folders
// once per process.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <wx/init.h>
#include <wx/log.h>

#include "net/Util.h"

namespace {

// Collects the error lines instead of showing them.
class LogLines : public wxLog {
public:
    std::vector<wxString> lines;

protected:
    void DoLogRecord(wxLogLevel level, const wxString& message, const wxLogRecordInfo&) override
    {
        if (level == wxLOG_Error)
            lines.push_back(message);
    }
};

// A desktop of its own: no program for anything unless the test adds one.
class BrowserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string dir = (std::filesystem::temp_directory_path() / "sorvik-desktop-XXXXXX").string();
        ASSERT_NE(mkdtemp(dir.data()), nullptr);
        m_dir = dir;
        for (const char* sub : {"data/applications", "config", "none"})
            std::filesystem::create_directories(m_dir / sub);
        setenv("XDG_DATA_HOME", (m_dir / "data").c_str(), 1);
        setenv("XDG_DATA_DIRS", (m_dir / "none").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (m_dir / "config").c_str(), 1);
        setenv("XDG_CONFIG_DIRS", (m_dir / "none").c_str(), 1);
        m_previous = wxLog::SetActiveTarget(&m_log);
    }
    void TearDown() override
    {
        wxLog::SetActiveTarget(m_previous);
        std::filesystem::remove_all(m_dir);
    }

    wxInitializer m_toolkit;
    std::filesystem::path m_dir;
    LogLines m_log;
    wxLog* m_previous = nullptr;
};

} // namespace

TEST_F(BrowserTest, NoBrowserIsSaidInTwoLinesAndIsAFailure)
{
    EXPECT_FALSE(Util::LaunchBrowser("http://www.tabuno.test/join.html"));
    ASSERT_EQ(m_log.lines.size(), 2u);
    EXPECT_TRUE(m_log.lines[0] == "can not get command for html" || m_log.lines[0] == "can not get filetype for html")
        << m_log.lines[0];
    EXPECT_TRUE(m_log.lines[1].StartsWith("No web browser is set up")) << m_log.lines[1];
    EXPECT_TRUE(m_log.lines[1].Contains("http://www.tabuno.test/join.html"));
}

TEST_F(BrowserTest, TheDesktopsDefaultBrowserOpensWhatNoHtmlCommandOpens)
{
    // A browser known only as the handler of http addresses, as many desktops set one up.
    const std::filesystem::path record = m_dir / "address";
    const std::filesystem::path script = m_dir / "browser";
    std::ofstream(script) << "#!/bin/sh\nprintf '%s' \"$1\" > '" << record.string() << ".part' && mv '"
                          << record.string() << ".part' '" << record.string() << "'\n";
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    std::ofstream(m_dir / "data/applications/sorvik-test-browser.desktop")
        << "[Desktop Entry]\nType=Application\nName=Browser\nExec=" << script.string()
        << " %u\nMimeType=x-scheme-handler/http;\n";
    std::ofstream(m_dir / "config/mimeapps.list")
        << "[Default Applications]\nx-scheme-handler/http=sorvik-test-browser.desktop\n";

    EXPECT_TRUE(Util::LaunchBrowser("http://www.tabuno.test/join.html"));
    for (int i = 0; i < 250 && !std::filesystem::exists(record); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::string opened;
    std::getline(std::ifstream(record), opened);
    EXPECT_EQ(opened, "http://www.tabuno.test/join.html");
    EXPECT_TRUE(m_log.lines.empty());
}

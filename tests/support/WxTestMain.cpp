// A GoogleTest main for tests that need the toolkit's application object and event loop.
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/init.h>
#include <wx/log.h>

namespace {

class TestApp : public wxApp {
public:
    bool OnInit() override { return true; }
};

void AssertToFailure(const wxString& file, int line, const wxString& func, const wxString& cond,
                     const wxString& msg)
{
    ADD_FAILURE_AT(file.utf8_str(), line)
        << "toolkit assertion in " << func.utf8_str() << ": " << cond.utf8_str() << " "
        << msg.utf8_str();
}

} // namespace

wxIMPLEMENT_APP_NO_MAIN(TestApp);

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);

    // Settings go to a throw-away home, never the user's own; no proxy unless a test sets one.
    std::string home = (std::filesystem::temp_directory_path() / "sorvik-test-XXXXXX").string();
    if (!mkdtemp(home.data()))
        return 2;
    std::filesystem::create_directories(home + "/.config");
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
    setenv("XDG_DATA_HOME", (home + "/.local/share").c_str(), 1);
    unsetenv("http_proxy");
    unsetenv("HTTP_PROXY");

    wxApp::SetInstance(new TestApp);
    if (!wxEntryStart(argc, argv)) {
        std::fprintf(stderr, "cannot start the toolkit (no display?)\n");
        return 2;
    }
    wxTheApp->CallOnInit();
    delete wxLog::SetActiveTarget(new wxLogStderr);
    wxSetAssertHandler(&AssertToFailure);

    int result = RUN_ALL_TESTS();

    wxTheApp->OnExit();
    wxEntryCleanup();
    // Assertions during the toolkit's clean-up count as failures too.
    if (::testing::UnitTest::GetInstance()->ad_hoc_test_result().Failed())
        result = 1;
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
    return result;
}

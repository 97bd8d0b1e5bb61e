#include <functional>

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/config.h>
#include <wx/dynlib.h>
#include <wx/dynload.h>
#include <wx/filename.h>
#include <wx/frame.h>
#include <wx/module.h>
#include <wx/splash.h>
#include <wx/utils.h>

#include "SiteSimulator.h"

// The host loads the plug-in like this; the toolkit must create and initialise the site module.
TEST(PluginLoadTest, LoadingCreatesAndInitialisesTheSiteModule)
{
    wxTheApp->SetAppName("before");
    wxDynamicLibrary* library = wxPluginManager::LoadLibrary(SORVIK_PLUGIN_PATH);
    ASSERT_NE(library, nullptr);

    const wxClassInfo* info = wxClassInfo::FindClass("TabunoSite");
    ASSERT_NE(info, nullptr);
    EXPECT_TRUE(info->IsKindOf(wxCLASSINFO(wxModule)));
    EXPECT_STREQ(info->GetBaseClassName1(), L"wxModule");
    EXPECT_EQ(info->GetBaseClassName2(), nullptr);
    EXPECT_EQ(wxTheApp->GetAppName(), "Ruvidodur") << "the module's OnInit ran";
    EXPECT_EQ(wxTheApp->GetVendorName(), "Tabuno");

    // Only the entry points are exported.
    EXPECT_FALSE(library->HasSymbol("_ZN10TabunoSite14UpdateUserListEv"));

    EXPECT_TRUE(wxPluginManager::UnloadLibrary(SORVIK_PLUGIN_PATH));
    EXPECT_EQ(wxClassInfo::FindClass("TabunoSite"), nullptr);
}

namespace {

template <typename T>
T* FindTopLevel()
{
    for (wxWindow* window : wxTopLevelWindows)
        if (auto* found = dynamic_cast<T*>(window); found && !wxTheApp->IsScheduledForDestruction(found))
            return found;
    return nullptr;
}

bool Pump(const std::function<bool()>& done, int timeoutMs)
{
    for (int waited = 0; waited < timeoutMs; waited += 5) {
        if (done())
            return true;
        wxTheApp->ProcessPendingEvents();
        wxYield();
        wxMilliSleep(5);
    }
    return done();
}

} // namespace

// The two exports as the host calls them: the update check, then the window with its splash.
TEST(PluginLoadTest, TheExportsShowTheSplashAndTheWindowAndAskForUpdates)
{
    sitesim::SiteSimulator::Options options;
    options.performers = 3;
    options.churn = false;
    sitesim::SiteSimulator sim(options); // offers no update
    ASSERT_TRUE(sim.Start());
    wxDynamicLibrary* library = wxPluginManager::LoadLibrary(SORVIK_PLUGIN_PATH);
    ASSERT_NE(library, nullptr);
    for (const char* key : {"/Hosts/main", "/Hosts/image"})
        wxConfigBase::Get()->Write(key, wxString::FromUTF8(sim.HostPort()));

    auto getNewPluginFileName =
        reinterpret_cast<wxFileName* (*)()>(library->GetSymbol("GetNewPluginFileName"));
    ASSERT_NE(getNewPluginFileName, nullptr);
    EXPECT_EQ(getNewPluginFileName(), nullptr);
    EXPECT_EQ(sim.RequestsFor("/cgi-bin/app/update.cgi").size(), 1u);
    EXPECT_EQ(sim.RequestsFor("/cgi-bin/app/update.cgi")[0].query, "version=1.3.0");

    auto siteRun = reinterpret_cast<bool (*)()>(library->GetSymbol("SiteRun"));
    ASSERT_NE(siteRun, nullptr);
    for (long stored : {-1L, 10L}) {
        if (stored < 0)
            wxConfigBase::Get()->DeleteEntry("/SplashScreen/duration");
        else
            wxConfigBase::Get()->Write("/SplashScreen/duration", stored);
        EXPECT_TRUE(siteRun());
        wxSplashScreen* splash = FindTopLevel<wxSplashScreen>();
        ASSERT_NE(splash, nullptr);
        EXPECT_EQ(splash->GetTimeout(), stored < 0 ? 3000 : 10000);
        EXPECT_TRUE(splash->HasFlag(wxFRAME_NO_TASKBAR)) << "no task-bar button";
        EXPECT_TRUE(splash->HasFlag(wxSTAY_ON_TOP));
        wxFrame* frame = nullptr;
        for (wxWindow* window : wxTopLevelWindows)
            if (auto* f = dynamic_cast<wxFrame*>(window); f && f->GetTitle() == "Sorvik Statuscope")
                frame = f;
        ASSERT_NE(frame, nullptr);
        EXPECT_TRUE(frame->IsShown()) << "shown while the splash is still up";
        EXPECT_TRUE(splash->IsShown());
        EXPECT_EQ(wxTheApp->GetTopWindow() == frame, false) << "not made the top window";

        splash->Destroy();
        frame->Destroy();
        ASSERT_TRUE(Pump([] { return wxTopLevelWindows.empty(); }, 5000));
    }
    EXPECT_TRUE(wxPluginManager::UnloadLibrary(SORVIK_PLUGIN_PATH));
}

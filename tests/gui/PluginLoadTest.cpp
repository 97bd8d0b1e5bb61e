#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/dynlib.h>
#include <wx/dynload.h>
#include <wx/module.h>

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
